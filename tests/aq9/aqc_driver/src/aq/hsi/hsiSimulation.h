// Known-answer data for the calibration tests: attitudes, the dipole field at
// the site rotated into body axes, a known soft-iron distortion D and hard-iron
// offset h, Gaussian noise, and the path of the reading through the mounting
// and compensation already in force (the sensor model of SensorModel.h).
#ifndef HSI_SIMULATION_H
#define HSI_SIMULATION_H

#include <math.h>
#include <stdint.h>

#include "SensorModel.h"
#include "aq/hsi/aqhsi.h"

namespace hsisim {

// Small deterministic generator so that every run sees the same data.
struct Rng
{
    uint64_t s;
    explicit Rng(uint64_t seed) : s(seed * 2654435761u + 1) {}
    double uniform() // [0, 1)
    {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return (double)(s >> 11) / 9007199254740992.0;
    }
    double gauss()
    {
        double u1 = uniform(), u2 = uniform();
        if (u1 < 1e-300) u1 = 1e-300;
        return sqrt(-2.0 * log(u1)) * cos(6.283185307179586 * u2);
    }
};

struct Truth
{
    double D[9];     // soft-iron distortion in sensor axes
    double h[3];     // hard-iron offset, gauss
    double noise;    // standard deviation per axis, gauss
    double RFR[9];   // mounting: vehicle = RFR * sensor
    double oldSI[9]; // compensation the sensor already applies
    double oldHI[3];
};

inline void identity(double* M)
{
    for (int k = 0; k < 9; k++) M[k] = (k % 4 == 0) ? 1.0 : 0.0;
}

inline Truth plainTruth(const double* D, const double* h, double noise)
{
    Truth t;
    for (int k = 0; k < 9; k++) t.D[k] = D[k];
    for (int k = 0; k < 3; k++) t.h[k] = h[k], t.oldHI[k] = 0.0;
    t.noise = noise;
    identity(t.RFR);
    identity(t.oldSI);
    return t;
}

// The field and sensor model shared with the simulator and the driver's
// end-to-end tests.
using sensormodel::dcm;
using sensormodel::mul;
using sensormodel::mulT;

// One measurement at the attitude (degrees) as the sensor outputs it:
// raw = D * RFR^T * B_vehicle + h (+ noise), reported = RFR * oldSI * (raw - oldHI).
inline AqHsiYmr measure(const Truth& t, const AqHsiDipole& dp, double yaw, double pitch, double roll,
                        const double* gyro, Rng& rng)
{
    double C[9], ned[3] = {dp.Bnorth, 0.0, dp.Bdown}, bVeh[3], raw[3], out[3];
    dcm(yaw, pitch, roll, C);
    mul(C, ned, bVeh);
    sensormodel::rawField(t.RFR, t.D, t.h, bVeh, raw);
    for (int k = 0; k < 3; k++) raw[k] += t.noise * rng.gauss();
    sensormodel::reportedField(t.RFR, t.oldSI, t.oldHI, raw, out);
    AqHsiYmr m = {};
    const double ypr[3] = {yaw, pitch, roll};
    for (int k = 0; k < 3; k++) {
        m.ypr.c[k] = (float)ypr[k];
        m.mag.c[k] = (float)out[k];
        m.gyro.c[k] = gyro ? (float)gyro[k] : 0.0f;
    }
    return m;
}

// A random attitude, uniform over all orientations (pitch density cos(pitch)).
inline void randomAttitude(Rng& rng, double* yaw, double* pitch, double* roll)
{
    *yaw = 360.0 * rng.uniform() - 180.0;
    *pitch = asin(2.0 * rng.uniform() - 1.0) * 180.0 / 3.141592653589793;
    *roll = 360.0 * rng.uniform() - 180.0;
}

// 3x3 inverse in double, for the expected calibration D^-1.
inline void inverse3(const double* A, double* r)
{
    double det = A[0] * (A[4] * A[8] - A[5] * A[7]) - A[1] * (A[3] * A[8] - A[5] * A[6]) +
                 A[2] * (A[3] * A[7] - A[4] * A[6]);
    r[0] = (A[4] * A[8] - A[5] * A[7]) / det;
    r[1] = (A[2] * A[7] - A[1] * A[8]) / det;
    r[2] = (A[1] * A[5] - A[2] * A[4]) / det;
    r[3] = (A[5] * A[6] - A[3] * A[8]) / det;
    r[4] = (A[0] * A[8] - A[2] * A[6]) / det;
    r[5] = (A[2] * A[3] - A[0] * A[5]) / det;
    r[6] = (A[3] * A[7] - A[4] * A[6]) / det;
    r[7] = (A[1] * A[6] - A[0] * A[7]) / det;
    r[8] = (A[0] * A[4] - A[1] * A[3]) / det;
}

inline void toFloat(const double* a, int n, float* r)
{
    for (int k = 0; k < n; k++) r[k] = (float)a[k];
}

// The run the driver sets up (122 patches of 10 at 10 Hz, keep mode 2) at
// 36.8 N, 121.8 W, with the mounting and compensation in force taken from t.
inline AqHsiConfig config(AqHsiLibMode mode, const Truth& t)
{
    AqHsiConfig c = AqHsiConfig();
    c.mode = mode;
    c.latitude = 36.8f;
    c.longitude = -121.8f;
    c.dataRate = 10;
    c.nPatches = 122;
    c.nDataPerPatch = 10;
    c.flagKM = 2;
    toFloat(t.RFR, 9, c.RFR.e);
    toFloat(t.oldSI, 9, c.oldSI.e);
    toFloat(t.oldHI, 3, c.oldHI.c);
    return c;
}

// The same with no mounting rotation and no compensation in force.
inline AqHsiConfig config(AqHsiLibMode mode)
{
    const double I[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, z[3] = {0, 0, 0};
    return config(mode, plainTruth(I, z, 0.0));
}

} // namespace hsisim

#endif
