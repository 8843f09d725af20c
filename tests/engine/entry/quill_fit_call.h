// A quill_fit call from C++ with every member held in one place and the whole per-grid table
// kept, for the tests of what only the struct entry carries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "quill/runscad.h"

namespace quill::engine::testing_support {

struct quill_fit_call {
    int32_t n = 0, p = 0;
    std::vector<double> x, y, weights, offset;  // weights, offset empty: none given
    std::vector<int32_t> folds;                 // empty: none given
    std::vector<uint8_t> aliased;               // empty: not asked for; else p flags out
    std::vector<uint8_t> forcein;
    quill_fit_controls controls{};

    // Outputs.
    std::vector<double> beta, se, path;
    std::vector<double> lambda, intercept, bic, aic, gcv, effective_df;
    std::vector<int32_t> simple_df;
    std::vector<uint8_t> fitted, tied, converged;
    std::vector<int32_t> num_iter;
    std::vector<int32_t> message;
    std::vector<double>* ebic = nullptr;  // the table's EBIC column, when wanted (G elements)
    std::vector<double> cv_error, cv_se;  // the table's CV columns (G elements)
    std::vector<uint8_t> cv_min, cv_1se;  // and the grid value each rule selects
    std::vector<double> refit;            // the table's refit criterion (with controls.refit)
    quill_fit_result result{};
    int32_t status = 0;

    // Defaults: the given model, BIC, PROJECTION df, G grid values, silent, one thread.
    quill_fit_call(int32_t n, int32_t p, std::vector<double> x, std::vector<double> y,
                   int32_t model_type, int32_t grid_size = 20);
    void run();
    bool failed() const { return status != 0; }
    std::string text() const;
};

}  // namespace quill::engine::testing_support
