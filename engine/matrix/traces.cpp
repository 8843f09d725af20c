// Diagonal, trace and the traces of quadratic forms of the module matrix_methods. The quadratic
// traces refuse huge elements before any arithmetic and never form the product matrix.
#include <algorithm>
#include <limits>

#include "matrix/cross_product_kernel.h"
#include "matrix/products.h"
#include "matrix/shape_failure.h"

namespace quill::engine {

namespace {

constexpr double element_limit = 1e20;

struct extremes {
    double largest;
    double smallest;
};

// NaN elements are ignored, as a comparison with them is false.
extremes find_extremes(matrix_cview A) {
    extremes e{-std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    for (int j = 0; j < A.cols; ++j) {
        const double* a = A.col(j);
        for (int i = 0; i < A.rows; ++i) {
            if (a[i] > e.largest) e.largest = a[i];
            if (a[i] < e.smallest) e.smallest = a[i];
        }
    }
    return e;
}

int check_elements(matrix_cview A, matrix_cview B, error_trail& trail, const char* where) {
    const extremes a = find_extremes(A);
    if (a.largest > element_limit) return fail(trail, where, "Some element of A is too large (positive)");
    if (a.smallest < -element_limit) return fail(trail, where, "Some element of A is too large (negative)");
    const extremes b = find_extremes(B);
    if (b.largest > element_limit) return fail(trail, where, "Some element of B is too large (positive)");
    if (b.smallest < -element_limit) return fail(trail, where, "Some element of B is too large (negative)");
    return 0;
}

// Columns of A taken together when forming A'A a panel at a time (a 32 x 32 panel is 8 KB).
constexpr int panel = 32;

}  // namespace

int take_diag_real(matrix_cview A, vector_view d, error_trail& trail) {
    static constexpr const char* where = "take_diag_real in MOD matrix_methods";
    if (A.rows != A.cols) return fail_shape(trail, status_not_square, where);
    if (d.size != A.rows) return fail_shape(trail, status_not_conformable, where, "output");
    for (int i = 0; i < A.rows; ++i) d[i] = A(i, i);
    return 0;
}

int take_trace_real(matrix_cview A, double& t, error_trail& trail) {
    static constexpr const char* where = "take_trace_real in MOD matrix_methods";
    if (A.rows != A.cols) return fail_shape(trail, status_not_square, where);
    double sum = 0.0;
    for (int i = 0; i < A.rows; ++i) sum += A(i, i);
    t = sum;
    return 0;
}

// trace(A B A') = sum over j, l of B(j, l) * G(j, l) with G = A'A. G is symmetric, so only its
// lower triangle is formed, panel by panel in a small buffer, with the cross-product kernel.
int quadratic_form_trace_real_matrix_transpose_outer(matrix_cview A, matrix_cview B, double& t,
                                                     error_trail& trail) {
    static constexpr const char* where =
        "quadratic_form_trace_real_matrix_transpose_outer in MOD matrix_methods";
    if (check_elements(A, B, trail, where) != 0) return -1;
    const int k = B.rows;
    if (B.cols != k) return fail_shape(trail, status_not_square, where);
    if (A.cols != k) return fail_shape(trail, status_not_conformable, where);

    double buffer[panel * panel];
    double sum = 0.0;
    for (int j0 = 0; j0 < k; j0 += panel) {
        const int nj = std::min(panel, k - j0);
        for (int l0 = 0; l0 <= j0; l0 += panel) {
            const int nl = std::min(panel, k - l0);
            const matrix_view g(buffer, nj, nl, nj);
            const bool diagonal = l0 == j0;
            detail::zero_matrix(g);
            detail::accumulate_cross_product(A.columns(j0, nj), A.columns(l0, nl), nullptr, g,
                                             diagonal);
            for (int l = 0; l < nl; ++l) {
                for (int j = diagonal ? l : 0; j < nj; ++j) {
                    const int gj = j0 + j;
                    const int gl = l0 + l;
                    const double b = gj == gl ? B(gj, gj) : B(gj, gl) + B(gl, gj);
                    sum += b * g(j, l);
                }
            }
        }
    }
    t = sum;
    return 0;
}

// trace(A' B A) = sum over the columns a of A of a' B a.
int quadratic_form_trace_real_matrix(matrix_cview A, matrix_cview B, double& t,
                                     error_trail& trail) {
    static constexpr const char* where = "quadratic_form_trace_real_matrix in MOD matrix_methods";
    if (check_elements(A, B, trail, where) != 0) return -1;
    const int k = B.rows;
    if (B.cols != k) return fail_shape(trail, status_not_square, where);
    if (A.rows != k) return fail_shape(trail, status_not_conformable, where);

    double sum = 0.0;
    for (int i = 0; i < A.cols; ++i) {
        const double* a = A.col(i);
        for (int l = 0; l < k; ++l) {
            const double* b = B.col(l);
            double s = 0.0;
            for (int j = 0; j < k; ++j) s += a[j] * b[j];
            sum += s * a[l];
        }
    }
    t = sum;
    return 0;
}

}  // namespace quill::engine
