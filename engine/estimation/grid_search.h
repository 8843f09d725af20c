// The grid search: a fit per lambda, criteria, selection, covariance at the selected lambda.
// The grid, covariance and unstandardized results have headers of their own; they are
// included here for the callers that run the whole estimation.
#pragma once

#include "estimation/cov_mat.h"
#include "estimation/lambda_grid.h"
#include "estimation/unstd_results.h"
#include "records/scad_session.h"

namespace quill::engine {

int run_calculate_scad_stdresults(scad_session& session, error_trail& trail);

}  // namespace quill::engine
