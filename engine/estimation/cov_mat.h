// Covariance matrix, standard errors and effective degrees of freedom of one penalized fit.
#pragma once

#include "records/scad_session.h"

namespace quill::engine {

int run_calculate_scad_cov_mat(const dbl1& beta, double lambda, bool compute_trace, double& df,
                               scad_session& session, error_trail& trail);

// v' C v, C the covariance of stdresults held on its support, v over the q coefficients
// (v[j - 1] for coefficient j).
double covariance_quadratic_form(const scad_stdresults& res, const double* v);

}  // namespace quill::engine
