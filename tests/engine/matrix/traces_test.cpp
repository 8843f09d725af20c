#include <gtest/gtest.h>

#include <cmath>

#include "matrix/products.h"
#include "matrix_test_support.h"

namespace quill::engine {
namespace {

using testing::test_matrix;
using testing::trimmed_lines;
using Lines = std::vector<std::string>;

double reference_trace_outer(const test_matrix& A, const test_matrix& B) {
    const test_matrix AB = testing::reference_product(A, B);
    double t = 0.0;
    for (int i = 0; i < A.rows; ++i)
        for (int l = 0; l < A.cols; ++l) t += AB(i, l) * A(i, l);
    return t;
}

TEST(Traces, DiagonalAndTrace) {
    error_trail t;
    const test_matrix A = test_matrix::from_rows({{1, 2, 3}, {4, 5, 6}, {7, 8, 9.5}});
    std::vector<double> d(3);
    ASSERT_EQ(take_diag_real(A.cview(), testing::view(d), t), 0);
    EXPECT_EQ(d, (std::vector<double>{1, 5, 9.5}));
    double tr = 0.0;
    ASSERT_EQ(take_trace_real(A.cview(), tr, t), 0);
    EXPECT_EQ(tr, 15.5);

    const test_matrix wide(2, 3, 1.0);
    EXPECT_EQ(take_diag_real(wide.cview(), testing::view(d), t), -1);
    EXPECT_EQ(take_trace_real(wide.cview(), tr, t), -1);
    EXPECT_EQ(tr, 15.5);
    EXPECT_EQ(trimmed_lines(t), (Lines{"Non-square matrix encountered; square expected",
                                       "OCCURRED IN: take_diag_real in MOD matrix_methods",
                                       "Non-square matrix encountered; square expected",
                                       "OCCURRED IN: take_trace_real in MOD matrix_methods"}));
}

TEST(Traces, QuadraticFormTracesMatchTheFormedProduct) {
    // k = 70 spans three panels of the A'A buffer; m = 300 crosses a row block.
    error_trail t;
    const test_matrix A = test_matrix::random(300, 70, 40), B = test_matrix::random(70, 70, 41);
    double outer = 0.0;
    ASSERT_EQ(quadratic_form_trace_real_matrix_transpose_outer(A.cview(), B.cview(), outer, t), 0);
    const double want = reference_trace_outer(A, B);
    EXPECT_NEAR(outer, want, 1e-10 * (1.0 + std::abs(want)));

    // trace(A' B A) of the transpose is the same number.
    test_matrix At(70, 300);
    for (int i = 0; i < 300; ++i)
        for (int j = 0; j < 70; ++j) At(j, i) = A(i, j);
    double plain = 0.0;
    ASSERT_EQ(quadratic_form_trace_real_matrix(At.cview(), B.cview(), plain, t), 0);
    EXPECT_NEAR(plain, want, 1e-10 * (1.0 + std::abs(want)));

    // With B the identity, trace(A A') is the sum of squares.
    double ss = 0.0, expected_ss = 0.0;
    for (double v : A.values) expected_ss += v * v;
    ASSERT_EQ(quadratic_form_trace_real_matrix_transpose_outer(A.cview(), test_matrix::identity(70).cview(), ss, t), 0);
    EXPECT_NEAR(ss, expected_ss, 1e-9);
}

TEST(Traces, ElementGuardsFireFirstAndInOrder) {
    // The location is longer than a trail line and is cut at 80 characters.
    // The location is longer than a trail line and continues on the next.
    const Lines outer = {"OCCURRED IN: quadratic_form_trace_real_matrix_transpose_outer in MOD",
                         "matrix_methods"};
    test_matrix A = test_matrix::identity(2), B = test_matrix::identity(2);
    double tr = -1.0;
    {
        error_trail t;
        A(1, 0) = 1e20;  // the limit itself is allowed
        EXPECT_EQ(quadratic_form_trace_real_matrix_transpose_outer(A.cview(), B.cview(), tr, t), 0);
        EXPECT_EQ(tr, 1e40);  // trace(A A') = 1 + 1e40 + 1
    }
    {
        error_trail t;
        A(1, 0) = 1.0000001e20;
        B(0, 1) = -2e20;
        EXPECT_EQ(quadratic_form_trace_real_matrix_transpose_outer(A.cview(), B.cview(), tr, t), -1);
        EXPECT_EQ(trimmed_lines(t), (Lines{"Some element of A is too large (positive)", outer[0],
                                           outer[1]}));
    }
    {
        error_trail t;
        A(1, 0) = -1e21;
        EXPECT_EQ(quadratic_form_trace_real_matrix_transpose_outer(A.cview(), B.cview(), tr, t), -1);
        EXPECT_EQ(trimmed_lines(t), (Lines{"Some element of A is too large (negative)", outer[0],
                                           outer[1]}));
    }
    {
        error_trail t;
        A(1, 0) = 0.0;
        EXPECT_EQ(quadratic_form_trace_real_matrix(A.cview(), B.cview(), tr, t), -1);
        EXPECT_EQ(trimmed_lines(t),
                  (Lines{"Some element of B is too large (negative)",
                         "OCCURRED IN: quadratic_form_trace_real_matrix in MOD matrix_methods"}));
        B(1, 1) = 3e20;
        t.reset();
        EXPECT_EQ(quadratic_form_trace_real_matrix(A.cview(), B.cview(), tr, t), -1);
        EXPECT_EQ(trimmed_lines(t)[0], "Some element of B is too large (positive)");
    }
    EXPECT_EQ(tr, 1e40);  // untouched by the failures
}

TEST(Traces, ShapeFailures) {
    error_trail t;
    double tr = 0.0;
    const test_matrix A32(3, 2, 1.0), B33(3, 3, 1.0), B23(2, 3, 1.0);
    EXPECT_EQ(quadratic_form_trace_real_matrix_transpose_outer(A32.cview(), B23.cview(), tr, t), -1);
    EXPECT_EQ(quadratic_form_trace_real_matrix_transpose_outer(A32.cview(), B33.cview(), tr, t), -1);
    EXPECT_EQ(quadratic_form_trace_real_matrix(A32.cview(), B33.cview(), tr, t), 0);  // 3 x 2 is k x m
    EXPECT_EQ(quadratic_form_trace_real_matrix(B23.cview(), B33.cview(), tr, t), -1);
    const Lines lines = trimmed_lines(t);
    ASSERT_EQ(lines.size(), 8u);  // the two long locations take two lines each
    EXPECT_EQ(lines[0], "Non-square matrix encountered; square expected");
    EXPECT_EQ(lines[3], "Dimensions of matrix arguments not conformable");
    EXPECT_EQ(lines[6], "Dimensions of matrix arguments not conformable");
}

}  // namespace
}  // namespace quill::engine
