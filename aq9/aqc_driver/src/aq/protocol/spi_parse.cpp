// SPI response parsers. The error byte decides first: a sensor error leaves
// every output as it was. Otherwise the payload from byte 4 is read in the
// register's catalogue layout, e.g. for YawPitchRoll (8):
//   00 01 08 00 | yaw f32 | pitch f32 | roll f32 | CRC hi lo
#include <string.h>

#include "aq/protocol/spi.h"
#include "aq/protocol/spi_catalogue.h"

namespace {

AqError parseLayout(const char* layout, const char* response, void* const* outs)
{
    AqError err = AqSpiCatalogue_errorOf(response);
    if (err == E_NONE)
    {
        AqSpiCatalogue_get(response + AQSPI_HEADER_SIZE, layout, outs);
    }
    return err;
}

AqError parseRegister(uint8_t regId, const char* response, void* const* outs)
{
    return parseLayout(AqSpiCatalogue_find(regId)->layout, response, outs);
}

// The terminated text at byte 4, copied only when it fits with its terminator;
// the search for the terminator never looks past outLength bytes.
AqError parseText(const char* response, char* out, size_t outLength)
{
    AqError err = AqSpiCatalogue_errorOf(response);
    if (err != E_NONE)
    {
        return err;
    }
    const char* text = response + AQSPI_HEADER_SIZE;
    const char* end = static_cast<const char*>(memchr(text, '\0', outLength));
    if (end == nullptr)
    {
        return E_BUFFER_TOO_SMALL;
    }
    memcpy(out, text, static_cast<size_t>(end - text) + 1);
    return E_NONE;
}

}  // namespace

#define PARSE(regId, ...)                \
    void* const outs[] = {__VA_ARGS__}; \
    return parseRegister(regId, response, outs)

#define PARSE_LAYOUT(layout, ...)        \
    void* const outs[] = {__VA_ARGS__}; \
    return parseLayout(layout, response, outs)

AqError AqSpi_parseUserTag(const char* response, char* tag, size_t tagLength)
{
    return parseText(response, tag, tagLength);
}

AqError AqSpi_parseModelNumber(const char* response, char* productName, size_t productNameLength)
{
    return parseText(response, productName, productNameLength);
}

AqError AqSpi_parseFirmwareVersion(const char* response, char* firmwareVersion, size_t firmwareVersionLength)
{
    return parseText(response, firmwareVersion, firmwareVersionLength);
}

AqError AqSpi_parseHardwareRevision(const char* response, uint32_t* revision)
{
    PARSE(2, revision);
}

AqError AqSpi_parseSerialNumber(const char* response, uint32_t* serialNum)
{
    PARSE(3, serialNum);
}

AqError AqSpi_parseSerialBaudRate(const char* response, uint32_t* baudrate)
{
    PARSE(5, baudrate);
}

AqError AqSpi_parseAsyncDataOutputType(const char* response, uint32_t* ador)
{
    PARSE(6, ador);
}

AqError AqSpi_parseAsyncDataOutputFrequency(const char* response, uint32_t* adof)
{
    PARSE(7, adof);
}

AqError AqSpi_parseYawPitchRoll(const char* response, vec3f* yawPitchRoll)
{
    PARSE(8, yawPitchRoll);
}

AqError AqSpi_parseAttitudeQuaternion(const char* response, vec4f* quat)
{
    PARSE(9, quat);
}

AqError AqSpi_parseQuaternionMagneticAccelerationAndAngularRates(const char* response, vec4f* quat, vec3f* mag,
                                                                 vec3f* accel, vec3f* gyro)
{
    PARSE(15, quat, mag, accel, gyro);
}

AqError AqSpi_parseMagneticMeasurements(const char* response, vec3f* mag)
{
    PARSE(17, mag);
}

AqError AqSpi_parseAccelerationMeasurements(const char* response, vec3f* accel)
{
    PARSE(18, accel);
}

AqError AqSpi_parseAngularRateMeasurements(const char* response, vec3f* gyro)
{
    PARSE(19, gyro);
}

AqError AqSpi_parseMagneticAccelerationAndAngularRates(const char* response, vec3f* mag, vec3f* accel, vec3f* gyro)
{
    PARSE(20, mag, accel, gyro);
}

AqError AqSpi_parseMagneticAndGravityReferenceVectors(const char* response, vec3f* magRef, vec3f* accRef)
{
    PARSE(21, magRef, accRef);
}

AqError AqSpi_parseMagnetometerCompensation(const char* response, mat3f* c, vec3f* b)
{
    PARSE(23, c, b);
}

AqError AqSpi_parseAccelerationCompensation(const char* response, mat3f* c, vec3f* b)
{
    PARSE(25, c, b);
}

AqError AqSpi_parseReferenceFrameRotation(const char* response, mat3f* c)
{
    PARSE(26, c);
}

AqError AqSpi_parseYawPitchRollMagneticAccelerationAndAngularRates(const char* response, vec3f* yawPitchRoll,
                                                                   vec3f* mag, vec3f* accel, vec3f* gyro)
{
    PARSE(27, yawPitchRoll, mag, accel, gyro);
}

AqError AqSpi_parseCommunicationProtocolControl(const char* response, uint8_t* serialCount, uint8_t* serialStatus,
                                                uint8_t* spiCount, uint8_t* spiStatus, uint8_t* serialChecksum,
                                                uint8_t* spiChecksum, uint8_t* errorMode)
{
    PARSE(30, serialCount, serialStatus, spiCount, spiStatus, serialChecksum, spiChecksum, errorMode);
}

AqError AqSpi_parseSynchronizationControl(const char* response, uint8_t* syncInMode, uint8_t* syncInEdge,
                                          uint16_t* syncInSkipFactor, uint32_t* reserved1, uint8_t* syncOutMode,
                                          uint8_t* syncOutPolarity, uint16_t* syncOutSkipFactor,
                                          uint32_t* syncOutPulseWidth, uint32_t* reserved2)
{
    PARSE(32, syncInMode, syncInEdge, syncInSkipFactor, reserved1, syncOutMode, syncOutPolarity, syncOutSkipFactor,
          syncOutPulseWidth, reserved2);
}

AqError AqSpi_parseSynchronizationStatus(const char* response, uint32_t* syncInCount, uint32_t* syncInTime,
                                         uint32_t* syncOutCount)
{
    PARSE(33, syncInCount, syncInTime, syncOutCount);
}

AqError AqSpi_parseAfeBasicControl(const char* response, uint8_t* enable, uint8_t* headingMode,
                                   uint8_t* filteringMode, uint8_t* tuningMode)
{
    PARSE(35, enable, headingMode, filteringMode, tuningMode);
}

AqError AqSpi_parseAfeMagnetometerBasicTuning(const char* response, vec3f* baseTuning, vec3f* adaptiveTuning,
                                              vec3f* adaptiveFiltering)
{
    PARSE(36, baseTuning, adaptiveTuning, adaptiveFiltering);
}

AqError AqSpi_parseAfeAccelerometerBasicTuning(const char* response, vec3f* baseTuning, vec3f* adaptiveTuning,
                                               vec3f* adaptiveFiltering)
{
    PARSE(38, baseTuning, adaptiveTuning, adaptiveFiltering);
}

AqError AqSpi_parseAfeGyroBasicTuning(const char* response, vec3f* angularWalkVariance, vec3f* baseTuning,
                                      vec3f* adaptiveTuning)
{
    PARSE(40, angularWalkVariance, baseTuning, adaptiveTuning);
}

AqError AqSpi_parseMagnetometerCalibrationControl(const char* response, uint8_t* hsiMode, uint8_t* hsiOutput,
                                                  uint8_t* convergeRate)
{
    PARSE(44, hsiMode, hsiOutput, convergeRate);
}

AqError AqSpi_parseCalculatedMagnetometerCalibration(const char* response, mat3f* c, vec3f* b)
{
    PARSE(47, c, b);
}

AqError AqSpi_parseVelocityCompensationMeasurement(const char* response, vec3f* velocity)
{
    PARSE(50, velocity);
}

AqError AqSpi_parseVelocityCompensationControl(const char* response, uint8_t* mode, float* velocityTuning,
                                               float* rateTuning)
{
    PARSE(51, mode, velocityTuning, rateTuning);
}

AqError AqSpi_parseImuMeasurements(const char* response, vec3f* mag, vec3f* accel, vec3f* gyro, float* temp,
                                   float* pressure)
{
    PARSE(54, mag, accel, gyro, temp, pressure);
}

AqError AqSpi_parseGpsConfiguration(const char* response, uint8_t* mode, uint8_t* ppsSource, uint8_t* reserved1,
                                    uint8_t* reserved2, uint8_t* reserved3)
{
    PARSE(55, mode, ppsSource, reserved1, reserved2, reserved3);
}

AqError AqSpi_parseGpsAntennaOffset(const char* response, vec3f* position)
{
    PARSE(57, position);
}

AqError AqSpi_parseGpsSolutionLla(const char* response, double* time, uint16_t* week, uint8_t* gpsFix,
                                  uint8_t* numSats, vec3d* lla, vec3f* nedVel, vec3f* nedAcc, float* speedAcc,
                                  float* timeAcc)
{
    PARSE(58, time, week, gpsFix, numSats, lla, nedVel, nedAcc, speedAcc, timeAcc);
}

AqError AqSpi_parseGpsSolutionEcef(const char* response, double* tow, uint16_t* week, uint8_t* gpsFix,
                                   uint8_t* numSats, vec3d* position, vec3f* velocity, vec3f* posAcc,
                                   float* speedAcc, float* timeAcc)
{
    PARSE(59, tow, week, gpsFix, numSats, position, velocity, posAcc, speedAcc, timeAcc);
}

AqError AqSpi_parseInsSolutionLla(const char* response, double* time, uint16_t* week, uint16_t* status,
                                  vec3f* yawPitchRoll, vec3d* position, vec3f* nedVel, float* attUncertainty,
                                  float* posUncertainty, float* velUncertainty)
{
    PARSE(63, time, week, status, yawPitchRoll, position, nedVel, attUncertainty, posUncertainty, velUncertainty);
}

AqError AqSpi_parseInsSolutionEcef(const char* response, double* time, uint16_t* week, uint16_t* status,
                                   vec3f* yawPitchRoll, vec3d* position, vec3f* velocity, float* attUncertainty,
                                   float* posUncertainty, float* velUncertainty)
{
    PARSE(64, time, week, status, yawPitchRoll, position, velocity, attUncertainty, posUncertainty, velUncertainty);
}

AqError AqSpi_parseInsBasicConfiguration(const char* response, uint8_t* scenario, uint8_t* ahrsAiding,
                                         uint8_t* estBaseline, uint8_t* resv2)
{
    PARSE(67, scenario, ahrsAiding, estBaseline, resv2);
}

AqError AqSpi_parseInsStateLla(const char* response, vec3f* yawPitchRoll, vec3d* position, vec3f* velocity,
                               vec3f* accel, vec3f* angularRate)
{
    PARSE(72, yawPitchRoll, position, velocity, accel, angularRate);
}

AqError AqSpi_parseInsStateEcef(const char* response, vec3f* yawPitchRoll, vec3d* position, vec3f* velocity,
                                vec3f* accel, vec3f* angularRate)
{
    PARSE(73, yawPitchRoll, position, velocity, accel, angularRate);
}

AqError AqSpi_parseStartupFilterBiasEstimate(const char* response, vec3f* gyroBias, vec3f* accelBias,
                                             float* pressureBias)
{
    PARSE(74, gyroBias, accelBias, pressureBias);
}

AqError AqSpi_parseDeltaThetaAndDeltaVelocity(const char* response, float* deltaTime, vec3f* deltaTheta,
                                              vec3f* deltaVelocity)
{
    PARSE(80, deltaTime, deltaTheta, deltaVelocity);
}

AqError AqSpi_parseDeltaThetaAndDeltaVelocityConfiguration(const char* response, uint8_t* integrationFrame,
                                                           uint8_t* gyroCompensation, uint8_t* accelCompensation,
                                                           uint8_t* reserved1, uint16_t* reserved2)
{
    PARSE(82, integrationFrame, gyroCompensation, accelCompensation, reserved1, reserved2);
}

AqError AqSpi_parseReferenceVectorConfiguration(const char* response, uint8_t* useMagModel,
                                                uint8_t* useGravityModel, uint8_t* resv1, uint8_t* resv2,
                                                uint32_t* recalcThreshold, float* year, vec3d* position)
{
    PARSE(83, useMagModel, useGravityModel, resv1, resv2, recalcThreshold, year, position);
}

AqError AqSpi_parseGyroCompensation(const char* response, mat3f* c, vec3f* b)
{
    PARSE(84, c, b);
}

AqError AqSpi_parseImuFilteringConfiguration(const char* response, uint16_t* magWindowSize,
                                             uint16_t* accelWindowSize, uint16_t* gyroWindowSize,
                                             uint16_t* tempWindowSize, uint16_t* presWindowSize,
                                             uint8_t* magFilterMode, uint8_t* accelFilterMode,
                                             uint8_t* gyroFilterMode, uint8_t* tempFilterMode,
                                             uint8_t* presFilterMode)
{
    PARSE(85, magWindowSize, accelWindowSize, gyroWindowSize, tempWindowSize, presWindowSize, magFilterMode,
          accelFilterMode, gyroFilterMode, tempFilterMode, presFilterMode);
}

AqError AqSpi_parseGpsCompassBaseline(const char* response, vec3f* position, vec3f* uncertainty)
{
    PARSE(93, position, uncertainty);
}

AqError AqSpi_parseGpsCompassEstimatedBaseline(const char* response, uint8_t* estBaselineUsed, uint8_t* resv,
                                               uint16_t* numMeas, vec3f* position, vec3f* uncertainty)
{
    PARSE(97, estBaselineUsed, resv, numMeas, position, uncertainty);
}

AqError AqSpi_parseYawPitchRollTrueBodyAccelerationAndAngularRates(const char* response, vec3f* yawPitchRoll,
                                                                   vec3f* bodyAccel, vec3f* gyro)
{
    PARSE(239, yawPitchRoll, bodyAccel, gyro);
}

AqError AqSpi_parseYawPitchRollTrueInertialAccelerationAndAngularRates(const char* response, vec3f* yawPitchRoll,
                                                                       vec3f* inertialAccel, vec3f* gyro)
{
    PARSE(240, yawPitchRoll, inertialAccel, gyro);
}

// ---------------------------------------------------------------------------
// Registers with parsers only

AqError AqSpi_parseFilterMeasurementsVarianceParameters(const char* response, float* angularWalkVariance,
                                                        vec3f* angularRateVariance, vec3f* magneticVariance,
                                                        vec3f* accelerationVariance)
{
    PARSE_LAYOUT("fvvv", angularWalkVariance, angularRateVariance, magneticVariance, accelerationVariance);
}

AqError AqSpi_parseFilterActiveTuningParameters(const char* response, float* magneticDisturbanceGain,
                                                float* accelerationDisturbanceGain,
                                                float* magneticDisturbanceMemory,
                                                float* accelerationDisturbanceMemory)
{
    PARSE_LAYOUT("ffff", magneticDisturbanceGain, accelerationDisturbanceGain, magneticDisturbanceMemory,
                 accelerationDisturbanceMemory);
}

AqError AqSpi_parseFilterBasicControl(const char* response, uint8_t* magMode, uint8_t* extMagMode,
                                      uint8_t* extAccMode, uint8_t* extGyroMode, vec3f* gyroLimit)
{
    PARSE_LAYOUT("bbbbv", magMode, extMagMode, extAccMode, extGyroMode, gyroLimit);
}

AqError AqSpi_parseAfeMagnetometerAdvancedTuning(const char* response, vec3f* minFiltering, vec3f* maxFiltering,
                                                 float* maxAdaptRate, float* disturbanceWindow, float* maxTuning)
{
    PARSE_LAYOUT("vvfff", minFiltering, maxFiltering, maxAdaptRate, disturbanceWindow, maxTuning);
}

AqError AqSpi_parseAfeAccelerometerAdvancedTuning(const char* response, vec3f* minFiltering, vec3f* maxFiltering,
                                                  float* maxAdaptRate, float* disturbanceWindow, float* maxTuning)
{
    PARSE_LAYOUT("vvfff", minFiltering, maxFiltering, maxAdaptRate, disturbanceWindow, maxTuning);
}

AqError AqSpi_parseFilterStartupGyroBias(const char* response, vec3f* bias)
{
    PARSE_LAYOUT("v", bias);
}

AqError AqSpi_parseIndoorHeadingModeControl(const char* response, float* maxRateError, uint8_t* reserved1)
{
    PARSE_LAYOUT("fb", maxRateError, reserved1);
}

AqError AqSpi_parseVelocityCompensationStatus(const char* response, float* x, float* xDot, vec3f* accelOffset,
                                              vec3f* omega)
{
    PARSE_LAYOUT("ffvv", x, xDot, accelOffset, omega);
}

AqError AqSpi_parseInsAdvancedConfiguration(const char* response, uint8_t* useMag, uint8_t* usePres,
                                            uint8_t* posAtt, uint8_t* velAtt, uint8_t* velBias, uint8_t* useFoam,
                                            uint8_t* gpsCovType, uint8_t* velCount, float* velInit,
                                            float* moveOrigin, float* gpsTimeout, float* deltaLimitPos,
                                            float* deltaLimitVel, float* minPosUncertainty,
                                            float* minVelUncertainty)
{
    PARSE_LAYOUT("bbbbbbbbfffffff", useMag, usePres, posAtt, velAtt, velBias, useFoam, gpsCovType, velCount,
                 velInit, moveOrigin, gpsTimeout, deltaLimitPos, deltaLimitVel, minPosUncertainty,
                 minVelUncertainty);
}

AqError AqSpi_parseImuRateConfiguration(const char* response, uint16_t* imuRate, uint16_t* navDivisor,
                                        float* filterTargetRate, float* filterMinRate)
{
    PARSE_LAYOUT("hhff", imuRate, navDivisor, filterTargetRate, filterMinRate);
}
