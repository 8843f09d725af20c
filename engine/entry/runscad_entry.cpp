// The C boundary of the engine: the three exported functions, and the only place that catches
// every exception, so that nothing but the error flag and the message ever leaves the library.
// quill_fit reads its structs into the engine's request; runscad_path names its loose arguments
// into the same (the option vector unpacked into the controls), so every entry runs one call.
#include "quill/runscad.h"

#include "option_vector.h"
#include "runscad.h"
#include "struct_entry.h"

extern "C" QUILL_EXPORT int32_t quill_fit(const quill_fit_data* data,
                                          const quill_fit_controls* controls,
                                          quill_fit_result* result) {
    try {
        return quill::engine::run_struct_call(data, controls, result);
    } catch (...) {
        quill::engine::report_struct_failure(result);
        return -1;
    }
}

extern "C" QUILL_EXPORT void runscad_path(
    int32_t p, int32_t n, const double* raw_x, const double* y_vec,
    const double* case_weights_vec, const uint8_t* forcein_vec, const int32_t* option_vector,
    int32_t grid_size, double tolerance, double* min_lambda, double* max_lambda,
    int32_t model_type, double a, double* beta_out, double* intercept_out, double* se_out,
    double* intercept_se_out, double* beta_path_out, double* lambda_out, double* criterion_out,
    int32_t* simple_df_out, int32_t* df_out, int32_t* best_index_out, int32_t* num_iter_out,
    uint8_t* converged_out, uint8_t* at_max_lambda, uint8_t* at_min_lambda, uint8_t* error_flag,
    int32_t msg_len, int32_t* message_codes, const quill_grid_table* table) {
    using namespace quill::engine;
    const fit_outputs out{.min_lambda = min_lambda, .max_lambda = max_lambda, .beta = beta_out,
                          .intercept = intercept_out, .se = se_out,
                          .intercept_se = intercept_se_out, .beta_path = beta_path_out,
                          .lambda = lambda_out, .criterion = criterion_out,
                          .simple_df = simple_df_out, .df = df_out, .best_index = best_index_out,
                          .num_iter = num_iter_out, .converged = converged_out,
                          .at_max_lambda = at_max_lambda, .at_min_lambda = at_min_lambda,
                          .error_flag = error_flag, .msg_len = msg_len,
                          .message_codes = message_codes, .table = table};
    try {
        if (option_vector == nullptr) {
            if (!open_call(out)) return;
            error_trail trail;
            fail(trail, "runscad in MOD scad_types",
                 "The argument option_vector of runscad is a null pointer.");
            return report_failure(out, trail);
        }
        static_cast<void>(case_weights_vec);  // never read: every observation weighs the same
        fit_request request{.data = {}, .controls = {}, .out = out};
        request.data.size = sizeof request.data;
        request.data.p = p;
        request.data.n = n;
        request.data.x = raw_x;
        request.data.y = y_vec;
        request.data.forcein = forcein_vec;
        request.controls = controls_from_options(
            option_vector, model_type, tolerance, a,
            min_lambda != nullptr ? *min_lambda : QUILL_MAX_LAMBDA_AUTOMATIC,
            max_lambda != nullptr ? *max_lambda : QUILL_MAX_LAMBDA_AUTOMATIC);
        request.path_rows = grid_size;
        run_fit(request);
    } catch (...) {
        report_unexpected_failure(out);
    }
}

// runscad is runscad_path without the table.
extern "C" QUILL_EXPORT void runscad(
    int32_t p, int32_t n, const double* raw_x, const double* y_vec,
    const double* case_weights_vec, const uint8_t* forcein_vec, const int32_t* option_vector,
    int32_t grid_size, double tolerance, double* min_lambda, double* max_lambda,
    int32_t model_type, double a, double* beta_out, double* intercept_out, double* se_out,
    double* intercept_se_out, double* beta_path_out, double* lambda_out, double* criterion_out,
    int32_t* simple_df_out, int32_t* df_out, int32_t* best_index_out, int32_t* num_iter_out,
    uint8_t* converged_out, uint8_t* at_max_lambda, uint8_t* at_min_lambda, uint8_t* error_flag,
    int32_t msg_len, int32_t* message_codes) {
    runscad_path(p, n, raw_x, y_vec, case_weights_vec, forcein_vec, option_vector, grid_size,
                 tolerance, min_lambda, max_lambda, model_type, a, beta_out, intercept_out, se_out,
                 intercept_se_out, beta_path_out, lambda_out, criterion_out, simple_df_out, df_out,
                 best_index_out, num_iter_out, converged_out, at_max_lambda, at_min_lambda,
                 error_flag, msg_len, message_codes, nullptr);
}
