// SCAD-penalized fit at one lambda by local quadratic approximation.
#pragma once

#include "estimation/lqa_workspace.h"
#include "records/scad_session.h"

namespace quill::engine {

// check_lambda: the grid form, which refuses a negative or infinite lambda; the initial fit
// passes false. keep_every_coefficient: no coefficient leaves the passes at `threshold` and
// none is zeroed at `final_threshold` at the end; the unpenalized (initial) fit passes true,
// since a slope that starts or passes near zero is not thereby small at its maximum.
// At most max_iter passes run; `iterations` counts them. beta is sized to the coefficients
// unless it already is. The fit works in `ws`, which allocate_lqa_workspace sized for this
// session's data.
int run_fit_scad_lqa(double lambda, const dbl1& beta_start, dbl1& beta, int32_t max_iter,
                     int32_t& iterations, bool& converged, scad_session& session,
                     lqa_workspace& ws, error_trail& trail, bool check_lambda = true,
                     bool keep_every_coefficient = false);

// The same fit in a workspace of its own.
int run_fit_scad_lqa(double lambda, const dbl1& beta_start, dbl1& beta, int32_t max_iter,
                     int32_t& iterations, bool& converged, scad_session& session,
                     error_trail& trail, bool check_lambda = true,
                     bool keep_every_coefficient = false);

}  // namespace quill::engine
