// Conversion of the sensor's records to the vehicle's units and publication in
// the two shared-memory blocks.
#include <math.h>
#include <string.h>
#include <time.h>

#include "AQ9.h"
#include "AQ9Units.h"
#include "Syslog.h"

float AQ9::vec3fMag(vec3f v)
{
    return sqrtf(v.c[0] * v.c[0] + v.c[1] * v.c[1] + v.c[2] * v.c[2]);
}

// The gravity magnitude that divides accelerations. A zero or non-finite
// reference vector would turn every published acceleration into inf/NaN, so the
// construction value stands in, logged once each time the vector turns bad.
float AQ9::gravityMagnitude()
{
    float g = vec3fMag(gVector());
    if (g > 0 && isfinite(g))
    {
        _gravityFallbackLogged = 0;
        return g;
    }
    if (!_gravityFallbackLogged)
    {
        Syslog::write("AQ9 - invalid gravity reference vector, using 9.793746");
        _gravityFallbackLogged = 1;
    }
    return kDefaultGravity;
}

aq9DataConsumerUnits AQ9::sensorToConsumerData(ahrsData_SensorUnits ad)
{
    aq9DataConsumerUnits c;
    memset(&c, 0, sizeof c);
    c.yaw_rad = AQ9Units_degToRad(ad.ypr_deg.c[0]);
    c.pitch_rad = AQ9Units_degToRad(ad.ypr_deg.c[1]);
    c.roll_rad = AQ9Units_degToRad(ad.ypr_deg.c[2]);
    c.sigmaYaw_rad = AQ9Units_degToRad(ad.yprU.c[0]);
    c.sigmaPitch_rad = AQ9Units_degToRad(ad.yprU.c[1]);
    c.sigmaRoll_rad = AQ9Units_degToRad(ad.yprU.c[2]);
    c.rollRate_rads = ad.gyro_rads.c[0];
    c.pitchRate_rads = ad.gyro_rads.c[1];
    c.yawRate_rads = ad.gyro_rads.c[2];
    float g = gravityMagnitude();
    c.accelX_g = ad.accel_ms2.c[0] / g;
    c.accelY_g = ad.accel_ms2.c[1] / g;
    c.accelZ_g = ad.accel_ms2.c[2] / g;
    c.magX_G = ad.mag_G.c[0];
    c.magY_G = ad.mag_G.c[1];
    c.magZ_G = ad.mag_G.c[2];
    c.afeStatus = ad.afeStatus;
    c.temp_C = ad.temp_C;
    c.pres_kpa = ad.pres_kPa;
    return c;
}

aq9DataConsumerUnits AQ9::sensorToConsumerData(rawMeasData_SensorUnits rd)
{
    aq9DataConsumerUnits c;
    memset(&c, 0, sizeof c);
    c.uMagX_G = rd.mag_G.c[0];
    c.uMagY_G = rd.mag_G.c[1];
    c.uMagZ_G = rd.mag_G.c[2];
    c.uAccelX_ms2 = rd.accel_ms2.c[0];
    c.uAccelY_ms2 = rd.accel_ms2.c[1];
    c.uAccelZ_ms2 = rd.accel_ms2.c[2];
    c.uRollRate_rads = rd.gyro_rads.c[0];
    c.uPitchRate_rads = rd.gyro_rads.c[1];
    c.uYawRate_rads = rd.gyro_rads.c[2];
    c.temp_C = rd.temp_C;
    c.pres_kpa = rd.pres_kpa;
    return c;
}

void AQ9::writeOutput()
{
    AQ9Output::Data& o = _output->data;
    o.roll_rad = data.roll_rad;
    o.pitch_rad = data.pitch_rad;
    o.yaw_rad = data.yaw_rad;
    o.sigmaRoll_rad = data.sigmaRoll_rad;
    o.sigmaPitch_rad = data.sigmaPitch_rad;
    o.sigmaYaw_rad = data.sigmaYaw_rad;
    o.rollRate_rad_s = data.rollRate_rads;
    o.pitchRate_rad_s = data.pitchRate_rads;
    o.yawRate_rad_s = data.yawRate_rads;
    o.magX_G = data.magX_G;
    o.magY_G = data.magY_G;
    o.magZ_G = data.magZ_G;
    o.accelX_g = data.accelX_g;
    o.accelY_g = data.accelY_g;
    o.accelZ_g = data.accelZ_g;
    o.temp_C = data.temp_C;
    o.pres_kPa = data.pres_kpa;
    o.afeStatus = data.afeStatus;
    // The time of publication, not of measurement.
    clock_gettime(CLOCK_REALTIME, &o.sampleTime);
    o.status = DeviceIF::Ok;
    _output->write();
}

void AQ9::writeRawMeasOutput()
{
    AQ9RawMeasOutput::Data& o = _rawMeasOutput->data;
    o.uMagX_G = data.uMagX_G;
    o.uMagY_G = data.uMagY_G;
    o.uMagZ_G = data.uMagZ_G;
    o.uAccelX_m_s2 = data.uAccelX_ms2;
    o.uAccelY_m_s2 = data.uAccelY_ms2;
    o.uAccelZ_m_s2 = data.uAccelZ_ms2;
    o.uRollRate_rad_s = data.uRollRate_rads;
    o.uPitchRate_rad_s = data.uPitchRate_rads;
    o.uYawRate_rad_s = data.uYawRate_rads;
    o.uTemp_C = data.temp_C;
    o.uPres_kPa = data.pres_kpa;
    clock_gettime(CLOCK_REALTIME, &o.sampleTime);
    o.status = DeviceIF::Ok;
    _rawMeasOutput->write();
}
