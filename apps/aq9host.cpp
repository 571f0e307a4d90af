// aq9host: the AQ-9 driver task on a desk or a lab rig, against a sensor on a
// serial port or SPI, or against the simulator aq9sim.
#include <stdio.h>

#include <string>

#include "HostOptions.h"
#include "HostRun.h"

int main(int argc, char** argv)
{
    HostOptions options;
    std::string error;
    switch (HostOptions_parse(argc, argv, &options, &error))
    {
    case HOST_PARSE_HELP:
        fputs(HostOptions_usage(), stdout);
        return 0;
    case HOST_PARSE_ERROR:
        fprintf(stderr, "aq9host: %s\nTry 'aq9host --help' for more information.\n", error.c_str());
        return 2;
    case HOST_PARSE_OK:
        break;
    }
    HostRun run(options);
    return run.run();
}
