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

// |x_j' (y - mu)| at beta, from the design and the model's mean, written apart from the engine.
double gradient_at(const scad_session& s, const dbl1& beta, int j, model m) {
    const int n = s.dataset.n;
    const int q = beta.extent(0);
    const double* x = s.dataset.x.data();
    long double g = 0.0L;
    for (int i = 0; i < n; ++i) {
        long double eta = 0.0L;
        for (int c = 0; c < q; ++c) eta += x[static_cast<std::size_t>(c) * n + i] * beta(c + 1);
        const long double mu = m == model::logistic ? 1.0L / (1.0L + std::exp(-eta)) : std::exp(eta);
        g += x[static_cast<std::size_t>(j - 1) * n + i] * (s.dataset.y(i + 1) - mu);
    }
    return static_cast<double>(std::fabs(g));
}

// The screen changes what a fit costs, never where it ends: fits in a screening workspace land
// where unscreened fits do (their tolerance apart, the same zeros), along a rising grid whose
// screen comes from the fit before, and when the screen is wrong about every penalized
// coefficient (each is caught by its gradient at convergence and the passes resume with it).
// The gradients kept for the next fit are those of the coefficients at 0, and within n lambda.
TEST(LqaScreen, ScreenedFitsEndWhereUnscreenedOnesDo) {
    for (const model m : {model::logistic, model::poisson}) {
        const data_set d = synthetic(3000, {0.3, 0.5, 0.0, -0.4, 0.1, 0.0, 0.25, 0.0, 0.03}, m);
        options o;
        o.type = m;
        o.final_threshold = 1e-8;  // the zeros are the passes' own, where the gradients are read
        scad_session s;
        load(s, d, o);
        const int q = d.p + 1;
        const dbl1 start = vector_of(irls(design_of(s), d.y, d.n, q, m));
        error_trail t;
        lqa_workspace screening, plain;
        ASSERT_EQ(allocate_lqa_workspace(screening, s, t, true), 0);
        ASSERT_EQ(allocate_lqa_workspace(plain, s, t, false), 0);

        const auto same_fit = [&](const screened_fit& a, const screened_fit& b, const char* what) {
            EXPECT_TRUE(a.converged && b.converged) << what;
            for (int j = 1; j <= q; ++j) {
                EXPECT_NEAR(a.beta(j), b.beta(j), 1e-7) << what << " " << j;
                EXPECT_EQ(a.beta(j) == 0.0, b.beta(j) == 0.0) << what << " " << j;
            }
        };
        int zeros_seen = 0;
        for (const double lambda : {0.005, 0.02, 0.04, 0.06, 0.1}) {
            const screened_fit a = fit_in(s, screening, lambda, start);
            same_fit(a, fit_in(s, plain, lambda, start), "grid");
            for (int j = 2; j <= q; ++j) {
                if (a.beta(j) != 0.0) {
                    EXPECT_EQ(screening.zero_gradient(j), std::numeric_limits<double>::infinity());
                    continue;
                }
                ++zeros_seen;
                const double g = gradient_at(s, a.beta, j, m);
                EXPECT_NEAR(screening.zero_gradient(j), g, 1e-9 * d.n) << lambda << " " << j;
                EXPECT_LE(g, d.n * lambda * (1 + 1e-6)) << lambda << " " << j;
            }
        }
        EXPECT_GT(zeros_seen, 4) << static_cast<int>(m);

        // A record that screens every penalized coefficient out of a fit at a small lambda,
        // where most of them belong.
        const double lambda = 0.01;
        std::copy(start.data(), start.data() + q, screening.screen_start.data());
        screening.zero_gradient.fill(0.0);
        screening.screen_ready = true;
        const screened_fit wrong = fit_in(s, screening, lambda, start);
        const screened_fit right = fit_in(s, plain, lambda, start);
        same_fit(wrong, right, "every coefficient screened");
        EXPECT_NE(right.beta(2), 0.0);
        // Those put back are no longer screened; those left out are 0 in the fit.
        EXPECT_LT(screening.screen_count, q - 1);
        for (int j = 2; j <= q; ++j) {
            if (!screening.screened(j)) continue;
            EXPECT_EQ(wrong.beta(j), 0.0) << j;
        }
    }
}

}  // namespace
}  // namespace quill::engine
