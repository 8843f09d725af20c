// Ridge-stabilised weighted least squares through the normal equations (module matrix_methods).
#include "matrix/least_squares.h"

#include "matrix/products.h"
#include "matrix/shape_failure.h"
#include "matrix/symmetric_inverse.h"
#include "support/allocation.h"

namespace quill::engine {

int least_squares_regression(matrix_cview x, vector_cview y, vector_view beta, bool& singular,
                             error_trail& trail, std::optional<vector_cview> case_weights,
                             std::optional<double> ridge, bool skip_first) {
    static constexpr const char* where = "least_squares_regression in MOD matrix_methods";
    singular = false;
    const int n = x.rows;
    const int k = x.cols;
    if (y.size != n || (case_weights && case_weights->size != n) || beta.size != k)
        return fail_shape(trail, status_not_conformable, where);

    dbl1 xTy;
    dbl2 xTx;
    if (dbl1_alloc(xTy, k, trail, {}, "least_squares_regression: xTy") != 0 ||
        dbl2_alloc(xTx, k, k, trail, {}, {}, "least_squares_regression: xTx") != 0)
        return fail_after(trail, where);

    if (mat_mult_transpose_first_by_vector(x, x, xTx, trail, case_weights) != 0 ||
        mat_mult_transpose_first_by_vector(x, y, xTy, trail, case_weights) != 0)
        return fail_after(trail, where);

    if (ridge) {
        if (*ridge < 0.0) return fail(trail, where, "The ridge constant cannot be negative.");
        for (int i = skip_first ? 2 : 1; i <= k; ++i) xTx(i, i) += *ridge;
    }

    // At least as many coefficients as observations leaves no residual degree of freedom (or
    // none at all): such a fit is refused as singular without factoring. Otherwise the
    // cross-product is inverted in place.
    if (k < n) {
        if (symmetric_real_inverse(xTx, xTx, singular, nullptr, std::nullopt, trail) != 0)
            return fail_after(trail, where);
    } else {
        singular = true;
    }
    if (singular) return fail_status(trail, status_singular, where);

    if (mat_mult_by_vector(xTx, xTy, beta, trail) != 0) return fail_after(trail, where);
    return 0;
}

}  // namespace quill::engine
