// The navigation client on a desk or lab rig: the site comes from the
// environment. AQ9_NAV_LAT and AQ9_NAV_LON (degrees) are required;
// AQ9_NAV_DECLINATION (degrees) is optional and 0 when unset. A value that is
// missing where required, not a number or out of range makes the constructor
// throw, so the driver falls back on its default site.
#include "NavigationIF.h"

#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "Exception.h"

namespace {

struct Coordinate
{
    const char* variable;
    double lowest, highest;
    bool required;
};

const Coordinate kLat = {"AQ9_NAV_LAT", -90.0, 90.0, true};
const Coordinate kLon = {"AQ9_NAV_LON", -360.0, 360.0, true};
const Coordinate kDeclination = {"AQ9_NAV_DECLINATION", -180.0, 180.0, false};
const double kDegToRad = 3.14159265358979323846 / 180.0;

// The coordinate's value in degrees; false with the reason in why.
bool degrees(const Coordinate& c, double* out, char* why, size_t whySize)
{
    const char* text = getenv(c.variable);
    if (text == nullptr || text[0] == '\0')
    {
        *out = 0.0;
        if (c.required)
            snprintf(why, whySize, "%s is not set; the site needs AQ9_NAV_LAT and AQ9_NAV_LON in degrees", c.variable);
        return !c.required;
    }
    char* end = nullptr;
    errno = 0;
    const double v = strtod(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !isfinite(v) || v < c.lowest || v > c.highest)
    {
        snprintf(why, whySize, "%s=\"%.16s\" is not a number of degrees in [%g, %g]", c.variable, text, c.lowest,
                 c.highest);
        return false;
    }
    *out = v;
    return true;
}

double degreesOrThrow(const Coordinate& c)
{
    char why[sizeof(Exception::msg)];
    double v = 0.0;
    if (!degrees(c, &v, why, sizeof why))
        throw Exception(why);
    return v;
}

}  // namespace

NavigationIF::NavigationIF(const char*)
{
    degreesOrThrow(kLat);
    degreesOrThrow(kLon);
    degreesOrThrow(kDeclination);
}

NavigationIF::~NavigationIF() {}

int NavigationIF::location(double* lat, double* lng, double* dep, double* alt)
{
    char why[100];
    double latDeg = 0, lonDeg = 0;
    if (!degrees(kLat, &latDeg, why, sizeof why) || !degrees(kLon, &lonDeg, why, sizeof why))
        return -1;
    *lat = latDeg * kDegToRad;
    *lng = lonDeg * kDegToRad;
    *dep = 0.0;
    *alt = 0.0;
    return 0;
}

double NavigationIF::magneticVariation()
{
    char why[100];
    double v = 0.0;
    return degrees(kDeclination, &v, why, sizeof why) ? v : 0.0;
}
