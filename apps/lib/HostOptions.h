// aq9host's command line.
#ifndef HOST_OPTIONS_H
#define HOST_OPTIONS_H

#include <string>

enum HostLinkKind
{
    HOST_LINK_NONE,
    HOST_LINK_SERIAL,  // --dev PATH
    HOST_LINK_SPI,     // --spi PATH
    HOST_LINK_SIM      // --sim: aq9sim started on a pseudo-terminal
};

struct HostOptions
{
    HostLinkKind link = HOST_LINK_NONE;
    std::string device;    // serial port or spidev node
    std::string simArgs;   // extra aq9sim options, split at blanks
    std::string cfg;       // mission file; empty: the driver's defaults, stored calibration kept
    double duration = 0;   // seconds of polling; 0: until SIGINT/SIGTERM
    bool haveSite = false;
    double lat = 0, lon = 0;
    bool haveDeclination = false;
    double declination = 0;
    std::string logDir;    // sets AUV_LOG_DIR; empty: the environment's
    bool quiet = false;    // no status lines
};

enum HostParseResult
{
    HOST_PARSE_OK,
    HOST_PARSE_HELP,
    HOST_PARSE_ERROR  // *error names the argument at fault
};

// Options as "--name value" or "--name=value".
HostParseResult HostOptions_parse(int argc, const char* const* argv, HostOptions* options, std::string* error);

// Every option with examples.
const char* HostOptions_usage();

#endif
