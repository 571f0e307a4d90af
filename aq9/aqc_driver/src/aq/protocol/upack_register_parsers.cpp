// Register response parsers: each register is its list of output slots in
// field order over the one shared field scanner of upack_parsers.cpp, and its
// answer is the scanner's: true only when the reply carried every field. The
// register number in a response is skipped, not checked: the caller matches
// replies to requests.
#include "aq/protocol/upack_fields.h"

// ---------------------------------------------------------------- Single integers
// $AQRRG,05,115200*XX

bool AqUartPacket_parseHardwareRevisionRaw(char* packet, uint32_t* revision)
{
    return AqFields_scanResponse(packet, {aqSlot(revision)});
}

bool AqUartPacket_parseHardwareRevision(AqUartPacket* packet, uint32_t* revision)
{
    return AqUartPacket_parseHardwareRevisionRaw(AqFields_bytes(packet), revision);
}

bool AqUartPacket_parseSerialNumberRaw(char* packet, uint32_t* serialNum)
{
    return AqFields_scanResponse(packet, {aqSlot(serialNum)});
}

bool AqUartPacket_parseSerialNumber(AqUartPacket* packet, uint32_t* serialNum)
{
    return AqUartPacket_parseSerialNumberRaw(AqFields_bytes(packet), serialNum);
}

bool AqUartPacket_parseSerialBaudRateRaw(char* packet, uint32_t* baudrate)
{
    return AqFields_scanResponse(packet, {aqSlot(baudrate)});
}

bool AqUartPacket_parseSerialBaudRate(AqUartPacket* packet, uint32_t* baudrate)
{
    return AqUartPacket_parseSerialBaudRateRaw(AqFields_bytes(packet), baudrate);
}

bool AqUartPacket_parseAsyncDataOutputTypeRaw(char* packet, uint32_t* ador)
{
    return AqFields_scanResponse(packet, {aqSlot(ador)});
}

bool AqUartPacket_parseAsyncDataOutputType(AqUartPacket* packet, uint32_t* ador)
{
    return AqUartPacket_parseAsyncDataOutputTypeRaw(AqFields_bytes(packet), ador);
}

bool AqUartPacket_parseAsyncDataOutputFrequencyRaw(char* packet, uint32_t* adof)
{
    return AqFields_scanResponse(packet, {aqSlot(adof)});
}

bool AqUartPacket_parseAsyncDataOutputFrequency(AqUartPacket* packet, uint32_t* adof)
{
    return AqUartPacket_parseAsyncDataOutputFrequencyRaw(AqFields_bytes(packet), adof);
}

// ---------------------------------------------------------------- Attitude, measurements and other vectors
// $AQRRG,08,+010.071,-002.342,+001.120*XX

bool AqUartPacket_parseYawPitchRollRaw(char* packet, vec3f* yawPitchRoll)
{
    return AqFields_scanResponse(packet, {aqSlot(yawPitchRoll)});
}

bool AqUartPacket_parseYawPitchRoll(AqUartPacket* packet, vec3f* yawPitchRoll)
{
    return AqUartPacket_parseYawPitchRollRaw(AqFields_bytes(packet), yawPitchRoll);
}

bool AqUartPacket_parseAttitudeQuaternionRaw(char* packet, vec4f* quat)
{
    return AqFields_scanResponse(packet, {aqSlot(quat)});
}

bool AqUartPacket_parseAttitudeQuaternion(AqUartPacket* packet, vec4f* quat)
{
    return AqUartPacket_parseAttitudeQuaternionRaw(AqFields_bytes(packet), quat);
}

bool AqUartPacket_parseQuaternionMagneticAccelerationAndAngularRatesRaw(char* packet, vec4f* quat, vec3f* mag, vec3f* accel, vec3f* gyro)
{
    return AqFields_scanResponse(packet, {aqSlot(quat), aqSlot(mag), aqSlot(accel), aqSlot(gyro)});
}

bool AqUartPacket_parseQuaternionMagneticAccelerationAndAngularRates(AqUartPacket* packet, vec4f* quat, vec3f* mag, vec3f* accel, vec3f* gyro)
{
    return AqUartPacket_parseQuaternionMagneticAccelerationAndAngularRatesRaw(AqFields_bytes(packet), quat, mag, accel, gyro);
}

bool AqUartPacket_parseMagneticMeasurementsRaw(char* packet, vec3f* mag)
{
    return AqFields_scanResponse(packet, {aqSlot(mag)});
}

bool AqUartPacket_parseMagneticMeasurements(AqUartPacket* packet, vec3f* mag)
{
    return AqUartPacket_parseMagneticMeasurementsRaw(AqFields_bytes(packet), mag);
}

bool AqUartPacket_parseAccelerationMeasurementsRaw(char* packet, vec3f* accel)
{
    return AqFields_scanResponse(packet, {aqSlot(accel)});
}

bool AqUartPacket_parseAccelerationMeasurements(AqUartPacket* packet, vec3f* accel)
{
    return AqUartPacket_parseAccelerationMeasurementsRaw(AqFields_bytes(packet), accel);
}

bool AqUartPacket_parseAngularRateMeasurementsRaw(char* packet, vec3f* gyro)
{
    return AqFields_scanResponse(packet, {aqSlot(gyro)});
}

bool AqUartPacket_parseAngularRateMeasurements(AqUartPacket* packet, vec3f* gyro)
{
    return AqUartPacket_parseAngularRateMeasurementsRaw(AqFields_bytes(packet), gyro);
}

bool AqUartPacket_parseMagneticAccelerationAndAngularRatesRaw(char* packet, vec3f* mag, vec3f* accel, vec3f* gyro)
{
    return AqFields_scanResponse(packet, {aqSlot(mag), aqSlot(accel), aqSlot(gyro)});
}

bool AqUartPacket_parseMagneticAccelerationAndAngularRates(AqUartPacket* packet, vec3f* mag, vec3f* accel, vec3f* gyro)
{
    return AqUartPacket_parseMagneticAccelerationAndAngularRatesRaw(AqFields_bytes(packet), mag, accel, gyro);
}

bool AqUartPacket_parseMagneticAndGravityReferenceVectorsRaw(char* packet, vec3f* magRef, vec3f* accRef)
{
    return AqFields_scanResponse(packet, {aqSlot(magRef), aqSlot(accRef)});
}

bool AqUartPacket_parseMagneticAndGravityReferenceVectors(AqUartPacket* packet, vec3f* magRef, vec3f* accRef)
{
    return AqUartPacket_parseMagneticAndGravityReferenceVectorsRaw(AqFields_bytes(packet), magRef, accRef);
}

bool AqUartPacket_parseYawPitchRollMagneticAccelerationAndAngularRatesRaw(char* packet, vec3f* yawPitchRoll, vec3f* mag, vec3f* accel, vec3f* gyro)
{
    return AqFields_scanResponse(packet, {aqSlot(yawPitchRoll), aqSlot(mag), aqSlot(accel), aqSlot(gyro)});
}

bool AqUartPacket_parseYawPitchRollMagneticAccelerationAndAngularRates(AqUartPacket* packet, vec3f* yawPitchRoll, vec3f* mag, vec3f* accel, vec3f* gyro)
{
    return AqUartPacket_parseYawPitchRollMagneticAccelerationAndAngularRatesRaw(AqFields_bytes(packet), yawPitchRoll, mag, accel, gyro);
}

bool AqUartPacket_parseYawPitchRollTrueBodyAccelerationAndAngularRatesRaw(char* packet, vec3f* yawPitchRoll, vec3f* bodyAccel, vec3f* gyro)
{
    return AqFields_scanResponse(packet, {aqSlot(yawPitchRoll), aqSlot(bodyAccel), aqSlot(gyro)});
}

bool AqUartPacket_parseYawPitchRollTrueBodyAccelerationAndAngularRates(AqUartPacket* packet, vec3f* yawPitchRoll, vec3f* bodyAccel, vec3f* gyro)
{
    return AqUartPacket_parseYawPitchRollTrueBodyAccelerationAndAngularRatesRaw(AqFields_bytes(packet), yawPitchRoll, bodyAccel, gyro);
}

bool AqUartPacket_parseYawPitchRollTrueInertialAccelerationAndAngularRatesRaw(char* packet, vec3f* yawPitchRoll, vec3f* inertialAccel, vec3f* gyro)
{
    return AqFields_scanResponse(packet, {aqSlot(yawPitchRoll), aqSlot(inertialAccel), aqSlot(gyro)});
}

bool AqUartPacket_parseYawPitchRollTrueInertialAccelerationAndAngularRates(AqUartPacket* packet, vec3f* yawPitchRoll, vec3f* inertialAccel, vec3f* gyro)
{
    return AqUartPacket_parseYawPitchRollTrueInertialAccelerationAndAngularRatesRaw(AqFields_bytes(packet), yawPitchRoll, inertialAccel, gyro);
}

bool AqUartPacket_parseVelocityCompensationMeasurementRaw(char* packet, vec3f* velocity)
{
    return AqFields_scanResponse(packet, {aqSlot(velocity)});
}

bool AqUartPacket_parseVelocityCompensationMeasurement(AqUartPacket* packet, vec3f* velocity)
{
    return AqUartPacket_parseVelocityCompensationMeasurementRaw(AqFields_bytes(packet), velocity);
}

bool AqUartPacket_parseGpsAntennaOffsetRaw(char* packet, vec3f* position)
{
    return AqFields_scanResponse(packet, {aqSlot(position)});
}

bool AqUartPacket_parseGpsAntennaOffset(AqUartPacket* packet, vec3f* position)
{
    return AqUartPacket_parseGpsAntennaOffsetRaw(AqFields_bytes(packet), position);
}

bool AqUartPacket_parseGpsCompassBaselineRaw(char* packet, vec3f* position, vec3f* uncertainty)
{
    return AqFields_scanResponse(packet, {aqSlot(position), aqSlot(uncertainty)});
}

bool AqUartPacket_parseGpsCompassBaseline(AqUartPacket* packet, vec3f* position, vec3f* uncertainty)
{
    return AqUartPacket_parseGpsCompassBaselineRaw(AqFields_bytes(packet), position, uncertainty);
}

bool AqUartPacket_parseFilterStartupGyroBiasRaw(char* packet, vec3f* bias)
{
    return AqFields_scanResponse(packet, {aqSlot(bias)});
}

bool AqUartPacket_parseFilterStartupGyroBias(AqUartPacket* packet, vec3f* bias)
{
    return AqUartPacket_parseFilterStartupGyroBiasRaw(AqFields_bytes(packet), bias);
}

bool AqUartPacket_parseImuMeasurementsRaw(char* packet, vec3f* mag, vec3f* accel, vec3f* gyro, float* temp, float* pressure)
{
    return AqFields_scanResponse(packet, {aqSlot(mag), aqSlot(accel), aqSlot(gyro), aqSlot(temp), aqSlot(pressure)});
}

bool AqUartPacket_parseImuMeasurements(AqUartPacket* packet, vec3f* mag, vec3f* accel, vec3f* gyro, float* temp, float* pressure)
{
    return AqUartPacket_parseImuMeasurementsRaw(AqFields_bytes(packet), mag, accel, gyro, temp, pressure);
}

bool AqUartPacket_parseDeltaThetaAndDeltaVelocityRaw(char* packet, float* deltaTime, vec3f* deltaTheta, vec3f* deltaVelocity)
{
    return AqFields_scanResponse(packet, {aqSlot(deltaTime), aqSlot(deltaTheta), aqSlot(deltaVelocity)});
}

bool AqUartPacket_parseDeltaThetaAndDeltaVelocity(AqUartPacket* packet, float* deltaTime, vec3f* deltaTheta, vec3f* deltaVelocity)
{
    return AqUartPacket_parseDeltaThetaAndDeltaVelocityRaw(AqFields_bytes(packet), deltaTime, deltaTheta, deltaVelocity);
}

bool AqUartPacket_parseStartupFilterBiasEstimateRaw(char* packet, vec3f* gyroBias, vec3f* accelBias, float* pressureBias)
{
    return AqFields_scanResponse(packet, {aqSlot(gyroBias), aqSlot(accelBias), aqSlot(pressureBias)});
}

bool AqUartPacket_parseStartupFilterBiasEstimate(AqUartPacket* packet, vec3f* gyroBias, vec3f* accelBias, float* pressureBias)
{
    return AqUartPacket_parseStartupFilterBiasEstimateRaw(AqFields_bytes(packet), gyroBias, accelBias, pressureBias);
}

// ---------------------------------------------------------------- Matrix and bias: nine matrix fields row by row, then the vector
// $AQRRG,23,1.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0*XX

bool AqUartPacket_parseMagnetometerCompensationRaw(char* packet, mat3f* c, vec3f* b)
{
    return AqFields_scanResponse(packet, {aqSlot(c), aqSlot(b)});
}

bool AqUartPacket_parseMagnetometerCompensation(AqUartPacket* packet, mat3f* c, vec3f* b)
{
    return AqUartPacket_parseMagnetometerCompensationRaw(AqFields_bytes(packet), c, b);
}

bool AqUartPacket_parseAccelerationCompensationRaw(char* packet, mat3f* c, vec3f* b)
{
    return AqFields_scanResponse(packet, {aqSlot(c), aqSlot(b)});
}

bool AqUartPacket_parseAccelerationCompensation(AqUartPacket* packet, mat3f* c, vec3f* b)
{
    return AqUartPacket_parseAccelerationCompensationRaw(AqFields_bytes(packet), c, b);
}

bool AqUartPacket_parseReferenceFrameRotationRaw(char* packet, mat3f* c)
{
    return AqFields_scanResponse(packet, {aqSlot(c)});
}

bool AqUartPacket_parseReferenceFrameRotation(AqUartPacket* packet, mat3f* c)
{
    return AqUartPacket_parseReferenceFrameRotationRaw(AqFields_bytes(packet), c);
}

bool AqUartPacket_parseCalculatedMagnetometerCalibrationRaw(char* packet, mat3f* c, vec3f* b)
{
    return AqFields_scanResponse(packet, {aqSlot(c), aqSlot(b)});
}

bool AqUartPacket_parseCalculatedMagnetometerCalibration(AqUartPacket* packet, mat3f* c, vec3f* b)
{
    return AqUartPacket_parseCalculatedMagnetometerCalibrationRaw(AqFields_bytes(packet), c, b);
}

bool AqUartPacket_parseGyroCompensationRaw(char* packet, mat3f* c, vec3f* b)
{
    return AqFields_scanResponse(packet, {aqSlot(c), aqSlot(b)});
}

bool AqUartPacket_parseGyroCompensation(AqUartPacket* packet, mat3f* c, vec3f* b)
{
    return AqUartPacket_parseGyroCompensationRaw(AqFields_bytes(packet), c, b);
}

// ---------------------------------------------------------------- Filter tuning
// $AQRRG,36,4.0,4.0,4.0,5.0,5.0,5.0,5.5,5.5,5.5*XX

bool AqUartPacket_parseAfeMagnetometerBasicTuningRaw(char* packet, vec3f* baseTuning, vec3f* adaptiveTuning, vec3f* adaptiveFiltering)
{
    return AqFields_scanResponse(packet, {aqSlot(baseTuning), aqSlot(adaptiveTuning), aqSlot(adaptiveFiltering)});
}

bool AqUartPacket_parseAfeMagnetometerBasicTuning(AqUartPacket* packet, vec3f* baseTuning, vec3f* adaptiveTuning, vec3f* adaptiveFiltering)
{
    return AqUartPacket_parseAfeMagnetometerBasicTuningRaw(AqFields_bytes(packet), baseTuning, adaptiveTuning, adaptiveFiltering);
}

bool AqUartPacket_parseAfeAccelerometerBasicTuningRaw(char* packet, vec3f* baseTuning, vec3f* adaptiveTuning, vec3f* adaptiveFiltering)
{
    return AqFields_scanResponse(packet, {aqSlot(baseTuning), aqSlot(adaptiveTuning), aqSlot(adaptiveFiltering)});
}

bool AqUartPacket_parseAfeAccelerometerBasicTuning(AqUartPacket* packet, vec3f* baseTuning, vec3f* adaptiveTuning, vec3f* adaptiveFiltering)
{
    return AqUartPacket_parseAfeAccelerometerBasicTuningRaw(AqFields_bytes(packet), baseTuning, adaptiveTuning, adaptiveFiltering);
}

bool AqUartPacket_parseAfeGyroBasicTuningRaw(char* packet, vec3f* angularWalkVariance, vec3f* baseTuning, vec3f* adaptiveTuning)
{
    return AqFields_scanResponse(packet, {aqSlot(angularWalkVariance), aqSlot(baseTuning), aqSlot(adaptiveTuning)});
}

bool AqUartPacket_parseAfeGyroBasicTuning(AqUartPacket* packet, vec3f* angularWalkVariance, vec3f* baseTuning, vec3f* adaptiveTuning)
{
    return AqUartPacket_parseAfeGyroBasicTuningRaw(AqFields_bytes(packet), angularWalkVariance, baseTuning, adaptiveTuning);
}

bool AqUartPacket_parseAfeMagnetometerAdvancedTuningRaw(char* packet, vec3f* minFiltering, vec3f* maxFiltering, float* maxAdaptRate, float* disturbanceWindow, float* maxTuning)
{
    return AqFields_scanResponse(packet, {aqSlot(minFiltering), aqSlot(maxFiltering), aqSlot(maxAdaptRate), aqSlot(disturbanceWindow), aqSlot(maxTuning)});
}

bool AqUartPacket_parseAfeMagnetometerAdvancedTuning(AqUartPacket* packet, vec3f* minFiltering, vec3f* maxFiltering, float* maxAdaptRate, float* disturbanceWindow, float* maxTuning)
{
    return AqUartPacket_parseAfeMagnetometerAdvancedTuningRaw(AqFields_bytes(packet), minFiltering, maxFiltering, maxAdaptRate, disturbanceWindow, maxTuning);
}

bool AqUartPacket_parseAfeAccelerometerAdvancedTuningRaw(char* packet, vec3f* minFiltering, vec3f* maxFiltering, float* maxAdaptRate, float* disturbanceWindow, float* maxTuning)
{
    return AqFields_scanResponse(packet, {aqSlot(minFiltering), aqSlot(maxFiltering), aqSlot(maxAdaptRate), aqSlot(disturbanceWindow), aqSlot(maxTuning)});
}

bool AqUartPacket_parseAfeAccelerometerAdvancedTuning(AqUartPacket* packet, vec3f* minFiltering, vec3f* maxFiltering, float* maxAdaptRate, float* disturbanceWindow, float* maxTuning)
{
    return AqUartPacket_parseAfeAccelerometerAdvancedTuningRaw(AqFields_bytes(packet), minFiltering, maxFiltering, maxAdaptRate, disturbanceWindow, maxTuning);
}

bool AqUartPacket_parseFilterMeasurementsVarianceParametersRaw(char* packet, float* angularWalkVariance, vec3f* angularRateVariance, vec3f* magneticVariance, vec3f* accelerationVariance)
{
    return AqFields_scanResponse(packet, {aqSlot(angularWalkVariance), aqSlot(angularRateVariance), aqSlot(magneticVariance), aqSlot(accelerationVariance)});
}

bool AqUartPacket_parseFilterMeasurementsVarianceParameters(AqUartPacket* packet, float* angularWalkVariance, vec3f* angularRateVariance, vec3f* magneticVariance, vec3f* accelerationVariance)
{
    return AqUartPacket_parseFilterMeasurementsVarianceParametersRaw(AqFields_bytes(packet), angularWalkVariance, angularRateVariance, magneticVariance, accelerationVariance);
}

bool AqUartPacket_parseFilterActiveTuningParametersRaw(char* packet, float* magneticDisturbanceGain, float* accelerationDisturbanceGain, float* magneticDisturbanceMemory, float* accelerationDisturbanceMemory)
{
    return AqFields_scanResponse(packet, {aqSlot(magneticDisturbanceGain), aqSlot(accelerationDisturbanceGain), aqSlot(magneticDisturbanceMemory), aqSlot(accelerationDisturbanceMemory)});
}

bool AqUartPacket_parseFilterActiveTuningParameters(AqUartPacket* packet, float* magneticDisturbanceGain, float* accelerationDisturbanceGain, float* magneticDisturbanceMemory, float* accelerationDisturbanceMemory)
{
    return AqUartPacket_parseFilterActiveTuningParametersRaw(AqFields_bytes(packet), magneticDisturbanceGain, accelerationDisturbanceGain, magneticDisturbanceMemory, accelerationDisturbanceMemory);
}

bool AqUartPacket_parseVelocityCompensationStatusRaw(char* packet, float* x, float* xDot, vec3f* accelOffset, vec3f* omega)
{
    return AqFields_scanResponse(packet, {aqSlot(x), aqSlot(xDot), aqSlot(accelOffset), aqSlot(omega)});
}

bool AqUartPacket_parseVelocityCompensationStatus(AqUartPacket* packet, float* x, float* xDot, vec3f* accelOffset, vec3f* omega)
{
    return AqUartPacket_parseVelocityCompensationStatusRaw(AqFields_bytes(packet), x, xDot, accelOffset, omega);
}

bool AqUartPacket_parseVelocityCompensationControlRaw(char* packet, uint8_t* mode, float* velocityTuning, float* rateTuning)
{
    return AqFields_scanResponse(packet, {aqSlot(mode), aqSlot(velocityTuning), aqSlot(rateTuning)});
}

bool AqUartPacket_parseVelocityCompensationControl(AqUartPacket* packet, uint8_t* mode, float* velocityTuning, float* rateTuning)
{
    return AqUartPacket_parseVelocityCompensationControlRaw(AqFields_bytes(packet), mode, velocityTuning, rateTuning);
}

bool AqUartPacket_parseIndoorHeadingModeControlRaw(char* packet, float* maxRateError, uint8_t* reserved1)
{
    return AqFields_scanResponse(packet, {aqSlot(maxRateError), aqSlot(reserved1)});
}

bool AqUartPacket_parseIndoorHeadingModeControl(AqUartPacket* packet, float* maxRateError, uint8_t* reserved1)
{
    return AqUartPacket_parseIndoorHeadingModeControlRaw(AqFields_bytes(packet), maxRateError, reserved1);
}

// ---------------------------------------------------------------- Control and configuration registers
// $AQRRG,44,1,3,5*XX

bool AqUartPacket_parseCommunicationProtocolControlRaw(char* packet, uint8_t* serialCount, uint8_t* serialStatus, uint8_t* spiCount, uint8_t* spiStatus, uint8_t* serialChecksum, uint8_t* spiChecksum, uint8_t* errorMode)
{
    return AqFields_scanResponse(packet, {aqSlot(serialCount), aqSlot(serialStatus), aqSlot(spiCount), aqSlot(spiStatus), aqSlot(serialChecksum), aqSlot(spiChecksum), aqSlot(errorMode)});
}

bool AqUartPacket_parseCommunicationProtocolControl(AqUartPacket* packet, uint8_t* serialCount, uint8_t* serialStatus, uint8_t* spiCount, uint8_t* spiStatus, uint8_t* serialChecksum, uint8_t* spiChecksum, uint8_t* errorMode)
{
    return AqUartPacket_parseCommunicationProtocolControlRaw(AqFields_bytes(packet), serialCount, serialStatus, spiCount, spiStatus, serialChecksum, spiChecksum, errorMode);
}

bool AqUartPacket_parseSynchronizationControlRaw(char* packet, uint8_t* syncInMode, uint8_t* syncInEdge, uint16_t* syncInSkipFactor, uint32_t* reserved1, uint8_t* syncOutMode, uint8_t* syncOutPolarity, uint16_t* syncOutSkipFactor, uint32_t* syncOutPulseWidth, uint32_t* reserved2)
{
    return AqFields_scanResponse(packet, {aqSlot(syncInMode), aqSlot(syncInEdge), aqSlot(syncInSkipFactor), aqSlot(reserved1), aqSlot(syncOutMode), aqSlot(syncOutPolarity), aqSlot(syncOutSkipFactor), aqSlot(syncOutPulseWidth), aqSlot(reserved2)});
}

bool AqUartPacket_parseSynchronizationControl(AqUartPacket* packet, uint8_t* syncInMode, uint8_t* syncInEdge, uint16_t* syncInSkipFactor, uint32_t* reserved1, uint8_t* syncOutMode, uint8_t* syncOutPolarity, uint16_t* syncOutSkipFactor, uint32_t* syncOutPulseWidth, uint32_t* reserved2)
{
    return AqUartPacket_parseSynchronizationControlRaw(AqFields_bytes(packet), syncInMode, syncInEdge, syncInSkipFactor, reserved1, syncOutMode, syncOutPolarity, syncOutSkipFactor, syncOutPulseWidth, reserved2);
}

bool AqUartPacket_parseSynchronizationStatusRaw(char* packet, uint32_t* syncInCount, uint32_t* syncInTime, uint32_t* syncOutCount)
{
    return AqFields_scanResponse(packet, {aqSlot(syncInCount), aqSlot(syncInTime), aqSlot(syncOutCount)});
}

bool AqUartPacket_parseSynchronizationStatus(AqUartPacket* packet, uint32_t* syncInCount, uint32_t* syncInTime, uint32_t* syncOutCount)
{
    return AqUartPacket_parseSynchronizationStatusRaw(AqFields_bytes(packet), syncInCount, syncInTime, syncOutCount);
}

bool AqUartPacket_parseAfeBasicControlRaw(char* packet, uint8_t* enable, uint8_t* headingMode, uint8_t* filteringMode, uint8_t* tuningMode)
{
    return AqFields_scanResponse(packet, {aqSlot(enable), aqSlot(headingMode), aqSlot(filteringMode), aqSlot(tuningMode)});
}

bool AqUartPacket_parseAfeBasicControl(AqUartPacket* packet, uint8_t* enable, uint8_t* headingMode, uint8_t* filteringMode, uint8_t* tuningMode)
{
    return AqUartPacket_parseAfeBasicControlRaw(AqFields_bytes(packet), enable, headingMode, filteringMode, tuningMode);
}

bool AqUartPacket_parseMagnetometerCalibrationControlRaw(char* packet, uint8_t* hsiMode, uint8_t* hsiOutput, uint8_t* convergeRate)
{
    return AqFields_scanResponse(packet, {aqSlot(hsiMode), aqSlot(hsiOutput), aqSlot(convergeRate)});
}

bool AqUartPacket_parseMagnetometerCalibrationControl(AqUartPacket* packet, uint8_t* hsiMode, uint8_t* hsiOutput, uint8_t* convergeRate)
{
    return AqUartPacket_parseMagnetometerCalibrationControlRaw(AqFields_bytes(packet), hsiMode, hsiOutput, convergeRate);
}

bool AqUartPacket_parseGpsConfigurationRaw(char* packet, uint8_t* mode, uint8_t* ppsSource, uint8_t* reserved1, uint8_t* reserved2, uint8_t* reserved3)
{
    return AqFields_scanResponse(packet, {aqSlot(mode), aqSlot(ppsSource), aqSlot(reserved1), aqSlot(reserved2), aqSlot(reserved3)});
}

bool AqUartPacket_parseGpsConfiguration(AqUartPacket* packet, uint8_t* mode, uint8_t* ppsSource, uint8_t* reserved1, uint8_t* reserved2, uint8_t* reserved3)
{
    return AqUartPacket_parseGpsConfigurationRaw(AqFields_bytes(packet), mode, ppsSource, reserved1, reserved2, reserved3);
}

bool AqUartPacket_parseInsBasicConfigurationRaw(char* packet, uint8_t* scenario, uint8_t* ahrsAiding, uint8_t* estBaseline, uint8_t* resv2)
{
    return AqFields_scanResponse(packet, {aqSlot(scenario), aqSlot(ahrsAiding), aqSlot(estBaseline), aqSlot(resv2)});
}

bool AqUartPacket_parseInsBasicConfiguration(AqUartPacket* packet, uint8_t* scenario, uint8_t* ahrsAiding, uint8_t* estBaseline, uint8_t* resv2)
{
    return AqUartPacket_parseInsBasicConfigurationRaw(AqFields_bytes(packet), scenario, ahrsAiding, estBaseline, resv2);
}

bool AqUartPacket_parseDeltaThetaAndDeltaVelocityConfigurationRaw(char* packet, uint8_t* integrationFrame, uint8_t* gyroCompensation, uint8_t* accelCompensation, uint8_t* reserved1, uint16_t* reserved2)
{
    return AqFields_scanResponse(packet, {aqSlot(integrationFrame), aqSlot(gyroCompensation), aqSlot(accelCompensation), aqSlot(reserved1), aqSlot(reserved2)});
}

bool AqUartPacket_parseDeltaThetaAndDeltaVelocityConfiguration(AqUartPacket* packet, uint8_t* integrationFrame, uint8_t* gyroCompensation, uint8_t* accelCompensation, uint8_t* reserved1, uint16_t* reserved2)
{
    return AqUartPacket_parseDeltaThetaAndDeltaVelocityConfigurationRaw(AqFields_bytes(packet), integrationFrame, gyroCompensation, accelCompensation, reserved1, reserved2);
}

bool AqUartPacket_parseReferenceVectorConfigurationRaw(char* packet, uint8_t* useMagModel, uint8_t* useGravityModel, uint8_t* resv1, uint8_t* resv2, uint32_t* recalcThreshold, float* year, vec3d* position)
{
    return AqFields_scanResponse(packet, {aqSlot(useMagModel), aqSlot(useGravityModel), aqSlot(resv1), aqSlot(resv2), aqSlot(recalcThreshold), aqSlot(year), aqSlot(position)});
}

bool AqUartPacket_parseReferenceVectorConfiguration(AqUartPacket* packet, uint8_t* useMagModel, uint8_t* useGravityModel, uint8_t* resv1, uint8_t* resv2, uint32_t* recalcThreshold, float* year, vec3d* position)
{
    return AqUartPacket_parseReferenceVectorConfigurationRaw(AqFields_bytes(packet), useMagModel, useGravityModel, resv1, resv2, recalcThreshold, year, position);
}

bool AqUartPacket_parseImuFilteringConfigurationRaw(char* packet, uint16_t* magWindowSize, uint16_t* accelWindowSize, uint16_t* gyroWindowSize, uint16_t* tempWindowSize, uint16_t* presWindowSize, uint8_t* magFilterMode, uint8_t* accelFilterMode, uint8_t* gyroFilterMode, uint8_t* tempFilterMode, uint8_t* presFilterMode)
{
    return AqFields_scanResponse(packet, {aqSlot(magWindowSize), aqSlot(accelWindowSize), aqSlot(gyroWindowSize), aqSlot(tempWindowSize), aqSlot(presWindowSize), aqSlot(magFilterMode), aqSlot(accelFilterMode), aqSlot(gyroFilterMode), aqSlot(tempFilterMode), aqSlot(presFilterMode)});
}

bool AqUartPacket_parseImuFilteringConfiguration(AqUartPacket* packet, uint16_t* magWindowSize, uint16_t* accelWindowSize, uint16_t* gyroWindowSize, uint16_t* tempWindowSize, uint16_t* presWindowSize, uint8_t* magFilterMode, uint8_t* accelFilterMode, uint8_t* gyroFilterMode, uint8_t* tempFilterMode, uint8_t* presFilterMode)
{
    return AqUartPacket_parseImuFilteringConfigurationRaw(AqFields_bytes(packet), magWindowSize, accelWindowSize, gyroWindowSize, tempWindowSize, presWindowSize, magFilterMode, accelFilterMode, gyroFilterMode, tempFilterMode, presFilterMode);
}

bool AqUartPacket_parseFilterBasicControlRaw(char* packet, uint8_t* magMode, uint8_t* extMagMode, uint8_t* extAccMode, uint8_t* extGyroMode, vec3f* gyroLimit)
{
    return AqFields_scanResponse(packet, {aqSlot(magMode), aqSlot(extMagMode), aqSlot(extAccMode), aqSlot(extGyroMode), aqSlot(gyroLimit)});
}

bool AqUartPacket_parseFilterBasicControl(AqUartPacket* packet, uint8_t* magMode, uint8_t* extMagMode, uint8_t* extAccMode, uint8_t* extGyroMode, vec3f* gyroLimit)
{
    return AqUartPacket_parseFilterBasicControlRaw(AqFields_bytes(packet), magMode, extMagMode, extAccMode, extGyroMode, gyroLimit);
}

bool AqUartPacket_parseInsAdvancedConfigurationRaw(char* packet, uint8_t* useMag, uint8_t* usePres, uint8_t* posAtt, uint8_t* velAtt, uint8_t* velBias, uint8_t* useFoam, uint8_t* gpsCovType, uint8_t* velCount, float* velInit, float* moveOrigin, float* gpsTimeout, float* deltaLimitPos, float* deltaLimitVel, float* minPosUncertainty, float* minVelUncertainty)
{
    return AqFields_scanResponse(packet, {aqSlot(useMag), aqSlot(usePres), aqSlot(posAtt), aqSlot(velAtt), aqSlot(velBias), aqSlot(useFoam), aqSlot(gpsCovType), aqSlot(velCount), aqSlot(velInit), aqSlot(moveOrigin), aqSlot(gpsTimeout), aqSlot(deltaLimitPos), aqSlot(deltaLimitVel), aqSlot(minPosUncertainty), aqSlot(minVelUncertainty)});
}

bool AqUartPacket_parseInsAdvancedConfiguration(AqUartPacket* packet, uint8_t* useMag, uint8_t* usePres, uint8_t* posAtt, uint8_t* velAtt, uint8_t* velBias, uint8_t* useFoam, uint8_t* gpsCovType, uint8_t* velCount, float* velInit, float* moveOrigin, float* gpsTimeout, float* deltaLimitPos, float* deltaLimitVel, float* minPosUncertainty, float* minVelUncertainty)
{
    return AqUartPacket_parseInsAdvancedConfigurationRaw(AqFields_bytes(packet), useMag, usePres, posAtt, velAtt, velBias, useFoam, gpsCovType, velCount, velInit, moveOrigin, gpsTimeout, deltaLimitPos, deltaLimitVel, minPosUncertainty, minVelUncertainty);
}

bool AqUartPacket_parseImuRateConfigurationRaw(char* packet, uint16_t* imuRate, uint16_t* navDivisor, float* filterTargetRate, float* filterMinRate)
{
    return AqFields_scanResponse(packet, {aqSlot(imuRate), aqSlot(navDivisor), aqSlot(filterTargetRate), aqSlot(filterMinRate)});
}

bool AqUartPacket_parseImuRateConfiguration(AqUartPacket* packet, uint16_t* imuRate, uint16_t* navDivisor, float* filterTargetRate, float* filterMinRate)
{
    return AqUartPacket_parseImuRateConfigurationRaw(AqFields_bytes(packet), imuRate, navDivisor, filterTargetRate, filterMinRate);
}

// ---------------------------------------------------------------- Navigation solutions (the INS status field is hexadecimal)
// $AQRRG,63,342123.500000,1850,0213,+012.5,-001.2,+000.3,+37.5000000,-122.2500000,+0010.000,+000.100,-000.200,+000.050,1.0,2.5,0.3*XX

bool AqUartPacket_parseGpsSolutionLlaRaw(char* packet, double* time, uint16_t* week, uint8_t* gpsFix, uint8_t* numSats, vec3d* lla, vec3f* nedVel, vec3f* nedAcc, float* speedAcc, float* timeAcc)
{
    return AqFields_scanResponse(packet, {aqSlot(time), aqSlot(week), aqSlot(gpsFix), aqSlot(numSats), aqSlot(lla), aqSlot(nedVel), aqSlot(nedAcc), aqSlot(speedAcc), aqSlot(timeAcc)});
}

bool AqUartPacket_parseGpsSolutionLla(AqUartPacket* packet, double* time, uint16_t* week, uint8_t* gpsFix, uint8_t* numSats, vec3d* lla, vec3f* nedVel, vec3f* nedAcc, float* speedAcc, float* timeAcc)
{
    return AqUartPacket_parseGpsSolutionLlaRaw(AqFields_bytes(packet), time, week, gpsFix, numSats, lla, nedVel, nedAcc, speedAcc, timeAcc);
}

bool AqUartPacket_parseGpsSolutionEcefRaw(char* packet, double* tow, uint16_t* week, uint8_t* gpsFix, uint8_t* numSats, vec3d* position, vec3f* velocity, vec3f* posAcc, float* speedAcc, float* timeAcc)
{
    return AqFields_scanResponse(packet, {aqSlot(tow), aqSlot(week), aqSlot(gpsFix), aqSlot(numSats), aqSlot(position), aqSlot(velocity), aqSlot(posAcc), aqSlot(speedAcc), aqSlot(timeAcc)});
}

bool AqUartPacket_parseGpsSolutionEcef(AqUartPacket* packet, double* tow, uint16_t* week, uint8_t* gpsFix, uint8_t* numSats, vec3d* position, vec3f* velocity, vec3f* posAcc, float* speedAcc, float* timeAcc)
{
    return AqUartPacket_parseGpsSolutionEcefRaw(AqFields_bytes(packet), tow, week, gpsFix, numSats, position, velocity, posAcc, speedAcc, timeAcc);
}

bool AqUartPacket_parseInsSolutionLlaRaw(char* packet, double* time, uint16_t* week, uint16_t* status, vec3f* yawPitchRoll, vec3d* position, vec3f* nedVel, float* attUncertainty, float* posUncertainty, float* velUncertainty)
{
    return AqFields_scanResponse(packet, {aqSlot(time), aqSlot(week), aqHexSlot(status), aqSlot(yawPitchRoll), aqSlot(position), aqSlot(nedVel), aqSlot(attUncertainty), aqSlot(posUncertainty), aqSlot(velUncertainty)});
}

bool AqUartPacket_parseInsSolutionLla(AqUartPacket* packet, double* time, uint16_t* week, uint16_t* status, vec3f* yawPitchRoll, vec3d* position, vec3f* nedVel, float* attUncertainty, float* posUncertainty, float* velUncertainty)
{
    return AqUartPacket_parseInsSolutionLlaRaw(AqFields_bytes(packet), time, week, status, yawPitchRoll, position, nedVel, attUncertainty, posUncertainty, velUncertainty);
}

bool AqUartPacket_parseInsSolutionEcefRaw(char* packet, double* time, uint16_t* week, uint16_t* status, vec3f* yawPitchRoll, vec3d* position, vec3f* velocity, float* attUncertainty, float* posUncertainty, float* velUncertainty)
{
    return AqFields_scanResponse(packet, {aqSlot(time), aqSlot(week), aqHexSlot(status), aqSlot(yawPitchRoll), aqSlot(position), aqSlot(velocity), aqSlot(attUncertainty), aqSlot(posUncertainty), aqSlot(velUncertainty)});
}

bool AqUartPacket_parseInsSolutionEcef(AqUartPacket* packet, double* time, uint16_t* week, uint16_t* status, vec3f* yawPitchRoll, vec3d* position, vec3f* velocity, float* attUncertainty, float* posUncertainty, float* velUncertainty)
{
    return AqUartPacket_parseInsSolutionEcefRaw(AqFields_bytes(packet), time, week, status, yawPitchRoll, position, velocity, attUncertainty, posUncertainty, velUncertainty);
}

bool AqUartPacket_parseInsStateLlaRaw(char* packet, vec3f* yawPitchRoll, vec3d* position, vec3f* velocity, vec3f* accel, vec3f* angularRate)
{
    return AqFields_scanResponse(packet, {aqSlot(yawPitchRoll), aqSlot(position), aqSlot(velocity), aqSlot(accel), aqSlot(angularRate)});
}

bool AqUartPacket_parseInsStateLla(AqUartPacket* packet, vec3f* yawPitchRoll, vec3d* position, vec3f* velocity, vec3f* accel, vec3f* angularRate)
{
    return AqUartPacket_parseInsStateLlaRaw(AqFields_bytes(packet), yawPitchRoll, position, velocity, accel, angularRate);
}

bool AqUartPacket_parseInsStateEcefRaw(char* packet, vec3f* yawPitchRoll, vec3d* position, vec3f* velocity, vec3f* accel, vec3f* angularRate)
{
    return AqFields_scanResponse(packet, {aqSlot(yawPitchRoll), aqSlot(position), aqSlot(velocity), aqSlot(accel), aqSlot(angularRate)});
}

bool AqUartPacket_parseInsStateEcef(AqUartPacket* packet, vec3f* yawPitchRoll, vec3d* position, vec3f* velocity, vec3f* accel, vec3f* angularRate)
{
    return AqUartPacket_parseInsStateEcefRaw(AqFields_bytes(packet), yawPitchRoll, position, velocity, accel, angularRate);
}

bool AqUartPacket_parseGpsCompassEstimatedBaselineRaw(char* packet, uint8_t* estBaselineUsed, uint8_t* resv, uint16_t* numMeas, vec3f* position, vec3f* uncertainty)
{
    return AqFields_scanResponse(packet, {aqSlot(estBaselineUsed), aqSlot(resv), aqSlot(numMeas), aqSlot(position), aqSlot(uncertainty)});
}

bool AqUartPacket_parseGpsCompassEstimatedBaseline(AqUartPacket* packet, uint8_t* estBaselineUsed, uint8_t* resv, uint16_t* numMeas, vec3f* position, vec3f* uncertainty)
{
    return AqUartPacket_parseGpsCompassEstimatedBaselineRaw(AqFields_bytes(packet), estBaselineUsed, resv, numMeas, position, uncertainty);
}
