// Deviance terms of the three models. In the logistic and Poisson terms y ln(mu) is taken as 0
// where y = 0 (and (1 - y) ln(1 - mu) where y = 1), its limit: a mean that underflows to 0
// at such an observation would otherwise make the criterion NaN and the grid value unusable.
#include "estimation/fit_criteria.h"

#include <cmath>
#include <limits>

namespace quill::engine {

namespace {

constexpr double ln_two_pi = 1.8378770665399184;

double y_log_mu(double y, double mu) { return y == 0.0 ? 0.0 : y * std::log(mu); }

}  // namespace

bool scad_calculate_criteria(int32_t model_type, bool full_likelihood, vector_cview y,
                             vector_cview mu, double df, fit_criteria& out,
                             const double* weights, double weight_sum) {
    const int n = y.size;
    const double N = weights ? weight_sum : n;
    double L = 0.0;
    out.gcv = 0.0;
    // The weight of observation i, or 1 without weights.
    const auto w = [weights](int i) { return weights ? weights[i] : 1.0; };
    switch (model_type) {
        case 0: {
            double rss = 0.0;
            if (weights)
                for (int i = 0; i < n; ++i) rss += weights[i] * (y[i] - mu[i]) * (y[i] - mu[i]);
            else
                for (int i = 0; i < n; ++i) rss += (y[i] - mu[i]) * (y[i] - mu[i]);
            const double s = rss / N;
            L = full_likelihood ? (std::log(s) + ln_two_pi) * N + N : N * std::log(s);
            const double denominator = 1.000000000000001 - df / N;
            out.gcv = s / (denominator * denominator);
            break;
        }
        case 1: {
            double sum = 0.0;
            for (int i = 0; i < n; ++i)
                if (w(i) != 0.0)  // a left-out observation's mean may be 0 or 1
                    sum += w(i) * (y_log_mu(y[i], mu[i]) + y_log_mu(1.0 - y[i], 1.0 - mu[i]));
            L = -2.0 * sum;
            break;
        }
        case 2: {
            double sum = 0.0;
            for (int i = 0; i < n; ++i)
                if (w(i) != 0.0) sum += w(i) * (y_log_mu(y[i], mu[i]) - mu[i]);
            L = -2.0 * sum;
            break;
        }
        default:
            return false;
    }
    out.aic = L + 2.0 * df;
    out.bic = L + df * std::log(N);
    return true;
}

double scad_tie_limit(const dbl1& criterion) {
    double minimum = std::numeric_limits<double>::infinity();
    for (int g = 1; g <= criterion.extent(0); ++g)
        if (criterion(g) < minimum) minimum = criterion(g);
    if (!std::isfinite(minimum)) return minimum;
    return minimum + tie_width(minimum);
}

int32_t scad_smallest_criterion(const dbl1& criterion) {
    const double limit = scad_tie_limit(criterion);
    for (int g = 1; g <= criterion.extent(0); ++g)
        if (criterion(g) <= limit && criterion(g) < std::numeric_limits<double>::infinity())
            return g;
    return 1;
}

}  // namespace quill::engine
