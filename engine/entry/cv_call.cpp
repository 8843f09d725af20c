// Cross-validation as one call. The full data is loaded and gives the grid; each fold's training
// rows are loaded as data of their own (standardized on their own, as a fit that never saw the
// held-out rows would be), fitted at that grid without a covariance, and released before the
// next fold; the full data is then loaded again and fits the path with the selection given. Only
// one session lives at a time: keeping the full data's through the folds would save one load and
// initial fit but hold a second standardized copy of the design.
#include "cv_call.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "argument_checks.h"
#include "cv_folds.h"
#include "estimation/cross_validation.h"
#include "estimation/grid_search.h"
#include "estimation/initial_fit.h"
#include "fit_stages.h"
#include "message_codes.h"
#include "support/error_trail.h"
#include "support/fit_progress.h"
#include "support/thread_team.h"
#include "support/trace_lines.h"

namespace quill::engine {

namespace {

constexpr const char* where = "quill_fit in MOD scad_types";
constexpr uint8_t byte_true = 0xFF;

// The folds of the call, or why there are none.
std::string make_folds(const fit_request& full, std::vector<int32_t>& folds, int32_t& k) {
    const quill_fit_data& d = full.data;
    const quill_fit_controls& c = full.controls;
    if (d.folds != nullptr) return take_folds(d.n, d.folds, d.weights, c.cv_folds, folds, k);
    int32_t used = 0;
    for (int32_t i = 0; i < d.n; ++i) used += d.weights == nullptr || d.weights[i] > 0.0 ? 1 : 0;
    std::string problem = cv_fold_count(c.cv_folds, used, k);
    if (problem.empty()) folds = draw_folds(d.n, d.weights, k, c.cv_seed);
    return problem;
}

// A fold's path: its training rows loaded as the call's own data would be, fitted at the full
// data's grid (units of the response) without the covariance, read in the units of the data.
int fit_fold(const fit_request& full, const double* grid, const cv_rows& train, fold_path& path,
             error_trail& trail) {
    fit_request a = full;
    a.data.n = train.n;
    a.data.x = train.x.data();
    a.data.y = train.y.data();
    a.data.weights = full.data.weights != nullptr ? train.w.data() : nullptr;
    a.data.offset = full.data.offset != nullptr ? train.offset.data() : nullptr;
    a.controls.min_lambda = QUILL_MAX_LAMBDA_AUTOMATIC;
    a.controls.max_lambda = QUILL_MAX_LAMBDA_AUTOMATIC;
    const int G = a.controls.grid_size;
    loaded_fit f;
    if (load_fit(a, f, trail) != 0 || run_calculate_scad_initialfit(f.session, trail) != 0 ||
        set_given_grid(G, grid, f, trail) != 0 ||
        run_calculate_scad_stdresults(f.session, trail, {.covariance = false}) != 0 ||
        run_calculate_scad_unstdresults(f.session, trail) != 0)
        return -1;
    // Column 1 of the stored path on the input scale is the intercept's.
    const dbl2& betas = f.session.unstdresults.betas;
    const int p = a.data.p;
    path.first_fitted = f.session.stdresults.first_fitted;
    path.fitted = f.session.stdresults.fitted;
    path.intercept.assign(static_cast<std::size_t>(G), 0.0);
    path.beta.assign(static_cast<std::size_t>(G) * static_cast<std::size_t>(p), 0.0);
    for (int g = path.first_fitted; g <= path.fitted; ++g) path.intercept[g - 1] = f.scale.value(betas(g, 1));
    for (int j = 1; j <= p; ++j)
        for (int g = 1; g <= G; ++g)
            path.beta[static_cast<std::size_t>(g - 1) + static_cast<std::size_t>(j - 1) * G] =
                betas(g, j + 1) * f.scale.s;
    return 0;
}

// The table's cv_min and cv_1se: each rule's pick, a pick outside the full fit's fitted run being
// the nearest fitted value (which has the same fit), as the selection takes it.
void mark_cv_picks(const quill_grid_table& out, const cv_table& table, const uint8_t* fitted,
                   int G) {
    int first = 0;  // 0-based; the descent path leaves the bottom unfitted where it saturated
    while (first < G - 1 && fitted[first] == 0) ++first;
    int last = first;
    while (last < G && fitted[last] != 0) ++last;
    const struct {
        uint8_t* column;
        int32_t rule;
    } rules[] = {{out.cv_min, QUILL_CV_RULE_MIN}, {out.cv_1se, QUILL_CV_RULE_1SE}};
    for (const auto& r : rules) {
        if (r.column == nullptr) continue;
        std::fill(r.column, r.column + G, 0);
        const int pick = pick_cv(table, G, r.rule);
        if (pick >= 0) r.column[std::clamp(pick, first, std::max(last, first + 1) - 1)] = byte_true;
    }
}

// The full data's fit at the selected grid value, read out with the CV table beside it.
int fit_selected(const fit_request& a, const std::vector<double>& grid, const cv_table& table,
                 int pick, loaded_fit& f, error_trail& trail) {
    // The rules' picks are read against the full fit's early stop, so its table always has a
    // fitted column (the caller's, or this one).
    const int G = a.controls.grid_size;
    const quill_grid_table* out = a.out.table;
    std::vector<uint8_t> fitted(static_cast<std::size_t>(G), 0);
    quill_grid_table with_fitted = out != nullptr ? *out : quill_grid_table{};
    if (with_fitted.fitted == nullptr) with_fitted.fitted = fitted.data();
    fit_request last = a;
    last.out.table = &with_fitted;
    if (set_given_grid(G, grid.data(), f, trail) != 0 ||
        run_calculate_scad_stdresults(
            f.session, trail, {.given_best = pick + 1, .given_criterion = table.error.data()}) != 0 ||
        run_calculate_scad_unstdresults(f.session, trail) != 0 ||
        read_out(last, grid.data(), f, trail) != 0)
        return -1;

    const std::size_t b = static_cast<std::size_t>(*a.out.best_index - 1);
    *a.out.criterion = table.error[b];
    if (a.out.cv_se != nullptr) *a.out.cv_se = table.se[b];
    if (out != nullptr) {
        if (out->cv_error) std::copy(table.error.begin(), table.error.end(), out->cv_error);
        if (out->cv_se) std::copy(table.se.begin(), table.se.end(), out->cv_se);
        mark_cv_picks(*out, table, with_fitted.fitted, G);
    }
    return 0;
}

// The call from the loaded full data on; the threads are running.
// The full data's grid in the units of the response. Its session is released on return, so
// that a fold's data and session never sit beside the full data's.
int full_grid(const fit_request& a, std::vector<double>& grid, error_trail& trail) {
    loaded_fit f;
    dbl1 lambda;
    if (load_fit(a, f, trail) != 0 || run_calculate_scad_initialfit(f.session, trail) != 0 ||
        run_calculate_scad_Lgrid(f.session, trail) != 0 ||
        read_grid(a, nullptr, f, lambda, trail) != 0)
        return -1;
    grid.assign(lambda.data(), lambda.data() + a.controls.grid_size);
    return 0;
}

int cross_validate_call(const fit_request& a, error_trail& trail) {
    const int G = a.controls.grid_size;
    std::vector<double> grid;
    if (full_grid(a, grid, trail) != 0) return -1;

    std::vector<int32_t> folds;
    int32_t k = 0;
    const std::string problem = make_folds(a, folds, k);
    if (!problem.empty()) return fail(trail, where, problem.c_str());
    const quill_fit_data& d = a.data;
    const cv_data data{.n = d.n, .p = d.p, .model_type = a.controls.model_type, .x = d.x,
                       .y = d.y, .weights = d.weights, .offset = d.offset};
    const fold_fit fit = [&](const cv_rows& train, fold_path& path, error_trail& t) {
        return fit_fold(a, grid.data(), train, path, t);
    };
    cv_table table;
    const int32_t failed = cross_validate(data, folds, k, G, fit, table, trail);
    if (failed != 0) {
        const std::string sentence = "The fit without fold " + std::to_string(failed) + " of " +
                                     std::to_string(k) + " failed.";
        return fail(trail, where, sentence.c_str());
    }
    const int pick = pick_cv(table, G, a.controls.cv_rule);
    if (pick < 0)
        return fail(trail, where, "The cross-validation error is not a finite number at any grid value.");
    loaded_fit f;
    if (load_fit(a, f, trail) != 0 || run_calculate_scad_initialfit(f.session, trail) != 0 ||
        fit_selected(a, grid, table, pick, f, trail) != 0)
        return -1;
    if (a.out.cv_folds != nullptr) *a.out.cv_folds = k;
    return 0;
}

}  // namespace

void run_cross_validation(const fit_request& full) {
    if (!open_call(full.out)) return;
    error_trail trail;
    const int32_t rule = full.controls.cv_rule;
    if (rule != QUILL_CV_RULE_MIN && rule != QUILL_CV_RULE_1SE) {
        fail(trail, where, "Invalid input for cv_rule");
        return report_failure(full.out, trail);
    }
    // Every fit selects by BIC; the full data's last fit has the selection given.
    fit_request a = full;
    a.controls.selection = QUILL_SELECTION_BIC;
    if (check_intercept_mode(a.controls.intercept_mode, trail) != 0 ||
        check_fit_request(a, trail) != 0)
        return report_failure(full.out, trail);
    const trace_lines_scope trace(a.controls.trace != 0);
    const progress_scope progress(a.controls.progress, a.controls.progress_context,
                                  a.controls.grid_size);
    // The worker threads live for this call only: started once for every fold.
    const thread_team_scope team(engine_thread_count(a.controls.threads));
    if (cross_validate_call(a, trail) != 0) report_failure(full.out, trail);
}

}  // namespace quill::engine
