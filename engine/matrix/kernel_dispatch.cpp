// The kernels of cross_product_kernel.h: the bodies (wide_kernels.inc) compiled once per
// instruction set, and the choice among them. One binary runs everywhere; which of the sets the
// processor runs is quickest is measured at first use, since the widest vectors are not always
// the quickest (some processors split a 512-bit operation in two halves and gain nothing by it).
#include "matrix/cross_product_kernel.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <vector>

#include "matrix/exp_table.h"
#include "matrix/quickest_choice.h"

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
    decltype(&sse2::poisson_rows) poisson_rows;
    decltype(&sse2::logistic_mean_rows) logistic_mean_rows;
    decltype(&sse2::logistic_unit_rows) logistic_unit_rows;
    decltype(&sse2::small_cross) small_cross;
};

#define QUILL_KERNEL_SET(isa, name) \
    kernel_set {                                                                               \
        name, isa::cross, isa::transpose_vector, isa::continue_transpose_vector,               \
            isa::times_vector, isa::cholesky_factor, isa::subtract_column_products,             \
            isa::solve_below_block, isa::exp_rows, isa::poisson_rows, isa::logistic_mean_rows, \
            isa::logistic_unit_rows, isa::small_cross                                           \
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

// A small problem of the shape most passes of a fit have, few live columns: the linear predictor,
// its exponential, X'AX and X'r in one sweep over 1024 rows of 8 columns, and X'AX over 512 rows
// of 24.
class calibration_problem {
public:
    calibration_problem()
        : x_(static_cast<std::size_t>(rows) * wide), w_(rows), u_(rows), beta_(narrow, 0.125),
          eta_(rows), c_(static_cast<std::size_t>(wide) * wide), sums_(2 * narrow) {
        // Values of the size of standardized data; any values time the same.
        for (std::size_t i = 0; i < x_.size(); ++i)
            x_[i] = static_cast<double>(i * 37 % 101) / 50.0 - 1.0;
        for (int t = 0; t < rows; ++t) {
            w_[t] = 0.25 - 0.001 * (t % 100);
            u_[t] = 0.5 - 0.01 * (t % 97);
        }
    }

    void run(const kernel_set& set) {
        const column_set narrow_x(matrix_cview(x_.data(), rows, narrow, rows));
        const column_set wide_x(matrix_cview(x_.data(), rows / 2, wide, rows / 2));
        const vector_cview w(w_.data(), rows), beta(beta_.data(), narrow);
        set.times_vector(narrow_x, beta, nullptr, 0, rows, eta_.data());
        set.exp_rows(eta_.data(), eta_.data(), rows);
        set.small_cross(narrow_x, w_.data(), w_.data(), u_.data(), 0, rows,
                        matrix_view(c_.data(), narrow, narrow, narrow), sums_.data(), nullptr,
                        nullptr);
        set.cross(wide_x, wide_x, &w, 0, rows / 2, matrix_view(c_.data(), wide, wide, wide), true);
    }

private:
    static constexpr int rows = 1024, narrow = 8, wide = 24;
    std::vector<double> x_, w_, u_, beta_, eta_, c_, sums_;
};

// The quickest set here, timed once per process (half a millisecond of runs; 1.5 to 2 ms of
// processor time in all with the first touch of the kernels' code and data). Every set gives the
// same bits, so the choice moves the time alone.
const kernel_set& measured_kernels() {
    static const kernel_set* const quickest = [] {
        const std::vector<kernel_set>& sets = runnable_kernels();
        if (sets.size() == 1) return &sets.front();
        calibration_problem problem;
        const int c = quickest_choice(static_cast<int>(sets.size()), 7,
                                      [&](int candidate) { problem.run(sets[candidate]); });
        return &sets[c];
    }();
    return *quickest;
}

// The measured set unless one was asked for.
std::atomic<const kernel_set*> chosen{nullptr};

const kernel_set& active_kernels() {
    const kernel_set* set = chosen.load(std::memory_order_acquire);
    return set ? *set : measured_kernels();
}

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

bool cross_product_and_gradient(column_set A, const double* w, const double* v, const double* u,
                                matrix_view C, double* sums, int t0, int t1, const double* terms,
                                double* total) {
    return active_kernels().small_cross(A, w, v, u, t0, t1, C, sums, terms, total);
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

void poisson_rows(const double* eta, const double* y, const double* v, int m, double* weight,
                  double* residual, double* term) {
    active_kernels().poisson_rows(eta, y, v, m, weight, residual, term);
}

void logistic_mean_rows(const double* eta, const double* exp_eta, double* mu, int m) {
    active_kernels().logistic_mean_rows(eta, exp_eta, mu, m);
}

void logistic_unit_rows(const double* eta, const double* exp_eta, const double* y, int m,
                        double* sums, double* products, int* exponent) {
    active_kernels().logistic_unit_rows(eta, exp_eta, y, m, sums, products, exponent);
}

std::vector<const char*> runnable_instruction_sets() {
    std::vector<const char*> names;
    for (const kernel_set& set : runnable_kernels()) names.push_back(set.name);
    return names;
}

const char* measured_instruction_set() { return measured_kernels().name; }

bool use_instruction_set(const char* name) {
    if (name == nullptr) {
        chosen.store(nullptr, std::memory_order_release);
        return true;
    }
    for (const kernel_set& set : runnable_kernels())
        if (std::strcmp(set.name, name) == 0) {
            chosen.store(&set, std::memory_order_release);
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
