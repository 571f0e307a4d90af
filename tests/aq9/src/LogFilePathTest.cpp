#include <errno.h>
#include <string.h>

#include <string>

#include "DriverFixture.h"
#include "LogFilePath.h"
#include "LogFileReading.h"

#include "CppUTest/TestHarness.h"

TEST_GROUP(LogFilePath)
{
    DriverFixture* f;  // for its private AUV_LOG_DIR
    void setup()
    {
        f = new DriverFixture();
        fw::syslogLines().clear();
    }
    void teardown()
    {
        delete f;
        fw::reset();
    }
    std::string file(const std::string& name) { return f->dir + "/latest/" + name; }
    void plant(const std::string& name, const std::string& text)
    {
        mkdir((f->dir + "/latest").c_str(), 0775);
        std::ofstream(file(name)) << text;
    }
    // Creates report.dat or the next free name, writes its own path into it,
    // and returns that path ("" when refused).
    std::string create(int maxSuffix = kMaxLogFileSuffix)
    {
        char path[256];
        FILE* out = createLogFile("report.dat", "", path, sizeof path, maxSuffix);
        if (out == nullptr)
            return "";
        fputs(path, out);
        fclose(out);
        return path;
    }
};

TEST(LogFilePath, creates_latest_and_never_overwrites_an_earlier_file)
{
    CHECK(!fileExists(f->dir + "/latest"));
    STRCMP_EQUAL(file("report.dat").c_str(), create().c_str());
    STRCMP_EQUAL(file("report.dat.1").c_str(), create().c_str());
    plant("report.dat.2", "planted");
    STRCMP_EQUAL(file("report.dat.3").c_str(), create().c_str());
    STRCMP_EQUAL(file("report.dat").c_str(), readFile(file("report.dat")).c_str());
    STRCMP_EQUAL("planted", readFile(file("report.dat.2")).c_str());
    CHECK(fw::syslogLines().empty());
    for (int i = 4; i <= 99; i++)
        plant("report.dat." + std::to_string(i), "");
    STRCMP_EQUAL(file("report.dat.100").c_str(), create().c_str());
}

TEST(LogFilePath, refuses_when_every_name_up_to_the_limit_is_taken)
{
    plant("report.dat", "a");
    plant("report.dat.1", "b");
    STRCMP_EQUAL("", create(1).c_str());
    CHECK(fw::logged("AQ9 - no free file name for " + file("report.dat")));
    STRCMP_EQUAL("a", readFile(file("report.dat")).c_str());
    CHECK(!fileExists(file("report.dat.2")));
}

TEST(LogFilePath, refuses_a_directory_whose_paths_would_not_fit)
{
    // "<dir>/latest/report.dat.9999" must stay below 256 characters.
    std::string fits = f->dir + "/";
    fits += std::string(255 - fits.size() - strlen("/latest/report.dat.9999"), 'd');
    std::string tooLong = fits + "d";
    CHECK_EQUAL(0, mkdir(fits.c_str(), 0775));
    CHECK_EQUAL(0, mkdir(tooLong.c_str(), 0775));

    setenv("AUV_LOG_DIR", tooLong.c_str(), 1);
    STRCMP_EQUAL("", create().c_str());
    CHECK(fw::logged("AQ9 - log directory " + tooLong + " gives a path longer than 255 characters"));
    CHECK(!fileExists(tooLong + "/latest"));
    setenv("AUV_LOG_DIR", fits.c_str(), 1);
    STRCMP_EQUAL((fits + "/latest/report.dat").c_str(), create().c_str());
}

TEST(LogFilePath, reports_why_a_file_or_directory_cannot_be_created)
{
    setenv("AUV_LOG_DIR", (f->dir + "/missing").c_str(), 1);
    STRCMP_EQUAL("", create().c_str());
    CHECK(fw::logged("AQ9 - cannot create directory " + f->dir + "/missing/latest: " + strerror(ENOENT)));

    setenv("AUV_LOG_DIR", f->dir.c_str(), 1);
    std::ofstream(f->dir + "/latest") << "a plain file where the directory belongs";
    STRCMP_EQUAL("", create().c_str());
    CHECK(fw::logged("AQ9 - cannot create " + file("report.dat") + ": " + strerror(ENOTDIR)));
}

TEST(LogFilePath, an_empty_log_directory_counts_as_unset)
{
    // A name of this test's own, so nothing else in /tmp/latest is touched.
    std::string name = "aq9-logfilepath-test-" + std::to_string(getpid());
    bool hadLatest = fileExists("/tmp/latest");
    setenv("AUV_LOG_DIR", "", 1);
    char path[256];
    FILE* out = createLogFile(name.c_str(), "AQ9 - ", path, sizeof path);
    CHECK(out != nullptr);
    fclose(out);
    remove(path);
    if (!hadLatest)
        rmdir("/tmp/latest");
    STRCMP_EQUAL(("/tmp/latest/" + name).c_str(), path);
    LONGS_EQUAL(2, fw::syslogLines().size());
    STRCMP_EQUAL("AQ9 - Environment variable AUV_LOG_DIR not set\n", fw::syslogLines()[0].c_str());
    STRCMP_EQUAL("AQ9 - Using default directory /tmp", fw::syslogLines()[1].c_str());
}

TEST(LogFilePath, a_close_that_loses_what_was_written_is_reported)
{
    FILE* full = fopen("/dev/full", "w");
    CHECK(full != nullptr);
    writeLogFileTimeStamp(full);
    CHECK_FALSE(closeLogFile(full, "/dev/full"));
    CHECK(fw::logged(std::string("AQ9 - error writing /dev/full: ") + strerror(ENOSPC)));

    char path[256];
    FILE* out = createLogFile("report.dat", "", path, sizeof path);
    time_t before = time(nullptr);
    writeLogFileTimeStamp(out);
    time_t after = time(nullptr);
    CHECK(closeLogFile(out, path));
    LONGS_EQUAL(1, fw::loggedCount("error writing"));
    std::vector<std::string> lines = readLines(path);
    LONGS_EQUAL(2, lines.size());
    CHECK(lines[0] == timeStampLine(before) || lines[0] == timeStampLine(after));
    STRCMP_EQUAL("%", lines[1].c_str());
}
