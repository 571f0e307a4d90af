#include <errno.h>
#include <string.h>
#include <time.h>

#include <string>
#include <vector>

#include "DriverFixture.h"
#include "LogFileReading.h"

#include "CppUTest/TestHarness.h"

namespace {

v9d v9(double a, double b, double c, double d, double e, double f, double g, double h, double i)
{
    v9d v = {{a, b, c, d, e, f, g, h, i}};
    return v;
}

v3d v3(double a, double b, double c)
{
    v3d v = {{a, b, c}};
    return v;
}

vec3f f3(float a, float b, float c)
{
    vec3f v;
    v.c[0] = a;
    v.c[1] = b;
    v.c[2] = c;
    return v;
}

// Every field a different value, so that a value under the wrong key shows.
void knownSettings(FakeSensor& s)
{
    aq9Settings& k = s._settings;
    k.ahrsRate = 20;
    k.rawMeasRate = 40;
    k.hsiLogInterval_sec = 30;
    k.ADOR = 14;
    k.saveHSIonExit = 1;
    k.HSIMode = 2;
    k.HSIOutput = 3;
    k.HSIConvergeRate = 5;
    k.AFEBasic_Enable = 1;
    k.AFEBasic_HeadingMode = 6;
    k.AFEBasic_FilteringMode = 7;
    k.AFEBasic_TuningMode = 8;
    k.Rot = v9(-1, 0, 0, 0, -1, 0, 0, 0, 1);
    k.AFEMagTuning = v9(4, 4, 4, 5, 5, 5, 5.5, 5.5, 5.5);
    k.AFEAccelTuning = v9(6, 6, 6, 3, 3, 3, 5.5, 5.5, 5.5);
    k.AFEGyroTuning = v9(8, 8, 8, 4, 4, 4, 0, 0, 0);
    k.GyroStartupBias = v3(0.001, -0.002, 0.003);
    k.AccelStartupBias = v3(0.1, 0.2, -0.3);
    k.GyroCompC = v9(1.5, 0, 0, 0, 2.5, 0, 0, 0, 3.5);
    k.GyroCompB = v3(0.25, 0.5, 0.75);
    k.AccelCompC = v9(1, 0.125, 0, 0, 1, 0, 0, 0, 1);
    k.AccelCompB = v3(-1, -2, -3);
    k.MagCompC = v9(1, 2, 3, 4, 5, 6, 7, 8, 9);
    k.MagCompB = v3(0.0123456, -0.0654321, 1e-8);
    strcpy(s._modelNumber, "AQ-9T");
    s._hwRevision = 2;
    s._serialNumber = 4000123456u;
    strcpy(s._firmwareVersion, "2.1.0.7");
    s._magRefVector = f3(0.25f, -0.125f, 0.375f);
    s._gravRefVector = f3(0.0625f, -0.5f, -9.75f);
}

const char* const kKnownEntries[] = {
    "modelNumber='AQ-9T';",
    "hardwareRevision=2;",
    "serialNumber=4000123456;",
    "firmwareVersion='2.1.0.7';",
    "interfaceInfo='/dev/fake';",
    "driverVersion='v0.2.0 (g5fca523)';",
    "buildDate='2020_07_08T21:05:52UTC';",
    "ahrsRateHz=20;",
    "rawMeasRateHz=40;",
    "ironCalLogPeriodS=30;",
    "ADOR=14;",
    "saveHSIonExit=1;",
    "HSIMode=2;",
    "HSIOutput=3;",
    "HSIConvergeRate=5;",
    "AFEBasic_Enable=1;",
    "AFEBasic_HeadingMode=6;",
    "AFEBasic_FilteringMode=7;",
    "AFEBasic_TuningMode=8;",
    "RotationMatrix_rowMajor=[-1.0000000,0.0000000,0.0000000,0.0000000,-1.0000000,0.0000000,0.0000000,0.0000000,"
    "1.0000000];",
    "AFEMagTuning=[4.0000000,4.0000000,4.0000000,5.0000000,5.0000000,5.0000000,5.5000000,5.5000000,5.5000000];",
    "AFEAccelTuning=[6.0000000,6.0000000,6.0000000,3.0000000,3.0000000,3.0000000,5.5000000,5.5000000,5.5000000];",
    "AFEGyroTuning=[8.0000000,8.0000000,8.0000000,4.0000000,4.0000000,4.0000000,0.0000000,0.0000000,0.0000000];",
    "GyroStartupBias=[0.0010000,-0.0020000,0.0030000];",
    "AccelStartupBias=[0.1000000,0.2000000,-0.3000000];",
    "GyroCompC=[1.5000000,0.0000000,0.0000000,0.0000000,2.5000000,0.0000000,0.0000000,0.0000000,3.5000000];",
    "GyroCompB=[0.2500000,0.5000000,0.7500000];",
    "AccelCompC=[1.0000000,0.1250000,0.0000000,0.0000000,1.0000000,0.0000000,0.0000000,0.0000000,1.0000000];",
    "AccelCompB=[-1.0000000,-2.0000000,-3.0000000];",
    "MagCompC=[1.0000000,2.0000000,3.0000000,4.0000000,5.0000000,6.0000000,7.0000000,8.0000000,9.0000000];",
    "MagCompB=[0.0123456,-0.0654321,0.0000000];",
    "SiteLatitude=36.806000;",
    "SiteLongitude=-121.942101;",
    "MagRefVector=[0.2500000,-0.1250000,0.3750000];",
    "GravRefVector=[0.0625000,-0.5000000,-9.7500000];",
};

}  // namespace

TEST_GROUP(AQ9Snapshot)
{
    DriverFixture* f;
    std::string snapshot;
    void setup()
    {
        f = new DriverFixture();
        knownSettings(*f->sensor);
        AQ9TestAccess::setSite(*f->aq9, 36.806f, -121.9421f);
        snapshot = f->dir + "/latest/aq9.dat";
    }
    void teardown()
    {
        delete f;
        fw::reset();
    }
};

TEST(AQ9Snapshot, writes_the_header_and_every_entry_in_order)
{
    time_t before = time(nullptr);
    f->aq9->saveSensorSettingsToFile();
    time_t after = time(nullptr);

    std::vector<std::string> lines = readLines(snapshot);
    const size_t nEntries = sizeof kKnownEntries / sizeof kKnownEntries[0];
    LONGS_EQUAL(4 + nEntries, lines.size());
    CHECK(lines[0] == timeStampLine(before) || lines[0] == timeStampLine(after));
    STRCMP_EQUAL("%", lines[1].c_str());
    STRCMP_EQUAL("% This file details the configuration of the compass following runtime initialization of the AQ9 "
                 "driver.",
                 lines[2].c_str());
    STRCMP_EQUAL("% ========================", lines[3].c_str());
    for (size_t i = 0; i < nEntries; i++)
        STRCMP_EQUAL_TEXT(kKnownEntries[i], lines[4 + i].c_str(), ("entry " + std::to_string(i + 1)).c_str());
    CHECK(fw::logged("AQ9 - OneShot data written to " + snapshot));
}

TEST(AQ9Snapshot, later_writes_take_the_next_suffix_and_keep_earlier_files)
{
    f->aq9->saveSensorSettingsToFile();
    f->sensor->_settings.ahrsRate = 5;
    f->aq9->saveSensorSettingsToFile();
    f->sensor->_settings.ahrsRate = 1;
    f->aq9->saveSensorSettingsToFile();

    const char* files[] = {"", ".1", ".2"};
    const char* rates[] = {"ahrsRateHz=20;", "ahrsRateHz=5;", "ahrsRateHz=1;"};
    for (int i = 0; i < 3; i++)
    {
        std::vector<std::string> lines = readLines(snapshot + files[i]);
        LONGS_EQUAL_TEXT(39, lines.size(), files[i]);
        STRCMP_EQUAL_TEXT(rates[i], lines[11].c_str(), files[i]);
        CHECK_TEXT(fw::logged("AQ9 - OneShot data written to " + snapshot + files[i]), files[i]);
    }
}

TEST(AQ9Snapshot, a_model_number_filling_its_field_is_written_without_overrun)
{
    memset(f->sensor->_modelNumber, 'M', sizeof f->sensor->_modelNumber);
    f->aq9->saveSensorSettingsToFile();
    std::string expected = "modelNumber='" + std::string(sizeof f->sensor->_modelNumber, 'M') + "';";
    STRCMP_EQUAL(expected.c_str(), readLines(snapshot)[4].c_str());
}

TEST(AQ9Snapshot, a_file_that_cannot_be_created_is_logged_with_its_reason)
{
    std::ofstream(f->dir + "/latest") << "a plain file where the directory belongs";
    f->aq9->saveSensorSettingsToFile();
    CHECK(fw::logged(std::string("AQ9 - cannot create ") + snapshot + ": " + strerror(ENOTDIR)));
    CHECK(!fw::logged("OneShot data written"));
}

TEST(AQ9Snapshot, without_a_log_directory_it_says_so_and_uses_tmp)
{
    unsetenv("AUV_LOG_DIR");
    bool hadLatest = fileExists("/tmp/latest");
    fw::syslogLines().clear();
    f->aq9->saveSensorSettingsToFile();
    STRCMP_EQUAL("Environment variable AUV_LOG_DIR not set\n", fw::syslogLines()[0].c_str());
    STRCMP_EQUAL("Using default directory /tmp", fw::syslogLines()[1].c_str());
    const std::string done = "AQ9 - OneShot data written to ";
    const std::string expected = done + "/tmp/latest/aq9.dat";
    std::string last = fw::syslogLines().back();
    CHECK(last.compare(0, expected.size(), expected) == 0);
    remove(last.substr(done.size()).c_str());
    if (!hadLatest)
        rmdir("/tmp/latest");
}

TEST(AQ9Snapshot, a_cut_matrix_text_keeps_its_brackets)
{
    // Nine values of 14 characters do not fit the 128-character text buffer.
    const double big = -12345.6789;
    f->sensor->_settings.MagCompC = v9(big, big, big, big, big, big, big, big, big);
    char text[128];
    f->aq9->v9dToStr(text, f->sensor->_settings.MagCompC, sizeof text);
    LONGS_EQUAL(127, strlen(text));
    f->aq9->saveSensorSettingsToFile();
    STRCMP_EQUAL((std::string("MagCompC=[") + text + "];").c_str(), readLines(snapshot)[4 + 29].c_str());
}

TEST(AQ9Snapshot, vector_texts_are_cut_to_the_buffer_given)
{
    const v9d m = v9(1, 2, 3, 4, 5, 6, 7, 8, 9);
    const v3d v = v3(-1.25, 2.5, 1e-9);
    char full[128];
    f->aq9->v9dToStr(full, m, sizeof full);
    STRCMP_EQUAL("1.0000000,2.0000000,3.0000000,4.0000000,5.0000000,6.0000000,7.0000000,8.0000000,9.0000000", full);
    f->aq9->v3dToStr(full, v, sizeof full);
    STRCMP_EQUAL("-1.2500000,2.5000000,0.0000000", full);

    char cut[17];
    cut[16] = '#';
    f->aq9->v9dToStr(cut, m, 16);
    STRCMP_EQUAL("1.0000000,2.000", cut);
    BYTES_EQUAL('#', cut[16]);
    f->aq9->v3dToStr(cut, v, 8);
    STRCMP_EQUAL("-1.2500", cut);
    BYTES_EQUAL('#', cut[16]);
}
