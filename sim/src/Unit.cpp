#include "Unit.h"

#include <math.h>
#include <string.h>

#include "Noise.h"
#include "aq/hsi/aqhsi.h"
#include "model/SensorModel.h"

namespace aq9sim {

namespace {

const double kDeg = 3.14159265358979323846 / 180.0;
const double kImuRate = 800.0; // samples per second; one noise draw per sample

// Noise channels, one per measured quantity.
enum Channel
{
    CH_MAG = 0,
    CH_ACCEL = 3,
    CH_GYRO = 6,
    CH_PITCH = 9,
    CH_ROLL,
    CH_TEMP,
    CH_PRES
};

// Time for the onboard estimator to converge at rate 1; rate 5 is five times faster.
const double kHsiTimeConstant = 600.0;

void copy9(const std::vector<double>& from, size_t at, double* to)
{
    for (int k = 0; k < 9; k++)
        to[k] = from[at + k];
}

void mul33(const double* A, const double* B, double* r)
{
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
            r[3 * i + j] = A[3 * i] * B[j] + A[3 * i + 1] * B[3 + j] + A[3 * i + 2] * B[6 + j];
}

// False (r untouched) for a singular matrix.
bool inverse33(const double* A, double* r)
{
    const double c[9] = {A[4] * A[8] - A[5] * A[7], A[2] * A[7] - A[1] * A[8], A[1] * A[5] - A[2] * A[4],
                         A[5] * A[6] - A[3] * A[8], A[0] * A[8] - A[2] * A[6], A[2] * A[3] - A[0] * A[5],
                         A[3] * A[7] - A[4] * A[6], A[1] * A[6] - A[0] * A[7], A[0] * A[4] - A[1] * A[3]};
    const double det = A[0] * c[0] + A[1] * c[3] + A[2] * c[6];
    if (fabs(det) < 1e-12)
        return false;
    for (int k = 0; k < 9; k++)
        r[k] = c[k] / det;
    return true;
}

// WGS-84 normal gravity at a latitude (degrees) and height (m).
double normalGravity(double latDeg, double height)
{
    const double s2 = sin(latDeg * kDeg) * sin(latDeg * kDeg);
    const double g0 = 9.7803253359 * (1.0 + 0.00193185265241 * s2) / sqrt(1.0 - 0.00669437999013 * s2);
    return g0 - 3.086e-6 * height;
}

void noisy(uint64_t seed, uint64_t tick, unsigned channel, double sigma, double* v)
{
    for (unsigned k = 0; k < 3; k++)
        v[k] += sigma * gaussian(seed, tick, channel + k);
}

// Heading of a vehicle-axis field once levelled with roll and pitch, degrees.
double levelledHeading(const double* m, double pitch, double roll)
{
    double tilt[9], level[3];
    sensormodel::dcm(0.0, pitch, roll, tilt);
    sensormodel::mulT(tilt, m, level);
    return atan2(-level[1], level[0]) / kDeg;
}

void quaternion(const double* ypr, double* q)
{
    const double cy = cos(ypr[0] * kDeg / 2), sy = sin(ypr[0] * kDeg / 2);
    const double cp = cos(ypr[1] * kDeg / 2), sp = sin(ypr[1] * kDeg / 2);
    const double cr = cos(ypr[2] * kDeg / 2), sr = sin(ypr[2] * kDeg / 2);
    q[0] = sr * cp * cy - cr * sp * sy;
    q[1] = cr * sp * cy + sr * cp * sy;
    q[2] = cr * cp * sy - sr * sp * cy;
    q[3] = cr * cp * cy + sr * sp * sy;
}

// Compensation register (matrix then offset) applied, then the rotation.
void compensate(const RegisterValue& reg, const double* rot, const double* raw, double* out)
{
    double C[9];
    copy9(reg.num, 0, C);
    sensormodel::reportedField(rot, C, &reg.num[9], raw, out);
}

} // namespace

Unit::Unit(const Environment& env)
    : _env(env), _knownMagDisturbance(false), _hsiProgress0(0.0), _hsiTime0(0.0), _hsiRunning(false)
{
    restart(0.0);
}

void Unit::restart(double simTime)
{
    _regs.restoreSaved();
    copy9(_regs.get(26).num, 0, _rot);
    _knownMagDisturbance = false;
    updateReferenceVectors();
    _hsiProgress0 = 0.0;
    _hsiTime0 = simTime;
    _hsiRunning = _regs.num(44, 0) != 0;
}

void Unit::write(int number, const RegisterValue& v, double simTime)
{
    _regs.set(number, v);
    if (number == 83)
        updateReferenceVectors();
    if (number == 44)
    {
        // Off freezes the estimate, reset starts it again from nothing.
        _hsiProgress0 = v.num[0] == 2 ? 0.0 : progress(simTime);
        _hsiTime0 = simTime;
        _hsiRunning = v.num[0] != 0;
    }
}

void Unit::updateReferenceVectors()
{
    const RegisterValue& cfg = _regs.get(83);
    RegisterValue ref = _regs.get(21);
    if (cfg.num[0] == 1)
    {
        AqHsiConfig c;
        memset(&c, 0, sizeof c);
        c.latitude = static_cast<float>(cfg.num[6]);
        c.longitude = static_cast<float>(cfg.num[7]);
        const AqHsiDipole d = aqhsi_dipole_init(&c);
        ref.num[0] = d.Bnorth;
        ref.num[1] = 0.0;
        ref.num[2] = d.Bdown;
    }
    if (cfg.num[1] == 1)
    {
        ref.num[3] = 0.0;
        ref.num[4] = 0.0;
        ref.num[5] = static_cast<float>(-normalGravity(cfg.num[6], cfg.num[8]));
    }
    _regs.set(21, ref);
}

double Unit::progress(double simTime) const
{
    if (!_hsiRunning)
        return _hsiProgress0;
    const double rate = _regs.num(44, 2);
    return 1.0 - (1.0 - _hsiProgress0) * exp(-(simTime - _hsiTime0) * rate / kHsiTimeConstant);
}

// The estimator learns what is left after the user's compensation: for
// m1 = C*(raw - b) = C*S*Bs + C*(h - b) the correction is (C*S)^-1 and C*(h - b).
void Unit::onboardEstimate(double simTime, double C[9], double b[3]) const
{
    const double I[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    memcpy(C, I, sizeof I);
    b[0] = b[1] = b[2] = 0.0;
    const double p = progress(simTime);
    const RegisterValue& comp = _regs.get(23);
    double Cu[9], CS[9], target[9], hb[3], Cb[3];
    copy9(comp.num, 0, Cu);
    mul33(Cu, _env.softIron, CS);
    if (!inverse33(CS, target))
        return;
    for (int k = 0; k < 3; k++)
        hb[k] = _env.hardIron_mG[k] / 1000.0 - comp.num[9 + k];
    sensormodel::mul(Cu, hb, Cb);
    for (int k = 0; k < 9; k++)
        C[k] = I[k] + (target[k] - I[k]) * p;
    for (int k = 0; k < 3; k++)
        b[k] = Cb[k] * p;
}

Sample Unit::sample(double simTime) const
{
    Sample s;
    memset(&s, 0, sizeof s);
    const uint64_t tick = static_cast<uint64_t>(simTime * kImuRate);
    const uint64_t seed = _env.seed;
    s.timeStartup_ns = static_cast<uint64_t>(simTime * 1e9);
    const Attitude truth = attitudeAt(_env.motion, simTime);
    double C[9];
    sensormodel::dcm(truth.yaw, truth.pitch, truth.roll, C);

    // What the three sensors measure, in sensor axes.
    const std::vector<double>& ref = _regs.get(21).num;
    double fieldV[3], forceV[3], rateV[3], hardIron[3];
    sensormodel::mul(C, &ref[0], fieldV);
    sensormodel::mul(C, &ref[3], forceV);
    bodyRateAt(_env.motion, simTime, rateV);
    for (int k = 0; k < 3; k++)
        hardIron[k] = _env.hardIron_mG[k] / 1000.0;
    sensormodel::rawField(_rot, _env.softIron, hardIron, fieldV, s.magRaw);
    sensormodel::mulT(_rot, forceV, s.accelRaw);
    sensormodel::mulT(_rot, rateV, s.gyroRaw);
    noisy(seed, tick, CH_MAG, _env.noise_mG / 1000.0, s.magRaw);
    noisy(seed, tick, CH_ACCEL, _env.accelNoise_ms2, s.accelRaw);
    noisy(seed, tick, CH_GYRO, _env.gyroNoise_rads, s.gyroRaw);

    // What it reports, in vehicle axes.
    compensate(_regs.get(25), _rot, s.accelRaw, s.accel);
    compensate(_regs.get(84), _rot, s.gyroRaw, s.gyro);
    if (_regs.num(44, 1) == 3)
    {
        double Ce[9], be[3], m1[3], m2[3];
        const RegisterValue& comp = _regs.get(23);
        double Cu[9];
        copy9(comp.num, 0, Cu);
        const double I[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        sensormodel::reportedField(I, Cu, &comp.num[9], s.magRaw, m1);
        onboardEstimate(simTime, Ce, be);
        sensormodel::reportedField(I, Ce, be, m1, m2);
        sensormodel::mul(_rot, m2, s.mag);
    }
    else
        compensate(_regs.get(23), _rot, s.magRaw, s.mag);

    s.ypr[1] = truth.pitch + _env.tiltNoise_deg * gaussian(seed, tick, CH_PITCH);
    s.ypr[2] = truth.roll + _env.tiltNoise_deg * gaussian(seed, tick, CH_ROLL);
    // With a known disturbance the filter holds heading on the gyros alone.
    const double magHeading = levelledHeading(s.mag, truth.pitch, truth.roll);
    s.ypr[0] = _knownMagDisturbance ? truth.yaw : magHeading;
    s.trueYpr[0] = truth.yaw;
    s.trueYpr[1] = truth.pitch;
    s.trueYpr[2] = truth.roll;
    // Against the heading the undistorted field gives, wrapped to [-180, 180).
    s.magHeadingError_deg = magHeading - levelledHeading(fieldV, truth.pitch, truth.roll);
    s.magHeadingError_deg -= 360.0 * floor((s.magHeadingError_deg + 180.0) / 360.0);
    quaternion(s.ypr, s.quat);
    sensormodel::dcm(s.ypr[0], s.ypr[1], s.ypr[2], s.dcm);
    sensormodel::mulT(s.dcm, s.mag, s.magNed);
    sensormodel::mulT(s.dcm, s.accel, s.accelNed);

    // Slow warm-up and weather.
    s.temp_C = 22.0 + 1.5 * (1.0 - exp(-simTime / 900.0)) + 0.05 * gaussian(seed, tick, CH_TEMP);
    s.pres_kPa = 101.325 + 0.08 * sin(simTime / 3600.0) + 0.003 * gaussian(seed, tick, CH_PRES);
    s.yprU[0] = 0.5;
    s.yprU[1] = 0.05;
    s.yprU[2] = 0.05;
    s.afeStatus = 0;
    return s;
}

RegisterValue Unit::measured(int number, double simTime) const
{
    RegisterValue v;
    if (number == 47)
    {
        double C[9], b[3];
        onboardEstimate(simTime, C, b);
        v.num.assign(C, C + 9);
        v.num.insert(v.num.end(), b, b + 3);
        return v;
    }
    const Sample s = sample(simTime);
    const double zero[3] = {0, 0, 0};
    auto add = [&v](const double* p, int n) { v.num.insert(v.num.end(), p, p + n); };
    switch (number)
    {
    case 8:
        add(s.ypr, 3);
        break;
    case 9:
        add(s.quat, 4);
        break;
    case 15:
        add(s.quat, 4), add(s.mag, 3), add(s.accel, 3), add(s.gyro, 3);
        break;
    case 17:
        add(s.mag, 3);
        break;
    case 18:
        add(s.accel, 3);
        break;
    case 19:
        add(s.gyro, 3);
        break;
    case 20:
        add(s.mag, 3), add(s.accel, 3), add(s.gyro, 3);
        break;
    case 27:
        add(s.ypr, 3), add(s.mag, 3), add(s.accel, 3), add(s.gyro, 3);
        break;
    case 54:
        add(s.magRaw, 3), add(s.accelRaw, 3), add(s.gyroRaw, 3), add(&s.temp_C, 1), add(&s.pres_kPa, 1);
        break;
    // The model has no linear acceleration: true accelerations are zero.
    case 239:
    case 240:
        add(s.ypr, 3), add(zero, 3), add(s.gyro, 3);
        break;
    }
    for (double& d : v.num)
        d = static_cast<float>(d);
    return v;
}

} // namespace aq9sim
