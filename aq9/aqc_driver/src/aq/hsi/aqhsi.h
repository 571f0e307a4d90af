// Public interface of the hard/soft-iron calibration engine and the records it
// passes between its caller, the patch and dipole modules and the two solvers.
// One engine per process: the dipole model, patch tables and keep-decision
// state are module-level.
#ifndef AQ_HSI_AQHSI_H
#define AQ_HSI_AQHSI_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "aq/error.h"
#include "aq/hsi/aqamath.h"
#include "aq/hsi/aqhsidipole.h"
#include "aq/hsi/aqhsipatches.h"

typedef enum AqHsiLibMode
{
    HSI_MODE_3D = 1,
    HSI_MODE_2D = 2,
    HSI_MODE_3D_NOLOCATION = 3,
    HSI_MODE_2D_NOLOCATION = 4,
    HSI_MODE_2D_SCALE_S33 = 5,
    HSI_MODE_MAX = 6
} AqHsiLibMode;

typedef struct AqHsiConfig
{
    AqHsiLibMode mode;
    aq_mat3f oldSI;  // soft-iron matrix the sensor already applies
    aq_vec3f oldHI;  // hard-iron offset the sensor already applies
    aq_mat3f RFR;    // the sensor's reference-frame (mounting) rotation
    float latitude;  // degrees
    float longitude; // degrees
    uint32_t dataRate;
    uint32_t nPatches;
    uint32_t nDataPerPatch;
    uint32_t flagKM;
} AqHsiConfig;

typedef struct AqHsiYmr
{
    aq_vec3f ypr;  // degrees, 3-2-1
    aq_vec3f mag;  // gauss, as the sensor outputs it
    aq_vec3f acc;
    aq_vec3f gyro; // rad/s
    uint64_t index;
} AqHsiYmr;

typedef struct AqHsiSol
{
    aq_mat3f SI;
    aq_vec3f HI;
    float magInc;
} AqHsiSol;

typedef struct AqHsiFom
{
    float ellipsoidFitResidualsMean;
    float ellipsoidFitResidualsMax;
    float ellipsoidFitResidualsStd;
    float alignmentFitResidualsMean;
    float alignmentFitResidualsMax;
    float alignmentFitResidualsStd;
    float ellipsoidCoverage;
    float alignmentCoverage;
} AqHsiFom;

#define AQHSI_NUM_FOM 8

// The configured mode as a plain number: a caller may have stored any value in
// the field, and only 1 to 5 select a solver.
static inline int32_t aqhsi_mode(const AqHsiConfig* c)
{
    int32_t m;
    memcpy(&m, &c->mode, sizeof m);
    return m;
}

// Starts a calibration run: dipole model, then the solver's keep and patch state.
// The location-free modes zero c->latitude and c->longitude first.
void aqhsi_init(AqHsiConfig* c);
// Nonzero: the caller is to keep this measurement. A reading with a non-finite
// attitude, magnetometer or rate value is refused and counted nowhere.
int8_t aqhsi_keep(AqHsiConfig* c, AqHsiYmr meas);
// Solves on the kept set; on success updates the dipole model's down component.
// E_UNKNOWN for a mode without a solver, else the solver's code.
AqError aqhsi_solve(AqHsiConfig* c, AqHsiYmr* meas, size_t numMeas, AqHsiSol* hsisoln);
// Coverage pass and residual statistics against the updated dipole model, then
// the eight scores. The three trailing arrays are optional (NULL skips them)
// and hold numMeas entries each when given.
void aqhsi_figure_of_merit(AqHsiConfig* c, AqHsiYmr* meas, size_t numMeas, AqHsiSol hsisoln, AqHsiFom* FOM,
                           unsigned int* fomScore, float* sphereResiduals, float* vertResiduals,
                           float (*correctedMag)[3]);
// Eight scores, 0 (best) to 3, from the thresholds table; a NaN field scores 3.
void aqhsi_evaluate_fom(AqHsiFom* fom, unsigned int* fomScore);
// Calibration to load into the sensor: si = RFR^T SI RFR oldSI and
// hi = oldHI + oldSI^-1 RFR^T HI (not-a-number when memory for the inverse is lacking).
void aqhsi_results(AqHsiConfig* c, aq_mat3f* si, aq_vec3f* hi, AqHsiSol hsisoln);
// The worst score, 3.
unsigned int aqhsi_get_max_fomScore(void);

// Bounds that each figure-of-merit field must not exceed (in absolute value)
// to earn the score of its row; beyond row 2 the score is 3.
extern const AqHsiFom fomEvalThresholds[3];

// Accessors of the engine's module state.
AqHsiDipole aqhsi_get_dipole(int8_t updatedFlag);
AqHsiPatchFill aqhsi_get_patch_fill(AqHsiPatchType patchType);
AqHsiPatchDef aqhsi_get_patch_def(void);
int aqhsi_get_last_patch(void);

// Shared numerical steps of both solvers.
// Least squares by eigen-decomposition of the symmetric n x n normal matrix HTH
// (overwritten), n <= 9: X = HTH^-1 * HTY and *FOM = 1/sqrt(smallest eigenvalue).
// E_INSUFFICIENT_DATA with X = 0 and *FOM = 1/FOMthreshold when the smallest
// eigenvalue is below FOMthreshold (or not a number); E_EXCEEDED_MAX_ITERATIONS
// or E_MEMORY_NOT_ALLOCATED with X = 0 when the decomposition fails. FOM may be NULL.
AqError aqhsi_solveLLS(float* HTH, float* HTY, unsigned int n, float FOMthreshold, float* X, float* FOM);
// SI * (mag - HI); a NULL solution returns mag unchanged.
aq_vec3f aqhsi_ApplyHSI(AqHsiSol* hsisoln, aq_vec3f mag);
// Direction-cosine matrix (north-east-down to body, row-major) of the 3-2-1
// sequence e = (yaw, pitch, roll) in radians.
void Euler3212C(float* C, float* e);
// Yaw, pitch, roll in degrees of a row-major direction-cosine matrix.
aq_vec3f C2Euler321(float* C);

#endif
