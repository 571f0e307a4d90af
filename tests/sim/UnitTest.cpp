// The simulated unit's measurements: the shared sensor model for the
// magnetometer, heading from the levelled compensated field, body rates of
// the motions, reproducible noise and the onboard estimator.
#include <math.h>

#include "CppUTest/TestHarness.h"
#include "Unit.h"
#include "model/SensorModel.h"

using namespace aq9sim;

namespace {

const double S[9] = {1.08, 0.05, -0.02, 0.05, 0.93, 0.03, -0.02, 0.03, 1.01};
const double H_MG[3] = {150.0, -80.0, 40.0};

double headingError(double a, double b)
{
    double d = fmod(a - b + 540.0, 360.0) - 180.0;
    return fabs(d);
}

Environment quiet(MotionKind motion)
{
    Environment env;
    env.motion = motion;
    env.noise_mG = 0.0;
    env.accelNoise_ms2 = 0.0;
    env.gyroNoise_rads = 0.0;
    env.tiltNoise_deg = 0.0;
    return env;
}

// The registers as a host writes them: values rounded to single precision.
RegisterValue values(std::vector<double> v)
{
    RegisterValue r;
    for (double& d : v)
        d = static_cast<float>(d);
    r.num = v;
    return r;
}

// Compensation register holding C = S^-1 and b = h, the perfect calibration.
RegisterValue perfectCompensation()
{
    const double det = S[0] * (S[4] * S[8] - S[5] * S[7]) - S[1] * (S[3] * S[8] - S[5] * S[6]) +
                       S[2] * (S[3] * S[7] - S[4] * S[6]);
    return values({(S[4] * S[8] - S[5] * S[7]) / det, (S[2] * S[7] - S[1] * S[8]) / det,
                   (S[1] * S[5] - S[2] * S[4]) / det, (S[5] * S[6] - S[3] * S[8]) / det,
                   (S[0] * S[8] - S[2] * S[6]) / det, (S[2] * S[3] - S[0] * S[5]) / det,
                   (S[3] * S[7] - S[4] * S[6]) / det, (S[1] * S[6] - S[0] * S[7]) / det,
                   (S[0] * S[4] - S[1] * S[3]) / det, H_MG[0] / 1000, H_MG[1] / 1000, H_MG[2] / 1000});
}

void distort(Environment& env)
{
    for (int k = 0; k < 9; k++)
        env.softIron[k] = S[k];
    for (int k = 0; k < 3; k++)
        env.hardIron_mG[k] = H_MG[k];
}

} // namespace

TEST_GROUP(Unit){};

// Heading is exact with no iron or a perfect calibration, and off by degrees
// when the iron is left uncompensated, as on a real unit.
TEST(Unit, heading_is_true_only_when_the_calibration_matches_the_iron)
{
    const struct
    {
        const char* label;
        MotionKind motion;
        double t;
        bool iron, compensated;
        double minError, maxError;
    } rows[] = {
        {"no iron, level", MOTION_STILL, 1.0, false, false, 0.0, 1e-6},
        {"no iron, tumbling", MOTION_TUMBLE, 13.7, false, false, 0.0, 1e-6},
        {"calibrated, tumbling", MOTION_TUMBLE, 21.3, true, true, 0.0, 0.01},
        {"calibrated, seaway", MOTION_SEAWAY, 40.0, true, true, 0.0, 0.01},
        {"uncalibrated, level", MOTION_STILL, 1.0, true, false, 5.0, 90.0},
    };
    for (const auto& row : rows)
    {
        Environment env = quiet(row.motion);
        if (row.iron)
            distort(env);
        Unit unit(env);
        unit.write(44, values({0, 1, 5}), 0.0);
        if (row.compensated)
            unit.write(23, perfectCompensation(), 0.0);
        const Sample sample = unit.sample(row.t);
        const double err = headingError(sample.ypr[0], attitudeAt(row.motion, row.t).yaw);
        CHECK_TEXT(err >= row.minError && err <= row.maxError, row.label);
        // The state file's truth says the same (the factory field has no declination).
        DOUBLES_EQUAL_TEXT(err, fabs(sample.magHeadingError_deg), 1e-9, row.label);
        DOUBLES_EQUAL_TEXT(attitudeAt(row.motion, row.t).yaw, sample.trueYpr[0], 1e-12, row.label);
    }
}

// raw = S*Rot^T*B + h and reported = Rot*C*(raw - b), with the rotation in
// force after a restart; accelerometer and gyroscope turn with the same rotation.
TEST(Unit, measures_through_the_shared_sensor_model_in_the_rotation_loaded_at_restart)
{
    Environment env = quiet(MOTION_TUMBLE);
    distort(env);
    Unit unit(env);
    const double rot[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    unit.write(26, values(std::vector<double>(rot, rot + 9)), 0.0);
    unit.write(44, values({0, 1, 5}), 0.0);
    unit.registers().save();
    unit.restart(0.0);
    const double t = 17.0;
    const Sample s = unit.sample(t);
    const Attitude a = attitudeAt(MOTION_TUMBLE, t);
    double C[9], field[3], force[3], raw[3], reported[3], accelRaw[3];
    sensormodel::dcm(a.yaw, a.pitch, a.roll, C);
    const std::vector<double>& ref = unit.registers().get(21).num;
    sensormodel::mul(C, &ref[0], field);
    sensormodel::mul(C, &ref[3], force);
    const double h[3] = {H_MG[0] / 1000, H_MG[1] / 1000, H_MG[2] / 1000};
    sensormodel::rawField(rot, S, h, field, raw);
    const double I[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, zero[3] = {0, 0, 0};
    sensormodel::reportedField(rot, I, zero, raw, reported);
    sensormodel::mulT(rot, force, accelRaw);
    for (int k = 0; k < 3; k++)
    {
        DOUBLES_EQUAL(raw[k], s.magRaw[k], 1e-6);
        DOUBLES_EQUAL(reported[k], s.mag[k], 1e-6);
        DOUBLES_EQUAL(accelRaw[k], s.accelRaw[k], 1e-5);
        DOUBLES_EQUAL(force[k], s.accel[k], 1e-5);
    }
}

TEST(Unit, body_rates_follow_the_motion)
{
    const double d = M_PI / 180.0;
    const struct
    {
        MotionKind motion;
        double t;
        double rate[3];
    } rows[] = {
        {MOTION_STILL, 5.0, {0, 0, 0}},
        {MOTION_TURN, 5.0, {0, 0, 3 * d}},
        {MOTION_LEVEL_TURNS, 10.0, {0, 0, 10 * d}},
        {MOTION_LEVEL_TURNS, 50.0, {0, 0, -10 * d}},
    };
    for (const auto& row : rows)
    {
        double w[3];
        bodyRateAt(row.motion, row.t, w);
        for (int k = 0; k < 3; k++)
            DOUBLES_EQUAL_TEXT(row.rate[k], w[k], 1e-9, motionName(row.motion));
    }
    // A banked, pitched turn: the yaw rate shows on all three body axes.
    double w[3];
    bodyRateAt(MOTION_SEAWAY, 3.0, w);
    CHECK(fabs(w[0]) > 1e-3 && fabs(w[1]) > 1e-3 && fabs(w[2]) > 0.06);
}

// The same seed gives the same values at the same time; the spread is what was asked.
TEST(Unit, noise_is_reproducible_from_the_seed_and_has_the_requested_spread)
{
    Environment env;
    env.noise_mG = 2.0;
    Unit a(env), b(env);
    env.seed = 2;
    Unit c(env);
    DOUBLES_EQUAL(a.sample(3.21).magRaw[1], b.sample(3.21).magRaw[1], 0.0);
    CHECK(a.sample(3.21).magRaw[1] != c.sample(3.21).magRaw[1]);
    const double mean = a.sample(0).magRaw[0];
    double sum2 = 0;
    const int n = 4000;
    for (int i = 0; i < n; i++)
    {
        const double dev = a.sample(i / 800.0).magRaw[0] - mean;
        sum2 += dev * dev;
    }
    DOUBLES_EQUAL(0.002, sqrt(sum2 / n), 0.0003);
}

// With its output applied, the estimator learns the iron and heading recovers;
// a known disturbance holds heading on the gyros.
TEST(Unit, onboard_estimator_converges_on_the_iron_when_its_output_is_applied)
{
    Environment env = quiet(MOTION_STILL);
    distort(env);
    Unit unit(env); // as shipped: estimator running, output applied, rate 5
    CHECK(headingError(unit.sample(0.0).ypr[0], 60.0) > 5.0);
    CHECK(headingError(unit.sample(3000.0).ypr[0], 60.0) < 0.01);
    const RegisterValue est = unit.measured(47, 3000.0);
    const RegisterValue perfect = perfectCompensation();
    for (int k = 0; k < 12; k++)
        DOUBLES_EQUAL(perfect.num[k], est.num[k], 1e-4);
    Unit frozen(env);
    frozen.setKnownMagDisturbance(true);
    CHECK(headingError(frozen.sample(0.0).ypr[0], 60.0) < 1e-6);
}
