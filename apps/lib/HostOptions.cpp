#include "HostOptions.h"

#include <errno.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

namespace {

// The whole text as a finite number in [lowest, highest].
bool number(const std::string& text, double lowest, double highest, double* out)
{
    char* end = nullptr;
    errno = 0;
    const double v = strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !isfinite(v) || v < lowest || v > highest)
        return false;
    *out = v;
    return true;
}

bool site(const std::string& text, HostOptions* o)
{
    const size_t comma = text.find(',');
    return comma != std::string::npos && number(text.substr(0, comma), -90, 90, &o->lat) &&
           number(text.substr(comma + 1), -180, 180, &o->lon);
}

bool setLink(HostOptions* o, HostLinkKind kind, const std::string& device, std::string* error)
{
    if (o->link != HOST_LINK_NONE)
    {
        *error = "choose one of --dev, --spi and --sim";
        return false;
    }
    o->link = kind;
    o->device = device;
    return true;
}

// Applies option name with its value; false with *error set.
bool apply(const std::string& name, const std::string& value, HostOptions* o, std::string* error)
{
    if (name == "--dev" || name == "--spi")
        return setLink(o, name == "--dev" ? HOST_LINK_SERIAL : HOST_LINK_SPI, value, error);
    if (name == "--sim-args")
        o->simArgs = value;
    else if (name == "--cfg")
        o->cfg = value;
    else if (name == "--log-dir")
        o->logDir = value;
    else if (name == "--duration" && !(number(value, 0, 1e9, &o->duration) && o->duration > 0))
        *error = "--duration '" + value + "' is not a positive number of seconds";
    else if (name == "--site" && !(o->haveSite = site(value, o)))
        *error = "--site '" + value + "' is not LAT,LON in degrees (-90..90, -180..180)";
    else if (name == "--declination" && !(o->haveDeclination = number(value, -180, 180, &o->declination)))
        *error = "--declination '" + value + "' is not a number of degrees (-180..180)";
    return error->empty();
}

bool takesValue(const std::string& name)
{
    static const char* const names[] = {"--dev",  "--spi",      "--sim-args",    "--cfg",
                                        "--duration", "--site", "--declination", "--log-dir"};
    for (const char* n : names)
        if (name == n)
            return true;
    return false;
}

}  // namespace

HostParseResult HostOptions_parse(int argc, const char* const* argv, HostOptions* o, std::string* error)
{
    error->clear();
    for (int i = 1; i < argc; i++)
    {
        std::string name = argv[i], value;
        const size_t eq = name.find('=');
        const bool inlineValue = name.compare(0, 2, "--") == 0 && eq != std::string::npos;
        if (inlineValue)
        {
            value = name.substr(eq + 1);
            name.erase(eq);
        }
        if (name == "--help" || name == "-h")
            return HOST_PARSE_HELP;
        if (name == "--sim" || name == "--quiet")
        {
            if (inlineValue)
                *error = name + " takes no value";
            else if (name == "--quiet")
                o->quiet = true;
            else
                setLink(o, HOST_LINK_SIM, "", error);
        }
        else if (!takesValue(name))
            *error = "unknown option '" + std::string(argv[i]) + "'";
        else if (!inlineValue && i + 1 >= argc)
            *error = "missing value after " + name;
        else
            apply(name, inlineValue ? value : argv[++i], o, error);
        if (!error->empty())
            return HOST_PARSE_ERROR;
    }
    if (o->link == HOST_LINK_NONE)
        *error = "no sensor: give --dev PATH, --spi PATH or --sim";
    else if (!o->simArgs.empty() && o->link != HOST_LINK_SIM)
        *error = "--sim-args needs --sim";
    return error->empty() ? HOST_PARSE_OK : HOST_PARSE_ERROR;
}

const char* HostOptions_usage()
{
    return "Usage: aq9host (--dev PATH | --spi PATH | --sim [--sim-args \"OPTIONS\"]) [OPTIONS]\n"
           "\n"
           "Runs the AQ-9 driver task on this machine: creates the link and the output\n"
           "blocks aq9Output and aq9RawMeasOutput, starts the sensor, polls it and prints\n"
           "a status line a second. Commands: aq9cmd; the blocks: aq9watch.\n"
           "  --dev PATH         sensor on a serial port (e.g. /dev/ttyUSB0)\n"
           "  --spi PATH         sensor on SPI (e.g. /dev/spidev0.0)\n"
           "  --sim              start aq9sim on a pseudo-terminal; the start-up's long\n"
           "                     waits are then shortened (never against a sensor)\n"
           "  --sim-args \"...\"   aq9sim options, e.g. \"--motion tumble --hard-iron 120,-40,30\"\n"
           "  --cfg FILE         mission file (FILE or FILE.cfg; check it with aq9cfg);\n"
           "                     without it the driver's defaults, keeping the sensor's\n"
           "                     stored magnetometer calibration\n"
           "  --duration SECONDS poll this long after start-up, then stop\n"
           "  --site LAT,LON     site for the reference vectors, degrees (AQ9_NAV_LAT/LON)\n"
           "  --declination DEG  magnetic declination, degrees (AQ9_NAV_DECLINATION)\n"
           "  --log-dir DIR      logs, snapshot and reports in DIR/latest (AUV_LOG_DIR)\n"
           "  --quiet            no status lines (the log still goes to standard error)\n"
           "  --help             print this help\n"
           "Start-up against a sensor takes about ten minutes (the mounting rotation is\n"
           "saved to its EEPROM and must settle before the reset); a count-down is shown.\n"
           "SIGINT or SIGTERM stops after the current step; a second one ends at once.\n"
           "Exit status: 0 when the start-up succeeded and both polls published, 1 on a\n"
           "failure (the reason on standard error), 2 for a bad argument.\n"
           "\n"
           "Examples:\n"
           "  aq9host --dev /dev/ttyUSB0 --cfg mission.cfg --site 36.8,-121.9\n"
           "  aq9host --sim --sim-args \"--motion tumble --hard-iron 120,-40,30\" --duration 30\n";
}
