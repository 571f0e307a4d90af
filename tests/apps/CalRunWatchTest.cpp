// Following a driver's calibration runs through its log lines: the window and
// what the driver gave the engine, or no run when its start failed.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "CalRunWatch.h"

// CppUTest last: its allocation macros must not reach the standard headers.
#include "CppUTest/TestHarness.h"

namespace {

struct Line
{
    int t;  // seconds
    const char* text;
    double rot0;  // the link's Rot[0] when the line is written (0: unchanged)
};

const char kBegin[] = "AQ9 - Beginning HSI Calibration.";
const char kRot[] = "AQ9 - Got current instrument rotation for HSI Cal.";
const char kComp[] = "AQ9 - Got current User HSI Cal.";
const char kOff[] = "AQ9 - Disabled onboard HSI estimator.";
const char kTook[] = "AQ9 - Took 0 s and   1.000000 msec to solve the HSI sol. ";

struct Row
{
    const char* label;
    std::vector<Line> lines;
    bool finished;
    int start, finish;
    double rot0;  // Rot[0] the run took
};

const Row kRows[] = {
    {"a run", {{1, "DataLogWriter - aqAhrs: logging to /l/latest/aqAhrs.2.csv", 0},
               {2, "AQ9 - OneShot data written to /l/latest/aq9.dat.1", 0}, {10, kBegin, 0}, {10, kRot, -0.5},
               {10, kComp, 0}, {10, kOff, 0.25}, {20, kTook, 0}},
     true, 10, 20, -0.5},
    {"a failed start, then a finish while idle",
     {{10, kBegin, 0}, {10, "AQ9::initializeHsiRoutine - failed to get Rotation", 0}, {20, kTook, 0}}, false, 0, 0, 0},
    {"a start while running begins a new run",
     {{10, kBegin, 0}, {10, kRot, 1}, {10, kComp, 0}, {10, kOff, 0}, {15, kBegin, 0}, {15, kRot, 2}, {15, kComp, 0},
      {15, kOff, 0}, {20, kTook, 0}},
     true, 15, 20, 2},
};

}  // namespace

TEST_GROUP(CalRunWatch){};

TEST(CalRunWatch, takes_the_window_and_settings_from_the_drivers_lines)
{
    for (const Row& row : kRows)
    {
        // A re-initialisation set ahrsRate to 20; the polls stay at the first start-up's 10 Hz.
        aq9Settings settings = {};
        settings.ahrsRate = 20;
        settings.HSICalibrationMode3D = 1;
        vec3f grav = {{0, 0, -9.8f}};
        CalRunWatch watch(
            settings, grav,
            [](float* lat, float* lon) {
                *lat = 47.5f;
                *lon = 8.5f;
            },
            [] { return 10u; });
        for (const Line& l : row.lines)
        {
            if (l.rot0 != 0)
                settings.Rot.c[0] = l.rot0;
            const timespec when = {l.t, 0};
            watch.line(when, l.text);
        }
        CalRunSeen run;
        CHECK_EQUAL_TEXT(row.finished, watch.takeFinished(run), row.label);
        CHECK_TEXT(!watch.takeFinished(run), row.label);
        if (!row.finished)
            continue;
        CHECK_EQUAL_TEXT(row.start * 1000000000LL, run.start_ns, row.label);
        CHECK_EQUAL_TEXT(row.finish * 1000000000LL, run.finish_ns, row.label);
        DOUBLES_EQUAL(row.rot0, run.setup.rot.c[0], 0);
        CHECK(run.setup.mode3D);
        LONGS_EQUAL(10, run.setup.dataRate);
        LONGS_EQUAL(20, run.settingsRate);
        DOUBLES_EQUAL(47.5, run.setup.siteLat, 0);
        DOUBLES_EQUAL(9.8, run.setup.gravity, 1e-6);
        // The files as their writers announced them, for running it again.
        STRCMP_EQUAL_TEXT(row.lines[0].t == 1 ? "aq9cal --log /l/latest/aqAhrs.2.csv --snapshot /l/latest/aq9.dat.1 "
                                                "--mode 3d --from 10.000000000 --to 20.000000000"
                                              : "aq9cal --log  --snapshot  --mode 3d --from 15.000000000 --to "
                                                "20.000000000",
                          CalRunWatch_rerunCommand(run).c_str(), row.label);
    }
}

// The picture goes only beside a report written since the run began: one
// older is an earlier run's, left newest when the driver could write none.
TEST(CalRunWatch, draws_only_beside_a_report_written_since_the_run_began)
{
    const int64_t start_s = 1700000000;
    const struct
    {
        const char* label;
        int reportAge_s;  // its time less the run's start; 0: no report
        const char* error;  // "" when drawn
    } rows[] = {
        {"this run's report", 30, ""},
        {"an earlier run's report", -30, "is older than this run: the driver wrote none for it"},
        {"no report", 0, "no calibration report in"},
    };
    CalRunSeen run = CalRunSeen();
    run.start_ns = start_s * 1000000000;
    run.finish_ns = run.start_ns + 20 * 1000000000LL;
    run.replayed = true;
    for (const auto& row : rows)
    {
        char tmpl[] = "/tmp/aq9drawXXXXXX";
        const std::string dir = mkdtemp(tmpl);
        const std::string report = dir + "/aq9_Hard-Soft-Iron-Calibration.dat";
        if (row.reportAge_s != 0)
        {
            close(open(report.c_str(), O_WRONLY | O_CREAT, 0644));
            const timespec t[2] = {{start_s + row.reportAge_s, 0}, {start_s + row.reportAge_s, 0}};
            CHECK(utimensat(AT_FDCWD, report.c_str(), t, 0) == 0);
        }
        std::string picture, error;
        const bool drawn = CalRunWatch_draw(run, dir, &picture, error);
        CHECK_EQUAL_TEXT(row.error[0] == '\0', drawn, (std::string(row.label) + ": " + error).c_str());
        CHECK_TEXT(error.find(row.error) != std::string::npos, (std::string(row.label) + ": " + error).c_str());
        if (drawn)
            STRCMP_EQUAL_TEXT((dir + "/aq9_Hard-Soft-Iron-Calibration.svg").c_str(), picture.c_str(), row.label);
        CHECK(system(("rm -rf '" + dir + "'").c_str()) == 0);
    }
}
