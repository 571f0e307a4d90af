// The two data logs of the driver: "aqAhrs" (18 columns) and "aqMeas" (11).
// Each record carries the values just published in the matching block.
#ifndef AQ9_LOG_H
#define AQ9_LOG_H

#include "DataLog.h"

class AQ9;

class AQ9Log : public DataLogWriter
{
  public:
    AQ9Log(AQ9* aq9, DataLog::FileFormat fileFormat);
    virtual ~AQ9Log();
    virtual void setFields();
    static const int kColumns = 18;

  private:
    // The column objects in record order.
    void columns(DataField** out) const;
    AQ9* _aq9;
    AngleData* _roll;
    AngleData* _pitch;
    AngleData* _yaw;
    AngleData* _sigmaRoll;
    AngleData* _sigmaPitch;
    AngleData* _sigmaYaw;
    DoubleData* _rollRate;
    DoubleData* _pitchRate;
    DoubleData* _yawRate;
    DoubleData* _accelX;
    DoubleData* _accelY;
    DoubleData* _accelZ;
    DoubleData* _magX;
    DoubleData* _magY;
    DoubleData* _magZ;
    DoubleData* _temp;
    DoubleData* _pres;
    IntegerData* _afeStatus;
};

class AQ9RawMeasLog : public DataLogWriter
{
  public:
    AQ9RawMeasLog(AQ9* aq9, DataLog::FileFormat fileFormat);
    virtual ~AQ9RawMeasLog();
    virtual void setFields();
    static const int kColumns = 11;

  private:
    void columns(DataField** out) const;
    AQ9* _aq9;
    DoubleData* _uMagX;
    DoubleData* _uMagY;
    DoubleData* _uMagZ;
    DoubleData* _uAccelX;
    DoubleData* _uAccelY;
    DoubleData* _uAccelZ;
    DoubleData* _uRollRate;
    DoubleData* _uPitchRate;
    DoubleData* _uYawRate;
    DoubleData* _uTemp;
    DoubleData* _uPres;
};

// The onboard-calibration log: declared for the driver's owner pointer; no step
// of the driver creates it.
class AQ9IronCalibrationLog : public DataLogWriter
{
  public:
    explicit AQ9IronCalibrationLog(AQ9* aq9);
    virtual ~AQ9IronCalibrationLog();
    virtual void setFields();

  private:
    AQ9* _aq9;
};

#endif
