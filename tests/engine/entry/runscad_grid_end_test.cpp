// The ends of the lambda grid: max_lambda -2 (the full path) reaches where every penalized
// coefficient is 0, for each model; the boundary flags say what is true of the selection; the
// unpenalized fit keeps a slope whose least-squares start is near 0.
#include <gtest/gtest.h>

#include <cmath>

#include "estimation_fixture.h"
#include "runscad_call.h"

namespace quill::engine {
namespace {

using testing_support::runscad_call;

// Four predictors, two with an effect; the last forced in.
runscad_call full_path_call(int32_t model) {
    const testing::data_set d = testing::synthetic(150, {0.2, 1.0, 0.0, -0.7, 0.3},
                                                   static_cast<testing::model>(model), 1.0, 23);
    runscad_call c = runscad_call::on(d.n, d.p, d.x, d.y, model);
    c.grid_size = 12;
    c.options = {0, 0, 0, 12, 250, 0, 0, 0};
    c.forcein = {0, 0, 0, 1};
    c.max_lambda = QUILL_MAX_LAMBDA_FULL;
    return c;
}

// The coefficient of column j at grid value g (0-based) of a G-row path.
double at(const runscad_call& c, int g, int j) { return c.path[static_cast<std::size_t>(j) * c.grid_size + g]; }

bool penalized_all_zero(const runscad_call& c, int g) {
    for (int j = 0; j < c.p; ++j)
        if (c.forcein[j] == 0 && at(c, g, j) != 0.0) return false;
    return true;
}

TEST(RunscadGridEnd, FullPathEndsWhereEveryPenalizedCoefficientIsZeroForEachModel) {
    for (int32_t model : {0, 1, 2}) {
        runscad_call full = full_path_call(model);
        full.run();
        ASSERT_FALSE(full.failed()) << full.text();
        const int last = full.grid_size - 1;
        EXPECT_TRUE(penalized_all_zero(full, last)) << model;
        EXPECT_NE(at(full, last, 3), 0.0) << "the forced-in column stays";
        EXPECT_FALSE(penalized_all_zero(full, 0)) << model;
        EXPECT_GT(full.max_lambda, full.min_lambda);
        EXPECT_EQ(full.at_max, 0) << model;
    }
    // Above its lower bounds the top is the smallest such lambda (to 1 %): a grid ending 2 %
    // lower keeps a coefficient.
    for (int32_t model : {0, 2}) {
        runscad_call full = full_path_call(model);
        full.run();
        runscad_call lower = full_path_call(model);
        lower.max_lambda = full.max_lambda / 1.02;
        lower.run();
        ASSERT_FALSE(full.failed() || lower.failed()) << lower.text();
        EXPECT_FALSE(penalized_all_zero(lower, lower.grid_size - 1)) << model;
    }
}

TEST(RunscadGridEnd, FullPathIsNoValueTheResponseUnitsScale) {
    runscad_call unit = full_path_call(0);
    unit.run();
    runscad_call thousand = full_path_call(0);
    for (double& v : thousand.y) v *= 1000.0;
    thousand.run();
    ASSERT_FALSE(unit.failed() || thousand.failed()) << unit.text() << thousand.text();
    // The top comes back in the units of y, found afresh, never -2 scaled.
    EXPECT_NEAR(thousand.max_lambda, 1000.0 * unit.max_lambda, 1e-9 * thousand.max_lambda);
    EXPECT_TRUE(penalized_all_zero(thousand, thousand.grid_size - 1));

    // Every column forced in: no path to end, the default top.
    runscad_call forced = full_path_call(0);
    forced.forcein.assign(4, 1);
    forced.run();
    runscad_call automatic = forced;
    automatic.max_lambda = -1.0;
    automatic.run();
    ASSERT_FALSE(forced.failed() || automatic.failed()) << forced.text();
    EXPECT_EQ(forced.max_lambda, automatic.max_lambda);
}

TEST(RunscadGridEnd, FlagsFollowTheTiedRunAndTheShrinkage) {
    // A grid of negligible lambdas: every fit is the unpenalized one, so the criteria tie from
    // the first grid value to the last. Larger lambdas could change the selection (the noise
    // column is not settled), smaller ones could not: the first value selected is no reason to
    // look lower.
    runscad_call glm = full_path_call(1);
    glm.min_lambda = 1e-5;
    glm.max_lambda = 1e-4;
    glm.run_path();
    ASSERT_FALSE(glm.failed()) << glm.text();
    EXPECT_EQ(glm.best, 1);
    for (int g = 0; g < glm.grid_size; ++g) EXPECT_EQ(glm.table.tied[g], 0xFF) << g;
    EXPECT_EQ(glm.at_max, 0xFF);
    EXPECT_EQ(glm.at_min, 0);

    // Selected first while still shrinking a coefficient (lambda near its size): flagged.
    runscad_call shrunk = full_path_call(0);
    shrunk.max_lambda = -1.0;
    shrunk.min_lambda = 0.25;
    shrunk.options[3] = shrunk.grid_size = 2;
    shrunk.run();
    ASSERT_FALSE(shrunk.failed()) << shrunk.text();
    if (shrunk.best == 1) {
        EXPECT_EQ(shrunk.at_min, 0xFF);
    }
}

// A logistic or Poisson response and a third slope whose least-squares start is 0 by
// construction (orthogonal to the start's residual) while its maximum-likelihood estimate is
// not small.
struct near_zero_start {
    testing::data_set d;
    std::vector<double> mle;  // intercept first, on the scale of the data
    double standardized_slope = 0.0;  // the third slope times its column's standard deviation
};

near_zero_start near_zero_start_data(testing::model m) {
    near_zero_start s;
    testing::data_set& d = s.d;
    d = testing::synthetic(300, {0.2, 1.5, -1.0, 0.0}, m, 1.0, 31);
    const int n = d.n;
    std::vector<double> x(static_cast<std::size_t>(n) * 3, 1.0);  // 1, x1, x2
    std::copy(d.x.begin(), d.x.begin() + 2 * n, x.begin() + n);
    std::vector<double> z(n);
    double mean = 0.0;
    for (double v : d.y) mean += v / n;
    for (int i = 0; i < n; ++i) z[i] = m == testing::model::poisson ? std::log(d.y[i] + 0.5) : d.y[i] - mean;
    const std::vector<double> b = testing::ols(x, z, n, 3);
    std::vector<double> r(n);
    double rr = 0.0, vr = 0.0;
    for (int i = 0; i < n; ++i) {
        r[i] = z[i] - b[0] - b[1] * x[n + i] - b[2] * x[2 * n + i];
        rr += r[i] * r[i];
    }
    // x3 = x1^3 less its projection on the residual: orthogonal to it, so its start is 0; the
    // curvature of the mean gives it a slope at the maximum.
    std::vector<double> x3(n);
    const auto cube = [&](int i) { return x[n + i] * x[n + i] * x[n + i]; };
    for (int i = 0; i < n; ++i) vr += cube(i) * r[i];
    double sum = 0.0, squares = 0.0;
    for (int i = 0; i < n; ++i) {
        x3[i] = cube(i) - vr / rr * r[i];
        sum += x3[i];
        squares += x3[i] * x3[i];
    }
    std::copy(x3.begin(), x3.end(), d.x.begin() + 2 * n);

    std::vector<double> full(static_cast<std::size_t>(n) * 4, 1.0);
    std::copy(d.x.begin(), d.x.end(), full.begin() + n);
    s.mle = testing::irls(full, d.y, n, 4, m);
    s.standardized_slope = s.mle[3] * std::sqrt((squares - sum * sum / n) / (n - 1));
    return s;
}

TEST(RunscadGridEnd, UnpenalizedFitKeepsASlopeWhoseStartIsNearZero) {
    for (const testing::model m : {testing::model::logistic, testing::model::poisson}) {
        const near_zero_start s = near_zero_start_data(m);
        ASSERT_GT(std::fabs(s.standardized_slope), 0.02) << "the slope must not be small at its maximum: " << s.standardized_slope;
        runscad_call c = runscad_call::on(s.d.n, s.d.p, s.d.x, s.d.y, static_cast<int32_t>(m));
        c.options = {0, 0, 0, 1, 250, 0, 0, 0};
        c.grid_size = 1;
        c.min_lambda = 0.0;
        c.run();
        ASSERT_FALSE(c.failed()) << c.text();
        EXPECT_NEAR(c.intercept, s.mle[0], 1e-7);
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(c.beta[j], s.mle[j + 1], 1e-7) << static_cast<int>(m) << " " << j;
    }
}

}  // namespace
}  // namespace quill::engine
