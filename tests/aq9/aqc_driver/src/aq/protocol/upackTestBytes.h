// Byte strings shared by the packet model and packet finder tests.
#ifndef UPACK_TEST_BYTES_H
#define UPACK_TEST_BYTES_H

#include <string>
#include <vector>

#include "aq/error_detection.h"
#include "aq/util.h"

typedef std::vector<uint8_t> Bytes;

inline Bytes fromHex(const char* hex)
{
    Bytes out;
    for (size_t i = 0; hex[i] != '\0' && hex[i + 1] != '\0'; i += 2)
        out.push_back(AqUtil_toUint8FromHexStr(hex + i));
    return out;
}

inline Bytes text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

// Sync byte, header and payload, CRC high byte first.
inline Bytes binaryPacket(const Bytes& headerAndPayload)
{
    Bytes p(1, 0xFA);
    for (uint8_t b : headerAndPayload)
        p.push_back(b);
    const uint16_t crc = AqCrc16_compute(reinterpret_cast<const char*>(p.data() + 1), p.size() - 1);
    p.push_back(static_cast<uint8_t>(crc >> 8));
    p.push_back(static_cast<uint8_t>(crc & 0xFF));
    return p;
}

// Binary output 1 and 2 records as the sensor sends them.
static const char* const RECORD_78_HEX =
    "fa11281500019d64fbc109d2c43e33b362be0006e539bd946f3a80e8223a125d383dec952e3d713a18c175ec"
    "863ecc06263e66eadd3e7a14c9419c44cb4200003a863e3d1a4aeb3c8365f53c428c";
static const char* const RECORD_50_HEX =
    "fa043e0048558a3eaa0a023e86bcdd3e06dfa33d06463d3d70c417c1e4b329bb4189063acb3f8abb0000b2"
    "4113c3ca426842";

#endif
