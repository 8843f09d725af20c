#include "matrix/standardize.h"

#include <gtest/gtest.h>

#include <cmath>

#include "matrix_test_support.h"

namespace quill::engine {
namespace {

using testing::test_matrix;
using testing::trimmed_lines;
using Lines = std::vector<std::string>;

TEST(Standardize, MatrixFormDividesByNMinusOne) {
    error_trail t;
    const test_matrix X = test_matrix::from_rows({{1, 10}, {2, 10}, {3, 40}});
    test_matrix Z(3, 2);
    std::vector<double> center(2), scale(2);
    ASSERT_EQ(standardize_real_matrix(X.cview(), Z.view(), testing::view(center), testing::view(scale), t), 0);
    EXPECT_EQ(center, (std::vector<double>{2.0, 20.0}));
    EXPECT_EQ(scale, (std::vector<double>{1.0, 300.0}));
    EXPECT_EQ(Z(0, 0), -1.0);
    EXPECT_EQ(Z(1, 0), 0.0);
    EXPECT_EQ(Z(2, 0), 1.0);
    // Every standardized column has mean 0 and variance 1.
    double sum = 0.0, ss = 0.0;
    for (int i = 0; i < 3; ++i) sum += Z(i, 1), ss += Z(i, 1) * Z(i, 1);
    EXPECT_NEAR(sum, 0.0, 1e-15);
    EXPECT_NEAR(ss / 2.0, 1.0, 1e-15);
}

TEST(Standardize, VectorFormDividesByM) {
    error_trail t;
    const std::vector<double> x = {1, 2, 3};
    std::vector<double> z(3);
    double center = 0.0, scale = 0.0;
    ASSERT_EQ(standardize_real_vector(testing::cview(x), testing::view(z), center, scale, t), 0);
    EXPECT_EQ(center, 2.0);
    EXPECT_DOUBLE_EQ(scale, 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(z[2], 1.0 / std::sqrt(2.0 / 3.0));
}

TEST(Standardize, SkipFlagsSelectTheMode) {
    const test_matrix X = test_matrix::from_rows({{1, 5}, {3, 5}});
    test_matrix Z(2, 2);
    std::vector<double> center(2), scale(2);
    auto run = [&](bool skip_center, bool skip_scale) {
        error_trail t;
        return standardize_real_matrix(X.cview(), Z.view(), testing::view(center),
                                       testing::view(scale), t, skip_center, skip_scale);
    };
    // The constant column 2 is only centred when scaling is skipped; its variance is still stored.
    ASSERT_EQ(run(false, true), 0);
    EXPECT_EQ(Z.values, (std::vector<double>{-1, 1, 0, 0}));
    EXPECT_EQ(scale, (std::vector<double>{2.0, 0.0}));
    ASSERT_EQ(run(true, true), 0);
    EXPECT_EQ(Z.values, X.values);
    EXPECT_EQ(center, (std::vector<double>{2.0, 5.0}));

    const test_matrix Y = test_matrix::from_rows({{1, 4}, {3, 8}});
    error_trail t;
    ASSERT_EQ(standardize_real_matrix(Y.cview(), Z.view(), testing::view(center), testing::view(scale), t, true, false), 0);
    EXPECT_DOUBLE_EQ(Z(1, 0), 3.0 / std::sqrt(2.0));
    EXPECT_DOUBLE_EQ(Z(1, 1), 8.0 / std::sqrt(8.0));
}

// A column in small units varies as much as it does in large ones: its variance of 1e-16 is
// not zero. Before, any variance below 1e-15 was refused.
TEST(Standardize, AColumnInSmallUnitsIsStandardizedLikeTheSameColumnInLargeOnes) {
    const test_matrix X = test_matrix::from_rows({{1e-8, 3}, {3e-8, 1}, {2e-8, 8}});
    const test_matrix Y = test_matrix::from_rows({{1, 3}, {3, 1}, {2, 8}});
    test_matrix Z(3, 2), W(3, 2);
    std::vector<double> center(2), scale(2), center_y(2), scale_y(2);
    error_trail t;
    ASSERT_EQ(standardize_real_matrix(X.cview(), Z.view(), testing::view(center), testing::view(scale), t), 0);
    ASSERT_EQ(standardize_real_matrix(Y.cview(), W.view(), testing::view(center_y), testing::view(scale_y), t), 0);
    EXPECT_NEAR(scale[0], 1e-16, 1e-30);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(Z(i, 0), W(i, 0), 1e-15) << i;
}

TEST(Standardize, Failures) {
    const char* at_matrix = "OCCURRED IN: standardize_real_matrix in MOD matrix_methods";
    const char* at_vector = "OCCURRED IN: standardize_real_vector in MOD matrix_methods";
    std::vector<double> center(2), scale(2);
    {
        error_trail t;
        const test_matrix X = test_matrix::from_rows({{1, 5}, {3, 5}});
        test_matrix Z(2, 2);
        EXPECT_EQ(standardize_real_matrix(X.cview(), Z.view(), testing::view(center), testing::view(scale), t), -1);
        EXPECT_EQ(trimmed_lines(t), (Lines{"Column 2 of the dataset had zero variance (every value "
                                           "the same)", at_matrix}));
    }
    {
        // A spread within the rounding of the column's values is none either.
        error_trail t;
        const double a = 0.1, b = std::nextafter(0.1, 1.0);
        const test_matrix X = test_matrix::from_rows({{1, a}, {2, b}, {3, a}});
        test_matrix Z(3, 2);
        std::vector<double> c3(2), s3(2);
        EXPECT_EQ(standardize_real_matrix(X.cview(), Z.view(), testing::view(c3), testing::view(s3), t), -1);
        EXPECT_EQ(trimmed_lines(t)[0], "Column 2 of the dataset had zero variance (every value the same)");
    }
    {
        error_trail t;
        const test_matrix one_row(1, 2, 1.0), no_column(5, 0);
        test_matrix Z(1, 2), Z0(5, 0);
        EXPECT_EQ(standardize_real_matrix(one_row.cview(), Z.view(), testing::view(center), testing::view(scale), t), -1);
        std::vector<double> none;
        EXPECT_EQ(standardize_real_matrix(no_column.cview(), Z0.view(), testing::view(none), testing::view(none), t), -1);
        EXPECT_EQ(trimmed_lines(t), (Lines{"The dataset was too small", at_matrix,
                                           "The dataset was too small", at_matrix}));
    }
    {
        error_trail t;
        const test_matrix X = test_matrix::from_rows({{1, 5}, {3, 6}});
        test_matrix Z(2, 3);
        EXPECT_EQ(standardize_real_matrix(X.cview(), Z.view(), testing::view(center), testing::view(scale), t), -1);
        EXPECT_EQ(trimmed_lines(t), (Lines{"Dimensions of matrix arguments not conformable", at_matrix}));
    }
    {
        error_trail t;
        const std::vector<double> one = {4.0}, flat = {2.0, 2.0, 2.0}, x = {1.0, 2.0};
        std::vector<double> z1(1), z3(3), z4(4);
        double c = 0.0, s = 0.0;
        EXPECT_EQ(standardize_real_vector(testing::cview(one), testing::view(z1), c, s, t), -1);
        EXPECT_EQ(standardize_real_vector(testing::cview(flat), testing::view(z3), c, s, t), -1);
        EXPECT_EQ(standardize_real_vector(testing::cview(x), testing::view(z4), c, s, t), -1);
        EXPECT_EQ(standardize_real_vector(testing::cview(flat), testing::view(z3), c, s, t, false, true), 0);
        EXPECT_EQ(trimmed_lines(t), (Lines{"The dataset was too small", at_vector,
                                           "One of the columns in the dataset had zero variance", at_vector,
                                           "Dimensions of matrix arguments not conformable", at_vector}));
    }
}

}  // namespace
}  // namespace quill::engine
