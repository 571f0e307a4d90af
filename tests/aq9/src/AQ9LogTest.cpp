#include <string.h>

#include "DriverFixture.h"
#include "CppUTest/TestHarness.h"

namespace {

struct Column
{
    const char* name;
    const char* units;
    const char* longName;
};

void checkColumns(DataLogWriter* log, const Column* expected, int n)
{
    LONGS_EQUAL(n, log->fieldCount());
    for (int i = 0; i < n; i++)
    {
        DataField* field = log->field(i);
        STRCMP_EQUAL_TEXT(expected[i].name, field->name(), expected[i].name);
        STRCMP_EQUAL_TEXT(expected[i].units, field->units(), expected[i].name);
        STRCMP_EQUAL_TEXT(expected[i].longName, field->longName(), expected[i].name);
    }
}

}  // namespace

TEST_GROUP(AQ9Log)
{
    DriverFixture* f;
    void setup() { f = new DriverFixture(); }
    void teardown() { delete f; }
};

TEST(AQ9Log, second_initialization_keeps_the_logs_and_warns)
{
    LONGS_EQUAL(DeviceIF::Ok, f->aq9->initializeLogs());
    AQ9Log* first = f->aq9->ahrsLog();
    CHECK(first != nullptr && f->aq9->rawMeasLog() != nullptr);
    LONGS_EQUAL(DeviceIF::Ok, f->aq9->initializeLogs());
    POINTERS_EQUAL(first, f->aq9->ahrsLog());
    CHECK(fw::logged("AQ9:: WARN - _log object already initialized"));
    CHECK(fw::logged("AQ9:: WARN - _rawMeasLog object already initialized"));
}

TEST(AQ9Log, ahrs_log_columns)
{
    const Column expected[] = {
        {"vRoll", "Rad", "Estimated Roll"},
        {"vPitch", "Rad", "Estimated Pitch"},
        {"vYaw", "Rad", "Estimated Yaw"},
        {"vSigmaR", "Rad", "Roll uncertainty"},
        {"vSigmaP", "Rad", "Pitch uncertainty"},
        {"vSigmaY", "Rad", "Yaw uncertainty"},
        {"vOmegaX", "Rad/s", "Roll rate"},
        {"vOmegaY", "Rad/s", "Pitch rate"},
        {"vOmegaZ", "Rad/s", "Yaw rate"},
        {"vAccelX", "g", "Acceleration along vehicle x-axis"},
        {"vAccelY", "g", "Acceleration along vehicle y-axis"},
        {"vAccelZ", "g", "Acceleration along vehicle z-axis"},
        {"vMagX", "Gauss", "Magnetic field along vehicle x-axis"},
        {"vMagY", "Gauss", "Magnetic field along vehicle y-axis"},
        {"vMagZ", "Gauss", "Magnetic field along vehicle z-axis"},
        {"vTemp", "C", "AQ-9 internal temperature"},
        {"vPres", "kPa", "AQ-9 internal pressure"},
        {"vAFEStatus", "NA", "AQ-9 estimator status bits"},
    };
    f->aq9->initializeLogs();
    checkColumns(f->aq9->ahrsLog(), expected, 18);
    STRCMP_EQUAL("aqAhrs", f->aq9->ahrsLog()->logName());
}

TEST(AQ9Log, raw_log_columns)
{
    const Column expected[] = {
        {"vMeasOmegaX", "rad/s", "Uncompensated roll rate"},
        {"vMeasOmegaY", "rad/s", "Uncompensated pitch rate"},
        {"vMeasOmegaZ", "rad/s", "Uncompensated yaw rate"},
        {"vMeasAccelX", "m/s^2", "Uncompensated acceleration along vehicle x-axis"},
        {"vMeasAccelY", "m/s^2", "Uncompensated acceleration along vehicle y-axis"},
        {"vMeasAccelZ", "m/s^2", "Uncompensated acceleration along vehicle z-axis"},
        {"vMeasMagX", "Gauss", "Uncompensated Magnetic field along vehicle x-axis"},
        {"vMeasMagY", "Gauss", "Uncompensated Magnetic field along vehicle y-axis"},
        {"vMeasMagZ", "Gauss", "Uncompensated Magnetic field along vehicle z-axis"},
        {"vMeasTemp", "C", "AQ-9 internal temperature"},
        {"vMeasPres", "kPa", "AQ-9 internal pressure"},
    };
    f->aq9->initializeLogs();
    checkColumns(f->aq9->rawMeasLog(), expected, 11);
    STRCMP_EQUAL("aqMeas", f->aq9->rawMeasLog()->logName());
}

TEST(AQ9Log, records_carry_the_consumer_values)
{
    f->aq9->initializeLogs();
    memset(&f->aq9->data, 0, sizeof f->aq9->data);
    f->aq9->data.roll_rad = 0.5f;
    f->aq9->data.afeStatus = 0xFFFF;
    f->aq9->data.uYawRate_rads = -0.25f;
    f->aq9->data.uMagX_G = 0.3f;
    f->aq9->ahrsLog()->write();
    f->aq9->rawMeasLog()->write();
    const std::vector<double>& ahrs = fw::logRecords("aqAhrs").at(0);
    DOUBLES_EQUAL(0.5, ahrs[0], 0);
    DOUBLES_EQUAL(65535, ahrs[17], 0);
    const std::vector<double>& raw = fw::logRecords("aqMeas").at(0);
    DOUBLES_EQUAL(-0.25, raw[2], 0);
    DOUBLES_EQUAL(0.3f, raw[6], 0);
}
