// The kernels compiled for each instruction set give the same bits as the SSE2 ones, on shapes
// that reach every tile edge; and the Cholesky solve follows the symmetric inverse's rule for a
// matrix it cannot factor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <random>

#include "matrix/cross_product_kernel.h"
#include "matrix/symmetric_inverse.h"
#include "matrix_test_support.h"

namespace quill::engine::testing {
namespace {

bool same_bits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// The shape of one comparison: n rows of `cols` columns, the subset of them taken in a given
// order, the rows [t0, t1) of the second cross product (t0 a multiple of the row block), the
// orders of the factored matrices, and the seed of the values.
struct kernel_shape {
    int n;
    int cols;
    std::vector<int> subset;
    int t0, t1;
    std::vector<int> orders;
    uint64_t seed;
};

// Everything the kernels compute on one data set of that shape, kept for a bitwise comparison.
std::vector<double> kernel_results(const kernel_shape& shape) {
    std::vector<double> out;
    const int n = shape.n;
    const uint64_t seed = shape.seed;
    const test_matrix X = test_matrix::random(n, shape.cols, seed);
    const std::vector<double> w = random_vector(2 * n, seed + 1, 0.1, 2.0);
    const std::vector<double> u = random_vector(n, seed + 2);
    const int* subset = shape.subset.data();
    const int chosen = static_cast<int>(shape.subset.size());
    for (const detail::column_set A : {detail::column_set(X.cview()),
                                       detail::column_set(X.cview(), subset, chosen)}) {
        for (int weighting = 0; weighting < 3; ++weighting) {
            const vector_cview contiguous(w.data(), n), strided(w.data(), n, 2);
            const vector_cview* wv = weighting == 0 ? nullptr
                                     : weighting == 1 ? &contiguous
                                                      : &strided;
            for (const bool lower : {false, true}) {
                test_matrix C(A.cols, A.cols, 0.5);
                detail::accumulate_cross_product(A, A, wv, C.view(), lower, 0, n);
                detail::accumulate_cross_product(A, A, wv, C.view(), lower, shape.t0, shape.t1);
                if (lower) detail::mirror_lower(C.view());  // the upper triangle is not defined
                out.insert(out.end(), C.values.begin(), C.values.end());
            }
            std::vector<double> y(A.cols);
            detail::transpose_times_vector(A, cview(u), wv, y.data(), 0, n);
            out.insert(out.end(), y.begin(), y.end());
            // Taken a block of rows at a time, the last one odd: the same sums.
            std::vector<double> sums(2 * A.cols, 0.0);
            for (int t0 = 0; t0 < n; t0 += 256)
                detail::continue_transpose_times_vector(A, cview(u), wv, sums.data(), t0,
                                                        std::min(n, t0 + 256));
            for (int c = 0; c < A.cols; ++c)
                EXPECT_EQ(sums[2 * c] + sums[2 * c + 1], y[c]) << c;
            out.insert(out.end(), sums.begin(), sums.end());
            detail::transpose_times_vector(A, vector_cview(u.data(), n / 2, 2), wv, y.data(),
                                           std::min(3, n / 2), n / 2);
            out.insert(out.end(), y.begin(), y.end());
        }
        // X'AX and X'W0 r of a few columns in one sweep: the bits of the two kernels apart, from
        // any starting values, over a range of row blocks ending odd or even.
        const detail::column_set few(X.cview(), subset,
                                     std::min(chosen, detail::small_cross_columns));
        const double* v = w.data() + n;
        const int end = std::min(n, shape.t1 + 256);
        test_matrix C_apart(few.cols, few.cols, 0.5), C_swept(few.cols, few.cols, 0.5);
        std::vector<double> apart = random_vector(2 * few.cols, seed + 6), swept = apart;
        const vector_cview wv(w.data(), n), vv(v, n);
        detail::accumulate_cross_product(few, few, &wv, C_apart.view(), true, shape.t0, end);
        detail::continue_transpose_times_vector(few, cview(u), &vv, apart.data(), shape.t0, end);
        EXPECT_TRUE(detail::cross_product_and_gradient(few, w.data(), v, u.data(), C_swept.view(),
                                                       swept.data(), shape.t0, end));
        for (int j = 0; j < few.cols; ++j)
            for (int i = j; i < few.cols; ++i) {
                EXPECT_EQ(C_swept(i, j), C_apart(i, j)) << i << ", " << j;
                out.push_back(C_swept(i, j));
            }
        EXPECT_TRUE(same_bits(swept, apart));
        out.insert(out.end(), swept.begin(), swept.end());
        // With terms to sum: the same products, and the terms added one after another.
        const std::vector<double> terms = random_vector(n, seed + 7, -1e3, 1e3);
        double total = 0.25, expected = 0.25;
        for (int t = shape.t0; t < end; ++t) expected += terms[t];
        test_matrix C_summed(few.cols, few.cols, 0.5);
        std::vector<double> summed = random_vector(2 * few.cols, seed + 6);
        detail::cross_product_and_gradient(few, w.data(), v, u.data(), C_summed.view(),
                                           summed.data(), shape.t0, end, terms.data(), &total);
        EXPECT_EQ(total, expected);
        for (int j = 0; j < few.cols; ++j) EXPECT_EQ(C_summed(j, j), C_apart(j, j)) << j;
        out.push_back(total);

        std::vector<double> xb(n);
        const std::vector<double> beta = random_vector(A.cols, seed + 3);
        const vector_cview beta_weights(w.data(), A.cols);
        detail::times_vector(A, cview(beta), nullptr, xb.data(), 0, n);
        out.insert(out.end(), xb.begin(), xb.end());
        const int skip = std::min(5, n);
        detail::times_vector(A, cview(beta), &beta_weights, xb.data(), skip, n);
        out.insert(out.end(), xb.begin(), xb.end() - skip);
    }
    for (const int m : shape.orders) {
        test_matrix S = random_spd(m, seed + 4);
        EXPECT_EQ(detail::cholesky_factor(S.view()), -1) << m;
        out.insert(out.end(), S.values.begin(), S.values.end());
    }
    std::vector<double> e = random_vector(2 * n + 1, seed + 5, -750.0, 715.0);  // a lane left over
    const std::vector<double> eta = e;
    detail::exp_rows(e.data(), e.data(), static_cast<int>(e.size()));
    out.insert(out.end(), e.begin(), e.end());
    // The logistic means of those linear predictors (held at 1e10 / (1e10 + 1 + 1e-11) above
    // ln 1e10), checked against the scalar rule as well.
    std::vector<double> mu(eta.size());
    detail::logistic_mean_rows(eta.data(), e.data(), mu.data(), static_cast<int>(mu.size()));
    for (std::size_t i = 0; i < mu.size(); ++i) {
        const double held = eta[i] > 23.025850929940457 ? 1e10 : e[i];
        EXPECT_EQ(mu[i], held / (held + 1.00000000001)) << eta[i];
    }
    out.insert(out.end(), mu.begin(), mu.end());
    // The Poisson rows of those linear predictors, counts and case weights (some 0, where the
    // mean may be infinite: the term is +0), against the scalar rule.
    const int rows = static_cast<int>(eta.size());
    std::vector<double> y = random_vector(rows, seed + 8, 0.0, 9.0),
                        v = random_vector(rows, seed + 9, 0.0, 3.0);
    for (int i = 0; i < rows; i += 5) {
        y[i] = std::floor(y[i]);
        v[i] = 0.0;
    }
    std::vector<double> weight(rows), residual(rows), term(rows);
    detail::poisson_rows(eta.data(), y.data(), v.data(), rows, weight.data(), residual.data(),
                         term.data());
    for (int i = 0; i < rows; ++i) {
        const double mean = e[i];
        EXPECT_TRUE(same_bits({weight[i], residual[i], term[i]},
                              {v[i] * mean, y[i] - mean,
                               v[i] != 0.0 ? v[i] * (mean - y[i] * eta[i]) : 0.0}))
            << eta[i] << ", " << y[i] << ", " << v[i];
    }
    for (const auto* part : {&weight, &residual, &term})
        out.insert(out.end(), part->begin(), part->end());
    // The logistic loss's sums and products of rows of weight 1 (0 or 1 for y), against the
    // scalar rule with the library's frexp: predictors from -5 to 40 take a product past 2^900
    // every few dozen rows, and the linear branch above 37.
    const int whole = rows / 4 * 4;
    for (int i = 0; i < rows; ++i) y[i] = y[i] < 4.5 ? 0.0 : 1.0;
    const std::vector<double> predictors = random_vector(rows, seed + 10, -5.0, 40.0);
    std::vector<double> exponentials(rows);
    for (int i = 0; i < rows; ++i) exponentials[i] = std::exp(predictors[i]);
    double sums[4] = {0.5, -0.5, 0.0, 1.0}, products[4] = {1.0, 2.0, 3.0, 0x1p899};
    double expected_sums[4], expected_products[4];
    std::copy(std::begin(sums), std::end(sums), expected_sums);
    std::copy(std::begin(products), std::end(products), expected_products);
    int exponent = 7, expected_exponent = 7;
    detail::logistic_unit_rows(predictors.data(), exponentials.data(), y.data(), whole, sums,
                               products, &exponent);
    for (int t = 0; t < whole; ++t) {
        const int l = t % 4;
        const bool linear = predictors[t] > 37.0;
        expected_sums[l] += (linear ? predictors[t] : 0.0) - y[t] * predictors[t];
        expected_products[l] *= linear ? 1.0 : 1.0 + exponentials[t];
        if (l == 3)
            for (double& product : expected_products)
                if (product > 0x1p900) {
                    int scale = 0;
                    product = std::frexp(product, &scale);
                    expected_exponent += scale;
                }
    }
    EXPECT_TRUE(same_bits({std::begin(sums), std::end(sums)},
                          {std::begin(expected_sums), std::end(expected_sums)}));
    EXPECT_TRUE(same_bits({std::begin(products), std::end(products)},
                          {std::begin(expected_products), std::end(expected_products)}));
    EXPECT_EQ(exponent, expected_exponent);
    out.insert(out.end(), std::begin(sums), std::end(sums));
    out.insert(out.end(), std::begin(products), std::end(products));
    out.push_back(exponent);
    return out;
}


// Shapes that reach every tile edge: a fixed one (an odd row count over more than two row
// blocks, 27 columns, a subset in any order), then random ones.
std::vector<kernel_shape> kernel_shapes() {
    std::vector<kernel_shape> shapes{{523, 27, {22, 0, 5, 6, 7, 8, 9, 10, 11, 17, 3, 26, 25, 24, 23, 1, 2, 4},
                                      256, 400, {1, 3, 4, 9, 37}, 7}};
    std::mt19937_64 draw(20261210);
    const auto below = [&](int limit) { return static_cast<int>(draw() % limit); };
    for (int s = 0; s < 24; ++s) {
        kernel_shape shape;
        shape.n = 1 + below(900);
        shape.cols = 1 + below(s % 3 == 0 ? 70 : 20);
        for (int c = 0; c < shape.cols; ++c)
            if (below(3) != 0) shape.subset.push_back(c);
        if (shape.subset.empty()) shape.subset.push_back(below(shape.cols));
        std::shuffle(shape.subset.begin(), shape.subset.end(), draw);
        shape.t0 = 256 * below((shape.n + 255) / 256);
        shape.t1 = shape.t0 + 1 + below(shape.n - shape.t0);
        shape.orders = {1 + below(12), 1 + below(60)};
        shape.seed = 100 + 10 * s;
        shapes.push_back(shape);
    }
    return shapes;
}

TEST(WideKernels, EveryInstructionSetGivesTheSameBits) {
    ASSERT_TRUE(detail::use_instruction_set("sse2"));
    const std::vector<kernel_shape> shapes = kernel_shapes();
    std::vector<std::vector<double>> reference;
    for (const kernel_shape& shape : shapes) reference.push_back(kernel_results(shape));
    // Not just equal to itself: the products match the textbook sums closely.
    const test_matrix X = test_matrix::random(523, 27, 7);
    const test_matrix exact = reference_transpose_product(X, X);
    test_matrix C(27, 27);
    detail::accumulate_cross_product(X.cview(), X.cview(), nullptr, C.view(), false, 0, 523);
    for (std::size_t k = 0; k < C.values.size(); ++k)
        EXPECT_NEAR(C.values[k], exact.values[k], 1e-12) << k;

    for (const char* set : detail::runnable_instruction_sets()) {
        ASSERT_TRUE(detail::use_instruction_set(set));
        for (std::size_t s = 0; s < shapes.size(); ++s)
            EXPECT_TRUE(same_bits(kernel_results(shapes[s]), reference[s]))
                << set << ": " << shapes[s].n << " rows, " << shapes[s].cols << " columns";
    }
    EXPECT_FALSE(detail::use_instruction_set("no such set"));
    detail::use_instruction_set(nullptr);
    // The measured choice is one of them, and what the kernels use when nothing was asked.
    const std::vector<const char*> sets = detail::runnable_instruction_sets();
    EXPECT_TRUE(std::any_of(sets.begin(), sets.end(), [](const char* set) {
        return std::strcmp(set, detail::measured_instruction_set()) == 0;
    }));
}

// Within one unit in the last place of the library's exponential, with its limits.
TEST(WideKernels, ExponentialAgreesWithTheLibrary) {
    std::vector<double> x = random_vector(20000, 13, -745.0, 709.0);
    const double edges[] = {0.0, -0.0, 1e-300, 23.025850929940457, 23.02, -708.5, -744.5,
                            709.78, 709.79, -745.2, -800.0, 1e300, -1e300};
    x.insert(x.end(), std::begin(edges), std::end(edges));
    x.push_back(std::nan(""));
    std::vector<double> y(x.size());
    detail::exp_rows(x.data(), y.data(), static_cast<int>(x.size()));
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double expected = std::exp(x[i]);
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(y[i]));
        } else if (expected == 0.0 || std::isinf(expected)) {
            EXPECT_EQ(y[i], expected) << x[i];
        } else {
            EXPECT_LE(std::fabs(y[i] - expected),
                      std::nextafter(expected, 2 * expected) - expected)
                << x[i];
        }
    }
}

TEST(SymmetricSolve, SingularRuleAndSolutionMatchTheInverse) {
    error_trail t;
    bool singular = false;
    // Not positive definite after the ridge: singular, b unchanged, nothing in the trail.
    test_matrix A = test_matrix::from_rows({{1, 2}, {2, 1}});
    std::vector<double> b{1.0, 2.0};
    EXPECT_EQ(symmetric_real_solve(A.view(), view(b), singular, 1e-15, t), 0);
    EXPECT_TRUE(singular);
    EXPECT_EQ(b, (std::vector<double>{1.0, 2.0}));
    // 1 x 1: no positivity test, and the reciprocal multiplied in, as the inverse does.
    test_matrix neg = test_matrix::from_rows({{-4}});
    std::vector<double> c{3.0};
    EXPECT_EQ(symmetric_real_solve(neg.view(), view(c), singular, 1e-15, t), 0);
    EXPECT_FALSE(singular);
    EXPECT_EQ(c[0], (1.0 / (-4.0 + 1e-15)) * 3.0);
    test_matrix zero = test_matrix::from_rows({{0}});
    EXPECT_EQ(symmetric_real_solve(zero.view(), view(c), singular, 1e-16, t), 0);
    EXPECT_TRUE(singular);
    EXPECT_TRUE(t.lines().empty());

    test_matrix S = random_spd(17, 3);
    test_matrix inverse(17, 17);
    ASSERT_EQ(symmetric_real_inverse(S.cview(), inverse.view(), singular, nullptr, 1e-15, t), 0);
    std::vector<double> x = random_vector(17, 4), expected(17, 0.0);
    for (int i = 0; i < 17; ++i)
        for (int j = 0; j < 17; ++j) expected[i] += inverse(i, j) * x[j];
    ASSERT_EQ(symmetric_real_solve(S.view(), view(x), singular, 1e-15, t), 0);
    EXPECT_FALSE(singular);
    for (int i = 0; i < 17; ++i) EXPECT_NEAR(x[i], expected[i], 1e-10) << i;

    test_matrix wide(2, 3);
    EXPECT_EQ(symmetric_real_solve(wide.view(), view(x), singular, 1e-15, t), -1);
    EXPECT_EQ(trimmed_lines(t).front(), "Non-square matrix encountered; square expected");
}

}  // namespace
}  // namespace quill::engine::testing
