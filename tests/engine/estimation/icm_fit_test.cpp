#include "estimation/icm_fit.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "estimation/grid_search.h"
#include "estimation/initial_fit.h"
#include "estimation_fixture.h"

namespace quill::engine {
namespace {

using namespace testing;

// A session with the initial fit and the grid built, as the grid search leaves it.
void prepare(scad_session& s, const data_set& d, options o) {
    load(s, d, o);
    error_trail t;
    ASSERT_EQ(run_calculate_scad_initialfit(s, t), 0);
    ASSERT_EQ(run_calculate_scad_Lgrid(s, t), 0);
}

struct icm_result {
    int rc = 0;
    dbl1 beta;
    int32_t iterations = -5;
    bool converged = false;
    error_trail trail;
};

icm_result icm(scad_session& s, double lambda, const std::vector<double>& start, int32_t max_iter) {
    icm_result r;
    const dbl1 b0 = vector_of(start);
    r.rc = run_fit_scad_icm(lambda, b0, r.beta, max_iter, r.iterations, r.converged, s, r.trail);
    return r;
}

TEST(IcmFit, OneSweepReturnsACountOfOne) {
    const data_set d = synthetic(60, {0.0, 1.0, -1.0, 0.5}, model::normal);
    options o;
    o.intercept_mode = 1;
    scad_session s;
    prepare(s, d, o);
    const icm_result r = icm(s, 0.1, {0.0, 0.0, 0.0}, 1);
    ASSERT_EQ(r.rc, 0);
    EXPECT_EQ(r.iterations, 1);
    EXPECT_FALSE(r.converged);
}

TEST(IcmFit, AtLambdaZeroTheSweepsConvergeToLeastSquares) {
    const data_set d = synthetic(60, {0.0, 1.0, -1.0, 0.002}, model::normal);
    options o;
    o.intercept_mode = 1;
    scad_session s;
    prepare(s, d, o);
    const icm_result r = icm(s, 0.0, {0.0, 0.0, 0.0}, 10000);
    ASSERT_EQ(r.rc, 0);
    EXPECT_TRUE(r.converged);
    // The initial fit is the least-squares fit of the centred model; at lambda 0 nothing is
    // thresholded, however small.
    const std::vector<double> expected = ols(design_of(s), std::vector<double>(s.dataset.y.data(), s.dataset.y.data() + d.n), d.n, d.p);
    for (int j = 1; j <= d.p; ++j) {
        EXPECT_NEAR(r.beta(j), s.initialfit.beta(j), 1e-8) << j;
        EXPECT_NEAR(r.beta(j), expected[j - 1], 1e-8) << j;
    }
}

TEST(IcmFit, ACoefficientZeroedInOneSweepCanReturnInALaterOne) {
    const data_set d = synthetic(100, {0.0, 1.0, 1.0}, model::normal);
    options o;
    o.intercept_mode = 2;
    scad_session s;
    prepare(s, d, o);
    // Start coefficient 1 at 0 and coefficient 2 where the first partial solution is 0.
    const double n = d.n;
    const double s11 = s.dataset.xtx(1, 1) / n;
    const double s21 = s.dataset.xtx(2, 1) / n;
    const double b1 = s.initialfit.beta(1);
    const double b2 = s.initialfit.beta(2);
    const std::vector<double> start{0.0, b2 + s11 * b1 / s21};
    const icm_result first = icm(s, 0.01, start, 1);
    ASSERT_EQ(first.rc, 0);
    EXPECT_EQ(first.beta(1), 0.0);
    const icm_result later = icm(s, 0.01, start, 500);
    ASSERT_EQ(later.rc, 0);
    EXPECT_TRUE(later.converged);
    EXPECT_NEAR(later.beta(1), b1, 0.05);
}

// LQA and ICM on the same sparse truth with a centred response: the same selected lambda and
// nonzero set, and coefficients within a small distance of each other.
TEST(IcmFit, AgreesWithLqaOnASparseTruth) {
    const data_set d = synthetic(400, {0.0, 2.0, 0.0, 0.0, -1.5, 0.0, 0.0, 1.0, 0.0}, model::normal, 1.0, 3);
    scad_stdresults results[2];
    for (const int algorithm : {0, 1}) {
        options o;
        o.algorithm = algorithm;
        o.intercept_mode = 1;
        o.grid_size = 25;
        scad_session s;
        load(s, d, o);
        error_trail t;
        ASSERT_EQ(run_calculate_scad_stdresults(s, t), 0) << algorithm;
        results[algorithm] = std::move(s.stdresults);
    }
    const scad_stdresults& lqa = results[0];
    const scad_stdresults& icm_r = results[1];
    EXPECT_EQ(lqa.best, icm_r.best);
    double largest = 0.0;
    for (int j = 1; j <= d.p; ++j) {
        EXPECT_EQ(lqa.beta(j) != 0.0, icm_r.beta(j) != 0.0) << j;
        largest = std::fmax(largest, std::fabs(lqa.beta(j) - icm_r.beta(j)));
    }
    EXPECT_LT(largest, 1e-8);  // measured: about 4e-12
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", largest);
    RecordProperty("largest_difference", text);
}

}  // namespace
}  // namespace quill::engine
