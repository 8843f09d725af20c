// The squared extrapolation of three LQA points (lqa_extrapolation.h).
#include "estimation/lqa_extrapolation.h"

#include <cmath>

namespace quill::engine {

bool lqa_extrapolate(const dbl1& theta0, const dbl1& theta1, const dbl1& theta2,
                     const log1& forced, double limit, dbl1& trial, double& step) {
    const int q = theta0.extent(0);
    double rr = 0.0, vv = 0.0;
    for (int j = 1; j <= q; ++j) {
        const double r = theta1(j) - theta0(j);
        const double v = (theta2(j) - theta1(j)) - r;
        rr += r * r;
        vv += v * v;
    }
    step = vv > 0.0 ? std::sqrt(rr / vv) : limit;
    if (step > limit) step = limit;
    if (!(step > 1.0)) return false;
    for (int j = 1; j <= q; ++j) {
        if (theta2(j) == 0.0) {
            trial(j) = 0.0;
            continue;
        }
        const double r = theta1(j) - theta0(j);
        const double v = (theta2(j) - theta1(j)) - r;
        const double t = theta0(j) + 2.0 * step * r + step * step * v;
        if (!std::isfinite(t) || (!forced(j) && t * theta2(j) < 0.0)) return false;
        trial(j) = t;
    }
    return true;
}

}  // namespace quill::engine
