// Records shared by the driver task and the sensor links: the driver's double
// precision settings types, the two measurement records in sensor units and the
// settings record.
#ifndef AQ9_STRUCTS_H
#define AQ9_STRUCTS_H

#include <stdint.h>
#include <time.h>

#include "Boolean.h"
#include "aq/util.h"

// Three doubles: a vector of the settings.
typedef struct v3d
{
    double c[3];
} v3d;

// Nine doubles: a 3x3 matrix stored row by row, c[3*r + k] is row r, column k.
typedef struct v9d
{
    double c[9];
} v9d;

// Attitude record filled from binary output register 1.
typedef struct ahrsData_SensorUnits
{
    vec3f ypr_deg;
    vec3f gyro_rads;
    vec3f accel_ms2;
    vec3f mag_G;
    float temp_C;
    float pres_kPa;
    uint16_t afeStatus;
    vec3f yprU;
    timespec sampleTime;
    Boolean dataGood;
} ahrsData_SensorUnits;

// Raw (uncompensated) record filled from binary output register 2.
typedef struct rawMeasData_SensorUnits
{
    vec3f mag_G;
    vec3f accel_ms2;
    vec3f gyro_rads;
    float temp_C;
    float pres_kpa;
    timespec sampleTime;
    Boolean dataGood;
} rawMeasData_SensorUnits;

// The driver's settings, held inside the sensor object so the link reads what
// it sends and stores what the sensor reports back.
typedef struct aq9Settings
{
    int64_t ahrsRate;
    int64_t rawMeasRate;
    int64_t hsiLogInterval_sec;
    uint32_t ADOR;
    Boolean saveHSIonExit;
    Boolean loadNewHSICalFromCfgFile;
    Boolean saveNewHSICalFromCfgFileToEEPROM;
    Boolean HSICalibrationMode3D;
    uint8_t HSIMode;
    uint8_t HSIOutput;
    uint8_t HSIConvergeRate;
    v9d Rot;
    uint8_t AFEBasic_Enable;
    uint8_t AFEBasic_HeadingMode;
    uint8_t AFEBasic_FilteringMode;
    uint8_t AFEBasic_TuningMode;
    v9d AFEMagTuning;
    v9d AFEAccelTuning;
    v3d GyroStartupBias;
    v3d AccelStartupBias;
    v9d AFEGyroTuning;
    v9d GyroCompC;
    v3d GyroCompB;
    v9d AccelCompC;
    v3d AccelCompB;
    v9d MagCompC;
    v3d MagCompB;
} aq9Settings;

// The last converted measurement, in the vehicle's units.
typedef struct aq9DataConsumerUnits
{
    float roll_rad;
    float pitch_rad;
    float yaw_rad;
    float sigmaRoll_rad;
    float sigmaPitch_rad;
    float sigmaYaw_rad;
    float rollRate_rads;
    float pitchRate_rads;
    float yawRate_rads;
    float accelX_g;
    float accelY_g;
    float accelZ_g;
    float magX_G;
    float magY_G;
    float magZ_G;
    uint16_t afeStatus;
    float uMagX_G;
    float uMagY_G;
    float uMagZ_G;
    float uAccelX_ms2;
    float uAccelY_ms2;
    float uAccelZ_ms2;
    float uRollRate_rads;
    float uPitchRate_rads;
    float uYawRate_rads;
    float temp_C;
    float pres_kpa;
} aq9DataConsumerUnits;

#endif
