// SPI request generators. Every request starts with the 4-byte header
// (command, register, 0, 0); a read is padded with zeros to the length the
// caller wants, a write carries the register's payload in catalogue layout.
#include "aq/protocol/spi.h"

#include <string.h>

#include "aq/protocol/spi_catalogue.h"

namespace {

const char kCmdRead = 1;
const char kCmdWrite = 2;
// Frame size the register-less commands report.
const size_t kGenericResponseSize = 2;

void writeHeader(char* buffer, char cmd, uint8_t regId)
{
    buffer[0] = cmd;
    buffer[1] = static_cast<char>(regId);
    buffer[2] = 0;
    buffer[3] = 0;
}

AqError genReadRegister(uint8_t regId, char* buffer, size_t* size, size_t desiredLength, size_t* responseSize)
{
    AqError err = AqSpi_genRead(buffer, size, regId, desiredLength);
    if (err == E_NONE)
    {
        *responseSize = AqSpiCatalogue_find(regId)->frameSize;
    }
    return err;
}

AqError genWriteRegister(uint8_t regId, char* buffer, size_t* size, size_t desiredLength, size_t* responseSize,
                         const void* const* values)
{
    const AqSpiRegister* reg = AqSpiCatalogue_find(regId);
    if (*size < reg->frameSize || desiredLength > *size)
    {
        return E_BUFFER_TOO_SMALL;
    }
    *responseSize = reg->frameSize;
    writeHeader(buffer, kCmdWrite, regId);
    AqSpiCatalogue_put(buffer + AQSPI_HEADER_SIZE, reg->layout, values);
    return E_NONE;
}

}  // namespace

AqError AqSpi_genGenericCommand(char cmdId, char* buffer, size_t* size, size_t desiredLength, size_t* responseSize)
{
    if (*size == 0 || desiredLength > *size)
    {
        return E_BUFFER_TOO_SMALL;
    }
    buffer[0] = cmdId;
    if (desiredLength > 1)
    {
        memset(buffer + 1, 0, desiredLength - 1);
    }
    *responseSize = kGenericResponseSize;
    *size = desiredLength == 0 ? 1 : desiredLength;
    return E_NONE;
}

AqError AqSpi_genWriteSettings(char* buffer, size_t* size, size_t desiredLength, size_t* responseSize)
{
    return AqSpi_genGenericCommand(3, buffer, size, desiredLength, responseSize);
}

AqError AqSpi_genRestorFactorySettings(char* buffer, size_t* size, size_t desiredLength, size_t* responseSize)
{
    return AqSpi_genGenericCommand(4, buffer, size, desiredLength, responseSize);
}

AqError AqSpi_genTare(char* buffer, size_t* size, size_t desiredLength, size_t* responseSize)
{
    return AqSpi_genGenericCommand(5, buffer, size, desiredLength, responseSize);
}

AqError AqSpi_genReset(char* buffer, size_t* size, size_t desiredLength, size_t* responseSize)
{
    return AqSpi_genGenericCommand(6, buffer, size, desiredLength, responseSize);
}

AqError AqSpi_genRead(char* buffer, size_t* size, uint8_t regId, size_t desiredLength)
{
    if (*size < AQSPI_HEADER_SIZE || desiredLength > *size)
    {
        return E_BUFFER_TOO_SMALL;
    }
    writeHeader(buffer, kCmdRead, regId);
    if (desiredLength > AQSPI_HEADER_SIZE)
    {
        memset(buffer + AQSPI_HEADER_SIZE, 0, desiredLength - AQSPI_HEADER_SIZE);
    }
    // A shorter wish still got the whole header: report what was written.
    *size = desiredLength > AQSPI_HEADER_SIZE ? desiredLength : AQSPI_HEADER_SIZE;
    return E_NONE;
}

// ---------------------------------------------------------------------------
// Read generators

#define READ_GEN(name, regId)                                                                         \
    AqError AqSpi_genRead##name(char* buffer, size_t* size, size_t desiredLength, size_t* responseSize) \
    {                                                                                                 \
        return genReadRegister(regId, buffer, size, desiredLength, responseSize);                     \
    }

READ_GEN(UserTag, 0)
READ_GEN(ModelNumber, 1)
READ_GEN(HardwareRevision, 2)
READ_GEN(SerialNumber, 3)
READ_GEN(FirmwareVersion, 4)
READ_GEN(SerialBaudRate, 5)
READ_GEN(AsyncDataOutputType, 6)
READ_GEN(AsyncDataOutputFrequency, 7)
READ_GEN(YawPitchRoll, 8)
READ_GEN(AttitudeQuaternion, 9)
READ_GEN(QuaternionMagneticAccelerationAndAngularRates, 15)
READ_GEN(MagneticMeasurements, 17)
READ_GEN(AccelerationMeasurements, 18)
READ_GEN(AngularRateMeasurements, 19)
READ_GEN(MagneticAccelerationAndAngularRates, 20)
READ_GEN(MagneticAndGravityReferenceVectors, 21)
READ_GEN(MagnetometerCompensation, 23)
READ_GEN(AccelerationCompensation, 25)
READ_GEN(ReferenceFrameRotation, 26)
READ_GEN(YawPitchRollMagneticAccelerationAndAngularRates, 27)
READ_GEN(CommunicationProtocolControl, 30)
READ_GEN(SynchronizationControl, 32)
READ_GEN(SynchronizationStatus, 33)
READ_GEN(AfeBasicControl, 35)
READ_GEN(AfeMagnetometerBasicTuning, 36)
READ_GEN(AfeAccelerometerBasicTuning, 38)
READ_GEN(MagnetometerCalibrationControl, 44)
READ_GEN(CalculatedMagnetometerCalibration, 47)
READ_GEN(VelocityCompensationMeasurement, 50)
READ_GEN(VelocityCompensationControl, 51)
READ_GEN(ImuMeasurements, 54)
READ_GEN(GpsConfiguration, 55)
READ_GEN(GpsAntennaOffset, 57)
READ_GEN(GpsSolutionLla, 58)
READ_GEN(GpsSolutionEcef, 59)
READ_GEN(InsSolutionLla, 63)
READ_GEN(InsSolutionEcef, 64)
READ_GEN(InsBasicConfiguration, 67)
READ_GEN(InsStateLla, 72)
READ_GEN(InsStateEcef, 73)
READ_GEN(StartupFilterBiasEstimate, 74)
READ_GEN(DeltaThetaAndDeltaVelocity, 80)
READ_GEN(DeltaThetaAndDeltaVelocityConfiguration, 82)
READ_GEN(ReferenceVectorConfiguration, 83)
READ_GEN(GyroCompensation, 84)
READ_GEN(ImuFilteringConfiguration, 85)
READ_GEN(GpsCompassBaseline, 93)
READ_GEN(GpsCompassEstimatedBaseline, 97)
READ_GEN(YawPitchRollTrueBodyAccelerationAndAngularRates, 239)
READ_GEN(YawPitchRollTrueInertialAccelerationAndAngularRates, 240)

#undef READ_GEN

// ---------------------------------------------------------------------------
// Write generators: each lists its values in catalogue order for the shared writer.

#define WRITE_ARGS char *buffer, size_t *size, size_t desiredLength, size_t *responseSize
#define WRITE(regId, ...)                                              \
    const void* values[] = {__VA_ARGS__};                              \
    return genWriteRegister(regId, buffer, size, desiredLength, responseSize, values)

AqError AqSpi_genWriteUserTag(WRITE_ARGS, char* tag)
{
    const AqSpiRegister* reg = AqSpiCatalogue_find(0);
    size_t tagLength = strlen(tag);
    // The tag follows the header in the caller's buffer, so all of it must fit.
    if (*size < AQSPI_HEADER_SIZE + tagLength || desiredLength > *size)
    {
        return E_BUFFER_TOO_SMALL;
    }
    *responseSize = reg->frameSize;
    writeHeader(buffer, kCmdWrite, 0);
    memcpy(buffer + AQSPI_HEADER_SIZE, tag, tagLength);
    return E_NONE;
}

AqError AqSpi_genWriteSerialBaudRate(WRITE_ARGS, uint32_t baudrate)
{
    WRITE(5, &baudrate);
}

AqError AqSpi_genWriteAsyncDataOutputType(WRITE_ARGS, uint32_t ador)
{
    WRITE(6, &ador);
}

AqError AqSpi_genWriteAsyncDataOutputFrequency(WRITE_ARGS, uint32_t adof)
{
    WRITE(7, &adof);
}

AqError AqSpi_genWriteMagneticAndGravityReferenceVectors(WRITE_ARGS, vec3f magRef, vec3f accRef)
{
    WRITE(21, &magRef, &accRef);
}

AqError AqSpi_genWriteMagnetometerCompensation(WRITE_ARGS, mat3f c, vec3f b)
{
    WRITE(23, &c, &b);
}

AqError AqSpi_genWriteAccelerationCompensation(WRITE_ARGS, mat3f c, vec3f b)
{
    WRITE(25, &c, &b);
}

AqError AqSpi_genWriteReferenceFrameRotation(WRITE_ARGS, mat3f c)
{
    WRITE(26, &c);
}

AqError AqSpi_genWriteCommunicationProtocolControl(WRITE_ARGS, uint8_t serialCount, uint8_t serialStatus,
                                                   uint8_t spiCount, uint8_t spiStatus, uint8_t serialChecksum,
                                                   uint8_t spiChecksum, uint8_t errorMode)
{
    WRITE(30, &serialCount, &serialStatus, &spiCount, &spiStatus, &serialChecksum, &spiChecksum, &errorMode);
}

AqError AqSpi_genWriteSynchronizationControl(WRITE_ARGS, uint8_t syncInMode, uint8_t syncInEdge,
                                             uint16_t syncInSkipFactor, uint32_t reserved1, uint8_t syncOutMode,
                                             uint8_t syncOutPolarity, uint16_t syncOutSkipFactor,
                                             uint32_t syncOutPulseWidth, uint32_t reserved2)
{
    WRITE(32, &syncInMode, &syncInEdge, &syncInSkipFactor, &reserved1, &syncOutMode, &syncOutPolarity,
          &syncOutSkipFactor, &syncOutPulseWidth, &reserved2);
}

AqError AqSpi_genWriteSynchronizationStatus(WRITE_ARGS, uint32_t syncInCount, uint32_t syncInTime,
                                            uint32_t syncOutCount)
{
    WRITE(33, &syncInCount, &syncInTime, &syncOutCount);
}

AqError AqSpi_genWriteAfeBasicControl(WRITE_ARGS, uint8_t enable, uint8_t headingMode, uint8_t filteringMode,
                                      uint8_t tuningMode)
{
    WRITE(35, &enable, &headingMode, &filteringMode, &tuningMode);
}

AqError AqSpi_genWriteAfeMagnetometerBasicTuning(WRITE_ARGS, vec3f baseTuning, vec3f adaptiveTuning,
                                                 vec3f adaptiveFiltering)
{
    WRITE(36, &baseTuning, &adaptiveTuning, &adaptiveFiltering);
}

AqError AqSpi_genWriteAfeAccelerometerBasicTuning(WRITE_ARGS, vec3f baseTuning, vec3f adaptiveTuning,
                                                  vec3f adaptiveFiltering)
{
    WRITE(38, &baseTuning, &adaptiveTuning, &adaptiveFiltering);
}

AqError AqSpi_genWriteAfeGyroBasicTuning(WRITE_ARGS, vec3f vAngularWalk, vec3f baseTuning, vec3f adaptiveTuning)
{
    WRITE(40, &vAngularWalk, &baseTuning, &adaptiveTuning);
}

AqError AqSpi_genWriteMagnetometerCalibrationControl(WRITE_ARGS, uint8_t hsiMode, uint8_t hsiOutput,
                                                     uint8_t convergeRate)
{
    WRITE(44, &hsiMode, &hsiOutput, &convergeRate);
}

AqError AqSpi_genWriteVelocityCompensationMeasurement(WRITE_ARGS, vec3f velocity)
{
    WRITE(50, &velocity);
}

AqError AqSpi_genWriteVelocityCompensationControl(WRITE_ARGS, uint8_t mode, float velocityTuning, float rateTuning)
{
    WRITE(51, &mode, &velocityTuning, &rateTuning);
}

AqError AqSpi_genWriteGpsConfiguration(WRITE_ARGS, uint8_t mode, uint8_t ppsSource, uint8_t reserved1,
                                       uint8_t reserved2, uint8_t reserved3)
{
    WRITE(55, &mode, &ppsSource, &reserved1, &reserved2, &reserved3);
}

AqError AqSpi_genWriteGpsAntennaOffset(WRITE_ARGS, vec3f position)
{
    WRITE(57, &position);
}

AqError AqSpi_genWriteInsBasicConfiguration(WRITE_ARGS, uint8_t scenario, uint8_t ahrsAiding, uint8_t estBaseline,
                                            uint8_t resv2)
{
    WRITE(67, &scenario, &ahrsAiding, &estBaseline, &resv2);
}

AqError AqSpi_genWriteStartupFilterBiasEstimate(WRITE_ARGS, vec3f gyroBias, vec3f accelBias, float pressureBias)
{
    WRITE(74, &gyroBias, &accelBias, &pressureBias);
}

AqError AqSpi_genWriteDeltaThetaAndDeltaVelocityConfiguration(WRITE_ARGS, uint8_t integrationFrame,
                                                              uint8_t gyroCompensation, uint8_t accelCompensation,
                                                              uint8_t reserved1, uint16_t reserved2)
{
    WRITE(82, &integrationFrame, &gyroCompensation, &accelCompensation, &reserved1, &reserved2);
}

AqError AqSpi_genWriteReferenceVectorConfiguration(WRITE_ARGS, uint8_t useMagModel, uint8_t useGravityModel,
                                                   uint8_t resv1, uint8_t resv2, uint32_t recalcThreshold,
                                                   float year, vec3d position)
{
    WRITE(83, &useMagModel, &useGravityModel, &resv1, &resv2, &recalcThreshold, &year, &position);
}

AqError AqSpi_genWriteGyroCompensation(WRITE_ARGS, mat3f c, vec3f b)
{
    WRITE(84, &c, &b);
}

AqError AqSpi_genWriteImuFilteringConfiguration(WRITE_ARGS, uint16_t magWindowSize, uint16_t accelWindowSize,
                                                uint16_t gyroWindowSize, uint16_t tempWindowSize,
                                                uint16_t presWindowSize, uint8_t magFilterMode,
                                                uint8_t accelFilterMode, uint8_t gyroFilterMode,
                                                uint8_t tempFilterMode, uint8_t presFilterMode)
{
    WRITE(85, &magWindowSize, &accelWindowSize, &gyroWindowSize, &tempWindowSize, &presWindowSize, &magFilterMode,
          &accelFilterMode, &gyroFilterMode, &tempFilterMode, &presFilterMode);
}

AqError AqSpi_genWriteGpsCompassBaseline(WRITE_ARGS, vec3f position, vec3f uncertainty)
{
    WRITE(93, &position, &uncertainty);
}
