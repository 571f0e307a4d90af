// The AHRS shared-memory block "aq9Output" read by the vehicle's other tasks.
#ifndef AQ9_OUTPUT_H
#define AQ9_OUTPUT_H

#include <stddef.h>
#include <stdint.h>
#include <time.h>

#include "DeviceIF.h"
#include "SharedData.h"

class AQ9Output : public SharedData
{
  public:
    // Layout shared with the consumer tasks (little-endian).
    struct Data
    {
        DeviceIF::Status status;
        double roll_rad;
        double pitch_rad;
        double yaw_rad;
        double sigmaRoll_rad;
        double sigmaPitch_rad;
        double sigmaYaw_rad;
        double rollRate_rad_s;
        double pitchRate_rad_s;
        double yawRate_rad_s;
        double accelX_g;
        double accelY_g;
        double accelZ_g;
        double magX_G;
        double magY_G;
        double magZ_G;
        double temp_C;
        double pres_kPa;
        int32_t afeStatus;
        timespec sampleTime;
    };

    AQ9Output(SharedData::Access access, Boolean init);
    virtual ~AQ9Output();
    // Refresh the local copy from shared memory.
    virtual void read();
    // Publish the local copy.
    virtual void write();
    // Zero the local copy; nothing is published.
    virtual void clear();

    Data data;
};

static_assert(sizeof(AQ9Output::Data) == 168, "aq9Output size");
static_assert(offsetof(AQ9Output::Data, roll_rad) == 8, "roll offset");
static_assert(offsetof(AQ9Output::Data, rollRate_rad_s) == 56, "rate offset");
static_assert(offsetof(AQ9Output::Data, accelX_g) == 80, "accel offset");
static_assert(offsetof(AQ9Output::Data, magX_G) == 104, "mag offset");
static_assert(offsetof(AQ9Output::Data, temp_C) == 128, "temp offset");
static_assert(offsetof(AQ9Output::Data, pres_kPa) == 136, "pres offset");
static_assert(offsetof(AQ9Output::Data, afeStatus) == 144, "afeStatus offset");
static_assert(offsetof(AQ9Output::Data, sampleTime) == 152, "sampleTime offset");

#endif
