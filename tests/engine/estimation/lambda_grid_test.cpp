#include "estimation/lambda_grid.h"

#include <gtest/gtest.h>

#include "estimation_fixture.h"

namespace quill::engine {
namespace {

using namespace testing;

constexpr const char* where = "OCCURRED IN: run_calculate_scad_Lgrid in MOD scad_types";

// A session of n observations whose initial fit is marked done with the given variance.
void prepare(scad_session& s, int n, double sigma2, int grid_size) {
    options o;
    o.grid_size = grid_size;
    load(s, synthetic(n, {0.0, 1.0}, model::normal), o);
    s.initialfit.is_null = false;
    s.initialfit.sigma2 = sigma2;
}

TEST(LambdaGrid, WorkedExampleWithDerivedEnds) {
    scad_session s;
    prepare(s, 100, 4.0, 5);
    error_trail t;
    ASSERT_EQ(run_calculate_scad_Lgrid(s, t), 0);
    ASSERT_FALSE(s.Lgrid.is_null);
    const dbl1& g = s.Lgrid.lambda;
    ASSERT_EQ(g.extent(0), 5);
    EXPECT_DOUBLE_EQ(g(1), 0.01);
    const double largest = 0.5 * 2.0 * std::sqrt(std::log(100.0));
    EXPECT_EQ(g(5), (5.0 / 10.0) * 2.0 * std::sqrt(std::log(100)));  // kept exactly
    EXPECT_NEAR(g(5), 2.145966, 1e-6);
    EXPECT_NEAR(g(2), 0.543992, 1e-6);
    EXPECT_NEAR(g(3), 1.077983, 1e-6);
    EXPECT_NEAR(g(4), 1.611975, 1e-6);
    EXPECT_DOUBLE_EQ(g(4) - g(3), (largest - 0.01) / 4);
}

TEST(LambdaGrid, GivenEndsAreUsedAsTheyAre) {
    scad_session s;
    prepare(s, 100, 4.0, 3);
    s.settings.min_lambda = 0.0;  // zero counts as given
    error_trail t;
    ASSERT_EQ(run_calculate_scad_Lgrid(s, t), 0);
    EXPECT_EQ(s.Lgrid.lambda(1), 0.0);
    EXPECT_NEAR(s.Lgrid.lambda(3), 2.145966, 1e-6);

    s.settings.max_lambda = 0.5;
    ASSERT_EQ(run_calculate_scad_Lgrid(s, t), 0);
    EXPECT_EQ(s.Lgrid.lambda(2), 0.25);

    // Two values come in whatever order they are given.
    scad_session two;
    prepare(two, 50, 1.0, 2);
    two.settings.min_lambda = 3.0;
    two.settings.max_lambda = 1.0;
    ASSERT_EQ(run_calculate_scad_Lgrid(two, t), 0);
    EXPECT_EQ(two.Lgrid.lambda(1), 3.0);
    EXPECT_EQ(two.Lgrid.lambda(2), 1.0);

    scad_session one;
    prepare(one, 100, 4.0, 1);
    ASSERT_EQ(run_calculate_scad_Lgrid(one, t), 0);
    EXPECT_DOUBLE_EQ(one.Lgrid.lambda(1), 0.01);
}

TEST(LambdaGrid, ReversedEndsFailWithBothSentences) {
    scad_session s;
    prepare(s, 50, 1.0, 3);
    s.settings.min_lambda = 3.0;
    s.settings.max_lambda = 1.0;
    error_trail t;
    EXPECT_EQ(run_calculate_scad_Lgrid(s, t), -1);
    EXPECT_EQ(lines_of(t), (std::vector<std::string>{
                               "There is something wrong with the settings for the grid "
                               "(maybe max_lambda <",
                               "min_lambda ).", where, "There is something wrong with the lambda grid indexing.",
                               where}));
    EXPECT_TRUE(s.Lgrid.is_null);
    EXPECT_TRUE(s.is_null);
}

}  // namespace
}  // namespace quill::engine
