// Fits that a coefficient's units, a large count or an outlying count used to spoil, against R's
// glm() (oracle/glm_units.R writes the data and the fits): each fit here is at a single lambda
// small enough to leave every coefficient unpenalized, so it is glm's maximum-likelihood fit.
#include <gtest/gtest.h>

#include <cmath>
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

// One count of 3e9 among counts up to 11. Before, the unpenalized Newton passes overshot and ran
// to coefficients near 1e7, and the fit failed ("The selection criterion at the selected lambda
// is not a finite number."); halving each step that raises the deviance finds glm's fit.
TEST(QuillFitUnits, AnOutlyingCountFitsLikeGlm) {
    const quill_fit_call c = fit_at(outlier_n, 2, outlier_x,
                                    std::vector<double>(outlier_y, outlier_y + outlier_n), 2, 1e-8);
    expect_glm(c, outlier_coef, outlier_se, 1e-6);
    EXPECT_NE(c.result.converged, 0);
}

}  // namespace
}  // namespace quill::engine
