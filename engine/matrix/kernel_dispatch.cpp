// The kernels of cross_product_kernel.h: the bodies (wide_kernels.inc) compiled once per
// instruction set, and the choice among them, made once from what the processor reports. One
// binary runs everywhere and uses the widest vectors it finds.
#include "matrix/cross_product_kernel.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "matrix/exp_table.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define QUILL_WIDE_KERNELS 1
#endif

// The kernel bodies, once per instruction set. Everything a copy needs from the standard
// library is included above, so that only the copy's own functions are built for its set.
#define QUILL_WIDE_NAMESPACE sse2
#define QUILL_WIDE_WIDTH 2
#include "matrix/wide_kernels.inc"
#undef QUILL_WIDE_NAMESPACE
#undef QUILL_WIDE_WIDTH

#if QUILL_WIDE_KERNELS
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
#define QUILL_WIDE_NAMESPACE avx2
#define QUILL_WIDE_WIDTH 4
#include "matrix/wide_kernels.inc"
#undef QUILL_WIDE_NAMESPACE
#undef QUILL_WIDE_WIDTH
#if defined(__clang__)
#pragma clang attribute pop
#pragma clang attribute push(__attribute__((target("avx512f"))), apply_to = function)
#else
#pragma GCC pop_options
#pragma GCC push_options
#pragma GCC target("avx512f")
#endif
#define QUILL_WIDE_NAMESPACE avx512
#define QUILL_WIDE_WIDTH 8
#include "matrix/wide_kernels.inc"
#undef QUILL_WIDE_NAMESPACE
#undef QUILL_WIDE_WIDTH
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif

namespace quill::engine::detail {

namespace {

struct kernel_set {
    const char* name;
    decltype(&sse2::cross) cross;
    decltype(&sse2::transpose_vector) transpose_vector;
    decltype(&sse2::continue_transpose_vector) continue_transpose_vector;
    decltype(&sse2::times_vector) times_vector;
    decltype(&sse2::cholesky_factor) cholesky_factor;
    decltype(&sse2::subtract_column_products) subtract_column_products;
    decltype(&sse2::solve_below_block) solve_below_block;
    decltype(&sse2::exp_rows) exp_rows;
    decltype(&sse2::logistic_mean_rows) logistic_mean_rows;
};

#define QUILL_KERNEL_SET(isa, name) \
    kernel_set {                                                                               \
        name, isa::cross, isa::transpose_vector, isa::continue_transpose_vector,               \
            isa::times_vector, isa::cholesky_factor, isa::subtract_column_products,             \
            isa::solve_below_block, isa::exp_rows, isa::logistic_mean_rows                      \
    }

// Every copy this processor (and its system) can run, the widest first.
const std::vector<kernel_set>& runnable_kernels() {
    static const std::vector<kernel_set> sets = [] {
        std::vector<kernel_set> found;
#if QUILL_WIDE_KERNELS
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx512f"))
            found.push_back(QUILL_KERNEL_SET(avx512, "avx512f"));
        if (__builtin_cpu_supports("avx2")) found.push_back(QUILL_KERNEL_SET(avx2, "avx2"));
#endif
        found.push_back(QUILL_KERNEL_SET(sse2, "sse2"));
        return found;
    }();
    return sets;
}

#undef QUILL_KERNEL_SET

// The widest unless a test asked for another.
const kernel_set* chosen = nullptr;

const kernel_set& active_kernels() { return chosen ? *chosen : runnable_kernels().front(); }

}  // namespace

void accumulate_cross_product(column_set A, column_set B, const vector_cview* w, matrix_view C,
                              bool lower_only, int t0, int t1) {
    active_kernels().cross(A, B, w, t0, t1, C, lower_only);
}

void transpose_times_vector(column_set A, vector_cview u, const vector_cview* w, double* y,
                            int t0, int t1) {
    active_kernels().transpose_vector(A, u, w, t0, t1, y);
}

void continue_transpose_times_vector(column_set A, vector_cview u, const vector_cview* w,
                                     double* sums, int t0, int t1) {
    active_kernels().continue_transpose_vector(A, u, w, t0, t1, sums);
}

void times_vector(column_set A, vector_cview x, const vector_cview* w, double* y, int t0,
                  int t1) {
    active_kernels().times_vector(A, x, w, t0, t1, y);
}

int cholesky_factor(matrix_view Y) { return active_kernels().cholesky_factor(Y); }

void subtract_column_products(matrix_view Y, int r0, int r1, int c0, int c1, int i0, int i1) {
    active_kernels().subtract_column_products(Y, r0, r1, c0, c1, i0, i1);
}

void solve_below_block(matrix_view Y, int c0, int c1, int i0, int i1) {
    active_kernels().solve_below_block(Y, c0, c1, i0, i1);
}

void exp_rows(const double* x, double* y, int m) { active_kernels().exp_rows(x, y, m); }

void logistic_mean_rows(const double* eta, const double* exp_eta, double* mu, int m) {
    active_kernels().logistic_mean_rows(eta, exp_eta, mu, m);
}

std::vector<const char*> runnable_instruction_sets() {
    std::vector<const char*> names;
    for (const kernel_set& set : runnable_kernels()) names.push_back(set.name);
    return names;
}

bool use_instruction_set(const char* name) {
    if (name == nullptr) {
        chosen = nullptr;
        return true;
    }
    for (const kernel_set& set : runnable_kernels())
        if (std::strcmp(set.name, name) == 0) {
            chosen = &set;
            return true;
        }
    return false;
}

double dot(const double* x, vector_cview v) {
    double y = 0.0;
    transpose_times_vector(matrix_cview(x, v.size, 1, v.size), v, nullptr, &y, 0, v.size);
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
