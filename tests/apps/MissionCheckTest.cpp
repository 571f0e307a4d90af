// Checking mission files: what is an error, what a warning, on which line.
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "MissionCheck.h"

// CppUTest last: its allocation macros must not reach the standard headers.
#include "CppUTest/TestHarness.h"

namespace {

struct Expect
{
    int line;  // 0: the file as a whole
    MissionSeverity severity;
    const char* fragment;
};

const MissionSeverity E = MISSION_ERROR;
const MissionSeverity W = MISSION_WARNING;

// Every row's file ends with a line keeping the stored magnetometer
// calibration, so that only the rows about that case see its warning.
const char kKeep[] = "LoadNewHSICalibration = false;\n";

struct Row
{
    const char* label;
    const char* text;
    bool keepStored;
    int status;
    Expect expect[3];
};

const Row kRows[] = {
    {"defaults only", "", true, 0, {}},
    {"no calibration key: stored calibration overwritten", "ahrsRate = 20;\n", false, 1,
     {{0, W, "replaces the sensor's stored magnetometer calibration"}}},
    {"one calibration key names the calibration", "Mag_B0 = 0.01;\n", false, 0, {}},
    {"rates at both ends of the range", "ahrsRate = 1000;\nrawMeasRate = 1;\n", true, 0, {}},
    {"rate above the range", "ahrsRate = 1001;\n", true, 2, {{1, E, "ahrsRate = 1001 Hz"}}},
    {"negative rate", "# x\nrawMeasRate = -5;\n", true, 2, {{2, E, "rawMeasRate = -5 Hz"}}},
    {"a later good rate wins over a bad one", "ahrsRate = 0;\nahrsRate = 10;\n", true, 1,
     {{2, W, "ahrsRate repeats line 1"}}},
    {"byte fields at their ends", "HSIConvergeRate = 255;\nAFEBasic_Enable = 0;\n", true, 0, {}},
    {"byte fields wrap", "HSIConvergeRate = 256;\nAFEBasic_Enable = -1;\n", true, 1,
     {{1, W, "HSIConvergeRate = 256 is outside 0-255: only its low byte is kept, 0"},
      {2, W, "AFEBasic_Enable = -1 is outside 0-255: only its low byte is kept, 255"}}},
    {"a wrapped mode that lands on a named one", "HSIMode = 257;\n", true, 1, {{1, W, "kept, 1"}}},
    {"named estimator values", "HSIMode = 2;\nHSIOutput = 3;\n", true, 0, {}},
    {"unnamed estimator values", "HSIOutput = 0;\nHSIMode = 3;\n", true, 1,
     {{1, W, "HSIOutput 0 is not an output"}, {2, W, "HSIMode 3 is not a mode"}}},
    {"quarter turn about Z", "Rot00 = 0;\nRot01 = -1;\nRot10 = 1;\nRot11 = 0;\n", true, 0, {}},
    {"30 degrees about X to four decimals",
     "Rot00 = 1;\nRot11 = 0.8660;\nRot12 = -0.5000;\nRot21 = 0.5;\nRot22 = 0.8660;\n", true, 0, {}},
    {"scaled axis, reported at the first Rot line", "# x\nRot22 = 1;\nRot11 = -1.01;\n", true, 1,
     {{2, W, "departs from the identity by 0.0201"}}},
    {"a mirrored axis", "Rot00 = 1;\n", true, 1, {{1, W, "determinant is -1"}}},
    {"lines that are no entry, and unknown keys", "ahrsRate 20;\nhsimode = 1;\nFoo = 1;\n", true, 2,
     {{1, E, "not an entry"},
      {2, E, "unknown key \"hsimode\"; did you mean \"HSIMode\"?"},
      {3, E, "unknown key \"Foo\""}}},
    {"conversion errors", "# x\n\nHSIMode = two;\nUse_HSI_MODE_3D = yes;\nGyro_B0 = 1e999;\n", true, 2,
     {{3, E, "HSIMode = two refused: not an integer"}, {4, E, "refused: not true or false"},
      {5, E, "Gyro_B0 = 1e999 refused: number not finite"}}},
};

int expectedCount(const Row& row)
{
    int n = 0;
    while (n < 3 && row.expect[n].fragment != nullptr)
        n++;
    return n;
}

}  // namespace

TEST_GROUP(MissionCheck)
{
    std::string dir;
    void setup()
    {
        char tmpl[] = "/tmp/aq9missionXXXXXX";
        dir = mkdtemp(tmpl);
    }
    void teardown()
    {
        unlink((dir + "/m.cfg").c_str());
        rmdir(dir.c_str());
    }
    std::string write(const std::string& text)
    {
        std::string path = dir + "/m.cfg";
        FILE* f = fopen(path.c_str(), "w");
        fputs(text.c_str(), f);
        fclose(f);
        return path;
    }
};

TEST(MissionCheck, each_file_gives_exactly_its_errors_and_warnings_on_their_lines)
{
    for (const Row& row : kRows)
    {
        std::string path = write(std::string(row.text) + (row.keepStored ? kKeep : ""));
        MissionCheck c = MissionCheck_file(path.c_str());
        std::string all;
        for (const MissionFinding& f : c.findings)
            all += std::to_string(f.line) + ": " + f.text + "\n";
        std::string label = std::string(row.label) + "\n" + all;
        LONGS_EQUAL_TEXT(expectedCount(row), c.findings.size(), label.c_str());
        for (int i = 0; i < expectedCount(row); i++)
        {
            const MissionFinding& f = c.findings[static_cast<size_t>(i)];
            LONGS_EQUAL_TEXT(row.expect[i].line, f.line, label.c_str());
            LONGS_EQUAL_TEXT(row.expect[i].severity, f.severity, label.c_str());
            CHECK_TEXT(f.text.find(row.expect[i].fragment) != std::string::npos, label.c_str());
        }
        LONGS_EQUAL_TEXT(row.status, MissionCheck_exitStatus(c), label.c_str());
    }
}

TEST(MissionCheck, a_missing_file_is_an_error_and_the_cfg_name_is_tried_as_the_driver_does)
{
    MissionCheck missing = MissionCheck_file((dir + "/none").c_str());
    LONGS_EQUAL(CONFIGFILE_NOT_FOUND, missing.status);
    LONGS_EQUAL(2, MissionCheck_exitStatus(missing));

    write(kKeep);
    MissionCheck found = MissionCheck_file((dir + "/m").c_str());
    STRCMP_EQUAL((dir + "/m.cfg").c_str(), found.path.c_str());
    LONGS_EQUAL(0, MissionCheck_exitStatus(found));
}
