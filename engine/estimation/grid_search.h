// The grid search: a fit per lambda, criteria, selection, covariance at the selected lambda.
#pragma once

#include "session/scad_session.h"

namespace quill::engine {

int run_calculate_scad_Lgrid(scad_session& session, error_trail& trail);

int run_calculate_scad_cov_mat(const dbl1& beta, double lambda, bool compute_trace, double& df,
                               scad_session& session, error_trail& trail);

int run_calculate_scad_stdresults(scad_session& session, error_trail& trail);

int run_calculate_scad_unstdresults(scad_session& session, error_trail& trail);

}  // namespace quill::engine
