#ifndef FRAMEWORK_AQ9IF_H
#define FRAMEWORK_AQ9IF_H

#include <stdint.h>

#include "DeviceIF.h"
#include "TaskInterface.h"

class TimeIF
{
  public:
    struct TimeSpec
    {
        int32_t seconds;
        int32_t nanoseconds;
    };
};

class AhrsIF
{
  public:
    struct Attitude
    {
        float dummy;
    };
};

// Server side of the driver's task interface. The driver only creates and
// deletes it; its commands arrive through the AQ9Command queue.
class AQ9IF : public TaskInterface
{
  public:
    enum Event
    {
        MessagesWaiting = 0
    };

    struct Request
    {
        int32_t code;
    };

    struct AccelerationMsg
    {
        Request request;
        DeviceIF::Status returnVal;
        double accelX, accelY, accelZ;
        TimeIF::TimeSpec sampleTime;
    };
    struct MagneticVectorMsg
    {
        Request request;
        DeviceIF::Status returnVal;
        double magX, magY, magZ;
        TimeIF::TimeSpec sampleTime;
    };
    struct AllMsg
    {
        Request request;
        DeviceIF::Status returnVal;
        AhrsIF::Attitude attitude;
        double accelX, accelY, accelZ, magX, magY, magZ, temperature;
        TimeIF::TimeSpec sampleTime;
    };
    struct CommandMsg
    {
        Request request;
        DeviceIF::Status returnVal;
    };
    typedef CommandMsg DisableHSIMsg, EnableHSIMsg, ResetHSIMsg, UseAqSensorHSIMsg, IgnoreAqSensorHSIMsg,
        StartBatchIronCalibrationMsg, FinishBatchIronCalibrationMsg, ResetDeviceMsg, ReInitializeDeviceMsg;
    struct SetRefVectorPositionMsg
    {
        Request request;
        DeviceIF::Status returnVal;
        float lat, lon;
    };
    struct SetRefVectorYearMsg
    {
        Request request;
        DeviceIF::Status returnVal;
        float year;
    };

    AQ9IF(const char* name, int timeout);
    virtual ~AQ9IF();

    DeviceIF::Status acceleration(double* x, double* y, double* z);
    DeviceIF::Status magneticVector(double* x, double* y, double* z);
    DeviceIF::Status all(AllMsg* msg);
    DeviceIF::Status disableHSI();
    DeviceIF::Status enableHSI();
    DeviceIF::Status resetHSI();
    DeviceIF::Status useAqSensorHSI();
    DeviceIF::Status ignoreAqSensorHSI();
    DeviceIF::Status startBatchIronCalibration();
    DeviceIF::Status finishBatchIronCalibration();
    DeviceIF::Status resetDevice();
    DeviceIF::Status reInitializeDevice();
    DeviceIF::Status setRefVectorPosition(float lat, float lon);
    DeviceIF::Status setRefVectorYear(float year);

  private:
    AccelerationMsg _accelerationMsg;
    MagneticVectorMsg _magneticVectorMsg;
    AllMsg _allMsg;
    CommandMsg _commandMsg;
    SetRefVectorPositionMsg _setRefVectorPositionMsg;
    SetRefVectorYearMsg _setRefVectorYearMsg;
};
#endif
