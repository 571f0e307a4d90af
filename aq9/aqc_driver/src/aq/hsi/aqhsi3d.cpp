// Three-dimensional solver.
//
// The ellipsoid fit gives a symmetric soft-iron matrix SV and the offset HI0;
// a symmetric matrix cannot undo the rotation part of the distortion, so a
// Gauss-Newton search then finds the rotation R (and the field's down
// component) for which the down component of R*SV*(m - HI0) in north-east-down
// axes is the same for every measurement. The solution is R*SV and HI0.
#include "aq/hsi/aqhsi3d.h"

#include <math.h>

#include "aq/hsi/aqhsimath.h"

namespace {
// Keep record of keep mode 3: attitude of the last kept measurement.
struct AqHsiKeep3DParam
{
    int8_t initFlag;
    aq_mat3f DCMold; // transpose of the last kept attitude matrix
};

AqHsiKeep3DParam keep3d = {0, {{1, 0, 0, 0, 1, 0, 0, 0, 1}}};

const float LLS_THRESHOLD = 0.0001f;
const float MAX_COND = 1.0e6f;
const int MAX_GN_UPDATES = 10;
const float TWO_PI = 6.2831855f;
const float DEG2RAD = 0.017453292f;

// Keep mode 3: keep when the attitude has turned more than angDelta since the last kept one.
int8_t keepByRotation(aq_vec3f ypr, float angDelta)
{
    float e[3], dcm[9], rot[9];
    aq_mult_v3s(ypr.c, DEG2RAD, e);
    Euler3212C(dcm, e);
    if (keep3d.initFlag == 0) {
        aq_tranpose_m3(dcm, keep3d.DCMold.e);
        keep3d.initFlag = 1;
        return 1;
    }
    aq_mult_m3_m3(dcm, keep3d.DCMold.e, rot);
    float cosAngle = (rot[0] + rot[4] + rot[8] - 1.0f) * 0.5f;
    cosAngle = cosAngle > 1.0f ? 1.0f : (cosAngle < -1.0f ? -1.0f : cosAngle);
    if (acosf(cosAngle) <= angDelta) return 0;
    aq_tranpose_m3(dcm, keep3d.DCMold.e);
    return 1;
}
}

void aqhsi_3d_init(AqHsiDipole dipole, AqHsiConfig* c)
{
    (void)dipole;
    keep3d.initFlag = 0;
    aq_eye_m3(keep3d.DCMold.e);
    aqhsi_patches_init(c);
}

int8_t aqhsi_3d_keep(AqHsiDipole dipole, AqHsiConfig* c, aq_vec3f ypr)
{
    float angDelta = TWO_PI / (float)c->nPatches;
    AqHsiPatch east = aqhsi_patches_adddata(dipole, c, ypr, EASTPATCHTYPE);
    AqHsiPatch north = aqhsi_patches_adddata(dipole, c, ypr, NORTHPATCHTYPE);
    switch (c->flagKM) {
    case 1: return north.patchInd >= 0;
    case 2: return north.patchInd >= 0 || east.patchInd >= 0;
    case 3: return keepByRotation(ypr, angDelta);
    default: return 0;
    }
}

AqError aqhsi_3d_solve(AqHsiDipole dipole, AqHsiConfig* c, AqHsiYmr* meas, AqHsiSol* hsisolnIN, size_t numMeas,
                       AqHsiSol* hsisoln, AqHsiFom* FOM)
{
    float* ellCov = FOM ? &FOM->ellipsoidCoverage : NULL;
    float* alignCov = FOM ? &FOM->alignmentCoverage : NULL;
    aq_mat3f SI0, Rmat;
    aq_eye_m3(hsisoln->SI.e);
    aq_zero_v3(hsisoln->HI.c);
    aq_eye_m3(SI0.e);
    aq_eye_m3(Rmat.e);
    AqError code = aqhsi_fit_ellipsoid(dipole, meas, hsisolnIN, (int)numMeas, SI0.e, hsisoln->HI.c, ellCov);
    if (code != E_NONE) return code;
    code = aqhsi_find_rotation_3d(dipole, c, meas, hsisolnIN, numMeas, SI0, hsisoln->HI.c, Rmat.e,
                                  &hsisoln->magInc, alignCov);
    if (code != E_NONE) return code;
    aq_mult_m3_m3(Rmat.e, SI0.e, hsisoln->SI.e);
    return E_NONE;
}

namespace {

// Normal equations of the 9-parameter quadric fit.
void accumulateQuadric(AqHsiYmr* meas, AqHsiSol* in, int count, float R, float* HTH, float* HTY)
{
    aq_zero_m(HTH, 9, 9);
    aq_zero_v(HTY, 9);
    for (int j = 0; j < count; j++) {
        aq_vec3f m = aqhsi_ApplyHSI(in, meas[j].mag);
        float x = m.c[0], y = m.c[1], z = m.c[2];
        float Y = -(x * x + y * y + z * z);
        float H[9] = {x * x + y * y - 2 * z * z, x * x - 2 * y * y + z * z, 2 * x * y, 2 * x * z, 2 * y * z,
                      x * R, y * R, z * R, R * R};
        for (int a = 0; a < 9; a++) {
            HTY[a] += H[a] * Y;
            for (int b = 0; b < 9; b++) HTH[a * 9 + b] += H[a] * H[b];
        }
    }
}

} // namespace

AqError aqhsi_fit_ellipsoid(AqHsiDipole dipole, AqHsiYmr* meas, AqHsiSol* hsisolnIN, int count, float* SV,
                            float* HI0, float* FOMn)
{
    const float R = dipole.sphereRad;
    float HTH[81], HTY[9], XX[9];
    accumulateQuadric(meas, hsisolnIN, count, R, HTH, HTY);
    AqError code = aqhsi_solveLLS(HTH, HTY, 9, LLS_THRESHOLD, XX, FOMn);
    if (code != E_NONE) return code;
    if (FOMn) *FOMn = R * R * (*FOMn);
    // Quadric p'Ap + R v'p + R^2 XX8 = 0.
    float a = XX[0] + XX[1] + 1.0f;
    float b = a - 3.0f * XX[1];
    float cc = a - 3.0f * XX[0];
    float A[9] = {a, XX[2], XX[3], XX[2], b, XX[4], XX[3], XX[4], cc};
    const float* v = &XX[5];
    float lr[3], li[3], V[9], Vinv[9];
    int rc = n_eigeng(A, 3, lr, li, V);
    if (rc == 1) return E_MEMORY_NOT_ALLOCATED; // A is finite here: the scratch was missing
    if (rc != 0) return E_DATA_NOT_ELLIPTICAL;
    for (int k = 0; k < 3; k++)
        if (!(lr[k] > 0.0f)) return E_DATA_NOT_ELLIPTICAL;
    code = aq_inverse_m3(V, Vinv);
    if (code != E_NONE) return code;
    // Centre HI0 = -(R/2) A^-1 v = M * (V^-1 v) with M[j][k] = -0.5 R V[j][k] / lambda_k.
    float Vv[3], M[9];
    aq_mult_m3_v3(Vinv, v, Vv);
    for (int j = 0; j < 3; j++)
        for (int k = 0; k < 3; k++) M[j * 3 + k] = (-0.5f * R * V[j * 3 + k]) / lr[k];
    aq_mult_m3_v3(M, Vv, HI0);
    // Squared radius of the centred quadric, in units of R^2; an empty quadric is no ellipsoid.
    double rad = -(double)XX[8] - (0.5 / (double)R) * (double)aq_dot(v, HI0);
    if (!(rad > 0.0)) return E_DATA_NOT_ELLIPTICAL;
    float scale = (float)(1.0 / sqrt(rad));
    // SV = scale * V * diag(sqrt(lambda)) * V^-1.
    float VD[9];
    for (int j = 0; j < 3; j++)
        for (int k = 0; k < 3; k++) VD[j * 3 + k] = V[j * 3 + k] * (float)sqrt((double)lr[k]);
    aq_mult_m3_m3(VD, Vinv, SV);
    aq_mult_vs(SV, scale, 9, SV);
    return E_NONE;
}

void aqhsi_dEuler3212C(const float* e, float* d1, float* d2, float* d3)
{
    double cps = cos(e[0]), sps = sin(e[0]);
    double cth = cos(e[1]), sth = sin(e[1]);
    double cph = cos(e[2]), sph = sin(e[2]);
    const double dYaw[9] = {-cth * sps,
                            cth * cps,
                            0.0,
                            -sph * sth * sps - cph * cps,
                            -cph * sps + sph * sth * cps,
                            0.0,
                            sph * cps - cph * sth * sps,
                            cph * sth * cps + sph * sps,
                            0.0};
    const double dPitch[9] = {-sth * cps, -sth * sps,       -cth,       sph * cth * cps, sph * cth * sps,
                              -sph * sth, cph * cth * cps, cph * cth * sps, -cph * sth};
    const double dRoll[9] = {0.0,
                             0.0,
                             0.0,
                             cph * sth * cps + sph * sps,
                             -sph * cps + cph * sth * sps,
                             cph * cth,
                             cph * sps - sph * sth * cps,
                             -sph * sth * sps - cph * cps,
                             -sph * cth};
    for (int k = 0; k < 9; k++) {
        d1[k] = (float)dYaw[k];
        d2[k] = (float)dPitch[k];
        d3[k] = (float)dRoll[k];
    }
}

namespace {
// Down component of R*M0 for the attitude matrix C: (R*M0) . third column of C.
float downComponent(const float* R, const float* M0, const float* C)
{
    float rm[3];
    aq_mult_m3_v3(R, M0, rm);
    return rm[0] * C[2] + rm[1] * C[5] + rm[2] * C[8];
}
}

void aqhsi_glsdc_iter(AqHsiDipole dipole, AqHsiYmr* meas, AqHsiSol* hsisolnIN, size_t numMeas, aq_vec4f X0,
                      aq_mat3f SI0, float* HI0, float (*HTH)[4], float* HTY, float* J)
{
    float Rmat[9], dR1[9], dR2[9], dR3[9];
    Euler3212C(Rmat, X0.c);
    aqhsi_dEuler3212C(X0.c, dR1, dR2, dR3);
    aq_zero_m(&HTH[0][0], 4, 4);
    aq_zero_v(HTY, 4);
    *J = 0.0f;
    for (size_t i = 0; i < numMeas; i++) {
        aq_vec3f mg = aqhsi_ApplyHSI(hsisolnIN, meas[i].mag);
        float yprl[3], Cmat[9], dM[3], M0[3];
        aq_mult_v3s(meas[i].ypr.c, 3.1415927f / 180.0f, yprl);
        Euler3212C(Cmat, yprl);
        for (int k = 0; k < 3; k++) dM[k] = mg.c[k] - HI0[k];
        aq_mult_m3_v3(SI0.e, dM, M0);
        float dy = X0.c[3] * dipole.Bnorth - downComponent(Rmat, M0, Cmat);
        float H[4] = {downComponent(dR1, M0, Cmat), downComponent(dR2, M0, Cmat), downComponent(dR3, M0, Cmat),
                      -dipole.Bnorth};
        for (int a = 0; a < 4; a++) {
            HTY[a] += H[a] * dy;
            for (int b = 0; b < 4; b++) HTH[a][b] += H[a] * H[b];
        }
        *J += dy * dy;
    }
}

namespace {
// Gauss-Newton update dX = HTH^-1 HTY, refused when HTH is singular or ill-conditioned.
AqError gaussNewtonStep(float (*HTH)[4], const float* HTY, float* dX)
{
    float inv[16];
    AqError code = aq_inverse_m4(&HTH[0][0], inv);
    if (code != E_NONE) return code;
    if (!(aq_cond(&HTH[0][0], inv, 4) <= MAX_COND)) return E_ILL_CONDITIONED;
    aq_mult_mn(inv, HTY, 4, 4, 1, dX);
    return E_NONE;
}
}

AqError aqhsi_find_rotation_3d(AqHsiDipole dipole, AqHsiConfig* c, AqHsiYmr* meas, AqHsiSol* hsisolnIN,
                               size_t numMeas, aq_mat3f SI0, float* HI0, float* RM, float* magInc, float* FOM)
{
    (void)c;
    const float failCoverage = 100.0f * dipole.Bnorth;
    const float Jthresh = (float)numMeas * 2e-6f, dJthresh = 2e-6f;
    aq_vec4f X0 = {{0.0f, 0.0f, 0.0f, dipole.Bdown / dipole.Bnorth}};
    float HTH[4][4], HTY[4], J = (float)numMeas * 10000.0f, Jold = J, dJ = 1.0f;
    for (int count = 0; J > Jthresh && dJ > dJthresh; count++) {
        aqhsi_glsdc_iter(dipole, meas, hsisolnIN, numMeas, X0, SI0, HI0, HTH, HTY, &J);
        float dX[4];
        AqError code = gaussNewtonStep(HTH, HTY, dX);
        if (code != E_NONE) {
            if (FOM) *FOM = failCoverage;
            return code;
        }
        aq_add_v4(X0.c, dX, X0.c);
        dJ = Jold - J;
        Jold = J;
        if (count == MAX_GN_UPDATES) {
            if (FOM) *FOM = failCoverage;
            return E_EXCEEDED_MAX_ITERATIONS;
        }
    }
    aqhsi_glsdc_iter(dipole, meas, hsisolnIN, numMeas, X0, SI0, HI0, HTH, HTY, &J);
    float lr[4], li[4];
    int rc = n_eigeng(&HTH[0][0], 4, lr, li, NULL);
    float minEig = lr[0];
    for (int k = 1; k < 4; k++)
        if (lr[k] < minEig) minEig = lr[k];
    if (rc != 0 || !(minEig >= LLS_THRESHOLD)) {
        if (FOM) *FOM = failCoverage;
        return rc == 1 ? E_MEMORY_NOT_ALLOCATED : E_INSUFFICIENT_DATA;
    }
    if (FOM) *FOM = (float)((double)dipole.Bnorth / sqrt((double)minEig));
    Euler3212C(RM, X0.c);
    *magInc = dipole.Bnorth * X0.c[3];
    return E_NONE;
}
