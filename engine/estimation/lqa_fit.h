// SCAD-penalized fit at one lambda by local quadratic approximation.
#pragma once

#include "records/scad_session.h"

namespace quill::engine {

// check_lambda: the grid form, which refuses a negative or infinite lambda; the initial fit
// passes false.
int run_fit_scad_lqa(double lambda, const dbl1& beta_start, dbl1& beta, int32_t max_iter,
                     int32_t& iterations, bool& converged, scad_session& session,
                     error_trail& trail, bool check_lambda = true);

}  // namespace quill::engine
