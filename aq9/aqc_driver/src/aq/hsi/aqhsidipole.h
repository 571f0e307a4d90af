// Dipole model of the geomagnetic field: the field expected at the configured
// site, kept as the model from initialisation and the model updated by the
// last successful solve (module-level, one engine per process).
#ifndef AQ_HSI_AQHSIDIPOLE_H
#define AQ_HSI_AQHSIDIPOLE_H

#include <stdint.h>

#include "aq/hsi/aqamath.h"

struct AqHsiConfig;

typedef struct AqHsiDipole
{
    float Bdown;     // gauss, down component
    float Bnorth;    // gauss, horizontal northward component
    float sphereRad; // gauss, field magnitude
} AqHsiDipole;

// Builds the model from c->latitude and c->longitude (degrees) and stores it as
// both the initial and the updated model.
AqHsiDipole aqhsi_dipole_init(AqHsiConfig* c);
// Nonzero: the updated model; zero: the model from initialisation.
AqHsiDipole aqhsi_dipole_get_dipole(int8_t updatedFlag);
// After a solve: sets the down component; nonzero updateMagnitude re-derives
// the magnitude (2D solves), zero re-derives the north component (3D solves).
void aqhsi_dipole_update(float Bdown, int8_t updateMagnitude);
// Unit reference field in north-east-down axes.
aq_vec3f aqhsi_unit_mag_ref(AqHsiDipole dp);

#endif
