// A commented example mission file, made from the driver's attribute table so
// that it names every key with its current default and never drifts from it.
#ifndef MISSION_EXAMPLE_H
#define MISSION_EXAMPLE_H

#include <string>

// The whole file, as "aq9cfg example" prints it and config/aq9-example.cfg holds it.
std::string MissionExample_text();

#endif
