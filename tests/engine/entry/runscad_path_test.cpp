// runscad_path: runscad's results and, per grid value, a table that agrees with them on the
// selected row and holds NaN for what does not exist.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "estimation_fixture.h"
#include "runscad_call.h"

namespace quill::engine {
namespace {

using testing_support::runscad_call;

// 60 observations of three predictors, the last without effect; PROJECTION df, 10 grid values.
runscad_call model_call(int32_t model) {
    const testing::data_set d = testing::synthetic(60, {0.3, 0.8, -0.5, 0.0},
                                                   static_cast<testing::model>(model), 1.0, 17);
    runscad_call c = runscad_call::on(d.n, d.p, d.x, d.y, model);
    c.grid_size = 10;
    c.options = {0, 0, 1, 10, 250, 0, 0, 0};
    return c;
}

auto outputs(const runscad_call& c) {
    return std::tuple(c.beta, c.se, c.path, c.intercept, c.intercept_se, c.lambda, c.criterion,
                      c.min_lambda, c.max_lambda, c.simple_df, c.df, c.best, c.num_iter,
                      c.converged, c.at_min, c.at_max);
}

TEST(RunscadPath, SameResultsAsRunscadAndTheSelectedRowAgreesWithThem) {
    const int32_t cases[][3] = {{0, 0, 1}, {0, 1, 0}, {1, 0, 1}, {2, 0, 0}};  // model, GCV, PROJ
    for (const auto& [model, selection, dfformula] : cases) {
        runscad_call plain = model_call(model);
        plain.options[1] = selection;
        plain.options[2] = dfformula;
        runscad_call path = plain;
        plain.run();
        path.run_path();
        ASSERT_FALSE(path.failed()) << path.text();
        EXPECT_EQ(outputs(plain), outputs(path));

        const runscad_call::grid_table& t = path.table;
        const int b = path.best - 1;
        EXPECT_EQ(std::tuple(t.lambda[0], t.lambda[9], t.lambda[b], t.simple_df[b], t.num_iter[b],
                             t.converged[b], t.intercept[b]),
                  std::tuple(path.min_lambda, path.max_lambda, path.lambda, path.simple_df,
                             path.num_iter, path.converged, path.intercept));
        EXPECT_EQ(selection == 0 ? t.bic[b] : t.gcv[b], path.criterion);
        EXPECT_EQ(dfformula == 1 ? static_cast<int32_t>(t.effective_df[b]) : 0, path.df);
        for (int j = 0; j < path.p; ++j)  // every predictor's column, the last included
            EXPECT_EQ(path.path[b + static_cast<std::size_t>(j) * 10], path.beta[j]) << j;
        for (int g = 0; g < 10; ++g) {
            EXPECT_EQ(t.fitted[g], 0xFF);
            EXPECT_EQ(std::isnan(t.effective_df[g]), dfformula == 0) << g;
            EXPECT_EQ(std::isnan(t.gcv[g]), model != 0) << g;
            EXPECT_TRUE(std::isfinite(t.bic[g] + t.aic[g])) << g;
        }
    }
}

TEST(RunscadPath, GridValuesAfterTheEarlyStopHaveNoCriteriaAndAFailureNoTable) {
    // A centred response has no intercept column: a large lambda zeroes every coefficient and
    // the loop stops there.
    runscad_call c = model_call(0);
    c.options[7] = 1;
    c.min_lambda = 0.01;
    c.max_lambda = 5000.0;
    c.run_path();
    ASSERT_FALSE(c.failed()) << c.text();
    const runscad_call::grid_table& t = c.table;
    int stop = 0;
    while (stop < 9 && t.fitted[stop + 1]) ++stop;
    ASSERT_LT(stop, 9);
    double mean = 0.0;
    for (double v : c.y) mean += v / c.n;
    EXPECT_EQ(t.simple_df[stop], 0);
    EXPECT_NEAR(t.intercept[stop], mean, 1e-12);
    for (int g = stop + 1; g < 10; ++g) {
        EXPECT_TRUE(std::isnan(t.bic[g]) && std::isnan(t.aic[g]) && std::isnan(t.gcv[g]) &&
                    std::isnan(t.effective_df[g]));
        EXPECT_EQ(std::tuple(t.fitted[g], t.intercept[g], t.simple_df[g], t.num_iter[g],
                             t.converged[g], c.path[g]),
                  std::tuple(0, 0.0, 0, 0, 0, 0.0));
    }

    runscad_call failing = model_call(1);
    failing.options[1] = 1;  // GCV with a logistic model fails after the whole grid
    failing.run_path();
    ASSERT_TRUE(failing.failed());
    EXPECT_EQ(failing.table.bic, std::vector<double>(10, -99.0));
}

TEST(RunscadPath, EffectiveDfAtANegligibleLambdaCountsTheNonzeroCoefficients) {
    // Before, the logistic and Poisson df left out the weights of the information matrix.
    for (int32_t model : {0, 1, 2}) {
        runscad_call c = model_call(model);
        c.grid_size = c.options[3] = 1;
        c.min_lambda = 1e-8;
        c.run_path();
        ASSERT_FALSE(c.failed()) << c.text();
        EXPECT_GE(c.simple_df, 3) << model;  // the intercept and two predictors at least
        EXPECT_EQ(c.df, c.simple_df) << model;
        EXPECT_NEAR(c.table.effective_df[0], c.simple_df, 1e-9) << model;
    }
}

}  // namespace
}  // namespace quill::engine
