#include "FakeSensor.h"

#include <string.h>

FakeSensor::FakeSensor()
    : lastHsiMode(0), lastHsiOutput(0), lastHsiRate(0), lastDisturbance(0), lastLat(0), lastLong(0), lastYear(0),
      lastUseMag(false), lastUseGrav(false), gravRefToReport(), magRefToReport(), userMagCompC(), userMagCompB()
{
    gravRefToReport.c[2] = -9.8f;
    magRefToReport.c[0] = 0.25f;
    magRefToReport.c[2] = 0.4f;
    for (int i = 0; i < 9; i += 4)
        userMagCompC.c[i] = 1.0;
    strcpy(_modelNumber, "AQ-9T");
    strcpy(_firmwareVersion, "1.0.0.0");
    _hwRevision = 0;
    _serialNumber = 0;
}

FakeSensor::~FakeSensor() {}

void FakeSensor::fail(const std::string& operation, AqError failWith)
{
    _failures.push_back(std::make_pair(operation, failWith));
}

int FakeSensor::count(const std::string& operation) const
{
    int n = 0;
    for (const std::string& c : calls)
        if (c == operation)
            n++;
    return n;
}

AqError FakeSensor::record(const char* operation)
{
    calls.push_back(operation);
    for (const auto& f : _failures)
        if (f.first == operation)
            return f.second;
    return E_NONE;
}

DeviceIF::Status FakeSensor::initIface()
{
    return record("initIface") == E_NONE ? DeviceIF::Ok : DeviceIF::Error;
}
DeviceIF::Status FakeSensor::finalizeIface()
{
    return record("finalizeIface") == E_NONE ? DeviceIF::Ok : DeviceIF::Error;
}
AqError FakeSensor::disableAsyncUartAsciiOutput() { return record("disableAsyncUartAsciiOutput"); }
AqError FakeSensor::enableCrcChecksums() { return record("enableCrcChecksums"); }
AqError FakeSensor::setupBinaryReg1DesiredOutputs() { return record("setupBinaryReg1DesiredOutputs"); }
AqError FakeSensor::setupBinaryReg2DesiredOutputs() { return record("setupBinaryReg2DesiredOutputs"); }

AqError FakeSensor::getMagGravRefVectors()
{
    AqError e = record("getMagGravRefVectors");
    if (e == E_NONE)
    {
        _gravRefVector = gravRefToReport;
        _magRefVector = magRefToReport;
    }
    return e;
}

AqError FakeSensor::sendHSISettings(uint8_t HSIMode, uint8_t HSIOutput, uint8_t HSIConvergeRate)
{
    lastHsiMode = HSIMode;
    lastHsiOutput = HSIOutput;
    lastHsiRate = HSIConvergeRate;
    AqError e = record("sendHSISettings");
    if (e == E_NONE)
    {
        // The sensor echoes the values, and the link stores the echo.
        _settings.HSIMode = HSIMode;
        _settings.HSIOutput = HSIOutput;
        _settings.HSIConvergeRate = HSIConvergeRate;
    }
    return e;
}

AqError FakeSensor::sendMagCompensation() { return record("sendMagCompensation"); }
AqError FakeSensor::sendAccelCompensation() { return record("sendAccelCompensation"); }
AqError FakeSensor::sendGyroCompensation() { return record("sendGyroCompensation"); }
AqError FakeSensor::sendInstrumentRotation() { return record("sendInstrumentRotation"); }
AqError FakeSensor::sendAFEGyroTuningParameters() { return record("sendAFEGyroTuningParameters"); }
AqError FakeSensor::sendAFEAccelTuningParameters() { return record("sendAFEAccelTuningParameters"); }
AqError FakeSensor::sendAFEMagTuningParameters() { return record("sendAFEMagTuningParameters"); }
AqError FakeSensor::sendFilterStartupBiasParameters() { return record("sendFilterStartupBiasParameters"); }
AqError FakeSensor::sendAFEBasicControlParameters() { return record("sendAFEBasicControlParameters"); }

AqError FakeSensor::sendKnownMagDisturbanceCmd(Boolean disturbancePresent)
{
    lastDisturbance = disturbancePresent;
    return record("sendKnownMagDisturbanceCmd");
}

AqError FakeSensor::getModelNumber() { return record("getModelNumber"); }
AqError FakeSensor::getHardwareRevisionNumber() { return record("getHardwareRevisionNumber"); }
AqError FakeSensor::getSerialNumber() { return record("getSerialNumber"); }
AqError FakeSensor::getFirmwareVersion() { return record("getFirmwareVersion"); }
AqError FakeSensor::getCalculatedHSICalibration() { return record("getCalculatedHSICalibration"); }

AqError FakeSensor::getUserHSICalibration()
{
    AqError e = record("getUserHSICalibration");
    if (e == E_NONE)
    {
        _settings.MagCompC = userMagCompC;
        _settings.MagCompB = userMagCompB;
    }
    return e;
}

AqError FakeSensor::getInstrumentRotationMatrix() { return record("getInstrumentRotationMatrix"); }
AqError FakeSensor::writeSettingToEEPROM() { return record("writeSettingToEEPROM"); }
AqError FakeSensor::resetDevice() { return record("resetDevice"); }

AqError FakeSensor::configureReferenceVectors(float siteLat, float siteLong, bool useMagModel, bool useGravityModel,
                                              float decimalYear)
{
    lastLat = siteLat;
    lastLong = siteLong;
    lastUseMag = useMagModel;
    lastUseGrav = useGravityModel;
    lastYear = decimalYear;
    return record("configureReferenceVectors");
}

const char* FakeSensor::interfaceStr()
{
    return "/dev/fake";
}

ahrsData_SensorUnits FakeSensor::getAhrsData()
{
    calls.push_back("getAhrsData");
    memset(&_ahrsData, 0, sizeof _ahrsData);
    if (!ahrsRecords.empty())
    {
        _ahrsData = ahrsRecords.front();
        ahrsRecords.pop_front();
    }
    return _ahrsData;
}

rawMeasData_SensorUnits FakeSensor::getRawMeasData()
{
    calls.push_back("getRawMeasData");
    memset(&_rawMeasData, 0, sizeof _rawMeasData);
    if (!rawRecords.empty())
    {
        _rawMeasData = rawRecords.front();
        rawRecords.pop_front();
    }
    return _rawMeasData;
}
