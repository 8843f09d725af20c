// The progress callback of quill_fit: on each kind of path (LQA from the unpenalized fit with
// REFIT, LQA from the previous fit on a full-path grid, the descent path, cross-validation) the
// results are the same bits with and without it, every report comes from the calling thread, the
// passes of each fit and the call's total only grow and add up, the grid values are reported in
// the order the fits run with the table's lambda (in the units of the response) and its passes,
// and the stages and folds come in the order the call runs them. An older caller's controls,
// which end before the callback, are never called back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "quill_fit_call.h"
#include "synthetic_data.h"

namespace quill::engine {
namespace {

using testing_support::quill_fit_call;

struct recorded {
    quill_fit_progress report;
    std::thread::id thread;
};

void record(void* context, const quill_fit_progress* progress) {
    static_cast<std::vector<recorded>*>(context)->push_back({*progress, std::this_thread::get_id()});
}

struct path_case {
    const char* name;
    int32_t model, n, p;
    void (*set)(quill_fit_call&);
    std::set<int32_t> stages;  // the stages the call runs
    int folds;                 // cross-validation's k, else 0
};

const path_case cases[] = {
    {"LQA from the unpenalized fit, REFIT", QUILL_MODEL_LOGISTIC, 200, 8,
     [](quill_fit_call& c) { c.controls.refit = 1; },
     {QUILL_PROGRESS_START, QUILL_PROGRESS_GRID, QUILL_PROGRESS_REFIT}, 0},
    {"LQA from the previous fit, full path", QUILL_MODEL_POISSON, 200, 6,
     [](quill_fit_call& c) {
         c.controls.start = QUILL_START_PREVIOUS;
         c.controls.max_lambda = QUILL_MAX_LAMBDA_FULL;
     },
     {QUILL_PROGRESS_START, QUILL_PROGRESS_GRID_TOP, QUILL_PROGRESS_GRID}, 0},
    {"descent path", QUILL_MODEL_LOGISTIC, 150, 12,
     [](quill_fit_call& c) { c.controls.algorithm = QUILL_ALGORITHM_ICM; },
     {QUILL_PROGRESS_START, QUILL_PROGRESS_GRID}, 0},
    {"cross-validation, a response in thousands", QUILL_MODEL_NORMAL, 120, 6,
     [](quill_fit_call& c) {
         c.controls.selection = QUILL_SELECTION_CV;
         c.controls.cv_folds = 3;
         c.controls.cv_seed = 5;
         for (double& v : c.y) v *= 1000.0;
     },
     {QUILL_PROGRESS_START, QUILL_PROGRESS_GRID}, 3},
};

quill_fit_call make_call(const path_case& k) {
    const bench::synthetic_data d =
        bench::make_synthetic_data(static_cast<bench::model>(k.model), k.n, k.p, 11);
    quill_fit_call c(k.n, k.p, d.x, d.y, k.model, 15);
    c.controls.dfformula = QUILL_DF_COUNT;
    c.controls.threads = 2;
    k.set(c);
    return c;
}

void expect_same_bits(const quill_fit_call& a, const quill_fit_call& b) {
    const auto same = [](const auto& u, const auto& v) {
        return u.size() == v.size() && std::memcmp(u.data(), v.data(), u.size() * sizeof u[0]) == 0;
    };
    EXPECT_TRUE(same(a.beta, b.beta) && same(a.se, b.se) && same(a.path, b.path) &&
                same(a.lambda, b.lambda) && same(a.bic, b.bic) && same(a.intercept, b.intercept) &&
                same(a.num_iter, b.num_iter) && same(a.cv_error, b.cv_error) &&
                same(a.refit, b.refit));
    EXPECT_EQ(std::memcmp(&a.result.intercept, &b.result.intercept, sizeof(double)), 0);
}

// Each fit's passes grow from 0 and the call's total grows by as much; a fit resumed after one
// nested in it (the descent path's start, in its first grid value) goes on from where it was.
void expect_passes_add_up(const std::vector<recorded>& reports) {
    int64_t total = 0, fit_sum = 0;
    int32_t passes = 0, stage = -1, value = -1;
    for (const recorded& r : reports) {
        const quill_fit_progress& s = r.report;
        const bool same_fit = s.passes > 0 && s.stage == stage && s.grid_value == value;
        if (same_fit) {
            ASSERT_GT(s.passes, passes);
            EXPECT_EQ(s.total_passes - total, s.passes - passes);
        } else {
            fit_sum += passes;
            EXPECT_GE(s.total_passes - total, 0);
            EXPECT_LE(s.total_passes - total, s.passes);
        }
        if (s.max_passes > 0) {
            EXPECT_LE(s.passes, s.max_passes);
        }
        passes = s.passes, stage = s.stage, value = s.grid_value, total = s.total_passes;
    }
    EXPECT_EQ(total, fit_sum + passes);
}

// The full data's last path: the grid values in the order fitted, each with the table's lambda
// and its passes at its last report.
void expect_grid_reports(const std::vector<recorded>& reports, const quill_fit_call& c, bool down) {
    const int G = c.controls.grid_size;
    std::size_t from = 0;
    for (std::size_t i = 0; i < reports.size(); ++i) {
        const quill_fit_progress& s = reports[i].report;
        if (s.stage == QUILL_PROGRESS_GRID && s.passes == 0 && s.grid_value == 1) from = i;
    }
    std::vector<int32_t> last_passes(G + 1, -1);
    int32_t expected = 1;
    for (std::size_t i = from; i < reports.size(); ++i) {
        const quill_fit_progress& s = reports[i].report;
        if (s.stage != QUILL_PROGRESS_GRID) continue;
        ASSERT_EQ(s.fold, 0);
        if (s.passes == 0 && s.grid_value != expected - 1) {
            ASSERT_EQ(s.grid_value, expected++);
        }
        const int g = down ? G + 1 - s.grid_value : s.grid_value;
        EXPECT_NEAR(s.lambda, c.lambda[g - 1], 1e-12 * c.lambda[g - 1]) << g;
        last_passes[s.grid_value] = s.passes;
    }
    int fitted = 0;
    for (int g = 0; g < G; ++g) fitted += c.fitted[g] != 0;
    EXPECT_EQ(expected - 1, fitted);
    for (int step = 1; step <= fitted; ++step)
        EXPECT_EQ(last_passes[step], c.num_iter[down ? G - step : step - 1]) << step;
}

TEST(FitProgress, ReportsWhereEachPathIsWithoutChangingIt) {
    for (const path_case& k : cases) {
        SCOPED_TRACE(k.name);
        quill_fit_call plain = make_call(k), told = make_call(k);
        std::vector<recorded> reports;
        told.controls.progress = record;
        told.controls.progress_context = &reports;
        plain.run();
        told.run();
        ASSERT_FALSE(plain.failed()) << plain.text();
        ASSERT_FALSE(told.failed()) << told.text();
        expect_same_bits(plain, told);

        ASSERT_FALSE(reports.empty());
        EXPECT_EQ(reports.front().report.stage, QUILL_PROGRESS_START);
        std::set<int32_t> stages;
        std::vector<int32_t> folds{0};
        for (const recorded& r : reports) {
            EXPECT_EQ(r.thread, std::this_thread::get_id());
            EXPECT_EQ(r.report.size, sizeof(quill_fit_progress));
            EXPECT_EQ(r.report.grid_size, told.controls.grid_size);
            EXPECT_EQ(r.report.folds, r.report.fold > 0 || folds.size() > 1 ? k.folds : 0);
            stages.insert(r.report.stage);
            if (r.report.fold != folds.back()) folds.push_back(r.report.fold);
        }
        EXPECT_EQ(stages, k.stages);
        std::vector<int32_t> fold_order{0};
        for (int f = 1; f <= k.folds; ++f) fold_order.push_back(f);
        if (k.folds > 0) fold_order.push_back(0);
        EXPECT_EQ(folds, fold_order);
        expect_passes_add_up(reports);
        expect_grid_reports(reports, told, told.controls.algorithm == QUILL_ALGORITHM_ICM);
    }
}

TEST(FitProgress, AnOlderCallersControlsAreNeverCalledBack) {
    const path_case& k = cases[0];
    quill_fit_call current = make_call(k), older = make_call(k);
    current.run();
    older.controls.size = offsetof(quill_fit_controls, progress);
    older.controls.progress = [](void*, const quill_fit_progress*) { FAIL() << "called back"; };
    older.run();
    ASSERT_FALSE(older.failed()) << older.text();
    EXPECT_EQ(older.path, current.path);
}

}  // namespace
}  // namespace quill::engine
