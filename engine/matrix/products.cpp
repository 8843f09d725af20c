// Dense products and cross products of the module matrix_methods. Shapes are checked before
// anything is written; outputs whose size the views carry are checked too, so that no member
// can write outside its output. Products of a matrix with itself go through the symmetric
// kernel (one triangle formed, then mirrored), which also halves their cost.
#include "matrix/products.h"

#include "matrix/cross_product_kernel.h"
#include "matrix/row_chunks.h"
#include "matrix/shape_failure.h"

namespace quill::engine {

namespace {

constexpr const char* inputs_text = "input_1, input_2";
constexpr const char* output_text = "output";

bool weights_mismatch(const weights& w, int length) { return w && w->size != length; }
const vector_cview* weights_ptr(const weights& w) { return w ? &*w : nullptr; }

bool same_matrix(matrix_cview A, matrix_cview B) {
    return A.data == B.data && A.rows == B.rows && A.cols == B.cols && A.ld == B.ld;
}

// c(0..m) += sum over t of a_t(0..m) * f(t), columns taken in index order four at a time.
template <class ColumnOf, class FactorOf>
void accumulate_columns(double* c, int m, int count, ColumnOf column, FactorOf factor) {
    int t = 0;
    for (; t + 4 <= count; t += 4) {
        const double* a0 = column(t);
        const double* a1 = column(t + 1);
        const double* a2 = column(t + 2);
        const double* a3 = column(t + 3);
        const double f0 = factor(t), f1 = factor(t + 1), f2 = factor(t + 2), f3 = factor(t + 3);
        for (int i = 0; i < m; ++i) c[i] = c[i] + a0[i] * f0 + a1[i] * f1 + a2[i] * f2 + a3[i] * f3;
    }
    for (; t < count; ++t) {
        const double* a = column(t);
        const double f = factor(t);
        for (int i = 0; i < m; ++i) c[i] += a[i] * f;
    }
}

void zero_column(double* c, int m) {
    for (int i = 0; i < m; ++i) c[i] = 0.0;
}

// C = X' diag(w) X: lower triangle, then mirrored.
void symmetric_cross_product(matrix_cview X, matrix_view C, const vector_cview* w) {
    detail::zero_matrix(C);
    detail::accumulate_cross_product(X, X, w, C, true);
    detail::mirror_lower(C);
}

}  // namespace

int mat_mult_by_matrix(matrix_cview A, matrix_cview B, matrix_view C, error_trail& trail,
                       weights w) {
    static constexpr const char* where = "mat_mult_by_matrix in MOD matrix_methods";
    if (A.cols != B.rows || weights_mismatch(w, A.cols))
        return fail_shape(trail, status_not_conformable, where, inputs_text);
    if (C.rows != A.rows || C.cols != B.cols)
        return fail_shape(trail, status_not_conformable, where, output_text);
    for (int j = 0; j < B.cols; ++j) {
        double* c = C.col(j);
        const double* b = B.col(j);
        zero_column(c, A.rows);
        auto column = [&](int t) { return A.col(t); };
        if (w)
            accumulate_columns(c, A.rows, A.cols, column, [&](int t) { return (*w)[t] * b[t]; });
        else
            accumulate_columns(c, A.rows, A.cols, column, [&](int t) { return b[t]; });
    }
    return 0;
}

int mat_mult_by_vector(matrix_cview A, vector_cview x, vector_view y, error_trail& trail,
                       weights w) {
    static constexpr const char* where = "mat_mult_by_vector in MOD matrix_methods";
    if (A.cols != x.size || y.size != A.rows || weights_mismatch(w, A.cols))
        return fail_shape(trail, status_not_conformable, where, inputs_text);
    if (y.inc == 1) {
        // Each row is its own sum, so the rows can be shared out freely.
        row_chunks(A.rows).run(A.cols, [&](int, int first, int end) {
            detail::times_vector(A, x, weights_ptr(w), y.data + first, first, end);
        });
        return 0;
    }
    // A strided result is formed element by element.
    for (int i = 0; i < A.rows; ++i) {
        double sum = 0.0;
        for (int t = 0; t < A.cols; ++t) sum += A(i, t) * (w ? (*w)[t] * x[t] : x[t]);
        y[i] = sum;
    }
    return 0;
}

int mat_mult_pre_and_post(matrix_cview A, matrix_cview B, matrix_view C, error_trail& trail) {
    static constexpr const char* where = "mat_mult_pre_and_post in MOD matrix_methods";
    const int m = A.rows;
    if (A.cols != m) return fail_shape(trail, status_not_square, where, "input_1");
    const int r = B.cols;
    if (B.rows != m || C.rows != r || C.cols != r)
        return fail_shape(trail, status_not_conformable, where, "input_2, output");
    // Row i of C is sum over l of (A' B)(l, i) * B(l, :); (A' B)(l, i) is a unit-stride dot.
    for (int i = 0; i < r; ++i) {
        for (int j = 0; j < r; ++j) C(i, j) = 0.0;
        const double* bi = B.col(i);
        for (int l = 0; l < m; ++l) {
            const double* al = A.col(l);
            double s = 0.0;
            for (int k = 0; k < m; ++k) s += al[k] * bi[k];
            for (int j = 0; j < r; ++j) C(i, j) += s * B(l, j);
        }
    }
    return 0;
}

int mat_mult_pre_and_post(matrix_cview A, vector_cview v, double& s, error_trail& trail) {
    static constexpr const char* where = "mat_mult_pre_and_post in MOD matrix_methods";
    const int m = A.rows;
    if (A.cols != m) return fail_shape(trail, status_not_square, where, "input_1");
    if (v.size != m) return fail_shape(trail, status_not_conformable, where, inputs_text);
    double total = 0.0;
    for (int l = 0; l < m; ++l) total += v[l] * detail::dot(A.col(l), v);
    s = total;
    return 0;
}

int mat_mult_transpose_by_matrix(matrix_cview A, matrix_cview B, matrix_view C, weights w,
                                 error_trail& trail) {
    static constexpr const char* where = "mat_mult_transpose_by_matrix in MOD matrix_methods";
    if (A.cols != B.cols || weights_mismatch(w, A.cols))
        return fail_shape(trail, status_not_conformable, where, inputs_text);
    if (C.rows != A.rows || C.cols != B.rows)
        return fail_shape(trail, status_not_conformable, where, output_text);
    auto column = [&](int t) { return A.col(t); };
    for (int j = 0; j < B.rows; ++j) {
        double* c = C.col(j);
        zero_column(c, A.rows);
        if (w)
            accumulate_columns(c, A.rows, A.cols, column,
                               [&](int t) { return (*w)[t] * B(j, t); });
        else
            accumulate_columns(c, A.rows, A.cols, column, [&](int t) { return B(j, t); });
    }
    return 0;
}

int mat_mult_transpose_first_by_vector(matrix_cview A, matrix_cview B, matrix_view C,
                                       error_trail& trail, weights w) {
    static constexpr const char* where =
        "mat_mult_transpose_first_by_vector in MOD matrix_methods";
    if (A.rows != B.rows || weights_mismatch(w, A.rows))
        return fail_shape(trail, status_not_conformable, where, inputs_text);
    if (C.rows != A.cols || C.cols != B.cols)
        return fail_shape(trail, status_not_conformable, where, output_text);
    if (same_matrix(A, B)) {
        symmetric_cross_product(A, C, weights_ptr(w));
        return 0;
    }
    detail::zero_matrix(C);
    detail::accumulate_cross_product(A, B, weights_ptr(w), C, false);
    return 0;
}

int mat_mult_transpose_first_by_vector(matrix_cview A, vector_cview u, vector_view y,
                                       error_trail& trail, weights w) {
    static constexpr const char* where =
        "mat_mult_transpose_first_by_vector in MOD matrix_methods";
    if (A.rows != u.size || weights_mismatch(w, A.rows))
        return fail_shape(trail, status_not_conformable, where, inputs_text);
    if (y.size != A.cols) return fail_shape(trail, status_not_conformable, where, output_text);
    if (y.inc == 1) {
        detail::transpose_times_vector(A, u, weights_ptr(w), y.data, 0, A.rows);
        return 0;
    }
    for (int c = 0; c < A.cols; ++c)
        detail::transpose_times_vector(A.columns(c, 1), u, weights_ptr(w), &y[c], 0, A.rows);
    return 0;
}

int mult_tri_by_its_transpose(matrix_cview T, matrix_view C, error_trail& trail,
                              std::optional<int> /*option*/) {
    static constexpr const char* where = "mult_tri_by_its_transpose in MOD matrix_methods";
    if (T.rows != T.cols) return fail_shape(trail, status_not_square, where, "input");
    if (C.rows != C.cols) return fail_shape(trail, status_not_square, where, "output");
    if (T.rows != C.rows) return fail_shape(trail, status_not_conformable, where, "input, output");
    detail::lower_transpose_product(T, C);
    return 0;
}

int postmult_by_transpose(matrix_cview A, matrix_view C, error_trail& trail) {
    static constexpr const char* where = "postmult_by_transpose in MOD matrix_methods";
    const int m = A.rows;
    if (C.rows != m || C.cols != m)
        return fail_shape(trail, status_custom, where, "Input and output dimensions do not match");
    // Rank-one updates over the columns of A, lower triangle only, then mirrored.
    detail::zero_matrix(C);
    for (int t = 0; t < A.cols; ++t) {
        const double* a = A.col(t);
        for (int j = 0; j < m; ++j) {
            double* c = C.col(j);
            const double f = a[j];
            for (int i = j; i < m; ++i) c[i] += a[i] * f;
        }
    }
    detail::mirror_lower(C);
    return 0;
}

int premult_by_transpose(matrix_cview X, matrix_view C, error_trail& trail, weights w) {
    static constexpr const char* where = "premult_by_transpose in MOD matrix_methods";
    if (C.rows != X.cols || C.cols != X.cols || weights_mismatch(w, X.rows))
        return fail_shape(trail, status_not_conformable, where);
    symmetric_cross_product(X, C, weights_ptr(w));
    return 0;
}

int real_cross_product(matrix_cview X, matrix_view C, weights w, error_trail& trail) {
    static constexpr const char* where = "real_cross_product in MOD matrix_methods";
    if (C.rows != X.cols || C.cols != X.cols || weights_mismatch(w, X.rows))
        return fail_shape(trail, status_not_conformable, where);
    symmetric_cross_product(X, C, weights_ptr(w));
    return 0;
}

}  // namespace quill::engine
