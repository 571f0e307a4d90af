// The libraries behind aq9host, aq9cmd and aq9watch: option parsing, the
// command table and its records, the simulator's state file, the formats.
#include <math.h>
#include <signal.h>
#include <string.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "BlockFormat.h"
#include "CommandNames.h"
#include "HostOptions.h"
#include "HostStatus.h"
#include "SimChild.h"
#include "SimState.h"

// CppUTest last: its allocation macros must not reach the standard headers.
#include "CppUTest/TestHarness.h"

namespace {

HostParseResult parse(std::vector<const char*> args, HostOptions* o, std::string* error)
{
    args.insert(args.begin(), "aq9host");
    return HostOptions_parse(static_cast<int>(args.size()), args.data(), o, error);
}

size_t commas(const std::string& s)
{
    size_t n = 0;
    for (char c : s)
        n += c == ',';
    return n;
}

}  // namespace

TEST_GROUP(HostApps){};

TEST(HostApps, aq9host_options_are_taken_or_refused_by_name)
{
    const struct
    {
        std::vector<const char*> args;
        HostParseResult result;
        const char* error;  // a part of the message
    } rows[] = {
        {{"--sim"}, HOST_PARSE_OK, ""},
        {{"--spi=/dev/spidev0.0", "--quiet"}, HOST_PARSE_OK, ""},
        {{"--help", "--bogus"}, HOST_PARSE_HELP, ""},
        {{}, HOST_PARSE_ERROR, "no sensor"},
        {{"--dev"}, HOST_PARSE_ERROR, "missing value after --dev"},
        {{"--sim", "--spi", "/dev/spidev0.0"}, HOST_PARSE_ERROR, "choose one of"},
        {{"--dev", "/dev/ttyS0", "--sim-args", "--seed 2"}, HOST_PARSE_ERROR, "--sim-args needs --sim"},
        {{"--sim", "--duration", "0"}, HOST_PARSE_ERROR, "--duration '0'"},
        {{"--sim", "--duration", "5s"}, HOST_PARSE_ERROR, "--duration '5s'"},
        {{"--sim", "--site", "36.8"}, HOST_PARSE_ERROR, "--site '36.8'"},
        {{"--sim", "--site", "36.8,181"}, HOST_PARSE_ERROR, "--site '36.8,181'"},
        {{"--sim", "--declination", "nan"}, HOST_PARSE_ERROR, "--declination 'nan'"},
        {{"--sim=yes"}, HOST_PARSE_ERROR, "--sim takes no value"},
        {{"--sim", "-d"}, HOST_PARSE_ERROR, "unknown option '-d'"},
    };
    for (const auto& row : rows)
    {
        HostOptions o;
        std::string error;
        const std::string label = row.args.empty() ? "(none)" : row.args[0];
        LONGS_EQUAL_TEXT(row.result, parse(row.args, &o, &error), label.c_str());
        CHECK_TEXT(error.find(row.error) != std::string::npos, (label + ": " + error).c_str());
    }
    HostOptions o;
    std::string error;
    LONGS_EQUAL(HOST_PARSE_OK, parse({"--dev", "/dev/ttyUSB0", "--cfg", "dive.cfg", "--duration", "2.5", "--site",
                                      "36.8,-121.9", "--declination=13.2", "--log-dir", "/data", "--quiet"},
                                     &o, &error));
    LONGS_EQUAL(HOST_LINK_SERIAL, o.link);
    STRCMP_EQUAL("/dev/ttyUSB0", o.device.c_str());
    STRCMP_EQUAL("dive.cfg", o.cfg.c_str());
    STRCMP_EQUAL("/data", o.logDir.c_str());
    DOUBLES_EQUAL(2.5, o.duration, 0);
    CHECK(o.haveSite && o.lat == 36.8 && o.lon == -121.9 && o.haveDeclination && o.declination == 13.2 && o.quiet);
}

TEST(HostApps, every_driver_command_has_one_name_and_its_arguments_are_checked_numbers)
{
    size_t n = 0;
    const CommandName* table = CommandNames_table(&n);
    LONGS_EQUAL(11, n);
    for (size_t i = 0; i < n; i++)
        LONGS_EQUAL_TEXT(static_cast<int>(i) + 1, table[i].code, table[i].name);
    const struct
    {
        std::vector<const char*> args;
        bool ok;
        const char* error;
    } rows[] = {
        {{"finish-cal"}, true, ""},
        {{"set-position", "-36.5", "174.75"}, true, ""},
        {{"set-year", "2025.5"}, true, ""},
        {{}, false, "missing command"},
        {{"calibrate"}, false, "unknown command 'calibrate'"},
        {{"reset", "now"}, false, "reset takes no arguments, got 1"},
        {{"set-position", "1"}, false, "set-position takes LAT LON, got 1"},
        {{"set-position", "1", "east"}, false, "longitude 'east' is not a number"},
        {{"set-position", "90.5", "0"}, false, "latitude '90.5' is outside -90 to 90"},
        {{"set-year", "2025x"}, false, "year '2025x' is not a number"},
        {{"set-year", "1850"}, false, "year '1850' is outside 1900 to 2100"},
    };
    for (const auto& row : rows)
    {
        AQ9Command::Command cmd;
        std::string error;
        const std::string label = row.args.empty() ? "(none)" : row.args[0];
        CHECK_EQUAL_TEXT(row.ok, CommandNames_record(static_cast<int>(row.args.size()), row.args.data(), &cmd, &error),
                         label.c_str());
        CHECK_TEXT(error.find(row.error) != std::string::npos, (label + ": " + error).c_str());
    }
    AQ9Command::Command cmd;
    std::string error;
    const char* position[] = {"set-position", "-36.5", "174.75"};
    CHECK(CommandNames_record(3, position, &cmd, &error));
    LONGS_EQUAL(AQ9Command::SetRefVecPosition, cmd._cmd);
    DOUBLES_EQUAL(-36.5, cmd._v.c[0], 0);
    DOUBLES_EQUAL(174.75, cmd._v.c[1], 0);
    const char* year[] = {"set-year", "2025.5"};
    CHECK(CommandNames_record(2, year, &cmd, &error));
    LONGS_EQUAL(AQ9Command::SetRefVecYear, cmd._cmd);
    DOUBLES_EQUAL(2025.5, cmd._float, 0);
    DOUBLES_EQUAL(0, cmd._v.c[0], 0);  // a fresh record each time
}

TEST(HostApps, values_are_found_in_the_simulators_state_by_their_key_path)
{
    const std::string json = "{\n  \"wallTime\": 12.5, \"lastPoll\": null,\n"
                             "  \"registers\": {\n    \"MagnetometerCompensation\": {\"number\": 23, "
                             "\"c\": [1, 0, -2.5e-3, 0, 1, 0, 0, 0, 1], \"b\": [0.1, -0.2, 0.3]}},\n"
                             "  \"savedRegisters\": {\n    \"MagnetometerCompensation\": {\"c\": [2]}}\n}\n";
    std::vector<double> v;
    CHECK(SimState_numbers(json, {"registers", "MagnetometerCompensation", "c"}, &v));
    LONGS_EQUAL(9, v.size());
    DOUBLES_EQUAL(-2.5e-3, v[2], 0);
    CHECK(SimState_numbers(json, {"savedRegisters", "MagnetometerCompensation", "c"}, &v));
    LONGS_EQUAL(1, v.size());
    DOUBLES_EQUAL(2, v[0], 0);
    double x = 0;
    CHECK(SimState_number(json, {"wallTime"}, &x));
    DOUBLES_EQUAL(12.5, x, 0);
    CHECK_FALSE(SimState_number(json, {"lastPoll", "fieldG"}, &x));
    CHECK_FALSE(SimState_number(json, {"lastPoll"}, &x));
    CHECK_FALSE(SimState_number(json, {"counts", "BOM"}, &x));
}

TEST(HostApps, records_print_in_degrees_for_people_and_in_full_columns_for_programs)
{
    AQ9Output::Data a;
    memset(&a, 0, sizeof a);
    a.status = DeviceIF::Ok;
    a.yaw_rad = M_PI / 2;
    a.yawRate_rad_s = -M_PI / 180;
    a.magX_G = 0.3;
    a.magZ_G = 0.4;
    a.sampleTime = {86400 + 3600 + 61, 250000000};
    AQ9RawMeasOutput::Data r;
    memset(&r, 0, sizeof r);
    r.status = DeviceIF::FailedRead;
    const std::string columns = BlockFormat_attitudeColumns(a);
    CHECK_TEXT(columns.find("  90.00") != std::string::npos && columns.find("-1.00") != std::string::npos &&
                   columns.find("0.5000") != std::string::npos,
               columns.c_str());
    STRCMP_EQUAL("01:01:01.250", BlockFormat_clock(a.sampleTime).c_str());
    STRCMP_EQUAL("-", BlockFormat_clock(r.sampleTime).c_str());
    STRCMP_EQUAL("FailedRead", BlockFormat_statusName(r.status).c_str());
    STRCMP_EQUAL("status 9", BlockFormat_statusName(9).c_str());
    // Every row has a cell for every column of the one header.
    LONGS_EQUAL(commas(BlockFormat_csvHeader()), commas(BlockFormat_csvAhrs(a)));
    LONGS_EQUAL(commas(BlockFormat_csvHeader()), commas(BlockFormat_csvRaw(r)));
    CHECK(BlockFormat_csvAhrs(a).find("ahrs,90061.250000000,Ok,") == 0);
    HostStatus s = {12, &a, false, 40, 3, false, 0};
    const std::string idle = HostStatus_line(s);
    s.calibrating = true;
    s.haveHeadingError = true;
    s.headingError_deg = -7.25;
    const std::string running = HostStatus_line(s);
    CHECK_TEXT(idle.find(" 40 ") == std::string::npos && idle.find("-") != std::string::npos, idle.c_str());
    CHECK_TEXT(running.find(" 40 ") != std::string::npos && running.find("-7.25") != std::string::npos,
               running.c_str());
}

// A child that something else waited for is gone, not alive, and its end is
// no "exit status 0", whether alive() or stop() meets it first.
TEST(HostApps, a_simulator_child_reaped_elsewhere_is_ended_with_no_status)
{
    for (const bool askAlive : {true, false})
    {
        SimChild child;
        std::string error, how;
        CHECK_TEXT(child.start("sh", {"-c", "echo /dev/pts/none; exec sleep 30"}, &error), error.c_str());
        STRCMP_EQUAL("/dev/pts/none", child.terminal().c_str());
        const pid_t pid = child.pid();
        kill(pid, SIGKILL);
        CHECK(waitpid(pid, nullptr, 0) == pid);
        if (askAlive)
        {
            CHECK(!child.alive(&how));
            CHECK_TEXT(how.find("waitpid") != std::string::npos, how.c_str());
        }
        LONGS_EQUAL(-1, child.stop());
        CHECK(!child.alive(&how));
    }
}
