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

// The words after "to run it again: aq9cal " on aq9host's line about the picture,
// and the picture's path; false when there is no such line.
bool rerunLine(const std::string& err, std::string* picture, std::vector<std::string>* args)
{
    const std::string drawn = "aq9host: calibration run drawn in ", again = "; to run it again: aq9cal ";
    for (const std::string& l : lines(err))
    {
        const size_t at = l.find(again);
        if (l.compare(0, drawn.size(), drawn) != 0 || at == std::string::npos)
            continue;
        *picture = l.substr(drawn.size(), at - drawn.size());
        std::istringstream words(l.substr(at + again.size()));
        for (std::string w; words >> w;)
            args->push_back(w);
        return true;
    }
    return false;
}

}  // namespace

TEST_GROUP(HostCalPicture){};

TEST(HostCalPicture, aq9cal_writes_a_simulator_runs_report_again_and_aq9host_draws_the_run)
{
    HostProcess h;
    h.start({"--sim", "--sim-args", kSimArgs, "--cfg", h.writeFile("m.cfg", kMission), "--quiet"});
    CHECK_TEXT(h.waitUntilPublishing(20), h.err().c_str());
    LONGS_EQUAL(0, h.run(AQ9CMD_PATH, {"start-cal"}).status);
    sleepSeconds(10);
    LONGS_EQUAL(0, h.run(AQ9CMD_PATH, {"finish-cal"}).status);
    std::string picture;
    std::vector<std::string> args;
    const double end = monotonicSeconds() + 10;
    while (!rerunLine(h.err(), &picture, &args) && monotonicSeconds() < end)
        sleepSeconds(0.2);
    h.signal(SIGINT);
    LONGS_EQUAL_TEXT(0, h.wait(10), h.err().c_str());
    CHECK_TEXT(!args.empty(), h.err().c_str());

    args.push_back("--out");
    args.push_back(h.dir() + "/again");
    const ProgramResult again = h.run(AQ9CAL_PATH, args);
    LONGS_EQUAL_TEXT(0, again.status, (again.out + again.err).c_str());
    const std::vector<std::string> driver = lines(fileText(h.latest() + "/aq9_Hard-Soft-Iron-Calibration.dat"));
    const std::vector<std::string> replay = lines(fileText(h.dir() + "/again/aq9cal_Hard-Soft-Iron-Calibration.dat"));
    CHECK_TEXT(driver.size() > 20, "the driver's report");
    LONGS_EQUAL(driver.size(), replay.size());
    // The first line is each file's own time stamp.
    for (size_t i = 1; i < driver.size() && i < replay.size(); i++)
        STRCMP_EQUAL_TEXT(driver[i].c_str(), replay[i].c_str(), ("line " + std::to_string(i + 1)).c_str());

    const std::string key = "Number of measurements used in calibration: ";
    const size_t at = fileText(h.latest() + "/aq9_Hard-Soft-Iron-Calibration.dat").find(key);
    CHECK(at != std::string::npos);
    const int kept = atoi(fileText(h.latest() + "/aq9_Hard-Soft-Iron-Calibration.dat").c_str() + at + key.size());
    STRCMP_EQUAL((h.latest() + "/aq9_Hard-Soft-Iron-Calibration.svg").c_str(), picture.c_str());
    const ProgramResult checked =
        h.run("/usr/bin/env", {"python3", AQ9_CHECK_PICTURE, picture, std::to_string(kept), AQ9_HOST_PICTURE_ARTEFACTS},
              300);
    LONGS_EQUAL_TEXT(0, checked.status, (checked.out + checked.err).c_str());
}
