// Column standardization (module matrix_methods). The scale handed back is a variance.
#pragma once

#include "support/engine_array.h"
#include "support/error_trail.h"

namespace quill::engine {

// Z = (X - center) / sqrt(scale) column by column; center = column means, scale = column
// variances with divisor n - 1. Fails on n < 2, p < 1, wrong sizes, or a zero-variance column
// while scaling.
int standardize_real_matrix(matrix_cview X, matrix_view Z, vector_view center, vector_view scale,
                            error_trail& trail, bool skip_center = false, bool skip_scale = false);

// The same with frequency weights w (n of them, summing to weight_sum > 1): the weighted means
// and the variances sum w (x - center)^2 / (weight_sum - 1), those of the data with each row
// repeated w times.
int standardize_weighted_matrix(matrix_cview X, matrix_view Z, vector_view center,
                                vector_view scale, const double* w, double weight_sum,
                                error_trail& trail);

// The same for one vector; the variance divides by m.
int standardize_real_vector(vector_cview x, vector_view z, double& center, double& scale,
                            error_trail& trail, bool skip_center = false, bool skip_scale = false);

}  // namespace quill::engine
