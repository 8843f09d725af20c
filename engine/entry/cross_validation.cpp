// Cross-validation as a sequence of ordinary calls: one that only builds the full data's grid,
// one per fold on the other folds at that grid, and the full data's fit with the selection
// given. Each call sets up and releases its own session and threads, so the folds run one after
// the other and the results do not depend on the number of threads.
#include "cross_validation.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "cv_folds.h"
#include "cv_selection.h"
#include "message_codes.h"
#include "support/error_trail.h"

namespace quill::engine {

namespace {

constexpr const char* where = "quill_fit in MOD scad_types";
constexpr uint8_t byte_true = 0xFF;

void report(const runscad_arguments& a, const error_trail& trail) {
    write_message_codes(trail, a.message_codes, a.msg_len);
    *a.error_flag = byte_true;
}

double x_log_x(double v) { return v > 0.0 ? v * std::log(v) : 0.0; }

// An observation's deviance at the linear predictor eta (the offset included).
double deviance(int32_t model_type, double y, double eta) {
    if (model_type == QUILL_MODEL_LOGISTIC) {
        const double softplus = eta > 0.0 ? eta + std::log1p(std::exp(-eta)) : std::log1p(std::exp(eta));
        return 2.0 * (x_log_x(y) + x_log_x(1.0 - y) - (y * eta - softplus));
    }
    if (model_type == QUILL_MODEL_POISSON) return 2.0 * (x_log_x(y) - y * eta - y + std::exp(eta));
    const double r = y - eta;
    return r * r;
}

// The observations of one side of a fold, copied so that the design stays column-major.
struct rows {
    int32_t n = 0;
    std::vector<double> x, y, w, offset;
};

rows take_rows(const runscad_arguments& a, const std::vector<int32_t>& folds, int32_t fold,
               bool held_out) {
    rows r;
    std::vector<int32_t> index;
    for (int32_t i = 0; i < a.n; ++i)
        if ((folds[static_cast<std::size_t>(i)] == fold) == held_out) index.push_back(i);
    r.n = static_cast<int32_t>(index.size());
    r.x.resize(static_cast<std::size_t>(r.n) * static_cast<std::size_t>(a.p));
    for (int32_t c = 0; c < a.p; ++c) {
        const double* column = a.raw_x + static_cast<std::size_t>(c) * a.n;
        double* to = r.x.data() + static_cast<std::size_t>(c) * r.n;
        for (int32_t t = 0; t < r.n; ++t) to[t] = column[index[t]];
    }
    for (int32_t i : index) {
        r.y.push_back(a.y_vec[i]);
        r.w.push_back(a.read_weights ? a.case_weights_vec[i] : 1.0);
        r.offset.push_back(a.offset != nullptr ? a.offset[i] : 0.0);
    }
    return r;
}

// The outputs of a fold's call, all local.
struct fold_outputs {
    std::vector<double> beta, se, path, intercept;
    std::vector<uint8_t> fitted;
    std::vector<int32_t> message;
    double min_lambda = QUILL_MAX_LAMBDA_AUTOMATIC, max_lambda = QUILL_MAX_LAMBDA_AUTOMATIC;
    double intercept_out = 0, intercept_se = 0, lambda = 0, criterion = 0;
    int32_t simple_df = 0, df = 0, best = 0, num_iter = 0;
    uint8_t converged = 0, at_max = 0, at_min = 0, flag = 0;
    quill_grid_table table{};
};

runscad_arguments fold_call(const runscad_arguments& full, const rows& train, fold_outputs& o,
                            const double* grid) {
    const std::size_t G = static_cast<std::size_t>(full.grid_size);
    o.beta.assign(static_cast<std::size_t>(full.p), 0.0);
    o.se = o.beta;
    o.path.assign(G * static_cast<std::size_t>(full.p), 0.0);
    o.intercept.assign(G, 0.0);
    o.fitted.assign(G, 0);
    o.message.assign(static_cast<std::size_t>(full.msg_len), 0);
    o.table.intercept = o.intercept.data();
    o.table.fitted = o.fitted.data();
    runscad_arguments a = full;
    a.n = train.n;
    a.raw_x = train.x.data();
    a.y_vec = train.y.data();
    a.case_weights_vec = full.read_weights ? train.w.data() : nullptr;
    a.offset = full.offset != nullptr ? train.offset.data() : nullptr;
    a.min_lambda = &o.min_lambda;
    a.max_lambda = &o.max_lambda;
    a.beta_out = o.beta.data();
    a.intercept_out = &o.intercept_out;
    a.se_out = o.se.data();
    a.intercept_se_out = &o.intercept_se;
    a.beta_path_out = o.path.data();
    a.lambda_out = &o.lambda;
    a.criterion_out = &o.criterion;
    a.simple_df_out = &o.simple_df;
    a.df_out = &o.df;
    a.best_index_out = &o.best;
    a.num_iter_out = &o.num_iter;
    a.converged_out = &o.converged;
    a.at_max_lambda = &o.at_max;
    a.at_min_lambda = &o.at_min;
    a.error_flag = &o.flag;
    a.message_codes = o.message.data();
    a.table = &o.table;
    a.given_grid = grid;
    return a;
}

// The failed fold's message, then the line that names the fold.
void report_fold_failure(const runscad_arguments& full, const fold_outputs& o, int32_t fold,
                         int32_t k) {
    error_trail trail;
    std::string text;
    for (int32_t c : o.message) {
        if (c == 0) break;
        text += static_cast<char>(c);
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        line.erase(line.find_last_not_of(' ') + 1);
        trail.add_line(line);
        start = end + 2;
    }
    const std::string sentence = "The fit without fold " + std::to_string(fold) + " of " +
                                 std::to_string(k) + " failed.";
    fail(trail, where, sentence.c_str());
    report(full, trail);
}

// Adds fold `fold`'s held-out losses at every grid value to loss (k x G, fold-major) and its
// weight. A grid value past the fold's early stop takes the fold's last fit.
void add_held_out_losses(const runscad_arguments& full, const rows& test, const fold_outputs& o,
                         std::size_t fold, std::vector<double>& loss, double& weight) {
    const int G = full.grid_size;
    int last = 0;
    while (last < G && o.fitted[static_cast<std::size_t>(last)] != 0) ++last;
    std::vector<double> eta(static_cast<std::size_t>(test.n));
    for (int32_t t = 0; t < test.n; ++t) weight += test.w[t];
    for (int g = 0; g < G; ++g) {
        const int from = std::min(g, std::max(last, 1) - 1);
        for (int32_t t = 0; t < test.n; ++t) eta[t] = o.intercept[from] + test.offset[t];
        for (int32_t c = 0; c < full.p; ++c) {
            const double b = o.path[static_cast<std::size_t>(from) + static_cast<std::size_t>(c) * G];
            if (b == 0.0) continue;
            const double* column = test.x.data() + static_cast<std::size_t>(c) * test.n;
            for (int32_t t = 0; t < test.n; ++t) eta[t] += column[t] * b;
        }
        double sum = 0.0;
        for (int32_t t = 0; t < test.n; ++t)
            sum += test.w[t] * deviance(full.model_type, test.y[t], eta[t]);
        loss[fold * G + static_cast<std::size_t>(g)] = sum;
    }
}

// The folds of the call, or why there are none.
std::string make_folds(const runscad_arguments& full, const cv_request& request,
                       std::vector<int32_t>& folds, int32_t& k) {
    const double* weights = full.read_weights ? full.case_weights_vec : nullptr;
    if (request.fold_ids != nullptr)
        return take_folds(full.n, request.fold_ids, weights, request.folds, folds, k);
    int32_t used = 0;
    for (int32_t i = 0; i < full.n; ++i) used += weights == nullptr || weights[i] > 0.0 ? 1 : 0;
    std::string problem = cv_fold_count(request.folds, used, k);
    if (problem.empty()) folds = draw_folds(full.n, weights, k, request.seed);
    return problem;
}

}  // namespace

void run_cross_validation(const runscad_arguments& full, const cv_request& request,
                          cv_outcome& outcome) {
    if (full.error_flag == nullptr) return;
    *full.error_flag = 0;
    if (full.message_codes == nullptr || full.msg_len < 1 || full.option_vector == nullptr) {
        *full.error_flag = byte_true;
        return;
    }
    error_trail trail;
    if (request.rule != QUILL_CV_RULE_MIN && request.rule != QUILL_CV_RULE_1SE) {
        fail(trail, where, "Invalid input for cv_rule");
        return report(full, trail);
    }
    // Every call below selects by BIC; the selection is then given to the last one.
    int32_t options[8];
    std::copy(full.option_vector, full.option_vector + 8, options);
    options[QUILL_OPT_SELECTION] = QUILL_SELECTION_BIC;
    runscad_arguments grid_call = full;
    grid_call.option_vector = options;
    // The grid call checks every argument, so the sizes below are sound once it succeeds.
    std::vector<double> grid(static_cast<std::size_t>(std::clamp(full.grid_size, 1, 1000)));
    grid_call.grid_out = grid.data();
    grid_call.table = nullptr;
    run_scad_call(grid_call);
    if (*full.error_flag != 0) return;

    std::vector<int32_t> folds;
    int32_t k = 0;
    const std::string problem = make_folds(full, request, folds, k);
    if (!problem.empty()) {
        fail(trail, where, problem.c_str());
        return report(full, trail);
    }

    const int G = full.grid_size;
    std::vector<double> loss(static_cast<std::size_t>(k) * G, 0.0);
    std::vector<double> weight(static_cast<std::size_t>(k), 0.0);
    for (int32_t j = 1; j <= k; ++j) {
        const rows train = take_rows(full, folds, j, false);
        fold_outputs o;
        runscad_arguments a = fold_call(full, train, o, grid.data());
        a.option_vector = options;
        run_scad_call(a);
        if (o.flag != 0) return report_fold_failure(full, o, j, k);
        add_held_out_losses(full, take_rows(full, folds, j, true), o,
                            static_cast<std::size_t>(j - 1), loss, weight[j - 1]);
    }

    const cv_table table = summarize_cv(loss, weight, G);
    const int pick = pick_cv(table, G, request.rule);
    if (pick < 0) {
        fail(trail, where, "The cross-validation error is not a finite number at any grid value.");
        return report(full, trail);
    }
    runscad_arguments last = full;
    last.option_vector = options;
    last.given_grid = grid.data();
    last.given_best = pick + 1;
    last.given_criterion = table.error.data();
    *last.min_lambda = QUILL_MAX_LAMBDA_AUTOMATIC;  // the grid is given; both ends are outputs
    *last.max_lambda = QUILL_MAX_LAMBDA_AUTOMATIC;
    run_scad_call(last);
    if (*full.error_flag != 0) return;

    const std::size_t b = static_cast<std::size_t>(*full.best_index_out - 1);
    *full.criterion_out = table.error[b];
    outcome.folds = k;
    outcome.se = table.se[b];
    if (full.table != nullptr) {
        if (full.table->cv_error) std::copy(table.error.begin(), table.error.end(), full.table->cv_error);
        if (full.table->cv_se) std::copy(table.se.begin(), table.se.end(), full.table->cv_se);
    }
}

}  // namespace quill::engine
