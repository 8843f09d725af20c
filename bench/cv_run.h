// The cost of 10-fold cross-validation: quill_fit with SELECTION CV against the same call with
// BIC (one path), on synthetic data, with the default or the warm start.
#pragma once

#include <string>
#include <vector>

#include "engine_entry.h"
#include "synthetic_data.h"

namespace quill::bench {

struct cv_timing {
    double path_seconds = 0.0, cv_seconds = 0.0;          // elapsed
    double path_cpu_seconds = 0.0, cv_cpu_seconds = 0.0;  // processor time of the process
    double lambda = 0.0, cv_error = 0.0, cv_se = 0.0;     // the CV selection (rule MIN)
    int nonzero = 0;
    std::vector<double> table, beta;  // the CV error and its se per grid value; the coefficients
    bool failed = false;
    std::string message;
};

// Both calls on every core (limited by QUILL_THREADS), G grid values, k folds from seed 0,
// through `fit` (this build's quill_fit or another build's).
cv_timing time_cv(const synthetic_data& data, model m, int G, bool warm, int folds,
                  quill_fit_function fit);

}  // namespace quill::bench
