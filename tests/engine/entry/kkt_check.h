// The stationarity (KKT) conditions of the penalized objective at the fits of a quill_fit call,
// written from the penalties' formulas, for the tests of the paths.
#pragma once

#include "quill_fit_call.h"

namespace quill::engine::testing_support {

// The derivative p'(t) of the call's penalty (SCAD, MCP or the lasso) at t = |b| > 0.
double penalty_derivative(int32_t penalty, double t, double lambda, double a);

// The largest violation of the KKT conditions at grid value g, over the intercept and every
// column, on the standardized scale (columns centred and divided by their standard deviation,
// divisor n - 1, both weighted as frequency weights): a zero coefficient needs |g_j| <= lambda, a
// nonzero one g_j = sign(b_j) p'(|b_j|), an unpenalized one g_j = 0, where g_j = x_j'W0(y - mu) / n.
double kkt_violation(const quill_fit_call& c, int g);

// The call's fitted path against a stored solution (per grid value the intercept, then the p
// slopes) to 1e-6, and its KKT conditions below kkt_limit at every grid value.
void expect_path_solution(const quill_fit_call& c, const double* want_path, double kkt_limit);

}  // namespace quill::engine::testing_support
