#include "aq/error_detection.h"

uint8_t AqChecksum8_compute(const char* data, size_t length)
{
    uint8_t xorVal = 0;
    for (size_t i = 0; i < length; i++)
        xorVal ^= static_cast<uint8_t>(data[i]);
    return xorVal;
}

uint16_t AqCrc16_compute(const char* data, size_t length)
{
    // Table-free byte-wise form: no table in memory, a handful of shifts per byte.
    uint16_t crc = 0;
    for (size_t i = 0; i < length; i++)
    {
        crc = static_cast<uint16_t>((crc >> 8) | (crc << 8));
        crc ^= static_cast<uint8_t>(data[i]);
        crc ^= static_cast<uint16_t>((crc & 0xFF) >> 4);
        crc ^= static_cast<uint16_t>(crc << 12);
        crc ^= static_cast<uint16_t>((crc & 0xFF) << 5);
    }
    return crc;
}
