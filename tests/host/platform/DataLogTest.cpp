// Data logs as CSV: read back with Python's csv module, never overwritten,
// and a failing disk that costs a log line, not the program.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "CppUTest/TestHarness.h"
#include "DataLog.h"
#include "HostTestSupport.h"

namespace {

class TestLog : public DataLogWriter
{
  public:
    TestLog(const char* name, Boolean stamped)
        : DataLogWriter(name, 1, stamped), roll("vRoll"), rate("vRate"), bits("vBits")
    {
        addField(&roll);
        addField(&rate);
        addField(&bits);
        roll.setUnits("Rad");
        roll.setLongName("Estimated roll, vehicle frame");
        rate.setUnits("Rad/s");
        rate.setLongName("Say \"rate\"");
        bits.setUnits("NA");
        bits.setLongName("Status bits");
    }
    void setFields() override
    {
        roll.setValue(a);
        rate.setValue(b);
        bits.setValue(c);
    }
    int row(double x, double y, int z)
    {
        a = x;
        b = y;
        c = z;
        return write();
    }
    AngleData roll;
    DoubleData rate;
    IntegerData bits;
    double a = 0, b = 0;
    int c = 0;
};

// Runs the checker script on the log directory; its report becomes the failure text.
void expectPythonAgrees(const std::string& dir)
{
    const std::string cmd = "python3 " AQ9_TEST_SOURCE_DIR "/check_csv_logs.py " + dir + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    CHECK(p != nullptr);
    std::string out;
    char buf[256];
    while (fgets(buf, sizeof buf, p) != nullptr)
        out += buf;
    const int status = pclose(p);
    CHECK_TEXT(WIFEXITED(status) && WEXITSTATUS(status) == 0, out.c_str());
}

}  // namespace

TEST_GROUP(DataLog)
{
    TempDir dir;
    void setup() { setenv("AUV_LOG_DIR", dir.path().c_str(), 1); }
    void teardown() { unsetenv("AUV_LOG_DIR"); }
};

TEST(DataLog, logs_and_their_sidecars_read_back_with_the_csv_module)
{
    {
        TestLog log("testLog", 1);
        log.row(0.1, -1e-300, 42);
        log.row(-3.141592653589793, 1.0 / 3.0, -7);
    }
    {
        TestLog again("testLog", 0);
        again.row(2.5, 0, 1);
    }
    {
        TestLog unused("emptyLog", 1);
    }
    expectPythonAgrees(dir.path());
}

TEST(DataLog, a_write_error_is_logged_once_and_the_log_goes_on)
{
    const std::string errors = dir.path() + "/stderr.txt";
    pid_t child = fork();
    if (child == 0)
    {
        // Files may not grow past 4 KB: later rows fail with EFBIG.
        int err = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(err, STDERR_FILENO);
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit = {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        int failed = 0;
        {
            TestLog log("fullDisk", 1);
            for (int i = 0; i < 2000; i++)
                failed += log.row(i * 0.25, i, i) != 0;
        }
        _exit(err >= 0 && failed > 0 ? 0 : 1);
    }
    LONGS_EQUAL(0, waitChild(child, 10000));
    FILE* f = fopen(errors.c_str(), "r");
    CHECK(f != nullptr);
    std::string text;
    char buf[512];
    while (fgets(buf, sizeof buf, f) != nullptr)
        text += buf;
    fclose(f);
    size_t first = text.find("writing ");
    CHECK_TEXT(first != std::string::npos, text.c_str());
    CHECK_TEXT(text.find("writing ", first + 1) == std::string::npos, text.c_str());
    CHECK_TEXT(text.find("is incomplete") != std::string::npos, text.c_str());
    // What reached the disk is the header and whole rows: a reader never
    // meets a row cut by the error.
    FILE* data = fopen((dir.path() + "/latest/fullDisk.csv").c_str(), "r");
    CHECK(data != nullptr);
    std::string line;
    int lines = 0;
    for (int c; (c = fgetc(data)) != EOF;)
    {
        line += static_cast<char>(c);
        if (c != '\n')
            continue;
        STRCMP_EQUAL_TEXT(lines == 0 ? "time,vRoll,vRate,vBits\n" : line.c_str(), line.c_str(), "header");
        LONGS_EQUAL_TEXT(3, std::count(line.begin(), line.end(), ','), line.c_str());
        line.clear();
        lines++;
    }
    fclose(data);
    STRCMP_EQUAL_TEXT("", line.c_str(), "a cut last row");
    CHECK(lines > 10);
}
