// SCAD-penalized fit at one lambda by coordinate sweeps (normal model without an intercept
// column).
#pragma once

#include "records/scad_session.h"

namespace quill::engine {

int run_fit_scad_icm(double lambda, const dbl1& beta_start, dbl1& beta, int32_t max_iter,
                     int32_t& iterations, bool& converged, scad_session& session,
                     error_trail& trail);

}  // namespace quill::engine
