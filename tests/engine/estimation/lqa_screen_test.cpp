#include "estimation/lqa_screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "estimation/lqa_fit.h"
#include "estimation_fixture.h"

namespace quill::engine {
namespace {

using namespace testing;

struct screened_fit {
    dbl1 beta;
    int32_t iterations = 0;
    bool converged = false;
};

screened_fit fit_in(scad_session& s, lqa_workspace& ws, double lambda, const dbl1& start) {
    screened_fit f;
    error_trail t;
    EXPECT_EQ(run_fit_scad_lqa(lambda, start, f.beta, 250, f.iterations, f.converged, s, ws, t), 0);
    return f;
}

// At beta, from the design and the model's mean, written apart from the engine: the gradient
// |x_j'(y - mu)| and the curvature x_j'A x_j of coefficient j.
struct slope_terms {
    double gradient = 0.0;
    double curvature = 0.0;
};

slope_terms terms_at(const scad_session& s, const dbl1& beta, int j, model m) {
    const int n = s.dataset.n;
    const int q = beta.extent(0);
    const double* x = s.dataset.x.data();
    long double g = 0.0L, h = 0.0L;
    for (int i = 0; i < n; ++i) {
        long double eta = 0.0L;
        for (int c = 0; c < q; ++c) eta += x[static_cast<std::size_t>(c) * n + i] * beta(c + 1);
        const long double mu = m == model::logistic ? 1.0L / (1.0L + std::exp(-eta)) : std::exp(eta);
        const long double xij = x[static_cast<std::size_t>(j - 1) * n + i];
        g += xij * (s.dataset.y(i + 1) - mu);
        h += xij * xij * (m == model::logistic ? mu * (1.0L - mu) : mu);
    }
    return {static_cast<double>(std::fabs(g)), static_cast<double>(h)};
}

// The screen changes what a fit costs and, through the coefficients it keeps out, never more
// than what the final threshold would have zeroed: along a rising grid, whose screen comes from
// the fit before, every coefficient kept out could reach no more than the final threshold on
// its own (its gradient over its curvature at the start), and the fits report the same
// coefficients as unscreened fits but for the pull of those below the threshold. A record that
// screens every penalized coefficient out is caught at convergence: with a final threshold
// near 0 each one put back, the fit lands where the unscreened one does.
TEST(LqaScreen, KeptOutOnlyWhatCouldNotPassTheFinalThreshold) {
    for (const model m : {model::logistic, model::poisson}) {
        const data_set d = synthetic(3000, {0.3, 0.5, 0.0, -0.4, 0.004, 0.0, 0.25, 0.0, 0.03}, m);
        const int q = d.p + 1;
        for (const double final_threshold : {0.04, 1e-8}) {
            options o;
            o.type = m;
            o.final_threshold = final_threshold;
            scad_session s;
            load(s, d, o);
            const dbl1 start = vector_of(irls(design_of(s), d.y, d.n, q, m));
            error_trail t;
            lqa_workspace screening, plain;
            ASSERT_EQ(allocate_lqa_workspace(screening, s, t, true), 0);
            ASSERT_EQ(allocate_lqa_workspace(plain, s, t, false), 0);
            const auto compare = [&](const screened_fit& a, const screened_fit& b, double within,
                                     const char* what) {
                EXPECT_TRUE(a.converged && b.converged) << what;
                for (int j = 1; j <= q; ++j) {
                    EXPECT_NEAR(a.beta(j), b.beta(j), within) << what << " " << j;
                    EXPECT_EQ(a.beta(j) == 0.0, b.beta(j) == 0.0) << what << " " << j;
                }
            };

            int kept_out = 0;
            for (const double lambda : {0.001, 0.005, 0.02, 0.04, 0.1}) {
                const screened_fit a = fit_in(s, screening, lambda, start);
                // The pull of the coefficients below the threshold, through correlations of 0.3.
                compare(a, fit_in(s, plain, lambda, start), final_threshold / 2, "grid");
                for (int j = 2; j <= q; ++j) {
                    if (!screening.screened(j)) continue;
                    ++kept_out;
                    EXPECT_EQ(a.beta(j), 0.0);
                    const slope_terms at_start = terms_at(s, start, j, m);
                    const double g = terms_at(s, a.beta, j, m).gradient;
                    EXPECT_NEAR(screening.curvature(j), at_start.curvature, 1e-6 * at_start.curvature);
                    EXPECT_NEAR(screening.zero_gradient(j), g, 1e-9 * d.n) << lambda << " " << j;
                    EXPECT_LE(g, at_start.curvature * final_threshold * (1 + 1e-9));
                }
            }
            if (final_threshold > 0.001) {
                EXPECT_GT(kept_out, 2) << static_cast<int>(m);
            }

            std::copy(start.data(), start.data() + q, screening.screen_start.data());
            screening.zero_gradient.fill(0.0);
            const screened_fit wrong = fit_in(s, screening, 0.01, start);
            if (final_threshold > 0.001) continue;
            compare(wrong, fit_in(s, plain, 0.01, start), 1e-7, "every coefficient screened");
            EXPECT_EQ(screening.screen_count, 0);
            EXPECT_NE(wrong.beta(2), 0.0);
        }
    }
}

}  // namespace
}  // namespace quill::engine
