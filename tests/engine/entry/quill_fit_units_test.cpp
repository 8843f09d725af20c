// Fits that a coefficient's units, a large count or an outlying count used to spoil, against R's
// glm() (oracle/glm_units.R writes the data and the fits): each fit here is at a single lambda
// small enough to leave every coefficient unpenalized, so it is glm's maximum-likelihood fit.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "quill_fit_call.h"

namespace quill::engine {
namespace {

#include "oracle/glm_units.inc"

using testing_support::quill_fit_call;

// One fit at the single lambda `lambda` (MINLAMBDA = MAXLAMBDA, GRIDSIZE 1).
quill_fit_call fit_at(int n, int p, const double* x, std::vector<double> y, int model,
                      double lambda) {
    quill_fit_call c(n, p, std::vector<double>(x, x + static_cast<std::ptrdiff_t>(n) * p),
                     std::move(y), model, 1);
    c.controls.dfformula = QUILL_DF_COUNT;
    c.controls.min_lambda = lambda;
    c.controls.max_lambda = lambda;
    c.run();
    return c;
}

// Intercept and coefficients against glm's, and the standard errors, each within `relative`.
void expect_glm(const quill_fit_call& c, const double* coef, const double* se, double relative) {
    ASSERT_FALSE(c.failed()) << c.text();
    EXPECT_NEAR(c.result.intercept, coef[0], relative * std::fabs(coef[0]));
    EXPECT_NEAR(c.result.intercept_se, se[0], relative * se[0]);
    for (int j = 0; j < c.p; ++j) {
        EXPECT_NEAR(c.beta[j], coef[j + 1], relative * std::fabs(coef[j + 1])) << j;
        EXPECT_NEAR(c.se[j], se[j + 1], relative * se[j + 1]) << j;
    }
}

// 300 counts of about 1e9, five above 1e10. Before, the Poisson mean was held at 1e10, which
// biased every coefficient (x1 1.1412 against 1.0000006) and exited without a word.
TEST(QuillFitUnits, CountsAboveTenToTheTenFitLikeGlm) {
    const quill_fit_call c =
        fit_at(large_n, 2, large_x, std::vector<double>(large_y, large_y + large_n), 2, 1e-8);
    expect_glm(c, large_coef, large_se, 1e-6);
    EXPECT_NE(c.result.converged, 0);
}

// The same counts on the default grid: every grid value's fit is glm's to within 0.1 standard
// error (the penalty is nothing beside the information of counts near 1e9), so the first one,
// selected, is no reason to warn that the smallest lambda is too high. Before, any selected
// coefficient below a * lambda counted as still shrunk.
TEST(QuillFitUnits, ShrinkageWithinTheNoiseIsNoReasonToLookLower) {
    quill_fit_call c(large_n, 2, std::vector<double>(large_x, large_x + 2 * large_n),
                     std::vector<double>(large_y, large_y + large_n), 2, 20);
    c.run();
    ASSERT_FALSE(c.failed()) << c.text();
    ASSERT_EQ(c.result.best_index, 1);
    EXPECT_LT(std::fabs(c.beta[0] - large_coef[1]), 0.1 * large_se[1]);
    EXPECT_EQ(c.result.at_min_lambda, 0);
}

// One count of 3e9 among counts up to 11. Before, the unpenalized Newton passes overshot and ran
// to coefficients near 1e7, and the fit failed ("The selection criterion at the selected lambda
// is not a finite number."); halving each step that raises the deviance finds glm's fit.
TEST(QuillFitUnits, AnOutlyingCountFitsLikeGlm) {
    const quill_fit_call c = fit_at(outlier_n, 2, outlier_x,
                                    std::vector<double>(outlier_y, outlier_y + outlier_n), 2, 1e-8);
    expect_glm(c, outlier_coef, outlier_se, 1e-6);
    EXPECT_NE(c.result.converged, 0);
}

// GRIDSIZE 1, MINLAMBDA 0, MAXLAMBDA 0 on Boston's 13 predictors is glm's fit. Before, age
// (standardized 0.0021) was zeroed by the fit's final threshold without a refit: the intercept
// was 36.507, the standard errors those of the model without age, and "Removed" said so.
TEST(QuillFitUnits, LambdaZeroIsGlmOnBoston) {
    const quill_fit_call c = fit_at(boston_n, 13, boston_x,
                                    std::vector<double>(boston_medv, boston_medv + boston_n), 0, 0.0);
    expect_glm(c, boston_coef, boston_se, 1e-9);
    EXPECT_EQ(c.result.at_min_lambda, 0);
    EXPECT_EQ(c.result.at_max_lambda, 0);
}

// log(medv) on lstat and tax^2 (up to 505,521): the slope -4.36e-7 (z = -5.5) is kept with its
// standard error, at lambda 0 and at the selection of a grid. Before, both were reported
// as 0 (below 1e-6 on the input scale) while the fit and its df counted the slope.
TEST(QuillFitUnits, ASlopeInLargeUnitsIsKept) {
    std::vector<double> x(2 * boston_n), y(boston_n);
    for (int i = 0; i < boston_n; ++i) {
        x[i] = boston_x[12 * boston_n + i];                                // lstat
        x[boston_n + i] = boston_x[9 * boston_n + i] * boston_x[9 * boston_n + i];  // tax^2
        y[i] = std::log(boston_medv[i]);
    }
    const quill_fit_call zero = fit_at(boston_n, 2, x.data(), y, 0, 0.0);
    expect_glm(zero, boston_tax2_coef, boston_tax2_se, 1e-9);

    quill_fit_call grid(boston_n, 2, x, y, 0, 50);
    grid.run();
    ASSERT_FALSE(grid.failed()) << grid.text();
    // Selected where the penalty still shrinks it a little; kept, with a standard error.
    EXPECT_NEAR(grid.beta[1], boston_tax2_coef[2], 0.1 * std::fabs(boston_tax2_coef[2]));
    EXPECT_NEAR(grid.se[1], boston_tax2_se[2], 0.1 * boston_tax2_se[2]);
}

// The biochemists' articles times 1e9 at lambda 1e-8: phd and ment (z = 0.5 and 12.7) keep
// glm's slopes and standard errors of about 1e-6. Before, both were reported as 0 with the
// standard error 0, as if dropped.
TEST(QuillFitUnits, CountsTimesTenToTheNineKeepEverySlope) {
    std::vector<double> art(biochemists_art, biochemists_art + biochemists_n);
    for (double& v : art) v *= 1e9;
    const quill_fit_call c = fit_at(biochemists_n, 5, biochemists_x, art, 2, 1e-8);
    expect_glm(c, biochemists_1e9_coef, biochemists_1e9_se, 1e-6);
}

// The same response on x1 and on x1 * 1e-7 (variance 1e-14) or x1 * 1e-8 (below 1e-15) at a
// negligible lambda: the slope is 1e7 (1e8) times the first and nothing else moves. Before, the
// results were taken back with 1 / sqrt(v + 1e-15) after standardizing with 1 / sqrt(v): the
// slope was 4.8 % short at 1e-7, and at 1e-8 the column was refused as having zero variance.
TEST(QuillFitUnits, APredictorInSmallUnitsGetsItsExactSlope) {
    const double* x1 = large_x;
    const std::vector<double> y_of[3] = {
        std::vector<double>(outlier_y, outlier_y + 40), {}, {}};
    for (int model = 0; model < 3; ++model) {
        SCOPED_TRACE(model);
        std::vector<double> y(large_n);
        for (int i = 0; i < large_n; ++i)
            y[i] = model == 0 ? 2.0 + 0.7 * x1[i] + large_x[large_n + i]
                   : model == 1 ? (x1[i] + 0.5 * large_x[large_n + i] > 0.3 ? 1.0 : 0.0)
                                : std::floor(std::exp(0.5 + 0.4 * x1[i]) + (i % 3));
        if (model == 1) y[0] = 1.0 - y[0], y[7] = 1.0 - y[7];  // no separation
        const quill_fit_call base = fit_at(large_n, 2, large_x, y, model, 1e-8);
        ASSERT_FALSE(base.failed()) << base.text();
        for (double factor : {1e-7, 1e-8}) {
            std::vector<double> x(large_x, large_x + 2 * large_n);
            for (int i = 0; i < large_n; ++i) x[i] *= factor;
            const quill_fit_call small = fit_at(large_n, 2, x.data(), y, model, 1e-8);
            ASSERT_FALSE(small.failed()) << small.text();
            EXPECT_NEAR(small.beta[0] * factor, base.beta[0], 1e-9 * std::fabs(base.beta[0])) << factor;
            EXPECT_NEAR(small.se[0] * factor, base.se[0], 1e-9 * base.se[0]) << factor;
            EXPECT_NEAR(small.beta[1], base.beta[1], 1e-9 * std::fabs(base.beta[1])) << factor;
            EXPECT_NEAR(small.result.intercept, base.result.intercept,
                        1e-9 * std::fabs(base.result.intercept)) << factor;
        }
    }
}

// Exactly collinear predictors (x3 = x1 + x2, x4 = x1) are refused for every model, the aliased
// design columns marked for the caller to name. Before, every model failed with "Error
// inverting the denominator matrix despite adding a ridge". A model with as many coefficients
// as observations (p = n - 1) is saturated, not "singular (redundant)".
TEST(QuillFitUnits, AliasedColumnsAreNamedAndASaturatedModelIsSaid) {
    const int n = 30;
    std::vector<double> x(4 * n), y(n);
    for (int i = 0; i < n; ++i) {
        x[i] = large_x[i];
        x[n + i] = large_x[large_n + i];
        x[2 * n + i] = x[i] + x[n + i];
        x[3 * n + i] = x[i];
        y[i] = outlier_y[i] < 1e9 ? outlier_y[i] : 3.0;
    }
    for (int model = 0; model < 3; ++model) {
        std::vector<double> response = y;
        if (model == 1)
            for (double& v : response) v = v > 2.0 ? 1.0 : 0.0;
        quill_fit_call c(n, 4, x, response, model, 5);
        c.aliased.assign(4, 7);
        c.run();
        ASSERT_TRUE(c.failed()) << model;
        EXPECT_EQ(c.aliased, (std::vector<uint8_t>{0, 0, 0xFF, 0xFF})) << model;
        EXPECT_NE(c.text().find("Design columns 3 and 4 are exact linear combinations"), std::string::npos)
            << c.text();
    }
    quill_fit_call saturated(4, 3, std::vector<double>(x.begin(), x.begin() + 4),
                             std::vector<double>(y.begin(), y.begin() + 4), 0, 1);
    saturated.x = {large_x[0], large_x[1], large_x[2], large_x[3], large_x[300], large_x[301],
                   large_x[302], large_x[303], 1, 4, 2, 0};
    saturated.run();
    ASSERT_TRUE(saturated.failed());
    EXPECT_NE(saturated.text().find("The full model is saturated"), std::string::npos) << saturated.text();
}

}  // namespace
}  // namespace quill::engine
