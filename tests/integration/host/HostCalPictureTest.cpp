// A calibration run through aq9host and aq9cmd against aq9sim, then again from
// its files: aq9cal, given the window and files aq9host names, must write the
// driver's report line for line; aq9host's own picture of the run must parse
// and hold every kept sample in each view.
#include <signal.h>
#include <stdlib.h>

#include <sstream>
#include <string>
#include <vector>

#include "HostProcess.h"

// CppUTest last: its allocation macros must not reach the standard headers.
#include "CppUTest/TestHarness.h"

namespace {

// A mounting turned 60 degrees in yaw, with the seven decimals of a mission file.
const char kMission[] = "Use_HSI_MODE_3D = true;\nLoadNewHSICalibration = false;\n"
                        "Rot00 = 0.5;\nRot01 = -0.8660254;\nRot02 = 0;\n"
                        "Rot10 = 0.8660254;\nRot11 = 0.5;\nRot12 = 0;\n"
                        "Rot20 = 0;\nRot21 = 0;\nRot22 = 1;\n";
const char kSimArgs[] = "--motion tumble --time-scale 5 --seed 3 "
                        "--soft-iron 1.12,0.06,-0.04,0.06,0.90,0.05,-0.04,0.05,1.04 --hard-iron 85,-52,121";

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

// aq9host's lines about the pictures: each picture's path and the words after
// "to run it again: aq9cal ".
struct Drawn
{
    std::string picture;
    std::vector<std::string> args;
};

std::vector<Drawn> drawnRuns(const std::string& err)
{
    const std::string drawn = "aq9host: calibration run drawn in ", again = "; to run it again: aq9cal ";
    std::vector<Drawn> runs;
    for (const std::string& l : lines(err))
    {
        const size_t at = l.find(again);
        if (l.compare(0, drawn.size(), drawn) != 0 || at == std::string::npos)
            continue;
        Drawn d;
        d.picture = l.substr(drawn.size(), at - drawn.size());
        std::istringstream words(l.substr(at + again.size()));
        for (std::string w; words >> w;)
            d.args.push_back(w);
        runs.push_back(d);
    }
    return runs;
}

}  // namespace

TEST_GROUP(HostCalPicture){};

// Two runs back to back, the second started straight after the first ends:
// drawing the first (which runs the process's one engine again) must not
// disturb the second.
TEST(HostCalPicture, aq9cal_writes_each_simulator_runs_report_again_and_aq9host_draws_each_run)
{
    HostProcess h;
    h.start({"--sim", "--sim-args", kSimArgs, "--cfg", h.writeFile("m.cfg", kMission), "--quiet"});
    CHECK_TEXT(h.waitUntilPublishing(20), h.err().c_str());
    LONGS_EQUAL(0, h.run(AQ9CMD_PATH, {"start-cal"}).status);
    sleepSeconds(7);
    LONGS_EQUAL(0, h.run(AQ9CMD_PATH, {"finish-cal"}).status);
    LONGS_EQUAL(0, h.run(AQ9CMD_PATH, {"start-cal"}).status);
    sleepSeconds(7);
    LONGS_EQUAL(0, h.run(AQ9CMD_PATH, {"finish-cal"}).status);
    const double end = monotonicSeconds() + 10;
    while (drawnRuns(h.err()).size() < 2 && monotonicSeconds() < end)
        sleepSeconds(0.2);
    h.signal(SIGINT);
    LONGS_EQUAL_TEXT(0, h.wait(10), h.err().c_str());
    const std::vector<Drawn> runs = drawnRuns(h.err());
    LONGS_EQUAL_TEXT(2, runs.size(), h.err().c_str());

    const char* const suffixes[] = {"", ".1"};
    for (size_t r = 0; r < runs.size(); r++)
    {
        const std::string label = "run " + std::to_string(r + 1);
        std::vector<std::string> args = runs[r].args;
        args.push_back("--out");
        args.push_back(h.dir() + "/again" + std::to_string(r));
        const ProgramResult again = h.run(AQ9CAL_PATH, args);
        LONGS_EQUAL_TEXT(0, again.status, (label + ": " + again.out + again.err).c_str());
        const std::string reportText = fileText(h.latest() + "/aq9_Hard-Soft-Iron-Calibration.dat" + suffixes[r]);
        const std::vector<std::string> driver = lines(reportText);
        const std::vector<std::string> replay =
            lines(fileText(h.dir() + "/again" + std::to_string(r) + "/aq9cal_Hard-Soft-Iron-Calibration.dat"));
        CHECK_TEXT(driver.size() > 20, label.c_str());
        LONGS_EQUAL_TEXT(driver.size(), replay.size(), label.c_str());
        // The first line is each file's own time stamp.
        for (size_t i = 1; i < driver.size() && i < replay.size(); i++)
            STRCMP_EQUAL_TEXT(driver[i].c_str(), replay[i].c_str(), (label + ", line " + std::to_string(i + 1)).c_str());

        STRCMP_EQUAL_TEXT((h.latest() + "/aq9_Hard-Soft-Iron-Calibration" + suffixes[r] + ".svg").c_str(),
                          runs[r].picture.c_str(), label.c_str());
        const std::string key = "Number of measurements used in calibration: ";
        const size_t at = reportText.find(key);
        CHECK_TEXT(at != std::string::npos, label.c_str());
        const int kept = atoi(reportText.c_str() + at + key.size());
        const ProgramResult checked = h.run(
            "/usr/bin/env", {"python3", AQ9_CHECK_PICTURE, runs[r].picture, std::to_string(kept), AQ9_HOST_PICTURE_ARTEFACTS},
            300);
        LONGS_EQUAL_TEXT(0, checked.status, (label + ": " + checked.out + checked.err).c_str());
    }
}
