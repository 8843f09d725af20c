// ALGORITHM ICM with an intercept (the descent path): the stationarity (KKT) conditions of the
// penalized objective at every fitted grid value and on every column, for the three models with
// weights, forced-in columns and an offset; ncvreg's solution where the objective is convex and
// ncvreg's selection with more columns than observations (oracle/descent_path.R); the stop where
// the model saturates; the same bits on one and two threads.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "kkt_check.h"
#include "quill_fit_call.h"
#include "synthetic_data.h"

namespace quill::engine {
namespace {

#include "oracle/descent_path.inc"

using testing_support::kkt_violation;
using testing_support::quill_fit_call;

quill_fit_call descent_call(int n, int p, const double* x, const double* y, int32_t model,
                            int32_t grid) {
    quill_fit_call c(n, p, std::vector<double>(x, x + static_cast<std::size_t>(n) * p),
                     std::vector<double>(y, y + n), model, grid);
    c.controls.algorithm = QUILL_ALGORITHM_ICM;
    c.controls.dfformula = QUILL_DF_COUNT;
    c.controls.tolerance = 1e-12;
    return c;
}

int fitted_count(const quill_fit_call& c) {
    int k = 0;
    for (uint8_t f : c.fitted) k += f != 0 ? 1 : 0;
    return k;
}

TEST(DescentPath, SolvesTheConvexObjectiveAsNcvfitDoesAndMeetsItsConditions) {
    quill_fit_call c = descent_call(convex_n, convex_p, convex_x, convex_y, QUILL_MODEL_NORMAL,
                                    convex_G);
    c.controls.min_lambda = convex_min_lambda;
    c.controls.max_lambda = convex_max_lambda;
    c.run();
    ASSERT_FALSE(c.failed()) << c.text();
    expect_path_solution(c, convex_path, 1e-8);
}

TEST(DescentPath, MeetsTheConditionsForEveryModelWithWeightsForcedInColumnsAndAnOffset) {
    for (int32_t model : {QUILL_MODEL_NORMAL, QUILL_MODEL_LOGISTIC, QUILL_MODEL_POISSON}) {
        const bench::synthetic_data d =
            bench::make_synthetic_data(static_cast<bench::model>(model), 150, 12, 7 + model);
        quill_fit_call c = descent_call(d.n, d.p, d.x.data(), d.y.data(), model, 30);
        c.forcein[4] = 1;
        c.weights.resize(d.n);
        c.offset.resize(d.n);
        for (int i = 0; i < d.n; ++i) {
            c.weights[i] = 1 + i % 3;
            c.offset[i] = 0.1 * ((i % 5) - 2);
        }
        c.run();
        ASSERT_FALSE(c.failed()) << model << ": " << c.text();
        ASSERT_GE(fitted_count(c), 20) << model;
        for (int g = 0; g < 30; ++g)
            if (c.fitted[g] && c.converged[g]) {
                EXPECT_LT(kkt_violation(c, g), 1e-8) << model << " " << g;
            }
    }
}

// Logistic and Poisson columns have curvature well below 1 / (a - 1), where the objective is not
// convex along a coordinate: every fit down the path still converges and meets the conditions.
TEST(DescentPath, MeetsTheConditionsWhereACoordinateIsNotConvex) {
    const struct { int32_t model; int n, p, seed; } cases[] = {
        {QUILL_MODEL_LOGISTIC, 90, 40, 5}, {QUILL_MODEL_LOGISTIC, 60, 5, 9},
        {QUILL_MODEL_LOGISTIC, 60, 19, 2}, {QUILL_MODEL_POISSON, 70, 61, 17},
        {QUILL_MODEL_POISSON, 40, 12, 28}};
    for (const auto& k : cases) {
        const bench::synthetic_data d =
            bench::make_synthetic_data(static_cast<bench::model>(k.model), k.n, k.p, k.seed);
        quill_fit_call c = descent_call(d.n, d.p, d.x.data(), d.y.data(), k.model, 50);
        c.controls.tolerance = 1e-9;
        c.controls.a = 2.5;
        c.run();
        ASSERT_FALSE(c.failed()) << k.seed << ": " << c.text();
        for (int g = 0; g < 50; ++g)
            if (c.fitted[g]) {
                EXPECT_NE(c.converged[g], 0) << k.seed << " " << g;
                EXPECT_LT(kkt_violation(c, g), 1e-8) << k.seed << " " << g;
            }
    }
}

TEST(DescentPath, SelectsNcvregsSupportWithMoreColumnsThanObservations) {
    for (int32_t selection : {QUILL_SELECTION_BIC, QUILL_SELECTION_EBIC}) {
        quill_fit_call c = descent_call(wide_n, wide_p, wide_x, wide_y, QUILL_MODEL_NORMAL, 100);
        c.controls.selection = selection;
        c.controls.ebic_gamma = 0.5;
        c.run();
        ASSERT_FALSE(c.failed()) << c.text();
        std::vector<int> support;
        for (int j = 0; j < wide_p; ++j)
            if (c.beta[j] != 0.0) support.push_back(j + 1);
        EXPECT_EQ(support, std::vector<int>(std::begin(wide_support), std::end(wide_support)));
        for (int j : support) EXPECT_GT(c.se[j - 1], 0.0);
    }
    // The logistic case separates the data: the path stops before its bottom, and every fit
    // meets its conditions.
    quill_fit_call l = descent_call(logistic_n, logistic_p, logistic_x, logistic_y,
                                    QUILL_MODEL_LOGISTIC, 100);
    l.run();
    ASSERT_FALSE(l.failed()) << l.text();
    for (int g = 0; g < 100; ++g)
        if (l.fitted[g] && l.converged[g]) {
            EXPECT_LT(kkt_violation(l, g), 1e-8) << g;
        }
    EXPECT_EQ(l.fitted[0], 0);
    EXPECT_NE(l.fitted[99], 0);
}

TEST(DescentPath, StopsWhereTheModelSaturates) {
    // Noise only, 30 columns for 20 observations: the path reaches 19 nonzero columns (or an
    // exact fit) and stops there; below it nothing is fitted and nothing is reported.
    const bench::synthetic_data d = bench::make_synthetic_data(bench::model::normal, 20, 30, 3);
    quill_fit_call c = descent_call(d.n, d.p, d.x.data(), d.y.data(), QUILL_MODEL_NORMAL, 50);
    c.controls.min_lambda = 1e-6;
    c.run();
    ASSERT_FALSE(c.failed()) << c.text();
    int first = 0;
    while (first < 50 && c.fitted[first] == 0) ++first;
    ASSERT_GT(first, 0);
    ASSERT_LT(first, 50);
    for (int g = first; g < 50; ++g) EXPECT_NE(c.fitted[g], 0) << g;
    EXPECT_TRUE(std::isnan(c.bic[first - 1]));
    EXPECT_GE(c.result.best_index, first + 1);
    // Above the stop the model is not yet saturated.
    EXPECT_LT(c.simple_df[first + 1] - 1, d.n - 1);

    // Cross-validated, each rule's pick is a fitted grid value and the reported fit is it: the
    // unfitted bottom of the grid is never picked.
    for (int32_t rule : {QUILL_CV_RULE_MIN, QUILL_CV_RULE_1SE}) {
        quill_fit_call v = descent_call(d.n, d.p, d.x.data(), d.y.data(), QUILL_MODEL_NORMAL, 50);
        v.controls.min_lambda = 1e-6;
        v.controls.selection = QUILL_SELECTION_CV;
        v.controls.cv_folds = 5;
        v.controls.cv_rule = rule;
        v.run();
        ASSERT_FALSE(v.failed()) << v.text();
        const std::vector<uint8_t>& picks = rule == QUILL_CV_RULE_MIN ? v.cv_min : v.cv_1se;
        int marked = -1, count = 0;
        for (int g = 0; g < 50; ++g)
            if (picks[g] != 0) marked = g, ++count;
        ASSERT_EQ(count, 1) << rule;
        EXPECT_NE(v.fitted[marked], 0) << rule;
        EXPECT_EQ(v.result.best_index, marked + 1) << rule;
    }
}

TEST(DescentPath, GivesTheSameBitsOnOneAndTwoThreads) {
    quill_fit_call runs[2] = {
        descent_call(wide_n, wide_p, wide_x, wide_y, QUILL_MODEL_NORMAL, 40),
        descent_call(wide_n, wide_p, wide_x, wide_y, QUILL_MODEL_NORMAL, 40)};
    runs[1].controls.threads = 2;
    for (quill_fit_call& c : runs) {
        c.run();
        ASSERT_FALSE(c.failed()) << c.text();
    }
    EXPECT_EQ(runs[0].path, runs[1].path);
    EXPECT_EQ(runs[0].intercept, runs[1].intercept);
    EXPECT_EQ(runs[0].bic, runs[1].bic);
}

}  // namespace
}  // namespace quill::engine
