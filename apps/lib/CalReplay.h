// A calibration run again, on the records of an attitude log: every row is
// offered to the engine through the driver's own steps (HsiRun), in order, as
// the driver offered the live records, then solved, graded and composed the
// same way. Besides the driver's result it keeps what a picture of the run
// needs: each kept sample with its field before and after correction, and the
// keep rule's patches with their fill counts.
#ifndef CAL_REPLAY_H
#define CAL_REPLAY_H

#include <stdint.h>
#include <stdio.h>

#include <vector>

#include "AhrsLogReader.h"
#include "HsiRun.h"
#include "SnapshotReader.h"

// What the driver's run took from the sensor, its settings and its state.
struct CalReplaySetup
{
    bool mode3D;
    uint32_t dataRate;  // Hz, the rate the 2D keep rule assumes
    float siteLat, siteLong;
    v9d rot, magC;
    v3d magB;
    float gravity;  // m/s^2, turns logged g back into m/s^2
};

// From a snapshot, with the mode the run used (the snapshot does not say) and
// the rate of the polls the driver registered at that AHRS rate.
CalReplaySetup CalReplay_setupFrom(const SnapshotSettings& s, bool mode3D);

struct CalKeptSample
{
    int64_t time_ns;
    long line;  // in the log
    AqHsiYmr meas;
    float keepDirection[3];  // unit direction the keep rule filed it under, body axes
    float residualBefore;    // |field| / site field - 1, as logged
    float residualAfter;     // the same after the correction (NaN after a failed solve)
    float verticalAfter;     // vertical residual after the correction (NaN likewise)
    float corrected[3];      // gauss (NaN likewise)
};

struct CalPatch
{
    float centre[3];  // unit direction, body axes
    int fill;         // samples counted, at most nDataPerPatch
};

struct CalReplay
{
    CalReplaySetup setup;
    size_t offered;
    std::vector<CalKeptSample> kept;  // in the buffer's order
    AqHsiConfig config;
    AqHsiSol sol;
    AqHsiFom fom;
    unsigned int scores[AQHSI_NUM_FOM];
    HsiRunOutcome outcome;
    AqHsiDipole site;  // the engine's field model: updated by a successful solve
    std::vector<CalPatch> patches;
    float patchHalfAngle;  // radians
    uint32_t nDataPerPatch;
};

// Runs the engine over rows. One engine per process: this starts a new run of it.
void CalReplay_run(const CalReplaySetup& setup, const std::vector<AhrsLogRow>& rows, CalReplay& out);

// The driver's report for the run, to f.
void CalReplay_writeReport(FILE* f, const CalReplay& r);

#endif
