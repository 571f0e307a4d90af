// Scripted vehicle motions: attitude and body rates as plain functions of the
// simulated time, so the same time always gives the same values.
#ifndef SIM_MOTION_H
#define SIM_MOTION_H

namespace aq9sim {

enum MotionKind
{
    MOTION_STILL,       // level, heading 060
    MOTION_TURN,        // level, one steady turn to starboard at 3 deg/s
    MOTION_LEVEL_TURNS, // level full circles at 10 deg/s, alternating direction
    MOTION_TUMBLE,      // every heading, pitch to +-70 and roll through +-175: the whole sphere
    MOTION_SEAWAY       // slow turns with trim, bank and a few degrees of wave roll and pitch
};

// "still", "turn", "level-turns", "tumble", "seaway"; false for other names.
bool motionFromName(const char* name, MotionKind* kind);
const char* motionName(MotionKind kind);

// Degrees; yaw in [-180, 180), the sensor's heading convention.
struct Attitude
{
    double yaw;
    double pitch;
    double roll;
};

Attitude attitudeAt(MotionKind kind, double t);
// Body angular rate in vehicle axes, rad/s.
void bodyRateAt(MotionKind kind, double t, double rate[3]);

} // namespace aq9sim

#endif
