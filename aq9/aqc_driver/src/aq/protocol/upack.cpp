#include "aq/protocol/upack.h"

#include <string.h>

#include "aq/error_detection.h"

const uint8_t BinaryPacketGroupLengths[AQ_BINARY_GROUP_COUNT][AQ_BINARY_FIELDS_PER_GROUP] = {
    {8, 8, 8, 12, 16, 12, 24, 12, 12, 24, 20, 28, 2, 4, 8},  // Common
    {8, 8, 8, 2, 8, 8, 8, 4, 4, 1, 0, 0, 0, 0, 0},           // Time
    {2, 12, 12, 12, 4, 4, 16, 12, 12, 12, 12, 2, 40, 0, 0},  // IMU
    {8, 8, 2, 1, 1, 24, 24, 12, 12, 12, 4, 4, 2, 28, 0},     // GPS
    {2, 12, 16, 36, 12, 12, 12, 12, 12, 12, 28, 24, 0, 0, 0}, // Attitude
    {2, 24, 24, 12, 12, 12, 12, 12, 12, 4, 4, 68, 64, 0, 0}, // INS
    {8, 8, 2, 1, 1, 24, 24, 12, 12, 12, 4, 4, 2, 28, 0},     // GPS2, laid out as GPS
};

namespace
{

const uint8_t SYNC_BYTE = 0xFA;
const size_t MIN_VALID_LENGTH = 7;
const size_t HEADER_CODE_OFFSET = 3;
const size_t HEADER_CODE_END = 6;

const char* const RESPONSE_CODES[] = {"WRG", "RRG", "WNV", "RFS", "RST", "FWU",
                                      "CMD", "ASY", "TAR", "KMD", "KAD", "SGB"};

struct AsyncEntry
{
    AqAsciiAsync type;
    const char* header; // code after "$AQ"; none for AQOFF
    const char* text;
};

const AsyncEntry ASYNC_TABLE[] = {
    {AQOFF, nullptr, "Off"},
    {AQYPR, "YPR", "Yaw, Pitch, Roll"},
    {AQQTN, "QTN", "Quaterion"},
    {AQQMR, "QMR", "Quaternion, Magnetic, Acceleration and Angular Rates"},
    {AQMAG, "MAG", "Magnetic Measurements"},
    {AQACC, "ACC", "Acceleration Measurements"},
    {AQGYR, "GYR", "Angular Rate Measurements"},
    {AQMAR, "MAR", "Magnetic, Acceleration, and Angular Rate Measurements"},
    {AQYMR, "YMR", "Yaw, Pitch, Roll, Magnetic, Acceleration, and Angular Rate Measurements"},
    {AQYBA, "YBA", "Yaw, Pitch, Roll, Body True Acceleration"},
    {AQYIA, "YIA", "Yaw, Pitch, Roll, Inertial True Acceleration"},
    {AQIMU, "IMU", "Calibrated Inertial Measurements"},
    {AQGPS, "GPS", "GPS LLA"},
    {AQGPE, "GPE", "GPS ECEF"},
    {AQINS, "INS", "INS LLA solution"},
    {AQINE, "INE", "INS ECEF solution"},
    {AQISL, "ISL", "INS LLA 2 solution"},
    {AQISE, "ISE", "INS ECEF 2 solution"},
    {AQDTV, "DTV", "Delta Theta and Delta Velocity"},
};

bool codeIs(const uint8_t* data, const char* code)
{
    return memcmp(data + HEADER_CODE_OFFSET, code, 3) == 0;
}

bool hasHeaderCode(const AqUartPacket* packet)
{
    return packet->data != nullptr && packet->length >= HEADER_CODE_END;
}

// Hex digit value; false for anything else, so a damaged check text can never
// happen to equal the computed check by arithmetic on foreign characters.
bool hexDigit(uint8_t c, uint16_t* value)
{
    if (c >= '0' && c <= '9')
        *value = static_cast<uint16_t>(c - '0');
    else if (c >= 'A' && c <= 'F')
        *value = static_cast<uint16_t>(c - 'A' + 10);
    else if (c >= 'a' && c <= 'f')
        *value = static_cast<uint16_t>(c - 'a' + 10);
    else
        return false;
    return true;
}

bool hexField(const uint8_t* text, size_t digits, uint16_t* value)
{
    *value = 0;
    for (size_t i = 0; i < digits; i++)
    {
        uint16_t d;
        if (!hexDigit(text[i], &d))
            return false;
        *value = static_cast<uint16_t>((*value << 4) | d);
    }
    return true;
}

bool isValidAscii(const uint8_t* d, size_t n)
{
    uint16_t stated;
    const char* body = reinterpret_cast<const char*>(d + 1);
    if (d[n - 3] == 'X' && d[n - 4] == 'X')
        return true;
    if (d[n - 5] == '*')
        return hexField(d + n - 4, 2, &stated) && stated == AqChecksum8_compute(body, n - 6);
    if (d[n - 7] == '*')
        return hexField(d + n - 6, 4, &stated) && stated == AqCrc16_compute(body, n - 8);
    return false;
}

size_t groupRow(BinaryGroupType groupType)
{
    for (size_t row = 0; row < AQ_BINARY_GROUP_COUNT; row++)
        if (groupType & (1u << row))
            return row;
    return AQ_BINARY_GROUP_COUNT;
}

// Cursor position of the field, then advanced past it.
const char* take(AqUartPacket* packet, size_t size)
{
    AqUartPacket_startExtractionIfNeeded(packet);
    const char* at = reinterpret_cast<const char*>(packet->data + packet->curExtractLoc);
    packet->curExtractLoc += size;
    return at;
}

} // namespace

void AqUartPacket_initialize(AqUartPacket* packet, uint8_t* data, size_t length)
{
    packet->curExtractLoc = 0;
    packet->data = data;
    packet->length = length;
}

void AqUartPacket_initializeFromStr(AqUartPacket* packet, char* data)
{
    AqUartPacket_initialize(packet, reinterpret_cast<uint8_t*>(data), strlen(data));
}

PacketType AqUartPacket_type(const AqUartPacket* packet)
{
    if (packet->length == 0)
        return PACKETTYPE_UNKNOWN;
    if (packet->data[0] == '$')
        return PACKETTYPE_ASCII;
    if (packet->data[0] == SYNC_BYTE)
        return PACKETTYPE_BINARY;
    return PACKETTYPE_UNKNOWN;
}

int8_t AqUartPacket_isValid(const AqUartPacket* packet)
{
    const size_t n = packet->length;
    if (n < MIN_VALID_LENGTH)
        return 0;
    switch (AqUartPacket_type(packet))
    {
    case PACKETTYPE_ASCII:
        return isValidAscii(packet->data, n) ? 1 : 0;
    case PACKETTYPE_BINARY:
        return AqCrc16_compute(reinterpret_cast<const char*>(packet->data + 1), n - 1) == 0 ? 1 : 0;
    default:
        return 0;
    }
}

int8_t AqUartPacket_isAsciiAsync(const AqUartPacket* packet)
{
    return AqUartPacket_determineAsciiAsyncType(packet) != AQOFF ? 1 : 0;
}

int8_t AqUartPacket_isResponse(const AqUartPacket* packet)
{
    if (!hasHeaderCode(packet))
        return 0;
    for (const char* code : RESPONSE_CODES)
        if (codeIs(packet->data, code))
            return 1;
    return 0;
}

int8_t AqUartPacket_isError(const AqUartPacket* packet)
{
    if (!hasHeaderCode(packet))
        return 0;
    return AqUartPacket_isErrorRaw(reinterpret_cast<const char*>(packet->data));
}

int8_t AqUartPacket_isErrorRaw(const char* packetStart)
{
    return codeIs(reinterpret_cast<const uint8_t*>(packetStart), "ERR") ? 1 : 0;
}

AqAsciiAsync AqUartPacket_determineAsciiAsyncType(const AqUartPacket* packet)
{
    if (!hasHeaderCode(packet))
        return AQOFF;
    for (const AsyncEntry& entry : ASYNC_TABLE)
        if (entry.header != nullptr && codeIs(packet->data, entry.header))
            return entry.type;
    return AQOFF;
}

void strFromAqAsciiAsync(char* out, AqAsciiAsync val)
{
    const char* text = "Unknown";
    for (const AsyncEntry& entry : ASYNC_TABLE)
        if (entry.type == val)
            text = entry.text;
    strcpy(out, text);
}

uint8_t AqUartPacket_groups(const AqUartPacket* packet)
{
    return packet->data[1];
}

uint16_t AqUartPacket_groupField(const AqUartPacket* packet, size_t groupIndex)
{
    const size_t at = 2 + 2 * groupIndex;
    if (at + 2 > packet->length)
        return 0;
    return AqUtil_extractUint16(reinterpret_cast<const char*>(packet->data + at));
}

size_t AqUartPacket_computeNumOfBytesForBinaryGroupPayload(BinaryGroupType groupType, uint16_t groupField)
{
    const size_t row = groupRow(groupType);
    if (row == AQ_BINARY_GROUP_COUNT)
        return 0;
    size_t bytes = 0;
    for (size_t bit = 0; bit < AQ_BINARY_FIELDS_PER_GROUP; bit++)
        if (groupField & (1u << bit))
            bytes += BinaryPacketGroupLengths[row][bit];
    return bytes;
}

size_t AqUartPacket_computeBinaryPacketLength(const uint8_t* startOfPacket)
{
    const uint8_t groups = startOfPacket[1];
    const uint8_t* word = startOfPacket + 2;
    size_t length = 2;
    for (size_t row = 0; row < AQ_BINARY_GROUP_COUNT; row++)
    {
        const unsigned bit = 1u << row;
        if (!(groups & bit))
            continue;
        const uint16_t field = AqUtil_extractUint16(reinterpret_cast<const char*>(word));
        length += 2 + AqUartPacket_computeNumOfBytesForBinaryGroupPayload(static_cast<BinaryGroupType>(bit), field);
        word += 2;
    }
    return length + 2;
}

int8_t AqUartPacket_isCompatible(const AqUartPacket* packet, CommonGroup commonGroup, TimeGroup timeGroup,
                                 ImuGroup imuGroup, GpsGroup gpsGroup, AttitudeGroup attitudeGroup,
                                 InsGroup insGroup, GpsGroup gps2Group)
{
    const uint16_t expected[AQ_BINARY_GROUP_COUNT] = {commonGroup, timeGroup, imuGroup, gpsGroup,
                                                      attitudeGroup, insGroup, gps2Group};
    if (packet->length < 2)
        return 0;
    const uint8_t groups = packet->data[1];
    size_t wordIndex = 0;
    for (size_t row = 0; row < AQ_BINARY_GROUP_COUNT; row++)
    {
        const bool present = (groups & (1u << row)) != 0;
        if (expected[row] == 0)
        {
            if (present)
                return 0;
            continue;
        }
        // The group must be announced too: otherwise the word under the cursor
        // belongs to another group, or to the payload.
        if (!present)
            return 0;
        // A word outside the view reads as 0, which no non-zero expectation equals.
        if (AqUartPacket_groupField(packet, wordIndex) != expected[row])
            return 0;
        wordIndex++;
    }
    return 1;
}

void AqUartPacket_startExtractionIfNeeded(AqUartPacket* packet)
{
    if (packet->curExtractLoc == 0)
        packet->curExtractLoc = 2 * (AqUtil_countSetBitsUint8(packet->data[1]) + 1);
}

uint8_t AqUartPacket_extractUint8(AqUartPacket* packet)
{
    return static_cast<uint8_t>(*take(packet, 1));
}

int8_t AqUartPacket_extractInt8(AqUartPacket* packet)
{
    return static_cast<int8_t>(*take(packet, 1));
}

uint16_t AqUartPacket_extractUint16(AqUartPacket* packet)
{
    return AqUtil_extractUint16(take(packet, 2));
}

uint32_t AqUartPacket_extractUint32(AqUartPacket* packet)
{
    return AqUtil_extractUint32(take(packet, 4));
}

uint64_t AqUartPacket_extractUint64(AqUartPacket* packet)
{
    uint64_t v;
    memcpy(&v, take(packet, sizeof v), sizeof v);
    return stoh64(v);
}

float AqUartPacket_extractFloat(AqUartPacket* packet)
{
    return AqUtil_extractFloat(take(packet, 4));
}

vec3f AqUartPacket_extractVec3f(AqUartPacket* packet)
{
    return AqUtil_extractVec3f(take(packet, 12));
}

vec3d AqUartPacket_extractVec3d(AqUartPacket* packet)
{
    return AqUtil_extractVec3d(take(packet, 24));
}

vec4f AqUartPacket_extractVec4f(AqUartPacket* packet)
{
    return AqUtil_extractVec4f(take(packet, 16));
}

mat3f AqUartPacket_extractMat3f(AqUartPacket* packet)
{
    return AqUtil_extractMat3f(take(packet, 36));
}

GpsDop AqUartPacket_extractGpsDop(AqUartPacket* packet)
{
    return AqUtil_extractGpsDop(take(packet, 28));
}

TimeUtc AqUartPacket_extractTimeUtc(AqUartPacket* packet)
{
    return AqUtil_extractTimeUtc(take(packet, 8));
}

TimeInfo AqUartPacket_extractTimeInfo(AqUartPacket* packet)
{
    return AqUtil_extractTimeInfo(take(packet, 2));
}
