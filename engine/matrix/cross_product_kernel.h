// The kernel under every X' diag(w) Y product of the engine (cross products, the LQA
// denominator, the covariance sandwich and the projection trace).
//
// Rows are taken in cache-sized blocks; within a block a small tile of outputs is accumulated in
// registers while the tile's columns are read with unit stride. Every output entry is formed the
// same way whatever tile it falls in: within a block, one running sum over the even rows and one
// over the odd rows, in index order, added together and then to the output. Results therefore do
// not depend on the tiling, and a weight vector of ones gives the unweighted result bit for bit
// (w(t) * B(t, j) is B(t, j) exactly when w(t) is 1).
#pragma once

#include "support/engine_array.h"

namespace quill::engine::detail {

// C(i, j) += sum over rows t of A(t, i) * (w(t) * B(t, j)), or A(t, i) * B(t, j) without w.
// With lower_only, only the entries with j <= i are guaranteed (others in diagonal tiles may be
// written too); the caller mirrors. A and B have the same rows; C is A.cols x B.cols. No
// allocation.
void accumulate_cross_product(matrix_cview A, matrix_cview B, const vector_cview* w,
                              matrix_view C, bool lower_only);

// C(j, i) = C(i, j) for every i > j.
void mirror_lower(matrix_view C);

// P = L' L for a lower-triangular L, each entry summed over k >= max(i, j) only: lower triangle
// formed, then mirrored, so P is exactly symmetric. P is L.cols x L.cols.
void lower_transpose_product(matrix_cview L, matrix_view P);

// y(c) = sum over t of A(t, c) * (w(t) * u(t)), or A(t, c) * u(t) without w: columns four at a
// time, each sum split over the even and the odd rows as above (one block of all rows). y has
// A.cols elements.
void transpose_times_vector(matrix_cview A, vector_cview u, const vector_cview* w, vector_view y);

// sum over t of x(t) * v(t), by the same rule.
double dot(const double* x, vector_cview v);

void zero_matrix(matrix_view C);

}  // namespace quill::engine::detail
