// The register operations of the UART link. Each builds its command into
// _txBuf with the protocol generator, raises its response flag and sends the
// command until the packet-found handler clears the flag (five attempts).
#include <string.h>

#include "AQ9UartSensor.h"
#include "Syslog.h"
#include "aq/protocol/upack_commands.h"

namespace {

const AqErrorDetectionMode kMode = AQERRORDETECTIONMODE_CRC;

// The three vectors of a tuning setting: c[0..2], c[3..5], c[6..8].
vec3f tuningRow(const v9d& v, int row)
{
    vec3f out;
    for (int k = 0; k < 3; k++)
        out.c[k] = static_cast<float>(v.c[3 * row + k]);
    return out;
}

}  // namespace

AqError AQ9UartSensor::disableAsyncUartAsciiOutput()
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genWriteAsyncDataOutputType(_txBuf, sizeof _txBuf, kMode, &_requestSize, 0),
                     &gIsCheckingForAsyncOutputTypeResponse);
}

AqError AQ9UartSensor::enableCrcChecksums()
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genWriteCommunicationProtocolControl(_txBuf, sizeof _txBuf, kMode, &_requestSize, 0,
                                                                       0, 0, 0, 2, 2, 1),
                     &gIsCheckingforCommProtoControlTypeResponse);
}

AqError AQ9UartSensor::setupBinaryReg1DesiredOutputs()
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genWriteBinaryOutput1(_txBuf, sizeof _txBuf, kMode, &_requestSize, 0, 800, 0x1528, 0,
                                                        0, 0, 0x0100, 0, 0),
                     &gIsCheckingForBinaryRegister1Response);
}

AqError AQ9UartSensor::setupBinaryReg2DesiredOutputs()
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genWriteBinaryOutput2(_txBuf, sizeof _txBuf, kMode, &_requestSize, 0, 800, 0, 0,
                                                        0x003E, 0, 0, 0, 0),
                     &gIsCheckingForBinaryRegister2Response);
}

AqError AQ9UartSensor::getMagGravRefVectors()
{
    clearTxBuf();
    return sendBuilt(
        AqUartPacket_genReadMagneticAndGravityReferenceVectors(_txBuf, sizeof _txBuf, kMode, &_requestSize),
        &gIsCheckingForReferenceVectorResponse);
}

AqError AQ9UartSensor::sendHSISettings(uint8_t HSIMode, uint8_t HSIOutput, uint8_t HSIConvergeRate)
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genWriteMagnetometerCalibrationControl(_txBuf, sizeof _txBuf, kMode, &_requestSize,
                                                                         HSIMode, HSIOutput, HSIConvergeRate),
                     &gIsCheckingForHSIResponse);
}

AqError AQ9UartSensor::sendMagCompensation()
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genWriteMagnetometerCompensation(_txBuf, sizeof _txBuf, kMode, &_requestSize,
                                                                   v9dToMat3f(_settings.MagCompC),
                                                                   v3dToVec3f(_settings.MagCompB)),
                     &gIsCheckingForMagCompResponse);
}

AqError AQ9UartSensor::sendAccelCompensation()
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genWriteAccelerationCompensation(_txBuf, sizeof _txBuf, kMode, &_requestSize,
                                                                   v9dToMat3f(_settings.AccelCompC),
                                                                   v3dToVec3f(_settings.AccelCompB)),
                     &gIsCheckingForAccelCompResponse);
}

AqError AQ9UartSensor::sendGyroCompensation()
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genWriteGyroCompensation(_txBuf, sizeof _txBuf, kMode, &_requestSize,
                                                           v9dToMat3f(_settings.GyroCompC),
                                                           v3dToVec3f(_settings.GyroCompB)),
                     &gIsCheckingForGyroCompResponse);
}

AqError AQ9UartSensor::sendInstrumentRotation()
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genWriteReferenceFrameRotation(_txBuf, sizeof _txBuf, kMode, &_requestSize,
                                                                 v9dToMat3f(_settings.Rot)),
                     &gIsCheckingForRotationResponse);
}

AqError AQ9UartSensor::sendAFEGyroTuningParameters()
{
    const v9d& t = _settings.AFEGyroTuning;
    clearTxBuf();
    return sendBuilt(AqUartPacket_genWriteAfeGyroBasicTuning(_txBuf, sizeof _txBuf, kMode, &_requestSize,
                                                             tuningRow(t, 0), tuningRow(t, 1), tuningRow(t, 2)),
                     &gIsCheckingForAFEGyroResponse);
}

AqError AQ9UartSensor::sendAFEAccelTuningParameters()
{
    const v9d& t = _settings.AFEAccelTuning;
    clearTxBuf();
    return sendBuilt(AqUartPacket_genWriteAfeAccelerometerBasicTuning(_txBuf, sizeof _txBuf, kMode, &_requestSize,
                                                                      tuningRow(t, 0), tuningRow(t, 1),
                                                                      tuningRow(t, 2)),
                     &gIsCheckingForAFEAccelResponse);
}

AqError AQ9UartSensor::sendAFEMagTuningParameters()
{
    const v9d& t = _settings.AFEMagTuning;
    clearTxBuf();
    return sendBuilt(AqUartPacket_genWriteAfeMagnetometerBasicTuning(_txBuf, sizeof _txBuf, kMode, &_requestSize,
                                                                     tuningRow(t, 0), tuningRow(t, 1), tuningRow(t, 2)),
                     &gIsCheckingForAFEMagResponse);
}

AqError AQ9UartSensor::sendFilterStartupBiasParameters()
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genWriteStartupFilterBiasEstimate(_txBuf, sizeof _txBuf, kMode, &_requestSize,
                                                                    v3dToVec3f(_settings.GyroStartupBias),
                                                                    v3dToVec3f(_settings.AccelStartupBias), 0.0f),
                     &gIsCheckingForStartupBiasResponse);
}

AqError AQ9UartSensor::sendAFEBasicControlParameters()
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genWriteAfeBasicControl(_txBuf, sizeof _txBuf, kMode, &_requestSize,
                                                          _settings.AFEBasic_Enable, _settings.AFEBasic_HeadingMode,
                                                          _settings.AFEBasic_FilteringMode,
                                                          _settings.AFEBasic_TuningMode),
                     &gIsCheckingForAFEBasicControlResponse);
}

AqError AQ9UartSensor::sendKnownMagDisturbanceCmd(Boolean disturbancePresent)
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genCmdKnownMagneticDisturbance(_txBuf, sizeof _txBuf, kMode,
                                                                 disturbancePresent != 0 ? 1 : 0, &_requestSize),
                     &gIsCheckingForKnownMagneticDisturbanceResponse);
}

AqError AQ9UartSensor::getModelNumber()
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genReadModelNumber(_txBuf, sizeof _txBuf, kMode, &_requestSize),
                     &gIsCheckingForModelNumberResponse);
}

AqError AQ9UartSensor::getHardwareRevisionNumber()
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genReadHardwareRevision(_txBuf, sizeof _txBuf, kMode, &_requestSize),
                     &gIsCheckingForHardwareVersionResponse);
}

AqError AQ9UartSensor::getSerialNumber()
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genReadSerialNumber(_txBuf, sizeof _txBuf, kMode, &_requestSize),
                     &gIsCheckingForSerialNumberResponse);
}

AqError AQ9UartSensor::getFirmwareVersion()
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genReadFirmwareVersion(_txBuf, sizeof _txBuf, kMode, &_requestSize),
                     &gIsCheckingForFWVersionResponse);
}

AqError AQ9UartSensor::getCalculatedHSICalibration()
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genReadCalculatedMagnetometerCalibration(_txBuf, sizeof _txBuf, kMode, &_requestSize),
                     &gIsCheckingForOnboardHSICalResponse);
}

AqError AQ9UartSensor::getUserHSICalibration()
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genReadMagnetometerCompensation(_txBuf, sizeof _txBuf, kMode, &_requestSize),
                     &gIsCheckingForMagCompResponse);
}

AqError AQ9UartSensor::getInstrumentRotationMatrix()
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genReadReferenceFrameRotation(_txBuf, sizeof _txBuf, kMode, &_requestSize),
                     &gIsCheckingForRotationResponse);
}

AqError AQ9UartSensor::writeSettingToEEPROM()
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genCmdWriteSettings(_txBuf, sizeof _txBuf, kMode, &_requestSize),
                     &gIsCheckingForEERPROMSaveResponse);
}

AqError AQ9UartSensor::resetDevice()
{
    clearTxBuf();
    return sendBuilt(AqUartPacket_genCmdReset(_txBuf, sizeof _txBuf, kMode, &_requestSize),
                     &gIsCheckingForResetResponse);
}

AqError AQ9UartSensor::configureReferenceVectors(float siteLat, float siteLong, bool useMagModel, bool useGravityModel,
                                                 float decimalYear)
{
    vec3d position;
    position.c[0] = siteLat;
    position.c[1] = siteLong;
    position.c[2] = 0.0;
    clearTxBuf();
    return sendBuilt(AqUartPacket_genWriteReferenceVectorConfiguration(_txBuf, sizeof _txBuf, kMode, &_requestSize,
                                                                       useMagModel ? 1 : 0, useGravityModel ? 1 : 0, 0,
                                                                       0, 100, decimalYear, position),
                     &gIsCheckingForReferenceVectorConfigResponse);
}
