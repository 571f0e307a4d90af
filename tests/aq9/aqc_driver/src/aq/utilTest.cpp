#include <string.h>

#include "CppUTest/TestHarness.h"
#include "aq/util.h"

TEST_GROUP(util){};

TEST(util, hex_text_conversions)
{
    LONGS_EQUAL(62, AqUtil_toUint16FromHexStr("003E"));
    LONGS_EQUAL(5416, AqUtil_toUint16FromHexStr("1528"));
    LONGS_EQUAL(0xAB, AqUtil_toUint8FromHexStr("ab"));
    LONGS_EQUAL(0xAB, AqUtil_toUint8FromHexStr("AB"));
    char out[6];
    memset(out, 'Z', sizeof out);
    AqUtil_toHexStrFromUint16(5416, out);
    STRNCMP_EQUAL("1528Z", out, 5);
    memset(out, 'Z', sizeof out);
    AqUtil_toHexStrFromUint8(0x0C, out);
    STRNCMP_EQUAL("0CZ", out, 3);
}

TEST(util, decimal_text_without_leading_zeros)
{
    struct Row
    {
        uint16_t value;
        const char* text;
    } rows[] = {{0, "0"}, {7, "7"}, {10, "10"}, {800, "800"}, {65535, "65535"}};
    for (const Row& r : rows)
    {
        char out[7];
        memset(out, 'Z', sizeof out);
        size_t n = AqUtil_toStrFromUint16(r.value, out);
        LONGS_EQUAL(strlen(r.text), n);
        STRNCMP_EQUAL(r.text, out, n);
        LONGS_EQUAL('Z', out[n]);
    }
}

TEST(util, set_bits)
{
    LONGS_EQUAL(8, AqUtil_countSetBitsUint8(0xFF));
    LONGS_EQUAL(0, AqUtil_countSetBitsUint8(0));
    LONGS_EQUAL(2, AqUtil_countSetBitsUint8(0x11));
}

TEST(util, extracts_read_unaligned_little_endian_values)
{
    // One byte of offset makes every read unaligned.
    unsigned char raw[1 + 36] = {0};
    raw[1] = 0x28;
    raw[2] = 0x15;
    LONGS_EQUAL(5416, AqUtil_extractUint16(reinterpret_cast<char*>(raw) + 1));
    const float values[9] = {1.5f, -2.25f, 3.0f, 4, 5, 6, 7, 8, 9};
    memcpy(raw + 1, values, sizeof values);
    vec3f v = AqUtil_extractVec3f(reinterpret_cast<char*>(raw) + 1);
    DOUBLES_EQUAL(1.5f, v.c[0], 0);
    DOUBLES_EQUAL(-2.25f, v.c[1], 0);
    DOUBLES_EQUAL(3.0f, v.c[2], 0);
    mat3f m = AqUtil_extractMat3f(reinterpret_cast<char*>(raw) + 1);
    for (int i = 0; i < 9; i++)
        DOUBLES_EQUAL(values[i], m.e[i], 0);
    const unsigned char u32[] = {0, 0x78, 0x56, 0x34, 0x12};
    LONGS_EQUAL(0x12345678, AqUtil_extractUint32(reinterpret_cast<const char*>(u32) + 1));
}

TEST(util, extract_doubles_and_reversal)
{
    const unsigned char bigEndianOne[] = {0x3F, 0xF0, 0, 0, 0, 0, 0, 0};
    DOUBLES_EQUAL(1.0, reverseDouble(reinterpret_cast<const char*>(bigEndianOne)), 0);
    unsigned char raw[1 + 24];
    const double d[3] = {1.0, -0.5, 1e10};
    memcpy(raw + 1, d, sizeof d);
    vec3d v = AqUtil_extractVec3d(reinterpret_cast<char*>(raw) + 1);
    DOUBLES_EQUAL(1.0, v.c[0], 0);
    DOUBLES_EQUAL(-0.5, v.c[1], 0);
    DOUBLES_EQUAL(1e10, v.c[2], 0);
}

TEST(util, extract_composite_records)
{
    const unsigned char t[] = {0xFF, 12, 31, 23, 59, 58, 0xE7, 0x03};
    TimeUtc u = AqUtil_extractTimeUtc(reinterpret_cast<const char*>(t));
    LONGS_EQUAL(-1, u.year);
    LONGS_EQUAL(12, u.month);
    LONGS_EQUAL(31, u.day);
    LONGS_EQUAL(23, u.hour);
    LONGS_EQUAL(59, u.min);
    LONGS_EQUAL(58, u.sec);
    LONGS_EQUAL(999, u.ms);
    const unsigned char i[] = {3, 0xEE};
    TimeInfo ti = AqUtil_extractTimeInfo(reinterpret_cast<const char*>(i));
    LONGS_EQUAL(3, ti.timeStatus);
    LONGS_EQUAL(-18, ti.leapSeconds);
    float dop[7] = {1, 2, 3, 4, 5, 6, 7};
    GpsDop g = AqUtil_extractGpsDop(reinterpret_cast<const char*>(dop));
    DOUBLES_EQUAL(1, g.gDOP, 0);
    DOUBLES_EQUAL(5, g.hDOP, 0);
    DOUBLES_EQUAL(7, g.eDOP, 0);
}
