// The standard deviation is formed from deviations divided by the largest of them, so that a
// response near the ends of the double range neither overflows nor underflows on squaring.
#include "response_scale.h"
#include "records/option_codes.h"

#include <cmath>

namespace quill::engine {

namespace {

double standard_deviation(const dbl1& y) {
    const int n = y.extent(0);
    if (n < 2) return 0.0;
    double sum = 0.0;
    for (int i = 1; i <= n; ++i) sum += y(i);
    const double mean = sum / n;
    double largest = 0.0;
    for (int i = 1; i <= n; ++i) largest = std::fmax(largest, std::fabs(y(i) - mean));
    if (!(largest > 0.0) || !std::isfinite(largest)) return 0.0;
    double squares = 0.0;
    for (int i = 1; i <= n; ++i) {
        const double d = (y(i) - mean) / largest;
        squares += d * d;
    }
    return largest * std::sqrt(squares / (n - 1));
}

double weighted_standard_deviation(const dbl1& y, const double* w, double weight_sum) {
    const int n = y.extent(0);
    if (!(weight_sum > 1.0)) return 0.0;
    double sum = 0.0;
    for (int i = 1; i <= n; ++i) sum += w[i - 1] * y(i);
    const double mean = sum / weight_sum;
    double largest = 0.0;
    for (int i = 1; i <= n; ++i)
        if (w[i - 1] > 0.0) largest = std::fmax(largest, std::fabs(y(i) - mean));
    if (!(largest > 0.0) || !std::isfinite(largest)) return 0.0;
    double squares = 0.0;
    for (int i = 1; i <= n; ++i) {
        const double d = (y(i) - mean) / largest;
        squares += w[i - 1] * d * d;
    }
    return largest * std::sqrt(squares / (weight_sum - 1.0));
}

}  // namespace

response_scale scale_response(dbl1& y, int32_t model_type, const double* weights) {
    response_scale scale;
    if (model_type != model_normal) return scale;
    double weight_sum = y.extent(0);
    if (weights != nullptr) {
        weight_sum = 0.0;
        for (int i = 0; i < y.extent(0); ++i) weight_sum += weights[i];
    }
    const double s = weights ? weighted_standard_deviation(y, weights, weight_sum)
                             : standard_deviation(y);
    if (!(s > 0.0) || !std::isfinite(s)) return scale;
    scale.s = s;
    scale.likelihood_shift = 2.0 * weight_sum * std::log(s);
    for (int i = 1; i <= y.extent(0); ++i) y(i) /= s;
    return scale;
}

}  // namespace quill::engine
