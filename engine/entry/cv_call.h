// Cross-validation through the struct entry, as one call: the arguments checked and the worker
// threads started once; the full data's grid; the path of each fold on the other folds at that
// grid, without the covariance nobody reads (estimation/cross_validation.h); the selection; then
// the full data's fit at the selected lambda with its standard errors.
#pragma once

#include <cstdint>

#include "runscad.h"

namespace quill::engine {

// `full` is the call as the caller made it (controls.selection is QUILL_SELECTION_CV, and
// data.folds and the controls' cv_folds, cv_rule and cv_seed say how). Fills the call's outputs
// and table as an ordinary call does, the criterion being the CV error, then the table's
// cv_error, cv_se, cv_min and cv_1se and the outputs cv_se and cv_folds; on failure sets the
// error flag and the message.
void run_cross_validation(const fit_request& full);

}  // namespace quill::engine
