// The grid search: a fit per lambda, criteria, selection, covariance at the selected lambda.
// The grid, covariance and unstandardized results have headers of their own; they are
// included here for the callers that run the whole estimation.
#pragma once

#include "estimation/cov_mat.h"
#include "estimation/lambda_grid.h"
#include "estimation/unstd_results.h"
#include "records/scad_session.h"

namespace quill::engine {

// What a grid search is asked beyond the settings. Cross-validation's fold fits need only the
// path; its full fit selects by the CV error instead of the settings' criterion.
struct path_request {
    bool covariance = true;  // the covariance and standard errors at the selected grid value
    // A selection made on a criterion of the caller's: the 1-based grid value, and the criterion
    // of every grid value (G values) on which its ties are read. 0: the settings' criterion.
    int32_t given_best = 0;
    const double* given_criterion = nullptr;
};

int run_calculate_scad_stdresults(scad_session& session, error_trail& trail,
                                  const path_request& request = {});

}  // namespace quill::engine
