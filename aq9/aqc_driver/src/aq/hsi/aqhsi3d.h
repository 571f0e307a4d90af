// Three-dimensional solver: keep decision, ellipsoid fit (symmetric soft-iron
// matrix and hard-iron offset), and the Gauss-Newton search for the alignment
// rotation and down component that make every corrected reading's down
// component in north-east-down axes agree.
#ifndef AQ_HSI_AQHSI3D_H
#define AQ_HSI_AQHSI3D_H

#include "aq/hsi/aqhsi.h"

// Resets the keep record and the patch state.
void aqhsi_3d_init(AqHsiDipole dipole, AqHsiConfig* c);
// Nonzero: keep this measurement (attitude in degrees). Patch counts always update.
int8_t aqhsi_3d_keep(AqHsiDipole dipole, AqHsiConfig* c, aq_vec3f ypr);
// Full solve; hsisolnIN (may be NULL) corrects every reading first, FOM (may
// be NULL) receives the two coverage values. On failure hsisoln keeps what was
// written before the failing step.
AqError aqhsi_3d_solve(AqHsiDipole dipole, AqHsiConfig* c, AqHsiYmr* meas, AqHsiSol* hsisolnIN, size_t numMeas,
                       AqHsiSol* hsisoln, AqHsiFom* FOM);
// Ellipsoid fit: SV (3x3 row-major) maps the readings less HI0 onto a sphere
// of radius dipole.sphereRad. FOMn (may be NULL) receives the coverage.
AqError aqhsi_fit_ellipsoid(AqHsiDipole dipole, AqHsiYmr* meas, AqHsiSol* hsisolnIN, int count, float* SV,
                            float* HI0, float* FOMn);
// Alignment rotation RM (3x3) and down component *magInc; FOM may be NULL.
AqError aqhsi_find_rotation_3d(AqHsiDipole dipole, AqHsiConfig* c, AqHsiYmr* meas, AqHsiSol* hsisolnIN,
                               size_t numMeas, aq_mat3f SI0, float* HI0, float* RM, float* magInc, float* FOM);
// One accumulation pass of the 4x4 normal equations at state X0
// (three 3-2-1 angles in radians, down-to-north ratio); J = sum of squared residuals.
void aqhsi_glsdc_iter(AqHsiDipole dipole, AqHsiYmr* meas, AqHsiSol* hsisolnIN, size_t numMeas, aq_vec4f X0,
                      aq_mat3f SI0, float* HI0, float (*HTH)[4], float* HTY, float* J);
// Partial derivatives of the Euler3212C matrix with respect to yaw, pitch, roll.
void aqhsi_dEuler3212C(const float* e, float* dRdx1, float* dRdx2, float* dRdx3);

#endif
