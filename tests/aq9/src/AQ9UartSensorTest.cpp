// The UART link against the serial port double and the simulated device
// calls: the commands each register operation sends, what it stores from the
// reply, the retry and error paths, the handler's fixed order, the byte-exact
// binary reads and the parsing of both sample records.
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "AQ9UartSensor.h"
#include "FrameworkRecorder.h"
#include "SerialDevice.h"
#include "SerialDeviceDouble.h"
#include "TermiosComparitor.h"
#include "aq/error_detection.h"
#include "aq/protocol/upack_commands.h"

#include "CppUTest/TestHarness.h"
#include "CppUTestExt/MockSupport.h"

namespace {

const AqErrorDetectionMode CRC = AQERRORDETECTIONMODE_CRC;

// The scripted sensor: a reply (text between '$' and '*') for each command
// prefix; the reply goes out with its CRC and ends in the lone CR that line
// mode makes of the sensor's CR LF.
struct ScriptedSensor
{
    std::vector<std::pair<std::string, std::string>> replies;
    std::vector<std::string> sent;
    std::vector<std::string> late;  // replies to earlier commands, sent first, one per write
};

std::string sentence(const std::string& body)
{
    char check[8];
    snprintf(check, sizeof check, "*%04X\r", AqCrc16_compute(body.data(), body.size()));
    return "$" + body + check;
}

void respond(SerialDevice* device, const char* written, int nBytes, void* context)
{
    ScriptedSensor* s = static_cast<ScriptedSensor*>(context);
    std::string cmd(written, static_cast<size_t>(nBytes));
    s->sent.push_back(cmd);
    if (!s->late.empty())
    {
        device->simOutputStr(sentence(s->late.front()).c_str());
        s->late.erase(s->late.begin());
        return;
    }
    for (const auto& r : s->replies)
        if (cmd.compare(0, r.first.size(), r.first) == 0)
        {
            device->simOutputStr(sentence(r.second).c_str());
            return;
        }
}

std::vector<unsigned char> fromHex(const char* hex)
{
    std::vector<unsigned char> out;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2)
    {
        unsigned v = 0;
        sscanf(hex + i, "%2x", &v);
        out.push_back(static_cast<unsigned char>(v));
    }
    return out;
}

const char* kRecord1 =
    "fa11281500019d64fbc109d2c43e33b362be0006e539bd946f3a80e8223a125d383dec952e3d713a18c175ec863ecc06263e66eadd3e7a14"
    "c9419c44cb4200003a863e3d1a4aeb3c8365f53c428c";
const char* kRecord2 =
    "fa043e0048558a3eaa0a023e86bcdd3e06dfa33d06463d3d70c417c1e4b329bb4189063acb3f8abb0000b24113c3ca426842";

// The 24 response flags are declared one after another.
bool anyFlagRaised(const AQ9UartSensor& s)
{
    const bool* first = &s.gIsCheckingForModelNumberResponse;
    const bool* last = &s.gIsCheckingForKnownMagneticDisturbanceResponse;
    LONGS_EQUAL(23, last - first);
    for (const bool* f = first; f <= last; f++)
        if (*f)
            return true;
    return false;
}

v9d oneToNine(double scale)
{
    v9d v;
    for (int i = 0; i < 9; i++)
        v.c[i] = scale * (i + 1);
    return v;
}

void checkV9d(const v9d& expected, const v9d& actual, const char* label)
{
    for (int i = 0; i < 9; i++)
        DOUBLES_EQUAL_TEXT(expected.c[i], actual.c[i], 0.0, label);
}

// The row's operation; expected command built by the generator with the
// values the operation must take from its arguments and the settings.
typedef AqError (*Operation)(AQ9UartSensor& s);
typedef void (*Expected)(AQ9UartSensor& s, char* buf, size_t* size);
typedef void (*Stored)(AQ9UartSensor& s, const char* label);

struct RegisterRow
{
    const char* label;
    Operation run;
    Expected expected;
    const char* reply;  // null: accepted on a prefix, reply is the echo given here
    Stored check;
};

vec3f tuning(const v9d& t, int row)
{
    vec3f v = {{(float)t.c[3 * row], (float)t.c[3 * row + 1], (float)t.c[3 * row + 2]}};
    return v;
}

mat3f m3(const v9d& v)
{
    return AQ9Sensor::v9dToMat3f(v);
}

vec3f v3(const v3d& v)
{
    return AQ9Sensor::v3dToVec3f(v);
}

void noCheck(AQ9UartSensor&, const char*) {}

// Row helpers: the operation, and the generator call after its common arguments.
#define OP(call) [](AQ9UartSensor & s) { return s.call; }
#define GEN(gen, ...) [](AQ9UartSensor & s, char* b, size_t* n) { (void)s; gen(b, 256, CRC, n, ##__VA_ARGS__); }
#define CHECKS(body) [](AQ9UartSensor & s, const char* l) { body; }

const RegisterRow kRegisterRows[] = {
    {"async output off", OP(disableAsyncUartAsciiOutput()), GEN(AqUartPacket_genWriteAsyncDataOutputType, 0),
     "AQWRG,06,0", CHECKS(LONGS_EQUAL_TEXT(0, s._settings.ADOR, l))},
    {"CRC checksums", OP(enableCrcChecksums()),
     GEN(AqUartPacket_genWriteCommunicationProtocolControl, 0, 0, 0, 0, 2, 2, 1), "AQWRG,30,0,0,0,0,2,2,1", noCheck},
    {"binary output 1", OP(setupBinaryReg1DesiredOutputs()),
     GEN(AqUartPacket_genWriteBinaryOutput1, 0, 800, 0x1528, 0, 0, 0, 0x0100, 0, 0), "AQWRG,75,0,800,11,1528,0100",
     noCheck},
    {"binary output 2", OP(setupBinaryReg2DesiredOutputs()),
     GEN(AqUartPacket_genWriteBinaryOutput2, 0, 800, 0, 0, 0x003E, 0, 0, 0, 0), "AQWRG,76,0,800,04,003E", noCheck},
    {"reference vectors", OP(getMagGravRefVectors()), GEN(AqUartPacket_genReadMagneticAndGravityReferenceVectors),
     "AQRRG,21,0.25,0.5,0.75,0,0.125,-9.75", CHECKS({
         DOUBLES_EQUAL_TEXT(0.75, s._magRefVector.c[2], 0, l);
         DOUBLES_EQUAL_TEXT(-9.75, s._gravRefVector.c[2], 0, l);
     })},
    {"HSI settings", OP(sendHSISettings(1, 3, 5)), GEN(AqUartPacket_genWriteMagnetometerCalibrationControl, 1, 3, 5),
     "AQWRG,44,2,1,4", CHECKS({
         LONGS_EQUAL_TEXT(2, s._settings.HSIMode, l);
         LONGS_EQUAL_TEXT(1, s._settings.HSIOutput, l);
         LONGS_EQUAL_TEXT(4, s._settings.HSIConvergeRate, l);
     })},
    {"mag compensation", OP(sendMagCompensation()),
     GEN(AqUartPacket_genWriteMagnetometerCompensation, m3(s._settings.MagCompC), v3(s._settings.MagCompB)),
     "AQWRG,23,1,2,3,4,5,6,7,8,9,0.5,0.25,0.125", CHECKS({
         checkV9d(oneToNine(1), s._settings.MagCompC, l);
         DOUBLES_EQUAL_TEXT(0.125, s._settings.MagCompB.c[2], 0, l);
     })},
    {"accel compensation", OP(sendAccelCompensation()),
     GEN(AqUartPacket_genWriteAccelerationCompensation, m3(s._settings.AccelCompC), v3(s._settings.AccelCompB)),
     "AQWRG,25,1,2,3,4,5,6,7,8,9,0.5,0.25,0.125", CHECKS({
         checkV9d(oneToNine(1), s._settings.AccelCompC, l);
         DOUBLES_EQUAL_TEXT(0.5, s._settings.AccelCompB.c[0], 0, l);
     })},
    {"gyro compensation", OP(sendGyroCompensation()),
     GEN(AqUartPacket_genWriteGyroCompensation, m3(s._settings.GyroCompC), v3(s._settings.GyroCompB)),
     "AQWRG,84,1,2,3,4,5,6,7,8,9,0.5,0.25,0.125", CHECKS({
         checkV9d(oneToNine(1), s._settings.GyroCompC, l);
         DOUBLES_EQUAL_TEXT(0.25, s._settings.GyroCompB.c[1], 0, l);
     })},
    {"instrument rotation", OP(sendInstrumentRotation()),
     GEN(AqUartPacket_genWriteReferenceFrameRotation, m3(s._settings.Rot)), "AQWRG,26,1,2,3,4,5,6,7,8,9",
     CHECKS(checkV9d(oneToNine(1), s._settings.Rot, l))},
    {"AFE gyro tuning", OP(sendAFEGyroTuningParameters()),
     GEN(AqUartPacket_genWriteAfeGyroBasicTuning, tuning(s._settings.AFEGyroTuning, 0),
         tuning(s._settings.AFEGyroTuning, 1), tuning(s._settings.AFEGyroTuning, 2)),
     "AQWRG,40,1,2,3,4,5,6,7,8,9", CHECKS(checkV9d(oneToNine(1), s._settings.AFEGyroTuning, l))},
    {"AFE accel tuning", OP(sendAFEAccelTuningParameters()),
     GEN(AqUartPacket_genWriteAfeAccelerometerBasicTuning, tuning(s._settings.AFEAccelTuning, 0),
         tuning(s._settings.AFEAccelTuning, 1), tuning(s._settings.AFEAccelTuning, 2)),
     "AQWRG,38,1,2,3,4,5,6,7,8,9", CHECKS(checkV9d(oneToNine(1), s._settings.AFEAccelTuning, l))},
    {"AFE mag tuning", OP(sendAFEMagTuningParameters()),
     GEN(AqUartPacket_genWriteAfeMagnetometerBasicTuning, tuning(s._settings.AFEMagTuning, 0),
         tuning(s._settings.AFEMagTuning, 1), tuning(s._settings.AFEMagTuning, 2)),
     "AQWRG,36,1,2,3,4,5,6,7,8,9", CHECKS(checkV9d(oneToNine(1), s._settings.AFEMagTuning, l))},
    {"startup bias", OP(sendFilterStartupBiasParameters()),
     GEN(AqUartPacket_genWriteStartupFilterBiasEstimate, v3(s._settings.GyroStartupBias),
         v3(s._settings.AccelStartupBias), 0.0f),
     "AQWRG,74,0.5,0.25,0.125,1,2,3,7", CHECKS({
         DOUBLES_EQUAL_TEXT(0.125, s._settings.GyroStartupBias.c[2], 0, l);
         DOUBLES_EQUAL_TEXT(3, s._settings.AccelStartupBias.c[2], 0, l);
     })},
    {"AFE basic control", OP(sendAFEBasicControlParameters()),
     GEN(AqUartPacket_genWriteAfeBasicControl, s._settings.AFEBasic_Enable, s._settings.AFEBasic_HeadingMode,
         s._settings.AFEBasic_FilteringMode, s._settings.AFEBasic_TuningMode),
     "AQWRG,35,1,2,3,4", CHECKS({
         LONGS_EQUAL_TEXT(1, s._settings.AFEBasic_Enable, l);
         LONGS_EQUAL_TEXT(4, s._settings.AFEBasic_TuningMode, l);
     })},
    {"known disturbance", OP(sendKnownMagDisturbanceCmd(7)),
     [](AQ9UartSensor&, char* b, size_t* n) { AqUartPacket_genCmdKnownMagneticDisturbance(b, 256, CRC, 1, n); },
     "AQKMD,1", noCheck},
    {"model number", OP(getModelNumber()), GEN(AqUartPacket_genReadModelNumber), "AQRRG,01,AQ-9 BENCH",
     CHECKS(STRCMP_EQUAL_TEXT("AQ-9 BENCH", s._modelNumber, l))},
    {"hardware revision", OP(getHardwareRevisionNumber()), GEN(AqUartPacket_genReadHardwareRevision), "AQRRG,02,7",
     CHECKS(LONGS_EQUAL_TEXT(7, s._hwRevision, l))},
    {"serial number", OP(getSerialNumber()), GEN(AqUartPacket_genReadSerialNumber), "AQRRG,03,123456789",
     CHECKS(LONGS_EQUAL_TEXT(123456789, s._serialNumber, l))},
    {"firmware version", OP(getFirmwareVersion()), GEN(AqUartPacket_genReadFirmwareVersion), "AQRRG,04,2.1.0.7",
     CHECKS(STRCMP_EQUAL_TEXT("2.1.0.7", s._firmwareVersion, l))},
    {"onboard HSI", OP(getCalculatedHSICalibration()), GEN(AqUartPacket_genReadCalculatedMagnetometerCalibration),
     "AQRRG,47,1,2,3,4,5,6,7,8,9,0.5,0.25,0.125", CHECKS({
         // Row by row on the wire, column by column in a mat3f.
         DOUBLES_EQUAL_TEXT(4, s._onboardHSIMatrix.e[1], 0, l);
         DOUBLES_EQUAL_TEXT(2, s._onboardHSIMatrix.e[3], 0, l);
         DOUBLES_EQUAL_TEXT(0.125, s._onboardHSIOffset.c[2], 0, l);
     })},
    {"user HSI", OP(getUserHSICalibration()), GEN(AqUartPacket_genReadMagnetometerCompensation),
     "AQRRG,23,1,2,3,4,5,6,7,8,9,0.5,0.25,0.125", CHECKS(checkV9d(oneToNine(1), s._settings.MagCompC, l))},
    {"read rotation", OP(getInstrumentRotationMatrix()), GEN(AqUartPacket_genReadReferenceFrameRotation),
     "AQRRG,26,1,2,3,4,5,6,7,8,9", CHECKS(checkV9d(oneToNine(1), s._settings.Rot, l))},
    {"save to EEPROM", OP(writeSettingToEEPROM()), GEN(AqUartPacket_genCmdWriteSettings), "AQWNV", noCheck},
    {"reset", OP(resetDevice()), GEN(AqUartPacket_genCmdReset), "AQRST", noCheck},
    {"reference vector config", OP(configureReferenceVectors(44.5f, -63.5f, true, false, 2026.5f)),
     GEN(AqUartPacket_genWriteReferenceVectorConfiguration, 1, 0, 0, 0, 100, 2026.5f, vec3d{{44.5, -63.5, 0.0}}),
     "AQWRG,83,1,0,0,0,100,2026.5,44.5,-63.5,0", noCheck},
};

#undef OP
#undef GEN
#undef CHECKS

}  // namespace

TEST_GROUP(AQ9UartSensor)
{
    SerialDevice* dev;
    AQ9UartSensor* aqs;
    TermiosComparitor comparator;
    ScriptedSensor sensor;
    termios attrs;

    void setup()
    {
        fw::reset();
        sensor = ScriptedSensor();
        memset(&attrs, 0, sizeof attrs);
        mock().installComparator("termios", comparator);
        dev = new SerialDevice();
        aqs = new AQ9UartSensor(dev);
        SerialDevice_setResponder(respond, &sensor);
    }
    void teardown()
    {
        SerialDevice_setResponder(nullptr, nullptr);
        delete aqs;
        delete dev;
        mock().checkExpectations();
        mock().clear();
        mock().removeAllComparatorsAndCopiers();
        // Recorded lines and sends are heap memory: free them inside the test.
        fw::reset();
        sensor = ScriptedSensor();
    }
    void expectLineMode(int getResult, int setResult)
    {
        mock("os").expectOneCall("tcgetattr").withParameter("__fd", 6)
            .withOutputParameterReturning("__termios_p", &attrs, sizeof attrs).andReturnValue(getResult);
        if (getResult == 0)
            mock("os").expectOneCall("tcsetattr").withParameter("__fd", 6).withParameter("__optional_actions", TCSANOW)
                .withParameterOfType("termios", "__termios_p", &attrs).andReturnValue(setResult);
    }
    // Line mode with the handler registered, as after initIface.
    void bringUp()
    {
        expectLineMode(0, 0);
        LONGS_EQUAL(DeviceIF::Ok, aqs->initIface());
    }
    void fillSettings()
    {
        aqs->_settings.ADOR = 14;
        aqs->_settings.MagCompC = aqs->_settings.AccelCompC = aqs->_settings.GyroCompC = oneToNine(-0.5);
        aqs->_settings.Rot = aqs->_settings.AFEGyroTuning = oneToNine(0.25);
        aqs->_settings.AFEAccelTuning = aqs->_settings.AFEMagTuning = oneToNine(2);
        aqs->_settings.GyroStartupBias = v3d{{0.01, 0.02, 0.03}};
        aqs->_settings.AccelStartupBias = v3d{{-0.1, 0.2, -9.8}};
        aqs->_settings.AFEBasic_Enable = 0;
        aqs->_settings.AFEBasic_TuningMode = 9;
    }
    void expectRead(unsigned n, const unsigned char* bytes, int result)
    {
        mock("os").expectOneCall("dev_read").withParameter("fd", 6)
            .withOutputParameterReturning("buf", bytes, result > 0 ? (size_t)result : 0).withParameter("n", n)
            .withParameter("min", n).withParameter("time", 0u).withParameter("timeout", 10u).withParameter("proxy", 0)
            .withParameter("armed", (void*)nullptr).andReturnValue(result);
    }
    void expectRecord(const std::vector<unsigned char>& rec)
    {
        expectRead(1, &rec[0], 1);
        expectRead(10, &rec[1], 10);
        expectRead((unsigned)rec.size() - 11, &rec[11], (int)rec.size() - 11);
    }
};

TEST(AQ9UartSensor, line_mode_sets_line_format_and_adds_IGNCR_INLCR_to_the_attributes_read)
{
    // A stricter comparator for this test: the input flags must carry both bits.
    struct FlagsComparator : public TermiosComparitor
    {
        virtual bool isEqual(const void* a, const void* b)
        {
            return static_cast<const termios*>(a)->c_iflag == static_cast<const termios*>(b)->c_iflag;
        }
    } strict;
    mock("os").installComparator("termios", strict);
    attrs.c_iflag = ICRNL;
    termios withBits = attrs;
    withBits.c_iflag |= IGNCR | INLCR;
    mock("os").expectOneCall("tcgetattr").withParameter("__fd", 6)
        .withOutputParameterReturning("__termios_p", &attrs, sizeof attrs).andReturnValue(0);
    mock("os").expectOneCall("tcsetattr").withParameter("__fd", 6).withParameter("__optional_actions", TCSANOW)
        .withParameterOfType("termios", "__termios_p", &withBits).andReturnValue(0);
    LONGS_EQUAL(DeviceIF::Ok, aqs->initIface());
    CHECK_FALSE(dev->isRaw());
    CHECK_FALSE(dev->debugging());
    LONGS_EQUAL(115200, dev->_baud);
    LONGS_EQUAL(8, dev->_data);
    LONGS_EQUAL(1, dev->_stop);
    STRCMP_EQUAL("NONE", dev->_parity);
    CHECK(aqs->_up.packetFoundHandler != nullptr);
    mock().checkExpectations();
    mock("os").removeAllComparatorsAndCopiers();
}

TEST(AQ9UartSensor, failing_terminal_calls_fail_bring_up_without_registering_the_handler)
{
    expectLineMode(-1, 0);
    LONGS_EQUAL(DeviceIF::Error, aqs->initIface());
    CHECK(fw::logged("AQ9UartSensor - tcgetattr failed"));
    CHECK(aqs->_up.packetFoundHandler == nullptr);
    expectLineMode(0, -1);
    LONGS_EQUAL(DeviceIF::Error, aqs->setSerialPortNonRaw(dev));
    CHECK(fw::logged("AQ9UartSensor - tcsetattr failed"));
}

TEST(AQ9UartSensor, finalize_leaves_the_port_raw_and_cleared_and_commands_clear_before_writing)
{
    bringUp();
    LONGS_EQUAL(DeviceIF::Ok, aqs->finalizeIface());
    CHECK(dev->isRaw());
    CHECK_FALSE(dev->debugging());
    CHECK(dev->portCleared());
    aqs->writeCommand("test", 4);
    CHECK(dev->portCleared());
    STRCMP_EQUAL("test", dev->lastWrite());
}

TEST(AQ9UartSensor, every_register_operation_sends_its_command_once_and_stores_the_reply)
{
    for (const RegisterRow& row : kRegisterRows)
    {
        teardown();
        setup();
        bringUp();
        fillSettings();
        char expected[256] = {0};
        size_t size = 0;
        row.expected(*aqs, expected, &size);
        sensor.replies = {{std::string(expected, size), row.reply}};
        LONGS_EQUAL_TEXT(E_NONE, row.run(*aqs), row.label);
        LONGS_EQUAL_TEXT(1, sensor.sent.size(), row.label);
        STRCMP_EQUAL_TEXT(std::string(expected, size).c_str(), sensor.sent[0].c_str(), row.label);
        CHECK_TEXT(!anyFlagRaised(*aqs), row.label);
        row.check(*aqs, row.label);
    }
}

TEST(AQ9UartSensor, unanswered_operations_send_five_times_and_lower_their_flag)
{
    for (const RegisterRow& row : kRegisterRows)
    {
        teardown();
        setup();
        bringUp();
        LONGS_EQUAL_TEXT(E_UNKNOWN, row.run(*aqs), row.label);
        LONGS_EQUAL_TEXT(5, sensor.sent.size(), row.label);
        LONGS_EQUAL_TEXT(5, fw::loggedCount("AQ9 - retry # "), row.label);
        std::string last = "AQ9 - retry # 5 for cmd: " + sensor.sent[4];
        CHECK_TEXT(fw::logged(last), row.label);
        LONGS_EQUAL_TEXT(5, fw::sleeps().size(), row.label);
        LONGS_EQUAL_TEXT(1, fw::sleeps()[4], row.label);
        CHECK_TEXT(!anyFlagRaised(*aqs), row.label);
    }
}

// Bytes of everything the link fills in from the sensor's replies.
std::string storedState(const AQ9UartSensor& s)
{
    std::string b;
    auto add = [&b](const void* p, size_t n) { b.append(static_cast<const char*>(p), n); };
    add(&s._settings, sizeof s._settings);
    add(&s._magRefVector, sizeof s._magRefVector);
    add(&s._gravRefVector, sizeof s._gravRefVector);
    add(s._modelNumber, sizeof s._modelNumber);
    add(&s._hwRevision, sizeof s._hwRevision);
    add(&s._serialNumber, sizeof s._serialNumber);
    add(s._firmwareVersion, sizeof s._firmwareVersion);
    add(&s._onboardHSIMatrix, sizeof s._onboardHSIMatrix);
    add(&s._onboardHSIOffset, sizeof s._onboardHSIOffset);
    return b;
}

TEST(AQ9UartSensor, a_reply_short_of_its_registers_fields_is_no_answer_and_stores_nothing)
{
    int checked = 0;
    for (const RegisterRow& row : kRegisterRows)
    {
        // Replies whose fields are stored or compared: the same reply without its last field.
        std::string reply(row.reply);
        if (std::count(reply.begin(), reply.end(), ',') < 2 || reply.compare(0, 9, "AQWRG,83,") == 0)
            continue;
        teardown();
        setup();
        bringUp();
        fillSettings();
        char expected[256] = {0};
        size_t size = 0;
        row.expected(*aqs, expected, &size);
        sensor.replies = {{std::string(expected, size), reply.substr(0, reply.rfind(','))}};
        const std::string before = storedState(*aqs);
        LONGS_EQUAL_TEXT(E_UNKNOWN, row.run(*aqs), row.label);
        LONGS_EQUAL_TEXT(5, sensor.sent.size(), row.label);
        CHECK_TEXT(before == storedState(*aqs), row.label);
        CHECK_TEXT(!anyFlagRaised(*aqs), row.label);
        checked++;
    }
    LONGS_EQUAL(22, checked);
    // The one reply the fuzzers found: the reference vectors without any field.
    teardown();
    setup();
    bringUp();
    sensor.replies = {{"$AQRRG,21", "AQRRG,21"}};
    LONGS_EQUAL(E_UNKNOWN, aqs->getMagGravRefVectors());
    LONGS_EQUAL(5, fw::loggedCount("AQ9UartSensor - register 21 reply lacks fields: $AQRRG,21"));
}

TEST(AQ9UartSensor, what_the_link_reads_from_the_sensor_starts_zeroed)
{
    // Built over memory full of a pattern, as a link on a reused heap block would be.
    alignas(AQ9UartSensor) unsigned char raw[sizeof(AQ9UartSensor)];
    memset(raw, 0xA5, sizeof raw);
// The leak detector's new macro does not take a placement.
#pragma push_macro("new")
#undef new
    AQ9UartSensor* fresh = new (raw) AQ9UartSensor(dev);
#pragma pop_macro("new")
    const std::string state = storedState(*fresh);
    fresh->~AQ9UartSensor();
    CHECK(std::string(state.size(), '\0') == state);
}

TEST(AQ9UartSensor, a_command_too_long_for_the_buffer_is_never_sent)
{
    bringUp();
    aqs->_settings.MagCompC = oneToNine(1e30);  // each printed with six decimals
    LONGS_EQUAL(E_BUFFER_TOO_SMALL, aqs->sendMagCompensation());
    LONGS_EQUAL(0, sensor.sent.size());
    CHECK_FALSE(aqs->gIsCheckingForMagCompResponse);
}

TEST(AQ9UartSensor, a_reply_for_another_register_or_with_other_values_is_no_answer)
{
    const char* stray = "$AQWRG,75,0,800,11,1528,0101";
    struct Row
    {
        const char* label;
        Operation run;
        const char* logged;  // once per attempt
    } rows[] = {
        {"EEPROM", [](AQ9UartSensor& s) { return s.writeSettingToEEPROM(); },
         "AQ9UartSensor - Didn't get write non-volatile memory response; dropped $AQWRG,75,0,800,11,1528,0101"},
        {"reset", [](AQ9UartSensor& s) { return s.resetDevice(); },
         "AQ9UartSensor - Didn't get reset command response; dropped $AQWRG,75,0,800,11,1528,0101"},
        {"ref config", [](AQ9UartSensor& s) { return s.configureReferenceVectors(1, 2, true, true, 2026); },
         "AQ9UartSensor - Didn't get reference vector configuration response; dropped $AQWRG,75"},
        {"disturbance", [](AQ9UartSensor& s) { return s.sendKnownMagDisturbanceCmd(0); },
         "AQ9UartSensor - Didn't AQKMD response; dropped $AQWRG,75"},
        {"serial number", [](AQ9UartSensor& s) { return s.getSerialNumber(); },
         "AQ9UartSensor - dropped a reply no operation waits for: $AQWRG,75,0,800,11,1528,0101"},
        // Its own register, but the sensor kept another attitude field word.
        {"binary 1", [](AQ9UartSensor& s) { return s.setupBinaryReg1DesiredOutputs(); },
         "AQ9UartSensor - register 75 reply does not echo the values sent"},
    };
    for (const Row& row : rows)
    {
        teardown();
        setup();
        bringUp();
        aqs->_serialNumber = 0;
        sensor.replies = {{"$", stray + 1}};
        LONGS_EQUAL_TEXT(E_UNKNOWN, row.run(*aqs), row.label);
        CHECK_TEXT(!anyFlagRaised(*aqs), row.label);
        LONGS_EQUAL_TEXT(5, fw::loggedCount(row.logged), row.label);
        LONGS_EQUAL_TEXT(10, (int)fw::syslogLines().size(), row.label);  // and the five retry lines
        LONGS_EQUAL_TEXT(0, aqs->_serialNumber, row.label);
    }
}

TEST(AQ9UartSensor, a_rejected_command_returns_the_sensors_error_after_its_retries)
{
    bringUp();
    sensor.replies = {{"$AQRRG,01", "AQERR,0C"}};
    fflush(stdout);
    FILE* capture = tmpfile();
    int saved = dup(1);
    dup2(fileno(capture), 1);
    AqError result = aqs->getModelNumber();
    fflush(stdout);
    dup2(saved, 1);
    close(saved);
    char out[512] = {0};
    rewind(capture);
    size_t n = fread(out, 1, sizeof out - 1, capture);
    fclose(capture);
    out[n] = '\0';
    char text[AQ_ERROR_TEXT_SIZE];
    strFromAqError(text, static_cast<AqError>(1012));
    std::string line = std::string("Sensor Error: ") + text + "\n";
    LONGS_EQUAL(E_SENSOR_INSUFFICIENT_BAUD_RATE, result);
    LONGS_EQUAL(5, sensor.sent.size());
    CHECK_FALSE(aqs->gIsCheckingForModelNumberResponse);
    CHECK(strstr(out, line.c_str()) != nullptr);
    CHECK(fw::logged(std::string("AQ9UartSensor - sensor rejected $AQRRG,01: ") + text + " (1012)"));
    // The next command starts with a clean slate: unanswered is E_UNKNOWN again.
    sensor.replies.clear();
    LONGS_EQUAL(E_UNKNOWN, aqs->getSerialNumber());
}

TEST(AQ9UartSensor, after_an_unanswered_command_every_later_reply_goes_to_its_own_operation)
{
    // One command left unanswered, then the whole register set answered: each
    // operation succeeds at its first send and stores its own reply.
    bringUp();
    fillSettings();
    LONGS_EQUAL(E_UNKNOWN, aqs->enableCrcChecksums());
    for (const RegisterRow& row : kRegisterRows)
    {
        if (strcmp(row.label, "CRC checksums") == 0)
            continue;  // the unanswered one is not asked again
        char expected[256] = {0};
        size_t size = 0;
        row.expected(*aqs, expected, &size);
        sensor.sent.clear();
        sensor.replies = {{std::string(expected, size), row.reply}};
        LONGS_EQUAL_TEXT(E_NONE, row.run(*aqs), row.label);
        LONGS_EQUAL_TEXT(1, sensor.sent.size(), row.label);
        row.check(*aqs, row.label);
    }
    CHECK(!anyFlagRaised(*aqs));
}

TEST(AQ9UartSensor, a_late_reply_is_dropped_and_never_parsed_into_another_setting)
{
    // The sensor answers an unanswered compensation write late, during the next
    // operation; that operation's own reply follows on its second send.
    const v9d rotation = oneToNine(1);
    const v9d sent = oneToNine(-0.5);
    struct Row
    {
        const char* label;
        Operation run;
        const char* reply;
        bool readsRotation;  // else it reads the compensation register back
    } rows[] = {
        {"rotation read", [](AQ9UartSensor& s) { return s.getInstrumentRotationMatrix(); },
         "AQRRG,26,1,2,3,4,5,6,7,8,9", true},
        {"same register, read instead of write", [](AQ9UartSensor& s) { return s.getUserHSICalibration(); },
         "AQRRG,23,1,2,3,4,5,6,7,8,9,0,0,0", false},
    };
    for (const Row& row : rows)
    {
        teardown();
        setup();
        bringUp();
        fillSettings();
        LONGS_EQUAL_TEXT(E_UNKNOWN, aqs->sendMagCompensation(), row.label);
        sensor.sent.clear();
        sensor.late = {"AQWRG,23,7,7,7,7,7,7,7,7,7,7,7,7"};
        sensor.replies = {{"$", row.reply}};
        LONGS_EQUAL_TEXT(E_NONE, row.run(*aqs), row.label);
        LONGS_EQUAL_TEXT(2, sensor.sent.size(), row.label);
        CHECK_TEXT(fw::logged("AQ9UartSensor - dropped a reply no operation waits for: $AQWRG,23,7,7,7"), row.label);
        if (row.readsRotation)
        {
            checkV9d(rotation, aqs->_settings.Rot, row.label);
            checkV9d(sent, aqs->_settings.MagCompC, row.label);
        }
        else
            checkV9d(rotation, aqs->_settings.MagCompC, row.label);
    }
}

TEST(AQ9UartSensor, binary_output_echoes_are_compared_by_value)
{
    struct Row
    {
        const char* reply;
        AqError result;
    } rows[] = {
        {"AQWRG,75,0,800,11,1528,0100", E_NONE},
        {"AQWRG,75,0,800,11,1528,100", E_NONE},
        {"AQWRG,75,0,0800,11,1528,0100", E_NONE},
        {"AQWRG,75,0,400,11,1528,0100", E_UNKNOWN},
        {"AQWRG,75,0,800,11,1528", E_UNKNOWN},
        {"AQWRG,76,0,800,04,003E", E_NONE},
        {"AQWRG,76,0,800,4,3E", E_NONE},
        {"AQWRG,76,0,800,4,3F", E_UNKNOWN},
    };
    for (const Row& row : rows)
    {
        teardown();
        setup();
        bringUp();
        sensor.replies = {{"$", row.reply}};
        const bool first = strncmp(row.reply, "AQWRG,75", 8) == 0;
        const AqError result = first ? aqs->setupBinaryReg1DesiredOutputs() : aqs->setupBinaryReg2DesiredOutputs();
        LONGS_EQUAL_TEXT(row.result, result, row.reply);
    }
}

TEST(AQ9UartSensor, response_reads_stay_inside_the_receive_buffer)
{
    bringUp();
    std::string flood(400, 'A');
    dev->simOutputStr(flood.c_str());
    aqs->processAsciiRecords();
    // At most 254 asked for (the double keeps one for its terminator).
    LONGS_EQUAL('\n', aqs->_rxBuf[253]);
    LONGS_EQUAL(0, aqs->_rxBuf[254]);
}

TEST(AQ9UartSensor, binary_record_reads_are_byte_exact)
{
    std::vector<unsigned char> rec = fromHex(kRecord1);
    LONGS_EQUAL(78, rec.size());
    char buf[256];
    expectRecord(rec);
    LONGS_EQUAL(78, aqs->retrieveUartBinaryRecords(buf, sizeof buf));
    MEMCMP_EQUAL(&rec[0], buf, 78);
    mock().checkExpectations();

    // Bytes before the sync byte are dropped one at a time.
    const unsigned char dirt[] = {0x01, 0x02};
    expectRead(1, &dirt[0], 1);
    expectRead(1, &dirt[1], 1);
    expectRecord(rec);
    LONGS_EQUAL(78, aqs->retrieveUartBinaryRecords(buf, sizeof buf));
    MEMCMP_EQUAL(&rec[0], buf, 78);
}

TEST(AQ9UartSensor, a_header_of_five_groups_is_read_whole_before_the_record_is_sized)
{
    // Groups 0x1F, each announcing one two-byte-or-longer field: a 12-byte header.
    std::vector<unsigned char> rec = {0xFA, 0x1F, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00};
    const size_t length = AqUartPacket_computeBinaryPacketLength(&rec[0]);
    rec.resize(length - 2, 0x11);
    const uint16_t crc = AqCrc16_compute(reinterpret_cast<const char*>(&rec[1]), rec.size() - 1);
    rec.push_back(static_cast<unsigned char>(crc >> 8));
    rec.push_back(static_cast<unsigned char>(crc));
    char buf[256];
    expectRead(1, &rec[0], 1);
    expectRead(10, &rec[1], 10);
    expectRead(1, &rec[11], 1);
    expectRead(static_cast<unsigned>(length - 12), &rec[12], static_cast<int>(length - 12));
    LONGS_EQUAL(length, aqs->retrieveUartBinaryRecords(buf, sizeof buf));
    MEMCMP_EQUAL(&rec[0], buf, length);
}

TEST(AQ9UartSensor, short_reads_and_a_silent_or_failing_sensor_give_no_record)
{
    std::vector<unsigned char> rec = fromHex(kRecord1);
    char buf[256];

    expectRead(1, &rec[0], 1);
    expectRead(10, &rec[1], 6);
    LONGS_EQUAL(0, aqs->retrieveUartBinaryRecords(buf, sizeof buf));
    mock().checkExpectations();

    expectRead(1, &rec[0], 1);
    expectRead(10, &rec[1], 10);
    expectRead(67, &rec[11], 40);
    LONGS_EQUAL(0, aqs->retrieveUartBinaryRecords(buf, sizeof buf));
    CHECK(fw::logged("AQ9:: only read 51 bytes, expected 78 bytes\n"));
    mock().checkExpectations();

    expectRead(1, &rec[0], 0);
    LONGS_EQUAL(0, aqs->retrieveUartBinaryRecords(buf, sizeof buf));
    mock().checkExpectations();

    expectRead(1, &rec[0], -1);
    LONGS_EQUAL(0, aqs->retrieveUartBinaryRecords(buf, sizeof buf));
    CHECK(fw::logged("AQ9 - dev_read ERROR"));
    mock().checkExpectations();

    // A babbling sensor: the search ends after 512 bytes without a sync byte.
    const unsigned char noise = 0x55;
    mock("os").expectNCalls(512, "dev_read").withParameter("fd", 6).withOutputParameterReturning("buf", &noise, 1)
        .withParameter("n", 1u).withParameter("min", 1u).withParameter("time", 0u).withParameter("timeout", 10u)
        .withParameter("proxy", 0).withParameter("armed", (void*)nullptr).andReturnValue(1);
    LONGS_EQUAL(0, aqs->retrieveUartBinaryRecords(buf, sizeof buf));
}

TEST(AQ9UartSensor, a_record_longer_than_the_buffer_is_not_read)
{
    std::vector<unsigned char> rec = fromHex(kRecord1);
    char buf[80];
    memset(buf, 0x7E, sizeof buf);
    expectRead(1, &rec[0], 1);
    expectRead(10, &rec[1], 10);
    LONGS_EQUAL(0, aqs->retrieveUartBinaryRecords(buf, 64));
    LONGS_EQUAL(0x7E, buf[64]);  // nothing past the capacity given
}

// The listed values are the floats rounded to six decimals (three for
// temperature and pressure), hence the tolerances.
void checkFloats(const double* expected, const float* actual, size_t count, size_t firstCoarse, const char* label)
{
    for (size_t i = 0; i < count; i++)
        DOUBLES_EQUAL_TEXT(expected[i], actual[i], i >= firstCoarse ? 1e-3 : 1e-6, label);
}

TEST(AQ9UartSensor, sample_records_parse_into_the_attitude_and_raw_records)
{
    LONGS_EQUAL(E_NONE, aqs->registerPacketFoundHandler());
    std::vector<unsigned char> rec1 = fromHex(kRecord1);
    aqs->processBinaryPacket(reinterpret_cast<char*>(&rec1[0]), rec1.size());
    ahrsData_SensorUnits a = aqs->AhrsData();
    // ypr, rates, accel, mag, temp, pres lie one after another as floats.
    const double ahrs[] = {-31.424128, 0.384415, -0.221387, 0.000437, 0.000914, 0.000621, 0.045011,
                           0.042623,   -9.514268, 0.263523, 0.162135, 0.433429, 25.135,   101.634};
    checkFloats(ahrs, a.ypr_deg.c, 14, 12, "attitude record");
    const double sigma[] = {0.046515, 0.028722, 0.029956};
    checkFloats(sigma, a.yprU.c, 3, 3, "uncertainties");
    LONGS_EQUAL(0, a.afeStatus);
    LONGS_EQUAL(1, a.dataGood);
    CHECK(a.sampleTime.tv_sec != 0);
    LONGS_EQUAL(0, aqs->RawMeasData().dataGood);

    memset(&aqs->_ahrsData, 0, sizeof aqs->_ahrsData);
    std::vector<unsigned char> rec2 = fromHex(kRecord2);
    LONGS_EQUAL(50, rec2.size());
    aqs->processBinaryPacket(reinterpret_cast<char*>(&rec2[0]), rec2.size());
    rawMeasData_SensorUnits r = aqs->RawMeasData();
    const double raw[] = {0.270182,  0.126994, 0.433079,  0.080015, 0.046209, -9.485458,
                          -0.002589, 0.000513, -0.004219, 22.25,    101.381};
    checkFloats(raw, r.mag_G.c, 11, 9, "raw record");
    LONGS_EQUAL(1, r.dataGood);
    LONGS_EQUAL(0, aqs->AhrsData().dataGood);
}

TEST(AQ9UartSensor, a_binary_packet_of_another_layout_leaves_both_records_untouched)
{
    aqs->registerPacketFoundHandler();
    unsigned char pkt[18] = {0xFA, 0x01, 0x08, 0x00};  // yaw, pitch, roll only
    uint16_t crc = AqCrc16_compute(reinterpret_cast<char*>(pkt + 1), 15);
    pkt[16] = static_cast<unsigned char>(crc >> 8);
    pkt[17] = static_cast<unsigned char>(crc & 0xFF);
    aqs->processBinaryPacket(reinterpret_cast<char*>(pkt), sizeof pkt);
    LONGS_EQUAL(0, aqs->AhrsData().dataGood);
    LONGS_EQUAL(0, aqs->RawMeasData().dataGood);
}

TEST(AQ9UartSensor, polls_request_their_output_and_switch_the_port_to_raw)
{
    char buf[256];
    size_t size = 0, response = 99;
    LONGS_EQUAL(E_NONE, aqs->genBinaryReg1Request(buf, sizeof buf, size, response));
    LONGS_EQUAL(15, size);
    STRCMP_EQUAL("$AQBOM,1*8525\r\n", buf);
    LONGS_EQUAL(99, response);
    aqs->genBinaryReg2Request(buf, sizeof buf, size, response);
    STRCMP_EQUAL("$AQBOM,2*B546\r\n", buf);
    // One byte short of command and terminator: nothing to send, nothing past the buffer.
    buf[15] = 0x7E;
    LONGS_EQUAL(E_BUFFER_TOO_SMALL, aqs->genBinaryReg1Request(buf, 15, size, response));
    LONGS_EQUAL(0, size);
    LONGS_EQUAL(0x7E, buf[15]);

    bringUp();
    std::vector<unsigned char> rec1 = fromHex(kRecord1);
    expectRecord(rec1);
    ahrsData_SensorUnits a = aqs->getAhrsData();
    CHECK(dev->isRaw());
    STRCMP_EQUAL("$AQBOM,1*8525\r\n", dev->lastWrite());
    LONGS_EQUAL(1, a.dataGood);
    DOUBLES_EQUAL(-31.424128, a.ypr_deg.c[0], 1e-6);

    std::vector<unsigned char> rec2 = fromHex(kRecord2);
    expectRecord(rec2);
    rawMeasData_SensorUnits r = aqs->getRawMeasData();
    STRCMP_EQUAL("$AQBOM,2*B546\r\n", dev->lastWrite());
    LONGS_EQUAL(1, r.dataGood);

    // A failed poll clears the previous record's flag.
    expectRead(1, &rec1[0], 0);
    LONGS_EQUAL(0, aqs->getAhrsData().dataGood);
}

TEST(AQ9UartSensor, no_intact_poll_is_lost_after_a_noisy_reply_tail_or_a_damaged_record)
{
    bringUp();
    const std::vector<unsigned char> rec1 = fromHex(kRecord1);
    expectRecord(rec1);
    const float yaw = aqs->getAhrsData().ypr_deg.c[0];
    std::mt19937 rng(14);
    int lost = 0;
    for (int trial = 0; trial < 1000; trial++)
    {
        if (trial % 2 == 0)
        {
            // A reply, then 1-8 bytes of noise holding a sync byte as the next read.
            expectLineMode(0, 0);
            dev->simOutputStr(sentence("AQRRG,03,42").c_str());
            aqs->processAsciiRecords();
            std::string noise;
            for (size_t k = 1 + rng() % 8; k > 0; k--)
                noise += static_cast<char>(1 + rng() % 255);
            noise[rng() % noise.size()] = '\xFA';
            dev->simOutputStr(noise.c_str());
            aqs->processAsciiRecords();
        }
        else
        {
            // One header bit flipped: groups 0x11 to 0x91, or field word 0x1528 to 0x9528.
            std::vector<unsigned char> damaged = rec1;
            damaged[trial % 4 == 1 ? 1 : 3] |= 0x80;
            expectRecord(damaged);
            aqs->getAhrsData();
        }
        expectRecord(rec1);
        const ahrsData_SensorUnits a = aqs->getAhrsData();
        lost += a.dataGood == 1 && a.ypr_deg.c[0] == yaw ? 0 : 1;
        mock().checkExpectations();
        mock().clear();
    }
    LONGS_EQUAL(0, lost);
}

TEST(AQ9UartSensor, a_poll_from_line_mode_goes_out_in_raw_mode_and_nothing_clears_the_port_after_it)
{
    // Line mode, as after a register operation issued while polling.
    bringUp();
    struct Probe
    {
        int writes;
        int rawWrites;
    } probe = {0, 0};
    SerialDevice_setResponder(
        [](SerialDevice* d, const char*, int, void* context) {
            Probe* p = static_cast<Probe*>(context);
            p->writes++;
            p->rawWrites += d->isRaw() ? 1 : 0;
            d->portCleared();  // the clear just before the write is the command's own
        },
        &probe);
    std::vector<unsigned char> rec1 = fromHex(kRecord1);
    expectRecord(rec1);
    LONGS_EQUAL(1, aqs->getAhrsData().dataGood);
    CHECK_FALSE(dev->portCleared());

    expectLineMode(0, 0);
    LONGS_EQUAL(DeviceIF::Ok, aqs->setSerialPortNonRaw(dev));
    std::vector<unsigned char> rec2 = fromHex(kRecord2);
    expectRecord(rec2);
    LONGS_EQUAL(1, aqs->getRawMeasData().dataGood);
    CHECK_FALSE(dev->portCleared());
    LONGS_EQUAL(2, probe.writes);
    LONGS_EQUAL(2, probe.rawWrites);
}
