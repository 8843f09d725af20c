// Helpers for the matrix tests: small owned matrices built from literals or a fixed-seed
// generator, naive reference products, and the trail read back as trimmed lines.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/engine_array.h"
#include "support/error_trail.h"

namespace quill::engine::testing {

// A column-major matrix owned by the test.
struct test_matrix {
    int rows = 0;
    int cols = 0;
    std::vector<double> values;

    test_matrix(int r, int c, double fill = 0.0)
        : rows(r), cols(c), values(static_cast<size_t>(r) * c, fill) {}
    // Rows as written in the source.
    static test_matrix from_rows(std::initializer_list<std::initializer_list<double>> rows_list);
    static test_matrix identity(int m);
    // Entries uniform in [-1, 1) from a fixed seed.
    static test_matrix random(int r, int c, uint64_t seed);

    double& operator()(int i, int j) { return values[static_cast<size_t>(j) * rows + i]; }
    double operator()(int i, int j) const { return values[static_cast<size_t>(j) * rows + i]; }
    matrix_view view() { return {values.data(), rows, cols, rows}; }
    matrix_cview cview() const { return {values.data(), rows, cols, rows}; }
};

std::vector<double> random_vector(int n, uint64_t seed, double low = -1.0, double high = 1.0);
inline vector_cview cview(const std::vector<double>& v) {
    return {v.data(), static_cast<int>(v.size())};
}
inline vector_view view(std::vector<double>& v) { return {v.data(), static_cast<int>(v.size())}; }

// Reference A' diag(w) B by the textbook triple loop, in long double.
test_matrix reference_transpose_product(const test_matrix& A, const test_matrix& B,
                                        const std::vector<double>* w = nullptr);
test_matrix reference_product(const test_matrix& A, const test_matrix& B);
// Symmetric positive definite matrix of order m with a modest condition number.
test_matrix random_spd(int m, uint64_t seed);
double max_abs(const test_matrix& A);

std::vector<std::string> trimmed_lines(const error_trail& trail);

}  // namespace quill::engine::testing
