// Calling interface of the calibration engine: dispatch to the 3D or 2D
// solver, figure of merit and its scores, composition of the final
// calibration with the one already in force, and the numerical steps both
// solvers share.
#include "aq/hsi/aqhsi.h"

#include <math.h>

#include "aq/hsi/aqhsi2d.h"
#include "aq/hsi/aqhsi3d.h"
#include "aq/hsi/aqhsimath.h"

const AqHsiFom fomEvalThresholds[3] = {
    {0.0001f, 0.015f, 0.005f, 0.0001f, 0.015f, 0.005f, 0.1f, 0.1f},
    {0.0005f, 0.03f, 0.01f, 0.0005f, 0.03f, 0.01f, 0.2f, 0.2f},
    {0.002f, 0.06f, 0.02f, 0.002f, 0.06f, 0.02f, 0.5f, 0.5f},
};

namespace {
const unsigned int MAX_FOM_SCORE = 3;

bool is3d(const AqHsiConfig* c)
{
    int32_t m = aqhsi_mode(c);
    return m == HSI_MODE_3D || m == HSI_MODE_3D_NOLOCATION;
}

bool is2d(const AqHsiConfig* c)
{
    int32_t m = aqhsi_mode(c);
    return m == HSI_MODE_2D || m == HSI_MODE_2D_NOLOCATION || m == HSI_MODE_2D_SCALE_S33;
}

bool finite3(const aq_vec3f& v) { return isfinite(v.c[0]) && isfinite(v.c[1]) && isfinite(v.c[2]); }
}

void aqhsi_init(AqHsiConfig* c)
{
    if (aqhsi_mode(c) == HSI_MODE_3D_NOLOCATION || aqhsi_mode(c) == HSI_MODE_2D_NOLOCATION) {
        c->latitude = 0.0f;
        c->longitude = 0.0f;
    }
    AqHsiDipole dipole = aqhsi_dipole_init(c);
    if (is3d(c))
        aqhsi_3d_init(dipole, c);
    else if (is2d(c))
        aqhsi_2d_init(dipole, c);
}

int8_t aqhsi_keep(AqHsiConfig* c, AqHsiYmr meas)
{
    // One non-finite reading would poison every later fit: refuse it uncounted.
    if (!finite3(meas.mag) || !finite3(meas.ypr) || !finite3(meas.gyro)) return 0;
    AqHsiDipole dipole = aqhsi_dipole_get_dipole(0);
    if (is3d(c)) return aqhsi_3d_keep(dipole, c, meas.ypr);
    if (is2d(c)) return aqhsi_2d_keep(dipole, c, meas.ypr, meas.gyro);
    return 0;
}

AqError aqhsi_solve(AqHsiConfig* c, AqHsiYmr* meas, size_t numMeas, AqHsiSol* hsisoln)
{
    AqHsiDipole dipole = aqhsi_dipole_get_dipole(0);
    AqError code;
    if (is3d(c)) {
        code = aqhsi_3d_solve(dipole, c, meas, NULL, numMeas, hsisoln, NULL);
        if (code == E_NONE) aqhsi_dipole_update(hsisoln->magInc, 0);
        return code;
    }
    if (is2d(c)) {
        code = aqhsi_2d_solve(dipole, c, meas, NULL, numMeas, hsisoln, NULL);
        if (code == E_NONE) aqhsi_dipole_update(hsisoln->magInc, 1);
        return code;
    }
    return E_UNKNOWN;
}

namespace {

// Running mean, largest magnitude and population variance (Welford form).
void accumulate(float res, size_t c1, float* mean, float* max, float* var)
{
    float n = (float)(c1 + 1);
    float dif = res - *mean;
    *var = ((float)c1 * *var + dif * dif * (float)c1 / n) / n;
    *mean += dif / n;
    if (fabsf(res) > *max) *max = fabsf(res);
}

// Coverage pass: the solver run once more on the corrected data.
void coverage(AqHsiConfig* c, AqHsiDipole dp, AqHsiYmr* meas, size_t numMeas, AqHsiSol* sol, AqHsiFom* FOM)
{
    AqHsiSol scratch = *sol;
    if (is3d(c))
        (void)aqhsi_3d_solve(dp, c, meas, sol, numMeas, &scratch, FOM);
    else if (is2d(c))
        (void)aqhsi_2d_solve(dp, c, meas, sol, numMeas, &scratch, FOM);
}
}

void aqhsi_figure_of_merit(AqHsiConfig* c, AqHsiYmr* meas, size_t numMeas, AqHsiSol hsisoln, AqHsiFom* FOM,
                           unsigned int* fomScore, float* sphereResiduals, float* vertResiduals,
                           float (*correctedMag)[3])
{
    float sphereVar = 0.0f, vertVar = 0.0f;
    AqHsiDipole dp = aqhsi_get_dipole(1);
    coverage(c, dp, meas, numMeas, &hsisoln, FOM);
    FOM->ellipsoidFitResidualsMean = FOM->ellipsoidFitResidualsMax = FOM->ellipsoidFitResidualsStd = 0.0f;
    FOM->alignmentFitResidualsMean = FOM->alignmentFitResidualsMax = FOM->alignmentFitResidualsStd = 0.0f;
    const float down[3] = {0.0f, 0.0f, 1.0f};
    for (size_t c1 = 0; c1 < numMeas; c1++) {
        float e[3], dcm[9], gr[3];
        aq_mult_v3s(meas[c1].ypr.c, 3.1415927f / 180.0f, e);
        Euler3212C(dcm, e);
        aq_mult_m3_v3(dcm, down, gr);
        aq_vec3f mhat = aqhsi_ApplyHSI(&hsisoln, meas[c1].mag);
        double norm = sqrt((double)mhat.c[0] * mhat.c[0] + (double)mhat.c[1] * mhat.c[1] +
                           (double)mhat.c[2] * mhat.c[2]);
        float sphereRes = (float)(norm / (double)dp.sphereRad - 1.0);
        float vertRes = (aq_dot(mhat.c, gr) - dp.Bdown) / dp.sphereRad;
        if (sphereResiduals) sphereResiduals[c1] = sphereRes;
        if (vertResiduals) vertResiduals[c1] = vertRes;
        if (correctedMag) aq_copy_v3(mhat.c, correctedMag[c1]);
        accumulate(sphereRes, c1, &FOM->ellipsoidFitResidualsMean, &FOM->ellipsoidFitResidualsMax, &sphereVar);
        accumulate(vertRes, c1, &FOM->alignmentFitResidualsMean, &FOM->alignmentFitResidualsMax, &vertVar);
    }
    FOM->ellipsoidFitResidualsStd = (float)sqrt((double)sphereVar);
    FOM->alignmentFitResidualsStd = (float)sqrt((double)vertVar);
    aqhsi_evaluate_fom(FOM, fomScore);
}

void aqhsi_evaluate_fom(AqHsiFom* fom, unsigned int* fomScore)
{
    const float* f = &fom->ellipsoidFitResidualsMean;
    for (int i = 0; i < AQHSI_NUM_FOM; i++) fomScore[i] = MAX_FOM_SCORE;
    for (int r = 2; r >= 0; r--) {
        const float* bound = &fomEvalThresholds[r].ellipsoidFitResidualsMean;
        for (int i = 0; i < AQHSI_NUM_FOM; i++)
            if (bound[i] >= fabsf(f[i])) fomScore[i] = (unsigned int)r;
    }
}

void aqhsi_results(AqHsiConfig* c, aq_mat3f* si, aq_vec3f* hi, AqHsiSol hsisoln)
{
    float rfrT[9], t1[9], t2[9], oldSIinv[9], v[3], w[3];
    aq_tranpose_m3(c->RFR.e, rfrT);
    aq_mult_m3_m3(rfrT, hsisoln.SI.e, t1);
    aq_mult_m3_m3(t1, c->RFR.e, t2);
    aq_mult_m3_m3(t2, c->oldSI.e, si->e);
    // A singular old compensation is composed as far as it goes; without the
    // working copy there is no inverse at all, and an offset that cannot be
    // composed is left not-a-number so that no caller loads it.
    if (aq_inverse_m3(c->oldSI.e, oldSIinv) == E_MEMORY_NOT_ALLOCATED) {
        for (int k = 0; k < 3; k++) hi->c[k] = NAN;
        return;
    }
    aq_mult_m3_v3(rfrT, hsisoln.HI.c, v);
    aq_mult_m3_v3(oldSIinv, v, w);
    aq_add_v3(c->oldHI.c, w, hi->c);
}

unsigned int aqhsi_get_max_fomScore(void) { return MAX_FOM_SCORE; }

AqHsiDipole aqhsi_get_dipole(int8_t updatedFlag) { return aqhsi_dipole_get_dipole(updatedFlag); }
AqHsiPatchFill aqhsi_get_patch_fill(AqHsiPatchType patchType) { return aqhsi_patches_fill(patchType); }
AqHsiPatchDef aqhsi_get_patch_def(void) { return aqhsi_patches_def(); }
int aqhsi_get_last_patch(void) { return aqhsi_patches_last_patch(); }

// ---------------------------------------------------------------- shared steps

AqError aqhsi_solveLLS(float* HTH, float* HTY, unsigned int n, float FOMthreshold, float* X, float* FOM)
{
    float lr[9], li[9], V[81];
    if (n == 0 || n > 9) return E_INVALID_VALUE;
    // A non-finite sum carries no information: report it like too little data.
    for (unsigned int k = 0; k < n * n; k++)
        if (!isfinite(HTH[k]) || (k < n && !isfinite(HTY[k]))) {
            aq_zero_v(X, (int)n);
            if (FOM) *FOM = 1.0f / FOMthreshold;
            return E_INSUFFICIENT_DATA;
        }
    int rc = n_eigeng(HTH, (int)n, lr, li, V);
    float minEig = lr[0];
    for (unsigned int k = 1; rc == 0 && k < n; k++)
        if (lr[k] < minEig) minEig = lr[k];
    // Too little information, or no usable decomposition: a zero solution.
    if (rc != 0 || !(minEig >= FOMthreshold)) {
        aq_zero_v(X, (int)n);
        if (FOM) *FOM = 1.0f / FOMthreshold;
        if (rc == 1) return E_MEMORY_NOT_ALLOCATED;
        return rc != 0 ? E_EXCEEDED_MAX_ITERATIONS : E_INSUFFICIENT_DATA;
    }
    if (FOM) *FOM = (float)(1.0 / sqrt((double)minEig));
    // X = V * diag(1/lambda) * V^T * HTY.
    float t[9];
    for (unsigned int k = 0; k < n; k++) {
        float s = 0.0f;
        for (unsigned int i = 0; i < n; i++) s += V[i * n + k] * HTY[i];
        t[k] = s / lr[k];
    }
    for (unsigned int i = 0; i < n; i++) {
        float s = 0.0f;
        for (unsigned int k = 0; k < n; k++) s += V[i * n + k] * t[k];
        X[i] = s;
    }
    return E_NONE;
}

aq_vec3f aqhsi_ApplyHSI(AqHsiSol* hsisoln, aq_vec3f mag)
{
    if (hsisoln == NULL) return mag;
    float d[3];
    aq_vec3f r;
    for (int k = 0; k < 3; k++) d[k] = mag.c[k] - hsisoln->HI.c[k];
    aq_mult_m3_v3(hsisoln->SI.e, d, r.c);
    return r;
}

void Euler3212C(float* C, float* e)
{
    double cps = cos(e[0]), sps = sin(e[0]);
    double cth = cos(e[1]), sth = sin(e[1]);
    double cph = cos(e[2]), sph = sin(e[2]);
    C[0] = (float)(cth * cps);
    C[1] = (float)(cth * sps);
    C[2] = (float)(-sth);
    C[3] = (float)(sph * sth * cps - cph * sps);
    C[4] = (float)(cph * cps + sph * sth * sps);
    C[5] = (float)(sph * cth);
    C[6] = (float)(sph * sps + cph * sth * cps);
    C[7] = (float)(cph * sth * sps - sph * cps);
    C[8] = (float)(cph * cth);
}

aq_vec3f C2Euler321(float* C)
{
    const double toDeg = 180.0 / (double)3.1415927f;
    aq_vec3f r;
    float s = C[2] > 1.0f ? 1.0f : (C[2] < -1.0f ? -1.0f : C[2]);
    r.c[0] = (float)(atan2(C[1], C[0]) * toDeg);
    r.c[1] = (float)(-asin(s) * toDeg);
    r.c[2] = (float)(atan2(C[5], C[8]) * toDeg);
    return r;
}
