// SELECTION BIC / REFIT: on Fan and Li's design (normal) and its logistic counterpart, both
// algorithms select the best subset by BIC over all 2^8 sets of predictors, and report lm's /
// glm's fit on it, its standard errors and its BIC (oracle/support_refit.R); the table carries
// the refits' criterion; REFIT with cross-validation is refused.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "quill_fit_call.h"

namespace quill::engine {
namespace {

#include "oracle/support_refit.inc"

using testing_support::quill_fit_call;

constexpr int p = 8;

struct refit_case {
    int32_t model;
    int n;
    const double *x, *y;
    std::vector<int> support;
    const double *intercept, *beta, *se;
    double bic;
};

TEST(SupportRefit, SelectsTheBestSubsetByBicAndReportsItsUnpenalizedFit) {
    const refit_case cases[] = {
        {QUILL_MODEL_NORMAL, normal_n, normal_x, normal_y,
         {std::begin(normal_support), std::end(normal_support)}, normal_intercept, normal_beta,
         normal_se, normal_bic},
        {QUILL_MODEL_LOGISTIC, logistic_n, logistic_x, logistic_y,
         {std::begin(logistic_support), std::end(logistic_support)}, logistic_intercept,
         logistic_beta, logistic_se, logistic_bic}};
    for (const refit_case& k : cases)
        for (int32_t algorithm : {QUILL_ALGORITHM_LQA, QUILL_ALGORITHM_ICM}) {
            SCOPED_TRACE(testing::Message() << k.model << " " << algorithm);
            quill_fit_call c(k.n, p, std::vector<double>(k.x, k.x + k.n * p),
                             std::vector<double>(k.y, k.y + k.n), k.model, 100);
            c.controls.algorithm = algorithm;
            c.controls.dfformula = QUILL_DF_COUNT;
            c.controls.refit = 1;
            c.run();
            ASSERT_FALSE(c.failed()) << c.text();
            std::vector<int> support;
            for (int j = 0; j < p; ++j)
                if (c.beta[j] != 0.0) support.push_back(j + 1);
            ASSERT_EQ(support, k.support);
            EXPECT_NEAR(c.result.intercept, k.intercept[0], 1e-7);
            EXPECT_NEAR(c.result.intercept_se, k.intercept[1], 1e-7);
            for (int j = 0; j < p; ++j) {
                EXPECT_NEAR(c.beta[j], k.beta[j], 1e-7) << j;
                EXPECT_NEAR(c.se[j], k.se[j], 1e-7) << j;
            }
            // R's BIC of lm counts sigma and the constant the normal criterion leaves out.
            const double N = k.n;
            const double shift =
                k.model == QUILL_MODEL_NORMAL ? N * (1.0 + std::log(2.0 * std::numbers::pi)) + std::log(N) : 0.0;
            EXPECT_NEAR(c.result.criterion + shift, k.bic, 1e-8 * k.bic);
            EXPECT_EQ(c.refit[c.result.best_index - 1], c.result.criterion);
        }
}

TEST(SupportRefit, IsRefusedWithCrossValidation) {
    quill_fit_call c(normal_n, p, std::vector<double>(normal_x, normal_x + normal_n * p),
                     std::vector<double>(normal_y, normal_y + normal_n), QUILL_MODEL_NORMAL, 20);
    c.controls.selection = QUILL_SELECTION_CV;
    c.controls.refit = 1;
    c.run();
    ASSERT_TRUE(c.failed());
    EXPECT_NE(c.text().find("REFIT works with the BIC, GCV and EBIC selections"), std::string::npos)
        << c.text();
}

}  // namespace
}  // namespace quill::engine
