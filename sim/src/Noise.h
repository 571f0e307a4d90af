// Measurement noise as a pure function of the seed, the sample tick and the
// channel: the same run asks for the same values whenever it asks.
#ifndef SIM_NOISE_H
#define SIM_NOISE_H

#include <stdint.h>

namespace aq9sim {

// A standard normal value (mean 0, deviation 1).
double gaussian(uint64_t seed, uint64_t tick, unsigned channel);

} // namespace aq9sim

#endif
