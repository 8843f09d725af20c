// The penalty's one-coordinate problem (penalty.h).
#include "estimation/penalty.h"

#include <cmath>

namespace quill::engine {

namespace {

double univariate_objective(double b, double z, double v, const penalty& pen) {
    return 0.5 * v * b * b - z * b + pen.value(std::fabs(b), false);
}

// Of the candidates (each >= 0), the one with the least objective; 0 when none is below it.
template <int N>
double least_of(const double (&candidates)[N], double t, double v, const penalty& pen) {
    double best = 0.0;
    double best_value = 0.0;
    for (double c : candidates) {
        const double f = univariate_objective(c, t, v, pen);
        if (f < best_value) {
            best_value = f;
            best = c;
        }
    }
    return best;
}

// The minimizer's size for t = |z| > lambda.
double scad_minimum(double t, double v, const penalty& pen) {
    const double lambda = pen.lambda;
    const double a = pen.a;
    if (v * (a - 1.0) > 1.0) {  // convex along the coordinate: the closed form
        if (t <= lambda * (1.0 + v)) return (t - lambda) / v;
        if (t <= v * a * lambda) return (t - a * lambda / (a - 1.0)) / (v - 1.0 / (a - 1.0));
        return t / v;
    }
    // Weak curvature: the middle piece is concave, so the minimum is at the soft-threshold
    // value within (0, lambda], at a * lambda or beyond it, or at 0.
    const double candidates[3] = {std::fmin((t - lambda) / v, lambda), std::fmax(t / v, a * lambda), 0.0};
    return least_of(candidates, t, v, pen);
}

double mcp_minimum(double t, double v, const penalty& pen) {
    const double lambda = pen.lambda;
    const double gamma = pen.a;
    if (v * gamma > 1.0) {  // convex along the coordinate: the firm threshold
        if (t <= v * gamma * lambda) return (t - lambda) / (v - 1.0 / gamma);
        return t / v;
    }
    // v gamma <= 1: up to gamma lambda the objective is concave (linear at equality) and falls
    // from 0 (t > lambda), so its least value there is at gamma lambda; beyond, the quadratic's
    // minimum, at t / v or gamma lambda.
    const double candidates[2] = {std::fmax(t / v, gamma * lambda), 0.0};
    return least_of(candidates, t, v, pen);
}

}  // namespace

// Below the threshold the coefficient stays 0 for every kind, also where the curvature is weak
// and a far value would be lower: 0 is then a minimum along the coordinate, and the path's top,
// where every penalized coefficient is 0, stays max |z|.
double coordinate_minimum(double z, double v, const penalty& pen) {
    const double s = z < 0.0 ? -1.0 : 1.0;
    const double t = std::fabs(z);
    if (t <= pen.lambda) return 0.0;
    switch (pen.kind) {
        case penalty_kind::lasso: return s * (t - pen.lambda) / v;
        case penalty_kind::mcp: return s * mcp_minimum(t, v, pen);
        case penalty_kind::scad: break;
    }
    return s * scad_minimum(t, v, pen);
}

}  // namespace quill::engine
