#include "language/random_streams.h"

#include <chrono>
#include <cmath>
#include <limits>

namespace quill::host {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr std::uint64_t modulus = 2147483647; // 2^31 - 1

std::uint64_t clock_seed()
{
    return static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

} // namespace

void RandomStreams::stream_init(double seed)
{
    if (seeded_ || twister_)
        return;
    seeded_ = true;
    const bool given = std::isfinite(seed) && seed >= 1;
    const std::uint64_t s = given ? static_cast<std::uint64_t>(std::fmod(std::floor(seed), 4294967296.0)) : clock_seed();
    twister_.emplace(static_cast<std::uint32_t>(s));
}

std::uint32_t RandomStreams::raw()
{
    if (!twister_)
        twister_.emplace(static_cast<std::uint32_t>(clock_seed()));
    return static_cast<std::uint32_t>((*twister_)());
}

double RandomStreams::uniform()
{
    for (;;) {
        const std::uint32_t a = raw() >> 5, b = raw() >> 6;
        const double u = (a * 67108864.0 + b) * (1.0 / 9007199254740992.0);
        if (u > 0)
            return u;
    }
}

double RandomStreams::draw(Distribution d, const double *params, int count)
{
    switch (d) {
    case Distribution::Uniform:
        if (count == 0)
            return uniform();
        if (count != 2 || !(params[0] < params[1]))
            return nan;
        return params[0] + (params[1] - params[0]) * uniform();
    case Distribution::Normal:
        if (count == 2 && !(params[1] > 0))
            return nan;
        return (count > 0 ? params[0] : 0) + (count > 1 ? params[1] : 1) * normal_quantile(uniform());
    case Distribution::Exponential:
        if (count == 1 && !(params[0] > 0))
            return nan;
        return -std::log(uniform()) * (count == 1 ? params[0] : 1);
    case Distribution::Bernoulli:
        if (count != 1 || !(params[0] >= 0 && params[0] <= 1))
            return nan;
        return uniform() < params[0] ? 1 : 0;
    case Distribution::Binomial:
        if (count != 2 || !(params[0] >= 0 && params[0] <= 1) || !(params[1] >= 0) || params[1] != std::floor(params[1]))
            return nan;
        return binomial(params[0], params[1]);
    case Distribution::Poisson:
        if (count != 1 || !(params[0] > 0))
            return nan;
        return poisson(params[0]);
    case Distribution::Integer: {
        const double low = count == 2 ? std::ceil(params[0]) : 1, high = std::floor(params[count - 1]);
        if (count < 1 || !(low <= high) || high - low > 9007199254740992.0)
            return nan;
        return low + std::floor(uniform() * (high - low + 1));
    }
    default: return nan;
    }
}

// Inversion: counted up from 0 while the mean is small, else the quantile of the CDF.
double RandomStreams::binomial(double p, double n)
{
    if (p > 0.5)
        return n - binomial(1 - p, n);
    const double u = uniform();
    if (p == 0 || n == 0)
        return 0;
    if (n * p >= 30) {
        const double params[2] = {p, n};
        return probability(ProbabilityFunction::Quantile, Distribution::Binomial, u, params, 2);
    }
    const double ratio = p / (1 - p);
    double k = 0, pk = std::pow(1 - p, n), cdf = pk;
    while (u > cdf && k < n && pk > 0) { // a sum rounded below u ends where the terms vanish
        pk *= ratio * (n - k) / (k + 1);
        k += 1;
        cdf += pk;
    }
    return k;
}

double RandomStreams::poisson(double mean)
{
    const double u = uniform();
    if (mean >= 30)
        return probability(ProbabilityFunction::Quantile, Distribution::Poisson, u, &mean, 1);
    double k = 0, pk = std::exp(-mean), cdf = pk;
    while (u > cdf && pk > 0) {
        k += 1;
        pk *= mean / k;
        cdf += pk;
    }
    return k;
}

double RandomStreams::ranuni(double seed)
{
    if (congruential_ == 0) {
        const bool given = std::isfinite(seed) && seed >= 1;
        congruential_ = (given ? static_cast<std::uint64_t>(std::fmod(std::floor(seed), double(modulus))) : clock_seed() % modulus);
        if (congruential_ == 0)
            congruential_ = 1;
    }
    congruential_ = congruential_ * 397204094 % modulus;
    return static_cast<double>(congruential_) / static_cast<double>(modulus);
}

} // namespace quill::host
