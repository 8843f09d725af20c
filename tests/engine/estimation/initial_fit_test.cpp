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

// x3 of d made a slope whose maximum-likelihood estimate is small but not 0: a noise column
// with its part along e = y - mu0 (mu0 the fit without it) removed, then eps * e added back.
void give_small_slope(data_set& d, model m, double eps) {
    const int n = d.n;
    std::vector<double> x(static_cast<std::size_t>(n) * 3, 1.0);
    std::copy(d.x.begin(), d.x.begin() + 2 * n, x.begin() + n);
    const std::vector<double> b = irls(x, d.y, n, 3, m);
    std::vector<double> e(n);
    double ee = 0.0, ve = 0.0;
    std::mt19937 gen(5);
    std::normal_distribution<double> z;
    std::vector<double> v(n);
    for (int i = 0; i < n; ++i) {
        const double eta = b[0] + b[1] * x[n + i] + b[2] * x[2 * n + i];
        e[i] = d.y[i] - (m == model::logistic ? 1.0 / (1.0 + std::exp(-eta)) : std::exp(eta));
        v[i] = z(gen);
        ee += e[i] * e[i];
        ve += v[i] * e[i];
    }
    for (int i = 0; i < n; ++i) d.x[static_cast<std::size_t>(2) * n + i] = v[i] - ve / ee * e[i] + eps * e[i];
}

TEST(InitialFit, KeepsEveryCoefficientHoweverSmall) {
    // A slope of 0.001 to 0.004 on the standardized scale, below the grid fits' final 0.005:
    // the unpenalized fit is the maximum-likelihood one all the same.
    for (const model m : {model::logistic, model::poisson}) {
        // The slope grows in proportion to eps: a first try sets the eps that gives 0.0025.
        double eps = 0.02;
        std::vector<double> b;
        data_set d;
        scad_session s;
        for (int attempt = 0; attempt < 2; ++attempt) {
            d = synthetic(300, {0.3, 0.8, -0.6, 0.0}, m, 1.0, 9);
            give_small_slope(d, m, eps);
            options o;
            o.type = m;
            load(s, d, o);
            b = irls(design_of(s), d.y, d.n, d.p + 1, m);
            eps *= 0.0025 / b[3];
        }
        error_trail t;
        ASSERT_EQ(run_calculate_scad_initialfit(s, t), 0);
        ASSERT_GT(std::fabs(b[3]), 0.001) << static_cast<int>(m);
        ASSERT_LT(std::fabs(b[3]), 0.004) << static_cast<int>(m);
        for (int j = 0; j <= d.p; ++j)
            EXPECT_NEAR(s.initialfit.beta(j + 1), b[j], 1e-7) << static_cast<int>(m) << " " << j;
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
