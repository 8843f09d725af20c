// Blocked, register-tiled A' diag(w) B and A' diag(w) u. See cross_product_kernel.h for the
// summation rule.
//
// Consecutive rows are processed side by side in a two-lane register (GCC and Clang vector
// extension): lane 0 accumulates the even rows, lane 1 the odd rows, and the two lanes are added
// at the end. Every entry is formed by exactly this rule whatever tile or path it goes through.
#include "cross_product_kernel.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace quill::engine::detail {

namespace {

typedef double lane_pair __attribute__((vector_size(16)));

inline lane_pair load_pair(const double* p) {
    lane_pair v;
    std::memcpy(&v, p, sizeof v);  // no alignment assumed
    return v;
}

// Elements t and t + 1 of a vector, contiguous or not.
inline lane_pair load_pair(vector_cview v, int t) {
    if (v.inc == 1) return load_pair(v.data + t);
    return lane_pair{v[t], v[t + 1]};
}

inline double lane_sum(lane_pair s) { return s[0] + s[1]; }

// Rows per block: 256 rows of 100 columns are 200 KB, so a block stays in the second-level
// cache while all of its tiles are formed. Even, so that row pairs never straddle blocks.
constexpr int row_block = 256;
static_assert(row_block % 2 == 0);
// Outputs per tile: TI x TJ pairs of running sums live in registers.
constexpr int tile_i = 4;
constexpr int tile_j = 2;

template <bool Weighted, int TI, int TJ>
void accumulate_tile(matrix_cview A, int i0, matrix_cview B, int j0, const vector_cview* w,
                     int t0, int t1, matrix_view C) {
    const double* a[TI];
    const double* b[TJ];
    for (int u = 0; u < TI; ++u) a[u] = A.col(i0 + u);
    for (int v = 0; v < TJ; ++v) b[v] = B.col(j0 + v);

    lane_pair sums[TI][TJ] = {};
    int t = t0;
    for (; t + 2 <= t1; t += 2) {
        lane_pair bt[TJ];
        for (int v = 0; v < TJ; ++v) {
            bt[v] = load_pair(b[v] + t);
            if constexpr (Weighted) bt[v] = load_pair(*w, t) * bt[v];
        }
        for (int u = 0; u < TI; ++u) {
            const lane_pair at = load_pair(a[u] + t);
            for (int v = 0; v < TJ; ++v) sums[u][v] += at * bt[v];
        }
    }
    double acc[TI][TJ];
    for (int u = 0; u < TI; ++u)
        for (int v = 0; v < TJ; ++v) acc[u][v] = sums[u][v][0];
    if (t < t1) {  // an odd last row joins the even lane
        for (int v = 0; v < TJ; ++v) {
            const double bv = Weighted ? (*w)[t] * b[v][t] : b[v][t];
            for (int u = 0; u < TI; ++u) acc[u][v] += a[u][t] * bv;
        }
    }
    for (int v = 0; v < TJ; ++v)
        for (int u = 0; u < TI; ++u) C(i0 + u, j0 + v) += acc[u][v] + sums[u][v][1];
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

// y(c) = sum over t of A(t, c) * (w(t) * u(t)) for the Tile columns from c0.
template <bool Weighted, int Tile>
void transpose_times_vector_tile(matrix_cview A, int c0, vector_cview u, const vector_cview* w,
                                 vector_view y) {
    const double* a[Tile];
    for (int c = 0; c < Tile; ++c) a[c] = A.col(c0 + c);
    lane_pair sums[Tile] = {};
    const int n = A.rows;
    int t = 0;
    for (; t + 2 <= n; t += 2) {
        lane_pair f = load_pair(u, t);
        if constexpr (Weighted) f = load_pair(*w, t) * f;
        for (int c = 0; c < Tile; ++c) sums[c] += load_pair(a[c] + t) * f;
    }
    double acc[Tile];
    for (int c = 0; c < Tile; ++c) acc[c] = sums[c][0];
    if (t < n) {
        const double f = Weighted ? (*w)[t] * u[t] : u[t];
        for (int c = 0; c < Tile; ++c) acc[c] += a[c][t] * f;
    }
    for (int c = 0; c < Tile; ++c) y[c0 + c] = acc[c] + sums[c][1];
}

template <bool Weighted>
void transpose_times_vector_columns(matrix_cview A, vector_cview u, const vector_cview* w,
                                    vector_view y) {
    constexpr int tile = 4;
    int c = 0;
    for (; c + tile <= A.cols; c += tile) transpose_times_vector_tile<Weighted, tile>(A, c, u, w, y);
    for (; c < A.cols; ++c) transpose_times_vector_tile<Weighted, 1>(A, c, u, w, y);
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

void transpose_times_vector(matrix_cview A, vector_cview u, const vector_cview* w,
                            vector_view y) {
    if (w)
        transpose_times_vector_columns<true>(A, u, w, y);
    else
        transpose_times_vector_columns<false>(A, u, w, y);
}

double dot(const double* x, vector_cview v) {
    double y = 0.0;
    transpose_times_vector(matrix_cview(x, v.size, 1, v.size), v, nullptr, vector_view(&y, 1));
    return y;
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

void zero_matrix(matrix_view C) {
    for (int j = 0; j < C.cols; ++j) {
        double* c = C.col(j);
        for (int i = 0; i < C.rows; ++i) c[i] = 0.0;
    }
}

}  // namespace quill::engine::detail
