#include <math.h>
#include <string.h>
#include <time.h>

#include <string>
#include <vector>

#include "DriverFixture.h"
#include "LogFileReading.h"

#include "CppUTest/TestHarness.h"

namespace {

// The whole sequence with the default compensation branch (adopt the sensor's).
const char* const kSequence[] = {
    "disableAsyncUartAsciiOutput",   "sendInstrumentRotation",       "writeSettingToEEPROM",
    "resetDevice",                   "sendKnownMagDisturbanceCmd",   "enableCrcChecksums",
    "setupBinaryReg1DesiredOutputs", "setupBinaryReg2DesiredOutputs", "sendHSISettings",
    "getUserHSICalibration",         "sendAccelCompensation",        "sendGyroCompensation",
    "sendAFEGyroTuningParameters",   "sendAFEAccelTuningParameters", "sendAFEMagTuningParameters",
    "sendFilterStartupBiasParameters", "sendAFEBasicControlParameters", "getModelNumber",
    "getHardwareRevisionNumber",     "getSerialNumber",              "getFirmwareVersion",
    "configureReferenceVectors",     "getMagGravRefVectors",
};
const size_t kSequenceLength = sizeof kSequence / sizeof kSequence[0];

std::vector<std::string> sequenceUpTo(const std::string& last)
{
    std::vector<std::string> calls;
    for (const char* op : kSequence)
    {
        calls.push_back(op);
        if (last == op)
            break;
    }
    return calls;
}

// Fails only the second EEPROM write: the one that saves the compensation.
class CompensationSaveFails : public FakeSensor
{
  public:
    virtual AqError writeSettingToEEPROM()
    {
        return FakeSensor::writeSettingToEEPROM() == E_NONE && count("writeSettingToEEPROM") == 2 ? E_UNKNOWN
                                                                                                    : E_NONE;
    }
};

struct tm dayOf(int year, int yday)
{
    struct tm t;
    memset(&t, 0, sizeof t);
    t.tm_year = year - 1900;
    t.tm_yday = yday;
    return t;
}

}  // namespace

TEST_GROUP(AQ9SensorConfig)
{
    DriverFixture* f;
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
    // A fresh driver on another link, in the same fixture's directories.
    void replaceSensor(FakeSensor * sensor)
    {
        delete f->aq9;
        delete f->sensor;
        f->sensor = sensor;
        f->aq9 = new AQ9(f->sensor, f->out, f->rawOut, f->cfg.c_str());
        fw::syslogLines().clear();
    }
};

TEST(AQ9SensorConfig, runs_every_step_in_order_with_the_waits_between)
{
    fw::scriptNavigation(fw::NavReturnsPosition, 0.5, 2.0, 13.0);
    LONGS_EQUAL(DeviceIF::Ok, f->aq9->sendSettingsToSensor());
    std::vector<std::string> expected(kSequence, kSequence + kSequenceLength);
    CHECK(expected == f->sensor->calls);
    // Ten minutes after the EEPROM write, one second after the reset.
    LONGS_EQUAL(2, fw::sleeps().size());
    LONGS_EQUAL(600000, fw::sleeps()[0]);
    LONGS_EQUAL(1000, fw::sleeps()[1]);
    LONGS_EQUAL(0, f->sensor->lastDisturbance);
    // The estimator settings go out as the record holds them.
    LONGS_EQUAL(f->sensor->_settings.HSIMode, f->sensor->lastHsiMode);
    LONGS_EQUAL(f->sensor->_settings.HSIOutput, f->sensor->lastHsiOutput);
    LONGS_EQUAL(f->sensor->_settings.HSIConvergeRate, f->sensor->lastHsiRate);
    // The gravity reference read back becomes the driver's gravity vector.
    f->sensor->gravRefToReport.c[2] = -9.75f;
    LONGS_EQUAL(DeviceIF::Ok, f->aq9->sendSettingsToSensor());
    DOUBLES_EQUAL(-9.75f, f->aq9->gVector().c[2], 0);
    CHECK(fw::logged("AQ9 - magnetic declination 13.00 deg"));
    // Reference vectors from both models, for today.
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    CHECK(f->sensor->lastUseMag && f->sensor->lastUseGrav);
    DOUBLES_EQUAL(decimalYearOf(local), f->sensor->lastYear, 0);
}

TEST(AQ9SensorConfig, a_failing_step_logs_its_message_and_ends_the_sequence)
{
    struct Row
    {
        const char* operation;
        const char* message;
        bool loadFromConfig;
    } rows[] = {
        {"disableAsyncUartAsciiOutput", "AQ9 - Error disabling UART ASCII output", false},
        {"sendInstrumentRotation", "AQ9 - Error sending Instrument Rotation parameters", false},
        {"writeSettingToEEPROM", "AQ9 - Error writing instrument rotation to EEPROM", false},
        {"resetDevice", "AQ9 - Error resetting after writing instrument rotation to EEPROM", false},
        {"sendKnownMagDisturbanceCmd", "AQ9 - Error setting knownMagDisturbance to False.", false},
        {"enableCrcChecksums", "AQ9 - Error enabling CRC checksums", false},
        {"setupBinaryReg1DesiredOutputs", "AQ9 - Error setting up user binary register 1", false},
        {"setupBinaryReg2DesiredOutputs", "AQ9 - Erorr settin up user binary register 2", false},
        {"sendHSISettings", "AQ9 - Error sending HSI Settings to unit", false},
        {"getUserHSICalibration", "AQ9 - Error getting Magnetometer Compensation parameters from sensor", false},
        {"sendMagCompensation", "AQ9 - Error sending Magnetometer Compensation parameters", true},
        {"sendAccelCompensation", "AQ9 - Error sending Accelerometer Compensation parameters", false},
        {"sendGyroCompensation", "AQ9 - Error sending Gyroscope Compensation parameters", false},
        {"sendAFEGyroTuningParameters", "AQ9 - Error sending AFE Gyro parameters", false},
        {"sendAFEAccelTuningParameters", "AQ9 - Error sending AFE Accel parameters", false},
        {"sendAFEMagTuningParameters", "AQ9 - Error sending AFE Mag parameters", false},
        {"sendFilterStartupBiasParameters", "AQ9 - Error sending Filter Bias Startup Estimates", false},
        {"sendAFEBasicControlParameters", "AQ9 - Error sending AFE Basic Control Parameters", false},
        {"getModelNumber", "AQ9 - Error getting model number", false},
        {"getHardwareRevisionNumber", "AQ9 - Error getting model number", false},
        {"getSerialNumber", "AQ9 - Error getting serial number", false},
        {"getFirmwareVersion", "AQ9 - Error getting firmware version", false},
        {"configureReferenceVectors", "AQ9 - Error sending lat/long for reference vector computatoin", false},
        {"getMagGravRefVectors", "AQ9 - Error getting reference vectors from unit.", false},
    };
    for (const Row& r : rows)
    {
        replaceSensor(new FakeSensor());
        f->sensor->fail(r.operation);
        f->sensor->_settings.loadNewHSICalFromCfgFile = r.loadFromConfig;
        vec3f gBefore = f->aq9->gVector();
        LONGS_EQUAL_TEXT(DeviceIF::Error, f->aq9->sendSettingsToSensor(), r.operation);
        STRCMP_EQUAL_TEXT(r.message, fw::syslogLines().back().c_str(), r.operation);
        LONGS_EQUAL_TEXT(1, fw::loggedCount(r.message), r.operation);
        STRCMP_EQUAL_TEXT(r.operation, f->sensor->calls.back().c_str(), r.operation);
        if (!r.loadFromConfig)
            CHECK_TEXT(sequenceUpTo(r.operation) == f->sensor->calls, r.operation);
        DOUBLES_EQUAL(gBefore.c[2], f->aq9->gVector().c[2], 0);
    }
}

TEST(AQ9SensorConfig, compensation_is_sent_adopted_or_saved_as_the_two_flags_say)
{
    struct Row
    {
        const char* label;
        Boolean load, save;
        const char* operation;  // the step between the estimator settings and the accelerometer
        int eepromWrites;
        const char* logLine;
    } rows[] = {
        {"adopt", 0, 0, "getUserHSICalibration", 1, "AQ9 - Using mag comp parameters from EEPROM."},
        {"save flag alone writes nothing", 0, 1, "getUserHSICalibration", 1,
         "AQ9 - Using mag comp parameters from EEPROM."},
        {"send", 1, 0, "sendMagCompensation", 1, "AQ9 - Loaded mag comp parameters from cfg file to sensor."},
        {"send and save", 1, 1, "sendMagCompensation", 2, "AQ9 - Wrote mag comp parameters to sensor EEPROM."},
    };
    for (const Row& r : rows)
    {
        replaceSensor(new FakeSensor());
        fw::sleeps().clear();
        FakeSensor& s = *f->sensor;
        s._settings.loadNewHSICalFromCfgFile = r.load;
        s._settings.saveNewHSICalFromCfgFileToEEPROM = r.save;
        s.userMagCompC.c[1] = 0.25;
        s.userMagCompB.c[2] = -0.5;
        s._settings.MagCompC.c[1] = 0.75;
        LONGS_EQUAL_TEXT(DeviceIF::Ok, f->aq9->sendSettingsToSensor(), r.label);
        STRCMP_EQUAL_TEXT(r.operation, s.calls[9].c_str(), r.label);
        LONGS_EQUAL_TEXT(r.eepromWrites, s.count("writeSettingToEEPROM"), r.label);
        CHECK_TEXT(fw::logged(r.logLine), r.label);
        if (r.eepromWrites == 2)
        {
            STRCMP_EQUAL_TEXT("writeSettingToEEPROM", s.calls[10].c_str(), r.label);
            LONGS_EQUAL_TEXT(3, fw::sleeps().size(), r.label);
            LONGS_EQUAL_TEXT(600, fw::sleeps()[2], r.label);
        }
        else
            LONGS_EQUAL_TEXT(2, fw::sleeps().size(), r.label);
        // Adopting reads the sensor's compensation into the settings; sending keeps the configured one.
        DOUBLES_EQUAL(r.load ? 0.75 : 0.25, s._settings.MagCompC.c[1], 0);
    }
}

TEST(AQ9SensorConfig, a_failed_compensation_save_ends_the_sequence_without_the_wait)
{
    replaceSensor(new CompensationSaveFails());
    f->sensor->_settings.loadNewHSICalFromCfgFile = 1;
    f->sensor->_settings.saveNewHSICalFromCfgFileToEEPROM = 1;
    LONGS_EQUAL(DeviceIF::Error, f->aq9->sendSettingsToSensor());
    STRCMP_EQUAL("AQ9 - Error writing Magnetometer Compensation to EEPROM", fw::syslogLines().back().c_str());
    STRCMP_EQUAL("writeSettingToEEPROM", f->sensor->calls.back().c_str());
    LONGS_EQUAL(2, fw::sleeps().size());
}

TEST(AQ9SensorConfig, decimal_year_counts_days_from_the_first_of_january)
{
    struct Row
    {
        int year, yday;
        float expected;
    } rows[] = {
        {2023, 0, 2023.0f},
        {2024, 0, 2024.0f},
        {2023, 364, static_cast<float>(2023.0 + static_cast<double>(364.0f / 365.0f))},
        {2024, 365, static_cast<float>(2024.0 + static_cast<double>(365.0f / 366.0f))},
        {2000, 365, static_cast<float>(2000.0 + static_cast<double>(365.0f / 366.0f))},  // divisible by 400
        {2100, 59, static_cast<float>(2100.0 + static_cast<double>(59.0f / 365.0f))},    // divisible by 100
    };
    for (const Row& r : rows)
    {
        std::string label = std::to_string(r.year) + " day " + std::to_string(r.yday);
        DOUBLES_EQUAL_TEXT(r.expected, decimalYearOf(dayOf(r.year, r.yday)), 0, label.c_str());
    }
    // 31 December stays inside its year.
    CHECK(decimalYearOf(dayOf(2024, 365)) < 2025.0f);
}

TEST(AQ9SensorConfig, position_is_folded_into_the_usual_ranges)
{
    struct Row
    {
        double latRad, lngRad;
        float lat, lng;
    } rows[] = {
        {0.5, 2.0, 28.6479f, 114.5916f},
        {0.5, 4.0, 28.6479f, -130.8169f},
        {-0.5, -4.0, -28.6479f, 130.8169f},
        {2.0, 7.0, 65.4084f, 41.0705f},           // past the pole; a whole turn and more of longitude
        {0.1, 1.0e6 * M_PI + 0.5, 5.7296f, 28.6479f},  // wraps in one step, however far out
    };
    for (const Row& r : rows)
    {
        fw::scriptNavigation(fw::NavReturnsPosition, r.latRad, r.lngRad, 0);
        LONGS_EQUAL(E_NONE, f->aq9->sendReferenceVectorConfig());
        std::string label = std::to_string(r.latRad) + "," + std::to_string(r.lngRad);
        DOUBLES_EQUAL_TEXT(r.lat, f->aq9->siteLat(), 1e-3, label.c_str());
        DOUBLES_EQUAL_TEXT(r.lng, f->aq9->siteLong(), 2e-3, label.c_str());
        DOUBLES_EQUAL_TEXT(f->aq9->siteLat(), f->sensor->lastLat, 0, label.c_str());
        DOUBLES_EQUAL_TEXT(f->aq9->siteLong(), f->sensor->lastLong, 0, label.c_str());
    }
}

TEST(AQ9SensorConfig, unreachable_navigation_gives_the_default_site)
{
    AQ9TestAccess::setSite(*f->aq9, 10.0f, 20.0f);
    fw::scriptNavigation(fw::NavThrowsException, 0, 0, 0);
    LONGS_EQUAL(E_NONE, f->aq9->sendReferenceVectorConfig());
    DOUBLES_EQUAL(36.806f, f->sensor->lastLat, 0);
    DOUBLES_EQUAL(-121.9421f, f->sensor->lastLong, 0);
    char expected[200];
    snprintf(expected, sizeof expected,
             "AQ9 - Navigation server exception: navigation server not reachable.\n Using default lat/long: %f,%f",
             36.806f, -121.9421f);
    STRCMP_EQUAL(expected, fw::syslogLines().back().c_str());
}

TEST(AQ9SensorConfig, other_navigation_failures_keep_the_site_the_default_one_at_first)
{
    fw::scriptNavigation(fw::NavThrowsOther, 0, 0, 0);
    LONGS_EQUAL(E_NONE, f->aq9->sendReferenceVectorConfig());
    STRCMP_EQUAL("AQ9 - failed on instantiation of NavigationIF", fw::syslogLines().back().c_str());
    DOUBLES_EQUAL(36.806f, f->sensor->lastLat, 0);
    DOUBLES_EQUAL(-121.9421f, f->sensor->lastLong, 0);
    AQ9TestAccess::setSite(*f->aq9, 10.0f, 20.0f);
    LONGS_EQUAL(E_NONE, f->aq9->sendReferenceVectorConfig());
    DOUBLES_EQUAL(10.0f, f->sensor->lastLat, 0);
    DOUBLES_EQUAL(20.0f, f->sensor->lastLong, 0);
}

TEST(AQ9SensorConfig, a_position_that_is_not_a_number_keeps_the_site)
{
    AQ9TestAccess::setSite(*f->aq9, 10.0f, 20.0f);
    const double bad[][2] = {{NAN, 1.0}, {0.5, INFINITY}, {0.5, 1e307}};
    for (const auto& p : bad)
    {
        fw::scriptNavigation(fw::NavReturnsPosition, p[0], p[1], 0);
        LONGS_EQUAL(E_NONE, f->aq9->sendReferenceVectorConfig());
        DOUBLES_EQUAL(10.0f, f->sensor->lastLat, 0);
        DOUBLES_EQUAL(20.0f, f->sensor->lastLong, 0);
    }
    CHECK(fw::logged("AQ9 - navigation position not usable"));
    // A query that failed has no position at all (not 0, 0).
    const int notUsable = fw::loggedCount("AQ9 - navigation position not usable");
    fw::scriptNavigation(fw::NavLocationFails, 0, 0, 0);
    LONGS_EQUAL(E_NONE, f->aq9->sendReferenceVectorConfig());
    DOUBLES_EQUAL(10.0f, f->sensor->lastLat, 0);
    DOUBLES_EQUAL(20.0f, f->sensor->lastLong, 0);
    LONGS_EQUAL(notUsable + 1, fw::loggedCount("AQ9 - navigation position not usable"));
    // Far out, but a number: wrapped in one step.
    fw::scriptNavigation(fw::NavReturnsPosition, 0.5, 1e20, 0);
    f->aq9->sendReferenceVectorConfig();
    CHECK(f->aq9->siteLong() >= -180.0f && f->aq9->siteLong() <= 180.0f);
}

TEST(AQ9SensorConfig, one_navigation_client_at_a_time_released_with_the_driver)
{
    LONGS_EQUAL(E_NONE, f->aq9->sendReferenceVectorConfig());
    LONGS_EQUAL(E_NONE, f->aq9->sendReferenceVectorConfig());
    LONGS_EQUAL(2, fw::navigationClientsCreated());
    LONGS_EQUAL(1, fw::navigationClientsLive());
    // A failed creation leaves no client behind.
    fw::scriptNavigation(fw::NavThrowsException, 0, 0, 0);
    f->aq9->sendReferenceVectorConfig();
    LONGS_EQUAL(0, fw::navigationClientsLive());
    fw::scriptNavigation(fw::NavReturnsPosition, 0, 0, 0);
    f->aq9->sendReferenceVectorConfig();
    LONGS_EQUAL(1, fw::navigationClientsLive());
    delete f->aq9;
    f->aq9 = nullptr;
    LONGS_EQUAL(0, fw::navigationClientsLive());
}

TEST_GROUP(AQ9Initialize)
{
    DriverFixture* f;
    void setup() { f = new DriverFixture(); }
    void teardown()
    {
        delete f;
        fw::reset();
    }
};

TEST(AQ9Initialize, configured_rates_set_the_polling_periods)
{
    f->writeConfig("ahrsRate = 20;\nrawMeasRate = 4;\n");
    LONGS_EQUAL(DeviceIF::Ok, f->aq9->initialize());
    LONGS_EQUAL(2, fw::callbacks().size());
    LONGS_EQUAL(50, fw::callbacks()[0].millisec);
    LONGS_EQUAL(250, fw::callbacks()[1].millisec);
    CHECK(fw::callbacks()[0].callback == static_cast<PeriodicTask::CallbackMethod>(&AQ9::ahrsCallback));
    CHECK(fw::callbacks()[1].callback == static_cast<PeriodicTask::CallbackMethod>(&AQ9::rawMeasCallback));
}

TEST(AQ9Initialize, reinitialising_configures_the_sensor_again_and_writes_the_next_snapshot)
{
    LONGS_EQUAL(DeviceIF::Ok, f->aq9->initialize());
    std::vector<std::string> first = f->sensor->calls;
    STRCMP_EQUAL("initIface", first.front().c_str());
    STRCMP_EQUAL("finalizeIface", first.back().c_str());
    CHECK(fileExists(f->dir + "/latest/aq9.dat"));

    f->post(AQ9Command::ReInitDevice);
    AQ9TestAccess::action(*f->aq9, AQ9IF::MessagesWaiting);
    std::vector<std::string> second(f->sensor->calls.begin() + first.size(), f->sensor->calls.end());
    CHECK(first == second);
    CHECK(fileExists(f->dir + "/latest/aq9.dat.1"));
    LONGS_EQUAL(39, readLines(f->dir + "/latest/aq9.dat").size());
    LONGS_EQUAL(39, readLines(f->dir + "/latest/aq9.dat.1").size());
    LONGS_EQUAL(2, fw::callbacks().size());
    // The same waits again, the ten-minute one first.
    size_t half = fw::sleeps().size() / 2;
    CHECK(std::vector<int>(fw::sleeps().begin(), fw::sleeps().begin() + half) ==
          std::vector<int>(fw::sleeps().begin() + half, fw::sleeps().end()));
    LONGS_EQUAL(600000, fw::sleeps()[half]);
}

TEST(AQ9Initialize, a_failed_configuration_writes_no_snapshot_and_registers_nothing)
{
    f->sensor->fail("getSerialNumber");
    LONGS_EQUAL(DeviceIF::Error, f->aq9->initialize());
    CHECK(!fileExists(f->dir + "/latest/aq9.dat"));
    CHECK(fw::callbacks().empty());
    LONGS_EQUAL(0, f->sensor->count("finalizeIface"));
}

TEST(AQ9Initialize, overwriting_the_stored_calibration_with_defaults_is_warned_only_when_the_file_names_none)
{
    const struct
    {
        const char* config;
        int warnings;
    } rows[] = {
        {"", 1},
        {"ahrsRate = 10;\n", 1},
        {"LoadNewHSICalibration = true;\n", 0},
        {"SaveNewHSICalibration = true;\n", 0},
        {"Mag_B1 = 0.01;\n", 0},
        {"Mag_C21 = 0.0;\n", 0},
    };
    for (const auto& r : rows)
    {
        teardown();
        setup();
        f->writeConfig(r.config);
        LONGS_EQUAL_TEXT(DeviceIF::Ok, f->aq9->initialize(), r.config);
        LONGS_EQUAL_TEXT(r.warnings, fw::loggedCount("stored magnetometer calibration is being replaced"), r.config);
        // The behaviour itself is kept: the defaults are sent and saved.
        LONGS_EQUAL_TEXT(1, f->sensor->count("sendMagCompensation"), r.config);
    }
}
