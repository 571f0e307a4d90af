// Reading back the driver's settings snapshot "aq9.dat": the "key=value;"
// lines after its "%" header. A calibration re-run takes from it what the
// driver's run took from the sensor and its own state: the mounting rotation,
// the magnetometer compensation in force, the site and the AHRS rate. The
// snapshot prints them with seven decimals ("%.7f"), so values of magnitude 1
// and above (the usual rotations, the diagonal of a compensation) come back
// exactly and smaller ones to within 5e-8.
#ifndef SNAPSHOT_READER_H
#define SNAPSHOT_READER_H

#include <string>

#include "AQ9Structs.h"

struct SnapshotSettings
{
    v9d rot;   // RotationMatrix_rowMajor
    v9d magC;  // MagCompC
    v3d magB;  // MagCompB
    float siteLat, siteLong;  // degrees
    long ahrsRateHz;
    float gravity;  // magnitude of GravRefVector, m/s^2
};

struct SnapshotRead
{
    bool ok;
    std::string error;  // "FILE:LINE: what" or "FILE: what"
    SnapshotSettings settings;
};

// Reads path. A missing rotation, compensation, site or rate, and a value of
// the wrong shape, are errors; a missing or zero gravity vector gives the
// driver's default magnitude.
SnapshotRead SnapshotReader_read(const std::string& path);

#endif
