// A scripted sensor link for the driver's tests: records every operation in
// call order, fails the operations a test names, echoes what a sensor would
// store back, and hands out queued measurement records.
#ifndef TESTS_FAKESENSOR_H
#define TESTS_FAKESENSOR_H

#include <deque>
#include <set>
#include <string>
#include <vector>

#include "AQ9Sensor.h"

class FakeSensor : public AQ9Sensor
{
  public:
    FakeSensor();
    virtual ~FakeSensor();

    // Makes the named operation ("sendGyroCompensation", ...) return failWith.
    void fail(const std::string& operation, AqError failWith = E_UNKNOWN);
    // Operations called so far, in order, without arguments.
    std::vector<std::string> calls;
    // Count of calls of one operation.
    int count(const std::string& operation) const;

    // Records handed out by the polls; an empty queue gives dataGood 0.
    std::deque<ahrsData_SensorUnits> ahrsRecords;
    std::deque<rawMeasData_SensorUnits> rawRecords;

    // What the last calls carried.
    uint8_t lastHsiMode, lastHsiOutput, lastHsiRate;
    Boolean lastDisturbance;
    float lastLat, lastLong, lastYear;
    bool lastUseMag, lastUseGrav;
    // Values the read-back operations store.
    vec3f gravRefToReport;
    vec3f magRefToReport;
    v9d userMagCompC;
    v3d userMagCompB;

    virtual DeviceIF::Status initIface();
    virtual DeviceIF::Status finalizeIface();
    virtual AqError disableAsyncUartAsciiOutput();
    virtual AqError enableCrcChecksums();
    virtual AqError setupBinaryReg1DesiredOutputs();
    virtual AqError setupBinaryReg2DesiredOutputs();
    virtual AqError getMagGravRefVectors();
    virtual AqError sendHSISettings(uint8_t HSIMode, uint8_t HSIOutput, uint8_t HSIConvergeRate);
    virtual AqError sendMagCompensation();
    virtual AqError sendAccelCompensation();
    virtual AqError sendGyroCompensation();
    virtual AqError sendInstrumentRotation();
    virtual AqError sendAFEGyroTuningParameters();
    virtual AqError sendAFEAccelTuningParameters();
    virtual AqError sendAFEMagTuningParameters();
    virtual AqError sendFilterStartupBiasParameters();
    virtual AqError sendAFEBasicControlParameters();
    virtual AqError sendKnownMagDisturbanceCmd(Boolean disturbancePresent);
    virtual AqError getModelNumber();
    virtual AqError getHardwareRevisionNumber();
    virtual AqError getSerialNumber();
    virtual AqError getFirmwareVersion();
    virtual AqError getCalculatedHSICalibration();
    virtual AqError getUserHSICalibration();
    virtual AqError getInstrumentRotationMatrix();
    virtual AqError writeSettingToEEPROM();
    virtual AqError resetDevice();
    virtual AqError configureReferenceVectors(float siteLat, float siteLong, bool useMagModel, bool useGravityModel,
                                              float decimalYear);
    virtual const char* interfaceStr();
    virtual ahrsData_SensorUnits getAhrsData();
    virtual rawMeasData_SensorUnits getRawMeasData();

  private:
    AqError record(const char* operation);
    std::vector<std::pair<std::string, AqError>> _failures;
};

#endif
