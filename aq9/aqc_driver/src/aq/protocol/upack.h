// The UART packet view and the rules that classify a packet, decide whether it
// is intact, size a binary output packet from its group words and read its
// fields in order. Plain functions over caller-owned bytes; nothing allocates.
#ifndef AQ_PROTOCOL_UPACK_H
#define AQ_PROTOCOL_UPACK_H

#include <stddef.h>
#include <stdint.h>

#include "aq/error.h"
#include "aq/util.h"

// A view of one complete packet; it does not own its bytes.
typedef struct AqUartPacket
{
    size_t curExtractLoc; // binary extraction cursor; 0 = not started
    size_t length;        // bytes in the packet, framing included
    uint8_t* data;        // first byte of the packet
} AqUartPacket;

typedef enum PacketType
{
    PACKETTYPE_BINARY = 0,
    PACKETTYPE_ASCII = 1,
    PACKETTYPE_UNKNOWN = 2
} PacketType;

// Bit of a group in a binary packet's groups byte.
typedef enum BinaryGroupType
{
    BINARYGROUPTYPE_COMMON = 1,
    BINARYGROUPTYPE_TIME = 2,
    BINARYGROUPTYPE_IMU = 4,
    BINARYGROUPTYPE_GPS = 8,
    BINARYGROUPTYPE_ATTITUDE = 16,
    BINARYGROUPTYPE_INS = 32,
    BINARYGROUPTYPE_GPS2 = 64
} BinaryGroupType;

// Serial port(s) on which a configured binary output is sent.
typedef enum AsyncMode
{
    ASYNCMODE_NONE = 0,
    ASYNCMODE_PORT1 = 1,
    ASYNCMODE_PORT2 = 2,
    ASYNCMODE_BOTH = 3
} AsyncMode;

// Asynchronous ASCII sentence types; the values are those of the sensor's
// asynchronous data output type register.
typedef enum AqAsciiAsync
{
    AQOFF = 0,
    AQYPR = 1,
    AQQTN = 2,
    AQQMR = 8,
    AQMAG = 10,
    AQACC = 11,
    AQGYR = 12,
    AQMAR = 13,
    AQYMR = 14,
    AQYBA = 16,
    AQYIA = 17,
    AQIMU = 19,
    AQGPS = 20,
    AQGPE = 21,
    AQINS = 22,
    AQINE = 23,
    AQISL = 28,
    AQISE = 29,
    AQDTV = 30
} AqAsciiAsync;

// Field selections of each group's 16-bit group-field word. The types have a
// 16-bit base so that any combination of fields is a value of the type; build
// one with a cast, e.g. (CommonGroup)(COMMONGROUP_YAWPITCHROLL | COMMONGROUP_ACCEL).
typedef enum CommonGroup : uint16_t
{
    COMMONGROUP_NONE = 0x0000,
    COMMONGROUP_TIMESTARTUP = 0x0001,
    COMMONGROUP_TIMEGPS = 0x0002,
    COMMONGROUP_TIMESYNCIN = 0x0004,
    COMMONGROUP_YAWPITCHROLL = 0x0008,
    COMMONGROUP_QUATERNION = 0x0010,
    COMMONGROUP_ANGULARRATE = 0x0020,
    COMMONGROUP_POSITION = 0x0040,
    COMMONGROUP_VELOCITY = 0x0080,
    COMMONGROUP_ACCEL = 0x0100,
    COMMONGROUP_IMU = 0x0200,
    COMMONGROUP_MAGPRES = 0x0400,
    COMMONGROUP_DELTATHETA = 0x0800,
    COMMONGROUP_INSSTATUS = 0x1000,
    COMMONGROUP_SYNCINCNT = 0x2000,
    COMMONGROUP_TIMEGPSPPS = 0x4000
} CommonGroup;

typedef enum TimeGroup : uint16_t
{
    TIMEGROUP_NONE = 0x0000,
    TIMEGROUP_TIMESTARTUP = 0x0001,
    TIMEGROUP_TIMEGPS = 0x0002,
    TIMEGROUP_GPSTOW = 0x0004,
    TIMEGROUP_GPSWEEK = 0x0008,
    TIMEGROUP_TIMESYNCIN = 0x0010,
    TIMEGROUP_TIMEGPSPPS = 0x0020,
    TIMEGROUP_TIMEUTC = 0x0040,
    TIMEGROUP_SYNCINCNT = 0x0080,
    TIMEGROUP_SYNCOUTCNT = 0x0100,
    TIMEGROUP_TIMESTATUS = 0x0200
} TimeGroup;

typedef enum ImuGroup : uint16_t
{
    IMUGROUP_NONE = 0x0000,
    IMUGROUP_IMUSTATUS = 0x0001,
    IMUGROUP_UNCOMPMAG = 0x0002,
    IMUGROUP_UNCOMPACCEL = 0x0004,
    IMUGROUP_UNCOMPGYRO = 0x0008,
    IMUGROUP_TEMP = 0x0010,
    IMUGROUP_PRES = 0x0020,
    IMUGROUP_DELTATHETA = 0x0040,
    IMUGROUP_DELTAVEL = 0x0080,
    IMUGROUP_MAG = 0x0100,
    IMUGROUP_ACCEL = 0x0200,
    IMUGROUP_ANGULARRATE = 0x0400,
    IMUGROUP_SENSSAT = 0x0800
} ImuGroup;

// Also the field selection of the second GPS group.
typedef enum GpsGroup : uint16_t
{
    GPSGROUP_NONE = 0x0000,
    GPSGROUP_UTC = 0x0001,
    GPSGROUP_TOW = 0x0002,
    GPSGROUP_WEEK = 0x0004,
    GPSGROUP_NUMSATS = 0x0008,
    GPSGROUP_FIX = 0x0010,
    GPSGROUP_POSLLA = 0x0020,
    GPSGROUP_POSECEF = 0x0040,
    GPSGROUP_VELNED = 0x0080,
    GPSGROUP_VELECEF = 0x0100,
    GPSGROUP_POSU = 0x0200,
    GPSGROUP_VELU = 0x0400,
    GPSGROUP_TIMEU = 0x0800,
    GPSGROUP_TIMEINFO = 0x1000,
    GPSGROUP_DOP = 0x2000
} GpsGroup;

typedef enum AttitudeGroup : uint16_t
{
    ATTITUDEGROUP_NONE = 0x0000,
    ATTITUDEGROUP_AFESTATUS = 0x0001,
    ATTITUDEGROUP_YAWPITCHROLL = 0x0002,
    ATTITUDEGROUP_QUATERNION = 0x0004,
    ATTITUDEGROUP_DCM = 0x0008,
    ATTITUDEGROUP_MAGNED = 0x0010,
    ATTITUDEGROUP_ACCELNED = 0x0020,
    ATTITUDEGROUP_LINEARACCELBODY = 0x0040,
    ATTITUDEGROUP_LINEARACCELNED = 0x0080,
    ATTITUDEGROUP_YPRU = 0x0100
} AttitudeGroup;

typedef enum InsGroup : uint16_t
{
    INSGROUP_NONE = 0x0000,
    INSGROUP_INSSTATUS = 0x0001,
    INSGROUP_POSLLA = 0x0002,
    INSGROUP_POSECEF = 0x0004,
    INSGROUP_VELBODY = 0x0008,
    INSGROUP_VELNED = 0x0010,
    INSGROUP_VELECEF = 0x0020,
    INSGROUP_MAGECEF = 0x0040,
    INSGROUP_ACCELECEF = 0x0080,
    INSGROUP_LINEARACCELECEF = 0x0100,
    INSGROUP_POSU = 0x0200,
    INSGROUP_VELU = 0x0400
} InsGroup;

#define AQ_BINARY_GROUP_COUNT 7
#define AQ_BINARY_FIELDS_PER_GROUP 15
// Bytes of each field: one row per group in groups-byte bit order, one column
// per field bit 0-14 (0 = no field). Bit 15 of a group-field word has no field.
extern const uint8_t BinaryPacketGroupLengths[AQ_BINARY_GROUP_COUNT][AQ_BINARY_FIELDS_PER_GROUP];

// Longest asynchronous sentence text plus terminator.
#define AQ_ASCII_ASYNC_TEXT_SIZE 72

// Cursor at 0, view over (data, length).
void AqUartPacket_initialize(AqUartPacket* packet, uint8_t* data, size_t length);
// As above; the length is the string's up to its terminator.
void AqUartPacket_initializeFromStr(AqUartPacket* packet, char* data);

// ASCII for '$', binary for 0xFA, unknown otherwise or when empty.
PacketType AqUartPacket_type(const AqUartPacket* packet);
// Check text (XX, checksum or CRC-16) of a sentence, CRC-16 of a binary packet.
int8_t AqUartPacket_isValid(const AqUartPacket* packet);

// Header tests on the three-letter code after "$AQ"; false for views under 6 bytes.
int8_t AqUartPacket_isAsciiAsync(const AqUartPacket* packet);
int8_t AqUartPacket_isResponse(const AqUartPacket* packet);
int8_t AqUartPacket_isError(const AqUartPacket* packet);
// Same test on bytes known to hold at least 6 characters.
int8_t AqUartPacket_isErrorRaw(const char* packetStart);
// Header to sentence type; AQOFF when none matches.
AqAsciiAsync AqUartPacket_determineAsciiAsyncType(const AqUartPacket* packet);
// Text of a sentence type, "Unknown" for others; out holds AQ_ASCII_ASYNC_TEXT_SIZE bytes.
void strFromAqAsciiAsync(char* out, AqAsciiAsync val);

// The groups byte (byte 1).
uint8_t AqUartPacket_groups(const AqUartPacket* packet);
// Group-field word number groupIndex (counting present groups); 0 when outside the view.
uint16_t AqUartPacket_groupField(const AqUartPacket* packet, size_t groupIndex);
// Payload bytes of one group (a single BinaryGroupType) with the given fields.
size_t AqUartPacket_computeNumOfBytesForBinaryGroupPayload(BinaryGroupType groupType, uint16_t groupField);
// Whole packet length (sync byte to CRC) from the header at startOfPacket.
size_t AqUartPacket_computeBinaryPacketLength(const uint8_t* startOfPacket);
// Whether the groups byte and words are exactly the expected configuration.
int8_t AqUartPacket_isCompatible(const AqUartPacket* packet, CommonGroup commonGroup, TimeGroup timeGroup,
                                 ImuGroup imuGroup, GpsGroup gpsGroup, AttitudeGroup attitudeGroup,
                                 InsGroup insGroup, GpsGroup gps2Group);

// Places the cursor on the first payload byte unless extraction has started.
void AqUartPacket_startExtractionIfNeeded(AqUartPacket* packet);
// Readers of the payload in layout order: each reads at the cursor and advances
// it. They do not check the cursor against the length; call them only for the
// fields that a true AqUartPacket_isCompatible has confirmed.
uint8_t AqUartPacket_extractUint8(AqUartPacket* packet);
int8_t AqUartPacket_extractInt8(AqUartPacket* packet);
uint16_t AqUartPacket_extractUint16(AqUartPacket* packet);
uint32_t AqUartPacket_extractUint32(AqUartPacket* packet);
uint64_t AqUartPacket_extractUint64(AqUartPacket* packet);
float AqUartPacket_extractFloat(AqUartPacket* packet);
vec3f AqUartPacket_extractVec3f(AqUartPacket* packet);
vec3d AqUartPacket_extractVec3d(AqUartPacket* packet);
vec4f AqUartPacket_extractVec4f(AqUartPacket* packet);
mat3f AqUartPacket_extractMat3f(AqUartPacket* packet);
GpsDop AqUartPacket_extractGpsDop(AqUartPacket* packet);
TimeUtc AqUartPacket_extractTimeUtc(AqUartPacket* packet);
TimeInfo AqUartPacket_extractTimeInfo(AqUartPacket* packet);

#endif
