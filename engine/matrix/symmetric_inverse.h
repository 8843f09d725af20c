// Cholesky factorisation, symmetric inversion and solution with a ridge (module matrix_methods).
//
// A matrix that cannot be inverted is not a failure of symmetric_real_inverse: it returns 0
// with `singular` true and a zero inverse, and each caller words its own failure. -1 means a
// usage or resource failure, reported in the trail.
#pragma once

#include <optional>

#include "support/engine_array.h"
#include "support/error_trail.h"

namespace quill::engine {

// Ainv = (A(kept, kept) + ridge I)^-1 scattered into the kept rows and columns, zero elsewhere.
// exclude_mask (length n) names rows and columns to leave out; the ridge defaults to 1e-15.
int symmetric_real_inverse(matrix_cview A, matrix_view Ainv, bool& singular,
                           const log1* exclude_mask, std::optional<double> ridge,
                           error_trail& trail);

// b = (A + ridge I)^-1 b through the lower Cholesky factor, which overwrites A's lower triangle
// (A's diagonal holds the ridge either way). `singular` as for the inverse; b is then unchanged.
int symmetric_real_solve(matrix_view A, vector_view b, bool& singular, double ridge,
                         error_trail& trail);

// M(i,i) += v(i); v must match M's columns and lie in [0, 1e15].
int add_a_diag_matrix_to(matrix_view M, vector_cview v, error_trail& trail);

// Y is replaced by its lower Cholesky factor (the upper triangle is not touched).
int cholesky_lower(matrix_view Y, error_trail& trail);

// The columns of a design that are exact linear combinations of the columns before them, from
// its cross-product G = X'X: a Cholesky factorisation in column order that passes over a column
// whose remaining squared length is at most `tolerance` times G(j, j) (all of it lies in the
// span of the earlier columns kept), as a pivoted QR marks aliased columns. aliased(j) is set
// for each; L is scratch of G's size. Returns their number, or -1 on a shape failure.
int aliased_columns(matrix_cview G, double tolerance, matrix_view L, log1& aliased,
                    error_trail& trail);

// L (lower triangular) is replaced by its inverse.
int invert_lower(matrix_view L, error_trail& trail);

// P = L' L over the lower triangle of L; P is filled completely and exactly symmetric.
int premult_lower_by_transpose(matrix_cview L, matrix_view P, error_trail& trail);

}  // namespace quill::engine
