// Cross-validation through the struct entry, as one call: the arguments checked and the worker
// threads started once; the full data's grid; the path of each fold on the other folds at that
// grid, without the covariance nobody reads (estimation/cross_validation.h); the selection; then
// the full data's fit at the selected lambda with its standard errors.
#pragma once

#include <cstdint>

#include "runscad.h"

namespace quill::engine {

struct cv_request {
    const int32_t* fold_ids;  // the caller's ids, or null: folds drawn from seed
    int32_t folds;            // k wanted; 0: the default
    int32_t rule;             // QUILL_CV_RULE_MIN or _1SE
    uint64_t seed;
};

struct cv_outcome {
    int32_t folds = 0;
    double se = 0.0;  // at the selected lambda
};

// `full` is the call as the caller made it (its option vector's selection is ignored). Fills
// the call's outputs and table as an ordinary call does, the criterion being the CV error, then
// the table's cv_error, cv_se, cv_min and cv_1se; on failure sets the error flag and the message.
void run_cross_validation(const runscad_arguments& full, const cv_request& request,
                          cv_outcome& outcome);

}  // namespace quill::engine
