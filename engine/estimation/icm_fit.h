// SCAD-penalized fit at one lambda by coordinate sweeps (normal model without an intercept
// column).
#pragma once

#include "records/scad_session.h"

namespace quill::engine {

// The working arrays of ICM fits on one session's data, allocated once for the grid; S, the
// scaled cross-product, is formed at the first fit.
struct icm_workspace {
    log1 forced;
    dbl1 lambda_vector, beta_old;
    dbl2 S;
    bool S_ready = false;
};

// A failure is reported under the name of the array that could not be had (nothing is reset).
int allocate_icm_workspace(icm_workspace& ws, const scad_session& session, error_trail& trail);

// beta is sized to the coefficients unless it already is.
int run_fit_scad_icm(double lambda, const dbl1& beta_start, dbl1& beta, int32_t max_iter,
                     int32_t& iterations, bool& converged, scad_session& session,
                     icm_workspace& ws, error_trail& trail);

// The same fit in a workspace of its own.
int run_fit_scad_icm(double lambda, const dbl1& beta_start, dbl1& beta, int32_t max_iter,
                     int32_t& iterations, bool& converged, scad_session& session,
                     error_trail& trail);

}  // namespace quill::engine
