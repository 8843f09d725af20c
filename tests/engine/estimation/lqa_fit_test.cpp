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
