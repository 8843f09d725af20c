// The stand-in of the engine's three entries in the procedure tests.
#include "fake_engine.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "quill/runscad.h"

namespace quill::proc::testing {

namespace {
fake_engine g_engine;
}

fake_engine &engine() { return g_engine; }
void reset_engine() { g_engine = fake_engine{}; }

} // namespace quill::proc::testing

using quill::proc::testing::engine;

extern "C" void runscad(int32_t p, int32_t n, const double *raw_x, const double *y_vec,
                        const double *case_weights_vec, const uint8_t *forcein_vec,
                        const int32_t *option_vector, int32_t grid_size, double tolerance,
                        double *min_lambda, double *max_lambda, int32_t model_type, double a,
                        double *beta_out, double *intercept_out, double *se_out,
                        double *intercept_se_out, double *beta_path_out, double *lambda_out,
                        double *criterion_out, int32_t *simple_df_out, int32_t *df_out,
                        int32_t *best_index_out, int32_t *num_iter_out, uint8_t *converged_out,
                        uint8_t *at_max_lambda, uint8_t *at_min_lambda, uint8_t *error_flag,
                        int32_t msg_len, int32_t *message_codes) {
    auto &e = engine();
    ++e.calls;
    e.p = p;
    e.n = n;
    e.x.assign(raw_x, raw_x + static_cast<std::size_t>(n) * p);
    e.y.assign(y_vec, y_vec + n);
    e.weights.assign(case_weights_vec, case_weights_vec + n);
    e.forcein.assign(forcein_vec, forcein_vec + p);
    e.options.assign(option_vector, option_vector + 8);
    e.controls = e.options[QUILL_OPT_START] & ~QUILL_START_RULE_MASK;
    e.options[QUILL_OPT_START] &= QUILL_START_RULE_MASK;
    e.grid_size = grid_size;
    e.tolerance = tolerance;
    e.min_lambda_in = *min_lambda;
    e.max_lambda_in = *max_lambda;
    e.model_type = model_type;
    e.a = a;
    e.msg_len = msg_len;
    *error_flag = 0;
    // Like the engine, refuse a grid it could not hold before writing any output.
    if (grid_size < 1 || grid_size > 1000) e.failure = "Invalid input for grid_size";
    if (!e.failure.empty()) {
        *error_flag = 0xFF;
        int32_t i = 0;
        for (; i < msg_len - 1 && i < static_cast<int32_t>(e.failure.size()); ++i)
            message_codes[i] = static_cast<unsigned char>(e.failure[i]);
        message_codes[i] = 0;
        return;
    }
    e.betas.resize(p);
    e.std_errs.resize(p);
    for (int32_t j = 0; j < p; ++j) {
        beta_out[j] = e.betas[j];
        se_out[j] = e.std_errs[j];
        for (int32_t g = 0; g < grid_size; ++g) beta_path_out[g + static_cast<std::size_t>(j) * grid_size] = 0.0;
    }
    *intercept_out = e.intercept;
    *intercept_se_out = e.intercept_se;
    *lambda_out = e.lambda;
    *criterion_out = e.criterion;
    *min_lambda = e.min_lambda;
    *max_lambda = e.max_lambda;
    *simple_df_out = e.simple_df;
    *df_out = static_cast<int32_t>(e.effective_df);
    *best_index_out = e.best_index;
    *num_iter_out = e.iterations;
    *converged_out = e.converged ? 0xFF : 0;
    *at_max_lambda = e.at_max ? 0xFF : 0;
    *at_min_lambda = e.at_min ? 0xFF : 0;
}

// The table: grid values evenly from min_lambda to max_lambda, fitted up to `fitted_rows`.
extern "C" void runscad_path(int32_t p, int32_t n, const double *raw_x, const double *y_vec,
                             const double *case_weights_vec, const uint8_t *forcein_vec,
                             const int32_t *option_vector, int32_t grid_size, double tolerance,
                             double *min_lambda, double *max_lambda, int32_t model_type, double a,
                             double *beta_out, double *intercept_out, double *se_out,
                             double *intercept_se_out, double *beta_path_out, double *lambda_out,
                             double *criterion_out, int32_t *simple_df_out, int32_t *df_out,
                             int32_t *best_index_out, int32_t *num_iter_out, uint8_t *converged_out,
                             uint8_t *at_max_lambda, uint8_t *at_min_lambda, uint8_t *error_flag,
                             int32_t msg_len, int32_t *message_codes, const quill_grid_table *table) {
    runscad(p, n, raw_x, y_vec, case_weights_vec, forcein_vec, option_vector, grid_size, tolerance,
            min_lambda, max_lambda, model_type, a, beta_out, intercept_out, se_out, intercept_se_out,
            beta_path_out, lambda_out, criterion_out, simple_df_out, df_out, best_index_out,
            num_iter_out, converged_out, at_max_lambda, at_min_lambda, error_flag, msg_len,
            message_codes);
    auto &e = engine();
    e.table_asked = table != nullptr;
    if (table == nullptr || *error_flag != 0) return;
    const double nan = std::nan("");
    for (int32_t g = 0; g < grid_size; ++g) {
        const bool fitted = g < e.fitted_rows;
        table->lambda[g] = e.min_lambda + g * (e.max_lambda - e.min_lambda) / (grid_size > 1 ? grid_size - 1 : 1);
        table->intercept[g] = fitted ? e.intercept : 0.0;
        table->bic[g] = fitted ? e.criterion + g : nan;
        table->aic[g] = fitted ? e.criterion - g : nan;
        table->gcv[g] = fitted && model_type == 0 ? 0.5 * g : nan;
        table->effective_df[g] = fitted && option_vector[2] == 1 ? e.effective_df : nan;
        table->simple_df[g] = fitted ? e.simple_df : 0;
        table->num_iter[g] = fitted ? e.iterations : 0;
        const bool unconverged = std::find(e.unconverged.begin(), e.unconverged.end(), g + 1) != e.unconverged.end();
        table->converged[g] = fitted && !unconverged ? 0xFF : 0;
        table->fitted[g] = fitted ? 0xFF : 0;
        const bool tied = g + 1 == e.best_index || (g + 1 >= e.tied_first && g + 1 <= e.tied_last);
        if (table->tied) table->tied[g] = fitted && tied ? 0xFF : 0;
        for (int32_t j = 0; j < p; ++j)
            beta_path_out[g + static_cast<std::size_t>(j) * grid_size] = fitted ? e.path_value : 0.0;
    }
}

// The struct entry: its members handed to runscad_path as the positional entries take them.
extern "C" int32_t quill_fit(const quill_fit_data *data, const quill_fit_controls *controls,
                             quill_fit_result *result) {
    const quill_fit_controls &c = *controls;
    const int32_t options[8] = {c.algorithm, c.selection, c.dfformula, c.grid_size, c.max_iter,
                                c.robust,    c.start,     c.intercept_mode};
    const std::vector<double> ones(static_cast<std::size_t>(data->n), 1.0);
    result->min_lambda = c.min_lambda;
    result->max_lambda = c.max_lambda;
    runscad_path(data->p, data->n, data->x, data->y, data->weights ? data->weights : ones.data(),
                 data->forcein, options, c.grid_size, c.tolerance, &result->min_lambda,
                 &result->max_lambda, c.model_type, c.a, result->beta, &result->intercept,
                 result->se, &result->intercept_se, result->beta_path, &result->lambda,
                 &result->criterion, &result->simple_df, &result->df, &result->best_index,
                 &result->num_iter, &result->converged, &result->at_max_lambda,
                 &result->at_min_lambda, &result->error_flag, result->msg_len,
                 result->message_codes, result->table);
    auto &e = engine();
    e.weights_given = data->weights != nullptr;
    e.controls = QUILL_CONTROL_THREADS(c.threads) | (c.trace ? 0 : QUILL_CONTROL_QUIET);
    return result->error_flag == 0 ? 0 : -1;
}
