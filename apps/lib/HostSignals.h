// SIGINT and SIGTERM for aq9host. The first asks every task loop to stop (the
// host platform's stop request); a stop cannot cut a step of the start-up
// short, and the ten-minute wait after the EEPROM write must not be (the
// driver resets the sensor after it), so the first signal during start-up
// says so. A second signal ends the program at once: it says so in one line,
// stops the simulator child, removes the run's queue and blocks (so aq9cmd and
// aq9watch see no driver) and exits with status 1.
#ifndef HOST_SIGNALS_H
#define HOST_SIGNALS_H

#include <sys/types.h>

// False (with the reason on standard error) when a handler cannot be set.
bool HostSignals_install();
// Whether the driver is in its start-up, for the first signal's line.
void HostSignals_startingUp(bool starting);
// The child to stop on a second signal; -1 for none.
void HostSignals_child(pid_t pid);
// A file of aq9host's own to remove on a second signal (one; empty: none).
void HostSignals_removeOnEnd(const char* path);

#endif
