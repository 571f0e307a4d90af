// aq9host against aq9sim as a user runs it, with aq9watch and aq9cmd in other
// processes: the whole start-up with a mission file, both logs at their
// rates, both blocks seen from outside, every command reaching the sensor, a
// clean end on SIGINT; and the command line and signals of each program.
#include <math.h>
#include <pty.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "HostProcess.h"

// CppUTest last: its allocation macros must not reach the standard headers.
#include "CppUTest/TestHarness.h"

namespace {

double realtimeSeconds()
{
    timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

// Rows per second from the time stamps of the rows written between from and
// to (a span with nothing but polls).
double rowsPerSecond(const CsvLog& log, double from, double to)
{
    const int t = log.column("time");
    std::vector<double> times;
    for (const std::vector<double>& r : log.rows)
        if (t >= 0 && r[t] >= from && r[t] <= to)
            times.push_back(r[t]);
    return times.size() < 2 ? 0 : (times.size() - 1) / (times.back() - times.front());
}

// Waits up to 20 s for the simulator's state to satisfy ok. The wait is long
// because a command queued behind a poll of a silent sensor (after "reset")
// waits out its read, and sanitizer builds on a busy machine run the start-up
// several times slower; it ends as soon as ok holds.
bool stateBecomes(const HostProcess& h, const std::function<bool(const std::string&)>& ok)
{
    const double end = monotonicSeconds() + 20;
    while (monotonicSeconds() < end)
    {
        if (ok(fileText(h.simState())))
            return true;
        sleepSeconds(0.05);
    }
    return false;
}

std::vector<std::string> csvCells(const std::string& line)
{
    std::vector<std::string> cells;
    std::stringstream ss(line);
    std::string c;
    while (std::getline(ss, c, ','))
        cells.push_back(c);
    return cells;
}

// The data rows of aq9watch --once --csv: block name -> cells.
std::vector<std::vector<std::string>> watchRows(const std::string& out)
{
    std::vector<std::vector<std::string>> rows;
    std::stringstream ss(out);
    std::string line;
    std::getline(ss, line);  // header
    while (std::getline(ss, line))
        rows.push_back(csvCells(line));
    return rows;
}

// Whether an attitude record stamped after t appears within 10 s.
bool publishesAfter(const HostProcess& h, double t)
{
    const double end = monotonicSeconds() + 10;
    while (monotonicSeconds() < end)
    {
        const std::vector<std::vector<std::string>> rows = watchRows(h.run(AQ9WATCH_PATH, {"--once", "--csv"}).out);
        if (!rows.empty() && rows[0].size() > 1 && strtod(rows[0][1].c_str(), nullptr) > t)
            return true;
        sleepSeconds(0.2);
    }
    return false;
}

const char kMission[] =
    "ahrsRate = 20;\n"
    "rawMeasRate = 5;\n"
    "HSIMode = 1;\n"
    "HSIOutput = 3;\n"
    "HSIConvergeRate = 3;\n"
    "AFEMag_BaseTuningX = 3.5;\n"
    "LoadNewHSICalibration = false;\n";

const char kHsi[] = "MagnetometerCalibrationControl";

double reg(const std::string& json, const char* name, const char* field)
{
    return stateNumber(json, {"registers", name, field});
}

double count(const std::string& json, const char* code)
{
    const double n = stateNumber(json, {"counts", code});
    return isnan(n) ? 0 : n;
}

}  // namespace

TEST_GROUP(HostRun){};

TEST(HostRun, starts_with_a_mission_publishes_logs_takes_every_command_and_ends_cleanly_on_SIGINT)
{
    HostProcess h;
    ProgramResult r = h.run(AQ9CMD_PATH, {"start-cal"});
    LONGS_EQUAL_TEXT(1, r.status, "aq9cmd without a driver");
    CHECK_TEXT(contains(r.err, "no driver is running"), r.err.c_str());
    r = h.run(AQ9WATCH_PATH, {"--once"});
    LONGS_EQUAL_TEXT(1, r.status, "aq9watch without a driver");
    CHECK_TEXT(contains(r.err, "no driver publishes"), r.err.c_str());

    h.start({"--sim", "--sim-args", "--motion turn --time-scale 5", "--cfg", h.writeFile("m.cfg", kMission),
             "--site", "12.5,45.25"});
    CHECK_TEXT(h.waitUntilPublishing(20), h.err().c_str());

    // A second aq9host under the same prefix refuses to start; the first publishes on.
    const double secondAt = realtimeSeconds();
    r = h.run(AQ9HOST_PATH, {"--sim", "--duration", "1"});
    LONGS_EQUAL_TEXT(1, r.status, r.err.c_str());
    CHECK_TEXT(contains(r.err, "another aq9host runs") && contains(r.err, "AQ9_IPC_PREFIX"), r.err.c_str());
    CHECK_TEXT(publishesAfter(h, secondAt + 0.5), "the first after the second's refusal");

    // Both blocks from another process: status Ok, values that move.
    const double quietFrom = realtimeSeconds();
    std::vector<std::vector<std::string>> first = watchRows(h.run(AQ9WATCH_PATH, {"--once", "--csv"}).out);
    sleepSeconds(0.5);
    std::vector<std::vector<std::string>> second = watchRows(h.run(AQ9WATCH_PATH, {"--once", "--csv"}).out);
    LONGS_EQUAL(2, first.size());
    LONGS_EQUAL(2, second.size());
    const size_t moving[2] = {5, 21};  // yaw_rad of the attitude block, uMagX_G of the raw block
    for (size_t b = 0; b < 2; b++)
    {
        STRCMP_EQUAL(b == 0 ? "ahrs" : "raw", first[b][0].c_str());
        STRCMP_EQUAL("Ok", first[b][2].c_str());
        STRCMP_EQUAL("Ok", second[b][2].c_str());
        CHECK(first[b][1] != second[b][1]);  // sample time
        CHECK(first[b][moving[b]] != second[b][moving[b]]);
    }
    sleepSeconds(quietFrom + 3 - realtimeSeconds());
    const double quietTo = realtimeSeconds();

    // The snapshot holds the simulator's identity and the mission's settings.
    const std::string snapshot = fileText(h.latest() + "/aq9.dat");
    for (const char* s : {"modelNumber='AQ-9T';", "hardwareRevision=4;", "serialNumber=100442;",
                          "firmwareVersion='2.1.0.4';", "ahrsRateHz=20;", "rawMeasRateHz=5;", "HSIMode=1;",
                          "HSIOutput=3;", "HSIConvergeRate=3;", "AFEMagTuning=[3.5000000,4.0000000",
                          "SiteLatitude=12.500000;", "SiteLongitude=45.250000;"})
        CHECK_TEXT(contains(snapshot, s), s);

    // Each command as the simulator sees it.
    const struct
    {
        std::vector<std::string> args;
        std::function<bool(const std::string&)> effect;
    } commands[] = {
        {{"disable-hsi"}, [](const std::string& j) { return reg(j, kHsi, "hsiMode") == 0; }},
        {{"enable-hsi"}, [](const std::string& j) { return reg(j, kHsi, "hsiMode") == 1; }},
        {{"ignore-onboard-hsi"}, [](const std::string& j) { return reg(j, kHsi, "hsiOutput") == 1; }},
        {{"use-onboard-hsi"}, [](const std::string& j) { return reg(j, kHsi, "hsiOutput") == 3; }},
        {{"set-position", "-33.75", "151.25"},
         [](const std::string& j) {
             std::vector<double> p;
             return stateNumbers(j, {"registers", "ReferenceVectorConfiguration", "position"}, &p) && p.size() == 3 &&
                    fabs(p[0] + 33.75) < 1e-4 && fabs(p[1] - 151.25) < 1e-4;
         }},
        {{"set-year", "2030.5"},
         [](const std::string& j) { return fabs(reg(j, "ReferenceVectorConfiguration", "year") - 2030.5) < 1e-3; }},
    };
    for (const auto& c : commands)
    {
        r = h.run(AQ9CMD_PATH, c.args);
        LONGS_EQUAL_TEXT(0, r.status, (c.args[0] + ": " + r.err).c_str());
        CHECK_TEXT(stateBecomes(h, c.effect), c.args[0].c_str());
    }
    // Commands seen by what they make the sensor do. A reset restarts the
    // sensor from its saved settings, which do not hold the polling set-up:
    // the polls fail until the re-initialisation that follows.
    const struct
    {
        const char* name;
        std::vector<const char*> counted;  // counts that each go up
    } counted[] = {
        {"reset-hsi", {"WRG"}},
        {"reset", {"RST"}},
        {"reinit", {"WNV", "RST", "RRG"}},
    };
    const double beforeReinit = realtimeSeconds();
    for (const auto& c : counted)
    {
        const std::string before = fileText(h.simState());
        r = h.run(AQ9CMD_PATH, {c.name});
        LONGS_EQUAL_TEXT(0, r.status, c.name);
        CHECK_TEXT(stateBecomes(h,
                                [&](const std::string& j) {
                                    for (const char* code : c.counted)
                                        if (count(j, code) <= count(before, code))
                                            return false;
                                    return true;
                                }),
                   c.name);
    }
    CHECK_TEXT(publishesAfter(h, beforeReinit), "polls again after reinit");

    h.signal(SIGINT);
    LONGS_EQUAL_TEXT(0, h.wait(10), h.err().c_str());

    // Both logs at their rates, from their own time stamps, with their sidecars.
    const struct
    {
        const char* log;
        double rate;
        size_t columns;
    } logs[] = {{"aqAhrs", 20, 19}, {"aqMeas", 5, 12}};
    for (const auto& l : logs)
    {
        const CsvLog data = readCsv(h.latest() + "/" + l.log + ".csv");
        LONGS_EQUAL_TEXT(l.columns, data.columns.size(), l.log);
        DOUBLES_EQUAL_TEXT(l.rate, rowsPerSecond(data, quietFrom, quietTo), 0.1 * l.rate, l.log);
        const CsvLog sidecar = readCsv(h.latest() + "/" + l.log + ".columns.csv");
        LONGS_EQUAL_TEXT(4, sidecar.columns.size(), l.log);
        LONGS_EQUAL_TEXT(l.columns, sidecar.rows.size(), l.log);
    }
}

TEST(HostRun, each_program_refuses_a_bad_argument_with_status_2_and_helps_with_status_0)
{
    HostProcess h;
    const struct
    {
        const char* program;
        std::vector<std::string> args;
        int status;
        const char* says;
    } rows[] = {
        {AQ9HOST_PATH, {"--help"}, 0, "--sim-args"},
        {AQ9HOST_PATH, {}, 2, "no sensor"},
        {AQ9HOST_PATH, {"--sim", "--dev", "/dev/null"}, 2, "choose one of"},
        {AQ9HOST_PATH, {"--sim", "--duration", "0"}, 2, "--duration '0'"},
        {AQ9HOST_PATH, {"--sim", "--site", "95,10"}, 2, "--site '95,10'"},
        {AQ9HOST_PATH, {"--dev", h.dir() + "/no-such-port"}, 1, "cannot open"},
        {AQ9HOST_PATH, {"--sim", "--sim-args", "--no-such-option"}, 1, "the simulator did not start"},
        {AQ9CMD_PATH, {"--help"}, 0, "set-position"},
        {AQ9CMD_PATH, {"set-year", "soon"}, 2, "year 'soon' is not a number"},
        {AQ9CMD_PATH, {"set-position", "10"}, 2, "set-position takes LAT LON, got 1"},
        {AQ9CMD_PATH, {"calibrate"}, 2, "unknown command 'calibrate'"},
        {AQ9WATCH_PATH, {"--help"}, 0, "--once"},
        {AQ9WATCH_PATH, {"--follow"}, 2, "unknown argument '--follow'"},
    };
    for (const auto& row : rows)
    {
        const ProgramResult r = h.run(row.program, row.args);
        const std::string label = std::string(row.program) + " " + (row.args.empty() ? "" : row.args[0]);
        LONGS_EQUAL_TEXT(row.status, r.status, label.c_str());
        CHECK_TEXT(contains(r.status == 0 ? r.out : r.err, row.says), (label + ": " + r.out + r.err).c_str());
    }
}

namespace {

// A terminal nobody answers on: the driver's start-up waits on it.
struct SilentPort
{
    int master = -1, slave = -1;
    char name[256] = "";
    SilentPort() { CHECK(openpty(&master, &slave, name, nullptr, nullptr) == 0); }
    ~SilentPort()
    {
        close(master);
        close(slave);
    }
};

}  // namespace

// A port where nobody answers keeps the start-up busy: the first SIGINT lets
// the step in progress end, the second ends the program at once and leaves no
// queue behind, nor anything that keeps the next aq9host out.
TEST(HostRun, a_second_signal_ends_a_start_up_at_once)
{
    SilentPort port;
    HostProcess h;
    h.start({"--dev", port.name});
    sleepSeconds(1.0);
    h.signal(SIGINT);
    sleepSeconds(0.3);
    CHECK(h.running());
    const double t0 = monotonicSeconds();
    h.signal(SIGINT);
    LONGS_EQUAL(1, h.wait(5));
    CHECK(monotonicSeconds() - t0 < 2.0);
    CHECK_TEXT(contains(h.err(), "signal again to end at once"), h.err().c_str());
    CHECK_TEXT(contains(h.err(), "second signal: ending at once"), h.err().c_str());
    ProgramResult r = h.run(AQ9CMD_PATH, {"reset"});
    LONGS_EQUAL(1, r.status);
    // What an end at once leaves keeps no later run out.
    r = h.run(AQ9HOST_PATH, {"--sim", "--duration", "1", "--quiet"});
    LONGS_EQUAL_TEXT(0, r.status, r.err.c_str());
}

// A driver killed outright closes nothing: aq9cmd and aq9watch must still see
// it gone, and the next aq9host must not inherit the commands it never read.
TEST(HostRun, a_killed_driver_is_seen_gone_and_the_next_one_drops_what_it_left)
{
    SilentPort port;
    HostProcess h;
    h.start({"--dev", port.name});
    sleepSeconds(1.0);
    ProgramResult r = h.run(AQ9CMD_PATH, {"reset"});
    LONGS_EQUAL_TEXT(0, r.status, ("a driver starting up takes commands: " + r.err).c_str());
    h.signal(SIGKILL);
    h.wait(5);
    r = h.run(AQ9CMD_PATH, {"start-cal"});
    LONGS_EQUAL_TEXT(1, r.status, r.out.c_str());
    CHECK_TEXT(contains(r.err, "no driver is running"), r.err.c_str());
    r = h.run(AQ9WATCH_PATH, {"--once"});
    LONGS_EQUAL_TEXT(1, r.status, r.out.c_str());
    CHECK_TEXT(contains(r.err, "no driver publishes"), r.err.c_str());

    // The next run drops the unread reset, publishes (aq9watch --once) and takes commands.
    h.start({"--sim", "--quiet"});
    CHECK_TEXT(h.waitUntilPublishing(20), h.err().c_str());
    CHECK_TEXT(contains(h.err(), "removed its queue") && contains(h.err(), "(1 command(s) in it were never read)"),
               h.err().c_str());
    r = h.run(AQ9CMD_PATH, {"disable-hsi"});
    LONGS_EQUAL_TEXT(0, r.status, r.err.c_str());
    h.signal(SIGINT);
    LONGS_EQUAL_TEXT(0, h.wait(10), h.err().c_str());
}
