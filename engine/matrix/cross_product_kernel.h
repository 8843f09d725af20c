// The kernels under every X' diag(w) Y, X' diag(w) u and X b of the engine (cross products, the
// LQA passes, the covariance sandwich and the projection trace).
//
// Rows are taken in blocks of 256; within a block a small tile of outputs is accumulated in
// registers while the tile's columns are read with unit stride. Every output entry is formed the
// same way whatever tile it falls in and whatever vector width the machine offers: within a
// block, one running sum over the even rows and one over the odd rows, in index order, added
// together and then to the output. A weight vector of ones gives the unweighted result bit for
// bit (w(t) * B(t, j) is B(t, j) exactly when w(t) is 1). Of the vector sets the processor has
// (AVX-512, AVX2, SSE2) the quickest on a small problem is chosen once, at first use.
#pragma once

#include <cstddef>
#include <vector>

#include "support/engine_array.h"

namespace quill::engine::detail {

inline constexpr int cross_product_row_block = 256;

// Columns of a column-major matrix: all of them, or those an index list names (0-based, in the
// order given), so that kernels can work on a subset of the columns without copying them.
struct column_set {
    const double* data = nullptr;
    int rows = 0;
    int cols = 0;
    int ld = 0;
    const int* index = nullptr;

    column_set() = default;
    column_set(matrix_cview m) : data(m.data), rows(m.rows), cols(m.cols), ld(m.ld) {}
    column_set(matrix_cview m, const int* selected, int count)
        : data(m.data), rows(m.rows), cols(count), ld(m.ld), index(selected) {}
    const double* col(int j) const {
        return data + static_cast<std::ptrdiff_t>(index ? index[j] : j) * ld;
    }
};

// C(i, j) += sum over rows t in [t0, t1) of A(t, i) * (w(t) * B(t, j)), or A(t, i) * B(t, j)
// without w; t0 is a multiple of the row block. With lower_only, only the entries with j <= i
// are guaranteed (others in diagonal tiles may be written too); the caller mirrors. A and B
// have the same rows; C is A.cols x B.cols. No allocation.
void accumulate_cross_product(column_set A, column_set B, const vector_cview* w, matrix_view C,
                              bool lower_only, int t0, int t1);
inline void accumulate_cross_product(column_set A, column_set B, const vector_cview* w,
                                     matrix_view C, bool lower_only) {
    accumulate_cross_product(A, B, w, C, lower_only, 0, A.rows);
}

// C(j, i) = C(i, j) for every i > j.
void mirror_lower(matrix_view C);

// P = L' L for a lower-triangular L, each entry summed over k >= max(i, j) only: lower triangle
// formed, then mirrored, so P is exactly symmetric. P is L.cols x L.cols.
void lower_transpose_product(matrix_cview L, matrix_view P);

// y(c) = sum over rows t in [t0, t1) of A(t, c) * (w(t) * u(t)), or A(t, c) * u(t) without w,
// each sum split over the even and the odd rows as above (in one block). y has A.cols elements.
void transpose_times_vector(column_set A, vector_cview u, const vector_cview* w, double* y,
                            int t0, int t1);

// The same sums taken a range of rows at a time: sums(2c) and sums(2c + 1) hold column c's sums
// over the even and the odd rows (counted from the first range's first row), and each range
// [t0, t1) continues them in row order; t0 - that first row is even. A range with an odd number
// of rows must be the last: its last row joins the even sum. Then sums(2c) + sums(2c + 1) is
// bit for bit what transpose_times_vector gives over all the ranges at once.
void continue_transpose_times_vector(column_set A, vector_cview u, const vector_cview* w,
                                     double* sums, int t0, int t1);

// For at most small_cross_columns columns: accumulate_cross_product(A, A, &w, C, true, t0, t1)
// and continue_transpose_times_vector(A, u, &v, sums, t0, t1) in one sweep over the rows, each
// row read once for both, with the bits of the two. w, v and u (and terms) are indexed like A's
// rows. With `terms`, *total is continued by terms[t], one row after another in row order (a
// row that adds nothing carries +0: a sum started at +0 is never -0, so +0 leaves it as it is).
// False, and nothing done, for more columns.
inline constexpr int small_cross_columns = 8;
bool cross_product_and_gradient(column_set A, const double* w, const double* v, const double* u,
                                matrix_view C, double* sums, int t0, int t1,
                                const double* terms = nullptr, double* total = nullptr);

// y(t - t0) = sum over columns c of A(t, c) * (w(c) * x(c)), or A(t, c) * x(c) without w, for
// the rows t in [t0, t1), each sum from 0 taking the columns one at a time in index order.
void times_vector(column_set A, vector_cview x, const vector_cview* w, double* y, int t0,
                  int t1);

// Y (square) is replaced by its lower Cholesky factor; the upper triangle is not touched.
// Returns -1, or the first column whose pivot is not positive (Y then partly factored).
int cholesky_factor(matrix_view Y);

// The two parts of that factorisation taken a block of columns at a time (panel_cholesky.h):
// Y(i, c) -= Y(i, r) Y(c, r) for r = r0 .. r1 - 1 in turn, for c in [c0, c1) and the rows i in
// [i0, i1) with i >= c; and, for the rows [i0, i1) below the factored diagonal block of the
// columns [c0, c1), the subtractions of the block's own earlier columns and the division by the
// pivot. Each entry sees the same operations in the same order as in cholesky_factor.
void subtract_column_products(matrix_view Y, int r0, int r1, int c0, int c1, int i0, int i1);
void solve_below_block(matrix_view Y, int c0, int c1, int i0, int i1);

// y(i) = e^x(i) for i < m, within about half a unit in the last place, the same bits on every
// instruction set; 0 below -746, infinity above 710. y may be x.
void exp_rows(const double* x, double* y, int m);

// The Poisson rows of a pass from their linear predictors eta(i), for i < m: with the mean
// mu = e^eta (as exp_rows), weight(i) = v(i) mu, residual(i) = y(i) - mu and term(i) =
// v(i) (mu - y(i) eta(i)), the row's share of the loss, or +0 where v(i) is 0 (a row left out
// may have an infinite mean). The same bits on every instruction set.
void poisson_rows(const double* eta, const double* y, const double* v, int m, double* weight,
                  double* residual, double* term);

// The logistic loss's four running sums and products (the rows modulo 4) continued over the
// rows [0, m) of weight 1, m a multiple of 4, from their linear predictors and exponentials,
// with the rule of mean_and_weights.cpp's logistic_loss: each row's y eta subtracted from eta
// above 37, else from 0, into sums[t % 4]; its factor 1 + e^eta (1 above 37) multiplied into
// products[t % 4], which is then, above 2^900, replaced by its frexp fraction, the power of 2
// added to *exponent. The same bits on every instruction set.
void logistic_unit_rows(const double* eta, const double* exp_eta, const double* y, int m,
                        double* sums, double* products, int* exponent);

// mu(i) = e / (e + 1 + 1e-11) with e = exp_eta(i), held at 1e10 where eta(i) > ln 1e10: the
// logistic mean of the linear predictor eta(i) whose exponential is exp_eta(i), the same bits
// on every instruction set. mu may be eta.
void logistic_mean_rows(const double* eta, const double* exp_eta, double* mu, int m);

// sum over t of x(t) * v(t), by the even/odd rule.
double dot(const double* x, vector_cview v);

void zero_matrix(matrix_view C);

// The instruction sets whose kernels this processor can run, the widest first ("avx512f",
// "avx2", "sse2"); the one measured quickest here, which the kernels use unless told otherwise;
// and making one of them the one used (nullptr: the measured one again), false for a set that
// cannot run here. All of them give the same bits.
std::vector<const char*> runnable_instruction_sets();
const char* measured_instruction_set();
bool use_instruction_set(const char* name);

}  // namespace quill::engine::detail
