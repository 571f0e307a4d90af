// aq9sim's command line, parsed into the settings of one run.
#ifndef SIM_OPTIONS_H
#define SIM_OPTIONS_H

#include <string>
#include <vector>

#include "Unit.h"
#include "Wire.h"

namespace aq9sim {

struct Options
{
    Environment env;
    std::string link;      // symbolic link to the pseudo-terminal, or empty
    double duration = 0.0; // seconds to serve; 0 = until SIGINT/SIGTERM
    std::string statePath; // JSON state file, or empty
    std::vector<FaultWindow> faults;
    bool verbose = false;
};

enum ParseResult
{
    PARSE_OK,
    PARSE_HELP, // --help: print the usage, exit 0
    PARSE_ERROR // *error names the bad argument
};

ParseResult parseOptions(int argc, const char* const* argv, Options* options, std::string* error);
// Every option with an example.
const char* usageText();

} // namespace aq9sim

#endif
