// Fit criteria of one grid value: the deviance term L of the model, then
//   AIC = L + 2 df,  BIC = L + df ln n,  GCV = (RSS / n) / (1 - df / n)^2 (normal model only).
// No case weights enter the criteria.
#pragma once

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
                             vector_cview mu, double df, fit_criteria& out);

// 1-based index of the first strictly smallest value: ties go to the smallest index, NaN is
// never taken, and 1 when no value is below +infinity.
int32_t scad_smallest_criterion(const dbl1& criterion);

}  // namespace quill::engine
