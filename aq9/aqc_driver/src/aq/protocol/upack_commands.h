// ASCII commands to the sensor and the parsers of its replies: the check text of
// a command, the read/write generators of every register, the register-less
// commands, the field tokenizer, the register response parsers, the error report
// and the asynchronous sentences.
//
// Generators: (buffer, bufferSize, errorDetectionMode, cmdSize, fields...). Each
// writes one whole command, check text and "\r\n" included, followed by a
// terminator that cmdSize does not count. A command that does not fit
// (terminator included) returns E_BUFFER_TOO_SMALL, leaves cmdSize unchanged and
// leaves buffer[0] a terminator, so nothing in the buffer reads as a command.
//
// Parsers: the sensor's bytes are untrusted. Fields are split in place (the packet
// can be tokenized once) and never read past '*', a carriage return, a line feed
// or a terminator. A field that is not a number becomes 0; a missing field leaves
// its output as it was; text outputs are bounded by their capacity. Numbers are
// decimal ("nan", "inf", hex floats and decimals beyond the type's range read
// as 0, so no field comes out non-finite) except where noted as hex.
#ifndef AQ_PROTOCOL_UPACK_COMMANDS_H
#define AQ_PROTOCOL_UPACK_COMMANDS_H

#include <stddef.h>
#include <stdint.h>

#include "aq/error.h"
#include "aq/protocol/upack.h"
#include "aq/util.h"

// Check text a generated command carries.
typedef enum AqErrorDetectionMode
{
    AQERRORDETECTIONMODE_NONE = 0,     // the literal "XX"
    AQERRORDETECTIONMODE_CHECKSUM = 1, // two hex digits of the 8-bit checksum
    AQERRORDETECTIONMODE_CRC = 2       // four hex digits of the CRC-16
} AqErrorDetectionMode;

// ---------------------------------------------------------------- check text
// Appends "*" + check text + "\r\n" to the *length bytes at packet (which begin
// with '$'); the check covers bytes 1 .. *length-1. An unknown mode gives "XX".
// A terminator follows, not counted. Returns E_BUFFER_TOO_SMALL, touching
// nothing, when the check text, line end and terminator do not fit in capacity.
AqError AqUartPacket_finalizeCommand(AqErrorDetectionMode errorDetectionMode, uint8_t* packet, size_t* length,
                                     size_t capacity);

// Format-driven register write "$AQWRG,<registerId>,..." (register in decimal, no
// leading zero). Format: "S" text, "U1"/"U2" integer (int argument), "U4"
// unsigned 32-bit, "F4"/"F8" floating (double argument, printed ",%f"); U or F
// followed by any other character consumes it and prints nothing; other
// characters are skipped. An unknown mode returns E_NOT_SUPPORTED, buffer and
// cmdSize untouched. Text holding '$', '*', ',', '\r' or '\n' would break the
// sentence (or smuggle in a second command) and returns E_INVALID_VALUE.
AqError AqUartPacket_genWrite(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                              uint16_t registerId, size_t* cmdSize, const char* format, ...);

// ---------------------------------------------------------------- read generators
// "$AQRRG,<nn>" with the register number, two digits at least, then check text.
// Register 0.
AqError AqUartPacket_genReadUserTag(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                    size_t* cmdSize);
// Register 1.
AqError AqUartPacket_genReadModelNumber(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                        size_t* cmdSize);
// Register 2.
AqError AqUartPacket_genReadHardwareRevision(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                             size_t* cmdSize);
// Register 3.
AqError AqUartPacket_genReadSerialNumber(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                         size_t* cmdSize);
// Register 4.
AqError AqUartPacket_genReadFirmwareVersion(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                            size_t* cmdSize);
// Register 5.
AqError AqUartPacket_genReadSerialBaudRate(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                           size_t* cmdSize);
// Register 6.
AqError AqUartPacket_genReadAsyncDataOutputType(char* buffer, size_t bufferSize,
                                                AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 7.
AqError AqUartPacket_genReadAsyncDataOutputFrequency(char* buffer, size_t bufferSize,
                                                     AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 8.
AqError AqUartPacket_genReadYawPitchRoll(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                         size_t* cmdSize);
// Register 9.
AqError AqUartPacket_genReadAttitudeQuaternion(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                               size_t* cmdSize);
// Register 15.
AqError AqUartPacket_genReadQuaternionMagneticAccelerationAndAngularRates(char* buffer, size_t bufferSize,
                                                                          AqErrorDetectionMode errorDetectionMode,
                                                                          size_t* cmdSize);
// Register 17.
AqError AqUartPacket_genReadMagneticMeasurements(char* buffer, size_t bufferSize,
                                                 AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 18.
AqError AqUartPacket_genReadAccelerationMeasurements(char* buffer, size_t bufferSize,
                                                     AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 19.
AqError AqUartPacket_genReadAngularRateMeasurements(char* buffer, size_t bufferSize,
                                                    AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 20.
AqError AqUartPacket_genReadMagneticAccelerationAndAngularRates(char* buffer, size_t bufferSize,
                                                                AqErrorDetectionMode errorDetectionMode,
                                                                size_t* cmdSize);
// Register 21.
AqError AqUartPacket_genReadMagneticAndGravityReferenceVectors(char* buffer, size_t bufferSize,
                                                               AqErrorDetectionMode errorDetectionMode,
                                                               size_t* cmdSize);
// Register 23.
AqError AqUartPacket_genReadMagnetometerCompensation(char* buffer, size_t bufferSize,
                                                     AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 25.
AqError AqUartPacket_genReadAccelerationCompensation(char* buffer, size_t bufferSize,
                                                     AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 26.
AqError AqUartPacket_genReadReferenceFrameRotation(char* buffer, size_t bufferSize,
                                                   AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 27.
AqError AqUartPacket_genReadYawPitchRollMagneticAccelerationAndAngularRates(char* buffer, size_t bufferSize,
                                                                            AqErrorDetectionMode errorDetectionMode,
                                                                            size_t* cmdSize);
// Register 30.
AqError AqUartPacket_genReadCommunicationProtocolControl(char* buffer, size_t bufferSize,
                                                         AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 32.
AqError AqUartPacket_genReadSynchronizationControl(char* buffer, size_t bufferSize,
                                                   AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 33.
AqError AqUartPacket_genReadSynchronizationStatus(char* buffer, size_t bufferSize,
                                                  AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 35.
AqError AqUartPacket_genReadAfeBasicControl(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                            size_t* cmdSize);
// Register 36.
AqError AqUartPacket_genReadAfeMagnetometerBasicTuning(char* buffer, size_t bufferSize,
                                                       AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 38.
AqError AqUartPacket_genReadAfeAccelerometerBasicTuning(char* buffer, size_t bufferSize,
                                                        AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 44.
AqError AqUartPacket_genReadMagnetometerCalibrationControl(char* buffer, size_t bufferSize,
                                                           AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 47.
AqError AqUartPacket_genReadCalculatedMagnetometerCalibration(char* buffer, size_t bufferSize,
                                                              AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 50.
AqError AqUartPacket_genReadVelocityCompensationMeasurement(char* buffer, size_t bufferSize,
                                                            AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 51.
AqError AqUartPacket_genReadVelocityCompensationControl(char* buffer, size_t bufferSize,
                                                        AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 54.
AqError AqUartPacket_genReadImuMeasurements(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                            size_t* cmdSize);
// Register 55.
AqError AqUartPacket_genReadGpsConfiguration(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                             size_t* cmdSize);
// Register 57.
AqError AqUartPacket_genReadGpsAntennaOffset(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                             size_t* cmdSize);
// Register 58.
AqError AqUartPacket_genReadGpsSolutionLla(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                           size_t* cmdSize);
// Register 59.
AqError AqUartPacket_genReadGpsSolutionEcef(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                            size_t* cmdSize);
// Register 63.
AqError AqUartPacket_genReadInsSolutionLla(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                           size_t* cmdSize);
// Register 64.
AqError AqUartPacket_genReadInsSolutionEcef(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                            size_t* cmdSize);
// Register 67.
AqError AqUartPacket_genReadInsBasicConfiguration(char* buffer, size_t bufferSize,
                                                  AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 72.
AqError AqUartPacket_genReadInsStateLla(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                        size_t* cmdSize);
// Register 73.
AqError AqUartPacket_genReadInsStateEcef(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                         size_t* cmdSize);
// Register 74.
AqError AqUartPacket_genReadStartupFilterBiasEstimate(char* buffer, size_t bufferSize,
                                                      AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 75.
AqError AqUartPacket_genReadBinaryOutput1(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                          size_t* cmdSize);
// Register 76.
AqError AqUartPacket_genReadBinaryOutput2(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                          size_t* cmdSize);
// Register 77.
AqError AqUartPacket_genReadBinaryOutput3(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                          size_t* cmdSize);
// Register 80.
AqError AqUartPacket_genReadDeltaThetaAndDeltaVelocity(char* buffer, size_t bufferSize,
                                                       AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 82.
AqError AqUartPacket_genReadDeltaThetaAndDeltaVelocityConfiguration(char* buffer, size_t bufferSize,
                                                                    AqErrorDetectionMode errorDetectionMode,
                                                                    size_t* cmdSize);
// Register 83.
AqError AqUartPacket_genReadReferenceVectorConfiguration(char* buffer, size_t bufferSize,
                                                         AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 84.
AqError AqUartPacket_genReadGyroCompensation(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                             size_t* cmdSize);
// Register 85.
AqError AqUartPacket_genReadImuFilteringConfiguration(char* buffer, size_t bufferSize,
                                                      AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 93.
AqError AqUartPacket_genReadGpsCompassBaseline(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                               size_t* cmdSize);
// Register 97.
AqError AqUartPacket_genReadGpsCompassEstimatedBaseline(char* buffer, size_t bufferSize,
                                                        AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// Register 239.
AqError AqUartPacket_genReadYawPitchRollTrueBodyAccelerationAndAngularRates(char* buffer, size_t bufferSize,
                                                                            AqErrorDetectionMode errorDetectionMode,
                                                                            size_t* cmdSize);
// Register 240.
AqError AqUartPacket_genReadYawPitchRollTrueInertialAccelerationAndAngularRates(char* buffer, size_t bufferSize,
                                                                                AqErrorDetectionMode errorDetectionMode,
                                                                                size_t* cmdSize);

// ---------------------------------------------------------------- write generators
// "$AQWRG,44,1,3,5*XX": the register number without leading zero, then the
// fields in order (vectors by component, ",%f" floats). Through
// AqUartPacket_genWrite, so an unknown mode returns E_NOT_SUPPORTED.
// The tag may not hold '$', '*', ',' or a line end (E_INVALID_VALUE).
AqError AqUartPacket_genWriteUserTag(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                     size_t* cmdSize, const char* tag);
AqError AqUartPacket_genWriteSerialBaudRate(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                            size_t* cmdSize, uint32_t baudrate);
// The _with_options members send the same command as the plain ones.
AqError AqUartPacket_genWriteSerialBaudRate_with_options(char* buffer, size_t bufferSize,
                                                         AqErrorDetectionMode errorDetectionMode, size_t* cmdSize,
                                                         uint32_t baudrate);
AqError AqUartPacket_genWriteAsyncDataOutputType(char* buffer, size_t bufferSize,
                                                 AqErrorDetectionMode errorDetectionMode, size_t* cmdSize,
                                                 uint32_t ador);
AqError AqUartPacket_genWriteAsyncDataOutputType_with_options(char* buffer, size_t bufferSize,
                                                              AqErrorDetectionMode errorDetectionMode, size_t* cmdSize,
                                                              uint32_t ador);
AqError AqUartPacket_genWriteAsyncDataOutputFrequency(char* buffer, size_t bufferSize,
                                                      AqErrorDetectionMode errorDetectionMode, size_t* cmdSize,
                                                      uint32_t adof);
AqError AqUartPacket_genWriteAsyncDataOutputFrequency_with_options(char* buffer, size_t bufferSize,
                                                                   AqErrorDetectionMode errorDetectionMode,
                                                                   size_t* cmdSize, uint32_t adof);
AqError AqUartPacket_genWriteMagneticAndGravityReferenceVectors(char* buffer, size_t bufferSize,
                                                                AqErrorDetectionMode errorDetectionMode,
                                                                size_t* cmdSize, vec3f magRef, vec3f accRef);
// A matrix is sent row by row: e[0], e[3], e[6], e[1], e[4], e[7], e[2], e[5], e[8].
AqError AqUartPacket_genWriteMagnetometerCompensation(char* buffer, size_t bufferSize,
                                                      AqErrorDetectionMode errorDetectionMode, size_t* cmdSize, mat3f c,
                                                      vec3f b);
AqError AqUartPacket_genWriteAccelerationCompensation(char* buffer, size_t bufferSize,
                                                      AqErrorDetectionMode errorDetectionMode, size_t* cmdSize, mat3f c,
                                                      vec3f b);
AqError AqUartPacket_genWriteReferenceFrameRotation(char* buffer, size_t bufferSize,
                                                    AqErrorDetectionMode errorDetectionMode, size_t* cmdSize, mat3f c);
AqError AqUartPacket_genWriteCommunicationProtocolControl(char* buffer, size_t bufferSize,
                                                          AqErrorDetectionMode errorDetectionMode, size_t* cmdSize,
                                                          uint8_t serialCount, uint8_t serialStatus, uint8_t spiCount,
                                                          uint8_t spiStatus, uint8_t serialChecksum,
                                                          uint8_t spiChecksum, uint8_t errorMode);
AqError AqUartPacket_genWriteSynchronizationControl(char* buffer, size_t bufferSize,
                                                    AqErrorDetectionMode errorDetectionMode, size_t* cmdSize,
                                                    uint8_t syncInMode, uint8_t syncInEdge, uint16_t syncInSkipFactor,
                                                    uint32_t reserved1, uint8_t syncOutMode, uint8_t syncOutPolarity,
                                                    uint16_t syncOutSkipFactor, uint32_t syncOutPulseWidth,
                                                    uint32_t reserved2);
AqError AqUartPacket_genWriteSynchronizationStatus(char* buffer, size_t bufferSize,
                                                   AqErrorDetectionMode errorDetectionMode, size_t* cmdSize,
                                                   uint32_t syncInCount, uint32_t syncInTime, uint32_t syncOutCount);
AqError AqUartPacket_genWriteAfeBasicControl(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                             size_t* cmdSize, uint8_t enable, uint8_t headingMode,
                                             uint8_t filteringMode, uint8_t tuningMode);
AqError AqUartPacket_genWriteAfeMagnetometerBasicTuning(char* buffer, size_t bufferSize,
                                                        AqErrorDetectionMode errorDetectionMode, size_t* cmdSize,
                                                        vec3f baseTuning, vec3f adaptiveTuning,
                                                        vec3f adaptiveFiltering);
AqError AqUartPacket_genWriteAfeAccelerometerBasicTuning(char* buffer, size_t bufferSize,
                                                         AqErrorDetectionMode errorDetectionMode, size_t* cmdSize,
                                                         vec3f baseTuning, vec3f adaptiveTuning,
                                                         vec3f adaptiveFiltering);
AqError AqUartPacket_genWriteAfeGyroBasicTuning(char* buffer, size_t bufferSize,
                                                AqErrorDetectionMode errorDetectionMode, size_t* cmdSize,
                                                vec3f vAngularWalk, vec3f baseTuning, vec3f adaptiveTuning);
AqError AqUartPacket_genWriteMagnetometerCalibrationControl(char* buffer, size_t bufferSize,
                                                            AqErrorDetectionMode errorDetectionMode, size_t* cmdSize,
                                                            uint8_t hsiMode, uint8_t hsiOutput, uint8_t convergeRate);
AqError AqUartPacket_genWriteVelocityCompensationMeasurement(char* buffer, size_t bufferSize,
                                                             AqErrorDetectionMode errorDetectionMode, size_t* cmdSize,
                                                             vec3f velocity);
AqError AqUartPacket_genWriteVelocityCompensationControl(char* buffer, size_t bufferSize,
                                                         AqErrorDetectionMode errorDetectionMode, size_t* cmdSize,
                                                         uint8_t mode, float velocityTuning, float rateTuning);
AqError AqUartPacket_genWriteGpsConfiguration(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                              size_t* cmdSize, uint8_t mode, uint8_t ppsSource, uint8_t reserved1,
                                              uint8_t reserved2, uint8_t reserved3);
AqError AqUartPacket_genWriteGpsAntennaOffset(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                              size_t* cmdSize, vec3f position);
AqError AqUartPacket_genWriteInsBasicConfiguration(char* buffer, size_t bufferSize,
                                                   AqErrorDetectionMode errorDetectionMode, size_t* cmdSize,
                                                   uint8_t scenario, uint8_t ahrsAiding, uint8_t estBaseline,
                                                   uint8_t resv2);
AqError AqUartPacket_genWriteStartupFilterBiasEstimate(char* buffer, size_t bufferSize,
                                                       AqErrorDetectionMode errorDetectionMode, size_t* cmdSize,
                                                       vec3f gyroBias, vec3f accelBias, float pressureBias);
AqError AqUartPacket_genWriteDeltaThetaAndDeltaVelocityConfiguration(
    char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode, size_t* cmdSize, uint8_t integrationFrame,
    uint8_t gyroCompensation, uint8_t accelCompensation, uint8_t reserved1, uint16_t reserved2);
AqError AqUartPacket_genWriteReferenceVectorConfiguration(char* buffer, size_t bufferSize,
                                                          AqErrorDetectionMode errorDetectionMode, size_t* cmdSize,
                                                          uint8_t useMagModel, uint8_t useGravityModel, uint8_t resv1,
                                                          uint8_t resv2, uint32_t recalcThreshold, float year,
                                                          vec3d position);
AqError AqUartPacket_genWriteGyroCompensation(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                              size_t* cmdSize, mat3f c, vec3f b);
AqError AqUartPacket_genWriteImuFilteringConfiguration(char* buffer, size_t bufferSize,
                                                       AqErrorDetectionMode errorDetectionMode, size_t* cmdSize,
                                                       uint16_t magWindowSize, uint16_t accelWindowSize,
                                                       uint16_t gyroWindowSize, uint16_t tempWindowSize,
                                                       uint16_t presWindowSize, uint8_t magFilterMode,
                                                       uint8_t accelFilterMode, uint8_t gyroFilterMode,
                                                       uint8_t tempFilterMode, uint8_t presFilterMode);
AqError AqUartPacket_genWriteGpsCompassBaseline(char* buffer, size_t bufferSize,
                                                AqErrorDetectionMode errorDetectionMode, size_t* cmdSize,
                                                vec3f position, vec3f uncertainty);

// Binary output registers 75-77: "$AQWRG,<74+n>,asyncMode,rateDivisor,<groups hex>"
// then ",<field hex>" for each non-zero group field, common first, GPS2 last.
// The shared body refuses an output number outside 1-3 with E_INVALID_VALUE:
// any other number would address an unrelated register.
AqError AqUartPacket_genWriteBinaryOutput(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                          size_t* cmdSize, uint8_t binaryOutputNumber, uint16_t asyncMode,
                                          uint16_t rateDivisor, uint16_t commonField, uint16_t timeField,
                                          uint16_t imuField, uint16_t gpsField, uint16_t attitudeField,
                                          uint16_t insField, uint16_t gps2Field);
AqError AqUartPacket_genWriteBinaryOutput1(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                           size_t* cmdSize, uint16_t asyncMode, uint16_t rateDivisor,
                                           uint16_t commonField, uint16_t timeField, uint16_t imuField,
                                           uint16_t gpsField, uint16_t attitudeField, uint16_t insField,
                                           uint16_t gps2Field);
AqError AqUartPacket_genWriteBinaryOutput2(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                           size_t* cmdSize, uint16_t asyncMode, uint16_t rateDivisor,
                                           uint16_t commonField, uint16_t timeField, uint16_t imuField,
                                           uint16_t gpsField, uint16_t attitudeField, uint16_t insField,
                                           uint16_t gps2Field);
AqError AqUartPacket_genWriteBinaryOutput3(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                           size_t* cmdSize, uint16_t asyncMode, uint16_t rateDivisor,
                                           uint16_t commonField, uint16_t timeField, uint16_t imuField,
                                           uint16_t gpsField, uint16_t attitudeField, uint16_t insField,
                                           uint16_t gps2Field);

// ---------------------------------------------------------------- register-less commands
// "$AQWNV": save settings
AqError AqUartPacket_genCmdWriteSettings(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                         size_t* cmdSize);
// "$AQRFS"
AqError AqUartPacket_genCmdRestoreFactorySettings(char* buffer, size_t bufferSize,
                                                  AqErrorDetectionMode errorDetectionMode, size_t* cmdSize);
// "$AQRST"
AqError AqUartPacket_genCmdReset(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                 size_t* cmdSize);
// "$AQTAR"
AqError AqUartPacket_genCmdTare(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                size_t* cmdSize);
// "$AQSGB"
AqError AqUartPacket_genCmdSetGyroBias(char* buffer, size_t bufferSize, AqErrorDetectionMode errorDetectionMode,
                                       size_t* cmdSize);
// "$AQKMD,1" when disturbancePresent is non-zero, else "$AQKMD,0".
AqError AqUartPacket_genCmdKnownMagneticDisturbance(char* buffer, size_t bufferSize,
                                                    AqErrorDetectionMode errorDetectionMode, int8_t disturbancePresent,
                                                    size_t* cmdSize);
// "$AQKAD,1" / "$AQKAD,0" likewise.
AqError AqUartPacket_genCmdKnownAccelerationDisturbance(char* buffer, size_t bufferSize,
                                                        AqErrorDetectionMode errorDetectionMode,
                                                        int8_t disturbancePresent, size_t* cmdSize);

// ---------------------------------------------------------------- field tokenizer
// The cursor (index) is the caller's, kept between calls. Each call returns the
// next field, terminated in place, or NULL when there is none. A field ends at
// ',' or, as the last one, at '*', a line end or a terminator; after the last
// field the cursor rests on the end of the list, so every further request
// returns NULL.

// First field after the 7-byte header "$AQxxx,"; NULL when the header is short
// or carries no field list.
char* AqUartPacket_startAsciiPacketParse(uint8_t* packetStart, size_t* index);
// As above, skipping a response's register-number field.
char* AqUartPacket_startAsciiResponsePacketParse(uint8_t* packetStart, size_t* index);
char* AqUartPacket_getNextData(uint8_t* str, size_t* startIndex);
char* aqstrtok(uint8_t* str, size_t* startIndex);

// ---------------------------------------------------------------- error report
// "$AQERR,0C*XX": the sensor's error number (hex) into error; 0 when absent.
void AqUartPacket_parseError(AqUartPacket* packet, uint8_t* error);
void AqUartPacket_parseErrorRaw(uint8_t* packet, uint8_t* error);

// ---------------------------------------------------------------- register responses
// Each register has a parser over the packet view and a Raw twin over its bytes.
// Each returns true when the reply carried every field of its register; a short
// reply fills the fields it has, leaves the rest as they were and returns false,
// and the caller must not take it as the register's value. Text registers copy
// at most capacity-1 characters and always terminate (when capacity > 0); no
// text field gives the empty text (and false).
bool AqUartPacket_parseUserTag(AqUartPacket* packet, char* tag, size_t tagLength);
bool AqUartPacket_parseUserTagRaw(char* packet, char* tag, size_t tagLength);
bool AqUartPacket_parseModelNumber(AqUartPacket* packet, char* productName, size_t productNameLength);
bool AqUartPacket_parseModelNumberRaw(char* packet, char* productName, size_t productNameLength);
bool AqUartPacket_parseHardwareRevision(AqUartPacket* packet, uint32_t* revision);
bool AqUartPacket_parseHardwareRevisionRaw(char* packet, uint32_t* revision);
bool AqUartPacket_parseSerialNumber(AqUartPacket* packet, uint32_t* serialNum);
bool AqUartPacket_parseSerialNumberRaw(char* packet, uint32_t* serialNum);
bool AqUartPacket_parseFirmwareVersion(AqUartPacket* packet, char* firmwareVersion, size_t firmwareVersionLength);
bool AqUartPacket_parseFirmwareVersionRaw(char* packet, char* firmwareVersion, size_t firmwareVersionLength);
bool AqUartPacket_parseSerialBaudRate(AqUartPacket* packet, uint32_t* baudrate);
bool AqUartPacket_parseSerialBaudRateRaw(char* packet, uint32_t* baudrate);
bool AqUartPacket_parseAsyncDataOutputType(AqUartPacket* packet, uint32_t* ador);
bool AqUartPacket_parseAsyncDataOutputTypeRaw(char* packet, uint32_t* ador);
bool AqUartPacket_parseAsyncDataOutputFrequency(AqUartPacket* packet, uint32_t* adof);
bool AqUartPacket_parseAsyncDataOutputFrequencyRaw(char* packet, uint32_t* adof);
bool AqUartPacket_parseYawPitchRoll(AqUartPacket* packet, vec3f* yawPitchRoll);
bool AqUartPacket_parseYawPitchRollRaw(char* packet, vec3f* yawPitchRoll);
bool AqUartPacket_parseAttitudeQuaternion(AqUartPacket* packet, vec4f* quat);
bool AqUartPacket_parseAttitudeQuaternionRaw(char* packet, vec4f* quat);
bool AqUartPacket_parseQuaternionMagneticAccelerationAndAngularRates(AqUartPacket* packet, vec4f* quat, vec3f* mag,
                                                                     vec3f* accel, vec3f* gyro);
bool AqUartPacket_parseQuaternionMagneticAccelerationAndAngularRatesRaw(char* packet, vec4f* quat, vec3f* mag,
                                                                        vec3f* accel, vec3f* gyro);
bool AqUartPacket_parseMagneticMeasurements(AqUartPacket* packet, vec3f* mag);
bool AqUartPacket_parseMagneticMeasurementsRaw(char* packet, vec3f* mag);
bool AqUartPacket_parseAccelerationMeasurements(AqUartPacket* packet, vec3f* accel);
bool AqUartPacket_parseAccelerationMeasurementsRaw(char* packet, vec3f* accel);
bool AqUartPacket_parseAngularRateMeasurements(AqUartPacket* packet, vec3f* gyro);
bool AqUartPacket_parseAngularRateMeasurementsRaw(char* packet, vec3f* gyro);
bool AqUartPacket_parseMagneticAccelerationAndAngularRates(AqUartPacket* packet, vec3f* mag, vec3f* accel, vec3f* gyro);
bool AqUartPacket_parseMagneticAccelerationAndAngularRatesRaw(char* packet, vec3f* mag, vec3f* accel, vec3f* gyro);
bool AqUartPacket_parseMagneticAndGravityReferenceVectors(AqUartPacket* packet, vec3f* magRef, vec3f* accRef);
bool AqUartPacket_parseMagneticAndGravityReferenceVectorsRaw(char* packet, vec3f* magRef, vec3f* accRef);
bool AqUartPacket_parseMagnetometerCompensation(AqUartPacket* packet, mat3f* c, vec3f* b);
bool AqUartPacket_parseMagnetometerCompensationRaw(char* packet, mat3f* c, vec3f* b);
bool AqUartPacket_parseAccelerationCompensation(AqUartPacket* packet, mat3f* c, vec3f* b);
bool AqUartPacket_parseAccelerationCompensationRaw(char* packet, mat3f* c, vec3f* b);
bool AqUartPacket_parseReferenceFrameRotation(AqUartPacket* packet, mat3f* c);
bool AqUartPacket_parseReferenceFrameRotationRaw(char* packet, mat3f* c);
bool AqUartPacket_parseYawPitchRollMagneticAccelerationAndAngularRates(AqUartPacket* packet, vec3f* yawPitchRoll,
                                                                       vec3f* mag, vec3f* accel, vec3f* gyro);
bool AqUartPacket_parseYawPitchRollMagneticAccelerationAndAngularRatesRaw(char* packet, vec3f* yawPitchRoll, vec3f* mag,
                                                                          vec3f* accel, vec3f* gyro);
bool AqUartPacket_parseCommunicationProtocolControl(AqUartPacket* packet, uint8_t* serialCount, uint8_t* serialStatus,
                                                    uint8_t* spiCount, uint8_t* spiStatus, uint8_t* serialChecksum,
                                                    uint8_t* spiChecksum, uint8_t* errorMode);
bool AqUartPacket_parseCommunicationProtocolControlRaw(char* packet, uint8_t* serialCount, uint8_t* serialStatus,
                                                       uint8_t* spiCount, uint8_t* spiStatus, uint8_t* serialChecksum,
                                                       uint8_t* spiChecksum, uint8_t* errorMode);
bool AqUartPacket_parseSynchronizationControl(AqUartPacket* packet, uint8_t* syncInMode, uint8_t* syncInEdge,
                                              uint16_t* syncInSkipFactor, uint32_t* reserved1, uint8_t* syncOutMode,
                                              uint8_t* syncOutPolarity, uint16_t* syncOutSkipFactor,
                                              uint32_t* syncOutPulseWidth, uint32_t* reserved2);
bool AqUartPacket_parseSynchronizationControlRaw(char* packet, uint8_t* syncInMode, uint8_t* syncInEdge,
                                                 uint16_t* syncInSkipFactor, uint32_t* reserved1, uint8_t* syncOutMode,
                                                 uint8_t* syncOutPolarity, uint16_t* syncOutSkipFactor,
                                                 uint32_t* syncOutPulseWidth, uint32_t* reserved2);
bool AqUartPacket_parseSynchronizationStatus(AqUartPacket* packet, uint32_t* syncInCount, uint32_t* syncInTime,
                                             uint32_t* syncOutCount);
bool AqUartPacket_parseSynchronizationStatusRaw(char* packet, uint32_t* syncInCount, uint32_t* syncInTime,
                                                uint32_t* syncOutCount);
bool AqUartPacket_parseAfeBasicControl(AqUartPacket* packet, uint8_t* enable, uint8_t* headingMode,
                                       uint8_t* filteringMode, uint8_t* tuningMode);
bool AqUartPacket_parseAfeBasicControlRaw(char* packet, uint8_t* enable, uint8_t* headingMode, uint8_t* filteringMode,
                                          uint8_t* tuningMode);
bool AqUartPacket_parseAfeMagnetometerBasicTuning(AqUartPacket* packet, vec3f* baseTuning, vec3f* adaptiveTuning,
                                                  vec3f* adaptiveFiltering);
bool AqUartPacket_parseAfeMagnetometerBasicTuningRaw(char* packet, vec3f* baseTuning, vec3f* adaptiveTuning,
                                                     vec3f* adaptiveFiltering);
bool AqUartPacket_parseAfeAccelerometerBasicTuning(AqUartPacket* packet, vec3f* baseTuning, vec3f* adaptiveTuning,
                                                   vec3f* adaptiveFiltering);
bool AqUartPacket_parseAfeAccelerometerBasicTuningRaw(char* packet, vec3f* baseTuning, vec3f* adaptiveTuning,
                                                      vec3f* adaptiveFiltering);
bool AqUartPacket_parseAfeGyroBasicTuning(AqUartPacket* packet, vec3f* angularWalkVariance, vec3f* baseTuning,
                                          vec3f* adaptiveTuning);
bool AqUartPacket_parseAfeGyroBasicTuningRaw(char* packet, vec3f* angularWalkVariance, vec3f* baseTuning,
                                             vec3f* adaptiveTuning);
bool AqUartPacket_parseMagnetometerCalibrationControl(AqUartPacket* packet, uint8_t* hsiMode, uint8_t* hsiOutput,
                                                      uint8_t* convergeRate);
bool AqUartPacket_parseMagnetometerCalibrationControlRaw(char* packet, uint8_t* hsiMode, uint8_t* hsiOutput,
                                                         uint8_t* convergeRate);
bool AqUartPacket_parseCalculatedMagnetometerCalibration(AqUartPacket* packet, mat3f* c, vec3f* b);
bool AqUartPacket_parseCalculatedMagnetometerCalibrationRaw(char* packet, mat3f* c, vec3f* b);
bool AqUartPacket_parseVelocityCompensationMeasurement(AqUartPacket* packet, vec3f* velocity);
bool AqUartPacket_parseVelocityCompensationMeasurementRaw(char* packet, vec3f* velocity);
bool AqUartPacket_parseVelocityCompensationControl(AqUartPacket* packet, uint8_t* mode, float* velocityTuning,
                                                   float* rateTuning);
bool AqUartPacket_parseVelocityCompensationControlRaw(char* packet, uint8_t* mode, float* velocityTuning,
                                                      float* rateTuning);
bool AqUartPacket_parseImuMeasurements(AqUartPacket* packet, vec3f* mag, vec3f* accel, vec3f* gyro, float* temp,
                                       float* pressure);
bool AqUartPacket_parseImuMeasurementsRaw(char* packet, vec3f* mag, vec3f* accel, vec3f* gyro, float* temp,
                                          float* pressure);
bool AqUartPacket_parseGpsConfiguration(AqUartPacket* packet, uint8_t* mode, uint8_t* ppsSource, uint8_t* reserved1,
                                        uint8_t* reserved2, uint8_t* reserved3);
bool AqUartPacket_parseGpsConfigurationRaw(char* packet, uint8_t* mode, uint8_t* ppsSource, uint8_t* reserved1,
                                           uint8_t* reserved2, uint8_t* reserved3);
bool AqUartPacket_parseGpsAntennaOffset(AqUartPacket* packet, vec3f* position);
bool AqUartPacket_parseGpsAntennaOffsetRaw(char* packet, vec3f* position);
bool AqUartPacket_parseGpsSolutionLla(AqUartPacket* packet, double* time, uint16_t* week, uint8_t* gpsFix,
                                      uint8_t* numSats, vec3d* lla, vec3f* nedVel, vec3f* nedAcc, float* speedAcc,
                                      float* timeAcc);
bool AqUartPacket_parseGpsSolutionLlaRaw(char* packet, double* time, uint16_t* week, uint8_t* gpsFix, uint8_t* numSats,
                                         vec3d* lla, vec3f* nedVel, vec3f* nedAcc, float* speedAcc, float* timeAcc);
bool AqUartPacket_parseGpsSolutionEcef(AqUartPacket* packet, double* tow, uint16_t* week, uint8_t* gpsFix,
                                       uint8_t* numSats, vec3d* position, vec3f* velocity, vec3f* posAcc,
                                       float* speedAcc, float* timeAcc);
bool AqUartPacket_parseGpsSolutionEcefRaw(char* packet, double* tow, uint16_t* week, uint8_t* gpsFix, uint8_t* numSats,
                                          vec3d* position, vec3f* velocity, vec3f* posAcc, float* speedAcc,
                                          float* timeAcc);
// status is hexadecimal text.
bool AqUartPacket_parseInsSolutionLla(AqUartPacket* packet, double* time, uint16_t* week, uint16_t* status,
                                      vec3f* yawPitchRoll, vec3d* position, vec3f* nedVel, float* attUncertainty,
                                      float* posUncertainty, float* velUncertainty);
bool AqUartPacket_parseInsSolutionLlaRaw(char* packet, double* time, uint16_t* week, uint16_t* status,
                                         vec3f* yawPitchRoll, vec3d* position, vec3f* nedVel, float* attUncertainty,
                                         float* posUncertainty, float* velUncertainty);
bool AqUartPacket_parseInsSolutionEcef(AqUartPacket* packet, double* time, uint16_t* week, uint16_t* status,
                                       vec3f* yawPitchRoll, vec3d* position, vec3f* velocity, float* attUncertainty,
                                       float* posUncertainty, float* velUncertainty);
bool AqUartPacket_parseInsSolutionEcefRaw(char* packet, double* time, uint16_t* week, uint16_t* status,
                                          vec3f* yawPitchRoll, vec3d* position, vec3f* velocity, float* attUncertainty,
                                          float* posUncertainty, float* velUncertainty);
bool AqUartPacket_parseInsBasicConfiguration(AqUartPacket* packet, uint8_t* scenario, uint8_t* ahrsAiding,
                                             uint8_t* estBaseline, uint8_t* resv2);
bool AqUartPacket_parseInsBasicConfigurationRaw(char* packet, uint8_t* scenario, uint8_t* ahrsAiding,
                                                uint8_t* estBaseline, uint8_t* resv2);
bool AqUartPacket_parseInsStateLla(AqUartPacket* packet, vec3f* yawPitchRoll, vec3d* position, vec3f* velocity,
                                   vec3f* accel, vec3f* angularRate);
bool AqUartPacket_parseInsStateLlaRaw(char* packet, vec3f* yawPitchRoll, vec3d* position, vec3f* velocity, vec3f* accel,
                                      vec3f* angularRate);
bool AqUartPacket_parseInsStateEcef(AqUartPacket* packet, vec3f* yawPitchRoll, vec3d* position, vec3f* velocity,
                                    vec3f* accel, vec3f* angularRate);
bool AqUartPacket_parseInsStateEcefRaw(char* packet, vec3f* yawPitchRoll, vec3d* position, vec3f* velocity,
                                       vec3f* accel, vec3f* angularRate);
bool AqUartPacket_parseStartupFilterBiasEstimate(AqUartPacket* packet, vec3f* gyroBias, vec3f* accelBias,
                                                 float* pressureBias);
bool AqUartPacket_parseStartupFilterBiasEstimateRaw(char* packet, vec3f* gyroBias, vec3f* accelBias,
                                                    float* pressureBias);
// Registers 75-77: group fields not announced by outputGroup are set to 0.
bool AqUartPacket_parseBinaryOutput(AqUartPacket* packet, uint16_t* asyncMode, uint16_t* rateDivisor,
                                    uint16_t* outputGroup, uint16_t* commonField, uint16_t* timeField,
                                    uint16_t* imuField, uint16_t* gpsField, uint16_t* attitudeField, uint16_t* insField,
                                    uint16_t* gps2Field);
bool AqUartPacket_parseBinaryOutputRaw(char* packet, uint16_t* asyncMode, uint16_t* rateDivisor, uint16_t* outputGroup,
                                       uint16_t* commonField, uint16_t* timeField, uint16_t* imuField,
                                       uint16_t* gpsField, uint16_t* attitudeField, uint16_t* insField,
                                       uint16_t* gps2Field);
bool AqUartPacket_parseDeltaThetaAndDeltaVelocity(AqUartPacket* packet, float* deltaTime, vec3f* deltaTheta,
                                                  vec3f* deltaVelocity);
bool AqUartPacket_parseDeltaThetaAndDeltaVelocityRaw(char* packet, float* deltaTime, vec3f* deltaTheta,
                                                     vec3f* deltaVelocity);
bool AqUartPacket_parseDeltaThetaAndDeltaVelocityConfiguration(AqUartPacket* packet, uint8_t* integrationFrame,
                                                               uint8_t* gyroCompensation, uint8_t* accelCompensation,
                                                               uint8_t* reserved1, uint16_t* reserved2);
bool AqUartPacket_parseDeltaThetaAndDeltaVelocityConfigurationRaw(char* packet, uint8_t* integrationFrame,
                                                                  uint8_t* gyroCompensation, uint8_t* accelCompensation,
                                                                  uint8_t* reserved1, uint16_t* reserved2);
bool AqUartPacket_parseReferenceVectorConfiguration(AqUartPacket* packet, uint8_t* useMagModel,
                                                    uint8_t* useGravityModel, uint8_t* resv1, uint8_t* resv2,
                                                    uint32_t* recalcThreshold, float* year, vec3d* position);
bool AqUartPacket_parseReferenceVectorConfigurationRaw(char* packet, uint8_t* useMagModel, uint8_t* useGravityModel,
                                                       uint8_t* resv1, uint8_t* resv2, uint32_t* recalcThreshold,
                                                       float* year, vec3d* position);
bool AqUartPacket_parseGyroCompensation(AqUartPacket* packet, mat3f* c, vec3f* b);
bool AqUartPacket_parseGyroCompensationRaw(char* packet, mat3f* c, vec3f* b);
bool AqUartPacket_parseImuFilteringConfiguration(AqUartPacket* packet, uint16_t* magWindowSize,
                                                 uint16_t* accelWindowSize, uint16_t* gyroWindowSize,
                                                 uint16_t* tempWindowSize, uint16_t* presWindowSize,
                                                 uint8_t* magFilterMode, uint8_t* accelFilterMode,
                                                 uint8_t* gyroFilterMode, uint8_t* tempFilterMode,
                                                 uint8_t* presFilterMode);
bool AqUartPacket_parseImuFilteringConfigurationRaw(char* packet, uint16_t* magWindowSize, uint16_t* accelWindowSize,
                                                    uint16_t* gyroWindowSize, uint16_t* tempWindowSize,
                                                    uint16_t* presWindowSize, uint8_t* magFilterMode,
                                                    uint8_t* accelFilterMode, uint8_t* gyroFilterMode,
                                                    uint8_t* tempFilterMode, uint8_t* presFilterMode);
bool AqUartPacket_parseGpsCompassBaseline(AqUartPacket* packet, vec3f* position, vec3f* uncertainty);
bool AqUartPacket_parseGpsCompassBaselineRaw(char* packet, vec3f* position, vec3f* uncertainty);
bool AqUartPacket_parseGpsCompassEstimatedBaseline(AqUartPacket* packet, uint8_t* estBaselineUsed, uint8_t* resv,
                                                   uint16_t* numMeas, vec3f* position, vec3f* uncertainty);
bool AqUartPacket_parseGpsCompassEstimatedBaselineRaw(char* packet, uint8_t* estBaselineUsed, uint8_t* resv,
                                                      uint16_t* numMeas, vec3f* position, vec3f* uncertainty);
bool AqUartPacket_parseYawPitchRollTrueBodyAccelerationAndAngularRates(AqUartPacket* packet, vec3f* yawPitchRoll,
                                                                       vec3f* bodyAccel, vec3f* gyro);
bool AqUartPacket_parseYawPitchRollTrueBodyAccelerationAndAngularRatesRaw(char* packet, vec3f* yawPitchRoll,
                                                                          vec3f* bodyAccel, vec3f* gyro);
bool AqUartPacket_parseYawPitchRollTrueInertialAccelerationAndAngularRates(AqUartPacket* packet, vec3f* yawPitchRoll,
                                                                           vec3f* inertialAccel, vec3f* gyro);
bool AqUartPacket_parseYawPitchRollTrueInertialAccelerationAndAngularRatesRaw(char* packet, vec3f* yawPitchRoll,
                                                                              vec3f* inertialAccel, vec3f* gyro);

// Registers with parsers only.
bool AqUartPacket_parseFilterMeasurementsVarianceParameters(AqUartPacket* packet, float* angularWalkVariance,
                                                            vec3f* angularRateVariance, vec3f* magneticVariance,
                                                            vec3f* accelerationVariance);
bool AqUartPacket_parseFilterMeasurementsVarianceParametersRaw(char* packet, float* angularWalkVariance,
                                                               vec3f* angularRateVariance, vec3f* magneticVariance,
                                                               vec3f* accelerationVariance);
bool AqUartPacket_parseFilterActiveTuningParameters(AqUartPacket* packet, float* magneticDisturbanceGain,
                                                    float* accelerationDisturbanceGain,
                                                    float* magneticDisturbanceMemory,
                                                    float* accelerationDisturbanceMemory);
bool AqUartPacket_parseFilterActiveTuningParametersRaw(char* packet, float* magneticDisturbanceGain,
                                                       float* accelerationDisturbanceGain,
                                                       float* magneticDisturbanceMemory,
                                                       float* accelerationDisturbanceMemory);
bool AqUartPacket_parseFilterBasicControl(AqUartPacket* packet, uint8_t* magMode, uint8_t* extMagMode,
                                          uint8_t* extAccMode, uint8_t* extGyroMode, vec3f* gyroLimit);
bool AqUartPacket_parseFilterBasicControlRaw(char* packet, uint8_t* magMode, uint8_t* extMagMode, uint8_t* extAccMode,
                                             uint8_t* extGyroMode, vec3f* gyroLimit);
bool AqUartPacket_parseAfeMagnetometerAdvancedTuning(AqUartPacket* packet, vec3f* minFiltering, vec3f* maxFiltering,
                                                     float* maxAdaptRate, float* disturbanceWindow, float* maxTuning);
bool AqUartPacket_parseAfeMagnetometerAdvancedTuningRaw(char* packet, vec3f* minFiltering, vec3f* maxFiltering,
                                                        float* maxAdaptRate, float* disturbanceWindow,
                                                        float* maxTuning);
bool AqUartPacket_parseAfeAccelerometerAdvancedTuning(AqUartPacket* packet, vec3f* minFiltering, vec3f* maxFiltering,
                                                      float* maxAdaptRate, float* disturbanceWindow, float* maxTuning);
bool AqUartPacket_parseAfeAccelerometerAdvancedTuningRaw(char* packet, vec3f* minFiltering, vec3f* maxFiltering,
                                                         float* maxAdaptRate, float* disturbanceWindow,
                                                         float* maxTuning);
bool AqUartPacket_parseFilterStartupGyroBias(AqUartPacket* packet, vec3f* bias);
bool AqUartPacket_parseFilterStartupGyroBiasRaw(char* packet, vec3f* bias);
bool AqUartPacket_parseIndoorHeadingModeControl(AqUartPacket* packet, float* maxRateError, uint8_t* reserved1);
bool AqUartPacket_parseIndoorHeadingModeControlRaw(char* packet, float* maxRateError, uint8_t* reserved1);
bool AqUartPacket_parseVelocityCompensationStatus(AqUartPacket* packet, float* x, float* xDot, vec3f* accelOffset,
                                                  vec3f* omega);
bool AqUartPacket_parseVelocityCompensationStatusRaw(char* packet, float* x, float* xDot, vec3f* accelOffset,
                                                     vec3f* omega);
bool AqUartPacket_parseInsAdvancedConfiguration(AqUartPacket* packet, uint8_t* useMag, uint8_t* usePres,
                                                uint8_t* posAtt, uint8_t* velAtt, uint8_t* velBias, uint8_t* useFoam,
                                                uint8_t* gpsCovType, uint8_t* velCount, float* velInit,
                                                float* moveOrigin, float* gpsTimeout, float* deltaLimitPos,
                                                float* deltaLimitVel, float* minPosUncertainty,
                                                float* minVelUncertainty);
bool AqUartPacket_parseInsAdvancedConfigurationRaw(char* packet, uint8_t* useMag, uint8_t* usePres, uint8_t* posAtt,
                                                   uint8_t* velAtt, uint8_t* velBias, uint8_t* useFoam,
                                                   uint8_t* gpsCovType, uint8_t* velCount, float* velInit,
                                                   float* moveOrigin, float* gpsTimeout, float* deltaLimitPos,
                                                   float* deltaLimitVel, float* minPosUncertainty,
                                                   float* minVelUncertainty);
bool AqUartPacket_parseImuRateConfiguration(AqUartPacket* packet, uint16_t* imuRate, uint16_t* navDivisor,
                                            float* filterTargetRate, float* filterMinRate);
bool AqUartPacket_parseImuRateConfigurationRaw(char* packet, uint16_t* imuRate, uint16_t* navDivisor,
                                               float* filterTargetRate, float* filterMinRate);

// ---------------------------------------------------------------- asynchronous sentences
// The first field is data. Week, gpsFix and numSats are decimal integers, the
// INS status hexadecimal, everything else decimal floating-point text.
void AqUartPacket_parseAQYPR(AqUartPacket* packet, vec3f* yawPitchRoll);
void AqUartPacket_parseAQQTN(AqUartPacket* packet, vec4f* quaternion);
void AqUartPacket_parseAQQMR(AqUartPacket* packet, vec4f* quaternion, vec3f* magnetic, vec3f* acceleration,
                             vec3f* angularRate);
void AqUartPacket_parseAQMAG(AqUartPacket* packet, vec3f* magnetic);
void AqUartPacket_parseAQACC(AqUartPacket* packet, vec3f* acceleration);
void AqUartPacket_parseAQGYR(AqUartPacket* packet, vec3f* angularRate);
void AqUartPacket_parseAQMAR(AqUartPacket* packet, vec3f* magnetic, vec3f* acceleration, vec3f* angularRate);
// E_NONE when all twelve values were read, E_UNKNOWN as soon as one is missing.
AqError AqUartPacket_parseAQYMR(AqUartPacket* packet, vec3f* yawPitchRoll, vec3f* magnetic, vec3f* acceleration,
                                vec3f* angularRate);
void AqUartPacket_parseAQYBA(AqUartPacket* packet, vec3f* yawPitchRoll, vec3f* accelerationBody, vec3f* angularRate);
void AqUartPacket_parseAQYIA(AqUartPacket* packet, vec3f* yawPitchRoll, vec3f* accelerationInertial,
                             vec3f* angularRate);
void AqUartPacket_parseAQIMU(AqUartPacket* packet, vec3f* magneticUncompensated, vec3f* accelerationUncompensated,
                             vec3f* angularRateUncompensated, float* temperature, float* pressure);
void AqUartPacket_parseAQGPS(AqUartPacket* packet, double* time, uint16_t* week, uint8_t* gpsFix, uint8_t* numSats,
                             vec3d* lla, vec3f* nedVel, vec3f* nedAcc, float* speedAcc, float* timeAcc);
void AqUartPacket_parseAQGPE(AqUartPacket* packet, double* tow, uint16_t* week, uint8_t* gpsFix, uint8_t* numSats,
                             vec3d* position, vec3f* velocity, vec3f* posAcc, float* speedAcc, float* timeAcc);
void AqUartPacket_parseAQINS(AqUartPacket* packet, double* time, uint16_t* week, uint16_t* status, vec3f* yawPitchRoll,
                             vec3d* lla, vec3f* nedVel, float* attUncertainty, float* posUncertainty,
                             float* velUncertainty);
void AqUartPacket_parseAQINE(AqUartPacket* packet, double* time, uint16_t* week, uint16_t* status, vec3f* yawPitchRoll,
                             vec3d* position, vec3f* velocity, float* attUncertainty, float* posUncertainty,
                             float* velUncertainty);
void AqUartPacket_parseAQISL(AqUartPacket* packet, vec3f* ypr, vec3d* lla, vec3f* velocity, vec3f* acceleration,
                             vec3f* angularRate);
void AqUartPacket_parseAQISE(AqUartPacket* packet, vec3f* ypr, vec3d* position, vec3f* velocity, vec3f* acceleration,
                             vec3f* angularRate);
void AqUartPacket_parseAQDTV(AqUartPacket* packet, float* deltaTime, vec3f* deltaTheta, vec3f* deltaVelocity);

#endif
