// The normal model is fitted to the response divided by its standard deviation s, so that the
// thresholds, the tolerance and the lambda bound, all absolute, mean the same whatever the
// units of y. The results are carried back to the units of y on the way out: coefficients,
// standard errors and lambdas times s, BIC and AIC plus 2 n ln s, GCV times s^2.
#pragma once

#include <cstdint>

#include "support/engine_array.h"

namespace quill::engine {

struct response_scale {
    double s = 1.0;
    double likelihood_shift = 0.0;  // 2 n ln s

    double value(double v) const { return v * s; }
    double likelihood(double v) const { return v + likelihood_shift; }
    double gcv(double v) const { return v * s * s; }
};

// Divides a normal model's response by its standard deviation (divisor n - 1), taken as 1
// when it is not a positive finite number; any other model keeps its response (s = 1). With
// frequency weights (null: every weight 1) the standard deviation and n are those of the data
// with each row repeated w times: the weighted mean, divisor sum w - 1, and 2 (sum w) ln s.
response_scale scale_response(dbl1& y, int32_t model_type, const double* weights = nullptr);

}  // namespace quill::engine
