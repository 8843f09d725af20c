// The descent path (ALGORITHM ICM for a model with an intercept, and for the logistic and
// Poisson models): the fit of the unpenalized columns alone takes the unpenalized fit's place,
// the grid runs down from lambda_max, where every penalized coefficient is 0, and each grid value
// is fitted by coordinate descent from the fit at the one above it. No fit of the full model is
// needed, so it works with more columns than observations.
#pragma once

#include <cstdint>

#include "estimation/coordinate_descent.h"
#include "records/scad_session.h"

namespace quill::engine {

// The initial fit of the descent path: the intercept, the forced-in columns and the offset
// alone, every penalized coefficient 0.
int run_calculate_descent_nullfit(scad_session& session, error_trail& trail);

// The descent path's grid: G values log-spaced from the top down to the bottom (evenly spaced
// when an end is 0). The top is the given max_lambda, else lambda_max = max_j |x_j'W0(y - mu0)| / n
// over the penalized columns (MAXLAMBDA FULL asks for the same); the bottom is the given
// min_lambda, else a fraction of the top: 0.001 when there are more observations than columns,
// 0.05 otherwise. A grid of one value is its bottom.
int run_calculate_descent_grid(scad_session& session, error_trail& trail);

// Fits grid value g (1-based, the grid ascending) from the workspace's current fit; copies the
// coefficients out. The first call (g = G) starts from the null fit.
int descent_fit_grid_value(scad_session& session, int g, descent_workspace& ws, dbl1& beta,
                           int32_t& iterations, bool& converged, error_trail& trail);

// Why the path stops at the fit in the workspace (a path_stop code of the public header): as many
// nonzero design columns as observations less one, more than 99.9 % of the null deviance
// explained, or (logistic and Poisson) a fit that did not converge within MAXITER sweeps, as when
// the data separate and the objective falls without end; 0 when it goes on.
int32_t descent_stop(const scad_session& session, descent_workspace& ws, bool converged);

}  // namespace quill::engine
