// Column standardization of the module matrix_methods: centring at the mean and scaling by the
// standard deviation, the variance handed back for the return to the input scale. A column is
// constant when its standard deviation is lost in the rounding of its own values: a column in
// small units (x * 1e-7) varies as much as x does.
#include "matrix/standardize.h"

#include <cmath>
#include <string>

#include "matrix/shape_failure.h"

namespace quill::engine {

namespace {

constexpr double zero_variance = 1e-15;
// A standard deviation at most this fraction of the column's largest magnitude is rounding: the
// deviations of a constant column from its computed mean are a few units in the last place.
constexpr double constant_spread = 1e-13;
constexpr const char* too_small = "The dataset was too small";
constexpr const char* zero_variance_text = "One of the columns in the dataset had zero variance";

// Whether a column of m values and variance v is constant: all its values equal, or its spread
// within the rounding of its largest one.
template <class In>
bool is_constant(In x, int m, double v) {
    double largest = 0.0;
    bool equal = true;
    for (int i = 0; i < m; ++i) {
        largest = std::fmax(largest, std::fabs(x[i]));
        equal = equal && x[i] == x[0];
    }
    return equal || !(v > 0.0) || std::sqrt(v) <= constant_spread * largest;
}

int fail_constant(error_trail& trail, const char* where, int column) {
    const std::string sentence =
        "Column " + std::to_string(column) + " of the dataset had zero variance (every value the same)";
    return fail(trail, where, sentence.c_str());
}

// Writes z from x given its centre and variance, in the mode the two flags select; the
// reciprocal of the root is formed once and multiplied in.
template <class In, class Out>
void write_standardized(In x, Out z, int m, double center, double variance, bool skip_center,
                        bool skip_scale) {
    const double shift = skip_center ? 0.0 : center;
    if (skip_scale) {
        if (skip_center)
            for (int i = 0; i < m; ++i) z[i] = x[i];
        else
            for (int i = 0; i < m; ++i) z[i] = x[i] - shift;
        return;
    }
    const double factor = 1.0 / std::sqrt(variance);
    if (skip_center)
        for (int i = 0; i < m; ++i) z[i] = x[i] * factor;
    else
        for (int i = 0; i < m; ++i) z[i] = (x[i] - shift) * factor;
}

template <class In>
double sum_of(In x, int m) {
    double s = 0.0;
    for (int i = 0; i < m; ++i) s += x[i];
    return s;
}

template <class In>
double squared_deviations(In x, int m, double center) {
    double s = 0.0;
    for (int i = 0; i < m; ++i) {
        const double d = x[i] - center;
        s += d * d;
    }
    return s;
}

}  // namespace

int standardize_real_matrix(matrix_cview X, matrix_view Z, vector_view center, vector_view scale,
                            error_trail& trail, bool skip_center, bool skip_scale) {
    static constexpr const char* where = "standardize_real_matrix in MOD matrix_methods";
    const int n = X.rows;
    const int p = X.cols;
    if (n < 2 || p < 1) return fail(trail, where, too_small);
    if (Z.rows != n || Z.cols != p || center.size != p || scale.size != p)
        return fail_shape(trail, status_not_conformable, where);

    for (int j = 0; j < p; ++j) center[j] = sum_of(X.col(j), n) / n;
    for (int j = 0; j < p; ++j) {
        const double v = squared_deviations(X.col(j), n, center[j]) / (n - 1);
        scale[j] = v;
        if (!skip_scale && is_constant(X.col(j), n, v))
            return fail_constant(trail, where, j + 1);
        write_standardized(X.col(j), Z.col(j), n, center[j], v, skip_center, skip_scale);
    }
    return 0;
}

int standardize_weighted_matrix(matrix_cview X, matrix_view Z, vector_view center,
                                vector_view scale, const double* w, double weight_sum,
                                error_trail& trail) {
    static constexpr const char* where = "standardize_real_matrix in MOD matrix_methods";
    const int n = X.rows;
    const int p = X.cols;
    if (n < 2 || p < 1 || !(weight_sum > 1.0)) return fail(trail, where, too_small);
    if (Z.rows != n || Z.cols != p || center.size != p || scale.size != p)
        return fail_shape(trail, status_not_conformable, where);

    for (int j = 0; j < p; ++j) {
        const double* x = X.col(j);
        double s = 0.0;
        for (int i = 0; i < n; ++i) s += w[i] * x[i];
        center[j] = s / weight_sum;
        double squares = 0.0;
        for (int i = 0; i < n; ++i) {
            const double d = x[i] - center[j];
            squares += w[i] * d * d;
        }
        const double v = squares / (weight_sum - 1.0);
        scale[j] = v;
        if (is_constant(x, n, v)) return fail_constant(trail, where, j + 1);
        write_standardized(x, Z.col(j), n, center[j], v, false, false);
    }
    return 0;
}

int standardize_real_vector(vector_cview x, vector_view z, double& center, double& scale,
                            error_trail& trail, bool skip_center, bool skip_scale) {
    static constexpr const char* where = "standardize_real_vector in MOD matrix_methods";
    const int m = x.size;
    if (m < 2) return fail(trail, where, too_small);
    if (z.size != m) return fail_shape(trail, status_not_conformable, where);

    center = sum_of(x, m) / m;
    const double v = squared_deviations(x, m, center) / m;
    scale = v;
    if (!skip_scale && v < zero_variance) return fail(trail, where, zero_variance_text);
    write_standardized(x, z, m, center, v, skip_center, skip_scale);
    return 0;
}

}  // namespace quill::engine
