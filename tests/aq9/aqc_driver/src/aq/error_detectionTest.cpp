#include "CppUTest/TestHarness.h"
#include "aq/error_detection.h"

TEST_GROUP(error_detection){};

TEST(error_detection, crc16_check_values)
{
    const char frame[] = {0x00, 0x12, 0x01, 0x00, static_cast<char>(0xFA), 0x00};
    const char framed[] = {0x00, 0x12, 0x01, 0x00, static_cast<char>(0xFA), 0x00, static_cast<char>(0xCA), 0x67};
    LONGS_EQUAL(0, AqCrc16_compute("", 0));
    LONGS_EQUAL(0x31C3, AqCrc16_compute("123456789", 9));
    LONGS_EQUAL(0x9DD6, AqCrc16_compute("abc", 3));
    LONGS_EQUAL(0xCA67, AqCrc16_compute(frame, sizeof frame));
    LONGS_EQUAL(0, AqCrc16_compute(framed, sizeof framed));
}

TEST(error_detection, crc16_detects_every_single_bit_flip)
{
    char framed[] = {0x00, 0x12, 0x01, 0x00, static_cast<char>(0xFA), 0x00, static_cast<char>(0xCA), 0x67};
    for (size_t byte = 0; byte < sizeof framed; byte++)
        for (int bit = 0; bit < 8; bit++)
        {
            framed[byte] ^= static_cast<char>(1 << bit);
            CHECK_TEXT(AqCrc16_compute(framed, sizeof framed) != 0, "flip not detected");
            framed[byte] ^= static_cast<char>(1 << bit);
        }
}

TEST(error_detection, checksum8_is_xor)
{
    const char data[] = {0x01, 0x02, 0x03};
    LONGS_EQUAL(0, AqChecksum8_compute(data, 3));
    LONGS_EQUAL(0, AqChecksum8_compute(data, 0));
    LONGS_EQUAL(0x73, AqChecksum8_compute("AQRRG,08", 8));
}
