// Write generators of the register catalogue: each is its register number, its
// field format and its fields in catalogue order, handed to AqUartPacket_genWrite.
#include "aq/protocol/upack_commands.h"

// Vectors go out component by component; a matrix row by row (it is stored
// column by column).
#define AQ_V3(v) (v).c[0], (v).c[1], (v).c[2]
#define AQ_M3(m) (m).e[0], (m).e[3], (m).e[6], (m).e[1], (m).e[4], (m).e[7], (m).e[2], (m).e[5], (m).e[8]
#define AQ_GEN_ARGS char *buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode, size_t *cmdSize
#define AQ_WRITE(id, format, ...)                                                                                      \
    AqUartPacket_genWrite(buffer, bufferSize, errorDetectionMode, id, cmdSize, format, __VA_ARGS__)

// Field formats shared by several registers.
static const char* const kU4 = "U4";
static const char* const kVec3 = "F4F4F4";
static const char* const kTwoVec3 = "F4F4F4F4F4F4";
static const char* const kThreeVec3 = "F4F4F4F4F4F4F4F4F4";
static const char* const kMatVec3 = "F4F4F4F4F4F4F4F4F4F4F4F4";
static const char* const kFourU1 = "U1U1U1U1";

AqError AqUartPacket_genWriteUserTag(AQ_GEN_ARGS, const char* tag)
{
    return AQ_WRITE(0, "S", tag);
}

AqError AqUartPacket_genWriteSerialBaudRate(AQ_GEN_ARGS, uint32_t baudrate)
{
    return AQ_WRITE(5, kU4, baudrate);
}

AqError AqUartPacket_genWriteSerialBaudRate_with_options(AQ_GEN_ARGS, uint32_t baudrate)
{
    return AqUartPacket_genWriteSerialBaudRate(buffer, bufferSize, errorDetectionMode, cmdSize, baudrate);
}

AqError AqUartPacket_genWriteAsyncDataOutputType(AQ_GEN_ARGS, uint32_t ador)
{
    return AQ_WRITE(6, kU4, ador);
}

AqError AqUartPacket_genWriteAsyncDataOutputType_with_options(AQ_GEN_ARGS, uint32_t ador)
{
    return AqUartPacket_genWriteAsyncDataOutputType(buffer, bufferSize, errorDetectionMode, cmdSize, ador);
}

AqError AqUartPacket_genWriteAsyncDataOutputFrequency(AQ_GEN_ARGS, uint32_t adof)
{
    return AQ_WRITE(7, kU4, adof);
}

AqError AqUartPacket_genWriteAsyncDataOutputFrequency_with_options(AQ_GEN_ARGS, uint32_t adof)
{
    return AqUartPacket_genWriteAsyncDataOutputFrequency(buffer, bufferSize, errorDetectionMode, cmdSize, adof);
}

AqError AqUartPacket_genWriteMagneticAndGravityReferenceVectors(AQ_GEN_ARGS, vec3f magRef, vec3f accRef)
{
    return AQ_WRITE(21, kTwoVec3, AQ_V3(magRef), AQ_V3(accRef));
}

AqError AqUartPacket_genWriteMagnetometerCompensation(AQ_GEN_ARGS, mat3f c, vec3f b)
{
    return AQ_WRITE(23, kMatVec3, AQ_M3(c), AQ_V3(b));
}

AqError AqUartPacket_genWriteAccelerationCompensation(AQ_GEN_ARGS, mat3f c, vec3f b)
{
    return AQ_WRITE(25, kMatVec3, AQ_M3(c), AQ_V3(b));
}

AqError AqUartPacket_genWriteReferenceFrameRotation(AQ_GEN_ARGS, mat3f c)
{
    return AQ_WRITE(26, kThreeVec3, AQ_M3(c));
}

AqError AqUartPacket_genWriteCommunicationProtocolControl(AQ_GEN_ARGS, uint8_t serialCount, uint8_t serialStatus,
                                                          uint8_t spiCount, uint8_t spiStatus, uint8_t serialChecksum,
                                                          uint8_t spiChecksum, uint8_t errorMode)
{
    return AQ_WRITE(30, "U1U1U1U1U1U1U1", serialCount, serialStatus, spiCount, spiStatus, serialChecksum, spiChecksum,
                    errorMode);
}

AqError AqUartPacket_genWriteSynchronizationControl(AQ_GEN_ARGS, uint8_t syncInMode, uint8_t syncInEdge,
                                                    uint16_t syncInSkipFactor, uint32_t reserved1, uint8_t syncOutMode,
                                                    uint8_t syncOutPolarity, uint16_t syncOutSkipFactor,
                                                    uint32_t syncOutPulseWidth, uint32_t reserved2)
{
    return AQ_WRITE(32, "U1U1U2U4U1U1U2U4U4", syncInMode, syncInEdge, syncInSkipFactor, reserved1, syncOutMode,
                    syncOutPolarity, syncOutSkipFactor, syncOutPulseWidth, reserved2);
}

AqError AqUartPacket_genWriteSynchronizationStatus(AQ_GEN_ARGS, uint32_t syncInCount, uint32_t syncInTime,
                                                   uint32_t syncOutCount)
{
    return AQ_WRITE(33, "U4U4U4", syncInCount, syncInTime, syncOutCount);
}

AqError AqUartPacket_genWriteAfeBasicControl(AQ_GEN_ARGS, uint8_t enable, uint8_t headingMode, uint8_t filteringMode,
                                             uint8_t tuningMode)
{
    return AQ_WRITE(35, kFourU1, enable, headingMode, filteringMode, tuningMode);
}

AqError AqUartPacket_genWriteAfeMagnetometerBasicTuning(AQ_GEN_ARGS, vec3f baseTuning, vec3f adaptiveTuning,
                                                        vec3f adaptiveFiltering)
{
    return AQ_WRITE(36, kThreeVec3, AQ_V3(baseTuning), AQ_V3(adaptiveTuning), AQ_V3(adaptiveFiltering));
}

AqError AqUartPacket_genWriteAfeAccelerometerBasicTuning(AQ_GEN_ARGS, vec3f baseTuning, vec3f adaptiveTuning,
                                                         vec3f adaptiveFiltering)
{
    return AQ_WRITE(38, kThreeVec3, AQ_V3(baseTuning), AQ_V3(adaptiveTuning), AQ_V3(adaptiveFiltering));
}

AqError AqUartPacket_genWriteAfeGyroBasicTuning(AQ_GEN_ARGS, vec3f vAngularWalk, vec3f baseTuning,
                                                vec3f adaptiveTuning)
{
    return AQ_WRITE(40, kThreeVec3, AQ_V3(vAngularWalk), AQ_V3(baseTuning), AQ_V3(adaptiveTuning));
}

AqError AqUartPacket_genWriteMagnetometerCalibrationControl(AQ_GEN_ARGS, uint8_t hsiMode, uint8_t hsiOutput,
                                                            uint8_t convergeRate)
{
    return AQ_WRITE(44, "U1U1U1", hsiMode, hsiOutput, convergeRate);
}

AqError AqUartPacket_genWriteVelocityCompensationMeasurement(AQ_GEN_ARGS, vec3f velocity)
{
    return AQ_WRITE(50, kVec3, AQ_V3(velocity));
}

AqError AqUartPacket_genWriteVelocityCompensationControl(AQ_GEN_ARGS, uint8_t mode, float velocityTuning,
                                                         float rateTuning)
{
    return AQ_WRITE(51, "U1F4F4", mode, velocityTuning, rateTuning);
}

AqError AqUartPacket_genWriteGpsConfiguration(AQ_GEN_ARGS, uint8_t mode, uint8_t ppsSource, uint8_t reserved1,
                                              uint8_t reserved2, uint8_t reserved3)
{
    return AQ_WRITE(55, "U1U1U1U1U1", mode, ppsSource, reserved1, reserved2, reserved3);
}

AqError AqUartPacket_genWriteGpsAntennaOffset(AQ_GEN_ARGS, vec3f position)
{
    return AQ_WRITE(57, kVec3, AQ_V3(position));
}

AqError AqUartPacket_genWriteInsBasicConfiguration(AQ_GEN_ARGS, uint8_t scenario, uint8_t ahrsAiding,
                                                   uint8_t estBaseline, uint8_t resv2)
{
    return AQ_WRITE(67, kFourU1, scenario, ahrsAiding, estBaseline, resv2);
}

AqError AqUartPacket_genWriteStartupFilterBiasEstimate(AQ_GEN_ARGS, vec3f gyroBias, vec3f accelBias,
                                                       float pressureBias)
{
    return AQ_WRITE(74, "F4F4F4F4F4F4F4", AQ_V3(gyroBias), AQ_V3(accelBias), pressureBias);
}

AqError AqUartPacket_genWriteDeltaThetaAndDeltaVelocityConfiguration(AQ_GEN_ARGS, uint8_t integrationFrame,
                                                                     uint8_t gyroCompensation,
                                                                     uint8_t accelCompensation, uint8_t reserved1,
                                                                     uint16_t reserved2)
{
    return AQ_WRITE(82, "U1U1U1U1U2", integrationFrame, gyroCompensation, accelCompensation, reserved1, reserved2);
}

AqError AqUartPacket_genWriteReferenceVectorConfiguration(AQ_GEN_ARGS, uint8_t useMagModel, uint8_t useGravityModel,
                                                          uint8_t resv1, uint8_t resv2, uint32_t recalcThreshold,
                                                          float year, vec3d position)
{
    return AQ_WRITE(83, "U1U1U1U1U4F4F8F8F8", useMagModel, useGravityModel, resv1, resv2, recalcThreshold, year,
                    AQ_V3(position));
}

AqError AqUartPacket_genWriteGyroCompensation(AQ_GEN_ARGS, mat3f c, vec3f b)
{
    return AQ_WRITE(84, kMatVec3, AQ_M3(c), AQ_V3(b));
}

AqError AqUartPacket_genWriteImuFilteringConfiguration(AQ_GEN_ARGS, uint16_t magWindowSize, uint16_t accelWindowSize,
                                                       uint16_t gyroWindowSize, uint16_t tempWindowSize,
                                                       uint16_t presWindowSize, uint8_t magFilterMode,
                                                       uint8_t accelFilterMode, uint8_t gyroFilterMode,
                                                       uint8_t tempFilterMode, uint8_t presFilterMode)
{
    return AQ_WRITE(85, "U2U2U2U2U2U1U1U1U1U1", magWindowSize, accelWindowSize, gyroWindowSize, tempWindowSize,
                    presWindowSize, magFilterMode, accelFilterMode, gyroFilterMode, tempFilterMode, presFilterMode);
}

AqError AqUartPacket_genWriteGpsCompassBaseline(AQ_GEN_ARGS, vec3f position, vec3f uncertainty)
{
    return AQ_WRITE(93, kTwoVec3, AQ_V3(position), AQ_V3(uncertainty));
}
