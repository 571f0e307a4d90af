// Dipole field model: a centred dipole whose north pole sits at 80.37 N,
// 72.62 W; the field at a site follows from its angle to that pole.
#include "aq/hsi/aqhsidipole.h"

#include <math.h>

#include "aq/hsi/aqhsi.h"

namespace {
AqHsiDipole dipole0 = {0.0f, 0.0f, 0.0f}; // from initialisation
AqHsiDipole dipole = {0.0f, 0.0f, 0.0f};  // updated by the last successful solve

const float POLE_LAT_DEG = 80.37f;
const float POLE_LON_DEG = -72.62f;
const float DOWN_SCALE = 0.624f;  // gauss, down field at the magnetic pole
const float NORTH_SCALE = 0.312f; // gauss, horizontal field at the magnetic equator

void unitFromLatLon(float lat, float lon, double* u)
{
    u[0] = cos(lat) * cos(lon);
    u[1] = cos(lat) * sin(lon);
    u[2] = sin(lat);
}
}

AqHsiDipole aqhsi_dipole_init(AqHsiConfig* c)
{
    const float pi = 3.1415927f;
    double pole[3], site[3];
    unitFromLatLon(aq_deg2rad(POLE_LAT_DEG), aq_deg2rad(POLE_LON_DEG), pole);
    unitFromLatLon(c->latitude * pi / 180.0f, c->longitude * pi / 180.0f, site);
    double d = pole[0] * site[0] + pole[1] * site[1] + pole[2] * site[2];
    d = d > 1.0 ? 1.0 : (d < -1.0 ? -1.0 : d);
    double maglat = acos(d);
    dipole.Bdown = (float)((double)DOWN_SCALE * cos(maglat));
    dipole.Bnorth = (float)((double)NORTH_SCALE * sin(maglat));
    dipole.sphereRad = (float)sqrt((double)dipole.Bnorth * dipole.Bnorth + (double)dipole.Bdown * dipole.Bdown);
    dipole0 = dipole;
    return dipole;
}

AqHsiDipole aqhsi_dipole_get_dipole(int8_t updatedFlag) { return updatedFlag ? dipole : dipole0; }

void aqhsi_dipole_update(float Bdown, int8_t updateMagnitude)
{
    dipole.Bdown = Bdown;
    if (updateMagnitude) {
        dipole.sphereRad = (float)sqrt((double)dipole.Bnorth * dipole.Bnorth + (double)Bdown * Bdown);
        return;
    }
    // A fitted down component beyond the magnitude leaves no horizontal field.
    double h2 = (double)dipole.sphereRad * dipole.sphereRad - (double)Bdown * Bdown;
    dipole.Bnorth = h2 > 0.0 ? (float)sqrt(h2) : 0.0f;
}

aq_vec3f aqhsi_unit_mag_ref(AqHsiDipole dp)
{
    aq_vec3f r = {{dp.Bnorth / dp.sphereRad, 0.0f, dp.Bdown / dp.sphereRad}};
    return r;
}
