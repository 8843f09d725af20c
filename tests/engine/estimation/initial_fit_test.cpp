#include "estimation/initial_fit.h"

#include <gtest/gtest.h>

#include "estimation_fixture.h"

namespace quill::engine {
namespace {

using namespace testing;

constexpr const char* where = "OCCURRED IN: run_calculate_scad_initialfit in MOD scad_types";

TEST(InitialFit, NormalModelIsLeastSquaresWithResidualVarianceOverNMinusP) {
    const data_set d = synthetic(10, {1.0, 2.0, -1.5, 0.5}, model::normal, 0.5);
    scad_session s;
    load(s, d);
    error_trail t;
    ASSERT_EQ(run_calculate_scad_initialfit(s, t), 0);
    EXPECT_FALSE(s.initialfit.is_null);
    EXPECT_FALSE(s.initialfit.singular);
    const std::vector<double> x = design_of(s);
    const std::vector<double> b = ols(x, d.y, d.n, d.p + 1);
    double rss = 0.0;
    for (int i = 0; i < d.n; ++i) {
        double fitted = 0.0;
        for (int j = 0; j <= d.p; ++j) fitted += x[static_cast<std::size_t>(j) * d.n + i] * b[j];
        EXPECT_NEAR(s.initialfit.mu(i + 1), fitted, 1e-8);
        rss += (d.y[i] - fitted) * (d.y[i] - fitted);
    }
    for (int j = 0; j <= d.p; ++j) EXPECT_NEAR(s.initialfit.beta(j + 1), b[j], 1e-8);
    EXPECT_NEAR(s.initialfit.sigma2, rss / 7.0, 1e-10);  // n - p = 10 - 3
}

TEST(InitialFit, LogisticAndPoissonFitsAreMaximumLikelihood) {
    for (const model m : {model::logistic, model::poisson}) {
        const data_set d = synthetic(300, {0.3, 0.8, -0.6, 0.4}, m);
        options o;
        o.type = m;
        scad_session s;
        load(s, d, o);
        error_trail t;
        ASSERT_EQ(run_calculate_scad_initialfit(s, t), 0);
        const std::vector<double> b = irls(design_of(s), d.y, d.n, d.p + 1, m);
        for (int j = 0; j <= d.p; ++j)
            EXPECT_NEAR(s.initialfit.beta(j + 1), b[j], 1e-7) << static_cast<int>(m) << " " << j;
        double expected = 0.0;
        for (int i = 1; i <= d.n; ++i) {
            const double mu = s.initialfit.mu(i);
            expected += m == model::logistic ? (1.0000000001 - mu) * (mu + double(1e-10f))
                                             : mu + double(1e-10f);
        }
        EXPECT_DOUBLE_EQ(s.initialfit.sigma2, expected / d.n);
    }
}

TEST(InitialFit, TooManyPredictorsOrASingularDesignFail) {
    // p = n: refused before any solving.
    data_set d = synthetic(6, {0, 1, 1, 1, 1, 1, 1}, model::normal);
    scad_session s;
    load(s, d);
    error_trail t;
    EXPECT_EQ(run_calculate_scad_initialfit(s, t), -1);
    EXPECT_TRUE(s.initialfit.singular);
    EXPECT_EQ(lines_of(t), (std::vector<std::string>{
                               "The full model has more parameters than there are "
                               "observations (too many",
                               "predictors and/or too many classes).", where}));
    EXPECT_TRUE(s.is_null);

    // p = n - 1 with an intercept column: the solver's own rule (k >= n) calls it singular.
    d = synthetic(6, {0, 1, 1, 1, 1, 1}, model::normal);
    scad_session s2;
    load(s2, d);
    error_trail t2;
    EXPECT_EQ(run_calculate_scad_initialfit(s2, t2), -1);
    EXPECT_TRUE(s2.initialfit.singular);
    const std::vector<std::string> lines = lines_of(t2);
    EXPECT_EQ(lines[lines.size() - 2],
              "The design matrix is singular (some of the predictors are redundant).");
    EXPECT_EQ(lines.back(), where);

    // p = n - 1 without an intercept column proceeds.
    options o;
    o.intercept_mode = 1;
    scad_session s3;
    load(s3, d, o);
    error_trail t3;
    EXPECT_EQ(run_calculate_scad_initialfit(s3, t3), 0);
}

}  // namespace
}  // namespace quill::engine
