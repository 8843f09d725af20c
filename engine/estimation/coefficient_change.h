// The change measure of the fits' convergence test.
#pragma once

#include <cmath>
#include <limits>

#include "support/engine_array.h"

namespace quill::engine {

// max_j |beta(j) - beta_old(j)| (the most negative finite double for empty vectors). NaN as
// soon as one difference is NaN, so that a broken fit stops and reports no convergence
// instead of looking converged.
inline double largest_change(const dbl1& beta, const dbl1& beta_old) {
    double change = std::numeric_limits<double>::lowest();
    for (int j = 1; j <= beta.extent(0); ++j) {
        const double d = std::fabs(beta(j) - beta_old(j));
        if (std::isnan(d)) return d;
        if (d > change) change = d;
    }
    return change;
}

}  // namespace quill::engine
