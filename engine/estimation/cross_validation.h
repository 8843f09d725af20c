// Cross-validation's loop: for each fold, the path fitted on the other folds (by the caller's
// fold fit, at the full data's grid, in the units of the data), then the held-out deviance of
// every grid value's fit; the error table and its rules are in cv_selection.h.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "estimation/cv_selection.h"
#include "support/error_trail.h"

namespace quill::engine {

// The caller's data, every observation.
struct cv_data {
    int32_t n = 0, p = 0;
    int32_t model_type = 0;
    const double* x = nullptr;        // n x p, column-major
    const double* y = nullptr;        // n
    const double* weights = nullptr;  // n, or null: every weight 1
    const double* offset = nullptr;   // n, or null: none
};

// The observations of one side of a fold, copied so that the design stays column-major.
struct cv_rows {
    int32_t n = 0;
    std::vector<double> x, y, w, offset;
};

// A fold's path in the units of the data: the grid values fitted (first_fitted to fitted: a path
// fitted upwards stops early at the top, the descent path where the model saturates at the bottom),
// and at each grid value the intercept and the coefficients (G x p, column-major).
struct fold_path {
    int32_t first_fitted = 1;
    int32_t fitted = 0;
    std::vector<double> intercept, beta;
};

// Fits the path on the training rows; -1 leaves the reason in the trail.
using fold_fit = std::function<int(const cv_rows& train, fold_path& path, error_trail& trail)>;

// Fits every fold (ids 1 to k in `folds`, 0: in no fold) and fills the table over G grid values.
// 0 on success; on a failed fold, that fold's number, its reasons left in the trail.
int32_t cross_validate(const cv_data& data, const std::vector<int32_t>& folds, int32_t k, int G,
                       const fold_fit& fit, cv_table& table, error_trail& trail);

}  // namespace quill::engine
