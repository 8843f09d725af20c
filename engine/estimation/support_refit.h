// SELECTION ... / REFIT: each distinct nonzero set of the path refitted without penalty (the
// maximum-likelihood fit of the intercept, the forced-in columns and that set), and the
// selection made on the refits' criteria.
#pragma once

#include "records/scad_session.h"
#include "support/engine_array.h"
#include "support/error_trail.h"

namespace quill::engine {

struct refit_workspace {
    dbl2 cross;    // k x k X_S'WX_S, then its Cholesky factor
    dbl1 rhs;      // k X_S'Wz, then the new coefficients
    dbl1 coef;     // k the support's coefficients
    dbl1 eta;      // n linear predictor
    dbl1 mu;       // n means (also the trial step's)
    dbl1 weight;   // n working weights
    dbl1 working;  // n working response
    int1 columns;  // k 0-based design columns of the support
};

// The most Newton steps a refit takes.
inline constexpr int refit_most_steps = 100;

int allocate_refit_workspace(refit_workspace& ws, int n, int q, error_trail& trail);

// The unpenalized fit on the support of `start` (the columns with a nonzero coefficient, and the
// intercept and forced-in columns always), by Newton steps from `start`, halved while the loss
// rises. beta (q) receives the fit, zero off the support. False when it has no such fit: the
// support's cross products are singular, or the steps do not converge (as when it separates).
bool refit_support(const scad_session& session, const double* start, int stride,
                   refit_workspace& ws, dbl1& beta);

}  // namespace quill::engine
