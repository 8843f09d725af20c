#include "estimation/grid_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "estimation/fit_criteria.h"
#include "estimation_fixture.h"

namespace quill::engine {
namespace {

using namespace testing;

constexpr const char* where = "OCCURRED IN: run_calculate_scad_stdresults in MOD scad_types";

TEST(FitCriteria, NormalFullLikelihoodExample) {
    const dbl1 y = vector_of(std::vector<double>(10, 1.0));
    const dbl1 mu = vector_of(std::vector<double>(10, 0.0));  // RSS = 10
    fit_criteria c;
    ASSERT_TRUE(scad_calculate_criteria(0, true, y, mu, 0.0, c));
    EXPECT_EQ(c.aic, 28.378770665399184);
    EXPECT_EQ(c.bic, 28.378770665399184);
    ASSERT_TRUE(scad_calculate_criteria(0, false, y, mu, 3.0, c));
    EXPECT_EQ(c.aic, 6.0);
    EXPECT_EQ(c.bic, 3.0 * std::log(10.0));
    EXPECT_EQ(c.gcv, 1.0 / ((1.000000000000001 - 0.3) * (1.000000000000001 - 0.3)));
    ASSERT_TRUE(scad_calculate_criteria(0, false, y, mu, 10.0, c));  // df = n stays finite
    EXPECT_TRUE(std::isfinite(c.gcv));
    EXPECT_FALSE(scad_calculate_criteria(3, false, y, mu, 1.0, c));
}

TEST(FitCriteria, ZeroTimesLogZeroIsTakenAsZero) {
    fit_criteria c;
    // Logistic: y = 0 with mu = 0, and y = 1 with 1 - mu = 0.
    ASSERT_TRUE(scad_calculate_criteria(1, true, vector_of({0.0, 1.0, 1.0}),
                                        vector_of({0.0, 1.0, 0.5}), 1.0, c));
    EXPECT_DOUBLE_EQ(c.aic, -2.0 * std::log(0.5) + 2.0);
    EXPECT_EQ(c.gcv, 0.0);
    // Poisson: y = 0 with mu = 0.
    ASSERT_TRUE(scad_calculate_criteria(2, true, vector_of({0.0, 3.0}), vector_of({0.0, 2.0}),
                                        2.0, c));
    EXPECT_DOUBLE_EQ(c.bic, -2.0 * (3.0 * std::log(2.0) - 2.0) + 2.0 * std::log(2.0));
}

TEST(FitCriteria, SelectionTakesTheFirstValueWithinTheTieLimitAndNeverNaN) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(scad_smallest_criterion(vector_of({3.0, 1.0, 1.0, 2.0})), 2);
    EXPECT_EQ(scad_smallest_criterion(vector_of({nan, 5.0, nan, 4.0})), 4);
    EXPECT_EQ(scad_smallest_criterion(vector_of({nan, nan})), 1);
    EXPECT_EQ(scad_smallest_criterion(vector_of({std::numeric_limits<double>::infinity(), 1e15})), 2);

    // Identical fits whose criteria differ in the last bits: the first of them is selected, not
    // the one rounding made smallest. The limit is relative, 1e-10 |min|, down to 1e-10 absolute.
    EXPECT_EQ(scad_smallest_criterion(vector_of({-150.0, -200.0 + 1.9e-8, -200.0, -200.0 + 1e-9})), 2);
    EXPECT_EQ(scad_smallest_criterion(vector_of({-150.0, -200.0 + 2.1e-8, -200.0, -200.0 + 1e-9})), 3);
    EXPECT_EQ(scad_smallest_criterion(vector_of({0.5 + 0.9e-10, 0.5, nan})), 1);
    EXPECT_EQ(scad_smallest_criterion(vector_of({0.5 + 1.1e-10, 0.5, nan})), 2);
    EXPECT_DOUBLE_EQ(scad_tie_limit(vector_of({nan, 4e6, 5e6})), 4e6 + 4e-4);
    EXPECT_EQ(scad_tie_limit(vector_of({nan})), std::numeric_limits<double>::infinity());
}

// The design's rows in reverse order.
data_set reversed(data_set d) {
    std::reverse(d.y.begin(), d.y.end());
    for (int j = 0; j < d.p; ++j) {
        auto column = d.x.begin() + static_cast<std::ptrdiff_t>(j) * d.n;
        std::reverse(column, column + d.n);
    }
    return d;
}

TEST(GridSearch, TiedFitsSelectTheirSmallestLambdaWhateverTheRowOrder) {
    // Strong signals: once a * lambda is below every selected coefficient the fit stops
    // changing, and a run of grid values gives the same fit and the same criterion but for
    // rounding, which the order of the rows changes.
    const data_set d = synthetic(400, {1.0, 2.0, 0.0, -1.5, 0.0, 1.0}, model::logistic, 1.0, 5);
    options o;
    o.type = model::logistic;
    o.grid_size = 60;
    std::vector<int> selected;
    std::vector<std::vector<int>> tied;
    for (const data_set& data : {d, reversed(d)}) {
        scad_session s;
        load(s, data, o);
        error_trail t;
        ASSERT_EQ(run_calculate_scad_stdresults(s, t), 0);
        const scad_stdresults& r = s.stdresults;
        const double limit = scad_tie_limit(r.bic);
        std::vector<int> run;
        for (int g = 1; g <= o.grid_size; ++g) {
            if (r.tied(g) == 0) continue;
            run.push_back(g);
            EXPECT_LE(r.bic(g), limit) << g;
            EXPECT_EQ(r.simple_df(g), r.simple_df(r.best)) << g;
        }
        ASSERT_GE(run.size(), 3u) << "the data must give a run of tied fits";
        EXPECT_EQ(run.front(), r.best);  // nothing before the selected value ties with it
        EXPECT_GE(r.tie_run_end, run.back());
        EXPECT_FALSE(r.selected_shrunk);
        selected.push_back(r.best);
        tied.push_back(run);
    }
    EXPECT_EQ(selected[0], selected[1]);
    EXPECT_EQ(tied[0], tied[1]);
}

// Sparse truth: predictors 1, 4 and 8 matter.
const std::vector<double> sparse_truth{1.0, 2.0, 0.0, 0.0, -1.5, 0.0, 0.0, 0.0, 1.0};

double scad_derivative(double b, double lambda, double a) {
    if (b <= lambda) return lambda;
    return std::fmax(a * lambda - b, 0.0) / (a - 1.0);
}

TEST(GridSearch, SelectedFitFindsTheSparseTruthAndIsStationary) {
    const data_set d = synthetic(300, sparse_truth, model::normal, 1.0, 3);
    options o;
    o.grid_size = 30;
    scad_session s;
    load(s, d, o);
    error_trail t;
    ASSERT_EQ(run_calculate_scad_stdresults(s, t), 0);
    const scad_stdresults& r = s.stdresults;
    ASSERT_FALSE(r.is_null);
    ASSERT_GE(r.best, 1);
    EXPECT_EQ(r.converged, -1);
    EXPECT_EQ(r.simple_df(r.best), 4);
    for (int j = 1; j <= d.p; ++j)
        EXPECT_EQ(r.beta(j + 1) != 0.0, sparse_truth[j] != 0.0) << j;

    // X_j'(y - X b)/n = p'_lambda(|b_j|) sign(b_j) for the nonzero penalized coefficients, and
    // 0 for the intercept, computed here from the standardized design.
    const double lambda = s.Lgrid.lambda(r.best);
    const std::vector<double> x = design_of(s);
    const int n = d.n;
    const int q = d.p + 1;
    std::vector<double> residual(n);
    for (int i = 0; i < n; ++i) {
        double fitted = 0.0;
        for (int j = 0; j < q; ++j) fitted += x[static_cast<std::size_t>(j) * n + i] * r.beta(j + 1);
        residual[i] = d.y[i] - fitted;
    }
    for (int j = 0; j < q; ++j) {
        const double b = r.beta(j + 1);
        if (b == 0.0) continue;
        double gradient = 0.0;
        for (int i = 0; i < n; ++i) gradient += x[static_cast<std::size_t>(j) * n + i] * residual[i];
        gradient /= n;
        const double expected =
            j == 0 ? 0.0 : scad_derivative(std::fabs(b), lambda, 3.7) * (b > 0 ? 1.0 : -1.0);
        EXPECT_NEAR(gradient, expected, 1e-7) << j;
    }

    // COUNT df: the criteria use the nonzero count, intercept included.
    for (int g = 1; g <= o.grid_size; ++g) EXPECT_EQ(r.df_proj(g), 0.0);
    EXPECT_NEAR(r.aic(r.best) - r.bic(r.best),
                2.0 * r.simple_df(r.best) - r.simple_df(r.best) * std::log(300.0), 1e-9);
}

TEST(GridSearch, AllZeroFitStopsTheGrid) {
    const data_set d = synthetic(100, {0.0, 0.5, -0.5}, model::normal);
    options o;
    o.intercept_mode = 2;
    o.grid_size = 10;
    o.min_lambda = 0.0;
    o.max_lambda = 9000.0;
    scad_session s;
    load(s, d, o);
    error_trail t;
    ASSERT_EQ(run_calculate_scad_stdresults(s, t), 0);
    const scad_stdresults& r = s.stdresults;
    // Grid value 2 (1000) zeroes everything; 3 to 10 are never fitted.
    EXPECT_EQ(r.simple_df(2), 0);
    EXPECT_LT(r.bic(2), 1e15);
    for (int g = 3; g <= 10; ++g) {
        EXPECT_EQ(r.bic(g), 1e15);
        EXPECT_EQ(r.aic(g), 1e15);
        EXPECT_EQ(r.gcv(g), 1e15);
        EXPECT_EQ(r.simple_df(g), 0);
        EXPECT_EQ(r.betas(g, 1), 0.0);
    }
    EXPECT_EQ(r.best, 1);
}

TEST(GridSearch, ProjectionDfIsTheHatMatrixTraceAtLambdaZero) {
    const data_set d = synthetic(80, {1.0, 1.0, -1.0, 0.5}, model::normal);
    options o;
    o.dfformula = 1;
    o.grid_size = 4;
    o.min_lambda = 0.0;
    o.selection = 1;
    scad_session s;
    load(s, d, o);
    error_trail t;
    ASSERT_EQ(run_calculate_scad_stdresults(s, t), 0);
    EXPECT_NEAR(s.stdresults.df_proj(1), 4.0, 1e-9);
    for (int g = 2; g <= 4; ++g) EXPECT_LE(s.stdresults.df_proj(g), s.stdresults.simple_df(g) + 1e-9);
    // GCV selection: the selected value has the smallest GCV.
    for (int g = 1; g <= 4; ++g) EXPECT_LE(s.stdresults.gcv(s.stdresults.best), s.stdresults.gcv(g));
}

TEST(GridSearch, ProjectionRefusesLargeDataBeforeLookingFurther) {
    for (const auto& [n, p] : {std::pair{110, 101}, std::pair{1001, 1}}) {
        std::vector<double> coef(p + 1, 0.1);
        options o;
        o.dfformula = 1;
        scad_session s;
        load(s, synthetic(n, coef, model::normal), o);
        error_trail t;
        EXPECT_EQ(run_calculate_scad_stdresults(s, t), -1);
        EXPECT_EQ(lines_of(t), (std::vector<std::string>{
                                   "The dataset is too big to use the projection formula for df.",
                                   where}));
        EXPECT_TRUE(s.initialfit.is_null);
        EXPECT_TRUE(s.is_null);
    }
}

TEST(GridSearch, GcvWithALogisticModelFailsAfterTheWholeGrid) {
    const data_set d = synthetic(120, {0.2, 1.0, -0.5}, model::logistic);
    options o;
    o.type = model::logistic;
    o.selection = 1;
    o.grid_size = 6;
    scad_session s;
    load(s, d, o);
    error_trail t;
    EXPECT_EQ(run_calculate_scad_stdresults(s, t), -1);
    EXPECT_EQ(lines_of(t), (std::vector<std::string>{
                               "The GCV fit criterion can only be used with the normal "
                               "model (identity link)",
                               "type.", where}));
    for (int g = 1; g <= 6; ++g) EXPECT_LT(s.stdresults.bic(g), 1e15) << g;
}

TEST(GridSearch, SingleValueAndNonConvergedSelection) {
    const data_set d = synthetic(60, {1.0, 1.0, 0.3}, model::normal);
    options o;
    o.grid_size = 1;
    o.max_iter = 1;
    o.min_lambda = 0.2;
    scad_session s;
    load(s, d, o);
    error_trail t;
    ASSERT_EQ(run_calculate_scad_stdresults(s, t), 0);
    EXPECT_EQ(s.stdresults.best, 1);
    EXPECT_EQ(s.stdresults.num_iter, 1);
    EXPECT_EQ(s.stdresults.converged, 0);
}

}  // namespace
}  // namespace quill::engine
