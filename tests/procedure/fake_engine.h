// A stand-in for runscad in the procedure tests: it keeps what the procedure passed and hands
// back the results a test sets, or a failure with a given message.
#ifndef QUILL_TESTS_PROCEDURE_FAKE_ENGINE_H
#define QUILL_TESTS_PROCEDURE_FAKE_ENGINE_H

#include <cstdint>
#include <string>
#include <vector>

namespace quill::proc::testing {

struct fake_engine {
    // Seen by the call.
    int calls = 0;
    int32_t p = 0, n = 0, grid_size = 0, model_type = 0, msg_len = 0;
    std::vector<double> x, y, weights; // weights: 1 each when none were handed over
    bool weights_given = false;        // quill_fit had data.weights
    std::vector<uint8_t> forcein;
    std::vector<int32_t> options; // option 7 holds the start rule alone
    int32_t controls = 0;         // the bits above the rule in option 7 (quill/runscad.h); from
                                  // quill_fit, its threads and trace members packed the same way
    double tolerance = 0, min_lambda_in = 0, max_lambda_in = 0, a = 0;

    // Handed back.
    std::vector<double> betas, std_errs; // resized to p with zeros when shorter
    double intercept = 0, intercept_se = 0, lambda = 0.5, criterion = 10, min_lambda = 0.01,
           max_lambda = 2;
    int32_t simple_df = 1, best_index = 5, iterations = 7;
    double effective_df = 3.25; // the table's value; df_out gets it truncated
    bool converged = true, at_max = false, at_min = false;
    std::string failure; // non-empty: fail with this text (lines joined by CR LF)
    // The per-grid table of runscad_path.
    bool table_asked = false;
    int32_t fitted_rows = 1000;
    double path_value = 0.25; // every path coefficient of a fitted row
    int32_t tied_first = 0, tied_last = -1; // 1-based grid values tied with the selected one besides it
    std::vector<int32_t> unconverged;       // 1-based grid values whose fit did not converge
};

fake_engine &engine();
void reset_engine();

} // namespace quill::proc::testing

#endif
