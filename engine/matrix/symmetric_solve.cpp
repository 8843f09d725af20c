// Solution of a symmetric positive definite system through its lower Cholesky factor, for the
// callers that need (A + ridge I)^-1 b and not the inverse itself (module matrix_methods). The
// singular rule is that of symmetric_real_inverse: a pivot that is not positive after the ridge,
// or for a 1 x 1 matrix a value below 1e-15 in magnitude, and the answer is then `singular`,
// never a failure in the trail.
#include <cmath>

#include "matrix/shape_failure.h"
#include "matrix/symmetric_inverse.h"

namespace quill::engine {

namespace {

constexpr double smallest_1x1 = 1e-15;

// L z = b, then L' x = z, in place in b; L's diagonal is positive.
void solve_with_factor(matrix_cview L, vector_view b) {
    const int m = L.rows;
    for (int j = 0; j < m; ++j) {  // column by column: unit stride down L
        const double* l = L.col(j);
        const double z = b[j] / l[j];
        b[j] = z;
        for (int i = j + 1; i < m; ++i) b[i] -= l[i] * z;
    }
    for (int j = m - 1; j >= 0; --j) {  // row j of L' is column j of L
        const double* l = L.col(j);
        double s = b[j];
        for (int i = j + 1; i < m; ++i) s -= l[i] * b[i];
        b[j] = s / l[j];
    }
}

}  // namespace

int symmetric_real_solve(matrix_view A, vector_view b, bool& singular, double ridge,
                         error_trail& trail) {
    static constexpr const char* where = "symmetric_real_solve in MOD matrix_methods";
    singular = true;
    const int m = A.rows;
    if (A.cols != m) return fail_shape(trail, status_not_square, where);
    if (b.size != m) return fail_shape(trail, status_not_conformable, where);
    if (m < 1) return 0;
    for (int i = 0; i < m; ++i) A(i, i) += ridge;
    if (m == 1) {
        // As the 1 x 1 inverse: no positivity test, and the reciprocal multiplied in.
        const double s = A(0, 0);
        if (!(std::fabs(s) >= smallest_1x1)) return 0;
        b[0] = (1.0 / s) * b[0];
        singular = false;
        return 0;
    }
    error_trail discarded;  // not positive definite is an answer, not a failure
    if (cholesky_lower(A, discarded) != 0) return 0;
    solve_with_factor(A, b);
    singular = false;
    return 0;
}

}  // namespace quill::engine
