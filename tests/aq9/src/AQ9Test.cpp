#include <math.h>
#include <string.h>
#include <vector>

#include "DriverFixture.h"
#include "CppUTest/TestHarness.h"

namespace {

DeviceIF::Status blockStatus(const std::string& name)
{
    std::vector<unsigned char> bytes = fw::sharedLastWrite(name);
    DeviceIF::Status s;
    memcpy(&s, bytes.data(), sizeof s);
    return s;
}

ahrsData_SensorUnits goodAhrs(float yaw)
{
    ahrsData_SensorUnits a;
    memset(&a, 0, sizeof a);
    a.ypr_deg.c[0] = yaw;
    a.accel_ms2.c[2] = -9.793746f;
    a.dataGood = 1;
    return a;
}

}  // namespace

TEST_GROUP(AQ9)
{
    DriverFixture* f;
    void setup() { f = new DriverFixture(); }
    void teardown() { delete f; }
};

TEST(AQ9, construction_marks_both_blocks_initializing_once)
{
    LONGS_EQUAL(DeviceIF::Initializing, f->aq9->status());
    LONGS_EQUAL(1, fw::sharedWriteCount("aq9Output"));
    LONGS_EQUAL(1, fw::sharedWriteCount("aq9RawMeasOutput"));
    LONGS_EQUAL(DeviceIF::Initializing, blockStatus("aq9Output"));
    LONGS_EQUAL(DeviceIF::Initializing, blockStatus("aq9RawMeasOutput"));
    CHECK(fw::logged("AQ9 - Interface opened to AQ9Server OK"));
    LONGS_EQUAL(0, f->aq9->attributes()->list.size());
    CHECK(fw::callbacks().empty());
}

TEST(AQ9, initialize_registers_both_polls_at_100_ms_once)
{
    LONGS_EQUAL(DeviceIF::Ok, f->aq9->initialize());
    LONGS_EQUAL(2, fw::callbacks().size());
    LONGS_EQUAL(100, fw::callbacks()[0].millisec);
    LONGS_EQUAL(100, fw::callbacks()[1].millisec);
    CHECK(f->aq9->attributes() == nullptr);
    LONGS_EQUAL(DeviceIF::Ok, f->aq9->initialize());
    LONGS_EQUAL(2, fw::callbacks().size());
    LONGS_EQUAL(2, f->sensor->count("initIface"));
    LONGS_EQUAL(DeviceIF::Initializing, f->aq9->status());
}

TEST(AQ9, a_poll_the_task_cannot_register_fails_initialisation_until_it_is_registered)
{
    const struct
    {
        std::vector<bool> refused;
        const char* logLine;
    } rows[] = {
        {{true}, "AQ9 - could not register the AHRS poll"},
        {{false, true}, "AQ9 - could not register the raw measurement poll"},
    };
    for (const auto& r : rows)
    {
        teardown();
        setup();
        fw::refuseRegistrations(r.refused);
        LONGS_EQUAL_TEXT(DeviceIF::Error, f->aq9->initialize(), r.logLine);
        CHECK_TEXT(fw::logged(r.logLine), r.logLine);
        // The next initialisation registers what is missing, once.
        LONGS_EQUAL_TEXT(DeviceIF::Ok, f->aq9->initialize(), r.logLine);
        LONGS_EQUAL_TEXT(2, fw::callbacks().size(), r.logLine);
        CHECK_TEXT(fw::callbacks()[0].callback != fw::callbacks()[1].callback, r.logLine);
    }
}

TEST(AQ9, initialize_stops_at_the_first_failing_step)
{
    const char* rows[] = {"initIface", "disableAsyncUartAsciiOutput", "finalizeIface"};
    for (const char* failing : rows)
    {
        teardown();
        setup();
        f->sensor->fail(failing);
        LONGS_EQUAL_TEXT(DeviceIF::Error, f->aq9->initialize(), failing);
        STRCMP_EQUAL_TEXT(failing, f->sensor->calls.back().c_str(), failing);
        CHECK_TEXT(fw::callbacks().empty(), failing);
    }
}

TEST(AQ9, missing_configuration_stops_before_the_link)
{
    remove(f->cfg.c_str());
    LONGS_EQUAL(DeviceIF::Error, f->aq9->initialize());
    CHECK(fw::logged("AQ9 - could not load config file. Exiting."));
    CHECK(f->sensor->calls.empty());
}

TEST(AQ9, polling_rates_without_a_whole_millisecond_period_are_refused_before_registering)
{
    const struct
    {
        const char* config;
        const char* log;
    } rows[] = {
        {"ahrsRate = 0;\n", "AQ9 - invalid polling rate 0"},
        {"rawMeasRate = -5;\n", "AQ9 - invalid polling rate -5"},
        // Faster than 1000 Hz the period would truncate to 0 ms.
        {"ahrsRate = 1001;\n", "AQ9 - invalid polling rate 1001"},
    };
    for (const auto& r : rows)
    {
        teardown();
        setup();
        f->writeConfig(r.config);
        LONGS_EQUAL_TEXT(DeviceIF::Error, f->aq9->initialize(), r.config);
        CHECK_TEXT(fw::logged(r.log), r.config);
        CHECK_TEXT(fw::callbacks().empty(), r.config);
        // Refused before anything reaches the sensor, not after the whole sequence.
        CHECK_TEXT(f->sensor->calls.empty(), r.config);
        // A re-initialisation is checked the same way, and a calibration run
        // afterwards still takes the rate the polls run at.
        f->writeConfig("");
        LONGS_EQUAL_TEXT(DeviceIF::Ok, f->aq9->initialize(), r.config);
        f->writeConfig(r.config);
        f->sensor->calls.clear();
        LONGS_EQUAL_TEXT(DeviceIF::Error, f->aq9->initialize(), r.config);
        CHECK_TEXT(f->sensor->calls.empty(), r.config);
        f->sensor->_settings.HSICalibrationMode3D = 0;
        LONGS_EQUAL_TEXT(DeviceIF::Ok, f->aq9->initializeHsiRoutine(AQ9TestAccess::hsiConfig(*f->aq9)), r.config);
        LONGS_EQUAL_TEXT(10, AQ9TestAccess::hsiConfig(*f->aq9).dataRate, r.config);
    }
    teardown();
    setup();
    f->writeConfig("ahrsRate = 1000;\n");
    LONGS_EQUAL(DeviceIF::Ok, f->aq9->initialize());
    LONGS_EQUAL(1, fw::callbacks()[0].millisec);
}

TEST(AQ9, initialize_starts_from_defaults_then_the_configuration)
{
    f->aq9->HSIMode(2);
    f->aq9->ahrsRate(55);
    f->writeConfig("HSIOutput = 3;\n");
    f->sensor->fail("initIface");
    f->aq9->initialize();
    LONGS_EQUAL(10, f->aq9->ahrsRate());
    // A key the configuration does not name takes its attribute default.
    LONGS_EQUAL(0, f->aq9->HSIMode());
    LONGS_EQUAL(3, f->aq9->HSIOutput());
}

TEST(AQ9, action_executes_each_command_with_its_log)
{
    struct Row
    {
        AQ9Command::AQ9Commands code;
        const char* call;
        const char* log;
    } rows[] = {
        {AQ9Command::DisableHSIEstimator, "sendHSISettings", "AQ9::action - AQHSIMODE_OFF"},
        {AQ9Command::EnableHSIEstimator, "sendHSISettings", "AQ9::action - AQHSIMODE_RUN"},
        {AQ9Command::ResetHSISolution, "sendHSISettings", "AQ9::action - AQHSIMODE_RESET"},
        {AQ9Command::UseAqSensorHSI, "sendHSISettings", "AQ9::action - AQHSIOUTPUT_USEONBOARD"},
        {AQ9Command::IgnoreAqSensorHSI, "sendHSISettings", "AQ9::action - AQHSIOUTPUT_NOONBOARD"},
        {AQ9Command::ResetDevice, "resetDevice", nullptr},
        {AQ9Command::SetRefVecPosition, "configureReferenceVectors", "AQ9::action - new ref. vec. pos: 36.500000,-122.000000"},
        {AQ9Command::SetRefVecYear, "configureReferenceVectors", "AQ9::action - new ref. vec. decimal year: 2025.500000"},
    };
    for (const Row& r : rows)
    {
        fw::reset();
        f->sensor->calls.clear();
        f->post(r.code, 2025.5f, 36.5f, -122.0f);
        AQ9TestAccess::action(*f->aq9, AQ9IF::MessagesWaiting);
        LONGS_EQUAL_TEXT(1, f->sensor->calls.size(), r.call);
        STRCMP_EQUAL(r.call, f->sensor->calls[0].c_str());
        if (r.log != nullptr)
            CHECK_TEXT(fw::logged(r.log), r.log);
        LONGS_EQUAL(0, fw::loggedCount("error"));
    }
}

TEST(AQ9, hsi_commands_send_the_stored_values)
{
    f->aq9->HSIOutput(3);
    f->aq9->HSIConvergeRate(7);
    f->aq9->HSIMode(1);
    f->post(AQ9Command::ResetHSISolution);
    f->post(AQ9Command::DisableHSIEstimator);
    f->post(AQ9Command::IgnoreAqSensorHSI);
    AQ9TestAccess::action(*f->aq9, AQ9IF::MessagesWaiting);
    LONGS_EQUAL(3, f->sensor->count("sendHSISettings"));
    LONGS_EQUAL(AQHSIMODE_OFF, f->sensor->lastHsiMode);
    LONGS_EQUAL(AQHSIOUTPUT_NOONBOARD, f->sensor->lastHsiOutput);
    LONGS_EQUAL(7, f->sensor->lastHsiRate);
    LONGS_EQUAL(AQHSIOUTPUT_NOONBOARD, f->aq9->HSIOutput());
}

TEST(AQ9, reset_solution_sends_mode_2_without_storing_it)
{
    f->aq9->HSIMode(1);
    f->aq9->HSIOutput(3);
    f->aq9->HSIConvergeRate(5);
    f->sensor->fail("sendHSISettings");
    f->post(AQ9Command::ResetHSISolution);
    AQ9TestAccess::action(*f->aq9, AQ9IF::MessagesWaiting);
    LONGS_EQUAL(AQHSIMODE_RESET, f->sensor->lastHsiMode);
    LONGS_EQUAL(3, f->sensor->lastHsiOutput);
    LONGS_EQUAL(5, f->sensor->lastHsiRate);
    LONGS_EQUAL(1, f->aq9->HSIMode());
    CHECK(fw::logged("AQ9::action - error resetting HSI"));
    CHECK(fw::logged("AQ9::action - AQHSIMODE_RESET"));
}

TEST(AQ9, failed_commands_log_and_keep_the_setting)
{
    struct Row
    {
        AQ9Command::AQ9Commands code;
        const char* failing;
        const char* log;
    } rows[] = {
        {AQ9Command::DisableHSIEstimator, "sendHSISettings", "AQ9::action - error disabling HSI"},
        {AQ9Command::EnableHSIEstimator, "sendHSISettings", "AQ9::action - error enabling HSI"},
        {AQ9Command::UseAqSensorHSI, "sendHSISettings", "AQ9::action - error setting HSIOutput=AQHSIOUTPUT_USEONBOARD"},
        {AQ9Command::IgnoreAqSensorHSI, "sendHSISettings", "AQ9::action - error setting HSIOutput=AQHSIOUTPUT_NOONBOARD"},
        {AQ9Command::ResetDevice, "resetDevice", "AQ9::action - error resetting device."},
        {AQ9Command::SetRefVecPosition, "configureReferenceVectors", "AQ9::action - failed to update reference vector lat/long."},
        {AQ9Command::SetRefVecYear, "configureReferenceVectors", "AQ9::action - failed to update reference vector decimal year."},
    };
    for (const Row& r : rows)
    {
        teardown();
        setup();
        f->sensor->fail(r.failing);
        f->post(r.code, 2025.5f);
        AQ9TestAccess::action(*f->aq9, AQ9IF::MessagesWaiting);
        CHECK_TEXT(fw::logged(r.log), r.log);
    }
    // The mode change stays in force although sending it failed.
    teardown();
    setup();
    f->sensor->fail("sendHSISettings");
    f->post(AQ9Command::DisableHSIEstimator);
    AQ9TestAccess::action(*f->aq9, AQ9IF::MessagesWaiting);
    LONGS_EQUAL(AQHSIMODE_OFF, f->aq9->HSIMode());
}

TEST(AQ9, reference_position_command_sends_the_stored_year)
{
    f->post(AQ9Command::SetRefVecYear, 2024.25f);
    f->post(AQ9Command::SetRefVecPosition, 0, 36.5f, -122.0f);
    AQ9TestAccess::action(*f->aq9, AQ9IF::MessagesWaiting);
    DOUBLES_EQUAL(36.5, f->sensor->lastLat, 0);
    DOUBLES_EQUAL(-122.0, f->sensor->lastLong, 0);
    DOUBLES_EQUAL(2024.25, f->sensor->lastYear, 0);
    CHECK(f->sensor->lastUseMag && f->sensor->lastUseGrav);
}

// The site and year reach the sensor's reference vectors and every later
// calibration run; impossible ones are refused and the stored ones kept.
TEST(AQ9, reference_commands_refuse_impossible_arguments)
{
    const float nan = NAN, inf = INFINITY;
    struct Row
    {
        AQ9Command::AQ9Commands code;
        float year, lat, lon;
        bool sent;
    } rows[] = {
        {AQ9Command::SetRefVecPosition, 0, 90.0f, 180.0f, true},
        {AQ9Command::SetRefVecPosition, 0, -90.0f, -180.0f, true},
        {AQ9Command::SetRefVecPosition, 0, nan, -122.0f, false},
        {AQ9Command::SetRefVecPosition, 0, 36.5f, nan, false},
        {AQ9Command::SetRefVecPosition, 0, inf, 0, false},
        {AQ9Command::SetRefVecPosition, 0, 90.5f, 0, false},
        {AQ9Command::SetRefVecPosition, 0, 0, -180.5f, false},
        {AQ9Command::SetRefVecYear, 2100.0f, 0, 0, true},
        {AQ9Command::SetRefVecYear, nan, 0, 0, false},
        {AQ9Command::SetRefVecYear, -inf, 0, 0, false},
        {AQ9Command::SetRefVecYear, 1899.5f, 0, 0, false},
        {AQ9Command::SetRefVecYear, 1e9f, 0, 0, false},
    };
    for (const Row& r : rows)
    {
        teardown();
        setup();
        const float lat = f->aq9->siteLat(), lon = f->aq9->siteLong(), year = f->aq9->decimalYear();
        f->post(r.code, r.year, r.lat, r.lon);
        AQ9TestAccess::action(*f->aq9, AQ9IF::MessagesWaiting);
        LONGS_EQUAL(r.sent ? 1 : 0, f->sensor->count("configureReferenceVectors"));
        if (r.sent)
            continue;
        CHECK(fw::loggedCount("refused") == 1);
        DOUBLES_EQUAL(lat, f->aq9->siteLat(), 0);
        DOUBLES_EQUAL(lon, f->aq9->siteLong(), 0);
        DOUBLES_EQUAL(year, f->aq9->decimalYear(), 0);
    }
}

TEST(AQ9, invalid_codes_are_skipped_and_the_queue_drained)
{
    f->post(AQ9Command::None);
    f->post(static_cast<AQ9Command::AQ9Commands>(12));
    f->post(AQ9Command::ResetDevice);
    AQ9TestAccess::action(*f->aq9, 5);
    CHECK(fw::logged("AQ9::action - unrecognized evend (5)"));
    CHECK(fw::logged("AQ9::action - Invalid command: 0"));
    CHECK(fw::logged("AQ9::action - Invalid command: 12"));
    LONGS_EQUAL(1, f->sensor->count("resetDevice"));
    AQ9TestAccess::action(*f->aq9, AQ9IF::MessagesWaiting);
    LONGS_EQUAL(1, f->sensor->count("resetDevice"));
}

TEST(AQ9, reinit_command_runs_the_sequence_again)
{
    LONGS_EQUAL(DeviceIF::Ok, f->aq9->initialize());
    f->post(AQ9Command::ReInitDevice);
    AQ9TestAccess::action(*f->aq9, AQ9IF::MessagesWaiting);
    LONGS_EQUAL(2, f->sensor->count("finalizeIface"));
    LONGS_EQUAL(2, fw::callbacks().size());
    CHECK(fw::logged("AQ9:: WARN - _log object already initialized"));
}

TEST(AQ9, ahrs_callback_publishes_and_logs_good_records_only)
{
    f->sensor->ahrsRecords.push_back(goodAhrs(90));
    f->aq9->ahrsCallback();
    // No log exists before initializeLogs; the block is still published.
    LONGS_EQUAL(2, fw::sharedWriteCount("aq9Output"));
    LONGS_EQUAL(DeviceIF::Ok, blockStatus("aq9Output"));
    f->aq9->initializeLogs();
    ahrsData_SensorUnits bad = goodAhrs(45);
    bad.dataGood = 0;
    f->sensor->ahrsRecords.push_back(bad);
    f->aq9->ahrsCallback();
    LONGS_EQUAL(2, fw::sharedWriteCount("aq9Output"));
    DOUBLES_EQUAL(1.5707964, f->aq9->data.yaw_rad, 1e-7);
    CHECK(fw::logRecords("aqAhrs").empty());
    f->sensor->ahrsRecords.push_back(goodAhrs(45));
    f->aq9->ahrsCallback();
    LONGS_EQUAL(1, fw::logRecords("aqAhrs").size());
    DOUBLES_EQUAL(0.7853982, fw::logRecords("aqAhrs")[0][2], 1e-7);
    DOUBLES_EQUAL(-1.0, fw::logRecords("aqAhrs")[0][11], 1e-6);
}

TEST(AQ9, raw_callback_publishes_the_raw_block)
{
    f->aq9->initializeLogs();
    rawMeasData_SensorUnits r;
    memset(&r, 0, sizeof r);
    r.mag_G.c[0] = 0.27f;
    r.temp_C = 22.25f;
    r.dataGood = 1;
    f->sensor->rawRecords.push_back(r);
    f->aq9->rawMeasCallback();
    LONGS_EQUAL(2, fw::sharedWriteCount("aq9RawMeasOutput"));
    LONGS_EQUAL(DeviceIF::Ok, blockStatus("aq9RawMeasOutput"));
    DOUBLES_EQUAL(0.27, f->rawOut->data.uMagX_G, 1e-7);
    DOUBLES_EQUAL(22.25, f->rawOut->data.uTemp_C, 0);
    LONGS_EQUAL(1, fw::logRecords("aqMeas").size());
    f->aq9->rawMeasCallback();
    LONGS_EQUAL(2, fw::sharedWriteCount("aq9RawMeasOutput"));
}

TEST(AQ9, onboard_calibration_callback)
{
    f->sensor->fail("getCalculatedHSICalibration");
    f->aq9->hsiCallback();
    CHECK(fw::logged("AQ9 - Error getting Hard+Soft Iron calibration data."));
}
