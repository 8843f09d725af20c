// runscad end to end on small data whose answers are computed independently here: ordinary
// least squares at lambda 0, the criteria, the boundary flags, and every failure sentence that
// the call's arguments can reach.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <random>
#include <string>
#include <vector>

#include "runscad_call.h"
#include "support/fault_injector.h"

namespace quill::engine {
namespace {

using testing_support::runscad_call;

// Solves the symmetric system A z = b (m x m, row-major) by Gaussian elimination with pivoting.
std::vector<double> solve(std::vector<double> A, std::vector<double> b) {
    const std::size_t m = b.size();
    for (std::size_t c = 0; c < m; ++c) {
        std::size_t piv = c;
        for (std::size_t r = c + 1; r < m; ++r)
            if (std::fabs(A[r * m + c]) > std::fabs(A[piv * m + c])) piv = r;
        for (std::size_t k = 0; k < m; ++k) std::swap(A[c * m + k], A[piv * m + k]);
        std::swap(b[c], b[piv]);
        for (std::size_t r = c + 1; r < m; ++r) {
            const double f = A[r * m + c] / A[c * m + c];
            for (std::size_t k = c; k < m; ++k) A[r * m + k] -= f * A[c * m + k];
            b[r] -= f * b[c];
        }
    }
    std::vector<double> z(m);
    for (std::size_t c = m; c-- > 0;) {
        double s = b[c];
        for (std::size_t k = c + 1; k < m; ++k) s -= A[c * m + k] * z[k];
        z[c] = s / A[c * m + c];
    }
    return z;
}

// Ordinary least squares on the input scale: coefficients, standard errors (divisor n - k),
// residual sum of squares. With an intercept it comes first.
struct ols_fit {
    std::vector<double> coef, se;
    double rss = 0.0;
};

ols_fit ordinary_least_squares(const runscad_call& c, bool intercept) {
    const int n = c.n, p = c.p, k = p + (intercept ? 1 : 0);
    auto column = [&](int j, int i) {
        if (intercept) return j == 0 ? 1.0 : c.x[(j - 1) * n + i];
        return c.x[j * n + i];
    };
    std::vector<double> xtx(k * k), xty(k);
    for (int a = 0; a < k; ++a) {
        for (int i = 0; i < n; ++i) xty[a] += column(a, i) * c.y[i];
        for (int b = 0; b < k; ++b)
            for (int i = 0; i < n; ++i) xtx[a * k + b] += column(a, i) * column(b, i);
    }
    ols_fit f;
    f.coef = solve(xtx, xty);
    for (int i = 0; i < n; ++i) {
        double fitted = 0.0;
        for (int a = 0; a < k; ++a) fitted += column(a, i) * f.coef[a];
        f.rss += (c.y[i] - fitted) * (c.y[i] - fitted);
    }
    const double sigma2 = f.rss / (n - k);
    for (int a = 0; a < k; ++a) {
        std::vector<double> unit(k, 0.0);
        unit[a] = 1.0;
        f.se.push_back(std::sqrt(sigma2 * solve(xtx, unit)[a]));
    }
    return f;
}

// One fit at lambda 0 only.
runscad_call at_lambda_zero() {
    runscad_call c;
    c.options[3] = 1;
    c.grid_size = 1;
    c.min_lambda = 0.0;
    c.max_lambda = 0.0;
    return c;
}

void expect_close(double got, double want, double rel, const char* what) {
    EXPECT_NEAR(got, want, rel * std::max(1.0, std::fabs(want))) << what;
}

TEST(RunscadFit, LambdaZeroIsOrdinaryLeastSquaresOnTheInputScale) {
    // Intercept fitted (mode 0) or response centred (mode 1) give the same model.
    for (int32_t mode : {0, 1}) {
        runscad_call c = at_lambda_zero();
        c.options[7] = mode;
        c.run();
        ASSERT_FALSE(c.failed()) << c.text();
        const ols_fit f = ordinary_least_squares(c, true);
        expect_close(c.intercept, f.coef[0], 1e-9, "intercept");
        expect_close(c.intercept_se, f.se[0], 1e-7, "intercept se");
        for (int j = 0; j < c.p; ++j) {
            expect_close(c.beta[j], f.coef[j + 1], 1e-9, "coefficient");
            expect_close(c.se[j], f.se[j + 1], 1e-7, "standard error");
            expect_close(c.path[j], f.coef[j + 1], 1e-9, "path at the one grid value");
        }
        EXPECT_EQ(c.lambda, 0.0);
        EXPECT_EQ(c.min_lambda, 0.0);
        EXPECT_EQ(c.max_lambda, 0.0);
        EXPECT_EQ(c.best, 1);
        EXPECT_EQ(c.converged, 0xFF);
        EXPECT_GE(c.num_iter, 1);
        EXPECT_EQ(c.df, 0);  // COUNT leaves the effective df at 0
        EXPECT_EQ(c.simple_df, mode == 0 ? 3 : 2);
    }
}

TEST(RunscadFit, CriterionOutIsTheSelectedCriterion) {
    runscad_call bic = at_lambda_zero();
    bic.run();
    ASSERT_FALSE(bic.failed()) << bic.text();
    const ols_fit f = ordinary_least_squares(bic, true);
    const double n = bic.n;
    // Mode 0 uses the short likelihood n ln(RSS / n); COUNT df is 3 with the intercept.
    expect_close(bic.criterion, n * std::log(f.rss / n) + 3.0 * std::log(n), 1e-9, "BIC");

    runscad_call gcv = at_lambda_zero();
    gcv.options[1] = 1;
    gcv.run();
    ASSERT_FALSE(gcv.failed()) << gcv.text();
    const double s = f.rss / n;
    const double d = 1.000000000000001 - 3.0 / n;
    expect_close(gcv.criterion, s / (d * d), 1e-9, "GCV");

    // A centred response uses the full likelihood, and its df has no intercept to count.
    runscad_call full = at_lambda_zero();
    full.options[7] = 1;
    full.run();
    ASSERT_FALSE(full.failed()) << full.text();
    expect_close(full.criterion,
                 (std::log(f.rss / n) + 1.8378770665399184) * n + n + 2.0 * std::log(n), 1e-9,
                 "BIC with the full likelihood");
}

TEST(RunscadFit, LargeLambdaLeavesOnlyTheInterceptAndFlagsTheSmallEnd) {
    runscad_call c;
    c.options[3] = 3;
    c.grid_size = 3;
    c.min_lambda = 9000.0;
    c.max_lambda = 9999.0;
    c.run();
    ASSERT_FALSE(c.failed()) << c.text();
    double mean = 0.0;
    for (double v : c.y) mean += v / c.n;
    expect_close(c.intercept, mean, 1e-12, "intercept of the empty model");
    EXPECT_EQ(c.beta[0], 0.0);
    EXPECT_EQ(c.beta[1], 0.0);
    EXPECT_EQ(c.min_lambda, 9000.0);
    EXPECT_EQ(c.max_lambda, 9999.0);
    EXPECT_EQ(c.best, 1);
    EXPECT_EQ(c.at_min, 0xFF);
    EXPECT_EQ(c.at_max, 0);
    EXPECT_EQ(c.simple_df, 1);
}

TEST(RunscadFit, ForcedInColumnIsNeverZeroed) {
    runscad_call c;
    c.options[3] = 2;
    c.grid_size = 2;
    c.min_lambda = 9000.0;
    c.max_lambda = 9999.0;
    c.forcein = {0, 1};
    c.run();
    ASSERT_FALSE(c.failed()) << c.text();
    EXPECT_EQ(c.beta[0], 0.0);
    EXPECT_NE(c.beta[1], 0.0);
    EXPECT_EQ(c.at_min, 0xFF);  // the one penalized column is zero at the smallest lambda
    for (int g = 0; g < 2; ++g) EXPECT_EQ(c.path[g], 0.0);
    for (int g = 0; g < 2; ++g) EXPECT_NE(c.path[2 + g], 0.0);
}

// A single lambda is no grid: it has no ends to warn of. Before, a noise predictor with
// |coefficient / se| below 3 flagged the large end of the one-value "grid".
TEST(RunscadFit, ASingleLambdaHasNoEndsToWarnOf) {
    runscad_call weak = at_lambda_zero();
    weak.p = 3;
    const double noise[] = {0.5, -1.0, 0.2, 0.9, -0.3, -0.6, 1.1, -0.4};
    for (double v : noise) weak.x.push_back(v);
    weak.forcein.assign(3, 0);
    for (double lambda : {0.0, 0.3}) {
        weak.min_lambda = weak.max_lambda = lambda;
        for (int32_t grid : {1, 3}) {
            weak.grid_size = grid;
            weak.options[3] = grid;
            weak.run();
            ASSERT_FALSE(weak.failed()) << weak.text();
            if (lambda == 0.0) {
                ASSERT_LT(std::fabs(weak.beta[2] / weak.se[2]), 3.0);
            }
            EXPECT_EQ(weak.at_min + weak.at_max, 0) << lambda << " " << grid;
        }
    }
}

// Only the fit decides which coefficient is 0: a column rescaled by 1e5 or 1e7 keeps its slope
// (1e-5 or 1e-7 times the original) and its standard error. Before, a coefficient or standard
// error below 1e-6 on the input scale was reported as 0.
TEST(RunscadFit, ACoefficientIsNotZeroBecauseOfItsUnits) {
    runscad_call plain = at_lambda_zero();
    plain.run();
    ASSERT_FALSE(plain.failed()) << plain.text();
    for (double factor : {1e5, 1e7}) {
        runscad_call c = at_lambda_zero();
        for (int i = 0; i < c.n; ++i) c.x[i] *= factor;
        c.run();
        ASSERT_FALSE(c.failed()) << c.text();
        EXPECT_NEAR(c.beta[0] * factor, plain.beta[0], 1e-12 * std::fabs(plain.beta[0])) << factor;
        EXPECT_NEAR(c.se[0] * factor, plain.se[0], 1e-9 * plain.se[0]) << factor;
        EXPECT_EQ(c.beta[0], c.path[0]);
        EXPECT_NEAR(c.beta[1], plain.beta[1], 1e-12 * std::fabs(plain.beta[1]));
    }
}

TEST(RunscadFit, IterationLimitShowsAsNotConverged) {
    runscad_call c;
    c.options[4] = 1;
    c.options[3] = 1;
    c.grid_size = 1;
    c.min_lambda = 1.5;  // the second predictor sits on the SCAD penalty's curved part
    c.run();
    ASSERT_FALSE(c.failed()) << c.text();
    EXPECT_EQ(c.converged, 0);
    EXPECT_GE(c.num_iter, 1);

    runscad_call enough = c;
    enough.options[4] = 500;
    enough.run();
    ASSERT_FALSE(enough.failed()) << enough.text();
    EXPECT_EQ(enough.converged, 0xFF);
    EXPECT_GT(enough.num_iter, 1);
}

// An end not given (-1) is derived and returned; giving the returned ends back is the same run.
TEST(RunscadFit, DefaultGridEndsAreReturnedInPlaceOfTheRequest) {
    runscad_call c;
    runscad_call given = c;
    c.run();
    ASSERT_FALSE(c.failed()) << c.text();
    EXPECT_GT(c.min_lambda, 0.0);
    EXPECT_GT(c.max_lambda, c.min_lambda);
    EXPECT_GE(c.lambda, c.min_lambda);
    EXPECT_LE(c.lambda, c.max_lambda);
    given.min_lambda = c.min_lambda;
    given.max_lambda = c.max_lambda;
    given.run();
    ASSERT_FALSE(given.failed()) << given.text();
    EXPECT_EQ(std::tuple(given.lambda, given.beta, given.se, given.criterion, given.best),
              std::tuple(c.lambda, c.beta, c.se, c.criterion, c.best));
}

// Data with n rows and p random predictors, the first three carrying the signal.
runscad_call random_call(int n, int p, unsigned seed) {
    runscad_call c;
    c.n = n;
    c.p = p;
    std::mt19937 gen(seed);
    std::normal_distribution<double> z;
    c.x.resize(static_cast<std::size_t>(n) * p);
    for (double& v : c.x) v = z(gen);
    c.y.assign(n, 0.0);
    for (int i = 0; i < n; ++i)
        c.y[i] = 1.0 + 2.0 * c.x[i] - c.x[n + i] + 0.5 * c.x[2 * n + i] + z(gen);
    c.forcein.assign(p, 0);
    return c;
}

std::vector<std::string> failure_lines(runscad_call c) {
    c.run();
    EXPECT_TRUE(c.failed());
    return c.lines();
}

TEST(RunscadFit, FailureSentencesReachableThroughTheArguments) {
    {
        runscad_call c = random_call(110, 101, 1);
        c.options[2] = 1;
        EXPECT_EQ(failure_lines(c), (std::vector<std::string>{
                                        "The dataset is too big to use the projection formula "
                                        "for df.",
                                        "OCCURRED IN: run_calculate_scad_stdresults in MOD "
                                        "scad_types"}));
    }
    {
        // More columns than observations stops at the initial fit, before the covariance's own
        // test of p against n could be reached.
        runscad_call c = random_call(6, 6, 2);
        const auto lines = failure_lines(c);
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[0], "The full model has more parameters than there are observations "
                            "(too many");
        EXPECT_EQ(lines[1], "predictors and/or too many classes).");
        EXPECT_EQ(lines[2], "OCCURRED IN: run_calculate_scad_initialfit in MOD scad_types");
    }
    {
        runscad_call c;
        c.model_type = 1;
        c.options[1] = 1;
        c.y = {0, 1, 0, 1, 1, 0, 1, 0};
        const auto lines = failure_lines(c);
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[0], "The GCV fit criterion can only be used with the normal model "
                            "(identity link)");
        EXPECT_EQ(lines[1], "type.");
        EXPECT_EQ(lines.back(), "OCCURRED IN: run_calculate_scad_stdresults in MOD scad_types");
    }
    {
        // Robust standard errors with a centred response.
        runscad_call c = at_lambda_zero();
        c.options[7] = 1;
        c.options[5] = 1;
        const auto lines = failure_lines(c);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[0], "There was an unexpected option when calculating the intercept standard error");
        EXPECT_EQ(lines.back(), "OCCURRED IN: run_calculate_scad_unstdresults in MOD scad_types");
    }
    {
        // A centred response has no intercept column, so n = p + 1 passes the initial fit and
        // stops at the variance estimate.
        runscad_call c = at_lambda_zero();
        c.options[7] = 1;
        c.n = 3;
        c.x = {1, 2, 4, 3, -1, 2};
        c.y = {1, 0, 3};
        const auto lines = failure_lines(c);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[0], "The error df was too small to calculate a variance estimate.");
    }
}

TEST(RunscadFit, RobustStandardErrorsInTheNormalModel) {
    runscad_call c = at_lambda_zero();
    c.options[5] = 1;
    c.run();
    ASSERT_FALSE(c.failed()) << c.text();
    const ols_fit f = ordinary_least_squares(c, true);
    // The sandwich (X'X)^-1 X' diag(r^2) X (X'X)^-1 with the input design and an intercept.
    const int n = c.n, k = c.p + 1;
    auto column = [&](int j, int i) { return j == 0 ? 1.0 : c.x[(j - 1) * n + i]; };
    std::vector<double> xtx(k * k), meat(k * k);
    for (int i = 0; i < n; ++i) {
        double fitted = 0.0;
        for (int a = 0; a < k; ++a) fitted += column(a, i) * f.coef[a];
        const double r2 = (c.y[i] - fitted) * (c.y[i] - fitted);
        for (int a = 0; a < k; ++a)
            for (int b = 0; b < k; ++b) {
                xtx[a * k + b] += column(a, i) * column(b, i);
                meat[a * k + b] += column(a, i) * column(b, i) * r2;
            }
    }
    for (int j = 1; j < k; ++j) {
        std::vector<double> unit(k, 0.0);
        unit[j] = 1.0;
        const std::vector<double> v = solve(xtx, unit);  // column j of (X'X)^-1
        double var = 0.0;
        for (int a = 0; a < k; ++a)
            for (int b = 0; b < k; ++b) var += v[a] * meat[a * k + b] * v[b];
        expect_close(c.beta[j - 1], f.coef[j], 1e-9, "robust fit keeps the coefficients");
        expect_close(c.se[j - 1], std::sqrt(var), 1e-7, "robust standard error");
    }
}

TEST(RunscadFit, LogisticAndPoissonRunsReturnFiniteResults) {
    for (int32_t model : {1, 2}) {
        runscad_call c = random_call(60, 3, 7);
        std::mt19937 gen(11);
        for (int i = 0; i < c.n; ++i) {
            const double eta = 0.3 + 0.8 * c.x[i] - 0.5 * c.x[c.n + i];
            if (model == 1) {
                c.y[i] = std::bernoulli_distribution(1.0 / (1.0 + std::exp(-eta)))(gen);
            } else {
                c.y[i] = std::poisson_distribution<int>(std::exp(eta))(gen);
            }
        }
        c.options[3] = 10;
        c.grid_size = 10;
        c.model_type = model;
        c.run();
        ASSERT_FALSE(c.failed()) << c.text();
        EXPECT_TRUE(std::isfinite(c.intercept));
        EXPECT_TRUE(std::isfinite(c.criterion));
        EXPECT_NE(c.beta[0], 0.0);
        EXPECT_GE(c.best, 1);
        EXPECT_LE(c.best, 10);
    }
}

TEST(RunscadFit, NonFiniteResultIsAFailureNotASuccess) {
    // A response so large that its GCV, in the units of y squared, overflows.
    runscad_call c = at_lambda_zero();
    c.options[1] = 1;
    for (double& v : c.y) v *= 1e200;
    c.run();
    ASSERT_TRUE(c.failed());
    const auto lines = c.lines();
    ASSERT_EQ(lines.size(), 2u) << c.text();
    EXPECT_NE(lines[0].find("is not a finite number."), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1], "OCCURRED IN: runscad in MOD scad_types");
}

}  // namespace
}  // namespace quill::engine
