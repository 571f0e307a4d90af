#include <errno.h>
#include <string.h>

#include <string>

#include "FrameworkRecorder.h"
#include "LogFilePath.h"
#include "TempLogDir.h"

#include "CppUTest/TestHarness.h"

namespace {

const char* const kName = "report.dat";

// Creates the file and writes one line into it; returns the chosen path ("" when refused).
std::string create(const char* prefix = "", int maxSuffix = kMaxLogFileSuffix)
{
    char path[256];
    memset(path, 0, sizeof path);
    FILE* f = createLogFile(kName, prefix, path, sizeof path, maxSuffix);
    if (f == nullptr)
        return "";
    fputs(path, f);
    fclose(f);
    return path;
}

}  // namespace

TEST_GROUP(LogFilePath)
{
    TempLogDir* logDir;
    void setup()
    {
        fw::reset();
        logDir = new TempLogDir();
    }
    void teardown()
    {
        delete logDir;
        fw::reset();
    }
};

TEST(LogFilePath, creates_latest_and_numbers_later_files_keeping_earlier_ones)
{
    CHECK(!fileExists(logDir->latest()));
    STRCMP_EQUAL(logDir->file(kName).c_str(), create().c_str());
    STRCMP_EQUAL(logDir->file("report.dat.1").c_str(), create().c_str());
    STRCMP_EQUAL(logDir->file("report.dat.2").c_str(), create().c_str());
    // Each file still holds what was written into it first.
    STRCMP_EQUAL(logDir->file(kName).c_str(), readFile(logDir->file(kName)).c_str());
    STRCMP_EQUAL(logDir->file("report.dat.1").c_str(), readFile(logDir->file("report.dat.1")).c_str());
    CHECK(fw::syslogLines().empty());
}

TEST(LogFilePath, takes_the_first_free_name_and_never_truncates_an_existing_one)
{
    logDir->plant(kName, "first");
    logDir->plant("report.dat.1", "second");
    logDir->plant("report.dat.3", "fourth");
    STRCMP_EQUAL(logDir->file("report.dat.2").c_str(), create().c_str());
    STRCMP_EQUAL(logDir->file("report.dat.4").c_str(), create().c_str());
    STRCMP_EQUAL("first", readFile(logDir->file(kName)).c_str());
    STRCMP_EQUAL("fourth", readFile(logDir->file("report.dat.3")).c_str());
}

TEST(LogFilePath, numbering_goes_past_99)
{
    logDir->plant(kName, "");
    for (int i = 1; i <= 99; i++)
        logDir->plant(std::string(kName) + "." + std::to_string(i), "");
    STRCMP_EQUAL(logDir->file("report.dat.100").c_str(), create().c_str());
}

TEST(LogFilePath, refuses_when_every_name_up_to_the_limit_is_taken)
{
    logDir->plant(kName, "a");
    logDir->plant("report.dat.1", "b");
    logDir->plant("report.dat.2", "c");
    STRCMP_EQUAL("", create("", 2).c_str());
    CHECK(fw::logged("AQ9 - no free file name for " + logDir->file(kName)));
    STRCMP_EQUAL("a", readFile(logDir->file(kName)).c_str());
    CHECK(!fileExists(logDir->file("report.dat.3")));
}

TEST(LogFilePath, refuses_a_directory_whose_paths_would_not_fit)
{
    // "<dir>/latest/report.dat" plus ".9999" must stay below 256 characters.
    std::string base = logDir->dir() + "/";
    size_t fixed = base.size() + strlen("/latest/") + strlen(kName) + strlen(".9999");
    std::string fits = base + std::string(255 - fixed, 'd');
    std::string tooLong = fits + "d";
    CHECK_EQUAL(0, mkdir(fits.c_str(), 0775));
    CHECK_EQUAL(0, mkdir(tooLong.c_str(), 0775));

    setenv("AUV_LOG_DIR", tooLong.c_str(), 1);
    STRCMP_EQUAL("", create().c_str());
    CHECK(fw::logged("AQ9 - log directory " + tooLong + " gives a path longer than 255 characters"));
    CHECK(!fileExists(tooLong + "/latest"));

    setenv("AUV_LOG_DIR", fits.c_str(), 1);
    STRCMP_EQUAL((fits + "/latest/" + kName).c_str(), create().c_str());
}

TEST(LogFilePath, reports_why_a_file_or_directory_cannot_be_created)
{
    struct Row
    {
        const char* label;
        const char* logDirSuffix;  // appended to the test's directory
        bool latestIsAFile;
        const char* expected;
    } rows[] = {
        {"log directory missing", "/missing", false, "AQ9 - cannot create directory "},
        {"latest is a plain file", "", true, "AQ9 - cannot create "},
    };
    for (const Row& r : rows)
    {
        fw::reset();
        std::string dir = logDir->dir() + r.logDirSuffix;
        setenv("AUV_LOG_DIR", dir.c_str(), 1);
        if (r.latestIsAFile)
            std::ofstream(dir + "/latest") << "not a directory";
        STRCMP_EQUAL_TEXT("", create().c_str(), r.label);
        CHECK_TEXT(fw::logged(r.expected), r.label);
        CHECK_TEXT(fw::logged(r.latestIsAFile ? strerror(ENOTDIR) : strerror(ENOENT)), r.label);
    }
}

TEST(LogFilePath, falls_back_to_tmp_when_the_variable_is_unset_or_empty)
{
    // A name of this test's own, so nothing else in /tmp/latest is touched.
    std::string name = "aq9-logfilepath-test-" + std::to_string(getpid());
    bool hadLatest = fileExists("/tmp/latest");
    const char* values[] = {nullptr, ""};
    for (const char* value : values)
    {
        fw::reset();
        if (value == nullptr)
            unsetenv("AUV_LOG_DIR");
        else
            setenv("AUV_LOG_DIR", value, 1);
        char path[256];
        FILE* f = createLogFile(name.c_str(), "AQ9 - ", path, sizeof path);
        CHECK(f != nullptr);
        fclose(f);
        STRCMP_EQUAL(("/tmp/latest/" + name).c_str(), path);
        remove(path);
        LONGS_EQUAL(2, fw::syslogLines().size());
        STRCMP_EQUAL("AQ9 - Environment variable AUV_LOG_DIR not set\n", fw::syslogLines()[0].c_str());
        STRCMP_EQUAL("AQ9 - Using default directory /tmp", fw::syslogLines()[1].c_str());
    }
    if (!hadLatest)
        rmdir("/tmp/latest");
}
