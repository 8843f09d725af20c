// The engine call, the only place that knows the engine's header: the options named in the
// struct entry's controls, the codes of the model and the options, the call's own controls, the
// call with the case weights and its per-grid table, what the table says of the selected fit, and
// the report of an engine failure.
//
// The controls: silence for the engine's trace lines unless the host's DEBUG option is set (then
// they go to standard output as the engine writes them), and the step's thread limit: the
// program's options when they set one, else the user's QUILL_THREADS, else every core.
#include "engine_call.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine_call/progress_notes.h"
#include "host_link.h"
#include "quill/runscad.h"

namespace quill::proc {

const int32_t kMaxGridSize = QUILL_MAX_GRID_SIZE;
const int32_t kMaxProjectionColumns = QUILL_MAX_PROJECTION_COLUMNS;

namespace {

constexpr int32_t kMessageLength = 3001;

// The longest part of a bad QUILL_THREADS value the warning shows.
constexpr int kShownValue = 40;

int32_t environment_thread_limit() {
    const char *text = std::getenv("QUILL_THREADS");
    if (text == nullptr || *text == '\0') return QUILL_MAX_THREAD_LIMIT;
    const std::size_t length = std::strlen(text);
    int32_t limit = 0;
    const auto parsed = std::from_chars(text, text + length, limit);
    if (parsed.ec == std::errc() && parsed.ptr == text + length && limit >= 1)
        return limit < QUILL_MAX_THREAD_LIMIT ? limit : QUILL_MAX_THREAD_LIMIT;
    host().log("%2zQUILL_THREADS=\"%.*s%s\" is not a whole number from 1 up and is ignored: the fit "
               "uses every core.",
               kShownValue, text, length > kShownValue ? "..." : "");
    return QUILL_MAX_THREAD_LIMIT;
}

int32_t thread_limit() {
    const qh_interface_vector &vector = interface_vector();
    if (vector.version >= 2 && vector.thread_limit > 0)
        return vector.thread_limit < QUILL_MAX_THREAD_LIMIT ? vector.thread_limit
                                                             : QUILL_MAX_THREAD_LIMIT;
    return environment_thread_limit();
}

bool traced() {
    const char *debug = interface_vector().debug_option;
    return debug != nullptr && *debug != '\0';
}

int32_t model_code(model_kind model) {
    switch (model) {
    case model_logistic: return QUILL_MODEL_LOGISTIC;
    case model_poisson: return QUILL_MODEL_POISSON;
    case model_normal: break;
    }
    return QUILL_MODEL_NORMAL;
}

quill_fit_controls engine_controls(const proc_options &options) {
    quill_fit_controls c{};
    c.size = sizeof c;
    c.model_type = model_code(options.model);
    c.algorithm = options.algorithm == algorithm_icm ? QUILL_ALGORITHM_ICM : QUILL_ALGORITHM_LQA;
    c.selection = options.selection == selection_gcv    ? QUILL_SELECTION_GCV
                  : options.selection == selection_ebic ? QUILL_SELECTION_EBIC
                  : options.selection == selection_cv   ? QUILL_SELECTION_CV
                                                        : QUILL_SELECTION_BIC;
    c.cv_folds = options.has_fold ? 0 : options.cv_folds;
    c.cv_rule = options.cv_one_se ? QUILL_CV_RULE_1SE : QUILL_CV_RULE_MIN;
    c.cv_seed = static_cast<uint64_t>(options.cv_seed);
    c.ebic_gamma = options.ebic_gamma;
    c.refit = options.refit ? 1 : 0;
    c.dfformula = options.df == df_projection ? QUILL_DF_PROJECTION : QUILL_DF_COUNT;
    c.grid_size = options.grid_size;
    c.max_iter = options.max_iter;
    c.robust = options.robust ? 1 : 0;
    c.start = options.warmstart ? QUILL_START_PREVIOUS : QUILL_START_UNPENALIZED;
    c.intercept_mode = QUILL_INTERCEPT_FITTED;
    c.threads = thread_limit();
    c.trace = traced() ? 1 : 0;
    c.tolerance = options.tolerance;
    c.a = options.scad_a;
    c.penalty = options.penalty == penalty_mcp     ? QUILL_PENALTY_MCP
                : options.penalty == penalty_lasso ? QUILL_PENALTY_LASSO
                                                   : QUILL_PENALTY_SCAD;
    c.min_lambda = options.min_lambda;
    c.max_lambda = options.max_lambda_full ? QUILL_MAX_LAMBDA_FULL : options.max_lambda;
    return c;
}

// The per-grid table: the path for OUTPATH and PLOTS, and for every fit the selected value's
// effective df and the lambdas tied with it.
void allocate_path(const proc_options &options, fit_path &path) {
    const bool in_range = options.grid_size >= 1 && options.grid_size <= kMaxGridSize;
    if (!in_range) return;
    const std::size_t rows = static_cast<std::size_t>(options.grid_size);
    path.rows = options.grid_size;
    path.lambda = allocate_array<double>(rows);
    path.intercept = allocate_array<double>(rows);
    path.bic = allocate_array<double>(rows);
    path.aic = allocate_array<double>(rows);
    path.gcv = allocate_array<double>(rows);
    path.effective_df = allocate_array<double>(rows);
    path.simple_df = allocate_array<int32_t>(rows);
    path.num_iter = allocate_array<int32_t>(rows);
    path.converged = allocate_array<uint8_t>(rows);
    path.fitted = allocate_array<uint8_t>(rows);
    path.tied = allocate_array<uint8_t>(rows);
    path.ebic = allocate_array<double>(rows);
    path.cv_error = allocate_array<double>(rows);
    path.cv_se = allocate_array<double>(rows);
    path.cv_min = allocate_array<uint8_t>(rows);
    path.cv_1se = allocate_array<uint8_t>(rows);
    path.refit = allocate_array<double>(rows);
}

// What the table says of the selected fit: its real effective df, and the smallest and largest
// lambda tied with it (the selected lambda alone when the table is missing).
void read_selection(fit_path &path, proc_fit &fit) {
    fit.effective_df = std::nan("");
    fit.tied_low = fit.tied_high = fit.selected_lambda;
    const int32_t best = fit.best_index - 1;
    if (path.rows == 0 || best < 0 || best >= path.rows) return;
    fit.effective_df = path.effective_df[best];
    bool any = false;
    for (int32_t g = 0; g < path.rows; ++g) {
        if (path.tied[g] == 0 || path.fitted[g] == 0) continue;
        fit.tied_low = any ? std::fmin(fit.tied_low, path.lambda[g]) : path.lambda[g];
        fit.tied_high = any ? std::fmax(fit.tied_high, path.lambda[g]) : path.lambda[g];
        any = true;
    }
}

// The engine's progress report, at the start of each fit and pass: a NOTE when one is due.
void note_progress(void *context, const quill_fit_progress *report) {
    using stage = fit_stage;
    const fit_position at{.stage = report->stage == QUILL_PROGRESS_GRID       ? stage::grid
                                   : report->stage == QUILL_PROGRESS_GRID_TOP ? stage::grid_top
                                   : report->stage == QUILL_PROGRESS_REFIT    ? stage::refit
                                                                              : stage::start,
                          .fold = report->fold,
                          .folds = report->folds,
                          .grid_value = report->grid_value,
                          .grid_size = report->grid_size,
                          .lambda = report->lambda,
                          .passes = report->passes,
                          .max_passes = report->max_passes,
                          .total_passes = report->total_passes};
    const std::string text = static_cast<progress_notes *>(context)->note(at);
    if (!text.empty()) host().log("%3z%s", text.c_str());
}

// The engine's message: one log line per non-empty line, framed by two blank lines.
[[noreturn]] void report_engine_failure(const char *message) {
    host().log("%1zA problem occured during model estimation.  Diagnostic information is as "
               "follows:");
    host().log(" ");
    const char *line = message;
    while (*line != '\0') {
        const std::size_t length = std::strcspn(line, "\r\n");
        if (length > 0) host().log("   %.*s", static_cast<int>(length), line);
        line += length;
        while (*line == '\r' || *line == '\n') ++line;
    }
    host().log(" ");
    end_fit(rc_error);
}

} // namespace

void fit_model(const proc_options &options, const proc_design &design, proc_fit &fit) {
    const std::size_t cols = static_cast<std::size_t>(design.columns);
    fit.betas = allocate_array<double>(cols);
    fit.std_errs = allocate_array<double>(cols);
    // The path has grid_size rows; the statement checks keep the size within the engine's limit.
    fit.coef_path = allocate_array<double>(static_cast<std::size_t>(options.grid_size) * cols);
    allocate_path(options, fit.path);
    int32_t *message_codes = allocate_array<int32_t>(kMessageLength);
    for (int32_t i = 0; i < kMessageLength; ++i) message_codes[i] = 32;

    fit_path &path = fit.path;
    const quill_grid_table table{.lambda = path.lambda,
                                 .intercept = path.intercept,
                                 .bic = path.bic,
                                 .aic = path.aic,
                                 .gcv = path.gcv,
                                 .effective_df = path.effective_df,
                                 .simple_df = path.simple_df,
                                 .num_iter = path.num_iter,
                                 .converged = path.converged,
                                 .fitted = path.fitted,
                                 .tied = path.tied,
                                 .ebic = path.ebic,
                                 .cv_error = path.cv_error,
                                 .cv_se = path.cv_se,
                                 .cv_min = path.cv_min,
                                 .cv_1se = path.cv_1se,
                                 .refit_criterion = path.refit};
    quill_fit_data data{};
    data.size = sizeof data;
    data.p = design.columns;
    data.n = design.rows;
    data.x = design.x;
    data.y = design.response;
    data.forcein = design.forcein;
    // Without a WEIGHT statement no weights are handed over: the engine's unweighted sums.
    data.weights = options.weighted ? design.case_weights : nullptr;
    data.offset = design.offset;
    data.folds = options.selection == selection_cv ? design.folds : nullptr;
    quill_fit_controls controls = engine_controls(options);
    progress_notes notes(progress_notes::monotonic_seconds, nullptr,
                         options.algorithm == algorithm_icm);
    controls.progress = note_progress;
    controls.progress_context = &notes;
    quill_fit_result result{};
    result.size = sizeof result;
    result.beta = fit.betas;
    result.se = fit.std_errs;
    result.beta_path = fit.coef_path;
    result.table = path.rows > 0 ? &table : nullptr;
    result.msg_len = kMessageLength;
    result.message_codes = message_codes;
    fit.aliased = allocate_array<uint8_t>(cols);
    result.aliased = fit.aliased;
    result.min_lambda = controls.min_lambda;
    result.max_lambda = controls.max_lambda;
    quill_fit(&data, &controls, &result);
    // The effective df comes from the table (the real value), not the truncated result.df.
    fit.intercept = result.intercept;
    fit.intercept_se = result.intercept_se;
    fit.min_lambda = result.min_lambda;
    fit.max_lambda = result.max_lambda;
    fit.selected_lambda = result.lambda;
    fit.criterion_value = result.criterion;
    fit.simple_df = result.simple_df;
    fit.best_index = result.best_index;
    fit.iterations = result.num_iter;
    fit.converged = result.converged != 0;
    fit.at_max_lambda = result.at_max_lambda != 0;
    fit.at_min_lambda = result.at_min_lambda != 0;
    fit.cv_se = result.cv_se;
    fit.cv_folds = result.cv_folds;
    fit.stop = result.path_stop == QUILL_PATH_STOP_NONZERO    ? path_stop::nonzero
               : result.path_stop == QUILL_PATH_STOP_DEVIANCE ? path_stop::deviance
               : result.path_stop == QUILL_PATH_STOP_DIVERGED ? path_stop::diverged
                                                              : path_stop::none;
    fit.stop_index = result.path_stop_index;
    if (result.error_flag == 0) {
        read_selection(path, fit);
        return;
    }

    // Aliased design columns are named by the procedure, which knows their predictors and levels.
    for (std::size_t k = 0; k < cols; ++k) fit.aliased_design = fit.aliased_design || fit.aliased[k] != 0;
    if (fit.aliased_design) return;
    // One byte more than the codes, so the text is terminated even when the engine filled all.
    char *message = allocate_array<char>(kMessageLength + 1);
    for (int32_t i = 0; i < kMessageLength; ++i) message[i] = static_cast<char>(message_codes[i] & 0xFF);
    message[kMessageLength] = '\0';
    report_engine_failure(message);
}

} // namespace quill::proc
