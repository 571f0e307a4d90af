// Two-dimensional solver, for data taken while the vehicle turns mostly about
// its vertical: keep by accumulated turn about the mean vertical, mean tilt,
// plane fit, horizontal ellipse fit, and the ellipse-to-calibration step.
#ifndef AQ_HSI_AQHSI2D_H
#define AQ_HSI_AQHSI2D_H

#include "aq/hsi/aqhsi.h"

// Resets the keep record and the patch state.
void aqhsi_2d_init(AqHsiDipole dipole, AqHsiConfig* c);
// Nonzero: keep this measurement (attitude in degrees, gyro in rad/s).
int8_t aqhsi_2d_keep(AqHsiDipole dipole, AqHsiConfig* c, aq_vec3f ypr, aq_vec3f gyro);
// Full solve; hsisolnIN (may be NULL) corrects every reading first, FOM (may be
// NULL) receives the two coverage values. On failure hsisoln is left as it
// was, except magInc and SI when the final inversion or conditioning test fails.
AqError aqhsi_2d_solve(AqHsiDipole dipole, AqHsiConfig* c, AqHsiYmr* meas, AqHsiSol* hsisolnIN, size_t numMeas,
                       AqHsiSol* hsisoln, AqHsiFom* FOM);
// Mean tilt of the data as (yaw 0, pitch, roll) in radians; always E_NONE.
AqError aqhsi_calc_rfr_error(AqHsiYmr* meas, int count, float* ypr);
// Plane n.m = 1 through the readings, returned in levelled axes as Zn = R*n.
AqError aqhsi_fit_plane(AqHsiDipole dipole, AqHsiYmr* meas, AqHsiSol* hsisolnIN, int count, float* R, float* Zn,
                        float* FOMn);
// Ellipse EP0 x^2 + EP1 xy + EP2 y^2 + EP3 x + EP4 y + EP5 = 0 (EP0 + EP2 = 1)
// through the levelled horizontal readings.
AqError aqhsi_fit_ellipse(AqHsiDipole dipole, AqHsiYmr* meas, AqHsiSol* hsisolnIN, int count, float* R,
                          float* ellipseParam, float* FOMn);
// Soft-iron matrix SI (3x3, levelled axes) and offset HIb from the ellipse and plane.
AqError aqhsi_ellipse2HSI(AqHsiDipole dipole, AqHsiConfig* c, float* EP, float* Zn, float* SI, float* HIb);

#endif
