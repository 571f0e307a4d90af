#include "CommandNames.h"

#include <errno.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "AQ9SettingsRules.h"

namespace {

const CommandName kCommands[] = {
    {"start-cal", AQ9Command::StartBatchIronCalibration, "",
     "start a hard/soft-iron calibration run"},
    {"finish-cal", AQ9Command::FinishBatchIronCalibration, "",
     "solve it, write the report (load the result: WriteHSIToEEPROM)"},
    {"disable-hsi", AQ9Command::DisableHSIEstimator, "", "switch the onboard iron estimator off"},
    {"enable-hsi", AQ9Command::EnableHSIEstimator, "", "switch the onboard iron estimator on"},
    {"reset-hsi", AQ9Command::ResetHSISolution, "", "restart the onboard estimator's solution"},
    {"use-onboard-hsi", AQ9Command::UseAqSensorHSI, "", "apply the onboard estimate to the output"},
    {"ignore-onboard-hsi", AQ9Command::IgnoreAqSensorHSI, "", "output without the onboard estimate"},
    {"reset", AQ9Command::ResetDevice, "", "restart the sensor from its saved settings"},
    {"reinit", AQ9Command::ReInitDevice, "", "the whole start-up again (a sensor: ten minutes)"},
    {"set-position", AQ9Command::SetRefVecPosition, "LAT LON",
     "site of the reference vectors, degrees N and E"},
    {"set-year", AQ9Command::SetRefVecYear, "YEAR", "decimal year of the magnetic model, e.g. 2025.5"},
};

const size_t kCount = sizeof kCommands / sizeof kCommands[0];

struct Range
{
    const char* what;
    double lowest, highest;
};

// The driver's own limits: what it would refuse is not posted.
const Range kLatitude = {"latitude", kAQ9MinLatitude, kAQ9MaxLatitude};
const Range kLongitude = {"longitude", kAQ9MinLongitude, kAQ9MaxLongitude};
const Range kYear = {"year", kAQ9MinDecimalYear, kAQ9MaxDecimalYear};

// The whole text as a finite number within the range.
bool number(const char* text, const Range& r, double* out, std::string* error)
{
    char* end = nullptr;
    errno = 0;
    const double v = strtod(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !isfinite(v))
    {
        *error = std::string(r.what) + " '" + text + "' is not a number";
        return false;
    }
    if (v < r.lowest || v > r.highest)
    {
        char range[64];
        snprintf(range, sizeof range, " is outside %g to %g", r.lowest, r.highest);
        *error = std::string(r.what) + " '" + text + "'" + range;
        return false;
    }
    *out = v;
    return true;
}

int argumentCount(const CommandName& c)
{
    int n = 0;
    for (const char* p = c.arguments; *p != '\0'; p++)
        n += (p == c.arguments || p[-1] == ' ') && *p != ' ';
    return n;
}

}  // namespace

const CommandName* CommandNames_table(size_t* count)
{
    *count = kCount;
    return kCommands;
}

const CommandName* CommandNames_find(const char* name)
{
    for (const CommandName& c : kCommands)
        if (strcmp(c.name, name) == 0)
            return &c;
    return nullptr;
}

bool CommandNames_record(int argc, const char* const* argv, AQ9Command::Command* cmd, std::string* error)
{
    if (argc < 1)
    {
        *error = "missing command";
        return false;
    }
    const CommandName* c = CommandNames_find(argv[0]);
    if (c == nullptr)
    {
        *error = std::string("unknown command '") + argv[0] + "'";
        return false;
    }
    const int wanted = argumentCount(*c);
    if (argc - 1 != wanted)
    {
        *error = std::string(c->name) + " takes " + (wanted == 0 ? "no arguments" : c->arguments) + ", got " +
                 std::to_string(argc - 1);
        return false;
    }
    *cmd = AQ9Command::Command();
    cmd->_cmd = c->code;
    double a = 0, b = 0;
    if (c->code == AQ9Command::SetRefVecPosition)
    {
        if (!number(argv[1], kLatitude, &a, error) || !number(argv[2], kLongitude, &b, error))
            return false;
        cmd->_v.c[0] = static_cast<float>(a);
        cmd->_v.c[1] = static_cast<float>(b);
    }
    else if (c->code == AQ9Command::SetRefVecYear)
    {
        if (!number(argv[1], kYear, &a, error))
            return false;
        cmd->_float = static_cast<float>(a);
    }
    return true;
}

void CommandNames_print(FILE* out)
{
    for (const CommandName& c : kCommands)
        fprintf(out, "  %-18s %-8s %s\n", c.name, c.arguments, c.help);
}
