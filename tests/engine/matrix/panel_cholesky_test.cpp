// The factor taken a panel of columns at a time on the team's threads against the textbook
// left-looking factor: every entry its products subtracted one at a time in column order, then
// divided by its pivot, so the two agree bit for bit at every size, vector width and thread count.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "matrix/cross_product_kernel.h"
#include "matrix/panel_cholesky.h"
#include "matrix_test_support.h"
#include "support/thread_team.h"

namespace quill::engine::testing {
namespace {

test_matrix textbook_factor(const test_matrix& A) {
    test_matrix L(A.rows, A.cols);
    for (int j = 0; j < A.cols; ++j)
        for (int i = j; i < A.rows; ++i) {
            double v = A(i, j);
            for (int k = 0; k < j; ++k) v = v - L(i, k) * L(j, k);
            L(i, j) = i == j ? std::sqrt(v) : v / L(j, j);
        }
    return L;
}

bool same_lower_bits(const test_matrix& a, const test_matrix& b) {
    for (int j = 0; j < a.cols; ++j) {
        const size_t at = static_cast<size_t>(j) * a.rows + j;
        if (std::memcmp(&a.values[at], &b.values[at], sizeof(double) * (a.rows - j)) != 0)
            return false;
    }
    return true;
}

// Sizes below and above the blocked form, panels cut short, tiles and chunks with rows left over.
TEST(PanelCholesky, SameBitsAsTheTextbookFactorAtEveryWidthAndThreadCount) {
    for (const int m : {5, 127, 128, 131, 200, 257}) {
        const test_matrix A = random_spd(m, 40 + m);
        const test_matrix expected = textbook_factor(A);
        for (const char* set : detail::runnable_instruction_sets()) {
            ASSERT_TRUE(detail::use_instruction_set(set));
            for (const int threads : {1, 2, 3}) {
                const thread_team_scope team(threads);
                test_matrix Y = A;
                for (int j = 1; j < m; ++j)
                    for (int i = 0; i < j; ++i) Y(i, j) = -7.0;  // must stay as it is
                EXPECT_EQ(cholesky_factor_in_panels(Y.view()), -1);
                EXPECT_TRUE(same_lower_bits(Y, expected)) << m << " " << set << " " << threads;
                bool upper_kept = true;
                for (int j = 1; j < m; ++j)
                    for (int i = 0; i < j; ++i) upper_kept = upper_kept && Y(i, j) == -7.0;
                EXPECT_TRUE(upper_kept) << m << " " << set << " " << threads;
            }
        }
    }
    detail::use_instruction_set(nullptr);
}

// A matrix whose leading block of order 151 is not positive definite: the first column without
// a positive pivot is named, as the unblocked factor names it.
TEST(PanelCholesky, FirstColumnWithoutAPositivePivot) {
    const int m = 200;
    test_matrix A = random_spd(m, 5);
    A(150, 150) = -1.0;
    test_matrix unblocked = A;
    EXPECT_EQ(detail::cholesky_factor(unblocked.view()), 150);
    const thread_team_scope team(2);
    EXPECT_EQ(cholesky_factor_in_panels(A.view()), 150);
    A(0, 0) = std::nan("");
    EXPECT_EQ(cholesky_factor_in_panels(A.view()), 0);
}

}  // namespace
}  // namespace quill::engine::testing
