// SPI request and response frames of the AQ-9's register protocol.
//
// Request:  byte 0 command (1 read, 2 write, 3 write settings, 4 restore
//           factory settings, 5 tare, 6 reset), byte 1 register (0 for the
//           register-less commands), bytes 2-3 zero, then a write's payload.
// Response: byte 0 zero, byte 1 command echo, byte 2 register echo, byte 3 the
//           sensor's error number (0 = none), payload from byte 4.
// Payloads carry the register's fields in catalogue order, little-endian at
// their natural size and packed, a mat3f in storage order e[0..8]; registers 58,
// 59 and 83 have a 4-byte gap before their position, and the text registers 0,
// 1 and 4 carry a terminated text from byte 4.
//
// Common generator arguments: buffer, size (in: capacity), desiredLength (the
// request length wanted, 0 for none) and responseSize (out: the frame size to
// clock for the response, which for a write is also the request's own size).
// Generators never write past the capacity; a failed call writes nothing.
// Parsers look only at the error byte and the payload: the link checks the
// frame (length, CRC, first byte, echoes) before calling them.
#ifndef AQ_PROTOCOL_SPI_H
#define AQ_PROTOCOL_SPI_H

#include <stddef.h>
#include <stdint.h>

#include "aq/error.h"
#include "aq/util.h"

// ---------------------------------------------------------------------------
// Register-less commands and the generic read

// Command byte, then zeros up to desiredLength; size = desiredLength (1 when 0),
// responseSize = 2.
AqError AqSpi_genGenericCommand(char cmdId, char* buffer, size_t* size, size_t desiredLength, size_t* responseSize);
AqError AqSpi_genWriteSettings(char* buffer, size_t* size, size_t desiredLength, size_t* responseSize);
AqError AqSpi_genRestorFactorySettings(char* buffer, size_t* size, size_t desiredLength, size_t* responseSize);
AqError AqSpi_genTare(char* buffer, size_t* size, size_t desiredLength, size_t* responseSize);
AqError AqSpi_genReset(char* buffer, size_t* size, size_t desiredLength, size_t* responseSize);

// Read request for any register: 1, regId, 0, 0, then zeros up to desiredLength;
// size = the bytes written (at least the 4 header bytes). Sets no response size.
AqError AqSpi_genRead(char* buffer, size_t* size, uint8_t regId, size_t desiredLength);

// ---------------------------------------------------------------------------
// Read generators: responseSize from the frame-size table, then AqSpi_genRead.

#define AQSPI_READ_GEN(name) \
    AqError AqSpi_genRead##name(char* buffer, size_t* size, size_t desiredLength, size_t* responseSize)

AQSPI_READ_GEN(UserTag);
AQSPI_READ_GEN(ModelNumber);
AQSPI_READ_GEN(HardwareRevision);
AQSPI_READ_GEN(SerialNumber);
AQSPI_READ_GEN(FirmwareVersion);
AQSPI_READ_GEN(SerialBaudRate);
AQSPI_READ_GEN(AsyncDataOutputType);
AQSPI_READ_GEN(AsyncDataOutputFrequency);
AQSPI_READ_GEN(YawPitchRoll);
AQSPI_READ_GEN(AttitudeQuaternion);
AQSPI_READ_GEN(QuaternionMagneticAccelerationAndAngularRates);
AQSPI_READ_GEN(MagneticMeasurements);
AQSPI_READ_GEN(AccelerationMeasurements);
AQSPI_READ_GEN(AngularRateMeasurements);
AQSPI_READ_GEN(MagneticAccelerationAndAngularRates);
AQSPI_READ_GEN(MagneticAndGravityReferenceVectors);
AQSPI_READ_GEN(MagnetometerCompensation);
AQSPI_READ_GEN(AccelerationCompensation);
AQSPI_READ_GEN(ReferenceFrameRotation);
AQSPI_READ_GEN(YawPitchRollMagneticAccelerationAndAngularRates);
AQSPI_READ_GEN(CommunicationProtocolControl);
AQSPI_READ_GEN(SynchronizationControl);
AQSPI_READ_GEN(SynchronizationStatus);
AQSPI_READ_GEN(AfeBasicControl);
AQSPI_READ_GEN(AfeMagnetometerBasicTuning);
AQSPI_READ_GEN(AfeAccelerometerBasicTuning);
AQSPI_READ_GEN(MagnetometerCalibrationControl);
AQSPI_READ_GEN(CalculatedMagnetometerCalibration);
AQSPI_READ_GEN(VelocityCompensationMeasurement);
AQSPI_READ_GEN(VelocityCompensationControl);
AQSPI_READ_GEN(ImuMeasurements);
AQSPI_READ_GEN(GpsConfiguration);
AQSPI_READ_GEN(GpsAntennaOffset);
AQSPI_READ_GEN(GpsSolutionLla);
AQSPI_READ_GEN(GpsSolutionEcef);
AQSPI_READ_GEN(InsSolutionLla);
AQSPI_READ_GEN(InsSolutionEcef);
AQSPI_READ_GEN(InsBasicConfiguration);
AQSPI_READ_GEN(InsStateLla);
AQSPI_READ_GEN(InsStateEcef);
AQSPI_READ_GEN(StartupFilterBiasEstimate);
AQSPI_READ_GEN(DeltaThetaAndDeltaVelocity);
AQSPI_READ_GEN(DeltaThetaAndDeltaVelocityConfiguration);
AQSPI_READ_GEN(ReferenceVectorConfiguration);
AQSPI_READ_GEN(GyroCompensation);
AQSPI_READ_GEN(ImuFilteringConfiguration);
AQSPI_READ_GEN(GpsCompassBaseline);
AQSPI_READ_GEN(GpsCompassEstimatedBaseline);
AQSPI_READ_GEN(YawPitchRollTrueBodyAccelerationAndAngularRates);
AQSPI_READ_GEN(YawPitchRollTrueInertialAccelerationAndAngularRates);

#undef AQSPI_READ_GEN

// ---------------------------------------------------------------------------
// Write generators: header 2, register, 0, 0, then the payload; responseSize =
// the frame size, size left as it was. E_BUFFER_TOO_SMALL when the capacity is
// below the frame size or desiredLength exceeds the capacity.

#define AQSPI_WRITE_ARGS char *buffer, size_t *size, size_t desiredLength, size_t *responseSize

// The tag's characters follow the header without their terminator; the capacity
// must hold the header and the whole tag.
AqError AqSpi_genWriteUserTag(AQSPI_WRITE_ARGS, char* tag);
AqError AqSpi_genWriteSerialBaudRate(AQSPI_WRITE_ARGS, uint32_t baudrate);
AqError AqSpi_genWriteAsyncDataOutputType(AQSPI_WRITE_ARGS, uint32_t ador);
AqError AqSpi_genWriteAsyncDataOutputFrequency(AQSPI_WRITE_ARGS, uint32_t adof);
AqError AqSpi_genWriteMagneticAndGravityReferenceVectors(AQSPI_WRITE_ARGS, vec3f magRef, vec3f accRef);
AqError AqSpi_genWriteMagnetometerCompensation(AQSPI_WRITE_ARGS, mat3f c, vec3f b);
AqError AqSpi_genWriteAccelerationCompensation(AQSPI_WRITE_ARGS, mat3f c, vec3f b);
AqError AqSpi_genWriteReferenceFrameRotation(AQSPI_WRITE_ARGS, mat3f c);
AqError AqSpi_genWriteCommunicationProtocolControl(AQSPI_WRITE_ARGS, uint8_t serialCount, uint8_t serialStatus,
                                                   uint8_t spiCount, uint8_t spiStatus, uint8_t serialChecksum,
                                                   uint8_t spiChecksum, uint8_t errorMode);
AqError AqSpi_genWriteSynchronizationControl(AQSPI_WRITE_ARGS, uint8_t syncInMode, uint8_t syncInEdge,
                                             uint16_t syncInSkipFactor, uint32_t reserved1, uint8_t syncOutMode,
                                             uint8_t syncOutPolarity, uint16_t syncOutSkipFactor,
                                             uint32_t syncOutPulseWidth, uint32_t reserved2);
AqError AqSpi_genWriteSynchronizationStatus(AQSPI_WRITE_ARGS, uint32_t syncInCount, uint32_t syncInTime,
                                            uint32_t syncOutCount);
AqError AqSpi_genWriteAfeBasicControl(AQSPI_WRITE_ARGS, uint8_t enable, uint8_t headingMode, uint8_t filteringMode,
                                      uint8_t tuningMode);
AqError AqSpi_genWriteAfeMagnetometerBasicTuning(AQSPI_WRITE_ARGS, vec3f baseTuning, vec3f adaptiveTuning,
                                                 vec3f adaptiveFiltering);
AqError AqSpi_genWriteAfeAccelerometerBasicTuning(AQSPI_WRITE_ARGS, vec3f baseTuning, vec3f adaptiveTuning,
                                                  vec3f adaptiveFiltering);
AqError AqSpi_genWriteAfeGyroBasicTuning(AQSPI_WRITE_ARGS, vec3f vAngularWalk, vec3f baseTuning,
                                         vec3f adaptiveTuning);
AqError AqSpi_genWriteMagnetometerCalibrationControl(AQSPI_WRITE_ARGS, uint8_t hsiMode, uint8_t hsiOutput,
                                                     uint8_t convergeRate);
AqError AqSpi_genWriteVelocityCompensationMeasurement(AQSPI_WRITE_ARGS, vec3f velocity);
AqError AqSpi_genWriteVelocityCompensationControl(AQSPI_WRITE_ARGS, uint8_t mode, float velocityTuning,
                                                  float rateTuning);
AqError AqSpi_genWriteGpsConfiguration(AQSPI_WRITE_ARGS, uint8_t mode, uint8_t ppsSource, uint8_t reserved1,
                                       uint8_t reserved2, uint8_t reserved3);
AqError AqSpi_genWriteGpsAntennaOffset(AQSPI_WRITE_ARGS, vec3f position);
AqError AqSpi_genWriteInsBasicConfiguration(AQSPI_WRITE_ARGS, uint8_t scenario, uint8_t ahrsAiding,
                                            uint8_t estBaseline, uint8_t resv2);
AqError AqSpi_genWriteStartupFilterBiasEstimate(AQSPI_WRITE_ARGS, vec3f gyroBias, vec3f accelBias,
                                                float pressureBias);
AqError AqSpi_genWriteDeltaThetaAndDeltaVelocityConfiguration(AQSPI_WRITE_ARGS, uint8_t integrationFrame,
                                                              uint8_t gyroCompensation, uint8_t accelCompensation,
                                                              uint8_t reserved1, uint16_t reserved2);
// The 4 gap bytes after year are not written.
AqError AqSpi_genWriteReferenceVectorConfiguration(AQSPI_WRITE_ARGS, uint8_t useMagModel, uint8_t useGravityModel,
                                                   uint8_t resv1, uint8_t resv2, uint32_t recalcThreshold,
                                                   float year, vec3d position);
AqError AqSpi_genWriteGyroCompensation(AQSPI_WRITE_ARGS, mat3f c, vec3f b);
AqError AqSpi_genWriteImuFilteringConfiguration(AQSPI_WRITE_ARGS, uint16_t magWindowSize, uint16_t accelWindowSize,
                                                uint16_t gyroWindowSize, uint16_t tempWindowSize,
                                                uint16_t presWindowSize, uint8_t magFilterMode,
                                                uint8_t accelFilterMode, uint8_t gyroFilterMode,
                                                uint8_t tempFilterMode, uint8_t presFilterMode);
AqError AqSpi_genWriteGpsCompassBaseline(AQSPI_WRITE_ARGS, vec3f position, vec3f uncertainty);

#undef AQSPI_WRITE_ARGS

// ---------------------------------------------------------------------------
// Parsers: a set error byte n returns 1000 + n (n signed) and leaves every
// output untouched; otherwise the payload from byte 4 fills the outputs.
// Text parsers copy the text only when it fits with its terminator (else
// E_BUFFER_TOO_SMALL, nothing copied), reading no further than the capacity.

AqError AqSpi_parseUserTag(const char* response, char* tag, size_t tagLength);
AqError AqSpi_parseModelNumber(const char* response, char* productName, size_t productNameLength);
AqError AqSpi_parseHardwareRevision(const char* response, uint32_t* revision);
AqError AqSpi_parseSerialNumber(const char* response, uint32_t* serialNum);
AqError AqSpi_parseFirmwareVersion(const char* response, char* firmwareVersion, size_t firmwareVersionLength);
AqError AqSpi_parseSerialBaudRate(const char* response, uint32_t* baudrate);
AqError AqSpi_parseAsyncDataOutputType(const char* response, uint32_t* ador);
AqError AqSpi_parseAsyncDataOutputFrequency(const char* response, uint32_t* adof);
AqError AqSpi_parseYawPitchRoll(const char* response, vec3f* yawPitchRoll);
AqError AqSpi_parseAttitudeQuaternion(const char* response, vec4f* quat);
AqError AqSpi_parseQuaternionMagneticAccelerationAndAngularRates(const char* response, vec4f* quat, vec3f* mag,
                                                                 vec3f* accel, vec3f* gyro);
AqError AqSpi_parseMagneticMeasurements(const char* response, vec3f* mag);
AqError AqSpi_parseAccelerationMeasurements(const char* response, vec3f* accel);
AqError AqSpi_parseAngularRateMeasurements(const char* response, vec3f* gyro);
AqError AqSpi_parseMagneticAccelerationAndAngularRates(const char* response, vec3f* mag, vec3f* accel, vec3f* gyro);
AqError AqSpi_parseMagneticAndGravityReferenceVectors(const char* response, vec3f* magRef, vec3f* accRef);
AqError AqSpi_parseMagnetometerCompensation(const char* response, mat3f* c, vec3f* b);
AqError AqSpi_parseAccelerationCompensation(const char* response, mat3f* c, vec3f* b);
AqError AqSpi_parseReferenceFrameRotation(const char* response, mat3f* c);
AqError AqSpi_parseYawPitchRollMagneticAccelerationAndAngularRates(const char* response, vec3f* yawPitchRoll,
                                                                   vec3f* mag, vec3f* accel, vec3f* gyro);
AqError AqSpi_parseCommunicationProtocolControl(const char* response, uint8_t* serialCount, uint8_t* serialStatus,
                                                uint8_t* spiCount, uint8_t* spiStatus, uint8_t* serialChecksum,
                                                uint8_t* spiChecksum, uint8_t* errorMode);
AqError AqSpi_parseSynchronizationControl(const char* response, uint8_t* syncInMode, uint8_t* syncInEdge,
                                          uint16_t* syncInSkipFactor, uint32_t* reserved1, uint8_t* syncOutMode,
                                          uint8_t* syncOutPolarity, uint16_t* syncOutSkipFactor,
                                          uint32_t* syncOutPulseWidth, uint32_t* reserved2);
AqError AqSpi_parseSynchronizationStatus(const char* response, uint32_t* syncInCount, uint32_t* syncInTime,
                                         uint32_t* syncOutCount);
AqError AqSpi_parseAfeBasicControl(const char* response, uint8_t* enable, uint8_t* headingMode,
                                   uint8_t* filteringMode, uint8_t* tuningMode);
AqError AqSpi_parseAfeMagnetometerBasicTuning(const char* response, vec3f* baseTuning, vec3f* adaptiveTuning,
                                              vec3f* adaptiveFiltering);
AqError AqSpi_parseAfeAccelerometerBasicTuning(const char* response, vec3f* baseTuning, vec3f* adaptiveTuning,
                                               vec3f* adaptiveFiltering);
AqError AqSpi_parseAfeGyroBasicTuning(const char* response, vec3f* angularWalkVariance, vec3f* baseTuning,
                                      vec3f* adaptiveTuning);
AqError AqSpi_parseMagnetometerCalibrationControl(const char* response, uint8_t* hsiMode, uint8_t* hsiOutput,
                                                  uint8_t* convergeRate);
AqError AqSpi_parseCalculatedMagnetometerCalibration(const char* response, mat3f* c, vec3f* b);
AqError AqSpi_parseVelocityCompensationMeasurement(const char* response, vec3f* velocity);
AqError AqSpi_parseVelocityCompensationControl(const char* response, uint8_t* mode, float* velocityTuning,
                                               float* rateTuning);
AqError AqSpi_parseImuMeasurements(const char* response, vec3f* mag, vec3f* accel, vec3f* gyro, float* temp,
                                   float* pressure);
AqError AqSpi_parseGpsConfiguration(const char* response, uint8_t* mode, uint8_t* ppsSource, uint8_t* reserved1,
                                    uint8_t* reserved2, uint8_t* reserved3);
AqError AqSpi_parseGpsAntennaOffset(const char* response, vec3f* position);
// Position from frame byte 20 (4 gap bytes after numSats).
AqError AqSpi_parseGpsSolutionLla(const char* response, double* time, uint16_t* week, uint8_t* gpsFix,
                                  uint8_t* numSats, vec3d* lla, vec3f* nedVel, vec3f* nedAcc, float* speedAcc,
                                  float* timeAcc);
AqError AqSpi_parseGpsSolutionEcef(const char* response, double* tow, uint16_t* week, uint8_t* gpsFix,
                                   uint8_t* numSats, vec3d* position, vec3f* velocity, vec3f* posAcc,
                                   float* speedAcc, float* timeAcc);
AqError AqSpi_parseInsSolutionLla(const char* response, double* time, uint16_t* week, uint16_t* status,
                                  vec3f* yawPitchRoll, vec3d* position, vec3f* nedVel, float* attUncertainty,
                                  float* posUncertainty, float* velUncertainty);
AqError AqSpi_parseInsSolutionEcef(const char* response, double* time, uint16_t* week, uint16_t* status,
                                   vec3f* yawPitchRoll, vec3d* position, vec3f* velocity, float* attUncertainty,
                                   float* posUncertainty, float* velUncertainty);
AqError AqSpi_parseInsBasicConfiguration(const char* response, uint8_t* scenario, uint8_t* ahrsAiding,
                                         uint8_t* estBaseline, uint8_t* resv2);
AqError AqSpi_parseInsStateLla(const char* response, vec3f* yawPitchRoll, vec3d* position, vec3f* velocity,
                               vec3f* accel, vec3f* angularRate);
AqError AqSpi_parseInsStateEcef(const char* response, vec3f* yawPitchRoll, vec3d* position, vec3f* velocity,
                                vec3f* accel, vec3f* angularRate);
AqError AqSpi_parseStartupFilterBiasEstimate(const char* response, vec3f* gyroBias, vec3f* accelBias,
                                             float* pressureBias);
AqError AqSpi_parseDeltaThetaAndDeltaVelocity(const char* response, float* deltaTime, vec3f* deltaTheta,
                                              vec3f* deltaVelocity);
AqError AqSpi_parseDeltaThetaAndDeltaVelocityConfiguration(const char* response, uint8_t* integrationFrame,
                                                           uint8_t* gyroCompensation, uint8_t* accelCompensation,
                                                           uint8_t* reserved1, uint16_t* reserved2);
// Position from frame byte 20 (4 gap bytes after year).
AqError AqSpi_parseReferenceVectorConfiguration(const char* response, uint8_t* useMagModel,
                                                uint8_t* useGravityModel, uint8_t* resv1, uint8_t* resv2,
                                                uint32_t* recalcThreshold, float* year, vec3d* position);
AqError AqSpi_parseGyroCompensation(const char* response, mat3f* c, vec3f* b);
AqError AqSpi_parseImuFilteringConfiguration(const char* response, uint16_t* magWindowSize,
                                             uint16_t* accelWindowSize, uint16_t* gyroWindowSize,
                                             uint16_t* tempWindowSize, uint16_t* presWindowSize,
                                             uint8_t* magFilterMode, uint8_t* accelFilterMode,
                                             uint8_t* gyroFilterMode, uint8_t* tempFilterMode,
                                             uint8_t* presFilterMode);
AqError AqSpi_parseGpsCompassBaseline(const char* response, vec3f* position, vec3f* uncertainty);
AqError AqSpi_parseGpsCompassEstimatedBaseline(const char* response, uint8_t* estBaselineUsed, uint8_t* resv,
                                               uint16_t* numMeas, vec3f* position, vec3f* uncertainty);
AqError AqSpi_parseYawPitchRollTrueBodyAccelerationAndAngularRates(const char* response, vec3f* yawPitchRoll,
                                                                   vec3f* bodyAccel, vec3f* gyro);
AqError AqSpi_parseYawPitchRollTrueInertialAccelerationAndAngularRates(const char* response, vec3f* yawPitchRoll,
                                                                       vec3f* inertialAccel, vec3f* gyro);

// Registers with parsers only: no number is fixed for them, the payload is read
// from byte 4 in the catalogue's field order.
AqError AqSpi_parseFilterMeasurementsVarianceParameters(const char* response, float* angularWalkVariance,
                                                        vec3f* angularRateVariance, vec3f* magneticVariance,
                                                        vec3f* accelerationVariance);
AqError AqSpi_parseFilterActiveTuningParameters(const char* response, float* magneticDisturbanceGain,
                                                float* accelerationDisturbanceGain,
                                                float* magneticDisturbanceMemory,
                                                float* accelerationDisturbanceMemory);
AqError AqSpi_parseFilterBasicControl(const char* response, uint8_t* magMode, uint8_t* extMagMode,
                                      uint8_t* extAccMode, uint8_t* extGyroMode, vec3f* gyroLimit);
AqError AqSpi_parseAfeMagnetometerAdvancedTuning(const char* response, vec3f* minFiltering, vec3f* maxFiltering,
                                                 float* maxAdaptRate, float* disturbanceWindow, float* maxTuning);
AqError AqSpi_parseAfeAccelerometerAdvancedTuning(const char* response, vec3f* minFiltering, vec3f* maxFiltering,
                                                  float* maxAdaptRate, float* disturbanceWindow, float* maxTuning);
AqError AqSpi_parseFilterStartupGyroBias(const char* response, vec3f* bias);
AqError AqSpi_parseIndoorHeadingModeControl(const char* response, float* maxRateError, uint8_t* reserved1);
AqError AqSpi_parseVelocityCompensationStatus(const char* response, float* x, float* xDot, vec3f* accelOffset,
                                              vec3f* omega);
AqError AqSpi_parseInsAdvancedConfiguration(const char* response, uint8_t* useMag, uint8_t* usePres,
                                            uint8_t* posAtt, uint8_t* velAtt, uint8_t* velBias, uint8_t* useFoam,
                                            uint8_t* gpsCovType, uint8_t* velCount, float* velInit,
                                            float* moveOrigin, float* gpsTimeout, float* deltaLimitPos,
                                            float* deltaLimitVel, float* minPosUncertainty,
                                            float* minVelUncertainty);
AqError AqSpi_parseImuRateConfiguration(const char* response, uint16_t* imuRate, uint16_t* navDivisor,
                                        float* filterTargetRate, float* filterMinRate);

#endif
