// The simulated unit's insides: its register file, the world it sits in (a
// scripted motion, the site's field and gravity, the iron around it, noise)
// and what it measures and reports at a given simulated time.
//
// The magnetometer follows the shared sensor model: raw = S*Rot^T*B + h in
// sensor axes, reported = Rot*C*(raw - b) in vehicle axes, with C, b from
// the magnetometer compensation register and Rot the reference frame
// rotation in effect (the one loaded at the last start, as on the unit: a new
// rotation takes effect after it is saved and the unit restarted). Heading is
// the reported field levelled with the true roll and pitch, so a poor
// calibration shows as a heading error. With the onboard estimator's output
// applied (register 44 output 3) its estimate corrects the compensated field
// before the rotation.
#ifndef SIM_UNIT_H
#define SIM_UNIT_H

#include <stdint.h>

#include "Motion.h"
#include "Registers.h"

namespace aq9sim {

// The world outside the unit, from the command line.
struct Environment
{
    MotionKind motion = MOTION_STILL;
    double timeScale = 1.0;
    double softIron[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}; // row by row
    double hardIron_mG[3] = {0, 0, 0};
    double noise_mG = 0.5; // magnetometer, each axis
    // The other sensors' noise; not on the command line, a test may silence them.
    double accelNoise_ms2 = 0.005;
    double gyroNoise_rads = 0.0002;
    double tiltNoise_deg = 0.02; // reported pitch and roll
    uint64_t seed = 1;
};

// Everything the unit outputs at one instant.
struct Sample
{
    uint64_t timeStartup_ns;
    double ypr[3];  // reported attitude, degrees
    double quat[4]; // x, y, z, w of the reported attitude
    double dcm[9];  // NED to vehicle, reported attitude, row by row
    double mag[3];  // compensated, vehicle axes, gauss
    double accel[3];
    double gyro[3];
    double magRaw[3]; // uncompensated, sensor axes
    double accelRaw[3];
    double gyroRaw[3];
    double magNed[3];
    double accelNed[3];
    double temp_C;
    double pres_kPa;
    double yprU[3]; // attitude uncertainty, degrees
    uint16_t afeStatus;
    // What no real unit can report, for the state file: the true attitude and
    // the error of the heading its compensated field gives (the reported yaw,
    // except while a known disturbance holds heading on the gyros), degrees.
    double trueYpr[3];
    double magHeadingError_deg;
};

class Unit
{
  public:
    explicit Unit(const Environment& env);

    // What a start (or restart) does: settings from the saved copy, the saved
    // rotation in effect, reference vectors recomputed, estimator restarted.
    void restart(double simTime);
    // A register write the host made (already checked); applies side effects.
    void write(int number, const RegisterValue& v, double simTime);
    void setKnownMagDisturbance(bool present) { _knownMagDisturbance = present; }
    bool knownMagDisturbance() const { return _knownMagDisturbance; }

    Sample sample(double simTime) const;
    // Values of a computed register (the measurement kinds and register 47).
    RegisterValue measured(int number, double simTime) const;

    RegisterFile& registers() { return _regs; }
    const RegisterFile& registers() const { return _regs; }
    const double* activeRotation() const { return _rot; }
    const Environment& environment() const { return _env; }

  private:
    void updateReferenceVectors();
    // The onboard estimator's correction at simTime (identity, zero when it has none).
    void onboardEstimate(double simTime, double C[9], double b[3]) const;
    double progress(double simTime) const;

    Environment _env;
    RegisterFile _regs;
    double _rot[9];
    bool _knownMagDisturbance;
    // Estimator: fraction converged p0 at time t0, growing while it runs.
    double _hsiProgress0;
    double _hsiTime0;
    bool _hsiRunning;
};

} // namespace aq9sim

#endif
