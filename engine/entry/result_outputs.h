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
    bool selected_shrunk;  // a selected penalized coefficient is still shrunk by the penalty
    bool single_lambda;    // the grid is one value (a fixed lambda): it has no ends to warn of
    int first_fitted = 1;  // the first fitted grid value (a descent path stops at the bottom)
};

// The large end: the tied run reaches the last grid value, which was fitted, and some
// coefficient is neither forced in, zero nor beyond 3 standard errors. The small end: no
// penalized coefficient is nonzero at the first grid value, or the first is selected and still
// shrinks a coefficient. Neither for a single lambda. forcein, beta and se have p entries (input
// scale: the tests compare a coefficient with its own standard error, whatever its units); path
// is grid_size x p, column j predictor j.
boundary_flags find_boundary_flags(const selection_place& place, const log1& forcein,
                                   const dbl1& beta, const dbl1& se, matrix_cview path);

// Copies se and beta (a coefficient the fit set to 0 is reported with the standard error 0.0) and
// the path column by column, each value times `scale`. Only the fit decides what is 0: a limit
// on the input scale would remove a slope because of its units.
void write_coefficients(const dbl1& beta, const dbl1& se, matrix_cview path, double scale,
                        double* beta_out, double* se_out, double* beta_path_out);

}  // namespace quill::engine
