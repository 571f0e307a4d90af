// aq9cfg as a program: its command line, the committed example, and a file
// with one of each error and warning it knows, each reported with its line.
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramRun.h"

#include "CppUTest/TestHarness.h"

namespace {

std::string fileText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Runs aq9cfg with args; its exit status, with what it wrote on each stream.
int runCfg(const std::string& dir, std::vector<std::string> args, std::string* out, std::string* err)
{
    return ProgramRun_run(AQ9CFG_PATH, std::move(args), dir, out, err);
}

// One of each: errors on lines 2 to 5, warnings on 6 to 10 and on the file.
const char kBadFile[] = "# one of each error and warning\n"
                        "ahrsRate = 5000;\n"
                        "rawMeasRate 10;\n"
                        "AhrsRate = 10;\n"
                        "Use_HSI_MODE_3D = maybe;\n"
                        "HSIConvergeRate = 300;\n"
                        "HSIMode = 1;\n"
                        "HSIOutput = 2;\n"
                        "Rot01 = 0.1;\n"
                        "HSIMode = 4;\n";

}  // namespace

TEST_GROUP(Aq9cfgProcess)
{
    std::string dir, out, err;
    void setup()
    {
        char tmpl[] = "/tmp/aq9cfgXXXXXX";
        dir = mkdtemp(tmpl);
    }
    void teardown()
    {
        unlink((dir + "/bad.cfg").c_str());
        rmdir(dir.c_str());
    }
};

TEST(Aq9cfgProcess, help_exits_0_and_bad_arguments_exit_2_naming_them)
{
    CHECK_EQUAL(0, runCfg(dir, {"--help"}, &out, &err));
    CHECK(out.find("Example:") != std::string::npos);
    CHECK_EQUAL(2, runCfg(dir, {"verify"}, &out, &err));
    STRCMP_EQUAL("aq9cfg: unknown command 'verify'\nTry 'aq9cfg --help' for more information.\n", err.c_str());
    CHECK_EQUAL(2, runCfg(dir, {"check"}, &out, &err));
    CHECK_EQUAL(2, runCfg(dir, {"check", dir + "/none"}, &out, &err));
    CHECK(err.find("aq9cfg: cannot read " + dir + "/none") == 0);
}

TEST(Aq9cfgProcess, keys_lists_the_92_keys_and_the_committed_example_is_what_example_prints_and_is_clean)
{
    CHECK_EQUAL(0, runCfg(dir, {"keys"}, &out, &err));
    std::istringstream lines(out);
    std::string line;
    int rows = -1;  // the heading is not a key
    while (std::getline(lines, line))
        rows++;
    LONGS_EQUAL(92, rows);

    CHECK_EQUAL(0, runCfg(dir, {"example"}, &out, &err));
    STRCMP_EQUAL(fileText(AQ9_EXAMPLE_CFG).c_str(), out.c_str());
    CHECK_EQUAL(0, runCfg(dir, {"check", AQ9_EXAMPLE_CFG}, &out, &err));
    STRCMP_EQUAL((std::string(AQ9_EXAMPLE_CFG) + ": 0 errors, 0 warnings\n").c_str(), out.c_str());
}

TEST(Aq9cfgProcess, check_reports_one_of_each_error_and_warning_with_its_line)
{
    const std::string path = dir + "/bad.cfg";
    std::ofstream(path) << kBadFile;
    CHECK_EQUAL(2, runCfg(dir, {"check", path}, &out, &err));
    const char* const expected[] = {
        ":2: error: ahrsRate = 5000 Hz",
        ":3: error: not an entry",
        ":4: error: unknown key \"AhrsRate\"",
        ":5: error: Use_HSI_MODE_3D = maybe refused",
        ":6: warning: HSIConvergeRate = 300 is outside 0-255: only its low byte is kept, 44",
        ":8: warning: HSIOutput 2 is not an output",
        ":9: warning: Rot00..Rot22 is not a rotation",
        ":10: warning: HSIMode repeats line 7",
        ":10: warning: HSIMode 4 is not a mode",
        ": warning: names no magnetometer calibration key",
        ": 4 errors, 6 warnings",
    };
    std::istringstream lines(out);
    std::string line;
    for (const char* e : expected)
    {
        std::getline(lines, line);
        STRCMP_CONTAINS((path + e).c_str(), line.c_str());
    }
    CHECK_FALSE(std::getline(lines, line));
    STRCMP_EQUAL("", err.c_str());
}
