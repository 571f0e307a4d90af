// The driver's own UART link on a real serial port against aq9sim: the whole
// start-up, register round trips, polls, the sensor's error reports and each
// wire fault as the link sees it.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "AQ9.h"
#include "AQ9Output.h"
#include "AQ9RawMeasOutput.h"
#include "AQ9UartSensor.h"
#include "CppUTest/TestHarness.h"
#include "HostPlatform.h"
#include "SerialDevice.h"
#include "SimProcess.h"
#include "aq/hsi/aqhsi.h"

namespace {

double secondsSince(const timespec& t0)
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec - t0.tv_sec) + (t.tv_nsec - t0.tv_nsec) / 1e9;
}

void sleepUntil(const timespec& t0, double seconds)
{
    const double left = seconds - secondsSince(t0);
    if (left > 0)
        usleep(static_cast<useconds_t>(left * 1e6));
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// What fn prints on standard output.
template <typename F>
std::string stdoutOf(F fn)
{
    fflush(stdout);
    int fds[2];
    if (pipe(fds) != 0)
        return "";
    const int saved = dup(1);
    dup2(fds[1], 1);
    fn();
    fflush(stdout);
    dup2(saved, 1);
    close(saved);
    close(fds[1]);
    char buf[512] = {0};
    const ssize_t n = read(fds[0], buf, sizeof buf - 1);
    close(fds[0]);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : "";
}

v9d matrix(double a, double b, double c, double d, double e, double f, double g, double h, double i)
{
    return v9d{{a, b, c, d, e, f, g, h, i}};
}

void checkClose(const double* want, const double* got, int n, const char* what)
{
    for (int k = 0; k < n; k++)
        DOUBLES_EQUAL_TEXT(want[k], got[k], 1e-6, what);
}

} // namespace

TEST_GROUP(UartLinkSim)
{
    std::string dir;
    SimProcess* sim = nullptr;
    SerialDevice* dev = nullptr;
    AQ9UartSensor* link = nullptr;
    timespec started;

    void setup()
    {
        char tmpl[] = "/tmp/aq9linkXXXXXX";
        dir = mkdtemp(tmpl);
    }
    void teardown()
    {
        delete link;
        delete dev;
        delete sim;
        hostplatform::setTimeScale(1.0);
        const std::string cmd = "rm -rf '" + dir + "'";
        CHECK_EQUAL(0, system(cmd.c_str()));
    }
    void start(std::vector<std::string> args)
    {
        args.insert(args.end(), {"--link", dir + "/aq9", "--state", dir + "/state.json"});
        sim = new SimProcess(args);
        clock_gettime(CLOCK_MONOTONIC, &started);
        CHECK(!sim->path().empty());
        dev = new SerialDevice((dir + "/aq9").c_str());
        link = new AQ9UartSensor(dev);
        CHECK_EQUAL(DeviceIF::Ok, link->initIface());
    }
    std::string state() { return fileText(dir + "/state.json"); }
};

// initialize runs every step of the start-up against the simulator (the
// ten-minute settling wait shortened through the host's time scale), and the
// polls then return the motion's attitude.
TEST(UartLinkSim, serves_the_drivers_whole_start_up_and_its_polls)
{
    start({"--motion", "still"});
    hostplatform::setTimeScale(0.0001);
    setenv("AUV_LOG_DIR", dir.c_str(), 1);
    const std::string cfg = dir + "/mission.cfg";
    fclose(fopen(cfg.c_str(), "w"));
    AQ9Output out(SharedData::ReadWrite, 1);
    AQ9RawMeasOutput rawOut(SharedData::ReadWrite, 1);
    AQ9 aq9(link, &out, &rawOut, cfg.c_str());
    CHECK_EQUAL(DeviceIF::Ok, aq9.initialize());

    STRCMP_EQUAL("AQ-9T", link->_modelNumber);
    CHECK_EQUAL(100442u, link->_serialNumber);
    STRCMP_EQUAL("2.1.0.4", link->_firmwareVersion);
    DOUBLES_EQUAL(9.7996, aq9.vec3fMag(aq9.gVector()), 1e-3);
    const std::string s = state();
    CHECK(contains(s, "\"AsyncDataOutputType\": {\"number\": 6, \"ador\": 0}"));
    CHECK(contains(s, "\"serialChecksum\": 2, \"spiChecksum\": 2, \"errorMode\": 1"));
    CHECK(contains(s, "\"BinaryOutput1\": {\"number\": 75, \"asyncMode\": 0, \"rateDivisor\": 800, \"outputGroup\": 17, "
                      "\"commonField\": 5416, \"timeField\": 0, \"imuField\": 0, \"gpsField\": 0, \"attitudeField\": 256"));
    CHECK(contains(s, "\"BinaryOutput2\": {\"number\": 76, \"asyncMode\": 0, \"rateDivisor\": 800, \"outputGroup\": 4, "
                      "\"commonField\": 0, \"timeField\": 0, \"imuField\": 62"));
    // The driver's rotation, saved and in force after its reset.
    CHECK(contains(s, "\"activeRotation\": [-1.000000, 0.000000, 0.000000, 0.000000, -1.000000"));
    // The rotation is saved, then the compensation the configuration loads.
    CHECK(contains(s, "\"RST\": 1"));
    CHECK(contains(s, "\"WNV\": 2"));

    for (int i = 0; i < 3; i++)
    {
        aq9.ahrsCallback();
        aq9.rawMeasCallback();
    }
    const ahrsData_SensorUnits a = link->AhrsData();
    CHECK_EQUAL(1, a.dataGood);
    DOUBLES_EQUAL(60.0, a.ypr_deg.c[0], 1.0);
    DOUBLES_EQUAL(0.0, a.ypr_deg.c[1], 0.2);
    DOUBLES_EQUAL(0.0, a.ypr_deg.c[2], 0.2);
    DOUBLES_EQUAL(-9.7996, a.accel_ms2.c[2], 0.05);
    const rawMeasData_SensorUnits r = link->RawMeasData();
    CHECK_EQUAL(1, r.dataGood);
    DOUBLES_EQUAL(101.3, r.pres_kpa, 0.2);
    DOUBLES_EQUAL(-9.7996, r.accel_ms2.c[2], 0.05);
    // Raw values are in sensor axes, turned half round against the vehicle's.
    DOUBLES_EQUAL(-a.mag_G.c[0], r.mag_G.c[0], 0.005);
    unsetenv("AUV_LOG_DIR");
}

// What the link writes comes back unchanged in the sensor's echo, and the
// registers the link can read give the same values again; the unsolicited
// sentences stop with step 1.
TEST(UartLinkSim, every_register_the_link_writes_reads_back_the_same)
{
    start({});
    char line[256];
    CHECK(dev->readNChars(line, 254, 1000) > 0 && strncmp(line, "$AQYMR,", 7) == 0);
    CHECK_EQUAL(E_NONE, link->disableAsyncUartAsciiOutput());
    try
    {
        dev->clearPort();
        dev->readNChars(line, 254, 300);
        FAIL("an unsolicited sentence after the output was turned off");
    }
    catch (SerialDevice::TimedOut& e)
    {
        CHECK_EQUAL(0, e.nBytesRead());
    }

    aq9Settings& set = link->_settings;
    set.MagCompC = matrix(1.05, 0.02, -0.01, 0.02, 0.97, 0.005, -0.01, 0.005, 1.01);
    set.MagCompB = v3d{{0.12, -0.04, 0.03}};
    set.AccelCompC = matrix(1.001, 0, 0, 0, 0.999, 0, 0, 0, 1.002);
    set.AccelCompB = v3d{{0.01, 0.02, -0.03}};
    set.GyroCompC = matrix(1, 0.001, 0, 0.001, 1, 0, 0, 0, 1);
    set.GyroCompB = v3d{{0.0001, -0.0002, 0.0003}};
    set.Rot = matrix(0, 1, 0, -1, 0, 0, 0, 0, 1);
    set.AFEGyroTuning = matrix(1e-5, 1e-5, 1e-5, 0.5, 0.5, 0.5, 2, 2, 2);
    set.AFEAccelTuning = matrix(3, 3, 3, 2, 2, 2, 5.5, 5.5, 5.5);
    set.AFEMagTuning = matrix(4, 4, 4, 1.5, 1.5, 1.5, 6, 6, 6);
    set.GyroStartupBias = v3d{{0.001, -0.002, 0.003}};
    set.AccelStartupBias = v3d{{0.05, 0.0, -0.05}};
    const aq9Settings sent = set;
    CHECK_EQUAL(E_NONE, link->enableCrcChecksums());
    CHECK_EQUAL(E_NONE, link->setupBinaryReg1DesiredOutputs());
    CHECK_EQUAL(E_NONE, link->setupBinaryReg2DesiredOutputs());
    CHECK_EQUAL(E_NONE, link->sendHSISettings(0, 1, 3));
    CHECK_EQUAL(E_NONE, link->sendMagCompensation());
    CHECK_EQUAL(E_NONE, link->sendAccelCompensation());
    CHECK_EQUAL(E_NONE, link->sendGyroCompensation());
    CHECK_EQUAL(E_NONE, link->sendInstrumentRotation());
    CHECK_EQUAL(E_NONE, link->sendAFEGyroTuningParameters());
    CHECK_EQUAL(E_NONE, link->sendAFEAccelTuningParameters());
    CHECK_EQUAL(E_NONE, link->sendAFEMagTuningParameters());
    CHECK_EQUAL(E_NONE, link->sendFilterStartupBiasParameters());
    CHECK_EQUAL(E_NONE, link->sendAFEBasicControlParameters());
    CHECK_EQUAL(E_NONE, link->sendKnownMagDisturbanceCmd(1));
    CHECK_EQUAL(0, set.HSIMode);
    CHECK_EQUAL(1, set.HSIOutput);
    CHECK_EQUAL(3, set.HSIConvergeRate);
    checkClose(sent.AccelCompC.c, set.AccelCompC.c, 9, "accelerometer compensation");
    checkClose(sent.AccelCompB.c, set.AccelCompB.c, 3, "accelerometer offset");
    checkClose(sent.GyroCompC.c, set.GyroCompC.c, 9, "gyro compensation");
    checkClose(sent.GyroCompB.c, set.GyroCompB.c, 3, "gyro offset");
    checkClose(sent.AFEGyroTuning.c, set.AFEGyroTuning.c, 9, "gyro tuning");
    checkClose(sent.AFEAccelTuning.c, set.AFEAccelTuning.c, 9, "accelerometer tuning");
    checkClose(sent.AFEMagTuning.c, set.AFEMagTuning.c, 9, "magnetometer tuning");
    checkClose(sent.GyroStartupBias.c, set.GyroStartupBias.c, 3, "gyro start-up bias");
    checkClose(sent.AccelStartupBias.c, set.AccelStartupBias.c, 3, "accelerometer start-up bias");

    memset(&set.MagCompC, 0, sizeof set.MagCompC);
    memset(&set.MagCompB, 0, sizeof set.MagCompB);
    memset(&set.Rot, 0, sizeof set.Rot);
    CHECK_EQUAL(E_NONE, link->getUserHSICalibration());
    CHECK_EQUAL(E_NONE, link->getInstrumentRotationMatrix());
    checkClose(sent.MagCompC.c, set.MagCompC.c, 9, "magnetometer compensation");
    checkClose(sent.MagCompB.c, set.MagCompB.c, 3, "magnetometer offset");
    checkClose(sent.Rot.c, set.Rot.c, 9, "rotation");

    CHECK_EQUAL(E_NONE, link->configureReferenceVectors(-33.5f, 151.25f, true, true, 2024.5f));
    CHECK_EQUAL(E_NONE, link->getMagGravRefVectors());
    AqHsiConfig c;
    memset(&c, 0, sizeof c);
    c.latitude = -33.5f;
    c.longitude = 151.25f;
    const AqHsiDipole d = aqhsi_dipole_init(&c);
    DOUBLES_EQUAL(d.Bnorth, link->_magRefVector.c[0], 1e-6);
    DOUBLES_EQUAL(d.Bdown, link->_magRefVector.c[2], 1e-6);
    DOUBLES_EQUAL(-9.7959, link->_gravRefVector.c[2], 1e-3);
    CHECK_EQUAL(E_NONE, link->getCalculatedHSICalibration());
    CHECK_EQUAL(E_NONE, link->writeSettingToEEPROM());
    CHECK(contains(state(), "\"knownMagneticDisturbance\": true"));
}

// The link prints the sensor's error text for each kind of bad command.
TEST(UartLinkSim, reports_the_sensors_error_for_each_bad_command)
{
    start({});
    CHECK_EQUAL(E_NONE, link->disableAsyncUartAsciiOutput());
    const struct
    {
        std::string command;
        const char* printed;
    } rows[] = {
        {"$AQRRG,01*7B\r\n", "Sensor Error: SENSOR_INVALID_CHECKSUM\n"},
        {"$AQFOO*XX\r\n", "Sensor Error: SENSOR_INVALID_COMMAND\n"},
        {"$AQWRG,44,1*XX\r\n", "Sensor Error: SENSOR_NOT_ENOUGH_PARAMETERS\n"},
        {"$AQWRG,44,1,3,5,7*XX\r\n", "Sensor Error: SENSOR_TOO_MANY_PARAMETERS\n"},
        {"$AQWRG,44,1,2,5*XX\r\n", "Sensor Error: SENSOR_INVALID_PARAMETER\n"},
        {"$AQRRG,58*XX\r\n", "Sensor Error: SENSOR_INVALID_REGISTER\n"},
        {"$AQWRG,1,AQ-9X*XX\r\n", "Sensor Error: SENSOR_UNAUTHORIZED_ACCESS\n"},
        {"$AQWRG,0," + std::string(300, 'a') + "*XX\r\n", "Sensor Error: SENSOR_SERIAL_BUFFER_OVERFLOW\n"},
    };
    for (const auto& row : rows)
    {
        const std::string printed = stdoutOf([&]() {
            link->writeCommand(row.command.c_str(), row.command.size());
            link->processAsciiRecords();
        });
        STRCMP_EQUAL(row.printed, printed.c_str());
    }
}

// Inside a fault window a poll yields no record (time-out, CRC or finder
// failure) and a command whose every reply fails its check fails; after the
// window the link recovers. (A silent command would take five 1.5 s reads.)
TEST(UartLinkSim, sees_each_wire_fault_as_the_failure_it_causes_and_recovers_after_it)
{
    const struct
    {
        const char* fault;
        bool checkCommand;
    } rows[] = {
        {"silent@1.5+1.5", false}, {"garbage@1.5+1.5", false}, {"bad-crc@1.5+1.5", true},
        {"drop-bytes@1.5+1.5", false}, {"slow@1.5+1.5", false},
    };
    for (const auto& row : rows)
    {
        start({"--fault", row.fault});
        CHECK_EQUAL_TEXT(E_NONE, link->disableAsyncUartAsciiOutput(), row.fault);
        CHECK_EQUAL_TEXT(E_NONE, link->setupBinaryReg1DesiredOutputs(), row.fault);
        CHECK_EQUAL_TEXT(DeviceIF::Ok, link->finalizeIface(), row.fault);
        CHECK_EQUAL_TEXT(1, link->getAhrsData().dataGood, row.fault);
        sleepUntil(started, 1.6);
        CHECK_EQUAL_TEXT(0, link->getAhrsData().dataGood, row.fault);
        if (row.checkCommand)
            CHECK_EQUAL_TEXT(E_UNKNOWN, link->getModelNumber(), row.fault);
        sleepUntil(started, 3.2);
        int good = 0;
        for (int i = 0; i < 3; i++)
            good += link->getAhrsData().dataGood;
        CHECK_TEXT(good >= 2, row.fault);
        delete link;
        delete dev;
        delete sim;
        link = nullptr, dev = nullptr, sim = nullptr;
    }
}
