#include "aq/util.h"

#include <string.h>

static_assert(sizeof(vec3f) == 12 && sizeof(vec3d) == 24 && sizeof(vec4f) == 16, "vector sizes");
static_assert(sizeof(mat3f) == 36 && sizeof(GpsDop) == 28, "matrix and DOP sizes");
static_assert(sizeof(TimeUtc) == 8 && sizeof(TimeInfo) == 2, "time record sizes");

uint8_t AqUtil_toUint8FromHexChar(char c)
{
    return static_cast<uint8_t>(c > '9' ? (c > 'F' ? c - 87 : c - 55) : c - 48);
}

uint8_t AqUtil_toUint8FromHexStr(const char* str)
{
    return static_cast<uint8_t>((AqUtil_toUint8FromHexChar(str[0]) << 4) | AqUtil_toUint8FromHexChar(str[1]));
}

uint16_t AqUtil_toUint16FromHexStr(const char* str)
{
    return static_cast<uint16_t>((AqUtil_toUint8FromHexStr(str) << 8) | AqUtil_toUint8FromHexStr(str + 2));
}

static char hexDigit(unsigned nibble)
{
    return "0123456789ABCDEF"[nibble & 0xF];
}

void AqUtil_toHexStrFromUint8(uint8_t toConvert, char* output)
{
    output[0] = hexDigit(toConvert >> 4);
    output[1] = hexDigit(toConvert);
}

void AqUtil_toHexStrFromUint16(uint16_t toConvert, char* output)
{
    AqUtil_toHexStrFromUint8(static_cast<uint8_t>(toConvert >> 8), output);
    AqUtil_toHexStrFromUint8(static_cast<uint8_t>(toConvert & 0xFF), output + 2);
}

size_t AqUtil_toStrFromUint16(uint16_t toConvert, char* output)
{
    char digits[5];
    size_t n = 0;
    do
    {
        digits[n++] = static_cast<char>('0' + toConvert % 10);
        toConvert = static_cast<uint16_t>(toConvert / 10);
    } while (toConvert != 0);
    for (size_t i = 0; i < n; i++)
        output[i] = digits[n - 1 - i];
    return n;
}

uint8_t AqUtil_countSetBitsUint8(uint8_t data)
{
    uint8_t count = 0;
    for (; data != 0; data = static_cast<uint8_t>(data >> 1))
        count = static_cast<uint8_t>(count + (data & 1));
    return count;
}

uint16_t stoh16(uint16_t sensorOrdered) { return sensorOrdered; }
uint32_t stoh32(uint32_t sensorOrdered) { return sensorOrdered; }
uint64_t stoh64(uint64_t sensorOrdered) { return sensorOrdered; }
double stohd(double sensorOrdered) { return sensorOrdered; }
uint16_t htos16(uint16_t hostOrdered) { return stoh16(hostOrdered); }
uint32_t htos32(uint32_t hostOrdered) { return stoh32(hostOrdered); }
uint64_t htos64(uint64_t hostOrdered) { return stoh64(hostOrdered); }

float htosf4(float hostOrdered)
{
    uint32_t bits;
    memcpy(&bits, &hostOrdered, sizeof bits);
    bits = stoh32(bits);
    float out;
    memcpy(&out, &bits, sizeof out);
    return out;
}

double htosf8(double hostOrdered)
{
    uint64_t bits;
    memcpy(&bits, &hostOrdered, sizeof bits);
    bits = stoh64(bits);
    double out;
    memcpy(&out, &bits, sizeof out);
    return out;
}

double reverseDouble(const char* data)
{
    char bytes[8];
    for (int i = 0; i < 8; i++)
        bytes[i] = data[7 - i];
    double out;
    memcpy(&out, bytes, sizeof out);
    return out;
}

uint16_t AqUtil_extractUint16(const char* pos)
{
    uint16_t v;
    memcpy(&v, pos, sizeof v);
    return stoh16(v);
}

uint32_t AqUtil_extractUint32(const char* pos)
{
    uint32_t v;
    memcpy(&v, pos, sizeof v);
    return stoh32(v);
}

float AqUtil_extractFloat(const char* pos)
{
    uint32_t bits = AqUtil_extractUint32(pos);
    float v;
    memcpy(&v, &bits, sizeof v);
    return v;
}

double AqUtil_extractDouble(const char* pos)
{
    uint64_t bits;
    memcpy(&bits, pos, sizeof bits);
    bits = stoh64(bits);
    double v;
    memcpy(&v, &bits, sizeof v);
    return v;
}

vec3f AqUtil_extractVec3f(const char* pos)
{
    vec3f v;
    for (int i = 0; i < 3; i++)
        v.c[i] = AqUtil_extractFloat(pos + 4 * i);
    return v;
}

vec4f AqUtil_extractVec4f(const char* pos)
{
    vec4f v;
    for (int i = 0; i < 4; i++)
        v.c[i] = AqUtil_extractFloat(pos + 4 * i);
    return v;
}

vec3d AqUtil_extractVec3d(const char* pos)
{
    vec3d v;
    for (int i = 0; i < 3; i++)
        v.c[i] = AqUtil_extractDouble(pos + 8 * i);
    return v;
}

mat3f AqUtil_extractMat3f(const char* pos)
{
    mat3f m;
    for (int i = 0; i < 9; i++)
        m.e[i] = AqUtil_extractFloat(pos + 4 * i);
    return m;
}

GpsDop AqUtil_extractGpsDop(const char* pos)
{
    GpsDop d;
    d.gDOP = AqUtil_extractFloat(pos);
    d.pDOP = AqUtil_extractFloat(pos + 4);
    d.tDOP = AqUtil_extractFloat(pos + 8);
    d.vDOP = AqUtil_extractFloat(pos + 12);
    d.hDOP = AqUtil_extractFloat(pos + 16);
    d.nDOP = AqUtil_extractFloat(pos + 20);
    d.eDOP = AqUtil_extractFloat(pos + 24);
    return d;
}

TimeUtc AqUtil_extractTimeUtc(const char* pos)
{
    TimeUtc t;
    t.year = static_cast<int8_t>(pos[0]);
    t.month = static_cast<uint8_t>(pos[1]);
    t.day = static_cast<uint8_t>(pos[2]);
    t.hour = static_cast<uint8_t>(pos[3]);
    t.min = static_cast<uint8_t>(pos[4]);
    t.sec = static_cast<uint8_t>(pos[5]);
    t.ms = AqUtil_extractUint16(pos + 6);
    return t;
}

TimeInfo AqUtil_extractTimeInfo(const char* pos)
{
    TimeInfo t;
    t.timeStatus = static_cast<uint8_t>(pos[0]);
    t.leapSeconds = static_cast<int8_t>(pos[1]);
    return t;
}
