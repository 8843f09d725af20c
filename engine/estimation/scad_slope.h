// The SCAD slope shared by the LQA fit and the covariance: slope * lambda is the derivative
// p'(b) of the SCAD penalty at b = |beta| >= 0. A forced-in coefficient is never penalized.
#pragma once

namespace quill::engine {

// 1e-20 is taken at single precision, as the fit has always used it.
inline constexpr double scad_slope_guard = static_cast<double>(1e-20f);

constexpr double scad_slope(double b, double lambda, double a, bool forced) {
    if (forced) return 0.0;
    if (b <= lambda) return 1.0;
    if (b <= a * lambda) return (a * lambda - b) / ((a - 1.0) * lambda + scad_slope_guard);
    return 0.0;
}

// The SCAD penalty p(b) itself at b = |beta| >= 0, for the fits' objective: lambda b up to
// lambda, then a quadratic up to a lambda, then the constant (a + 1) lambda^2 / 2.
constexpr double scad_penalty(double b, double lambda, double a, bool forced) {
    if (forced) return 0.0;
    if (b <= lambda) return lambda * b;
    if (b <= a * lambda) return (2.0 * a * lambda * b - b * b - lambda * lambda) / (2.0 * (a - 1.0));
    return (a + 1.0) * lambda * lambda / 2.0;
}

// The diagonal weight of the local quadratic approximation: p'(b) / b, guarded at b = 0.
constexpr double lqa_weight(double slope, double lambda, double b) {
    return slope * lambda / (b + 1e-15);
}

}  // namespace quill::engine
