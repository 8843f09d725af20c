// Read-out of the lambda grid and the two result sets into arrays the caller owns.
#pragma once

#include "records/scad_session.h"

namespace quill::engine {

int run_read_scad_Lgrid(dbl1& lambda_out, scad_session& session, error_trail& trail);

// `betas` (the G x p path) may be null: a path as large as the design is then read where it lies
// (the session's arrays) rather than copied.
int run_read_scad_stdresults(dbl1& beta, dbl1& se, dbl2* betas, dbl1& gcv, dbl1& aic, dbl1& bic,
                             dbl1& df_proj, int1& simple_df, int32_t& num_iter, int32_t& best,
                             bool& converged, scad_session& session, error_trail& trail);

int run_read_scad_unstdresults(dbl1& beta, dbl1& se, double& intercept, double& intercept_se,
                               dbl2* betas, scad_session& session, error_trail& trail);

// Per grid value: the intercept on the input scale, the passes and the convergence flag
// (0 false, -1 true) of its fit; and how many grid values were fitted before the early stop.
int run_read_scad_grid_fits(dbl1& intercept, int1& num_iter, int1& converged, int32_t& fitted,
                            scad_session& session, error_trail& trail);

// The ties of the selection: per grid value -1 where its criterion ties with the selected one
// and its nonzero set is the selected one's, else 0; the last grid value of the unbroken run of
// tied criteria from the selected one; whether the selected fit still shrinks a penalized
// coefficient (nonzero and below a * lambda).
int run_read_scad_ties(int1& tied, int32_t& tie_run_end, bool& selected_shrunk,
                       scad_session& session, error_trail& trail);

}  // namespace quill::engine
