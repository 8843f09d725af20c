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

}  // namespace

response_scale scale_response(dbl1& y, int32_t model_type) {
    response_scale scale;
    if (model_type != model_normal) return scale;
    const double s = standard_deviation(y);
    if (!(s > 0.0) || !std::isfinite(s)) return scale;
    scale.s = s;
    scale.likelihood_shift = 2.0 * y.extent(0) * std::log(s);
    for (int i = 1; i <= y.extent(0); ++i) y(i) /= s;
    return scale;
}

}  // namespace quill::engine
