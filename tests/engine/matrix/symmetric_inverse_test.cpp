#include "matrix/symmetric_inverse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "matrix_test_support.h"
#include "support/allocation.h"
#include "support/fault_injector.h"

namespace quill::engine {
namespace {

using testing::test_matrix;
using testing::trimmed_lines;
using Lines = std::vector<std::string>;

struct inverse_result {
    int status;
    bool singular;
    test_matrix inverse;
};

inverse_result invert(const test_matrix& A, error_trail& t, const log1* mask = nullptr) {
    inverse_result r{0, false, test_matrix(A.rows, A.cols, -777.0)};
    r.status = symmetric_real_inverse(A.cview(), r.inverse.view(), r.singular, mask, std::nullopt, t);
    return r;
}

log1 make_mask(std::initializer_list<bool> values) {
    error_trail t;
    log1 mask;
    EXPECT_EQ(log1_alloc(mask, static_cast<int>(values.size()), t), 0);
    int i = 1;
    for (bool v : values) mask(i++) = v;
    return mask;
}

// ||I - A Ainv||_1 / (m ||A||_1 ||Ainv||_1 eps), the usual scaled residual of an inverse.
double scaled_residual(const test_matrix& A, const test_matrix& Ainv) {
    const int m = A.rows;
    const test_matrix P = testing::reference_product(A, Ainv);
    auto norm1 = [m](const test_matrix& M, bool minus_identity) {
        double best = 0.0;
        for (int j = 0; j < m; ++j) {
            double s = 0.0;
            for (int i = 0; i < m; ++i) s += std::fabs(M(i, j) - (minus_identity && i == j ? 1.0 : 0.0));
            best = std::fmax(best, s);
        }
        return best;
    };
    return norm1(P, true) /
           (m * norm1(A, false) * norm1(Ainv, false) * std::numeric_limits<double>::epsilon());
}

TEST(SymmetricInverse, ScaledResidualIsSmallAtEverySize) {
    for (int m : {1, 2, 3, 7, 17, 100}) {
        SCOPED_TRACE(m);
        error_trail t;
        const test_matrix A = testing::random_spd(m, 50 + m);
        const inverse_result r = invert(A, t);
        ASSERT_EQ(r.status, 0);
        ASSERT_FALSE(r.singular);
        EXPECT_LT(scaled_residual(A, r.inverse), 10.0);
        for (int j = 0; j < m; ++j)
            for (int i = 0; i < m; ++i) ASSERT_EQ(r.inverse(i, j), r.inverse(j, i));
        EXPECT_TRUE(t.lines().empty());
    }
}

TEST(SymmetricInverse, InPlaceGivesTheSameInverse) {
    error_trail t;
    test_matrix A = testing::random_spd(9, 60);
    const inverse_result r = invert(A, t);
    bool singular = true;
    ASSERT_EQ(symmetric_real_inverse(A.cview(), A.view(), singular, nullptr, std::nullopt, t), 0);
    EXPECT_FALSE(singular);
    EXPECT_EQ(A.values, r.inverse.values);
}

TEST(SymmetricInverse, LimitingCases) {
    error_trail t;
    {
        const inverse_result r = invert(test_matrix::identity(3), t);
        EXPECT_EQ(r.status, 0);
        EXPECT_FALSE(r.singular);
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i) EXPECT_NEAR(r.inverse(i, j), i == j ? 1.0 : 0.0, 1e-15);
    }
    {
        // The second pivot is exactly the ridge, so the inverse holds 1 / 1e-15.
        const inverse_result r = invert(test_matrix::from_rows({{1, 0}, {0, 0}}), t);
        EXPECT_FALSE(r.singular);
        EXPECT_NEAR(r.inverse(1, 1), 1e15, 1.0);
        EXPECT_NEAR(r.inverse(0, 0), 1.0, 1e-15);
    }
    {
        // Indefinite: second pivot 1 + 1e-15 - 4 < 0. An answer, not a failure.
        const inverse_result r = invert(test_matrix::from_rows({{1, 2}, {2, 1}}), t);
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.singular);
        for (double v : r.inverse.values) EXPECT_EQ(v, 0.0);
    }
    {
        // 1 x 1: the reciprocal whatever its sign, refused only when it would be near 1 / 0.
        const inverse_result negative = invert(test_matrix::from_rows({{-4}}), t);
        EXPECT_FALSE(negative.singular);
        EXPECT_EQ(negative.inverse(0, 0), 1.0 / (-4.0 + 1e-15));
        const inverse_result zero = invert(test_matrix::from_rows({{0}}), t);
        EXPECT_FALSE(zero.singular);
        EXPECT_EQ(zero.inverse(0, 0), 1.0 / 1e-15);
        const inverse_result cancelled = invert(test_matrix::from_rows({{-1e-15}}), t);
        EXPECT_TRUE(cancelled.singular);
        EXPECT_EQ(cancelled.inverse(0, 0), 0.0);
    }
    {
        // A NaN pivot cannot be a positive definite factor.
        test_matrix A = test_matrix::identity(2);
        A(1, 1) = std::numeric_limits<double>::quiet_NaN();
        const inverse_result r = invert(A, t);
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.singular);
        for (double v : r.inverse.values) EXPECT_EQ(v, 0.0);
    }
    EXPECT_TRUE(t.lines().empty());  // nothing of the factorization reaches the caller
    EXPECT_FALSE(t.error_occurred());
}

TEST(SymmetricInverse, MasksKeepABlock) {
    error_trail t;
    const test_matrix A = test_matrix::from_rows({{4, 1, 2}, {1, 3, 0.5}, {2, 0.5, 5}});
    const log1 middle = make_mask({false, true, false});
    const inverse_result r = invert(A, t, &middle);
    ASSERT_EQ(r.status, 0);
    EXPECT_FALSE(r.singular);
    // Inverse of [[4, 2], [2, 5]] is [[5, -2], [-2, 4]] / 16.
    EXPECT_NEAR(r.inverse(0, 0), 5.0 / 16, 1e-15);
    EXPECT_NEAR(r.inverse(2, 0), -2.0 / 16, 1e-15);
    EXPECT_NEAR(r.inverse(2, 2), 4.0 / 16, 1e-15);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(r.inverse(1, i), 0.0);
        EXPECT_EQ(r.inverse(i, 1), 0.0);
    }

    const log1 all = make_mask({true, true, true});
    const inverse_result none = invert(A, t, &all);
    EXPECT_EQ(none.status, 0);
    EXPECT_TRUE(none.singular);
    for (double v : none.inverse.values) EXPECT_EQ(v, 0.0);
    EXPECT_TRUE(t.lines().empty());
}

TEST(SymmetricInverse, UsageFailures) {
    const char* at = "OCCURRED IN: symmetric_real_inverse in MOD matrix_methods";
    error_trail t;
    const test_matrix wide(2, 3, 1.0);
    bool singular = false;
    test_matrix out(2, 3);
    EXPECT_EQ(symmetric_real_inverse(wide.cview(), out.view(), singular, nullptr, std::nullopt, t), -1);
    EXPECT_TRUE(singular);
    test_matrix small(2, 2);
    EXPECT_EQ(symmetric_real_inverse(test_matrix::identity(3).cview(), small.view(), singular, nullptr,
                                     std::nullopt, t), -1);
    const log1 short_mask = make_mask({false, false});
    EXPECT_EQ(invert(test_matrix::identity(3), t, &short_mask).status, -1);
    EXPECT_EQ(trimmed_lines(t), (Lines{"Non-square matrix encountered; square expected", at,
                                       "Dimensions of matrix arguments not conformable", at,
                                       "Dimensions of matrix arguments not conformable", at}));
}

TEST(SymmetricInverse, EachTemporaryFailingIsReportedByName) {
    const test_matrix A = testing::random_spd(4, 70);
    fault_injector::reset_count();
    {
        error_trail t;
        ASSERT_EQ(invert(A, t).status, 0);
    }
    ASSERT_EQ(fault_injector::allocations_seen(), 3);
    const Lines objects[] = {
        {"symmetric_real_inverse: indices_to_include", "OCCURRED IN: int1_alloc in MOD dynamic_allocation"},
        {"symmetric_real_inverse: Y", "OCCURRED IN: dbl2_alloc in MOD dynamic_allocation"},
        {"symmetric_real_inverse: Yinv", "OCCURRED IN: dbl2_alloc in MOD dynamic_allocation"}};
    for (int k = 1; k <= 3; ++k) {
        SCOPED_TRACE(k);
        error_trail t;
        fault_injector::fail_allocation_at(k);
        const inverse_result r = invert(A, t);
        fault_injector::disarm();
        EXPECT_EQ(r.status, -1);
        EXPECT_TRUE(r.singular);
        EXPECT_EQ(trimmed_lines(t), (Lines{"Unable to allocate memory for object", objects[k - 1][0],
                                           objects[k - 1][1],
                                           "OCCURRED IN: symmetric_real_inverse in MOD matrix_methods"}));
    }
}

TEST(CholeskyParts, Failures) {
    error_trail t;
    test_matrix indefinite = test_matrix::from_rows({{1, 2}, {2, 1}});
    EXPECT_EQ(cholesky_lower(indefinite.view(), t), -1);
    test_matrix wide(2, 3);
    EXPECT_EQ(cholesky_lower(wide.view(), t), -1);
    test_matrix zero_pivot = test_matrix::from_rows({{2, 0}, {1, 0}});
    EXPECT_EQ(invert_lower(zero_pivot.view(), t), -1);
    test_matrix P(3, 3);
    EXPECT_EQ(premult_lower_by_transpose(test_matrix::identity(2).cview(), P.view(), t), -1);
    EXPECT_EQ(trimmed_lines(t),
              (Lines{"Matrix not positive definite", "OCCURRED IN: cholesky_lower in MOD matrix_methods",
                     "Non-square matrix encountered; square expected",
                     "OCCURRED IN: cholesky_lower in MOD matrix_methods",
                     "Matrix apparently singular", "OCCURRED IN: invert_lower in MOD matrix_methods",
                     "Dimensions of matrix arguments not conformable",
                     "OCCURRED IN: premult_lower_by_transpose in MOD matrix_methods"}));
}

TEST(AddDiagonal, AddsOrRefusesWithoutChange) {
    const char* at = "OCCURRED IN: add_a_diag_matrix_to in MOD matrix_methods";
    error_trail t;
    test_matrix M = test_matrix::identity(3);
    const std::vector<double> ok = {0.0, 2.0, 1e15};
    ASSERT_EQ(add_a_diag_matrix_to(M.view(), testing::cview(ok), t), 0);
    EXPECT_EQ(M(1, 1), 3.0);
    EXPECT_EQ(M(2, 2), 1.0 + 1e15);

    const test_matrix before = M;
    for (const std::vector<double>& bad :
         {std::vector<double>{0.0, -1e-300, 0.0}, std::vector<double>{0.0, 1.0000001e15, 0.0},
          std::vector<double>{0.0, std::nan(""), 0.0}, std::vector<double>{1.0, 1.0}}) {
        EXPECT_EQ(add_a_diag_matrix_to(M.view(), testing::cview(bad), t), -1);
        EXPECT_EQ(M.values, before.values);
    }
    test_matrix empty(0, 0), wide(2, 3);
    const std::vector<double> none, three(3, 1.0);
    EXPECT_EQ(add_a_diag_matrix_to(empty.view(), testing::cview(none), t), -1);
    EXPECT_EQ(add_a_diag_matrix_to(wide.view(), testing::cview(three), t), -1);  // no (3, 3) entry
    const Lines lines = trimmed_lines(t);
    ASSERT_EQ(lines.size(), 12u);
    for (int i = 0; i < 8; i += 2) EXPECT_EQ(lines[i], "Invalid ridge vector");
    EXPECT_EQ(lines[8], "Invalid matrix");
    EXPECT_EQ(lines[10], "Invalid matrix");
    EXPECT_EQ(lines[11], at);
}

// The cross-product of [1, x1, x2, x1 + x2, x1, x5] with x5 nearly aliased (1e-5 of its length
// outside the others): columns 4 and 5 are exact combinations of the earlier ones, whatever the
// rounding of G; column 6 is kept, and so is every column of a design without aliasing.
TEST(AliasedColumns, ExactCombinationsOfEarlierColumnsAreMarked) {
    const int n = 40;
    test_matrix X(n, 6);
    const std::vector<double> a = testing::random_vector(n, 11), b = testing::random_vector(n, 12),
                              c = testing::random_vector(n, 13);
    for (int i = 0; i < n; ++i) {
        X(i, 0) = 1.0;
        X(i, 1) = a[i];
        X(i, 2) = b[i];
        X(i, 3) = a[i] + b[i];
        X(i, 4) = a[i];
        X(i, 5) = a[i] - b[i] + 1e-5 * c[i];
    }
    test_matrix G(6, 6), L(6, 6);
    for (int j = 0; j < 6; ++j)
        for (int k = 0; k < 6; ++k)
            for (int i = 0; i < n; ++i) G(j, k) += X(i, j) * X(i, k);
    error_trail t;
    log1 aliased;
    ASSERT_EQ(log1_alloc(aliased, 6, t), 0);
    EXPECT_EQ(aliased_columns(G.cview(), 1e-13, L.view(), aliased, t), 2);
    for (int j = 1; j <= 6; ++j) EXPECT_EQ(aliased(j), j == 4 || j == 5) << j;

    test_matrix H(3, 3), M(3, 3);
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k)
            for (int i = 0; i < n; ++i) H(j, k) += X(i, j) * X(i, k);
    log1 none;
    ASSERT_EQ(log1_alloc(none, 3, t), 0);
    EXPECT_EQ(aliased_columns(H.cview(), 1e-13, M.view(), none, t), 0);
    EXPECT_FALSE(t.error_occurred());
}

}  // namespace
}  // namespace quill::engine
