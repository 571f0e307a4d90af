// Value types of the protocol library, hex and decimal text conversions, the
// byte-order conversions between the sensor's wire order (little-endian) and the
// host, and readers that pull numbers out of a byte stream. None of the extract
// routines advances a cursor; none needs its source aligned.
#ifndef AQ_UTIL_H
#define AQ_UTIL_H

#include <stddef.h>
#include <stdint.h>

typedef union vec3f { float c[3]; } vec3f;
typedef union vec3d { double c[3]; } vec3d;
// A quaternion when used for attitude.
typedef union vec4f { float c[4]; } vec4f;
// 3x3 matrix stored column by column: e[3*k + r] is row r, column k.
typedef union mat3f { float e[9]; } mat3f;

typedef struct GpsDop
{
    float gDOP, pDOP, tDOP, vDOP, hDOP, nDOP, eDOP;
} GpsDop;

typedef struct TimeUtc
{
    int8_t year;
    uint8_t month;
    uint8_t day;
    uint8_t hour;
    uint8_t min;
    uint8_t sec;
    uint16_t ms;
} TimeUtc;

typedef struct TimeInfo
{
    uint8_t timeStatus;
    int8_t leapSeconds;
} TimeInfo;

// Hex digits: no validation, the arithmetic is applied to whatever arrives.
uint8_t AqUtil_toUint8FromHexChar(char c);
uint8_t AqUtil_toUint8FromHexStr(const char* str);
uint16_t AqUtil_toUint16FromHexStr(const char* str);
// Upper-case digits, most significant first, no terminator.
void AqUtil_toHexStrFromUint8(uint8_t toConvert, char* output);
void AqUtil_toHexStrFromUint16(uint16_t toConvert, char* output);
// Decimal digits without leading zeros, no terminator; returns the digit count.
size_t AqUtil_toStrFromUint16(uint16_t toConvert, char* output);
uint8_t AqUtil_countSetBitsUint8(uint8_t data);

// Sensor order to host order and back; the host is little-endian like the sensor.
uint16_t stoh16(uint16_t sensorOrdered);
uint32_t stoh32(uint32_t sensorOrdered);
uint64_t stoh64(uint64_t sensorOrdered);
double stohd(double sensorOrdered);
uint16_t htos16(uint16_t hostOrdered);
uint32_t htos32(uint32_t hostOrdered);
uint64_t htos64(uint64_t hostOrdered);
float htosf4(float hostOrdered);
double htosf8(double hostOrdered);
// The double whose memory bytes are data[7] ... data[0].
double reverseDouble(const char* data);

uint16_t AqUtil_extractUint16(const char* pos);
uint32_t AqUtil_extractUint32(const char* pos);
float AqUtil_extractFloat(const char* pos);
double AqUtil_extractDouble(const char* pos);
vec3f AqUtil_extractVec3f(const char* pos);
vec4f AqUtil_extractVec4f(const char* pos);
vec3d AqUtil_extractVec3d(const char* pos);
// Nine floats in stream order into e[0..8], no rearrangement.
mat3f AqUtil_extractMat3f(const char* pos);
GpsDop AqUtil_extractGpsDop(const char* pos);
TimeUtc AqUtil_extractTimeUtc(const char* pos);
TimeInfo AqUtil_extractTimeInfo(const char* pos);

#endif
