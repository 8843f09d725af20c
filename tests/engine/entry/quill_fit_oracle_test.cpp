// quill_fit at a negligible lambda against R's glm(weights = w), stored by oracle/glm_weights.R:
// the coefficients of the three models, and the standard errors of the logistic and Poisson
// models. glm's normal dispersion divides by the rows less 3, ours by the sum of the weights less
// 3 (the repeated-rows fit), so the normal standard errors differ by exactly that ratio. And
// against glm(offset = ...) (oracle/glm_offset.R): coefficients and standard errors.
#include <gtest/gtest.h>

#include <cmath>

#include "quill_fit_call.h"

namespace quill::engine {
namespace {

#include "oracle/glm_offset.inc"
#include "oracle/glm_weights.inc"

using testing_support::quill_fit_call;

quill_fit_call negligible_lambda_fit(int model, bool weighted) {
    quill_fit_call c(oracle_n, 2, std::vector<double>(oracle_x, oracle_x + 2 * oracle_n),
                     std::vector<double>(oracle_y[model], oracle_y[model] + oracle_n), model, 1);
    c.controls.min_lambda = 1e-10;
    c.controls.tolerance = 1e-13;
    if (weighted) c.weights.assign(oracle_w, oracle_w + oracle_n);
    c.run();
    return c;
}

TEST(QuillFitOracle, WeightedFitsAtANegligibleLambdaAreGlmsWithWeights) {
    double weight_sum = 0.0;
    for (double w : oracle_w) weight_sum += w;
    for (int model = 0; model < 3; ++model) {
        SCOPED_TRACE(model);
        const quill_fit_call c = negligible_lambda_fit(model, true);
        ASSERT_FALSE(c.failed()) << c.text();
        const double coef[3] = {c.result.intercept, c.beta[0], c.beta[1]};
        const double se[3] = {c.result.intercept_se, c.se[0], c.se[1]};
        const double ratio =
            model == 0 ? std::sqrt((oracle_n - 3.0) / (weight_sum - 3.0)) : 1.0;
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(coef[j], oracle_coef[model][j], 1e-6 * std::fabs(oracle_coef[model][j])) << j;
            EXPECT_NEAR(se[j], ratio * oracle_se[model][j], 1e-6 * oracle_se[model][j]) << j;
        }
    }
}

// Robust standard errors at a negligible lambda are sandwich::sandwich(glm) (HC0) for the three
// models. Before, the logistic and Poisson models refused them.
TEST(QuillFitOracle, RobustErrorsAtANegligibleLambdaAreTheHC0Sandwich) {
    for (int model = 0; model < 3; ++model) {
        SCOPED_TRACE(model);
        quill_fit_call c(oracle_n, 2, std::vector<double>(oracle_x, oracle_x + 2 * oracle_n),
                         std::vector<double>(oracle_y[model], oracle_y[model] + oracle_n), model, 1);
        c.controls.min_lambda = 1e-10;
        c.controls.tolerance = 1e-13;
        c.controls.robust = 1;
        c.run();
        ASSERT_FALSE(c.failed()) << c.text();
        const double coef[3] = {c.result.intercept, c.beta[0], c.beta[1]};
        const double se[3] = {c.result.intercept_se, c.se[0], c.se[1]};
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(coef[j], oracle_unweighted_coef[model][j],
                        1e-6 * std::fabs(oracle_unweighted_coef[model][j])) << j;
            EXPECT_NEAR(se[j], oracle_unweighted_hc0[model][j], 1e-6 * oracle_unweighted_hc0[model][j])
                << j;
        }
    }
}

// Before, the offset was not read: the fits were those without it.
TEST(QuillFitOracle, FitsWithAnOffsetAtANegligibleLambdaAreGlmsWithTheOffset) {
    for (int model = 0; model < 3; ++model) {
        SCOPED_TRACE(model);
        quill_fit_call c(offset_n, 2, std::vector<double>(offset_x, offset_x + 2 * offset_n),
                         std::vector<double>(offset_y[model], offset_y[model] + offset_n), model, 1);
        c.controls.min_lambda = 1e-10;
        c.controls.tolerance = 1e-13;
        c.offset.assign(offset_values, offset_values + offset_n);
        c.run();
        ASSERT_FALSE(c.failed()) << c.text();
        const double coef[3] = {c.result.intercept, c.beta[0], c.beta[1]};
        const double se[3] = {c.result.intercept_se, c.se[0], c.se[1]};
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(coef[j], offset_coef[model][j], 1e-6 * std::fabs(offset_coef[model][j])) << j;
            EXPECT_NEAR(se[j], offset_se[model][j], 1e-6 * offset_se[model][j]) << j;
        }
        c.offset[4] = std::nan("");
        c.run();
        EXPECT_EQ(c.text().substr(0, 51), "The offset has a missing or infinite value (row 5).");
    }
}

}  // namespace
}  // namespace quill::engine
