// One run of the simulator: the unit on a pseudo-terminal, served from one
// poll loop over the terminal, a timer for the unit's own output and the
// state file, and a stop descriptor.
#ifndef SIM_RUNNER_H
#define SIM_RUNNER_H

#include <stdio.h>

#include <string>

#include "Options.h"

namespace aq9sim {

// Opens the terminal, prints its path as the first line of announce (and makes
// the --link), then serves until stopFd becomes readable or the duration has
// passed. Returns true on a normal end; false with *error when the terminal,
// the link or the state file fails.
bool runSimulator(const Options& options, int stopFd, FILE* announce, std::string* error);

} // namespace aq9sim

#endif
