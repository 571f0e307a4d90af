#include "AQ9Units.h"

#include <math.h>

namespace {

const double kDegToRad = 0.017453292519943295;

}  // namespace

float AQ9Units_degToRad(float deg)
{
    return static_cast<float>(deg * kDegToRad);
}

float AQ9Units_radToDeg(float rad)
{
    const double exact = rad / kDegToRad;
    const float quotient = static_cast<float>(exact);
    // The preimage lies within two steps of the rounded quotient.
    float candidate = nextafterf(nextafterf(quotient, -INFINITY), -INFINITY);
    float best = quotient;
    double bestDistance = INFINITY;
    for (int k = 0; k < 5; k++, candidate = nextafterf(candidate, INFINITY))
    {
        const double distance = fabs(candidate - exact);
        if (AQ9Units_degToRad(candidate) == rad && distance < bestDistance)
        {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}
