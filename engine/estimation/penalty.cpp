// The penalty's one-coordinate problem (penalty.h).
#include "estimation/penalty.h"

#include <cmath>

namespace quill::engine {

namespace {

double univariate_objective(double b, double z, double v, const penalty& pen) {
    return 0.5 * v * b * b - z * b + pen.value(std::fabs(b), false);
}

}  // namespace

double coordinate_minimum(double z, double v, const penalty& pen) {
    const double lambda = pen.lambda;
    const double a = pen.a;
    const double s = z < 0.0 ? -1.0 : 1.0;
    const double t = std::fabs(z);
    if (t <= lambda) return 0.0;
    if (v * (a - 1.0) > 1.0) {  // convex along the coordinate: the closed form
        if (t <= lambda * (1.0 + v)) return s * (t - lambda) / v;
        if (t <= v * a * lambda) return s * (t - a * lambda / (a - 1.0)) / (v - 1.0 / (a - 1.0));
        return z / v;
    }
    // Weak curvature: the middle piece is concave, so the minimum is at the soft-threshold
    // value within (0, lambda], at a * lambda or beyond it, or at 0.
    const double candidates[3] = {std::fmin((t - lambda) / v, lambda),
                                  std::fmax(t / v, a * lambda), 0.0};
    double best = 0.0;
    double best_value = 0.0;
    for (double c : candidates) {
        const double f = univariate_objective(c, t, v, pen);
        if (f < best_value) {
            best_value = f;
            best = c;
        }
    }
    return s * best;
}

}  // namespace quill::engine
