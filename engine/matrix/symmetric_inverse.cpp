// Inverse of a symmetric positive definite matrix through a ridge, a kept block, the lower
// Cholesky factor and its inverse (module matrix_methods). A matrix that cannot be inverted
// is reported through `singular` with a zero inverse, never through the caller's trail.
#include "matrix/symmetric_inverse.h"

#include <cmath>

#include "matrix/cross_product_kernel.h"
#include "matrix/shape_failure.h"
#include "support/allocation.h"

namespace quill::engine {

namespace {

constexpr double default_ridge = 1e-15;
constexpr double smallest_1x1 = 1e-15;
constexpr double largest_diagonal_addition = 1e15;

}  // namespace

int symmetric_real_inverse(matrix_cview A, matrix_view Ainv, bool& singular,
                           const log1* exclude_mask, std::optional<double> ridge,
                           error_trail& trail) {
    static constexpr const char* where = "symmetric_real_inverse in MOD matrix_methods";
    singular = true;
    const double added = ridge.value_or(default_ridge);
    const int n = A.rows;
    if (A.cols != n) return fail_shape(trail, status_not_square, where);
    if (Ainv.rows != n || Ainv.cols != n) return fail_shape(trail, status_not_conformable, where);

    const bool* mask = nullptr;
    if (exclude_mask) {
        const int length = exclude_mask->allocated() ? exclude_mask->extent(0) : 0;
        if (length != n) return fail_shape(trail, status_not_conformable, where);
        mask = exclude_mask->data();
    }
    int m = 0;
    for (int i = 0; i < n; ++i) m += (mask && mask[i]) ? 0 : 1;
    int1 kept;
    if (int1_alloc(kept, m, trail, {}, "symmetric_real_inverse: indices_to_include") != 0)
        return fail_after(trail, where);
    for (int i = 0, next = 1; i < n; ++i)
        if (!(mask && mask[i])) kept(next++) = i;

    if (m < 1) {
        detail::zero_matrix(Ainv);
        return 0;
    }
    if (n == 1) {
        // No positivity test here: a negative 1 x 1 matrix has its reciprocal as inverse.
        const double s = added + A(0, 0);
        const bool invertible = std::fabs(s) >= smallest_1x1;
        Ainv(0, 0) = invertible ? 1.0 / s : 0.0;
        singular = !invertible;
        return 0;
    }

    dbl2 Y;
    if (dbl2_alloc(Y, m, m, trail, {}, {}, "symmetric_real_inverse: Y") != 0)
        return fail_after(trail, where);
    const matrix_view y(Y);
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < m; ++i) y(i, j) = A(kept(i + 1), kept(j + 1));
    for (int i = 0; i < m; ++i) y(i, i) += added;

    // Not positive definite or singular is an answer, not a failure: the factorization's own
    // report is dropped.
    error_trail discarded;
    if (cholesky_lower(y, discarded) != 0 || invert_lower(y, discarded) != 0) {
        detail::zero_matrix(Ainv);
        return 0;
    }

    dbl2 Yinv;
    if (dbl2_alloc(Yinv, m, m, trail, {}, {}, "symmetric_real_inverse: Yinv") != 0)
        return fail_after(trail, where);
    if (premult_lower_by_transpose(y, Yinv, trail) != 0) return fail(trail, where, "Unknown error");

    detail::zero_matrix(Ainv);
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < m; ++i) Ainv(kept(i + 1), kept(j + 1)) = Yinv(i + 1, j + 1);
    singular = false;
    return 0;
}

int add_a_diag_matrix_to(matrix_view M, vector_cview v, error_trail& trail) {
    static constexpr const char* where = "add_a_diag_matrix_to in MOD matrix_methods";
    // Fewer rows than columns would put the last diagonal entries outside M.
    if (M.rows < 1 || M.cols < 1 || M.rows < M.cols) return fail(trail, where, "Invalid matrix");
    if (v.size != M.cols) return fail(trail, where, "Invalid ridge vector");
    for (int i = 0; i < v.size; ++i)
        if (!(v[i] >= 0.0 && v[i] <= largest_diagonal_addition))
            return fail(trail, where, "Invalid ridge vector");
    for (int i = 0; i < v.size; ++i) M(i, i) += v[i];
    return 0;
}

}  // namespace quill::engine
