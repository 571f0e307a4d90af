// Public interface of the hard/soft-iron calibration engine and the records it
// passes between its caller, the patch and dipole modules and the two solvers.
// One engine per process: the dipole model, patch tables and keep-decision
// state are module-level.
#ifndef AQ_HSI_AQHSI_H
#define AQ_HSI_AQHSI_H

#include <stddef.h>
#include <stdint.h>

#include "aq/error.h"
#include "aq/hsi/aqamath.h"

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

void aqhsi_init(AqHsiConfig* c);
int8_t aqhsi_keep(AqHsiConfig* c, AqHsiYmr meas);
AqError aqhsi_solve(AqHsiConfig* c, AqHsiYmr* meas, size_t numMeas, AqHsiSol* hsisoln);
void aqhsi_figure_of_merit(AqHsiConfig* c, AqHsiYmr* meas, size_t numMeas, AqHsiSol hsisoln, AqHsiFom* FOM,
                           unsigned int* fomScore, float* sphereResiduals, float* vertResiduals,
                           float (*correctedMag)[3]);
void aqhsi_evaluate_fom(AqHsiFom* fom, unsigned int* fomScore);
void aqhsi_results(AqHsiConfig* c, aq_mat3f* si, aq_vec3f* hi, AqHsiSol hsisoln);
unsigned int aqhsi_get_max_fomScore(void);

#endif
