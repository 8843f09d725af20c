// Blocked, register-tiled X' diag(w) Y. See cross_product_kernel.h for the summation rule.
#include "cross_product_kernel.h"

#include <algorithm>
#include <cstddef>

namespace quill::engine::detail {

namespace {

// Rows per block: 256 rows of 100 columns are 200 KB, so a block stays in the second-level
// cache while all of its tiles are formed.
constexpr int row_block = 256;
// Outputs per tile: TI x TJ running sums live in registers.
constexpr int tile_i = 4;
constexpr int tile_j = 2;

template <bool Weighted, int TI, int TJ>
void accumulate_tile(matrix_cview A, int i0, matrix_cview B, int j0, const vector_cview* w,
                     int t0, int t1, matrix_view C) {
    const double* a[TI];
    const double* b[TJ];
    for (int u = 0; u < TI; ++u) a[u] = A.col(i0 + u);
    for (int v = 0; v < TJ; ++v) b[v] = B.col(j0 + v);
    const double* wd = Weighted ? w->data : nullptr;
    const std::ptrdiff_t winc = Weighted ? w->inc : 0;

    double acc[TI][TJ] = {};
    for (int t = t0; t < t1; ++t) {
        double bt[TJ];
        for (int v = 0; v < TJ; ++v) {
            if constexpr (Weighted)
                bt[v] = wd[t * winc] * b[v][t];
            else
                bt[v] = b[v][t];
        }
        for (int u = 0; u < TI; ++u) {
            const double at = a[u][t];
            for (int v = 0; v < TJ; ++v) acc[u][v] += at * bt[v];
        }
    }
    for (int v = 0; v < TJ; ++v)
        for (int u = 0; u < TI; ++u) C(i0 + u, j0 + v) += acc[u][v];
}

template <bool Weighted>
void accumulate_block(matrix_cview A, matrix_cview B, const vector_cview* w, int t0, int t1,
                      matrix_view C, bool lower_only) {
    const int r = A.cols;
    const int s = B.cols;
    int j = 0;
    for (; j + tile_j <= s; j += tile_j) {
        int i = lower_only ? j : 0;
        for (; i + tile_i <= r; i += tile_i)
            accumulate_tile<Weighted, tile_i, tile_j>(A, i, B, j, w, t0, t1, C);
        for (; i < r; ++i) accumulate_tile<Weighted, 1, tile_j>(A, i, B, j, w, t0, t1, C);
    }
    for (; j < s; ++j) {
        int i = lower_only ? j : 0;
        for (; i + tile_i <= r; i += tile_i)
            accumulate_tile<Weighted, tile_i, 1>(A, i, B, j, w, t0, t1, C);
        for (; i < r; ++i) accumulate_tile<Weighted, 1, 1>(A, i, B, j, w, t0, t1, C);
    }
}

}  // namespace

void accumulate_cross_product(matrix_cview A, matrix_cview B, const vector_cview* w,
                              matrix_view C, bool lower_only) {
    const int n = A.rows;
    for (int t0 = 0; t0 < n; t0 += row_block) {
        const int t1 = std::min(n, t0 + row_block);
        if (w)
            accumulate_block<true>(A, B, w, t0, t1, C, lower_only);
        else
            accumulate_block<false>(A, B, w, t0, t1, C, lower_only);
    }
}

void mirror_lower(matrix_view C) {
    for (int j = 0; j < C.cols; ++j)
        for (int i = j + 1; i < C.rows; ++i) C(j, i) = C(i, j);
}

void lower_transpose_product(matrix_cview L, matrix_view P) {
    const int m = L.cols;
    for (int j = 0; j < m; ++j) {
        const double* lj = L.col(j);
        for (int i = j; i < m; ++i) {
            const double* li = L.col(i);
            double sum = 0.0;
            for (int k = i; k < m; ++k) sum += li[k] * lj[k];
            P(i, j) = sum;
        }
    }
    mirror_lower(P);
}

namespace {

template <bool Weighted>
double dot_impl(const double* x, vector_cview u, const vector_cview* w) {
    const int n = u.size;
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    auto term = [&](int t) {
        if constexpr (Weighted)
            return x[t] * ((*w)[t] * u[t]);
        else
            return x[t] * u[t];
    };
    int t = 0;
    for (; t + 4 <= n; t += 4) {
        s0 += term(t);
        s1 += term(t + 1);
        s2 += term(t + 2);
        s3 += term(t + 3);
    }
    for (; t < n; ++t) s0 += term(t);
    return (s0 + s1) + (s2 + s3);
}

}  // namespace

double weighted_dot(const double* x, vector_cview u, const vector_cview* w) {
    return w ? dot_impl<true>(x, u, w) : dot_impl<false>(x, u, w);
}

void zero_matrix(matrix_view C) {
    for (int j = 0; j < C.cols; ++j) {
        double* c = C.col(j);
        for (int i = 0; i < C.rows; ++i) c[i] = 0.0;
    }
}

}  // namespace quill::engine::detail
