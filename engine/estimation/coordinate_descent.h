// Coordinate descent for the SCAD-penalized fit of any of the three models, with an intercept
// column or forced-in columns and an offset: the descent path's fit at one lambda.
//
// It minimizes the LQA fit's objective on the standardized scale,
//   loss / n + sum_j p_lambda(|b_j|)   (normal loss: half the weighted residual sum of squares;
//                                       logistic and Poisson: the weighted negative log-likelihood),
// one coefficient at a time, each update the exact minimum along its coordinate of the penalized
// weighted least squares: the normal model's own loss, or for the logistic and Poisson models its
// quadratic approximation at the current fit (each column's curvature v_j = x_j'Wx_j / n enters
// the threshold as it is; it is not folded into lambda). Those models step towards the
// approximation's solution, halving the step while the objective would rise, and approximate
// again until the solution stays where it is: there the approximation's gradient is the loss's,
// so the fit meets the objective's stationarity conditions.
//
// The normal model with few columns against its rows and the grid works on the weighted cross
// products instead (X'WX / n and X'W(y - offset) / n, formed once): an update then costs one
// column of X'WX, q operations instead of 2n, and the gradient of every column is kept current.
//
// Only the columns of the strong set take part in the sweeps; after the fit the gradient of every
// column is formed once (it is both the KKT check of the columns left out and the next lambda's
// strong rule), and a column that violates its condition |g_j| <= lambda joins the set and the fit
// runs again. Everything is allocated by allocate_descent_workspace; the sweeps allocate nothing.
#pragma once

#include <cstdint>

#include "estimation/penalty.h"
#include "records/scad_session.h"

namespace quill::engine {

// Whether the settings ask for the descent path: ICM for a model with an intercept column, or for
// a logistic or Poisson model. ICM of the normal model without one keeps its own sweep.
inline bool uses_descent_path(const scad_settings& s) {
    return s.algorithm == 1 && (has_intercept_column(s) || s.model_type != 0);
}

struct descent_workspace {
    dbl1 beta;          // q coefficients of the current fit (the previous lambda's on entry)
    dbl1 beta_old;      // q the fit a logistic or Poisson step starts from
    dbl1 eta;           // n linear predictor, offset included
    dbl1 resid;         // n working residual of the quadratic approximation
    dbl1 weight;        // n its weights: case weight times variance weight
    dbl1 mu;            // n means
    dbl1 curvature;     // q x_j'Wx_j / n
    dbl1 gradient;      // q x_j'W0(y - mu) / n at the current fit (W0: the case weights)
    dbl1 step_eta;      // n the linear predictor a logistic or Poisson step starts from
    dbl1 step_mu;       // n the means of a trial step
    int1 strong;        // q 1 when the column takes part in the sweeps
    int1 unpenalized;   // q 1 for the intercept and the forced-in columns
    int1 weighted_at;   // q the weighting a column's curvature was formed under
    dbl2 gram;          // q x q X'WX / n, in the normal model's cross-product mode (else empty)
    dbl1 gram_y;        // q X'W(y - offset) / n, likewise
    double loss = 0.0;  // logistic and Poisson: the loss at eta
    double null_deviance = 0.0;
    double previous_lambda = 0.0;
    int weighting = 0;  // counts the weights formed (the normal model's once)
    bool started = false;          // the null fit is in place
};

// With cross_products, the normal model takes the cross-product mode where it pays.
int allocate_descent_workspace(descent_workspace& ws, const scad_session& session,
                               error_trail& trail, bool cross_products = false);

// The fit of the unpenalized columns alone (every penalized coefficient 0), its gradient and
// deviance; lambda_max = the largest |gradient| of a penalized column.
void descent_null_fit(const scad_session& session, descent_workspace& ws, double& lambda_max);

// The fit at lambda started from the workspace's current fit, then the KKT check of every column.
// iterations counts the sweeps (at most max_iter for each fit of the strong set); converged is
// false when a fit stopped at that limit.
void descent_fit_at(const scad_session& session, double lambda, descent_workspace& ws,
                    int32_t& iterations, bool& converged);

// The deviance of the workspace's current fit, case-weighted (the residual sum of squares for the
// normal model).
double descent_deviance(const scad_session& session, const descent_workspace& ws);

}  // namespace quill::engine
