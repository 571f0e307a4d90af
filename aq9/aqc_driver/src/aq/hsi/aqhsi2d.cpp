// Two-dimensional solver.
//
// With the vehicle turning about its vertical the readings cover a circle,
// not a sphere: the solver levels them with the mean tilt, fits the plane they
// lie in and the ellipse they trace in the level plane, and turns the two into
// a soft-iron matrix (the symmetric square root of the ellipse's quadratic
// form, sheared onto the plane) and a hard-iron offset.
#include "aq/hsi/aqhsi2d.h"

#include <math.h>

namespace {
// Keep record: mean vertical and the turn about it since the last kept measurement.
struct AqHsiKeep2DParam
{
    uint32_t gravcnt;
    float gravVec[3]; // running mean of the body-axis up direction, unit length
    float deltaTheta; // radians
};

AqHsiKeep2DParam keep2d = {0, {0.0f, 0.0f, 0.0f}, 0.0f};

const float LLS_THRESHOLD = 0.0001f;
const float MAX_COND = 1.0e6f;
const float TWO_PI = 6.2831855f;
const float DEG2RAD = 0.017453292f;
const double RAD2DEG = 180.0 / (double)3.1415927f;
const double CLAMP = 1e-8;

double clamped(double v) { return fabs(v) < CLAMP ? 0.0 : v; }

// Offers the attitude relative to the mean tilt to the heading patches.
void countHeading(AqHsiDipole dipole, AqHsiConfig* c, const float* dcm)
{
    aq_vec3f ref = {{0.0f, (float)(asin(keep2d.gravVec[0]) * RAD2DEG),
                     (float)(atan2(-keep2d.gravVec[1], -keep2d.gravVec[2]) * RAD2DEG)}};
    aqhsi_patches_set_refYPR(ref);
    float e[3], refDcm[9], refT[9], dcm2[9];
    aq_mult_v3s(ref.c, DEG2RAD, e);
    Euler3212C(refDcm, e);
    aq_tranpose_m3(refDcm, refT);
    aq_mult_m3_m3(refT, dcm, dcm2);
    (void)aqhsi_patches_adddata(dipole, c, C2Euler321(dcm2), TWODPATCHTYPE);
}
}

void aqhsi_2d_init(AqHsiDipole dipole, AqHsiConfig* c)
{
    (void)dipole;
    keep2d.gravcnt = 0;
    aq_zero_v3(keep2d.gravVec);
    keep2d.deltaTheta = 0.0f;
    aqhsi_patches_init(c);
}

int8_t aqhsi_2d_keep(AqHsiDipole dipole, AqHsiConfig* c, aq_vec3f ypr, aq_vec3f gyro)
{
    const float angDelta = TWO_PI / (float)c->nPatches;
    const float dt = 1.0f / (float)c->dataRate;
    const float up[3] = {0.0f, 0.0f, -1.0f};
    float e[3], dcm[9], grav[3];
    aq_mult_v3s(ypr.c, DEG2RAD, e);
    Euler3212C(dcm, e);
    aq_mult_m3_v3(dcm, up, grav);
    float normGyro = aq_norm_v(gyro.c, 3);
    float thetadot = aq_dot(keep2d.gravVec, grav);
    float gg = aq_dot(gyro.c, keep2d.gravVec);
    // Rounding can push the cosine of two equal directions just past 1.
    thetadot = thetadot > 1.0f ? 1.0f : (thetadot < -1.0f ? -1.0f : thetadot);
    int8_t keep = 0;
    if (keep2d.gravcnt == 0 && normGyro < aq_deg2rad(5.0f)) {
        aq_copy_v3(grav, keep2d.gravVec);
        keep2d.gravcnt = 1;
        keep = 1;
    } else if (keep2d.gravcnt != 0 && acos((double)thetadot) < (double)aq_deg2rad(10.0f)) {
        float n = (float)keep2d.gravcnt;
        for (int k = 0; k < 3; k++) keep2d.gravVec[k] = (grav[k] + n * keep2d.gravVec[k]) / (n + 1.0f);
        keep2d.gravcnt++;
        aq_normalize_v3(keep2d.gravVec, keep2d.gravVec);
        keep2d.deltaTheta = (float)((double)keep2d.deltaTheta + (double)dt * fabs((double)gg));
        if (keep2d.deltaTheta > angDelta) {
            keep = 1;
            keep2d.deltaTheta = 0.0f;
        }
    }
    if (keep) countHeading(dipole, c, dcm);
    return keep;
}

AqError aqhsi_calc_rfr_error(AqHsiYmr* meas, int count, float* ypr)
{
    float HTH[9], HTY[3], X[3], scratch;
    aq_zero_m3(HTH);
    aq_zero_v3(HTY);
    for (int j = 0; j < count; j++) {
        float e[3], dcm[9];
        aq_mult_v3s(meas[j].ypr.c, 3.1415927f / 180.0f, e);
        Euler3212C(dcm, e);
        const float n[3] = {dcm[2], dcm[5], dcm[8]};
        for (int a = 0; a < 3; a++) {
            HTY[a] += n[a];
            for (int b = 0; b < 3; b++) HTH[a * 3 + b] += n[a] * n[b];
        }
    }
    // All tilts alike (the usual case) leave the normal matrix of rank one:
    // the summed down axes then give the tilt.
    if (aqhsi_solveLLS(HTH, HTY, 3, LLS_THRESHOLD, X, &scratch) != E_NONE) aq_copy_v3(HTY, X);
    float norm = aq_norm_v(X, 3);
    ypr[0] = 0.0f;
    ypr[1] = norm > 0.0f ? (float)-asin((double)(X[0] / norm)) : 0.0f;
    ypr[2] = norm > 0.0f ? (float)atan2((double)X[1], (double)X[2]) : 0.0f;
    return E_NONE;
}

AqError aqhsi_fit_plane(AqHsiDipole dipole, AqHsiYmr* meas, AqHsiSol* hsisolnIN, int count, float* R, float* Zn,
                        float* FOMn)
{
    float HTH[9], HTY[3], n[3];
    aq_zero_m3(HTH);
    aq_zero_v3(HTY);
    for (int j = 0; j < count; j++) {
        aq_vec3f m = aqhsi_ApplyHSI(hsisolnIN, meas[j].mag);
        for (int a = 0; a < 3; a++) {
            HTY[a] += m.c[a];
            for (int b = 0; b < 3; b++) HTH[a * 3 + b] += m.c[a] * m.c[b];
        }
    }
    AqError code = aqhsi_solveLLS(HTH, HTY, 3, LLS_THRESHOLD, n, FOMn);
    if (FOMn) *FOMn = dipole.sphereRad * dipole.sphereRad * (*FOMn);
    if (code != E_NONE) {
        aq_zero_v3(Zn);
        return code;
    }
    aq_mult_m3_v3(R, n, Zn);
    return E_NONE;
}

AqError aqhsi_fit_ellipse(AqHsiDipole dipole, AqHsiYmr* meas, AqHsiSol* hsisolnIN, int count, float* R,
                          float* ellipseParam, float* FOMn)
{
    const float Rref = dipole.Bnorth;
    float HTH[25], HTY[5], X[5];
    aq_zero_m(HTH, 5, 5);
    aq_zero_v(HTY, 5);
    for (int j = 0; j < count; j++) {
        aq_vec3f m = aqhsi_ApplyHSI(hsisolnIN, meas[j].mag);
        float l[3];
        aq_mult_m3_v3(R, m.c, l);
        float x = l[0], y = l[1];
        float Y = -x * x - y * y;
        float H[5] = {x * x - y * y, x * y, x * Rref, y * Rref, Rref * Rref};
        for (int a = 0; a < 5; a++) {
            HTY[a] += H[a] * Y;
            for (int b = 0; b < 5; b++) HTH[a * 5 + b] += H[a] * H[b];
        }
    }
    AqError code = aqhsi_solveLLS(HTH, HTY, 5, LLS_THRESHOLD, X, FOMn);
    if (code != E_NONE) return code;
    if (FOMn) *FOMn = Rref * Rref * (*FOMn);
    float* EP = ellipseParam;
    EP[0] = (1.0f + X[0]) / 2.0f;
    EP[1] = X[1] / 2.0f;
    EP[2] = 1.0f - EP[0];
    if (4.0 * (double)EP[0] * EP[2] - (double)EP[1] * EP[1] < 0.0) return E_DATA_NOT_ELLIPTICAL;
    EP[3] = X[2] / 2.0f * Rref;
    EP[4] = X[3] / 2.0f * Rref;
    EP[5] = X[4] / 2.0f * Rref * Rref;
    return E_NONE;
}

namespace {

// Principal square root [[a, b], [b, c]] of the form [[A, B/2], [B/2, C]]:
// (Q + sqrt(det Q) I) / sqrt(tr Q + 2 sqrt(det Q)). It is the root that the
// quartic in a^2 selects, computed without its discriminant, which for a
// nearly circular ellipse falls below any fixed clamp and loses the cross term.
void symmetricRoot(double A, double B, double C, double* a, double* b, double* c)
{
    double det = A * C - B * B / 4.0;
    double s = sqrt(det > 0.0 ? det : 0.0);
    double t = sqrt(A + C + 2.0 * s);
    *a = (A + s) / t;
    *b = (B / 2.0) / t;
    *c = (C + s) / t;
}

bool allFinite(const double* v, int n)
{
    for (int k = 0; k < n; k++)
        if (!isfinite(v[k])) return false;
    return true;
}

// Vertical scale that the location-free modes fit from the plane's tilt.
double verticalScale(double a, double c, double u, double w)
{
    double pa = w * w * w * w + u * u * u * u - 2.0;
    double pb = 2.0 * (c * w * w + a * u * u);
    double pc = c * c + a * a;
    double disc = clamped(pb * pb - 4.0 * pa * pc);
    return (-pb - sqrt(disc)) / (2.0 * pa);
}

} // namespace

AqError aqhsi_ellipse2HSI(AqHsiDipole dipole, AqHsiConfig* c, float* EP, float* Zn, float* SI, float* HIb)
{
    double A = EP[0], B = EP[1], C = EP[2], D = EP[3], E = EP[4], F = EP[5];
    double v[5]; // a, b, c, hx, hy
    symmetricRoot(A, B, C, &v[0], &v[1], &v[2]);
    v[4] = (D * v[1] - E * v[0]) / (2.0 * (v[1] * v[1] - v[2] * v[0]));
    v[3] = (D / 2.0 - v[4] * v[1]) / v[0];
    double r = sqrt(v[3] * v[3] + v[4] * v[4] - F);
    double scale = dipole.Bnorth / r;
    for (int k = 0; k < 5; k++) v[k] *= scale;
    if (!allFinite(v, 5)) return E_ILL_CONDITIONED;
    if (fabsf(Zn[2]) < 1e-8f) return E_ILL_CONDITIONED;
    double u = (double)Zn[0] / Zn[2], w = (double)Zn[1] / Zn[2];
    bool noLocation = aqhsi_mode(c) == HSI_MODE_2D_NOLOCATION;
    double s33 = (noLocation || aqhsi_mode(c) == HSI_MODE_2D_SCALE_S33) ? verticalScale(v[0], v[2], u, w) : 1.0;
    SI[0] = (float)(s33 * u * u + v[0]);
    SI[4] = (float)(s33 * w * w + v[2]);
    SI[1] = SI[3] = (float)(s33 * u * w + v[1]);
    SI[2] = SI[6] = (float)(s33 * u);
    SI[5] = SI[7] = (float)(s33 * w);
    SI[8] = (float)s33;
    HIb[0] = (float)(s33 * u / Zn[2] - v[3]);
    HIb[1] = (float)(s33 * w / Zn[2] - v[4]);
    HIb[2] = noLocation ? 0.0f : (float)(s33 / Zn[2] - dipole.Bdown);
    return E_NONE;
}

AqError aqhsi_2d_solve(AqHsiDipole dipole, AqHsiConfig* c, AqHsiYmr* meas, AqHsiSol* hsisolnIN, size_t numMeas,
                       AqHsiSol* hsisoln, AqHsiFom* FOM)
{
    float scratch[2];
    float* ellCov = FOM ? &FOM->ellipsoidCoverage : &scratch[0];
    float* alignCov = FOM ? &FOM->alignmentCoverage : &scratch[1];
    int count = (int)numMeas;
    float e[3], Rest[9], RestT[9], Zn[3], EP[6], SI[9], HIb[3];
    (void)aqhsi_calc_rfr_error(meas, count, e);
    Euler3212C(Rest, e);
    aq_tranpose_m3(Rest, RestT);
    AqError code = aqhsi_fit_plane(dipole, meas, hsisolnIN, count, RestT, Zn, alignCov);
    if (code != E_NONE) return code;
    code = aqhsi_fit_ellipse(dipole, meas, hsisolnIN, count, RestT, EP, ellCov);
    if (code != E_NONE) return code;
    code = aqhsi_ellipse2HSI(dipole, c, EP, Zn, SI, HIb);
    if (code != E_NONE) return code;
    hsisoln->magInc = aqhsi_mode(c) == HSI_MODE_2D_NOLOCATION ? SI[8] / Zn[2] : dipole.Bdown;
    float t[9], SIinv[9], h[3];
    aq_mult_m3_m3(Rest, SI, t);
    aq_mult_m3_m3(t, RestT, hsisoln->SI.e);
    code = aq_inverse_m3(SI, SIinv);
    if (code != E_NONE) return code;
    if (!(aq_cond(SI, SIinv, 3) <= MAX_COND)) return E_ILL_CONDITIONED;
    aq_mult_m3_v3(SIinv, HIb, h);
    aq_mult_m3_v3(Rest, h, hsisoln->HI.c);
    return E_NONE;
}
