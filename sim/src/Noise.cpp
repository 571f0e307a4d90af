#include "Noise.h"

#include <math.h>

namespace aq9sim {

namespace {

uint64_t mix(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Uniform in (0, 1], never 0 so that its logarithm is finite.
double uniform(uint64_t x) { return (static_cast<double>(x >> 11) + 1.0) / 9007199254740992.0; }

} // namespace

double gaussian(uint64_t seed, uint64_t tick, unsigned channel)
{
    const uint64_t base = mix(mix(seed) ^ mix(tick) * 31 ^ channel);
    const double u1 = uniform(mix(base));
    const double u2 = uniform(mix(base ^ 0x5851F42D4C957F2Dull));
    return sqrt(-2.0 * log(u1)) * cos(6.283185307179586 * u2);
}

} // namespace aq9sim
