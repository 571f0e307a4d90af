// The packet-found handler of the UART link. A register response goes only to
// the operation waiting for its command and register; anything else is logged
// and dropped. Binary packets are matched against the two polled layouts and
// extracted field by field.
#include <ctype.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include "AQ9UartSensor.h"
#include "Syslog.h"
#include "aq/protocol/upack_commands.h"

namespace {

// Stores a reply's values; false (nothing stored) when the reply lacks one of
// its register's fields.
typedef bool (*ResponseParser)(AQ9UartSensor& s, AqUartPacket* p);

// A compensation response: matrix and offset back into the settings.
bool parseCompensation(bool (*parse)(AqUartPacket*, mat3f*, vec3f*), AqUartPacket* p, v9d& c, v3d& b)
{
    mat3f m;
    vec3f v;
    if (!parse(p, &m, &v))
        return false;
    c = AQ9Sensor::mat3fToV9d(m);
    b = AQ9Sensor::vec3fToV3d(v);
    return true;
}

// A tuning response: three vectors back into c[0..2], c[3..5], c[6..8].
bool parseTuning(bool (*parse)(AqUartPacket*, vec3f*, vec3f*, vec3f*), AqUartPacket* p, v9d& t)
{
    vec3f r[3];
    if (!parse(p, &r[0], &r[1], &r[2]))
        return false;
    for (int row = 0; row < 3; row++)
        for (int k = 0; k < 3; k++)
            t.c[3 * row + k] = r[row].c[k];
    return true;
}

// A text register: the identity text is replaced only by a whole reply.
template <size_t N>
bool parseText(bool (*parse)(AqUartPacket*, char*, size_t), AqUartPacket* p, char (&out)[N])
{
    char text[N];
    if (!parse(p, text, sizeof text))
        return false;
    memcpy(out, text, N);
    return true;
}

// A single number into its destination, only when the reply carried it.
template <class T>
bool parseNumber(bool (*parse)(AqUartPacket*, T*), AqUartPacket* p, T& out)
{
    T value = 0;
    if (!parse(p, &value))
        return false;
    out = value;
    return true;
}

bool parseModel(AQ9UartSensor& s, AqUartPacket* p)
{
    return parseText(AqUartPacket_parseModelNumber, p, s._modelNumber);
}
bool parseHardware(AQ9UartSensor& s, AqUartPacket* p)
{
    return parseNumber(AqUartPacket_parseHardwareRevision, p, s._hwRevision);
}
bool parseSerial(AQ9UartSensor& s, AqUartPacket* p)
{
    return parseNumber(AqUartPacket_parseSerialNumber, p, s._serialNumber);
}
bool parseFirmware(AQ9UartSensor& s, AqUartPacket* p)
{
    return parseText(AqUartPacket_parseFirmwareVersion, p, s._firmwareVersion);
}
bool parseAsyncType(AQ9UartSensor& s, AqUartPacket* p)
{
    return parseNumber(AqUartPacket_parseAsyncDataOutputType, p, s._settings.ADOR);
}
bool parseRefVectors(AQ9UartSensor& s, AqUartPacket* p)
{
    vec3f mag;
    vec3f grav;
    if (!AqUartPacket_parseMagneticAndGravityReferenceVectors(p, &mag, &grav))
        return false;
    s._magRefVector = mag;
    s._gravRefVector = grav;
    return true;
}
bool parseHsi(AQ9UartSensor& s, AqUartPacket* p)
{
    uint8_t v[3];
    if (!AqUartPacket_parseMagnetometerCalibrationControl(p, &v[0], &v[1], &v[2]))
        return false;
    s._settings.HSIMode = v[0];
    s._settings.HSIOutput = v[1];
    s._settings.HSIConvergeRate = v[2];
    return true;
}
bool parseMagComp(AQ9UartSensor& s, AqUartPacket* p)
{
    return parseCompensation(AqUartPacket_parseMagnetometerCompensation, p, s._settings.MagCompC,
                             s._settings.MagCompB);
}
bool parseAccelComp(AQ9UartSensor& s, AqUartPacket* p)
{
    return parseCompensation(AqUartPacket_parseAccelerationCompensation, p, s._settings.AccelCompC,
                             s._settings.AccelCompB);
}
bool parseGyroComp(AQ9UartSensor& s, AqUartPacket* p)
{
    return parseCompensation(AqUartPacket_parseGyroCompensation, p, s._settings.GyroCompC, s._settings.GyroCompB);
}
bool parseRotation(AQ9UartSensor& s, AqUartPacket* p)
{
    mat3f m;
    if (!AqUartPacket_parseReferenceFrameRotation(p, &m))
        return false;
    s._settings.Rot = AQ9Sensor::mat3fToV9d(m);
    return true;
}
bool parseAfeGyro(AQ9UartSensor& s, AqUartPacket* p)
{
    return parseTuning(AqUartPacket_parseAfeGyroBasicTuning, p, s._settings.AFEGyroTuning);
}
bool parseAfeAccel(AQ9UartSensor& s, AqUartPacket* p)
{
    return parseTuning(AqUartPacket_parseAfeAccelerometerBasicTuning, p, s._settings.AFEAccelTuning);
}
bool parseAfeMag(AQ9UartSensor& s, AqUartPacket* p)
{
    return parseTuning(AqUartPacket_parseAfeMagnetometerBasicTuning, p, s._settings.AFEMagTuning);
}
bool parseStartupBias(AQ9UartSensor& s, AqUartPacket* p)
{
    vec3f gyro;
    vec3f accel;
    float pressure = 0.0f;  // the sensor's pressure bias is not kept
    if (!AqUartPacket_parseStartupFilterBiasEstimate(p, &gyro, &accel, &pressure))
        return false;
    s._settings.GyroStartupBias = AQ9Sensor::vec3fToV3d(gyro);
    s._settings.AccelStartupBias = AQ9Sensor::vec3fToV3d(accel);
    return true;
}
bool parseAfeBasic(AQ9UartSensor& s, AqUartPacket* p)
{
    uint8_t v[4];
    if (!AqUartPacket_parseAfeBasicControl(p, &v[0], &v[1], &v[2], &v[3]))
        return false;
    s._settings.AFEBasic_Enable = v[0];
    s._settings.AFEBasic_HeadingMode = v[1];
    s._settings.AFEBasic_FilteringMode = v[2];
    s._settings.AFEBasic_TuningMode = v[3];
    return true;
}
bool parseOnboardHsi(AQ9UartSensor& s, AqUartPacket* p)
{
    mat3f m;
    vec3f v;
    if (!AqUartPacket_parseCalculatedMagnetometerCalibration(p, &m, &v))
        return false;
    s._onboardHSIMatrix = m;
    s._onboardHSIOffset = v;
    return true;
}

// What a write must echo: its values as the sensor states them, one per slot;
// false when the text lacks one of the register's fields.
typedef bool (*EchoValues)(char* text, uint16_t values[10]);

// Register 30.
bool crcProtocolValues(char* text, uint16_t values[10])
{
    uint8_t v[7];
    memset(v, 0xFF, sizeof v);
    const bool complete =
        AqUartPacket_parseCommunicationProtocolControlRaw(text, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
    for (int i = 0; i < 10; i++)
        values[i] = i < 7 ? v[i] : 0;
    return complete;
}

// Registers 75 and 76, by value: "100" and "0100", "4" and "04" agree.
bool binaryOutputValues(char* text, uint16_t values[10])
{
    return AqUartPacket_parseBinaryOutputRaw(text, &values[0], &values[1], &values[2], &values[3], &values[4],
                                             &values[5], &values[6], &values[7], &values[8], &values[9]);
}

// One reply the link waits for, and what it does with it: a parser stores it
// (the flag is cleared once the reply carried all its register's fields), or
// the write's values must come back (compared with the command sent), or the
// reply alone is the answer.
struct ResponseRoute
{
    const char* code;  // reply code after "$AQ"
    int reg;           // register number; -1 for a command without one
    bool AQ9UartSensor::*flag;
    ResponseParser parse;
    EchoValues echo;
    const char* complaint;  // logged when another reply comes while this one waits
};

// A read and a write of one register share their operation's flag; the reply's
// code must still be the one of the command sent.
const ResponseRoute kRoutes[] = {
    {"RRG", 1, &AQ9UartSensor::gIsCheckingForModelNumberResponse, parseModel, nullptr, nullptr},
    {"RRG", 2, &AQ9UartSensor::gIsCheckingForHardwareVersionResponse, parseHardware, nullptr, nullptr},
    {"RRG", 3, &AQ9UartSensor::gIsCheckingForSerialNumberResponse, parseSerial, nullptr, nullptr},
    {"RRG", 4, &AQ9UartSensor::gIsCheckingForFWVersionResponse, parseFirmware, nullptr, nullptr},
    {"WRG", 6, &AQ9UartSensor::gIsCheckingForAsyncOutputTypeResponse, parseAsyncType, nullptr, nullptr},
    {"WRG", 30, &AQ9UartSensor::gIsCheckingforCommProtoControlTypeResponse, nullptr, crcProtocolValues, nullptr},
    {"WRG", 75, &AQ9UartSensor::gIsCheckingForBinaryRegister1Response, nullptr, binaryOutputValues, nullptr},
    {"WRG", 76, &AQ9UartSensor::gIsCheckingForBinaryRegister2Response, nullptr, binaryOutputValues, nullptr},
    {"RRG", 21, &AQ9UartSensor::gIsCheckingForReferenceVectorResponse, parseRefVectors, nullptr, nullptr},
    {"WRG", 44, &AQ9UartSensor::gIsCheckingForHSIResponse, parseHsi, nullptr, nullptr},
    {"WRG", 23, &AQ9UartSensor::gIsCheckingForMagCompResponse, parseMagComp, nullptr, nullptr},
    {"RRG", 23, &AQ9UartSensor::gIsCheckingForMagCompResponse, parseMagComp, nullptr, nullptr},
    {"WRG", 25, &AQ9UartSensor::gIsCheckingForAccelCompResponse, parseAccelComp, nullptr, nullptr},
    {"WRG", 84, &AQ9UartSensor::gIsCheckingForGyroCompResponse, parseGyroComp, nullptr, nullptr},
    {"WRG", 26, &AQ9UartSensor::gIsCheckingForRotationResponse, parseRotation, nullptr, nullptr},
    {"RRG", 26, &AQ9UartSensor::gIsCheckingForRotationResponse, parseRotation, nullptr, nullptr},
    {"WRG", 40, &AQ9UartSensor::gIsCheckingForAFEGyroResponse, parseAfeGyro, nullptr, nullptr},
    {"WRG", 38, &AQ9UartSensor::gIsCheckingForAFEAccelResponse, parseAfeAccel, nullptr, nullptr},
    {"WRG", 36, &AQ9UartSensor::gIsCheckingForAFEMagResponse, parseAfeMag, nullptr, nullptr},
    {"WRG", 74, &AQ9UartSensor::gIsCheckingForStartupBiasResponse, parseStartupBias, nullptr, nullptr},
    {"WRG", 35, &AQ9UartSensor::gIsCheckingForAFEBasicControlResponse, parseAfeBasic, nullptr, nullptr},
    {"RRG", 47, &AQ9UartSensor::gIsCheckingForOnboardHSICalResponse, parseOnboardHsi, nullptr, nullptr},
    {"WNV", -1, &AQ9UartSensor::gIsCheckingForEERPROMSaveResponse, nullptr, nullptr,
     "AQ9UartSensor - Didn't get write non-volatile memory response"},
    {"RST", -1, &AQ9UartSensor::gIsCheckingForResetResponse, nullptr, nullptr,
     "AQ9UartSensor - Didn't get reset command response"},
    {"WRG", 83, &AQ9UartSensor::gIsCheckingForReferenceVectorConfigResponse, nullptr, nullptr,
     "AQ9UartSensor - Didn't get reference vector configuration response"},
    {"KMD", -1, &AQ9UartSensor::gIsCheckingForKnownMagneticDisturbanceResponse, nullptr, nullptr,
     "AQ9UartSensor - Didn't AQKMD response"},
};

bool sameKey(const AQ9UartSensor::ReplyKey& key, const char* code, int reg)
{
    return key.reg == reg && strncmp(key.code, code, sizeof key.code) == 0;
}

const ResponseRoute* routeFor(const AQ9UartSensor::ReplyKey& key)
{
    for (const ResponseRoute& route : kRoutes)
        if (sameKey(key, route.code, route.reg))
            return &route;
    return nullptr;
}

// The write's values as sent (parsed from a copy of the command) and as echoed
// agree, and the echo carries every field of its register.
bool echoesCommand(EchoValues echo, const char* command, size_t commandSize, AqUartPacket* reply)
{
    char sent[sizeof(AQ9Sensor::_txBuf) + 1];
    const size_t n = commandSize < sizeof sent - 1 ? commandSize : sizeof sent - 1;
    memcpy(sent, command, n);
    sent[n] = '\0';
    uint16_t want[10];
    uint16_t got[10];
    memset(want, 0, sizeof want);
    memset(got, 0xFF, sizeof got);
    echo(sent, want);
    const bool complete = echo(reinterpret_cast<char*>(reply->data), got);
    return complete && memcmp(want, got, sizeof want) == 0;
}

// Length of a sentence's text before its check text, at most 80, for the log.
int headLength(const AqUartPacket* p)
{
    const void* star = memchr(p->data, '*', p->length);
    const size_t n = star != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(star) - p->data) : p->length;
    return static_cast<int>(n < 80 ? n : 80);
}

}  // namespace

void AQ9UartSensor::packetFoundHandler(void* /*userData*/, AqUartPacket* packet, size_t /*runningIndexOfPacketStart*/)
{
    switch (AqUartPacket_type(packet))
    {
    case PACKETTYPE_ASCII:
        if (AqUartPacket_isAsciiAsync(packet) || _pthis == nullptr)
            return;
        if (AqUartPacket_isResponse(packet))
            _pthis->handleResponse(packet);
        else if (AqUartPacket_isError(packet))
            _pthis->takeSensorError(packet);
        return;
    case PACKETTYPE_BINARY:
        if (_pthis != nullptr)
            _pthis->storeAhrsRecord(packet);
        if (_pthis != nullptr)
            _pthis->storeRawMeasRecord(packet);
        return;
    default:
        return;
    }
}

bool AQ9UartSensor::keyOf(const uint8_t* text, size_t n, ReplyKey* key)
{
    // "$AQxxx", and for register reads and writes ",<register>" ended by ',' or '*'.
    if (n < 6 || memcmp(text, "$AQ", 3) != 0)
        return false;
    memcpy(key->code, text + 3, 3);
    key->code[3] = '\0';
    key->reg = -1;
    if (strcmp(key->code, "RRG") != 0 && strcmp(key->code, "WRG") != 0)
        return true;
    if (n < 9 || text[6] != ',')
        return false;
    size_t i = 7;
    int reg = 0;
    for (; i < n && i < 10 && isdigit(text[i]); i++)
        reg = 10 * reg + (text[i] - '0');
    if (i == 7 || i >= n || (text[i] != ',' && text[i] != '*'))
        return false;
    key->reg = reg;
    return true;
}

void AQ9UartSensor::handleResponse(AqUartPacket* packet)
{
    ReplyKey key;
    const ResponseRoute* route = keyOf(packet->data, packet->length, &key) ? routeFor(key) : nullptr;
    if (route == nullptr || !(this->*route->flag) || !sameKey(_awaited, key.code, key.reg))
    {
        dropStrayReply(packet);
        return;
    }
    if (route->parse != nullptr && !route->parse(*this, packet))
    {
        // A reply short of its register's fields counts as no reply: nothing is
        // stored and the command goes out again.
        Syslog::write("AQ9UartSensor - register %d reply lacks fields: %.*s", route->reg, headLength(packet),
                      packet->data);
        return;
    }
    if (route->parse == nullptr && route->echo != nullptr &&
        !echoesCommand(route->echo, _txBuf, _requestSize, packet))
    {
        // The sensor holds other values: not an answer, the command goes out again.
        Syslog::write("AQ9UartSensor - register %d reply does not echo the values sent", route->reg);
        return;
    }
    this->*route->flag = false;
}

void AQ9UartSensor::dropStrayReply(const AqUartPacket* packet)
{
    const ResponseRoute* waiting = routeFor(_awaited);
    if (waiting != nullptr && waiting->complaint != nullptr)
        Syslog::write("%s; dropped %.*s", waiting->complaint, headLength(packet), packet->data);
    else
        Syslog::write("AQ9UartSensor - dropped a reply no operation waits for: %.*s", headLength(packet),
                      packet->data);
}

void AQ9UartSensor::takeSensorError(AqUartPacket* packet)
{
    uint8_t e = 0;
    AqUartPacket_parseError(packet, &e);
    const AqError error = static_cast<AqError>(1000 + e);
    char text[AQ_ERROR_TEXT_SIZE];
    strFromAqError(text, error);
    printf("Sensor Error: %s\n", text);
    // A report without a number tells no more than the silence would.
    if (e != 0)
        _sensorError = error;
}

void AQ9UartSensor::storeAhrsRecord(AqUartPacket* packet)
{
    if (!AqUartPacket_isCompatible(packet, static_cast<CommonGroup>(0x1528), TIMEGROUP_NONE, IMUGROUP_NONE,
                                   GPSGROUP_NONE, static_cast<AttitudeGroup>(0x0100), INSGROUP_NONE, GPSGROUP_NONE))
        return;
    _ahrsData.ypr_deg = AqUartPacket_extractVec3f(packet);
    _ahrsData.gyro_rads = AqUartPacket_extractVec3f(packet);
    _ahrsData.accel_ms2 = AqUartPacket_extractVec3f(packet);
    _ahrsData.mag_G = AqUartPacket_extractVec3f(packet);
    _ahrsData.temp_C = AqUartPacket_extractFloat(packet);
    _ahrsData.pres_kPa = AqUartPacket_extractFloat(packet);
    _ahrsData.afeStatus = AqUartPacket_extractUint16(packet);
    _ahrsData.yprU = AqUartPacket_extractVec3f(packet);
    _ahrsData.dataGood = 1;
    clock_gettime(CLOCK_REALTIME, &_ahrsData.sampleTime);
}

void AQ9UartSensor::storeRawMeasRecord(AqUartPacket* packet)
{
    if (!AqUartPacket_isCompatible(packet, COMMONGROUP_NONE, TIMEGROUP_NONE, static_cast<ImuGroup>(0x003E),
                                   GPSGROUP_NONE, ATTITUDEGROUP_NONE, INSGROUP_NONE, GPSGROUP_NONE))
        return;
    _rawMeasData.mag_G = AqUartPacket_extractVec3f(packet);
    _rawMeasData.accel_ms2 = AqUartPacket_extractVec3f(packet);
    _rawMeasData.gyro_rads = AqUartPacket_extractVec3f(packet);
    _rawMeasData.temp_C = AqUartPacket_extractFloat(packet);
    _rawMeasData.pres_kpa = AqUartPacket_extractFloat(packet);
    _rawMeasData.dataGood = 1;
    clock_gettime(CLOCK_REALTIME, &_rawMeasData.sampleTime);
}
