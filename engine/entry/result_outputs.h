// The last steps of runscad: the boundary flags of the selected lambda and the copy of the
// coefficients, standard errors and path into the caller's arrays.
#pragma once

#include "support/engine_array.h"

namespace quill::engine {

struct boundary_flags {
    bool at_min_lambda = false;
    bool at_max_lambda = false;
};

// Where the selection sits in the grid of grid_size values.
struct selection_place {
    int best;              // 1-based selected grid index
    int grid_size;
    int fitted;            // grid values fitted before the early stop
    int tie_run_end;       // last grid value of the unbroken run of tied criteria from best
    bool selected_shrunk;  // a selected penalized coefficient is nonzero but below a * lambda
};

// The large end: the tied run reaches the last grid value, which was fitted, and some
// coefficient is neither forced in, zero nor beyond 3 standard errors. The small end: no
// penalized coefficient is nonzero at the first grid value, or the first is selected and still
// shrinks a coefficient. forcein, beta and se have p entries (input scale); path is
// grid_size x p, column j predictor j.
boundary_flags find_boundary_flags(const selection_place& place, const log1& forcein,
                                   const dbl1& beta, const dbl1& se, const dbl2& path);

// Copies se and beta (a coefficient below 1e-6 in size, or with a standard error below 1e-6,
// reported as 0.0 with the standard error 0.0) and the path column by column, each value times
// `scale`; the limits apply before the scaling.
void write_coefficients(const dbl1& beta, const dbl1& se, const dbl2& path, double scale,
                        double* beta_out, double* se_out, double* beta_path_out);

}  // namespace quill::engine
