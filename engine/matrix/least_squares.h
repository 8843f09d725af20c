// Ridge-stabilised weighted least squares (module matrix_methods).
#pragma once

#include <optional>

#include "support/engine_array.h"
#include "support/error_trail.h"

namespace quill::engine {

// beta = (x' W x + ridge I)^-1 x' W y, W = diag(case_weights) (identity when absent); with
// skip_first the ridge is not added to element (1,1). k >= n, or a singular x' W x, sets
// `singular` and fails.
int least_squares_regression(matrix_cview x, vector_cview y, vector_view beta, bool& singular,
                             error_trail& trail,
                             std::optional<vector_cview> case_weights = std::nullopt,
                             std::optional<double> ridge = std::nullopt, bool skip_first = false);

}  // namespace quill::engine
