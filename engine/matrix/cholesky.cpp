// Lower Cholesky factor, inverse of a lower-triangular matrix and L'L (module matrix_methods):
// the three steps of the symmetric inverse, each working in place on column-major storage.
#include <cmath>

#include "matrix/cross_product_kernel.h"
#include "matrix/panel_cholesky.h"
#include "matrix/shape_failure.h"
#include "matrix/symmetric_inverse.h"

namespace quill::engine {

// Left-looking (cross_product_kernel.h): each entry subtracts the products of the earlier
// columns in column order, then its column is scaled by the pivot; a large matrix a panel of
// columns at a time on the team's threads, with the same bits.
int cholesky_lower(matrix_view Y, error_trail& trail) {
    static constexpr const char* where = "cholesky_lower in MOD matrix_methods";
    if (Y.cols != Y.rows) return fail_shape(trail, status_not_square, where);
    if (cholesky_factor_in_panels(Y) >= 0)
        return fail_status(trail, status_not_positive_definite, where);
    return 0;
}

// Row by row: L^-1(j, j) = 1 / L(j, j) and, for i < j in ascending order,
// L^-1(j, i) = -L^-1(j, j) * sum over k = i .. j-1 of L(j, k) L^-1(k, i). Entry (j, i) is
// overwritten only after every later entry of row j that needs L(j, i) has been formed.
int invert_lower(matrix_view L, error_trail& trail) {
    static constexpr const char* where = "invert_lower in MOD matrix_methods";
    const int m = L.rows;
    if (L.cols != m) return fail_shape(trail, status_not_square, where);
    for (int j = 0; j < m; ++j) {
        if (L(j, j) == 0.0) return fail_status(trail, status_singular, where);
        const double d = 1.0 / L(j, j);
        for (int i = 0; i < j; ++i) {
            const double* inverse_column = L.col(i);
            double s = 0.0;
            for (int k = i; k < j; ++k) s += L(j, k) * inverse_column[k];
            L(j, i) = -d * s;
        }
        L(j, j) = d;
    }
    return 0;
}

int premult_lower_by_transpose(matrix_cview L, matrix_view P, error_trail& trail) {
    static constexpr const char* where = "premult_lower_by_transpose in MOD matrix_methods";
    if (L.cols != L.rows) return fail_shape(trail, status_not_square, where);
    if (P.rows != L.rows || P.cols != L.cols)
        return fail_shape(trail, status_not_conformable, where);
    detail::lower_transpose_product(L, P);
    return 0;
}

int aliased_columns(matrix_cview G, double tolerance, matrix_view L, log1& aliased,
                    error_trail& trail) {
    static constexpr const char* where = "aliased_columns in MOD matrix_methods";
    const int m = G.rows;
    if (G.cols != m || L.rows != m || L.cols != m || aliased.extent(0) != m)
        return fail_shape(trail, status_not_conformable, where);
    int count = 0;
    for (int j = 0; j < m; ++j) {
        // The part of column j not yet explained by the earlier kept columns.
        double rest = G(j, j);
        for (int k = 0; k < j; ++k)
            if (!aliased(k + 1)) rest -= L(j, k) * L(j, k);
        aliased(j + 1) = !(rest > tolerance * G(j, j));
        if (aliased(j + 1)) {
            ++count;
            continue;
        }
        const double pivot = std::sqrt(rest);
        L(j, j) = pivot;
        for (int i = j + 1; i < m; ++i) {
            double v = G(i, j);
            for (int k = 0; k < j; ++k)
                if (!aliased(k + 1)) v -= L(i, k) * L(j, k);
            L(i, j) = v / pivot;
        }
    }
    return count;
}

}  // namespace quill::engine
