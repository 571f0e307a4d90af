// The packet-found handler of the UART link. Register responses go to the
// first waiting operation in a fixed order (a late reply is therefore taken
// by the earliest flag still raised); binary packets are matched against the
// two polled layouts and extracted field by field.
#include <stdio.h>
#include <string.h>
#include <time.h>

#include "AQ9UartSensor.h"
#include "Syslog.h"
#include "aq/protocol/upack_commands.h"

namespace {

typedef void (*ResponseParser)(AQ9UartSensor& s, AqUartPacket* p);

// A compensation response: matrix and offset back into the settings.
void parseCompensation(void (*parse)(AqUartPacket*, mat3f*, vec3f*), AqUartPacket* p, v9d& c, v3d& b)
{
    mat3f m = AQ9Sensor::v9dToMat3f(c);
    vec3f v = AQ9Sensor::v3dToVec3f(b);
    parse(p, &m, &v);
    c = AQ9Sensor::mat3fToV9d(m);
    b = AQ9Sensor::vec3fToV3d(v);
}

// A tuning response: three vectors back into c[0..2], c[3..5], c[6..8].
void parseTuning(void (*parse)(AqUartPacket*, vec3f*, vec3f*, vec3f*), AqUartPacket* p, v9d& t)
{
    vec3f r[3];
    for (int row = 0; row < 3; row++)
        for (int k = 0; k < 3; k++)
            r[row].c[k] = static_cast<float>(t.c[3 * row + k]);
    parse(p, &r[0], &r[1], &r[2]);
    for (int row = 0; row < 3; row++)
        for (int k = 0; k < 3; k++)
            t.c[3 * row + k] = r[row].c[k];
}

void parseModel(AQ9UartSensor& s, AqUartPacket* p)
{
    AqUartPacket_parseModelNumber(p, s._modelNumber, sizeof s._modelNumber);
}
void parseHardware(AQ9UartSensor& s, AqUartPacket* p)
{
    AqUartPacket_parseHardwareRevision(p, &s._hwRevision);
}
void parseSerial(AQ9UartSensor& s, AqUartPacket* p)
{
    AqUartPacket_parseSerialNumber(p, &s._serialNumber);
}
void parseFirmware(AQ9UartSensor& s, AqUartPacket* p)
{
    AqUartPacket_parseFirmwareVersion(p, s._firmwareVersion, sizeof s._firmwareVersion);
}
void parseAsyncType(AQ9UartSensor& s, AqUartPacket* p)
{
    AqUartPacket_parseAsyncDataOutputType(p, &s._settings.ADOR);
}
void parseRefVectors(AQ9UartSensor& s, AqUartPacket* p)
{
    AqUartPacket_parseMagneticAndGravityReferenceVectors(p, &s._magRefVector, &s._gravRefVector);
}
void parseHsi(AQ9UartSensor& s, AqUartPacket* p)
{
    AqUartPacket_parseMagnetometerCalibrationControl(p, &s._settings.HSIMode, &s._settings.HSIOutput,
                                                     &s._settings.HSIConvergeRate);
}
void parseMagComp(AQ9UartSensor& s, AqUartPacket* p)
{
    parseCompensation(AqUartPacket_parseMagnetometerCompensation, p, s._settings.MagCompC, s._settings.MagCompB);
}
void parseAccelComp(AQ9UartSensor& s, AqUartPacket* p)
{
    parseCompensation(AqUartPacket_parseAccelerationCompensation, p, s._settings.AccelCompC, s._settings.AccelCompB);
}
void parseGyroComp(AQ9UartSensor& s, AqUartPacket* p)
{
    parseCompensation(AqUartPacket_parseGyroCompensation, p, s._settings.GyroCompC, s._settings.GyroCompB);
}
void parseRotation(AQ9UartSensor& s, AqUartPacket* p)
{
    mat3f m = AQ9Sensor::v9dToMat3f(s._settings.Rot);
    AqUartPacket_parseReferenceFrameRotation(p, &m);
    s._settings.Rot = AQ9Sensor::mat3fToV9d(m);
}
void parseAfeGyro(AQ9UartSensor& s, AqUartPacket* p)
{
    parseTuning(AqUartPacket_parseAfeGyroBasicTuning, p, s._settings.AFEGyroTuning);
}
void parseAfeAccel(AQ9UartSensor& s, AqUartPacket* p)
{
    parseTuning(AqUartPacket_parseAfeAccelerometerBasicTuning, p, s._settings.AFEAccelTuning);
}
void parseAfeMag(AQ9UartSensor& s, AqUartPacket* p)
{
    parseTuning(AqUartPacket_parseAfeMagnetometerBasicTuning, p, s._settings.AFEMagTuning);
}
void parseStartupBias(AQ9UartSensor& s, AqUartPacket* p)
{
    vec3f gyro = AQ9Sensor::v3dToVec3f(s._settings.GyroStartupBias);
    vec3f accel = AQ9Sensor::v3dToVec3f(s._settings.AccelStartupBias);
    float pressure = 0.0f;  // the sensor's pressure bias is not kept
    AqUartPacket_parseStartupFilterBiasEstimate(p, &gyro, &accel, &pressure);
    s._settings.GyroStartupBias = AQ9Sensor::vec3fToV3d(gyro);
    s._settings.AccelStartupBias = AQ9Sensor::vec3fToV3d(accel);
}
void parseAfeBasic(AQ9UartSensor& s, AqUartPacket* p)
{
    AqUartPacket_parseAfeBasicControl(p, &s._settings.AFEBasic_Enable, &s._settings.AFEBasic_HeadingMode,
                                      &s._settings.AFEBasic_FilteringMode, &s._settings.AFEBasic_TuningMode);
}
void parseOnboardHsi(AQ9UartSensor& s, AqUartPacket* p)
{
    AqUartPacket_parseCalculatedMagnetometerCalibration(p, &s._onboardHSIMatrix, &s._onboardHSIOffset);
}

// One waiting operation: either a parser (flag always cleared) or a text
// prefix the response must begin with (flag cleared only on a match).
struct ResponseRoute
{
    bool AQ9UartSensor::*flag;
    ResponseParser parse;
    const char* prefix;
    const char* complaint;  // logged on a prefix mismatch; null = silent
};

// The order in which waiting operations are served; only the first raised one is.
const ResponseRoute kRoutes[] = {
    {&AQ9UartSensor::gIsCheckingForModelNumberResponse, parseModel, nullptr, nullptr},
    {&AQ9UartSensor::gIsCheckingForHardwareVersionResponse, parseHardware, nullptr, nullptr},
    {&AQ9UartSensor::gIsCheckingForSerialNumberResponse, parseSerial, nullptr, nullptr},
    {&AQ9UartSensor::gIsCheckingForFWVersionResponse, parseFirmware, nullptr, nullptr},
    {&AQ9UartSensor::gIsCheckingForAsyncOutputTypeResponse, parseAsyncType, nullptr, nullptr},
    {&AQ9UartSensor::gIsCheckingforCommProtoControlTypeResponse, nullptr, "$AQWRG,30,0,0,0,0,2,2,1", nullptr},
    {&AQ9UartSensor::gIsCheckingForBinaryRegister1Response, nullptr, "$AQWRG,75,0,800,11,1528,0100", nullptr},
    {&AQ9UartSensor::gIsCheckingForBinaryRegister2Response, nullptr, "$AQWRG,76,0,800,04,003E", nullptr},
    {&AQ9UartSensor::gIsCheckingForReferenceVectorResponse, parseRefVectors, nullptr, nullptr},
    {&AQ9UartSensor::gIsCheckingForHSIResponse, parseHsi, nullptr, nullptr},
    {&AQ9UartSensor::gIsCheckingForMagCompResponse, parseMagComp, nullptr, nullptr},
    {&AQ9UartSensor::gIsCheckingForAccelCompResponse, parseAccelComp, nullptr, nullptr},
    {&AQ9UartSensor::gIsCheckingForGyroCompResponse, parseGyroComp, nullptr, nullptr},
    {&AQ9UartSensor::gIsCheckingForRotationResponse, parseRotation, nullptr, nullptr},
    {&AQ9UartSensor::gIsCheckingForAFEGyroResponse, parseAfeGyro, nullptr, nullptr},
    {&AQ9UartSensor::gIsCheckingForAFEAccelResponse, parseAfeAccel, nullptr, nullptr},
    {&AQ9UartSensor::gIsCheckingForAFEMagResponse, parseAfeMag, nullptr, nullptr},
    {&AQ9UartSensor::gIsCheckingForStartupBiasResponse, parseStartupBias, nullptr, nullptr},
    {&AQ9UartSensor::gIsCheckingForAFEBasicControlResponse, parseAfeBasic, nullptr, nullptr},
    {&AQ9UartSensor::gIsCheckingForOnboardHSICalResponse, parseOnboardHsi, nullptr, nullptr},
    {&AQ9UartSensor::gIsCheckingForEERPROMSaveResponse, nullptr, "$AQWNV",
     "AQ9UartSensor - Didn't get write non-volatile memory response"},
    {&AQ9UartSensor::gIsCheckingForResetResponse, nullptr, "$AQRST",
     "AQ9UartSensor - Didn't get reset command response"},
    {&AQ9UartSensor::gIsCheckingForReferenceVectorConfigResponse, nullptr, "$AQWRG,83",
     "AQ9UartSensor - Didn't get reference vector configuration response"},
    {&AQ9UartSensor::gIsCheckingForKnownMagneticDisturbanceResponse, nullptr, "$AQKMD,",
     "AQ9UartSensor - Didn't AQKMD response"},
};

bool beginsWith(const AqUartPacket* p, const char* prefix)
{
    size_t n = strlen(prefix);
    return p->length >= n && memcmp(p->data, prefix, n) == 0;
}

void reportSensorError(AqUartPacket* packet)
{
    uint8_t e = 0;
    AqUartPacket_parseError(packet, &e);
    char text[AQ_ERROR_TEXT_SIZE];
    strFromAqError(text, static_cast<AqError>(1000 + e));
    printf("Sensor Error: %s\n", text);
}

}  // namespace

void AQ9UartSensor::packetFoundHandler(void* /*userData*/, AqUartPacket* packet, size_t /*runningIndexOfPacketStart*/)
{
    switch (AqUartPacket_type(packet))
    {
    case PACKETTYPE_ASCII:
        if (AqUartPacket_isAsciiAsync(packet))
            return;
        if (AqUartPacket_isResponse(packet))
        {
            if (_pthis != nullptr)
                _pthis->handleResponse(packet);
        }
        else if (AqUartPacket_isError(packet))
            reportSensorError(packet);
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

void AQ9UartSensor::handleResponse(AqUartPacket* packet)
{
    for (const ResponseRoute& route : kRoutes)
    {
        bool& flag = this->*route.flag;
        if (!flag)
            continue;
        if (route.parse != nullptr)
        {
            route.parse(*this, packet);
            flag = false;
        }
        else if (beginsWith(packet, route.prefix))
            flag = false;
        else if (route.complaint != nullptr)
            Syslog::write("%s", route.complaint);
        return;
    }
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
