// Measurement patches: the sphere (3D modes) or the horizontal circle (2D
// modes) of field directions divided into patches, each counting the
// measurements that fell into it, so that the keep decisions accept a bounded
// number of measurements per direction. Module-level state, one engine per process.
#ifndef AQ_HSI_AQHSIPATCHES_H
#define AQ_HSI_AQHSIPATCHES_H

#include <stdint.h>

#include "aq/hsi/aqamath.h"
#include "aq/hsi/aqhsidipole.h"

struct AqHsiConfig;

#define AQHSI_MAX_PATCHES 212

typedef enum AqHsiPatchType
{
    NORTHPATCHTYPE = 0,
    EASTPATCHTYPE = 1,
    TWODPATCHTYPE = 2
} AqHsiPatchType;

typedef struct AqHsiPatchFill
{
    int32_t numData[AQHSI_MAX_PATCHES]; // measurements per patch
    uint32_t numFilled;                 // patches holding at least two
} AqHsiPatchFill;

typedef struct AqHsiPatchDef
{
    const float* Patches; // active table of centres, three floats per patch
    float cosErr;         // cosine of the patch half-angle
    aq_vec3f refYPR;      // degrees; reference tilt of the 2D keep decision
} AqHsiPatchDef;

typedef struct AqHsiPatch
{
    int32_t patchInd; // -1 when not accepted
    int32_t numData;  // the patch's count before this measurement (0 when not accepted)
} AqHsiPatch;

// The constant tables of unit centre directions and their cone angles (degrees).
extern const float Patches32[32][3];
extern const float Patches50[50][3];
extern const float Patches122[122][3];
extern const float Patches212[212][3];
#define AQHSI_CONE32_DEG 37.37737f
#define AQHSI_CONE50_DEG 24.374416f
#define AQHSI_CONE122_DEG 18.029102f
#define AQHSI_CONE212_DEG 13.556541f

// Selects the table and half-angle and clears the counts; may rewrite c->nPatches.
void aqhsi_patches_init(AqHsiConfig* c);
// Offers an attitude (degrees) to the patch set of the given type.
AqHsiPatch aqhsi_patches_adddata(AqHsiDipole dipole, AqHsiConfig* c, aq_vec3f ypr, int patchtype);
// Index of the patch that takes direction vec, or -1. With threshFlag 0 the
// best-aligned patch in the forward half-space is the fallback.
int aqhsi_find_patch(AqHsiConfig* c, float* vec, unsigned int threshFlag);
// Copy of the east set for EASTPATCHTYPE, else of the north set.
AqHsiPatchFill aqhsi_patches_fill(AqHsiPatchType patchType);
AqHsiPatchDef aqhsi_patches_def(void);
void aqhsi_patches_set_refYPR(aq_vec3f ypr);
// Last north or 2D patch that accepted a measurement (0 at program start).
int aqhsi_patches_last_patch(void);

#endif
