#include "matrix/least_squares.h"

#include <gtest/gtest.h>

#include "matrix_test_support.h"
#include "support/fault_injector.h"

namespace quill::engine {
namespace {

using testing::test_matrix;
using testing::trimmed_lines;
using Lines = std::vector<std::string>;

constexpr const char* at = "OCCURRED IN: least_squares_regression in MOD matrix_methods";

TEST(LeastSquares, RecoversAnExactLinearRelation) {
    error_trail t;
    test_matrix X = test_matrix::random(40, 4, 90);
    for (int i = 0; i < 40; ++i) X(i, 0) = 1.0;
    const std::vector<double> truth = {0.5, -2.0, 3.0, 0.25};
    std::vector<double> y(40, 0.0), beta(4);
    for (int i = 0; i < 40; ++i)
        for (int j = 0; j < 4; ++j) y[i] += X(i, j) * truth[j];
    bool singular = true;
    ASSERT_EQ(least_squares_regression(X.cview(), testing::cview(y), testing::view(beta), singular, t), 0);
    EXPECT_FALSE(singular);
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(beta[j], truth[j], 1e-12);
}

TEST(LeastSquares, CaseWeightsActAsRepeatedRows) {
    // Weight 2 on a row gives the fit of the data with that row written twice.
    error_trail t;
    const test_matrix X = test_matrix::random(12, 3, 91);
    const std::vector<double> y = testing::random_vector(12, 92);
    std::vector<double> w(12, 1.0);
    w[3] = 2.0;
    w[7] = 2.0;
    test_matrix Xd(14, 3);
    std::vector<double> yd(14);
    for (int i = 0, r = 0; i < 12; ++i)
        for (int copy = 0; copy < static_cast<int>(w[i]); ++copy, ++r) {
            for (int j = 0; j < 3; ++j) Xd(r, j) = X(i, j);
            yd[r] = y[i];
        }
    std::vector<double> weighted(3), repeated(3);
    bool singular = true;
    ASSERT_EQ(least_squares_regression(X.cview(), testing::cview(y), testing::view(weighted), singular, t,
                                       testing::cview(w)), 0);
    ASSERT_EQ(least_squares_regression(Xd.cview(), testing::cview(yd), testing::view(repeated), singular, t), 0);
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(weighted[j], repeated[j], 1e-13);

    // The residual is orthogonal to every weighted column.
    for (int j = 0; j < 3; ++j) {
        double s = 0.0;
        for (int i = 0; i < 12; ++i) {
            double fitted = 0.0;
            for (int k = 0; k < 3; ++k) fitted += X(i, k) * weighted[k];
            s += X(i, j) * w[i] * (y[i] - fitted);
        }
        EXPECT_NEAR(s, 0.0, 1e-13);
    }
}

TEST(LeastSquares, RidgeSkipsTheFirstElementOnRequest) {
    // Orthogonal columns: X'X = diag(4, 4), X'y = (10, 6).
    error_trail t;
    const test_matrix X = test_matrix::from_rows({{1, 1}, {1, -1}, {1, 1}, {1, -1}});
    const std::vector<double> y = {4, 1, 4, 1};
    std::vector<double> beta(2);
    bool singular = true;
    ASSERT_EQ(least_squares_regression(X.cview(), testing::cview(y), testing::view(beta), singular, t,
                                       std::nullopt, 1.0, true), 0);
    EXPECT_NEAR(beta[0], 10.0 / 4.0, 1e-14);
    EXPECT_NEAR(beta[1], 6.0 / 5.0, 1e-14);
    ASSERT_EQ(least_squares_regression(X.cview(), testing::cview(y), testing::view(beta), singular, t,
                                       std::nullopt, 1.0, false), 0);
    EXPECT_NEAR(beta[0], 10.0 / 5.0, 1e-14);
    EXPECT_NEAR(beta[1], 6.0 / 5.0, 1e-14);

    EXPECT_EQ(least_squares_regression(X.cview(), testing::cview(y), testing::view(beta), singular, t,
                                       std::nullopt, -1e-10), -1);
    EXPECT_EQ(trimmed_lines(t), (Lines{"The ridge constant cannot be negative.", at}));
}

TEST(LeastSquares, Failures) {
    error_trail t;
    bool singular = false;
    const test_matrix square = test_matrix::identity(3);
    const std::vector<double> y3 = {1, 2, 3}, y2 = {1, 2};
    std::vector<double> beta3(3), beta2(2);
    // As many coefficients as observations is refused as singular without factoring.
    EXPECT_EQ(least_squares_regression(square.cview(), testing::cview(y3), testing::view(beta3), singular, t), -1);
    EXPECT_TRUE(singular);
    EXPECT_EQ(least_squares_regression(square.cview(), testing::cview(y2), testing::view(beta3), singular, t), -1);
    EXPECT_EQ(least_squares_regression(square.cview(), testing::cview(y3), testing::view(beta2), singular, t), -1);
    const std::vector<double> w2 = {1, 1};
    EXPECT_EQ(least_squares_regression(square.cview(), testing::cview(y3), testing::view(beta3), singular, t,
                                       testing::cview(w2)), -1);
    EXPECT_EQ(trimmed_lines(t), (Lines{"Matrix apparently singular", at,
                                       "Dimensions of matrix arguments not conformable", at,
                                       "Dimensions of matrix arguments not conformable", at,
                                       "Dimensions of matrix arguments not conformable", at}));
}

TEST(LeastSquares, EachAllocationFailingIsReportedByName) {
    const test_matrix X = test_matrix::random(10, 3, 93);
    const std::vector<double> y = testing::random_vector(10, 94);
    std::vector<double> beta(3);
    bool singular = false;
    fault_injector::reset_count();
    {
        error_trail t;
        ASSERT_EQ(least_squares_regression(X.cview(), testing::cview(y), testing::view(beta), singular, t), 0);
    }
    ASSERT_EQ(fault_injector::allocations_seen(), 5);
    const char* names[] = {"least_squares_regression: xTy", "least_squares_regression: xTx",
                           "symmetric_real_inverse: indices_to_include", "symmetric_real_inverse: Y",
                           "symmetric_real_inverse: Yinv"};
    for (int k = 1; k <= 5; ++k) {
        SCOPED_TRACE(k);
        error_trail t;
        fault_injector::fail_allocation_at(k);
        EXPECT_EQ(least_squares_regression(X.cview(), testing::cview(y), testing::view(beta), singular, t), -1);
        fault_injector::disarm();
        const Lines lines = trimmed_lines(t);
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ(lines[0], "Unable to allocate memory for object");
        EXPECT_EQ(lines[1], names[k - 1]);
        EXPECT_EQ(lines.back(), at);
        EXPECT_EQ(lines.size(), k <= 2 ? 4u : 5u);  // the inverse adds its own location line
    }
}

}  // namespace
}  // namespace quill::engine
