#include "language/probability.h"

#include <cmath>
#include <limits>
#include <string>

#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/poisson.hpp>
#include <boost/math/distributions/students_t.hpp>

#include "base/names.h"

namespace quill::host {
namespace {

namespace bm = boost::math;
// Errors come back as NaN or an infinity, never as an exception; a discrete quantile is the
// smallest count whose probability reaches p.
using Quiet = bm::policies::policy<bm::policies::domain_error<bm::policies::ignore_error>,
                                   bm::policies::overflow_error<bm::policies::ignore_error>,
                                   bm::policies::evaluation_error<bm::policies::ignore_error>,
                                   bm::policies::pole_error<bm::policies::ignore_error>,
                                   bm::policies::discrete_quantile<bm::policies::integer_round_up>>;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

double horner(const double (&c)[8], double x)
{
    double v = c[7];
    for (int i = 6; i >= 0; --i)
        v = v * x + c[i];
    return v;
}

// One of a distribution's three functions, its parameters already checked.
template <class D> double apply(ProbabilityFunction which, const D &d, double x)
{
    switch (which) {
    case ProbabilityFunction::Cdf: return bm::cdf(d, x);
    case ProbabilityFunction::Pdf: return bm::pdf(d, x);
    default: return x > 0 && x < 1 ? bm::quantile(d, x) : nan;
    }
}

// Counts: a CDF of a fraction counts to its integer part, a PDF of one is 0, below 0 both are 0.
template <class D> double apply_discrete(ProbabilityFunction which, const D &d, double x)
{
    if (which == ProbabilityFunction::Quantile) {
        if (x == 0)
            return 0;
        return x > 0 && x < 1 ? bm::quantile(d, x) : nan;
    }
    if (x < 0)
        return 0;
    const double k = std::floor(x);
    if (which == ProbabilityFunction::Pdf)
        return k == x ? bm::pdf(d, k) : 0;
    return bm::cdf(d, std::min(k, std::numeric_limits<double>::max()));
}

bool whole(double v) { return std::isfinite(v) && v == std::floor(v); }

} // namespace

Distribution distribution_named(std::string_view name)
{
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    while (!name.empty() && name.front() == ' ')
        name.remove_prefix(1);
    const std::string n = upper_case(name);
    if (n == "NORMAL" || n == "GAUSS" || n == "NORM")
        return Distribution::Normal;
    if (n == "T")
        return Distribution::T;
    if (n == "CHISQUARE" || n == "CHISQ")
        return Distribution::Chisq;
    if (n == "BINOMIAL" || n == "BINO")
        return Distribution::Binomial;
    if (n == "POISSON" || n == "POIS")
        return Distribution::Poisson;
    if (n == "UNIFORM" || n == "UNIF")
        return Distribution::Uniform;
    if (n == "BERNOULLI" || n == "BERN")
        return Distribution::Bernoulli;
    if (n == "EXPONENTIAL" || n == "EXPO")
        return Distribution::Exponential;
    if (n == "INTEGER")
        return Distribution::Integer;
    return Distribution::Unknown;
}

double normal_cdf(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

// Wichura, M. J. (1988) Algorithm AS 241: The percentage points of the normal distribution.
// Applied Statistics 37, 477-484 (PPND16).
double normal_quantile(double p)
{
    static constexpr double a[8] = {3.3871328727963666080e0, 1.3314166789178437745e+2, 1.9715909503065514427e+3,
                                    1.3731693765509461125e+4, 4.5921953931549871457e+4, 6.7265770927008700853e+4,
                                    3.3430575583588128105e+4, 2.5090809287301226727e+3};
    static constexpr double b[8] = {1.0, 4.2313330701600911252e+1, 6.8718700749205790830e+2,
                                    5.3941960214247511077e+3, 2.1213794301586595867e+4, 3.9307895800092710610e+4,
                                    2.8729085735721942674e+4, 5.2264952788528545610e+3};
    static constexpr double c[8] = {1.42343711074968357734e0, 4.63033784615654529590e0, 5.76949722146069140550e0,
                                    3.64784832476320460504e0, 1.27045825245236838258e0, 2.41780725177450611770e-1,
                                    2.27238449892691845833e-2, 7.74545014278341407640e-4};
    static constexpr double d[8] = {1.0, 2.05319162663775882187e0, 1.67638483018380384940e0,
                                    6.89767334985100004550e-1, 1.48103976427480074590e-1, 1.51986665636164571966e-2,
                                    5.47593808499534494600e-4, 1.05075007164441684324e-9};
    static constexpr double e[8] = {6.65790464350110377720e0, 5.46378491116411436990e0, 1.78482653991729133580e0,
                                    2.96560571828504891230e-1, 2.65321895265761230930e-2, 1.24266094738807843860e-3,
                                    2.71155556874348757815e-5, 2.01033439929228813265e-7};
    static constexpr double f[8] = {1.0, 5.99832206555887937690e-1, 1.36929880922735805310e-1,
                                    1.48753612908506148525e-2, 7.86869131145613259100e-4, 1.84631831751005468180e-5,
                                    1.42151175831644588870e-7, 2.04426310338993978564e-15};
    if (!(p > 0 && p < 1))
        return nan;
    const double q = p - 0.5;
    if (std::fabs(q) <= 0.425) {
        const double r = 0.180625 - q * q;
        return q * horner(a, r) / horner(b, r);
    }
    double r = std::sqrt(-std::log(q < 0 ? p : 1 - p));
    const double v = r <= 5 ? horner(c, r - 1.6) / horner(d, r - 1.6) : horner(e, r - 5) / horner(f, r - 5);
    return q < 0 ? -v : v;
}

double probability(ProbabilityFunction which, Distribution d, double x, const double *params, int count)
{
    switch (d) {
    case Distribution::Normal: {
        const double mu = count > 0 ? params[0] : 0, sigma = count > 1 ? params[1] : 1;
        if (!(sigma > 0))
            return nan;
        if (which == ProbabilityFunction::Cdf)
            return normal_cdf((x - mu) / sigma);
        if (which == ProbabilityFunction::Pdf) {
            const double z = (x - mu) / sigma;
            return std::exp(-0.5 * z * z) / (sigma * std::sqrt(2 * M_PI));
        }
        return mu + sigma * normal_quantile(x);
    }
    case Distribution::T:
        if (count != 1 || !(params[0] > 0))
            return nan;
        return apply(which, bm::students_t_distribution<double, Quiet>(params[0]), x);
    case Distribution::Chisq:
        if (count != 1 || !(params[0] > 0))
            return nan;
        if (which != ProbabilityFunction::Quantile && x < 0)
            return 0;
        return apply(which, bm::chi_squared_distribution<double, Quiet>(params[0]), x);
    case Distribution::Binomial:
        if (count != 2 || !(params[0] >= 0 && params[0] <= 1) || !whole(params[1]) || params[1] < 0)
            return nan;
        if (which != ProbabilityFunction::Quantile && x > params[1])
            return which == ProbabilityFunction::Cdf ? 1 : 0;
        return apply_discrete(which, bm::binomial_distribution<double, Quiet>(params[1], params[0]), x);
    case Distribution::Poisson:
        if (count != 1 || !(params[0] > 0))
            return nan;
        return apply_discrete(which, bm::poisson_distribution<double, Quiet>(params[0]), x);
    default: return nan;
    }
}

} // namespace quill::host
