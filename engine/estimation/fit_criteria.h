// Fit criteria of one grid value: the deviance term L of the model, then
//   AIC = L + 2 df,  BIC = L + df ln n,  GCV = (RSS / n) / (1 - df / n)^2 (normal model only).
// With frequency weights w (summing to weight_sum) each term counts w times and n is weight_sum:
// the criteria of the data with each row repeated w times.
#pragma once

#include <cmath>
#include <cstdint>

#include "support/engine_array.h"

namespace quill::engine {

struct fit_criteria {
    double gcv = 0.0;
    double aic = 0.0;
    double bic = 0.0;
};

// false for a model type outside 0 (normal), 1 (logistic), 2 (Poisson).
bool scad_calculate_criteria(int32_t model_type, bool full_likelihood, vector_cview y,
                             vector_cview mu, double df, fit_criteria& out,
                             const double* weights = nullptr, double weight_sum = 0.0);

// Criteria this close to the smallest one count as tied with it: once a*lambda is below every
// selected coefficient, a run of grid values gives the same fit and their criteria differ only
// by rounding. A value v ties with those within tie_width(v) = 1e-10 max(|v|, 1) above it: wide
// enough for the rounding of identical fits, narrow enough never to reach a fit that differs
// (from 1e-9 up, unconverged neighbours start to tie). Every selection reads ties by this rule.
inline double tie_width(double v) { return 1e-10 * std::fmax(std::fabs(v), 1.0); }

// The limit min + tie_width(min) of the criterion; +infinity when no value is finite.
double scad_tie_limit(const dbl1& criterion);

// 1-based index of the first value at or below the tie limit, so that rounding never decides
// among tied fits; NaN is never taken, and 1 when no value is below +infinity.
int32_t scad_smallest_criterion(const dbl1& criterion);

}  // namespace quill::engine
