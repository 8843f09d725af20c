// The module against the real engine: OUTBETAS, OUTERRS, OUTINFO and OUTPRED must hold, value
// for value, what runscad returns when called directly on a design built here independently.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "runscad_call.h"
#include "test_support.h"

namespace quill::proc::testing {
namespace {

using engine::testing_support::runscad_call;

runscad_call call_runscad(const std::vector<std::vector<double>> &columns, const std::vector<double> &y,
                          const std::vector<uint8_t> &forcein, int32_t model, int32_t selection,
                          int32_t dfformula, int32_t grid) {
    std::vector<double> x;
    for (const auto &c : columns) x.insert(x.end(), c.begin(), c.end());
    runscad_call f = runscad_call::on(static_cast<int32_t>(y.size()), static_cast<int32_t>(columns.size()),
                                      std::move(x), y, model);
    f.forcein = forcein;
    f.options = {0, selection, dfformula, grid, 250, 0, 0, 0};
    f.grid_size = grid;
    f.run_path();
    return f;
}

// Data: a numeric predictor, a three-level CLASS predictor given as text, a second numeric
// predictor; some rows have a missing predictor, one only a missing response.
struct sample {
    std::vector<double> x1, x2, y;
    std::vector<std::string> g;
};

sample make_sample(int32_t model, int n) {
    std::mt19937 random(11);
    std::normal_distribution<double> normal;
    sample s;
    const char *levels[] = {"b", "a", "c"};
    for (int i = 0; i < n; ++i) {
        const double x1 = normal(random), x2 = normal(random);
        const int level = i % 3;
        const double eta = 0.8 * x1 + (level == 1 ? 0.6 : level == 0 ? -0.4 : 0.0) + 0.1 * normal(random);
        double y = model == 0 ? 1.5 + eta + 0.3 * normal(random)
                 : model == 1 ? (eta + normal(random) > 0 ? 1 : 0)
                              : std::floor(std::exp(0.5 + 0.5 * eta) + 0.5);
        s.x1.push_back(i == 4 ? kMissing : x1);
        s.x2.push_back(x2);
        s.g.push_back(levels[level]);
        s.y.push_back(i == 7 ? kMissing : y);
    }
    return s;
}

void compare_with_direct_call(int32_t model, const char *dist, const char *selection, const char *df) {
    const int n = 90;
    const sample s = make_sample(model, n);
    fake_host h;
    h.set_data({num("y", s.y), num("x1", s.x1), chr("g", s.g), num("x2", s.x2)});
    h.model("y", {"x1", "g", "x2"});
    class_statement(h, {"g"});
    h.set_vars(h.proc(), slot_forcein, {"x2"});
    h.set_text(slot_dist, dist);
    h.set_text(slot_selection, selection);
    h.set_text(slot_df, df);
    h.set_number(slot_gridsize, 40);
    for (int slot : {slot_outbetas, slot_outerrs, slot_outinfo, slot_outpred}) h.request_output(slot, std::to_string(slot));
    const int32_t rc = h.run();

    // The same design built here: used rows; x1, g=A, g=B (C is the reference), x2.
    std::vector<std::vector<double>> columns(4);
    std::vector<double> y;
    std::vector<int> used;
    for (int i = 0; i < n; ++i) {
        if (std::isnan(s.x1[i]) || std::isnan(s.y[i])) continue;
        used.push_back(i);
        columns[0].push_back(s.x1[i]);
        columns[1].push_back(s.g[i] == "a" ? 1.0 : 0.0);
        columns[2].push_back(s.g[i] == "b" ? 1.0 : 0.0);
        columns[3].push_back(s.x2[i]);
        y.push_back(s.y[i]);
    }
    const runscad_call f = call_runscad(columns, y, {0, 0, 0, 1}, model, selection[0] == 'G',
                                        df[0] == 'P', 40);
    if (f.failed() && f.text().find("not available") != std::string::npos)
        GTEST_SKIP() << "the engine is not part of this build";
    ASSERT_EQ(f.error_flag, 0) << f.text();
    ASSERT_EQ(rc, 0);

    const std::vector<double> betas{f.intercept, f.beta[0], f.beta[1], f.beta[2], f.beta[3]};
    EXPECT_EQ(h.outputs.at("2").rows.at(0), betas);
    const std::vector<double> errs{f.intercept_se, f.se[0], f.se[1], f.se[2], f.se[3]};
    EXPECT_EQ(h.outputs.at("3").rows.at(0), errs);

    const written_dataset &info = h.outputs.at("4");
    EXPECT_EQ(info.value(0, "LAMBDA"), f.lambda);
    // The real effective df of the selected grid value, not runscad's integer part of it.
    if (df[0] == 'P') EXPECT_EQ(info.value(0, "EFFECTIVE_DF"), f.table.effective_df.at(f.best - 1));
    else EXPECT_TRUE(std::isnan(info.value(0, "EFFECTIVE_DF")));
    EXPECT_EQ(info.value(0, "SIMPLE_DF"), f.simple_df);
    EXPECT_EQ(info.value(0, "NUM_ITER"), f.num_iter);
    EXPECT_EQ(info.value(0, selection), f.criterion);
    EXPECT_EQ(info.value(0, "MIN_LAMBDA"), f.min_lambda);
    EXPECT_EQ(info.value(0, "MAX_LAMBDA"), f.max_lambda);
    const double grid = f.at_max ? (f.at_min ? 1 : 2) : (f.at_min ? 3 : 4);
    EXPECT_EQ(info.value(0, "GRID_STATUS"), grid);
    EXPECT_EQ(info.value(0, "CONVERGENCE_STATUS"), f.converged ? 1 : 2);

    const written_dataset &pred = h.outputs.at("5");
    ASSERT_EQ(pred.rows.size(), static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double got = pred.value(i, "PREDICTED");
        if (std::isnan(s.x1[i])) {
            EXPECT_TRUE(std::isnan(got)) << i;
            continue;
        }
        const double eta = f.intercept + f.beta[0] * s.x1[i] + (s.g[i] == "a" ? f.beta[1] : 0.0) +
                           (s.g[i] == "b" ? f.beta[2] : 0.0) + f.beta[3] * s.x2[i];
        const double mean = model == 0 ? eta : model == 1 ? 1.0 / (1.0 + std::exp(-eta)) : std::exp(eta);
        EXPECT_NEAR(got, mean, 1e-12 * (1 + std::fabs(mean))) << i;
    }
    EXPECT_TRUE(h.listing_has("Selected lambda:"));
}

TEST(EngineComparison, NormalModelWithClassAndForcein) { compare_with_direct_call(0, "NORMAL", "BIC", "COUNT"); }
TEST(EngineComparison, NormalModelByGcv) { compare_with_direct_call(0, "GAUSSIAN", "GCV", "PROJECTION"); }
TEST(EngineComparison, LogisticModel) { compare_with_direct_call(1, "LOGISTIC", "BIC", "PROJECTION"); }
TEST(EngineComparison, PoissonModel) { compare_with_direct_call(2, "POISSON", "BIC", "PROJ"); }

} // namespace
} // namespace quill::proc::testing
