// Values from aq9sim's state file (--state): the register file, the counts
// of commands served and the truth behind the last polled record. The file is
// the simulator's own JSON; a value is found by the keys leading to it, each
// searched after the one before, which is enough for that layout.
#ifndef SIM_STATE_H
#define SIM_STATE_H

#include <string>
#include <vector>

// The file's text; empty when it cannot be read.
std::string SimState_read(const std::string& path);

// The number, or the numbers of the list, at the key path, e.g.
// {"registers", "MagnetometerCompensation", "c"}. False when absent or null.
bool SimState_numbers(const std::string& json, const std::vector<std::string>& keys, std::vector<double>* values);
bool SimState_number(const std::string& json, const std::vector<std::string>& keys, double* value);

#endif
