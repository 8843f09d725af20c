#include "matrix_test_support.h"

#include <cmath>

namespace quill::engine::testing {

namespace {

// splitmix64: a tiny generator with the same sequence on every platform.
uint64_t next_random(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double uniform(uint64_t& state, double low, double high) {
    return low + (high - low) * static_cast<double>(next_random(state) >> 11) * 0x1.0p-53;
}

}  // namespace

test_matrix test_matrix::from_rows(std::initializer_list<std::initializer_list<double>> rows_list) {
    const int r = static_cast<int>(rows_list.size());
    const int c = r == 0 ? 0 : static_cast<int>(rows_list.begin()->size());
    test_matrix m(r, c);
    int i = 0;
    for (const auto& row : rows_list) {
        int j = 0;
        for (double v : row) m(i, j++) = v;
        ++i;
    }
    return m;
}

test_matrix test_matrix::identity(int m) {
    test_matrix a(m, m);
    for (int i = 0; i < m; ++i) a(i, i) = 1.0;
    return a;
}

test_matrix test_matrix::random(int r, int c, uint64_t seed) {
    test_matrix a(r, c);
    for (double& v : a.values) v = uniform(seed, -1.0, 1.0);
    return a;
}

std::vector<double> random_vector(int n, uint64_t seed, double low, double high) {
    std::vector<double> v(n);
    for (double& x : v) x = uniform(seed, low, high);
    return v;
}

test_matrix reference_transpose_product(const test_matrix& A, const test_matrix& B,
                                        const std::vector<double>* w) {
    test_matrix C(A.cols, B.cols);
    for (int i = 0; i < A.cols; ++i)
        for (int j = 0; j < B.cols; ++j) {
            long double s = 0.0L;
            for (int t = 0; t < A.rows; ++t)
                s += static_cast<long double>(A(t, i)) * (w ? (*w)[t] : 1.0) * B(t, j);
            C(i, j) = static_cast<double>(s);
        }
    return C;
}

test_matrix reference_product(const test_matrix& A, const test_matrix& B) {
    test_matrix C(A.rows, B.cols);
    for (int i = 0; i < A.rows; ++i)
        for (int j = 0; j < B.cols; ++j) {
            long double s = 0.0L;
            for (int t = 0; t < A.cols; ++t) s += static_cast<long double>(A(i, t)) * B(t, j);
            C(i, j) = static_cast<double>(s);
        }
    return C;
}

test_matrix random_spd(int m, uint64_t seed) {
    const test_matrix G = test_matrix::random(m, m, seed);
    test_matrix S = reference_transpose_product(G, G);
    for (int i = 0; i < m; ++i) S(i, i) += m;
    // Make it exactly symmetric: the inverse reads one triangle only.
    for (int j = 0; j < m; ++j)
        for (int i = j + 1; i < m; ++i) S(j, i) = S(i, j);
    return S;
}

double max_abs(const test_matrix& A) {
    double m = 0.0;
    for (double v : A.values) m = std::fmax(m, std::fabs(v));
    return m;
}

std::vector<std::string> trimmed_lines(const error_trail& trail) {
    std::vector<std::string> out;
    for (const std::string& line : trail.lines()) {
        const auto end = line.find_last_not_of(' ');
        out.push_back(end == std::string::npos ? "" : line.substr(0, end + 1));
    }
    return out;
}

}  // namespace quill::engine::testing
