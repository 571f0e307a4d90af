// Scenario group "AQ9SpiSensor": bring-up, transfers and frame checks of the
// SPI link against the simulated open/ioctl/close.
#include <linux/spi/spidev.h>
#include <string.h>

#include "AQ9SpiSensor.h"
#include "BenchScripts.h"
#include "CppUTest/TestHarness.h"
#include "CppUTestExt/MockSupport.h"
#include "aq/error_detection.h"

TEST_GROUP(AQ9SpiSensor)
{
    AQ9SpiParams* params;
    AQ9SpiSensor* aqs;

    void setup()
    {
        params = new AQ9SpiParams("/dev/spidev2.0");
        aqs = new AQ9SpiSensor(params);
    }

    void teardown()
    {
        // The link is deleted first: closing its device is part of the script.
        delete aqs;
        delete params;
        mock("os").checkExpectations();
        mock().clear();
    }

    char rx[8];
    char cmdId = 0, arg1 = 0;
    const char* payload = nullptr;
    size_t payloadSize = 0;

    // Checks the six frame bytes with their CRC appended, as the sensor sends
    // them; flipBit corrupts the last CRC byte first.
    AqError check(const unsigned char (&bytes)[6], bool flipBit = false)
    {
        memcpy(rx, bytes, 6);
        uint16_t crc = AqCrc16_compute(rx, 6);
        rx[6] = static_cast<char>(crc >> 8);
        rx[7] = static_cast<char>((crc & 0xFF) ^ (flipBit ? 1 : 0));
        return aqs->payloadFromRxBuf(rx, sizeof rx, cmdId, arg1, payload, payloadSize);
    }
};

TEST(AQ9SpiSensor, default_interface_settings_good)
{
    LONGS_EQUAL(8, params->readBitsPerWord);
    LONGS_EQUAL(8, params->writeBitsPerWord);
    LONGS_EQUAL(8000000, params->readSpeed);
    LONGS_EQUAL(8000000, params->writeSpeed);
    LONGS_EQUAL(SPI_CPOL | SPI_CPHA, params->mode);
}

TEST(AQ9SpiSensor, inface_init_correct)
{
    expect_default_spi_iface_init("/dev/spidev2.0");
    expect_spi_close();
    LONGS_EQUAL(DeviceIF::Ok, aqs->initIface());
}

TEST(AQ9SpiSensor, write_read_calls_ioctl)
{
    expect_default_spi_iface_init("/dev/spidev2.0");
    expect_spi_close();
    LONGS_EQUAL(DeviceIF::Ok, aqs->initIface());
    expect_spi_writeRead(6);
    char in[6];
    aqs->spiWriteRead("test1", 6, in);
}

TEST(AQ9SpiSensor, ahrsData_struct_zero_after_CTOR)
{
    ahrsData_SensorUnits a = aqs->AhrsData();
    const unsigned char zero[sizeof a] = {0};
    MEMCMP_EQUAL(zero, &a, sizeof a);
}

TEST(AQ9SpiSensor, rawMeasData_struct_zero_after_CTOR)
{
    rawMeasData_SensorUnits r = aqs->RawMeasData();
    const unsigned char zero[sizeof r] = {0};
    MEMCMP_EQUAL(zero, &r, sizeof r);
}

TEST(AQ9SpiSensor, appendCrcToBuf_returns_error_if_no_room_left_in_write_buffer)
{
    char buf[4] = {1, 2, 3, 4};
    size_t n = 3;
    LONGS_EQUAL(-1, aqs->appendCrcToBuf(buf, &n, sizeof buf));
    LONGS_EQUAL(3, n);
}

TEST(AQ9SpiSensor, appendCrcToBuf_works_correctly)
{
    char buf[256] = {0x00, 0x12, 0x01, 0x00, static_cast<char>(0xFA), 0x00};
    size_t n = 6;
    LONGS_EQUAL(0, aqs->appendCrcToBuf(buf, &n, sizeof buf));
    LONGS_EQUAL(8, n);
    LONGS_EQUAL(0, AqCrc16_compute(buf, n));
}

TEST(AQ9SpiSensor, payloadFromRxBuf_fails_if_response_size_too_small)
{
    memset(rx, 0, sizeof rx);
    LONGS_EQUAL(E_BUFFER_TOO_SMALL, aqs->payloadFromRxBuf(rx, 5, cmdId, arg1, payload, payloadSize));
}

TEST(AQ9SpiSensor, payloadFromRxBuf_fails_if_bad_CRC)
{
    const unsigned char bytes[6] = {0x00, 0x12, 0x01, 0x00, 0xFA, 0x00};
    LONGS_EQUAL(E_SENSOR_INVALID_CHECKSUM, check(bytes, true));
}

TEST(AQ9SpiSensor, payloadFromRxBuf_fails_if_byte0_not_0)
{
    const unsigned char bytes[6] = {0x01, 0x12, 0x01, 0x00, 0xFA, 0x00};
    LONGS_EQUAL(E_UNKNOWN, check(bytes));
}

TEST(AQ9SpiSensor, payloadFromRxBuf_returns_Error_if_byte3_error)
{
    const unsigned char bytes[6] = {0x00, 0x12, 0x01, 0x06, 0xFA, 0x00};
    LONGS_EQUAL(E_SENSOR_TOO_MANY_PARAMETERS, check(bytes));
}

TEST(AQ9SpiSensor, payloadFromRxBuf_returns_correct_payload_ptr_and_payload_size)
{
    const unsigned char bytes[6] = {0x00, 0x12, 0x01, 0x00, 0xFA, 0x00};
    LONGS_EQUAL(E_NONE, check(bytes));
    LONGS_EQUAL(0xCA, static_cast<unsigned char>(rx[6]));
    LONGS_EQUAL(0x67, static_cast<unsigned char>(rx[7]));
    LONGS_EQUAL(2, payloadSize);
    POINTERS_EQUAL(rx + 4, payload);
}

TEST(AQ9SpiSensor, genBinaryReg1Request_makes_correct_request)
{
    char buf[128];
    size_t requestSize = 0, responseSize = 0;
    LONGS_EQUAL(E_NONE, aqs->genBinaryReg1Request(buf, sizeof buf, requestSize, responseSize));
    const unsigned char expected[] = {0x12, 0x01, 0x00, 0x00, 0xC1, 0xFF};
    MEMCMP_EQUAL(expected, buf, sizeof expected);
    LONGS_EQUAL(6, requestSize);
    LONGS_EQUAL(82, responseSize);
}

TEST(AQ9SpiSensor, genBinaryReg2Request_makes_correct_request)
{
    char buf[128];
    size_t requestSize = 0, responseSize = 0;
    LONGS_EQUAL(E_NONE, aqs->genBinaryReg2Request(buf, sizeof buf, requestSize, responseSize));
    const unsigned char expected[] = {0x12, 0x02, 0x00, 0x00, 0x98, 0xAF};
    MEMCMP_EQUAL(expected, buf, sizeof expected);
    LONGS_EQUAL(6, requestSize);
    LONGS_EQUAL(54, responseSize);
}

TEST(AQ9SpiSensor, spiParams_ctor_saves_file_and_string_returns_it)
{
    const char* args[] = {"aq9Server", "-cfg", "standard_mission.cfg", "-dev", "/dev/spidev2.0"};
    AQ9SpiParams p(5, const_cast<char**>(args));
    STRCMP_EQUAL("/dev/spidev2.0", p.fdName);
    STRCMP_EQUAL("/dev/spidev2.0", p.string());
}
