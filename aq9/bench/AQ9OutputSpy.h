// Output spies: the two shared-memory blocks with write() counted instead of
// published, so scenarios can see what the driver would have shown consumers.
#ifndef BENCH_AQ9OUTPUTSPY_H
#define BENCH_AQ9OUTPUTSPY_H

#include "AQ9Output.h"
#include "AQ9RawMeasOutput.h"

class AQ9OutputSpy : public AQ9Output
{
  public:
    AQ9OutputSpy() : AQ9Output(SharedData::ReadWrite, 1), _writeCount(0), _clearCount(0) {}
    virtual ~AQ9OutputSpy() {}
    virtual void write() { _writeCount++; }
    virtual void clear()
    {
        AQ9Output::clear();
        _clearCount++;
    }
    DeviceIF::Status get_data_status() { return data.status; }

    int writeCount() { return _writeCount; }
    int clearCount() { return _clearCount; }
    double yaw() { return data.yaw_rad; }
    double pitch() { return data.pitch_rad; }
    double roll() { return data.roll_rad; }
    void setRoll(double v) { data.roll_rad = v; }
    double accelX() { return data.accelX_g; }
    double accelY() { return data.accelY_g; }
    double accelZ() { return data.accelZ_g; }
    double magX() { return data.magX_G; }
    double magY() { return data.magY_G; }
    double magZ() { return data.magZ_G; }
    double rollRate() { return data.rollRate_rad_s; }
    double pitchRate() { return data.pitchRate_rad_s; }
    double yawRate() { return data.yawRate_rad_s; }
    double temp() { return data.temp_C; }
    double pres() { return data.pres_kPa; }
    double sigmaRoll() { return data.sigmaRoll_rad; }
    double sigmaPitch() { return data.sigmaPitch_rad; }
    double sigmaYaw() { return data.sigmaYaw_rad; }
    int afeStatus() { return data.afeStatus; }

  private:
    int _writeCount;
    int _clearCount;
};

class AQ9RawMeasOutputSpy : public AQ9RawMeasOutput
{
  public:
    AQ9RawMeasOutputSpy() : AQ9RawMeasOutput(SharedData::ReadWrite, 1), _writeCount(0), _clearCount(0) {}
    virtual ~AQ9RawMeasOutputSpy() {}
    virtual void write() { _writeCount++; }
    virtual void clear()
    {
        AQ9RawMeasOutput::clear();
        _clearCount++;
    }
    DeviceIF::Status get_data_status() { return data.status; }

    int writeCount() { return _writeCount; }
    int clearCount() { return _clearCount; }
    double uMagX() { return data.uMagX_G; }
    double uMagY() { return data.uMagY_G; }
    double uMagZ() { return data.uMagZ_G; }
    double uAccelX() { return data.uAccelX_m_s2; }
    double uAccelY() { return data.uAccelY_m_s2; }
    double uAccelZ() { return data.uAccelZ_m_s2; }
    double uRollRate() { return data.uRollRate_rad_s; }
    double uPitchRate() { return data.uPitchRate_rad_s; }
    double uYawRate() { return data.uYawRate_rad_s; }
    double uTemp() { return data.uTemp_C; }
    double uPres() { return data.uPres_kPa; }

  private:
    int _writeCount;
    int _clearCount;
};

#endif
