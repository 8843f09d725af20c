#include "estimation/unstd_results.h"

#include <gtest/gtest.h>

#include "estimation/grid_search.h"
#include "estimation_fixture.h"

namespace quill::engine {
namespace {

using namespace testing;

constexpr const char* where = "OCCURRED IN: run_calculate_scad_unstdresults in MOD scad_types";

// Raw predictors on scales far from 1, so that unstandardizing matters.
data_set raw_scale_data() {
    data_set d = synthetic(50, {3.0, 0.5, -0.02, 4.0}, model::normal);
    for (int i = 0; i < d.n; ++i) {
        d.x[i] = 10.0 + 2.0 * d.x[i];
        d.x[d.n + i] = 100.0 * d.x[d.n + i] - 40.0;
        d.x[2 * d.n + i] = 0.1 * d.x[2 * d.n + i];
    }
    for (int i = 0; i < d.n; ++i)
        d.y[i] = 3.0 + 0.5 * d.x[i] - 0.02 * d.x[d.n + i] + 40.0 * d.x[2 * d.n + i] +
                 std::sin(7.0 * i);
    return d;
}

// Classical least squares on [1, X]: coefficients (intercept first) and standard errors
// with the n - k divisor.
void classical(const data_set& d, std::vector<double>& b, std::vector<double>& se) {
    const int m = d.p + 1;
    std::vector<double> z(static_cast<std::size_t>(d.n) * m, 1.0);
    std::copy(d.x.begin(), d.x.end(), z.begin() + d.n);
    b = ols(z, d.y, d.n, m);
    double rss = 0.0;
    for (int i = 0; i < d.n; ++i) {
        double f = 0.0;
        for (int j = 0; j < m; ++j) f += z[static_cast<std::size_t>(j) * d.n + i] * b[j];
        rss += (d.y[i] - f) * (d.y[i] - f);
    }
    const double sigma2 = rss / (d.n - m);
    const matrix_ld M = cross(z, d.n, m);
    se.clear();
    for (int c = 0; c < m; ++c) se.push_back(std::sqrt(sigma2 * inverse_column(M, c)[c]));
}

void run_all(scad_session& s) {
    error_trail t;
    ASSERT_EQ(run_calculate_scad_stdresults(s, t), 0);
    ASSERT_EQ(run_calculate_scad_unstdresults(s, t), 0);
}

TEST(UnstdResults, AtLambdaZeroTheyAreClassicalLeastSquares) {
    const data_set d = raw_scale_data();
    std::vector<double> b, se;
    classical(d, b, se);
    for (const int mode : {0, 1}) {  // intercept column, centred response
        options o;
        o.grid_size = 1;
        o.min_lambda = 0.0;
        o.intercept_mode = mode;
        scad_session s;
        load(s, d, o);
        run_all(s);
        const scad_unstdresults& r = s.unstdresults;
        ASSERT_FALSE(r.is_null);
        EXPECT_NEAR(r.intercept, b[0], 1e-9 * std::fabs(b[0])) << mode;
        EXPECT_NEAR(r.intercept_se, se[0], 1e-7 * se[0]) << mode;
        for (int j = 1; j <= d.p; ++j) {
            EXPECT_NEAR(r.beta(j), b[j], 1e-9 * std::fabs(b[j])) << mode << j;
            EXPECT_NEAR(r.se(j), se[j], 1e-7 * se[j]) << mode << j;
            EXPECT_NEAR(r.betas(1, j + 1), b[j], 1e-9 * std::fabs(b[j]));
        }
        EXPECT_EQ(r.betas(1, 1), r.intercept) << mode;  // the path's intercept, too
    }
}

TEST(UnstdResults, ExcludedPredictorAndOmittedIntercept) {
    data_set d = raw_scale_data();
    options o;
    o.grid_size = 1;
    o.min_lambda = 2.5;
    o.intercept_mode = 2;
    scad_session s;
    load(s, d, o);
    run_all(s);
    const scad_unstdresults& r = s.unstdresults;
    EXPECT_EQ(r.intercept, 0.0);
    EXPECT_EQ(r.intercept_se, 0.0);
    EXPECT_EQ(r.betas(1, 1), 0.0);
    bool some_excluded = false;
    for (int j = 1; j <= d.p; ++j) {
        const double scale = 1.0 / std::sqrt(s.dataset.x_scale(j));  // the factor that standardized it
        EXPECT_EQ(r.beta(j), s.stdresults.beta(j) * scale);
        if (s.stdresults.beta(j) == 0.0) {
            some_excluded = true;
            EXPECT_EQ(r.se(j), 1e-10 * scale);
        }
    }
    EXPECT_TRUE(some_excluded);
}

TEST(UnstdResults, CentredResponseWithRobustErrorsAndUnreadyResultsFail) {
    const data_set d = raw_scale_data();
    options o;
    o.grid_size = 3;
    o.intercept_mode = 1;
    o.robust = true;
    scad_session s;
    load(s, d, o);
    error_trail t;
    ASSERT_EQ(run_calculate_scad_stdresults(s, t), 0);
    EXPECT_EQ(run_calculate_scad_unstdresults(s, t), -1);
    EXPECT_EQ(lines_of(t), (std::vector<std::string>{
                               "There was an unexpected option when calculating the "
                               "intercept standard error",
                               where}));

    scad_session fresh;
    load(fresh, d);
    error_trail t2;
    EXPECT_EQ(run_calculate_scad_unstdresults(fresh, t2), -1);
    EXPECT_EQ(lines_of(t2), (std::vector<std::string>{
                                "The standardized results are not ready yet.", where}));
    EXPECT_TRUE(fresh.is_null);
}

}  // namespace
}  // namespace quill::engine
