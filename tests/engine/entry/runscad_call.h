// A runscad call with every argument held in one place, so that a test changes only what it is
// about. Defaults: a normal model on small well-conditioned data, G = 5, BIC, COUNT.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "quill/runscad.h"

namespace quill::engine::testing_support {

struct runscad_call {
    int32_t p = 2;
    int32_t n = 8;
    std::vector<double> x;  // n x p, column-major
    std::vector<double> y;
    std::vector<uint8_t> forcein;
    std::vector<int32_t> options{0, 0, 0, 5, 100, 0, 0, 0};
    int32_t grid_size = 5;
    double tolerance = 1e-9;
    double min_lambda = -1.0;
    double max_lambda = -1.0;
    int32_t model_type = 0;
    double a = 3.7;

    std::vector<double> beta, se, path;
    double intercept = -99.0, intercept_se = -99.0, lambda = -99.0, criterion = -99.0;
    int32_t simple_df = -99, df = -99, best = -99, num_iter = -99;
    uint8_t converged = 7, at_max = 7, at_min = 7, error_flag = 7;
    int32_t msg_len = 3001;
    std::vector<int32_t> message;
    std::string printed;  // what the call wrote to standard output

    // runscad_path's table, one entry per grid value.
    struct grid_table {
        std::vector<double> lambda, intercept, bic, aic, gcv, effective_df, ebic;
        std::vector<int32_t> simple_df, num_iter;
        std::vector<uint8_t> converged, fitted, tied;
    } table;

    runscad_call();
    // A call on the given data (an n x p column-major design), nothing forced in.
    static runscad_call on(int32_t n, int32_t p, std::vector<double> x, std::vector<double> y,
                           int32_t model_type = 0);
    // Resizes the outputs to p, n and G and calls runscad.
    void run();
    // The same with runscad_path, filling `table`.
    void run_path();
    bool failed() const { return error_flag == 0xFF; }
    // The message up to its terminator, as text.
    std::string text() const;
    // The message split at carriage return + line feed.
    std::vector<std::string> lines() const;

private:
    void resize_outputs();
};

}  // namespace quill::engine::testing_support
