#include "estimation/lqa_fit.h"
#include "estimation/initial_fit.h"

#include <gtest/gtest.h>

#include "estimation_fixture.h"

namespace quill::engine {
namespace {

using namespace testing;

struct lqa_result {
    int rc = 0;
    dbl1 beta;
    int32_t iterations = -5;
    bool converged = false;
    error_trail trail;
};

lqa_result fit(scad_session& s, double lambda, const std::vector<double>& start,
               int32_t max_iter = 250, bool check_lambda = true) {
    lqa_result r;
    dbl1 b0 = vector_of(start);
    r.rc = run_fit_scad_lqa(lambda, b0, r.beta, max_iter, r.iterations, r.converged, s, r.trail,
                            check_lambda);
    return r;
}

TEST(LqaFit, AtLambdaZeroTheNormalFitIsOrdinaryLeastSquares) {
    const data_set d = synthetic(60, {1.5, 2.0, -1.0, 0.7, 3.0}, model::normal);
    scad_session s;
    load(s, d);
    const lqa_result r = fit(s, 0.0, {1, 1, 1, 1, 1}, 250, false);
    ASSERT_EQ(r.rc, 0);
    EXPECT_TRUE(r.converged);
    const std::vector<double> expected = ols(design_of(s), d.y, d.n, d.p + 1);
    for (int j = 0; j <= d.p; ++j) EXPECT_NEAR(r.beta(j + 1), expected[j], 1e-9) << j;
}

TEST(LqaFit, LargeLambdaZeroesEveryPenalizedCoefficientAndKeepsTheIntercept) {
    // Centred columns: the intercept-only fit puts the mean at the mean of y.
    const auto link = [](model m, double mean) {
        return m == model::normal ? mean : m == model::logistic ? std::log(mean / (1 - mean))
                                                                 : std::log(mean);
    };
    for (const model m : {model::normal, model::logistic, model::poisson}) {
        const data_set d = synthetic(80, {0.3, 0.4, 0.3, -0.2}, m);
        options o;
        o.type = m;
        scad_session s;
        load(s, d, o);
        const lqa_result r = fit(s, 50.0, {0.0, 0.1, 0.1, 0.1});
        ASSERT_EQ(r.rc, 0);
        double mean = 0.0;
        for (double v : d.y) mean += v / d.n;
        EXPECT_NEAR(r.beta(1), link(m, mean), 1e-8) << static_cast<int>(m);
        for (int j = 2; j <= 4; ++j) EXPECT_EQ(r.beta(j), 0.0);
    }
}

TEST(LqaFit, ForcedInCoefficientsAreNeverPenalizedNorThresholded) {
    data_set d = synthetic(200, {0.0, 0.1, 0.1, 2.0}, model::normal, 0.2);
    d.forcein[0] = true;
    options o;
    o.threshold = 0.4;
    o.final_threshold = 0.5;
    scad_session s;
    load(s, d, o);
    const lqa_result r = fit(s, 0.0, {1, 1, 1, 1});
    ASSERT_EQ(r.rc, 0);
    // Both small coefficients fall below the thresholds; only the forced one stays.
    const std::vector<double> expected = ols(design_of(s), d.y, d.n, d.p + 1);
    EXPECT_NE(r.beta(2), 0.0);
    EXPECT_LT(std::fabs(r.beta(2)), 0.4);
    EXPECT_EQ(r.beta(3), 0.0);
    EXPECT_GT(std::fabs(r.beta(4)), 1.0);
    EXPECT_NEAR(r.beta(1), expected[0], 1e-9);

    // A large lambda does not move a forced coefficient either: it stays at its least-squares
    // value given the other alive columns.
    const lqa_result big = fit(s, 100.0, {1, 1, 1, 1});
    ASSERT_EQ(big.rc, 0);
    EXPECT_NE(big.beta(2), 0.0);
    EXPECT_EQ(big.beta(4), 0.0);
}

TEST(LqaFit, PassLimitRunsMaxIterPassesAndNoConvergence) {
    const data_set d = synthetic(150, {0.2, 1.0, -1.0, 0.5}, model::logistic);
    options o;
    o.type = model::logistic;
    o.max_iter = 1;
    scad_session s;
    load(s, d, o);
    // Plain Newton steps: the start must be in reach of the maximum.
    const std::vector<double> start{0.1, 0.3, -0.3, 0.2};
    const lqa_result one = fit(s, 0.05, start, 1);
    ASSERT_EQ(one.rc, 0);
    EXPECT_EQ(one.iterations, 1);  // one count: the passes run, never above the limit
    EXPECT_FALSE(one.converged);

    const lqa_result many = fit(s, 0.05, start, 500);
    ASSERT_EQ(many.rc, 0);
    EXPECT_TRUE(many.converged);
    EXPECT_GT(many.iterations, 1);
    EXPECT_LE(many.iterations, 500);
}

// Fan and Li's normal design (n = 60, noise 3): at this lambda a coefficient sits where the SCAD
// penalty bends and the plain passes close in on it linearly, taking 3496 passes to converge.
// Extrapolating between passes, the fit converges within the default 250 to the same fixed
// point: the one a fit to a thousand times the tolerance reaches. Before, it stopped at 250
// without converging.
TEST(LqaFit, AFitOnTheCurvedPartOfThePenaltyConvergesWithinTheDefaultPasses) {
    const data_set d = synthetic(60, {0, 3, 1.5, 0, 0, 2, 0, 0, 0}, model::normal, 3.0, 11);
    scad_session s;
    load(s, d);
    error_trail t;
    ASSERT_EQ(run_calculate_scad_initialfit(s, t), 0);
    const std::vector<double> start(s.initialfit.beta.data(), s.initialfit.beta.data() + 9);
    const lqa_result r = fit(s, 0.70, start, 250);
    ASSERT_EQ(r.rc, 0);
    EXPECT_TRUE(r.converged);
    s.settings.tolerance = 1e-12;
    const lqa_result deep = fit(s, 0.70, start, 100000);
    ASSERT_TRUE(deep.converged);
    for (int j = 1; j <= 9; ++j) {
        EXPECT_NEAR(r.beta(j), deep.beta(j), 1e-7) << j;
        EXPECT_EQ(r.beta(j) == 0.0, deep.beta(j) == 0.0) << j;
    }
}

// A Poisson fit whose mean overflows however short its steps (a start at eta near 800 and no
// shorter step to a finite deviance) is refused, naming the observation, not run to NaN.
TEST(LqaFit, APoissonMeanThatOverflowsIsRefusedNamingTheObservation) {
    const data_set d = synthetic(30, {0.5, 0.4}, model::poisson);
    options o;
    o.type = model::poisson;
    scad_session s;
    load(s, d, o);
    const lqa_result r = fit(s, 0.0, {800.0, 0.0}, 250, false);
    EXPECT_EQ(r.rc, -1);
    ASSERT_FALSE(r.trail.lines().empty());
    EXPECT_NE(r.trail.lines()[0].find("The unpenalized fit cannot be completed: the Poisson mean of "
                                      "observation 1"),
              std::string::npos)
        << r.trail.lines()[0];
}

TEST(LqaFit, NoAliveCoefficientEndsAtOnceAsConverged) {
    const data_set d = synthetic(40, {0.0, 1.0, 1.0}, model::normal);
    options o;
    o.intercept_mode = 2;
    scad_session s;
    load(s, d, o);
    const lqa_result r = fit(s, 0.1, {0.0, 5e-5});
    ASSERT_EQ(r.rc, 0);
    EXPECT_EQ(r.iterations, 1);
    EXPECT_TRUE(r.converged);
    EXPECT_EQ(r.beta(1), 0.0);
    EXPECT_EQ(r.beta(2), 0.0);
}

TEST(LqaFit, GridFormRefusesLambdaOutsideItsRangeAndResetsTheSession) {
    const data_set d = synthetic(30, {0.0, 1.0}, model::normal);
    // A derived grid value may pass the bound of a given lambda (10000).
    for (const double lambda : {0.0, 10000.0, 1e6}) {
        scad_session s;
        load(s, d);
        EXPECT_EQ(fit(s, lambda, {1, 1}).rc, 0) << lambda;
    }
    const struct {
        double lambda;
        const char* sentence;
    } refused[] = {{-1e-300, "The requested value of lambda is too small."},
                   {INFINITY, "The requested value of lambda is too large."}};
    for (const auto& c : refused) {
        scad_session s;
        load(s, d);
        const lqa_result r = fit(s, c.lambda, {1, 1});
        EXPECT_EQ(r.rc, -1);
        EXPECT_EQ(lines_of(r.trail), (std::vector<std::string>{
                                         c.sentence, "OCCURRED IN: run_fit_scad_lqa in MOD scad_types"}));
        EXPECT_TRUE(s.dataset.is_null);
        EXPECT_TRUE(s.is_null);
    }
}

// Fits in one workspace that keeps the first pass of a shared start give what each fit gives in
// a workspace of its own, bit for bit: the kept pass is used for the same start only.
TEST(LqaFit, AKeptFirstPassServesTheSameStartOnly) {
    for (const model m : {model::logistic, model::poisson}) {
        const data_set d = synthetic(2500, {0.3, 0.4, 0.0, -0.3, 0.1, 0.0, 0.2}, m);
        options o;
        o.type = m;
        scad_session s;
        load(s, d, o);
        const int q = d.p + 1;
        const std::vector<double> ml = irls(design_of(s), d.y, d.n, q, m);
        std::vector<double> other = ml;
        other[3] *= 0.75;  // the same alive set, another start

        error_trail t;
        lqa_workspace ws;
        ASSERT_EQ(allocate_lqa_workspace(ws, s, t, true), 0);
        ws.screen = false;  // the screen moves fits within their tolerance (lqa_screen_test)
        const struct {
            double lambda;
            const std::vector<double>& start;
        } fits[] = {{0.02, ml}, {0.05, ml}, {0.05, other}, {0.08, ml}, {0.0, other}};
        for (const auto& f : fits) {
            lqa_result kept;
            const dbl1 b0 = vector_of(f.start);
            kept.rc = run_fit_scad_lqa(f.lambda, b0, kept.beta, 250, kept.iterations,
                                       kept.converged, s, ws, kept.trail);
            const lqa_result own = fit(s, f.lambda, f.start);
            ASSERT_EQ(kept.rc, 0);
            ASSERT_EQ(own.rc, 0);
            EXPECT_EQ(kept.iterations, own.iterations) << f.lambda;
            for (int j = 1; j <= q; ++j)
                EXPECT_EQ(kept.beta(j), own.beta(j)) << static_cast<int>(m) << ", " << f.lambda;
        }
        EXPECT_TRUE(ws.first_pass_ready);
    }
}

}  // namespace
}  // namespace quill::engine

namespace quill::engine {
namespace {

using namespace testing;

// One LQA pass written apart from the engine, in long double: from b (q entries, 0 where not
// alive) at lambda, with the denominator's X'AX taken at `information_at`, or where the pass
// starts when that is empty (a Newton pass). The intercept (column 1) is never penalized; a
// coefficient at or below the drop threshold 1e-4 is not alive.
std::vector<double> lqa_pass(const std::vector<double>& x, const std::vector<double>& y, int n,
                             int q, model m, double lambda, const std::vector<double>& b,
                             const std::vector<double>& information_at = {}) {
    const auto means = [&](const std::vector<double>& at) {
        std::vector<long double> mu(n);
        for (int i = 0; i < n; ++i) {
            long double eta = 0.0L;
            for (int j = 0; j < q; ++j) eta += x[static_cast<std::size_t>(j) * n + i] * at[j];
            mu[i] = m == model::logistic ? 1.0L / (1.0L + std::exp(-eta)) : std::exp(eta);
        }
        return mu;
    };
    std::vector<int> alive;
    std::vector<double> held = b;  // a coefficient that leaves is held at 0
    for (int j = 0; j < q; ++j) {
        if (j == 0 || std::fabs(b[j]) > 1e-4)
            alive.push_back(j);
        else
            held[j] = 0.0;
    }
    const int k = static_cast<int>(alive.size());
    std::vector<double> xa(static_cast<std::size_t>(n) * k);
    for (int c = 0; c < k; ++c)
        std::copy_n(&x[static_cast<std::size_t>(alive[c]) * n], n,
                    &xa[static_cast<std::size_t>(c) * n]);
    const std::vector<long double> mu = means(held),
                                   mu_info = means(information_at.empty() ? held : information_at);
    std::vector<long double> weight(n);
    std::vector<double> residual(n);
    for (int i = 0; i < n; ++i) {
        weight[i] = m == model::logistic ? mu_info[i] * (1.0L - mu_info[i]) : mu_info[i];
        residual[i] = static_cast<double>(y[i] - mu[i]);
    }
    matrix_ld D = cross(xa, n, k, weight);
    matrix_ld r = cross(xa, n, k, residual);
    const double a = 3.7;
    for (int c = 1; c < k; ++c) {
        const double v = std::fabs(b[alive[c]]);
        const double slope =
            v <= lambda ? lambda : v <= a * lambda ? (a * lambda - v) / (a - 1.0) : 0.0;
        const long double penalty = static_cast<long double>(n) * slope / (v + 1e-15);
        D[static_cast<std::size_t>(c) * k + c] += penalty;
        r[c] -= penalty * b[alive[c]];
    }
    const std::vector<double> step = solve(D, r);
    std::vector<double> next(q, 0.0);
    for (int c = 0; c < k; ++c) next[alive[c]] = b[alive[c]] + step[c];
    return next;
}

// A fit from the shared start takes the first pass's X'AX, formed at the start, in its next
// passes while many columns are alive, and plain Newton passes finish it. Checked against passes
// written apart: the second pass moves by the start's information (a Newton second pass lands
// elsewhere), and over a grid the fits end where fits of Newton passes alone do, converged, with
// the same coefficients within the tolerance's reach and the same zeros.
TEST(LqaFit, PassesOnTheStartsInformationEndWhereNewtonPassesEnd) {
    const std::vector<double> coef = {0.2, 0.5, -0.4, 0.3, 0.0, 0.0, 0.15, 0.0, 0.0, -0.25, 0.0,
                                      0.0, 0.0, 0.08, 0.0, 0.0, 0.0, 0.0, 0.2, 0.0, 0.0};
    for (const model m : {model::logistic, model::poisson}) {
        const data_set d = synthetic(3000, coef, m, 1.0, 11);
        const int q = d.p + 1;
        options o;
        o.type = m;
        o.final_threshold = 1e-8;
        scad_session s;
        load(s, d, o);
        const std::vector<double> x = design_of(s);
        const std::vector<double> start = irls(x, d.y, d.n, q, m);
        error_trail t;
        lqa_workspace borrowing, newton;
        ASSERT_EQ(allocate_lqa_workspace(borrowing, s, t, true), 0);
        ASSERT_EQ(allocate_lqa_workspace(newton, s, t, true), 0);
        borrowing.screen = newton.screen = false;
        newton.start_information = false;
        const auto run = [&](lqa_workspace& ws, double lambda, int32_t max_iter) {
            lqa_result r;
            const dbl1 b0 = vector_of(start);
            r.rc = run_fit_scad_lqa(lambda, b0, r.beta, max_iter, r.iterations, r.converged, s,
                                    ws, r.trail);
            EXPECT_EQ(r.rc, 0);
            return r;
        };

        const double lambda = 0.04;
        const std::vector<double> first = lqa_pass(x, d.y, d.n, q, m, lambda, start);
        const std::vector<double> on_start = lqa_pass(x, d.y, d.n, q, m, lambda, first, start);
        const std::vector<double> on_own = lqa_pass(x, d.y, d.n, q, m, lambda, first);
        const lqa_result two = run(borrowing, lambda, 2), two_newton = run(newton, lambda, 2);
        double apart = 0.0;
        for (int j = 1; j <= q; ++j) {
            EXPECT_NEAR(two.beta(j), on_start[j - 1], 1e-10) << static_cast<int>(m) << " " << j;
            EXPECT_NEAR(two_newton.beta(j), on_own[j - 1], 1e-10)
                << static_cast<int>(m) << " " << j;
            apart = std::fmax(apart, std::fabs(on_start[j - 1] - on_own[j - 1]));
        }
        EXPECT_GT(apart, 1e-6) << static_cast<int>(m);

        for (const double l : {0.003, 0.01, 0.02, 0.04, 0.07, 0.12}) {
            const lqa_result a = run(borrowing, l, 250), b = run(newton, l, 250);
            EXPECT_TRUE(a.converged && b.converged) << l;
            for (int j = 1; j <= q; ++j) {
                EXPECT_NEAR(a.beta(j), b.beta(j), 1e-7)
                    << static_cast<int>(m) << " " << l << " " << j;
                EXPECT_EQ(a.beta(j) == 0.0, b.beta(j) == 0.0) << l << " " << j;
            }
        }
        EXPECT_GT(borrowing.start_information_passes, 6) << static_cast<int>(m);
        EXPECT_EQ(newton.start_information_passes, 0);
    }
}

// Where the fits move the linear predictors far from the start (strong slopes shrunk hard), the
// start's information is no guide: those fits run Newton passes alone, bit for bit.
TEST(LqaFit, FitsFarFromTheStartRunNewtonPassesOnly) {
    const std::vector<double> coef = {0.5, 2.0, -1.5, 1.2, 0.0, 0.0, 0.8, 0.0, 0.0, -1.0, 0.0};
    const data_set d = synthetic(1500, coef, model::logistic, 1.0, 5);
    options o;
    o.type = model::logistic;
    scad_session s;
    load(s, d, o);
    const int q = d.p + 1;
    const dbl1 start = vector_of(irls(design_of(s), d.y, d.n, q, model::logistic));
    error_trail t;
    lqa_workspace borrowing, newton;
    ASSERT_EQ(allocate_lqa_workspace(borrowing, s, t, true), 0);
    ASSERT_EQ(allocate_lqa_workspace(newton, s, t, true), 0);
    newton.start_information = false;
    for (const double lambda : {0.4, 0.6}) {
        lqa_result a, b;
        ASSERT_EQ(run_fit_scad_lqa(lambda, start, a.beta, 250, a.iterations, a.converged, s,
                                   borrowing, a.trail), 0);
        ASSERT_EQ(run_fit_scad_lqa(lambda, start, b.beta, 250, b.iterations, b.converged, s,
                                   newton, b.trail), 0);
        EXPECT_EQ(a.iterations, b.iterations) << lambda;
        for (int j = 1; j <= q; ++j) EXPECT_EQ(a.beta(j), b.beta(j)) << lambda << " " << j;
    }
    EXPECT_EQ(borrowing.start_information_passes, 0);
}

}  // namespace
}  // namespace quill::engine
