#include <fcntl.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

// Headers that use placement new come before CppUTest's leak-detecting new.
#include "AQ9SpiSensor.h"
#include "FrameworkRecorder.h"
#include "OsCallsDouble.h"
#include "aq/error_detection.h"

#include "CppUTest/TestHarness.h"
#include "CppUTestExt/MockSupport.h"

namespace {

const unsigned long kTransfer = 0x40206B00UL;
const int kFd = 7;

typedef std::vector<unsigned char> Bytes;

// What the sensor clocks out in every transfer that goes through: the first
// bytes of its staged answer, as many as the transfer is long.
char sensorOut[256];

void clockOut(const char*, char* received, size_t length, void*)
{
    memcpy(received, sensorOut, length < sizeof sensorOut ? length : sizeof sensorOut);
}

void putFloat(char* p, float f)
{
    memcpy(p, &f, 4);
}

}  // namespace

TEST_GROUP(AQ9SpiSensor)
{
    AQ9SpiParams* params;
    AQ9SpiSensor* sensor;

    void setup()
    {
        fw::reset();
        params = new AQ9SpiParams("/dev/spidev2.0");
        sensor = new AQ9SpiSensor(params);
        sensor->_fd = kFd;
        memset(sensorOut, 0, sizeof sensorOut);
        OsCalls_setSpiResponder(clockOut, nullptr);
    }

    void teardown()
    {
        OsCalls_setSpiResponder(nullptr, nullptr);
        // The link goes first: a device it opened is closed on the script.
        delete sensor;
        delete params;
        mock().checkExpectations();
        mock().clear();
        fw::reset();  // releases the recorded lines before the leak check
    }

    // n bus transfers on the open descriptor, each reporting success.
    void expectTransfers(int n)
    {
        mock("os").expectNCalls(n, "ioctl").withParameter("__fd", kFd).withParameter("__request", kTransfer)
            .andReturnValue(1);
    }

    // The sensor's answer, clocked out during the transfers: 00, cmd, reg,
    // error byte, payload padded to frame bytes, then the CRC.
    void respond(char cmd, uint8_t reg, const Bytes& payload, size_t frame, char errorByte = 0)
    {
        char* rx = sensorOut;
        memset(rx, 0, sizeof sensorOut);
        rx[1] = cmd;
        rx[2] = static_cast<char>(reg);
        rx[3] = errorByte;
        if (!payload.empty())
        {
            memcpy(rx + 4, payload.data(), payload.size());
        }
        uint16_t crc = AqCrc16_compute(rx, frame);
        rx[frame] = static_cast<char>(crc >> 8);
        rx[frame + 1] = static_cast<char>(crc & 0xFF);
    }

    void txEquals(const Bytes& want, const char* label)
    {
        MEMCMP_EQUAL_TEXT(want.data(), sensor->_txBuf, want.size(), label);
    }

    void settle()
    {
        mock().checkExpectations();
        mock().clear();
        fw::reset();
    }
};

// ---------------------------------------------------------------------------
// Bring-up and bus access

TEST(AQ9SpiSensor, bring_up_opens_the_device_and_sets_it_up_in_order)
{
    const unsigned long requests[6] = {0x40016B03UL, 0x80016B03UL, 0x40046B04UL,
                                       0x80046B04UL, 0x40016B01UL, 0x80016B01UL};
    const char* failures[6] = {"AQ9SpiSensor - can't set write bits per word",
                               "AQ9SpiSensor - can't set read bits per word",
                               "AQ9SpiSensor - can't set write speed",
                               "AQ9SpiSensor - can't set read speed",
                               "AQ9SpiSensor - can't set WR mode",
                               "AQ9SpiSensor - can't set RD mode"};
    // failing = 6: every ioctl succeeds; otherwise that one fails and no later one runs.
    for (int failing = 0; failing <= 6; failing++)
    {
        const char* label = failing == 6 ? "all succeed" : failures[failing];
        mock().strictOrder();
        if (failing > 0)
        {
            // A failed bring-up left the device open: the next one closes it first.
            mock("os").expectOneCall("close").withParameter("__fd", 5).andReturnValue(0);
        }
        mock("os").expectOneCall("open").withParameter("__path", "/dev/spidev2.0").withParameter("__oflag", O_RDWR)
            .andReturnValue(5);
        for (int i = 0; i <= failing && i < 6; i++)
        {
            mock("os").expectOneCall("ioctl").withParameter("__fd", 5).withParameter("__request", requests[i])
                .andReturnValue(i == failing ? -1 : 0);
        }
        DeviceIF::Status want = failing == 6 ? DeviceIF::Ok : DeviceIF::Error;
        LONGS_EQUAL_TEXT(want, sensor->initIface(), label);
        LONGS_EQUAL_TEXT(5, sensor->_fd, label);
        if (failing < 6)
        {
            CHECK_TEXT(fw::logged(failures[failing]), label);
            LONGS_EQUAL_TEXT(1, static_cast<long>(fw::syslogLines().size()), label);
        }
        else
        {
            LONGS_EQUAL_TEXT(0, static_cast<long>(fw::syslogLines().size()), label);
        }
        settle();
    }
    mock("os").expectOneCall("close").withParameter("__fd", 5).andReturnValue(0);
}

TEST(AQ9SpiSensor, every_bring_up_closes_the_descriptor_of_the_one_before)
{
    // Re-initialisations in a row, then the link's deletion: each closes what
    // the one before opened, and only that (a failed open leaves nothing).
    struct Row
    {
        const char* label;
        int closes;       // descriptor closed first, or -1 for none
        int closeResult;  // what that close returns
        int opens;        // what open returns
        DeviceIF::Status result;
    } rows[] = {
        {"first", -1, 0, 5, DeviceIF::Ok},
        {"again", 5, 0, 6, DeviceIF::Ok},
        {"close fails, open still made", 6, -1, 8, DeviceIF::Ok},
        {"open fails", 8, 0, -1, DeviceIF::Error},
        {"after the failed open", -1, 0, 9, DeviceIF::Ok},
    };
    for (const Row& r : rows)
    {
        if (r.closes >= 0)
        {
            mock("os").expectOneCall("close").withParameter("__fd", r.closes).andReturnValue(r.closeResult);
        }
        mock("os").expectOneCall("open").withParameter("__path", "/dev/spidev2.0").withParameter("__oflag", O_RDWR)
            .andReturnValue(r.opens);
        mock("os").expectNCalls(r.opens >= 0 ? 6 : 1, "ioctl").withParameter("__fd", r.opens).ignoreOtherParameters()
            .andReturnValue(r.opens >= 0 ? 0 : -1);
        LONGS_EQUAL_TEXT(r.result, sensor->initIface(), r.label);
        LONGS_EQUAL_TEXT(r.closeResult == -1 ? 1 : 0,
                         fw::loggedCount("AQ9SpiSensor - can't close /dev/spidev2.0 (descriptor 6)"), r.label);
        settle();
    }
    mock("os").expectOneCall("close").withParameter("__fd", 9).andReturnValue(0);
}

TEST(AQ9SpiSensor, a_failed_transfer_is_logged_and_the_exchange_goes_on)
{
    char data[6] = "test1";
    char in[6];
    mock("os").expectOneCall("ioctl").withParameter("__fd", kFd).withParameter("__request", kTransfer)
        .andReturnValue(6);
    sensor->spiWriteRead(data, sizeof data, in);
    CHECK_FALSE(fw::logged("can't write message"));
    settle();

    mock("os").expectOneCall("ioctl").withParameter("__fd", kFd).withParameter("__request", kTransfer)
        .andReturnValue(-1);
    sensor->spiWriteRead(data, sizeof data, in);
    CHECK(fw::logged("AQ9SpiSensor - can't write message"));
    settle();

    // Both failures of a request/response pair are named, and a failed pair is
    // no answer.
    mock("os").expectNCalls(2, "ioctl").withParameter("__fd", kFd).withParameter("__request", kTransfer)
        .andReturnValue(0);
    ahrsData_SensorUnits a = sensor->getAhrsData();
    CHECK(fw::logged("AQ9SpiSensor - RequestOneTwo failed first transaction"));
    CHECK(fw::logged("AQ9SpiSensor - RequestOneTwo failed second transaction"));
    LONGS_EQUAL(0, a.dataGood);
}

TEST(AQ9SpiSensor, a_dead_bus_never_yields_the_last_good_answer_again)
{
    // A good answer first, so the receive buffer holds a frame that passes
    // every check; then the first, the second or both transfers of each
    // exchange fail while the sensor's answer stays what it was.
    const int failures[3][2] = {{-1, 1}, {1, -1}, {-1, -1}};
    respond(0x12, 1, Bytes(78, 0x41), 82 - 2);
    expectTransfers(2);
    LONGS_EQUAL(1, sensor->getAhrsData().dataGood);
    for (const auto& pair : failures)
    {
        for (int result : pair)
            mock("os").expectOneCall("ioctl").withParameter("__fd", kFd).withParameter("__request", kTransfer)
                .andReturnValue(result);
        LONGS_EQUAL(0, sensor->getAhrsData().dataGood);
    }
    settle();

    respond(2, 44, {1, 2, 3}, 7);
    expectTransfers(2);
    LONGS_EQUAL(E_NONE, sensor->sendHSISettings(1, 2, 3));
    for (const auto& pair : failures)
    {
        for (int result : pair)
            mock("os").expectOneCall("ioctl").withParameter("__fd", kFd).withParameter("__request", kTransfer)
                .andReturnValue(result);
        LONGS_EQUAL(E_UNKNOWN, sensor->sendHSISettings(4, 5, 6));
    }
    // The set-up writes sent twice fail the same way.
    respond(2, 30, {0, 0, 0, 0, 2, 2, 1}, 11);
    expectTransfers(1);
    mock("os").expectOneCall("ioctl").withParameter("__fd", kFd).withParameter("__request", kTransfer)
        .andReturnValue(-1);
    LONGS_EQUAL(E_UNKNOWN, sensor->enableCrcChecksums());
}

TEST(AQ9SpiSensor, payloadFromRxBuf_checks_in_order)
{
    struct Row
    {
        const char* label;
        Bytes frame;
        bool appendCrc;
        AqError result;
        const char* logged;
    } rows[] = {
        {"five bytes", {0, 0x12, 1, 0, 0xFA}, false, E_BUFFER_TOO_SMALL,
         "AQSpiSensor - response size too small for parsing, expecting >= 6 bytes (Headder+CRC = 6)"},
        {"good frame", {0, 0x12, 1, 0, 0xFA, 0, 0xCA, 0x67}, false, E_NONE, nullptr},
        {"bad CRC", {0, 0x12, 1, 0, 0xFA, 0, 0xCA, 0x68}, false, E_SENSOR_INVALID_CHECKSUM,
         "AQ9SpiSensor - bad CRC on RX"},
        {"first byte set", {1, 0x12, 1, 0, 0xFA, 0}, true, E_UNKNOWN, "AQ9SpiSensor - rxBuffer[0] != 0 "},
        {"sensor error 6", {0, 0x12, 1, 6, 0xFA, 0}, true, E_SENSOR_TOO_MANY_PARAMETERS,
         "AQ9SpiSensor - sensor error: SENSOR_TOO_MANY_PARAMETERS"},
        {"sensor error 13", {0, 0x12, 1, 13, 0xFA, 0}, true, E_SENSOR_ERROR_BUFFER_OVERFLOW,
         "AQ9SpiSensor - sensor error: SENSOR_ERROR_BUFFER_OVERFLOW"},
        // An error byte beyond the sensor's own numbers is still a failure,
        // above 1000 and never mistaken for another code.
        {"error byte 14", {0, 0x12, 1, 14, 0xFA, 0}, true, static_cast<AqError>(1014),
         "AQ9SpiSensor - sensor error: UNKNOWN_VALUE (error byte 14)"},
        {"error byte 0x80", {0, 0x12, 1, 0x80, 0xFA, 0}, true, static_cast<AqError>(1128),
         "AQ9SpiSensor - sensor error: UNKNOWN_VALUE (error byte 128)"},
        {"error byte 0xFF", {0, 0x12, 1, 0xFF, 0xFA, 0}, true, static_cast<AqError>(1255),
         "AQ9SpiSensor - sensor error: UNKNOWN_VALUE (error byte 255)"},
    };
    for (Row& r : rows)
    {
        fw::reset();
        char buf[16];
        memcpy(buf, r.frame.data(), r.frame.size());
        size_t n = r.frame.size();
        if (r.appendCrc)
        {
            sensor->appendCrcToBuf(buf, &n, sizeof buf);
        }
        char cmd = 0, arg = 0;
        const char* payload = nullptr;
        size_t payloadSize = 99;
        LONGS_EQUAL_TEXT(r.result, sensor->payloadFromRxBuf(buf, n, cmd, arg, payload, payloadSize), r.label);
        if (r.logged != nullptr)
        {
            CHECK_TEXT(fw::logged(r.logged), r.label);
        }
        if (r.result == E_NONE)
        {
            POINTERS_EQUAL_TEXT(buf + 4, payload, r.label);
            LONGS_EQUAL_TEXT(2, payloadSize, r.label);
        }
        else
        {
            POINTERS_EQUAL_TEXT(nullptr, payload, r.label);
            LONGS_EQUAL_TEXT(99, payloadSize, r.label);
        }
        // The echoes are kept once the first byte passed, also on a sensor error.
        bool echoed = r.result == E_NONE || r.frame[3] != 0;
        LONGS_EQUAL_TEXT(echoed ? 0x12 : 0, cmd, r.label);
        LONGS_EQUAL_TEXT(echoed ? 1 : 0, arg, r.label);
    }
}

// ---------------------------------------------------------------------------
// Binary output builders and set-up

TEST(AQ9SpiSensor, poll_requests_are_six_bytes_and_size_the_response)
{
    char buf[128];
    size_t req = 0, resp = 0;
    LONGS_EQUAL(E_NONE, sensor->genBinaryReg1Request(buf, sizeof buf, req, resp));
    MEMCMP_EQUAL("\x12\x01\x00\x00\xC1\xFF", buf, 6);
    LONGS_EQUAL(6, req);
    LONGS_EQUAL(82, resp);
    LONGS_EQUAL(E_NONE, sensor->genBinaryReg2Request(buf, sizeof buf, req, resp));
    MEMCMP_EQUAL("\x12\x02\x00\x00\x98\xAF", buf, 6);
    LONGS_EQUAL(6, req);
    LONGS_EQUAL(54, resp);

    // The buffer must hold what the second transaction clocks out of it.
    memset(buf, 0x5A, sizeof buf);
    LONGS_EQUAL(E_BUFFER_TOO_SMALL, sensor->genBinaryReg1Request(buf, 81, req, resp));
    LONGS_EQUAL(4, req);
    LONGS_EQUAL(82, resp);
    BYTES_EQUAL(0x5A, buf[0]);
    LONGS_EQUAL(E_BUFFER_TOO_SMALL, sensor->genBinaryReg2Request(buf, 53, req, resp));
    LONGS_EQUAL(E_BUFFER_TOO_SMALL, sensor->genBinaryReg1Config(buf, 14, req, resp, 0, 800, 0x11, 0x1528, 0x100));
    LONGS_EQUAL(E_BUFFER_TOO_SMALL, sensor->genBinaryReg2Config(buf, 12, req, resp, 0, 800, 4, 0x3E));
    BYTES_EQUAL(0x5A, buf[0]);
}

TEST(AQ9SpiSensor, binary_output_1_setup_sends_its_frame_and_checks_every_echoed_value)
{
    const Bytes sent = {0x02, 0x4B, 0, 0, 0, 0, 0x20, 0x03, 0x11, 0x28, 0x15, 0x00, 0x01, 0x4D, 0x93};
    const Bytes echo = {0, 0, 0x20, 0x03, 0x11, 0x28, 0x15, 0x00, 0x01};
    struct Row
    {
        const char* label;
        char cmd;
        uint8_t reg;
        size_t corruptAt;  // payload byte to change, or 99
        unsigned char value;
        AqError result;
        const char* logged;
    } rows[] = {
        {"echo", 2, 75, 99, 0, E_NONE, nullptr},
        {"divisor 400", 2, 75, 2, 0x90, E_UNKNOWN, "AQ9SpiSensor - set binary reg1 rate divisor not properly set"},
        {"async mode", 2, 75, 0, 1, E_UNKNOWN, "AQ9SpiSensor - set binary reg1 async mode not properly set"},
        {"group", 2, 75, 4, 0x10, E_UNKNOWN, "AQ9SpiSensor - set binary reg1 group not properly set"},
        {"common", 2, 75, 5, 0x29, E_UNKNOWN,
         "AQ9SpiSensor - set binary reg1 common group fields not properly set"},
        {"attitude", 2, 75, 8, 0x02, E_UNKNOWN,
         "AQ9SpiSensor - set binary reg1 attitude group fields not properly set"},
        {"command", 1, 75, 99, 0, E_UNKNOWN, "Aq9SpiSensor - set binary reg1 second response byte not 2"},
        {"register", 2, 76, 99, 0, E_UNKNOWN, "Aq9SpiSensor - set binary reg1 third response byte not 75"},
    };
    for (const Row& r : rows)
    {
        Bytes payload = echo;
        if (r.corruptAt < payload.size())
        {
            payload[r.corruptAt] = r.value;
        }
        if (r.corruptAt == 2)
        {
            payload[3] = 0x01;  // 0x0190 = 400
        }
        respond(r.cmd, r.reg, payload, 13);
        memset(sensor->_txBuf, 0xEE, sizeof sensor->_txBuf);
        expectTransfers(2);
        LONGS_EQUAL_TEXT(r.result, sensor->setupBinaryReg1DesiredOutputs(), r.label);
        txEquals(sent, r.label);
        LONGS_EQUAL_TEXT(15, sensor->_requestSize, r.label);
        LONGS_EQUAL_TEXT(15, sensor->_responseSize, r.label);
        if (r.logged != nullptr)
        {
            CHECK_TEXT(fw::logged(r.logged), r.label);
        }
        settle();
    }
}

TEST(AQ9SpiSensor, binary_output_2_setup_asks_for_the_fields_its_poll_reads)
{
    // IMU word 0x003E: uncompensated magnetic field, acceleration, angular rate,
    // temperature and pressure, the 50-byte payload the raw poll parses.
    respond(2, 76, {0, 0, 0x20, 0x03, 0x04, 0x3E, 0x00}, 11);
    expectTransfers(2);
    LONGS_EQUAL(E_NONE, sensor->setupBinaryReg2DesiredOutputs());
    Bytes head = {0x02, 0x4C, 0, 0, 0, 0, 0x20, 0x03, 0x04, 0x3E, 0x00};
    txEquals(head, "reg2 frame");
    LONGS_EQUAL(13, sensor->_requestSize);
    LONGS_EQUAL(0, AqCrc16_compute(sensor->_txBuf, 13));
    settle();

    respond(2, 76, {0, 0, 0x20, 0x03, 0x04, 0x0E, 0x00}, 11);
    expectTransfers(2);
    LONGS_EQUAL(E_UNKNOWN, sensor->setupBinaryReg2DesiredOutputs());
    CHECK(fw::logged("AQ9SpiSensor - set binary reg1 common group fields not properly set"));
    settle();

    respond(2, 75, {0, 0, 0x20, 0x03, 0x04, 0x3E, 0x00}, 11);
    expectTransfers(2);
    LONGS_EQUAL(E_UNKNOWN, sensor->setupBinaryReg2DesiredOutputs());
    CHECK(fw::logged("Aq9SpiSensor - set binary reg2 third response byte not 75"));
}

TEST(AQ9SpiSensor, known_mag_disturbance_frames_and_echo)
{
    struct Row
    {
        Boolean present;
        Bytes sent;
    } rows[] = {{1, {0x08, 0x01, 0, 0, 0xB2, 0xF3}}, {5, {0x08, 0x01, 0, 0, 0xB2, 0xF3}},
                {0, {0x08, 0x00, 0, 0, 0x85, 0xC3}}};
    for (const Row& r : rows)
    {
        respond(8, r.present ? 1 : 0, {}, 4);
        expectTransfers(2);
        LONGS_EQUAL(E_NONE, sensor->sendKnownMagDisturbanceCmd(r.present));
        txEquals(r.sent, "disturbance frame");
        LONGS_EQUAL(6, sensor->_requestSize);
        LONGS_EQUAL(6, sensor->_responseSize);
        settle();
    }
    respond(2, 0, {}, 4);
    expectTransfers(2);
    LONGS_EQUAL(E_UNKNOWN, sensor->sendKnownMagDisturbanceCmd(1));
    CHECK(fw::logged("Aq9SpiSensor - sendKnownMagDistrubaceCmd reg1 response not 0x08"));
}

// ---------------------------------------------------------------------------
// Register operations: the common shape

namespace {

struct RegisterOp
{
    const char* name;
    std::function<AqError(AQ9SpiSensor&)> op;
    char cmd;
    uint8_t reg;
    size_t frame;  // request and response length before the CRC
    const char* cmdMsg;
    const char* regMsg;
};

std::vector<RegisterOp> registerOps()
{
    const char* p = "AQ9SpiSensor - sensor didn't respond with ";
    auto m = [p](const char* rest) { return strdup((std::string(p) + rest).c_str()); };
    return {
        {"getMagGravRefVectors", [](AQ9SpiSensor& s) { return s.getMagGravRefVectors(); }, 1, 21, 28,
         m("cmd ID 1 (gravity reference vec."), m("register ID 21 (gravity reference vec.)")},
        {"sendHSISettings", [](AQ9SpiSensor& s) { return s.sendHSISettings(2, 1, 5); }, 2, 44, 7,
         m("cmd ID 2 from WriteMagnetometerCalibrationControl"),
         m("register ID 44 from magnetometerCalibrationControl")},
        {"sendMagCompensation", [](AQ9SpiSensor& s) { return s.sendMagCompensation(); }, 2, 23, 52,
         m("cmd ID 2 from sendMagCompensation"), m("register ID 23 from sendMagCompensation")},
        {"sendAccelCompensation", [](AQ9SpiSensor& s) { return s.sendAccelCompensation(); }, 2, 25, 52,
         m("cmd ID 2 from sendAccelCompensation"), m("register ID 25 from sendAccelCompensation")},
        {"sendGyroCompensation", [](AQ9SpiSensor& s) { return s.sendGyroCompensation(); }, 2, 84, 52,
         m("cmd ID 2 from sendGyroCompensation"), m("register ID 84 from sendGyroCompensation")},
        {"sendInstrumentRotation", [](AQ9SpiSensor& s) { return s.sendInstrumentRotation(); }, 2, 26, 40,
         m("cmd ID 2 from sendInstrumentRotation"), m("register ID 26 from sendInstrumentRotation")},
        {"sendAFEGyroTuningParameters", [](AQ9SpiSensor& s) { return s.sendAFEGyroTuningParameters(); }, 2, 40, 40,
         m("cmd ID 2 from sendAFEGyroTuningParameters"), m("register ID 40 from sendAFEGyroTuningParameters")},
        {"sendAFEAccelTuningParameters", [](AQ9SpiSensor& s) { return s.sendAFEAccelTuningParameters(); }, 2, 38,
         40, m("cmd ID 2 from sendAFEAccelTuningParameters"), m("register ID 38 from sendAFEAccelTuningParameters")},
        {"sendAFEMagTuningParameters", [](AQ9SpiSensor& s) { return s.sendAFEMagTuningParameters(); }, 2, 36, 40,
         m("cmd ID 2 from sendAFEMagTuningParameters"), m("register ID 36 from sendAFEMagTuningParameters")},
        {"sendFilterStartupBiasParameters", [](AQ9SpiSensor& s) { return s.sendFilterStartupBiasParameters(); }, 2,
         74, 32, m("cmd ID 2 from sendFilterStartupBiasParameters"),
         m("register ID 74 from sendFilterStartupBiasParameters")},
        {"sendAFEBasicControlParameters", [](AQ9SpiSensor& s) { return s.sendAFEBasicControlParameters(); }, 2, 35,
         8, m("cmd ID 2 from sendAFEBasicControlParameters"), m("register ID 35 from sendAFEBasicControlParameters")},
        {"getModelNumber", [](AQ9SpiSensor& s) { return s.getModelNumber(); }, 1, 1, 4,
         m("cmd ID 1 from getModelNumber"), m("register ID 1 from getModelNumber")},
        {"getHardwareRevisionNumber", [](AQ9SpiSensor& s) { return s.getHardwareRevisionNumber(); }, 1, 2, 8,
         m("cmd ID 1 from getHardwareRevisionNumber"), m("register ID 2 from getHardwareRevisionNumber")},
        {"getSerialNumber", [](AQ9SpiSensor& s) { return s.getSerialNumber(); }, 1, 3, 8,
         m("cmd ID 1 from getSerialNumber"), m("register ID 3 from getSerialNumber")},
        {"getFirmwareVersion", [](AQ9SpiSensor& s) { return s.getFirmwareVersion(); }, 1, 4, 4,
         m("cmd ID 1 from getFirmwareVersion"), m("register ID 4 from getFirmwareVersion")},
        {"getCalculatedHSICalibration", [](AQ9SpiSensor& s) { return s.getCalculatedHSICalibration(); }, 1, 47, 52,
         m("cmd ID 1 from getOnboardHSICal"), m("register ID 47 from getOnboardHSICal")},
        {"getUserHSICalibration", [](AQ9SpiSensor& s) { return s.getUserHSICalibration(); }, 1, 23, 52,
         m("cmd ID 1 from getUserHSICalibration"), m("register ID 23 from getUserHSICalibration")},
        {"getInstrumentRotationMatrix", [](AQ9SpiSensor& s) { return s.getInstrumentRotationMatrix(); }, 1, 26, 40,
         m("cmd ID 1 from getInstrumentRotationMatrix"), m("register ID 26 from getInstrumentRotationMatrix")},
        {"configureReferenceVectors",
         [](AQ9SpiSensor& s) { return s.configureReferenceVectors(36.5f, -121.75f, true, false, 2026.5f); }, 2, 83,
         44, m("cmd ID 1 from configureReferenceVectors"), m("register ID 83 from configureReferenceVectors")},
        {"writeSettingToEEPROM", [](AQ9SpiSensor& s) { return s.writeSettingToEEPROM(); }, 3, 0, 4,
         m("cmd ID 3 from writeSettingToEEPROM"), m("register ID 0 from writeSettingToEEPROM")},
        {"resetDevice", [](AQ9SpiSensor& s) { return s.resetDevice(); }, 6, 0, 4, m("cmd ID 6 from resetDevice"),
         m("register ID 0 from resetDevice")},
    };
}

void freeMessages(std::vector<RegisterOp>& ops)
{
    for (RegisterOp& r : ops)
    {
        free(const_cast<char*>(r.cmdMsg));
        free(const_cast<char*>(r.regMsg));
    }
}

}  // namespace

TEST(AQ9SpiSensor, every_register_operation_frames_its_request_and_checks_the_echoes)
{
    std::vector<RegisterOp> ops = registerOps();
    for (const RegisterOp& r : ops)
    {
        // A clean echo: the request is the response's length with a valid CRC
        // and no stale bytes under it.
        memset(sensor->_txBuf, 0xEE, sizeof sensor->_txBuf);
        respond(r.cmd, r.reg, {}, r.frame);
        expectTransfers(2);
        LONGS_EQUAL_TEXT(E_NONE, r.op(*sensor), r.name);
        LONGS_EQUAL_TEXT(r.frame + 2, sensor->_requestSize, r.name);
        LONGS_EQUAL_TEXT(r.frame + 2, sensor->_responseSize, r.name);
        LONGS_EQUAL_TEXT(r.cmd, sensor->_txBuf[0], r.name);
        LONGS_EQUAL_TEXT(r.reg, static_cast<uint8_t>(sensor->_txBuf[1]), r.name);
        LONGS_EQUAL_TEXT(0, AqCrc16_compute(sensor->_txBuf, r.frame + 2), r.name);
        if (r.cmd != 2)
        {
            for (size_t i = 2; i < r.frame; i++)
            {
                LONGS_EQUAL_TEXT(0, sensor->_txBuf[i], r.name);
            }
        }
        LONGS_EQUAL_TEXT(0, static_cast<long>(fw::syslogLines().size()), r.name);
        settle();

        respond(r.cmd == 1 ? 2 : 1, r.reg, {}, r.frame);
        expectTransfers(2);
        LONGS_EQUAL_TEXT(E_UNKNOWN, r.op(*sensor), r.name);
        CHECK_TEXT(fw::logged(r.cmdMsg), r.name);
        settle();

        respond(r.cmd, r.reg + 1, {}, r.frame);
        expectTransfers(2);
        LONGS_EQUAL_TEXT(E_UNKNOWN, r.op(*sensor), r.name);
        CHECK_TEXT(fw::logged(r.regMsg), r.name);
        settle();

        respond(r.cmd, r.reg, {}, r.frame, 8);
        expectTransfers(2);
        LONGS_EQUAL_TEXT(E_SENSOR_INVALID_REGISTER, r.op(*sensor), r.name);
        CHECK_TEXT(fw::logged("AQ9SpiSensor - sensor error: SENSOR_INVALID_REGISTER"), r.name);
        settle();
    }
    freeMessages(ops);
}

// ---------------------------------------------------------------------------
// Register operations: values sent and stored

TEST(AQ9SpiSensor, compensation_is_sent_column_by_column_and_stored_back_row_by_row)
{
    struct Row
    {
        const char* label;
        AqError (AQ9SpiSensor::*op)();
        uint8_t reg;
        v9d aq9Settings::*c;
        v3d aq9Settings::*b;
    } rows[] = {
        {"mag", &AQ9SpiSensor::sendMagCompensation, 23, &aq9Settings::MagCompC, &aq9Settings::MagCompB},
        {"accel", &AQ9SpiSensor::sendAccelCompensation, 25, &aq9Settings::AccelCompC, &aq9Settings::AccelCompB},
        {"gyro", &AQ9SpiSensor::sendGyroCompensation, 84, &aq9Settings::GyroCompC, &aq9Settings::GyroCompB},
    };
    for (const Row& r : rows)
    {
        // The other two registers' settings must come through untouched.
        memset(&sensor->_settings, 0, sizeof sensor->_settings);
        v9d& c = sensor->_settings.*r.c;
        v3d& b = sensor->_settings.*r.b;
        for (int i = 0; i < 9; i++)
        {
            c.c[i] = i + 1;  // row by row
        }
        b = {{0.5, -0.25, 2.0}};
        // The sensor reports a different matrix than it was sent: that is what is kept.
        Bytes payload(48);
        for (int i = 0; i < 9; i++)
        {
            putFloat(reinterpret_cast<char*>(payload.data()) + 4 * i, 10.0f + i);
        }
        putFloat(reinterpret_cast<char*>(payload.data()) + 36, 7.0f);
        respond(2, r.reg, payload, 52);
        expectTransfers(2);
        LONGS_EQUAL_TEXT(E_NONE, (sensor->*r.op)(), r.label);
        LONGS_EQUAL_TEXT(r.reg, static_cast<uint8_t>(sensor->_txBuf[1]), r.label);

        const float sentOrder[9] = {1, 4, 7, 2, 5, 8, 3, 6, 9};
        for (int i = 0; i < 9; i++)
        {
            float f;
            memcpy(&f, sensor->_txBuf + 4 + 4 * i, 4);
            DOUBLES_EQUAL_TEXT(sentOrder[i], f, 0.0, r.label);
        }
        float b0;
        memcpy(&b0, sensor->_txBuf + 40, 4);
        DOUBLES_EQUAL_TEXT(0.5, b0, 0.0, r.label);
        // e = 10..18 column by column: row 0 is e0, e3, e6.
        const double stored[9] = {10, 13, 16, 11, 14, 17, 12, 15, 18};
        for (int i = 0; i < 9; i++)
        {
            DOUBLES_EQUAL_TEXT(stored[i], c.c[i], 0.0, r.label);
        }
        DOUBLES_EQUAL_TEXT(7.0, b.c[0], 0.0, r.label);
        for (const Row& other : rows)
        {
            if (other.c != r.c)
            {
                DOUBLES_EQUAL_TEXT(0.0, (sensor->_settings.*other.c).c[0], 0.0, other.label);
                DOUBLES_EQUAL_TEXT(0.0, (sensor->_settings.*other.b).c[0], 0.0, other.label);
            }
        }
        settle();

        // A sensor error leaves the settings as they were.
        respond(2, r.reg, payload, 52, 3);
        c.c[0] = -1;
        expectTransfers(2);
        LONGS_EQUAL_TEXT(E_SENSOR_INVALID_CHECKSUM, (sensor->*r.op)(), r.label);
        DOUBLES_EQUAL_TEXT(-1.0, c.c[0], 0.0, r.label);
        settle();
    }
}

TEST(AQ9SpiSensor, afe_tuning_goes_out_as_three_vectors_and_comes_back_into_the_settings)
{
    struct Row
    {
        const char* label;
        AqError (AQ9SpiSensor::*op)();
        uint8_t reg;
        v9d aq9Settings::*tuning;
    } rows[] = {
        {"gyro", &AQ9SpiSensor::sendAFEGyroTuningParameters, 40, &aq9Settings::AFEGyroTuning},
        {"accel", &AQ9SpiSensor::sendAFEAccelTuningParameters, 38, &aq9Settings::AFEAccelTuning},
        {"mag", &AQ9SpiSensor::sendAFEMagTuningParameters, 36, &aq9Settings::AFEMagTuning},
    };
    for (const Row& r : rows)
    {
        memset(&sensor->_settings, 0, sizeof sensor->_settings);
        v9d& t = sensor->_settings.*r.tuning;
        for (int i = 0; i < 9; i++)
        {
            t.c[i] = 0.5 * (i + 1);
        }
        Bytes payload(36);
        for (int i = 0; i < 9; i++)
        {
            putFloat(reinterpret_cast<char*>(payload.data()) + 4 * i, -1.0f * (i + 1));
        }
        respond(2, r.reg, payload, 40);
        expectTransfers(2);
        LONGS_EQUAL_TEXT(E_NONE, (sensor->*r.op)(), r.label);
        LONGS_EQUAL_TEXT(r.reg, static_cast<uint8_t>(sensor->_txBuf[1]), r.label);
        for (int i = 0; i < 9; i++)
        {
            float f;
            memcpy(&f, sensor->_txBuf + 4 + 4 * i, 4);
            DOUBLES_EQUAL_TEXT(0.5 * (i + 1), f, 0.0, r.label);
            DOUBLES_EQUAL_TEXT(-1.0 * (i + 1), t.c[i], 0.0, r.label);
        }
        for (const Row& other : rows)
        {
            if (other.tuning != r.tuning)
            {
                DOUBLES_EQUAL_TEXT(0.0, (sensor->_settings.*other.tuning).c[8], 0.0, other.label);
            }
        }
        settle();
    }
}

TEST(AQ9SpiSensor, hsi_settings_and_identity_land_in_their_fields)
{
    respond(2, 44, {2, 1, 5}, 7);
    expectTransfers(2);
    LONGS_EQUAL(E_NONE, sensor->sendHSISettings(2, 1, 5));
    MEMCMP_EQUAL("\x02\x2C\x00\x00\x02\x01\x05", sensor->_txBuf, 7);
    LONGS_EQUAL(2, sensor->_settings.HSIMode);
    LONGS_EQUAL(1, sensor->_settings.HSIOutput);
    LONGS_EQUAL(5, sensor->_settings.HSIConvergeRate);
    settle();

    respond(1, 3, {0x78, 0x56, 0x34, 0x12}, 8);
    expectTransfers(2);
    LONGS_EQUAL(E_NONE, sensor->getSerialNumber());
    UNSIGNED_LONGS_EQUAL(0x12345678u, sensor->_serialNumber);
    settle();

    respond(1, 2, {9, 0, 0, 0}, 8);
    expectTransfers(2);
    LONGS_EQUAL(E_NONE, sensor->getHardwareRevisionNumber());
    UNSIGNED_LONGS_EQUAL(9, sensor->_hwRevision);
}

TEST(AQ9SpiSensor, text_read_back_never_takes_the_crc_or_older_bytes_as_text)
{
    // The text registers' frame is the header alone; whatever lies after the
    // CRC in the buffer belongs to an older exchange.
    respond(1, 1, {}, 4);
    memcpy(sensorOut + 6, "STALE-BYTES", 12);
    memset(sensor->_modelNumber, 'Z', sizeof sensor->_modelNumber);
    expectTransfers(2);
    LONGS_EQUAL(E_NONE, sensor->getModelNumber());
    STRCMP_EQUAL("", sensor->_modelNumber);
    LONGS_EQUAL('Z', sensor->_modelNumber[1]);
    settle();

    respond(1, 4, {}, 4);
    memcpy(sensorOut + 6, "2.1.0", 6);
    memset(sensor->_firmwareVersion, 'Z', sizeof sensor->_firmwareVersion);
    expectTransfers(2);
    LONGS_EQUAL(E_NONE, sensor->getFirmwareVersion());
    STRCMP_EQUAL("", sensor->_firmwareVersion);
    LONGS_EQUAL('Z', sensor->_firmwareVersion[1]);
}

TEST(AQ9SpiSensor, reference_vector_configuration_sends_site_and_year)
{
    respond(2, 83, {}, 44);
    expectTransfers(2);
    LONGS_EQUAL(E_NONE, sensor->configureReferenceVectors(36.5f, -121.75f, true, false, 2026.5f));
    const char* tx = sensor->_txBuf;
    MEMCMP_EQUAL("\x02\x53\x00\x00\x01\x00\x00\x00\x64\x00\x00\x00", tx, 12);
    float year;
    memcpy(&year, tx + 12, 4);
    DOUBLES_EQUAL(2026.5, year, 0.0);
    double lat, lon, alt;
    memcpy(&lat, tx + 20, 8);
    memcpy(&lon, tx + 28, 8);
    memcpy(&alt, tx + 36, 8);
    DOUBLES_EQUAL(36.5, lat, 0.0);
    DOUBLES_EQUAL(-121.75, lon, 0.0);
    DOUBLES_EQUAL(0.0, alt, 0.0);
    for (int i = 16; i < 20; i++)
    {
        LONGS_EQUAL(0, tx[i]);  // the gap, cleared with the buffer
    }
}

TEST(AQ9SpiSensor, save_and_reset_use_a_checkable_six_byte_frame)
{
    respond(3, 0, {}, 4);
    expectTransfers(2);
    LONGS_EQUAL(E_NONE, sensor->writeSettingToEEPROM());
    LONGS_EQUAL(6, sensor->_requestSize);
    LONGS_EQUAL(6, sensor->_responseSize);
    MEMCMP_EQUAL("\x03\x00\x00\x00", sensor->_txBuf, 4);
    LONGS_EQUAL(0, AqCrc16_compute(sensor->_txBuf, 6));
    settle();

    respond(6, 0, {}, 4);
    expectTransfers(2);
    LONGS_EQUAL(E_NONE, sensor->resetDevice());
    MEMCMP_EQUAL("\x06\x00\x00\x00", sensor->_txBuf, 4);
    LONGS_EQUAL(0, AqCrc16_compute(sensor->_txBuf, 6));
}

TEST(AQ9SpiSensor, set_up_writes_go_out_twice_and_check_what_the_sensor_kept)
{
    respond(2, 6, {0, 0, 0, 0}, 9);
    expectTransfers(2);
    LONGS_EQUAL(E_NONE, sensor->disableAsyncUartAsciiOutput());
    MEMCMP_EQUAL("\x02\x06\x00\x00\x00\x00\x00\x00\x00", sensor->_txBuf, 9);
    LONGS_EQUAL(0, AqCrc16_compute(sensor->_txBuf, 11));
    settle();

    respond(2, 6, {14, 0, 0, 0}, 9);
    expectTransfers(2);
    LONGS_EQUAL(E_UNKNOWN, sensor->disableAsyncUartAsciiOutput());
    CHECK(fw::logged("AQ9SpiSensor - Couldn't disable UART Async output"));
    settle();

    // A silent bus (all zeros pass the CRC) or another register's answer is
    // no confirmation, even with a zero value where the output type sits.
    const struct
    {
        char cmd;
        uint8_t reg;
    } unconfirmed[] = {{0, 0}, {1, 6}, {2, 30}};
    for (const auto& u : unconfirmed)
    {
        respond(u.cmd, u.reg, {0, 0, 0, 0}, 9);
        expectTransfers(2);
        LONGS_EQUAL(E_UNKNOWN, sensor->disableAsyncUartAsciiOutput());
        LONGS_EQUAL(1, fw::loggedCount("AQ9SpiSensor - Couldn't disable UART Async output"));
        settle();
    }

    respond(2, 30, {0, 0, 0, 0, 2, 2, 1}, 11);
    expectTransfers(2);
    LONGS_EQUAL(E_NONE, sensor->enableCrcChecksums());
    MEMCMP_EQUAL("\x02\x1E\x00\x00\x00\x00\x00\x00\x02\x02\x01", sensor->_txBuf, 11);
    settle();

    const char* msgs[7] = {"serialCount", "serialStatus", "spiCount", "spiStatus",
                           "serialChecksum", "spiChecksum", "errorMode"};
    for (int i = 0; i < 7; i++)
    {
        Bytes echo = {0, 0, 0, 0, 2, 2, 1};
        echo[i] ^= 0x40;
        respond(2, 30, echo, 11);
        expectTransfers(2);
        LONGS_EQUAL_TEXT(E_UNKNOWN, sensor->enableCrcChecksums(), msgs[i]);
        CHECK_TEXT(fw::logged(std::string("AQ9SpiSensor - failed to set ") + msgs[i]), msgs[i]);
        settle();
    }

    respond(2, 30, {}, 11, 9);
    expectTransfers(2);
    LONGS_EQUAL(E_SENSOR_UNAUTHORIZED_ACCESS, sensor->enableCrcChecksums());
}

TEST(AQ9SpiSensor, user_calibration_is_what_the_sensor_applies_and_finalize_needs_no_bus)
{
    // The settings hold the identity while the sensor applies the calibration
    // stored in its EEPROM: the read-back replaces them, row by row.
    sensor->_settings.MagCompC = {{1, 0, 0, 0, 1, 0, 0, 0, 1}};
    sensor->_settings.MagCompB = {{0, 0, 0}};
    Bytes payload(48);
    for (int i = 0; i < 9; i++)
    {
        putFloat(reinterpret_cast<char*>(payload.data()) + 4 * i, 10.0f + i);
    }
    putFloat(reinterpret_cast<char*>(payload.data()) + 36, 0.5f);
    putFloat(reinterpret_cast<char*>(payload.data()) + 40, -0.25f);
    putFloat(reinterpret_cast<char*>(payload.data()) + 44, 2.0f);
    respond(1, 23, payload, 52);
    expectTransfers(2);
    LONGS_EQUAL(E_NONE, sensor->getUserHSICalibration());
    MEMCMP_EQUAL("\x01\x17\x00\x00", sensor->_txBuf, 4);
    const double stored[9] = {10, 13, 16, 11, 14, 17, 12, 15, 18};
    for (int i = 0; i < 9; i++)
    {
        DOUBLES_EQUAL(stored[i], sensor->_settings.MagCompC.c[i], 0.0);
    }
    DOUBLES_EQUAL(0.5, sensor->_settings.MagCompB.c[0], 0.0);
    DOUBLES_EQUAL(-0.25, sensor->_settings.MagCompB.c[1], 0.0);
    DOUBLES_EQUAL(2.0, sensor->_settings.MagCompB.c[2], 0.0);
    settle();

    // A refused read leaves the settings as they were.
    respond(1, 23, {}, 52, 8);
    expectTransfers(2);
    sensor->_settings.MagCompB.c[0] = -7.0;
    LONGS_EQUAL(E_SENSOR_INVALID_REGISTER, sensor->getUserHSICalibration());
    DOUBLES_EQUAL(-7.0, sensor->_settings.MagCompB.c[0], 0.0);
    DOUBLES_EQUAL(10.0, sensor->_settings.MagCompC.c[0], 0.0);
    settle();

    LONGS_EQUAL(DeviceIF::Ok, sensor->finalizeIface());
    STRCMP_EQUAL("/dev/spidev2.0", sensor->interfaceStr());
}

// ---------------------------------------------------------------------------
// Polls

TEST(AQ9SpiSensor, attitude_poll_parses_the_payload_at_its_offsets)
{
    Bytes payload(78);
    char* p = reinterpret_cast<char*>(payload.data());
    for (int i = 0; i < 12; i++)
    {
        putFloat(p + 4 * i, 1.0f + i);  // ypr, gyro, accel, mag
    }
    putFloat(p + 48, 21.5f);
    putFloat(p + 52, 101.25f);
    p[56] = 0x34;
    p[57] = 0x12;
    putFloat(p + 58, 0.5f);
    putFloat(p + 62, 0.25f);
    putFloat(p + 66, 0.125f);
    respond(0x12, 1, payload, 82 - 2);
    expectTransfers(2);
    ahrsData_SensorUnits a = sensor->getAhrsData();
    MEMCMP_EQUAL("\x12\x01\x00\x00\xC1\xFF", sensor->_txBuf, 6);
    LONGS_EQUAL(6, sensor->_requestSize);
    LONGS_EQUAL(82, sensor->_responseSize);
    LONGS_EQUAL(1, a.dataGood);
    DOUBLES_EQUAL(1.0, a.ypr_deg.c[0], 0.0);
    DOUBLES_EQUAL(4.0, a.gyro_rads.c[0], 0.0);
    DOUBLES_EQUAL(7.0, a.accel_ms2.c[0], 0.0);
    DOUBLES_EQUAL(12.0, a.mag_G.c[2], 0.0);
    DOUBLES_EQUAL(21.5, a.temp_C, 0.0);
    DOUBLES_EQUAL(101.25, a.pres_kPa, 0.0);
    LONGS_EQUAL(0x1234, a.afeStatus);
    DOUBLES_EQUAL(0.125, a.yprU.c[2], 0.0);
    CHECK(a.sampleTime.tv_sec > 0);
    settle();

    // An answer for the other output is not this record.
    respond(0x12, 2, payload, 82 - 2);
    expectTransfers(2);
    LONGS_EQUAL(0, sensor->getAhrsData().dataGood);
    CHECK(fw::logged("AQ9SpiSensor - poll of binary output 1 answered with cmd 18 register 2"));
    settle();

    // A corrupted answer: the record comes back zero and not good.
    respond(0x12, 1, payload, 82 - 2);
    sensorOut[20] ^= 1;
    expectTransfers(2);
    a = sensor->getAhrsData();
    LONGS_EQUAL(0, a.dataGood);
    DOUBLES_EQUAL(0.0, a.ypr_deg.c[0], 0.0);
    LONGS_EQUAL(0, sensor->AhrsData().afeStatus);
}

TEST(AQ9SpiSensor, raw_poll_parses_the_payload_at_its_offsets)
{
    Bytes payload(50);
    char* p = reinterpret_cast<char*>(payload.data());
    for (int i = 0; i < 9; i++)
    {
        putFloat(p + 4 * i, -1.0f - i);
    }
    putFloat(p + 36, 4.5f);
    putFloat(p + 40, 99.5f);
    respond(0x12, 2, payload, 54 - 2);
    expectTransfers(2);
    rawMeasData_SensorUnits r = sensor->getRawMeasData();
    MEMCMP_EQUAL("\x12\x02\x00\x00\x98\xAF", sensor->_txBuf, 6);
    LONGS_EQUAL(54, sensor->_responseSize);
    LONGS_EQUAL(1, r.dataGood);
    DOUBLES_EQUAL(-1.0, r.mag_G.c[0], 0.0);
    DOUBLES_EQUAL(-4.0, r.accel_ms2.c[0], 0.0);
    DOUBLES_EQUAL(-9.0, r.gyro_rads.c[2], 0.0);
    DOUBLES_EQUAL(4.5, r.temp_C, 0.0);
    DOUBLES_EQUAL(99.5, r.pres_kpa, 0.0);
    settle();

    respond(0x12, 2, payload, 54 - 2, 10);
    expectTransfers(2);
    r = sensor->getRawMeasData();
    LONGS_EQUAL(0, r.dataGood);
    CHECK(fw::logged("AQ9SpiSensor - sensor error: SENSOR_WATCHDOG_RESET"));
}
