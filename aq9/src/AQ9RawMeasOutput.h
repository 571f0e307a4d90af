// The raw-measurement shared-memory block "aq9RawMeasOutput".
#ifndef AQ9_RAWMEASOUTPUT_H
#define AQ9_RAWMEASOUTPUT_H

#include <stddef.h>
#include <time.h>

#include "DeviceIF.h"
#include "SharedData.h"

class AQ9RawMeasOutput : public SharedData
{
  public:
    struct Data
    {
        DeviceIF::Status status;
        double uMagX_G;
        double uMagY_G;
        double uMagZ_G;
        double uAccelX_m_s2;
        double uAccelY_m_s2;
        double uAccelZ_m_s2;
        double uRollRate_rad_s;
        double uPitchRate_rad_s;
        double uYawRate_rad_s;
        double uTemp_C;
        double uPres_kPa;
        timespec sampleTime;
    };

    AQ9RawMeasOutput(SharedData::Access access, Boolean init);
    virtual ~AQ9RawMeasOutput();
    virtual void read();
    virtual void write();
    virtual void clear();

    Data data;
};

static_assert(sizeof(AQ9RawMeasOutput::Data) == 112, "aq9RawMeasOutput size");
static_assert(offsetof(AQ9RawMeasOutput::Data, uMagX_G) == 8, "uMagX offset");
static_assert(offsetof(AQ9RawMeasOutput::Data, uAccelX_m_s2) == 32, "uAccel offset");
static_assert(offsetof(AQ9RawMeasOutput::Data, uRollRate_rad_s) == 56, "uRate offset");
static_assert(offsetof(AQ9RawMeasOutput::Data, uTemp_C) == 80, "uTemp offset");
static_assert(offsetof(AQ9RawMeasOutput::Data, uPres_kPa) == 88, "uPres offset");
static_assert(offsetof(AQ9RawMeasOutput::Data, sampleTime) == 96, "sampleTime offset");

#endif
