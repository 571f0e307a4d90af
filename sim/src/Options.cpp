#include "Options.h"

#include <errno.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

namespace aq9sim {

namespace {

bool number(const std::string& s, double* out)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    *out = strtod(s.c_str(), &end);
    return *end == '\0' && errno == 0 && std::isfinite(*out);
}

// Exactly n comma-separated numbers.
bool numberList(const std::string& s, size_t n, double* out)
{
    size_t start = 0;
    for (size_t i = 0; i < n; i++)
    {
        const size_t comma = s.find(',', start);
        const bool last = i + 1 == n;
        if (last != (comma == std::string::npos))
            return false;
        if (!number(s.substr(start, comma - start), &out[i]))
            return false;
        start = comma + 1;
    }
    return true;
}

bool seed(const std::string& s, uint64_t* out)
{
    if (s.empty() || s.find_first_not_of("0123456789") != std::string::npos || s.size() > 19)
        return false;
    *out = strtoull(s.c_str(), nullptr, 10);
    return true;
}

// Applies one option and its value; false when the value is not acceptable.
bool apply(const std::string& name, const std::string& value, Options* o)
{
    double d = 0;
    if (name == "--link")
        o->link = value;
    else if (name == "--state")
        o->statePath = value;
    else if (name == "--duration")
        return number(value, &o->duration) && o->duration > 0;
    else if (name == "--time-scale")
        return number(value, &o->env.timeScale) && o->env.timeScale > 0;
    else if (name == "--motion")
        return motionFromName(value.c_str(), &o->env.motion);
    else if (name == "--soft-iron")
        return numberList(value, 9, o->env.softIron);
    else if (name == "--hard-iron")
        return numberList(value, 3, o->env.hardIron_mG);
    else if (name == "--noise")
    {
        if (!number(value, &d) || d < 0)
            return false;
        o->env.noise_mG = d;
    }
    else if (name == "--seed")
        return seed(value, &o->env.seed);
    else if (name == "--fault")
    {
        FaultWindow f;
        if (!parseFault(value.c_str(), &f))
            return false;
        o->faults.push_back(f);
    }
    return !value.empty();
}

const char* const kWithValue[] = {"--link",     "--state",     "--duration",  "--time-scale", "--motion",
                                  "--soft-iron", "--hard-iron", "--noise",     "--seed",       "--fault"};

bool takesValue(const std::string& name)
{
    for (const char* n : kWithValue)
        if (name == n)
            return true;
    return false;
}

} // namespace

ParseResult parseOptions(int argc, const char* const* argv, Options* options, std::string* error)
{
    for (int i = 1; i < argc; i++)
    {
        std::string arg = argv[i];
        std::string value;
        const size_t eq = arg.find('=');
        const bool inline_ = arg.compare(0, 2, "--") == 0 && eq != std::string::npos;
        if (inline_)
        {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }
        if (arg == "--help" || arg == "-h")
            return PARSE_HELP;
        if (arg == "--verbose" && !inline_)
        {
            options->verbose = true;
            continue;
        }
        if (!takesValue(arg))
        {
            *error = "unknown option '" + std::string(argv[i]) + "'";
            return PARSE_ERROR;
        }
        if (!inline_)
        {
            if (i + 1 >= argc)
            {
                *error = "option " + arg + " needs a value";
                return PARSE_ERROR;
            }
            value = argv[++i];
        }
        if (!apply(arg, value, options))
        {
            *error = "bad value for " + arg + ": '" + value + "'";
            return PARSE_ERROR;
        }
    }
    return PARSE_OK;
}

const char* usageText()
{
    return "Usage: aq9sim [OPTION]...\n"
           "A simulated AQ-9 on a pseudo-terminal: it answers the sensor's ASCII register\n"
           "commands and binary output polls, sends its asynchronous attitude sentences, and\n"
           "measures a scripted motion through a distorted magnetic field. The first line on\n"
           "standard output is the path of the terminal to open.\n"
           "\n"
           "  --link PATH           also make a symbolic link PATH to the terminal\n"
           "  --duration SECONDS    serve this long, then exit 0 (default: until SIGINT/SIGTERM)\n"
           "  --motion KIND         still (level, heading 060; the default), turn (3 deg/s),\n"
           "                        level-turns (full circles at 10 deg/s, alternating),\n"
           "                        tumble (every attitude), seaway (slow turns with trim,\n"
           "                        bank and wave roll and pitch)\n"
           "  --time-scale K        run the motion K times faster than the wall clock (default 1)\n"
           "  --soft-iron a,b,c,d,e,f,g,h,i\n"
           "                        soft-iron matrix, row by row (default identity)\n"
           "  --hard-iron x,y,z     hard-iron offset in milligauss, sensor axes (default 0,0,0)\n"
           "  --noise MG            magnetometer noise in milligauss on each axis (default 0.5)\n"
           "  --seed N              seed of every noise and fault draw (default 1)\n"
           "  --fault KIND@START+DURATION\n"
           "                        from START for DURATION seconds of the run, one of: silent\n"
           "                        (no replies), garbage (random bytes instead), bad-crc\n"
           "                        (wrong check), drop-bytes (bytes left out), slow (replies\n"
           "                        2.5 s late); may be repeated\n"
           "  --state FILE          keep FILE as JSON of the registers and the counts of commands\n"
           "                        served, replaced after each write and once a second\n"
           "  --verbose             log each command and reply on standard error\n"
           "  --help                print this help and exit\n"
           "\n"
           "Example:\n"
           "  aq9sim --link /tmp/aq9 --motion tumble --time-scale 10 \\\n"
           "         --soft-iron 1.05,0.02,0,0.02,0.97,0,0,0,1.01 --hard-iron 120,-40,30 \\\n"
           "         --fault silent@30+5 --state /tmp/aq9.json\n";
}

} // namespace aq9sim
