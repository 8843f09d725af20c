// Covariance matrix, standard errors and effective degrees of freedom of one penalized fit.
#pragma once

#include "records/scad_session.h"

namespace quill::engine {

int run_calculate_scad_cov_mat(const dbl1& beta, double lambda, bool compute_trace, double& df,
                               scad_session& session, error_trail& trail);

}  // namespace quill::engine
