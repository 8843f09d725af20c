// The last steps of runscad: the boundary flags of the selected lambda and the copy of the
// coefficients, standard errors and path into the caller's arrays.
#pragma once

#include "support/engine_array.h"

namespace quill::engine {

struct boundary_flags {
    bool at_min_lambda = false;
    bool at_max_lambda = false;
};

// best: 1-based selected grid index of grid_size values. forcein, beta and se have p entries
// (input scale); path is grid_size x p, column j predictor j.
boundary_flags find_boundary_flags(int best, int grid_size, const log1& forcein, const dbl1& beta,
                                   const dbl1& se, const dbl2& path);

// Copies se and beta (a coefficient below 1e-6 in size, or with a standard error below 1e-6,
// reported as 0.0) and the path column by column, each value times `scale`; the limits apply
// before the scaling.
void write_coefficients(const dbl1& beta, const dbl1& se, const dbl2& path, double scale,
                        double* beta_out, double* se_out, double* beta_path_out);

}  // namespace quill::engine
