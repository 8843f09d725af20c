// Dense products, cross products, diagonals and traces (module matrix_methods).
//
// Every member checks the shapes first and on a mismatch writes nothing, adds one entry to the
// trail (300 non-square, 301 not conformable, 1000 with a sentence) and returns -1. Zero
// extents succeed. An absent weight vector w means every weight is 1. None allocates.
#pragma once

#include <optional>

#include "support/engine_array.h"
#include "support/error_trail.h"

namespace quill::engine {

using weights = std::optional<vector_cview>;

// C = A diag(w) B
int mat_mult_by_matrix(matrix_cview A, matrix_cview B, matrix_view C, error_trail& trail,
                       weights w = std::nullopt);
// y = A diag(w) x
int mat_mult_by_vector(matrix_cview A, vector_cview x, vector_view y, error_trail& trail,
                       weights w = std::nullopt);
// C = B' A B
int mat_mult_pre_and_post(matrix_cview A, matrix_cview B, matrix_view C, error_trail& trail);
// s = v' A v
int mat_mult_pre_and_post(matrix_cview A, vector_cview v, double& s, error_trail& trail);
// C = A diag(w) B'
int mat_mult_transpose_by_matrix(matrix_cview A, matrix_cview B, matrix_view C, weights w,
                                 error_trail& trail);
// C = A' diag(w) B
int mat_mult_transpose_first_by_vector(matrix_cview A, matrix_cview B, matrix_view C,
                                       error_trail& trail, weights w = std::nullopt);
// y = A' diag(w) u
int mat_mult_transpose_first_by_vector(matrix_cview A, vector_cview u, vector_view y,
                                       error_trail& trail, weights w = std::nullopt);
// C = T' T for a lower-triangular T (sums over k >= max(i, j)); `option` is accepted and unused.
int mult_tri_by_its_transpose(matrix_cview T, matrix_view C, error_trail& trail,
                              std::optional<int> option = std::nullopt);
// C = A A'
int postmult_by_transpose(matrix_cview A, matrix_view C, error_trail& trail);
// C = X' diag(w) X, exactly symmetric
int premult_by_transpose(matrix_cview X, matrix_view C, error_trail& trail,
                         weights w = std::nullopt);
// C = X' diag(w) X, lower triangle computed then mirrored: exactly symmetric
int real_cross_product(matrix_cview X, matrix_view C, weights w, error_trail& trail);
// d(i) = A(i,i)
int take_diag_real(matrix_cview A, vector_view d, error_trail& trail);
// t = sum A(i,i)
int take_trace_real(matrix_cview A, double& t, error_trail& trail);
// t = trace(A B A'), with the element guards on A and B (|element| above 1e20 fails)
int quadratic_form_trace_real_matrix_transpose_outer(matrix_cview A, matrix_cview B, double& t,
                                                     error_trail& trail);
// t = trace(A' B A), same guards
int quadratic_form_trace_real_matrix(matrix_cview A, matrix_cview B, double& t,
                                     error_trail& trail);

}  // namespace quill::engine
