// The random numbers of a DATA step. RAND draws from the Mersenne Twister MT19937 (Matsumoto and
// Nishimura 1998), seeded as its reference code's init_genrand(seed) does, so that a seed gives
// the same stream on every machine: CALL STREAMINIT(seed) before the first draw sets it, else
// the clock does. A uniform takes 53 bits from two outputs (genrand_res53: (a>>5 * 2^26 + b>>6)
// / 2^53, a zero drawn again), and every other distribution is made from uniforms by the
// transformations written here (never a library's distributions, whose algorithms vary):
// the normal by inversion (AS 241), the exponential as -log(u), the Bernoulli as u < p, the
// binomial, Poisson and integer ones by inversion (the smallest k whose CDF reaches u).
// RANUNI and RANNOR share another stream, the prime-modulus multiplicative generator
// x = 397204094 x mod (2^31 - 1), u = x / (2^31 - 1), seeded by the first call's seed (the
// clock when it is 0 or less); RANNOR is the normal quantile of RANUNI's uniform.
#ifndef QUILL_HOST_LANGUAGE_RANDOM_STREAMS_H
#define QUILL_HOST_LANGUAGE_RANDOM_STREAMS_H

#include <cstdint>
#include <optional>
#include <random>

#include "language/probability.h"

namespace quill::host {

class RandomStreams {
public:
    // CALL STREAMINIT: only the first call of a step, made before any draw, sets the seed.
    void stream_init(double seed);
    // A draw of RAND(distribution, parameters...); NaN when a parameter is out of its domain.
    double draw(Distribution d, const double *params, int count);
    double ranuni(double seed);
    double rannor(double seed) { return normal_quantile(ranuni(seed)); }

    std::uint32_t raw();
    double uniform(); // in (0, 1)

private:
    double binomial(double p, double n);
    double poisson(double mean);

    std::optional<std::mt19937> twister_; // engaged at the first draw or STREAMINIT
    bool seeded_ = false;
    std::uint64_t congruential_ = 0;      // RANUNI's state; 0 until its first call
};

} // namespace quill::host

#endif
