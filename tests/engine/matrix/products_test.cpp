#include "matrix/products.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "matrix_test_support.h"

namespace quill::engine {
namespace {

using testing::test_matrix;
using testing::trimmed_lines;
using Lines = std::vector<std::string>;

constexpr double sentinel = -777.0;

void expect_close(const test_matrix& got, const test_matrix& want, double tol) {
    ASSERT_EQ(got.rows, want.rows);
    ASSERT_EQ(got.cols, want.cols);
    for (int j = 0; j < got.cols; ++j)
        for (int i = 0; i < got.rows; ++i)
            EXPECT_NEAR(got(i, j), want(i, j), tol) << "entry (" << i << ", " << j << ")";
}

void expect_exactly_symmetric(const test_matrix& C) {
    for (int j = 0; j < C.cols; ++j)
        for (int i = 0; i < C.rows; ++i) ASSERT_EQ(C(i, j), C(j, i)) << i << ", " << j;
}

// ---- Shape checks: status, the argument names, the location; nothing written. ----

struct shape_case {
    const char* name;
    std::function<int(error_trail&, test_matrix&)> call;  // may write only into the output
    Lines lines;
    int out_rows = 3;  // 3 x 4 fits no member's expected output
    int out_cols = 4;
};

TEST(ProductShapes, EveryMismatchFailsWithItsStatusAndWritesNothing) {
    const test_matrix A32(3, 2, 1.0), A23(2, 3, 1.0), A33(3, 3, 1.0);
    const std::vector<double> v2(2, 1.0), v3(3, 1.0), w4(4, 1.0);
    const std::string conformable = "Dimensions of matrix arguments not conformable";
    const std::string square = "Non-square matrix encountered; square expected";
    auto at = [](const char* op) { return std::string("OCCURRED IN: ") + op + " in MOD matrix_methods"; };
    auto vout = [](test_matrix& out) { return vector_view(out.values.data(), out.rows); };

    const std::vector<shape_case> cases = {
        {"by_matrix 3x2 times 3x2", [&](error_trail& t, test_matrix& out) {
             return mat_mult_by_matrix(A32.cview(), A32.cview(), out.view(), t); },
         {conformable, "input_1, input_2", at("mat_mult_by_matrix")}},
        {"by_matrix weights", [&](error_trail& t, test_matrix& out) {
             return mat_mult_by_matrix(A32.cview(), A23.cview(), out.view(), t, testing::cview(w4)); },
         {conformable, "input_1, input_2", at("mat_mult_by_matrix")}},
        {"by_matrix output", [&](error_trail& t, test_matrix& out) {
             return mat_mult_by_matrix(A32.cview(), A23.cview(), out.view(), t); },
         {conformable, "output", at("mat_mult_by_matrix")}},
        {"by_vector x", [&](error_trail& t, test_matrix& out) {
             return mat_mult_by_vector(A32.cview(), testing::cview(v3), vout(out), t); },
         {conformable, "input_1, input_2", at("mat_mult_by_vector")}},
        {"by_vector y", [&](error_trail& t, test_matrix& out) {
             return mat_mult_by_vector(A32.cview(), testing::cview(v2), vector_view(out.values.data(), 2), t); },
         {conformable, "input_1, input_2", at("mat_mult_by_vector")}},
        {"pre_and_post not square", [&](error_trail& t, test_matrix& out) {
             return mat_mult_pre_and_post(A32.cview(), A33.cview(), out.view(), t); },
         {square, "input_1", at("mat_mult_pre_and_post")}},
        {"pre_and_post B rows", [&](error_trail& t, test_matrix& out) {
             return mat_mult_pre_and_post(A33.cview(), A23.cview(), out.view(), t); },
         {conformable, "input_2, output", at("mat_mult_pre_and_post")}},
        {"pre_and_post vector not square", [&](error_trail& t, test_matrix& out) {
             return mat_mult_pre_and_post(A32.cview(), testing::cview(v3), out.values[0], t); },
         {square, "input_1", at("mat_mult_pre_and_post")}},
        {"pre_and_post vector length", [&](error_trail& t, test_matrix& out) {
             return mat_mult_pre_and_post(A33.cview(), testing::cview(v2), out.values[0], t); },
         {conformable, "input_1, input_2", at("mat_mult_pre_and_post")}},
        {"transpose_by_matrix columns", [&](error_trail& t, test_matrix& out) {
             return mat_mult_transpose_by_matrix(A32.cview(), A33.cview(), out.view(), std::nullopt, t); },
         {conformable, "input_1, input_2", at("mat_mult_transpose_by_matrix")}},
        {"transpose_first rows", [&](error_trail& t, test_matrix& out) {
             return mat_mult_transpose_first_by_vector(A32.cview(), A23.cview(), out.view(), t); },
         {conformable, "input_1, input_2", at("mat_mult_transpose_first_by_vector")}},
        {"transpose_first weights", [&](error_trail& t, test_matrix& out) {
             return mat_mult_transpose_first_by_vector(A32.cview(), A32.cview(), out.view(), t, testing::cview(w4)); },
         {conformable, "input_1, input_2", at("mat_mult_transpose_first_by_vector")}},
        {"transpose_first output", [&](error_trail& t, test_matrix& out) {
             return mat_mult_transpose_first_by_vector(A32.cview(), A33.cview(), out.view(), t); },
         {conformable, "output", at("mat_mult_transpose_first_by_vector")}},
        {"transpose_first vector", [&](error_trail& t, test_matrix& out) {
             return mat_mult_transpose_first_by_vector(A32.cview(), testing::cview(v2), vout(out), t); },
         {conformable, "input_1, input_2", at("mat_mult_transpose_first_by_vector")}},
        {"tri input", [&](error_trail& t, test_matrix& out) {
             return mult_tri_by_its_transpose(A32.cview(), out.view(), t); },
         {square, "input", at("mult_tri_by_its_transpose")}},
        {"tri output", [&](error_trail& t, test_matrix& out) {
             return mult_tri_by_its_transpose(A33.cview(), out.view(), t); },
         {square, "output", at("mult_tri_by_its_transpose")}},
        {"postmult", [&](error_trail& t, test_matrix& out) {
             return postmult_by_transpose(A23.cview(), out.view(), t); },
         {"Input and output dimensions do not match", at("postmult_by_transpose")}},
        {"premult", [&](error_trail& t, test_matrix& out) {
             return premult_by_transpose(A32.cview(), out.view(), t); },
         {conformable, at("premult_by_transpose")}},
        {"cross product weights", [&](error_trail& t, test_matrix& out) {
             return real_cross_product(A32.cview(), out.view(), testing::cview(w4), t); },
         {conformable, at("real_cross_product")}, 2, 2},
    };
    for (const shape_case& c : cases) {
        SCOPED_TRACE(c.name);
        test_matrix out(c.out_rows, c.out_cols, sentinel);
        error_trail t;
        EXPECT_EQ(c.call(t, out), -1);
        EXPECT_TRUE(t.error_occurred());
        EXPECT_EQ(trimmed_lines(t), c.lines);
        for (double v : out.values) EXPECT_EQ(v, sentinel);
    }
}

TEST(ProductShapes, ZeroExtentsSucceed) {
    error_trail t;
    test_matrix empty(0, 0), rows_only(4, 0), C(0, 0), C4(4, 4, sentinel);
    std::vector<double> none, y4(4, sentinel);
    EXPECT_EQ(mat_mult_by_matrix(empty.cview(), empty.cview(), C.view(), t), 0);
    EXPECT_EQ(real_cross_product(rows_only.cview(), C.view(), std::nullopt, t), 0);
    EXPECT_EQ(mat_mult_transpose_first_by_vector(rows_only.cview(), rows_only.cview(), C.view(), t), 0);
    EXPECT_EQ(mat_mult_by_vector(rows_only.cview(), testing::cview(none), testing::view(y4), t), 0);
    EXPECT_EQ(postmult_by_transpose(rows_only.cview(), C4.view(), t), 0);
    double s = sentinel;
    EXPECT_EQ(mat_mult_pre_and_post(empty.cview(), testing::cview(none), s, t), 0);
    EXPECT_EQ(s, 0.0);
    EXPECT_FALSE(t.error_occurred());
    for (double v : y4) EXPECT_EQ(v, 0.0);  // A x with no columns is the zero vector
    for (double v : C4.values) EXPECT_EQ(v, 0.0);
}

// ---- Values against the textbook loops; sizes cross the row block and the tile edges. ----

TEST(ProductValues, MatchReferenceLoops) {
    error_trail t;
    const int n = 601, p = 7, s = 3;
    const test_matrix X = test_matrix::random(n, p, 1), B = test_matrix::random(n, s, 2);
    const std::vector<double> w = testing::random_vector(n, 3, 0.0, 2.0);

    test_matrix XtWB(p, s), XtWX(p, p);
    ASSERT_EQ(mat_mult_transpose_first_by_vector(X.cview(), B.cview(), XtWB.view(), t, testing::cview(w)), 0);
    expect_close(XtWB, testing::reference_transpose_product(X, B, &w), 1e-11);
    ASSERT_EQ(real_cross_product(X.cview(), XtWX.view(), testing::cview(w), t), 0);
    expect_close(XtWX, testing::reference_transpose_product(X, X, &w), 1e-11);

    test_matrix XB(n, s);  // X (n x p) times a p x s matrix
    const test_matrix P = test_matrix::random(p, s, 4);
    ASSERT_EQ(mat_mult_by_matrix(X.cview(), P.cview(), XB.view(), t), 0);
    expect_close(XB, testing::reference_product(X, P), 1e-13);

    test_matrix Pt(s, p);
    for (int i = 0; i < p; ++i)
        for (int j = 0; j < s; ++j) Pt(j, i) = P(i, j);
    test_matrix XPt(n, s);
    ASSERT_EQ(mat_mult_transpose_by_matrix(X.cview(), Pt.cview(), XPt.view(), std::nullopt, t), 0);
    expect_close(XPt, XB, 1e-14);

    const test_matrix T = test_matrix::random(5, 9, 5);
    test_matrix TTt(5, 5);
    ASSERT_EQ(postmult_by_transpose(T.cview(), TTt.view(), t), 0);
    test_matrix Tt(9, 5);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 9; ++j) Tt(j, i) = T(i, j);
    expect_close(TTt, testing::reference_transpose_product(Tt, Tt), 1e-14);
    EXPECT_FALSE(t.error_occurred());
}

TEST(ProductValues, VectorFormsAndQuadraticForm) {
    error_trail t;
    const test_matrix A = test_matrix::random(6, 4, 7);
    const std::vector<double> x = testing::random_vector(4, 8), u = testing::random_vector(6, 9);
    std::vector<double> y(6), z(4);
    ASSERT_EQ(mat_mult_by_vector(A.cview(), testing::cview(x), testing::view(y), t), 0);
    for (int i = 0; i < 6; ++i) {
        double want = 0.0;
        for (int j = 0; j < 4; ++j) want += A(i, j) * x[j];
        EXPECT_NEAR(y[i], want, 1e-15);
    }
    ASSERT_EQ(mat_mult_transpose_first_by_vector(A.cview(), testing::cview(u), testing::view(z), t), 0);
    for (int j = 0; j < 4; ++j) {
        double want = 0.0;
        for (int i = 0; i < 6; ++i) want += A(i, j) * u[i];
        EXPECT_NEAR(z[j], want, 1e-15);
    }

    double s = 0.0;
    const std::vector<double> v = {1.5, -2.0, 0.25};
    ASSERT_EQ(mat_mult_pre_and_post(test_matrix::identity(3).cview(), testing::cview(v), s, t), 0);
    EXPECT_EQ(s, 1.5 * 1.5 + 4.0 + 0.0625);

    // C = B' A B against the two-step product.
    const test_matrix S = testing::random_spd(5, 10), Bm = test_matrix::random(5, 3, 11);
    test_matrix C(3, 3);
    ASSERT_EQ(mat_mult_pre_and_post(S.cview(), Bm.cview(), C.view(), t), 0);
    expect_close(C, testing::reference_transpose_product(Bm, testing::reference_product(S, Bm)), 1e-13);
}

TEST(ProductValues, StridedSectionsAreHonoured) {
    // The 3 x 2 block at (1, 1) of a 5 x 4 matrix, and every second element of a vector.
    error_trail t;
    test_matrix big = test_matrix::random(5, 4, 12);
    const matrix_cview block(big.values.data() + 5 + 1, 3, 2, 5);
    std::vector<double> xs = {2.0, 99.0, -1.0}, ys(6, sentinel);
    ASSERT_EQ(mat_mult_by_vector(block, vector_cview(xs.data(), 2, 2), vector_view(ys.data(), 3, 2), t), 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(ys[2 * i], big(1 + i, 1) * 2.0 - big(1 + i, 2));
        EXPECT_EQ(ys[2 * i + 1], sentinel);
    }
    test_matrix C(2, 2);
    ASSERT_EQ(real_cross_product(block, C.view(), std::nullopt, t), 0);
    double c01 = 0.0;
    for (int i = 0; i < 3; ++i) c01 += big(1 + i, 1) * big(1 + i, 2);
    EXPECT_NEAR(C(0, 1), c01, 1e-15);
}

// ---- Exactness that callers rely on. ----

TEST(ProductExactness, CrossProductsAreExactlySymmetric) {
    error_trail t;
    const test_matrix X = test_matrix::random(1000, 13, 20);
    const std::vector<double> w = testing::random_vector(1000, 21, 0.0, 3.0);
    test_matrix C1(13, 13), C2(13, 13), C3(13, 13), C4(13, 13), C5(13, 13);
    ASSERT_EQ(real_cross_product(X.cview(), C1.view(), testing::cview(w), t), 0);
    ASSERT_EQ(premult_by_transpose(X.cview(), C2.view(), t, testing::cview(w)), 0);
    ASSERT_EQ(mat_mult_transpose_first_by_vector(X.cview(), X.cview(), C3.view(), t, testing::cview(w)), 0);
    const test_matrix L = test_matrix::random(13, 13, 22);
    ASSERT_EQ(mult_tri_by_its_transpose(L.cview(), C4.view(), t), 0);
    const test_matrix Xt = test_matrix::random(13, 40, 23);
    ASSERT_EQ(postmult_by_transpose(Xt.cview(), C5.view(), t), 0);
    for (const test_matrix* C : {&C1, &C2, &C3, &C4, &C5}) expect_exactly_symmetric(*C);
    EXPECT_EQ(C1.values, C2.values);
    EXPECT_EQ(C1.values, C3.values);

    // The lower triangle of the symmetric path equals the general path on a copy of X.
    const test_matrix copy = X;
    test_matrix G(13, 13);
    ASSERT_EQ(mat_mult_transpose_first_by_vector(X.cview(), copy.cview(), G.view(), t, testing::cview(w)), 0);
    for (int j = 0; j < 13; ++j)
        for (int i = j; i < 13; ++i) EXPECT_EQ(G(i, j), C1(i, j));
}

TEST(ProductExactness, StridedVectorsGiveTheContiguousResultBitForBit) {
    error_trail t;
    const int n = 263;  // odd, and more than one row block
    const test_matrix X = test_matrix::random(n, 5, 24);
    const std::vector<double> w = testing::random_vector(n, 25, 0.0, 2.0);
    const std::vector<double> u = testing::random_vector(n, 26);
    std::vector<double> w_spread(2 * n), u_spread(3 * n);
    for (int i = 0; i < n; ++i) w_spread[2 * i] = w[i], u_spread[3 * i] = u[i];
    const vector_cview w_strided(w_spread.data(), n, 2), u_strided(u_spread.data(), n, 3);

    test_matrix C1(5, 5), C2(5, 5);
    ASSERT_EQ(real_cross_product(X.cview(), C1.view(), testing::cview(w), t), 0);
    ASSERT_EQ(real_cross_product(X.cview(), C2.view(), w_strided, t), 0);
    EXPECT_EQ(C1.values, C2.values);
    std::vector<double> y1(5), y2(5);
    ASSERT_EQ(mat_mult_transpose_first_by_vector(X.cview(), testing::cview(u), testing::view(y1), t,
                                                 testing::cview(w)), 0);
    ASSERT_EQ(mat_mult_transpose_first_by_vector(X.cview(), u_strided, testing::view(y2), t, w_strided), 0);
    EXPECT_EQ(y1, y2);
}

TEST(ProductExactness, TriangularProductSumsOnlyBelowTheDiagonal) {
    // Entries above the diagonal of T are ignored: C = T'T of the lower triangle.
    error_trail t;
    const test_matrix T = test_matrix::from_rows({{2, 9}, {3, 4}});
    test_matrix C(2, 2);
    ASSERT_EQ(mult_tri_by_its_transpose(T.cview(), C.view(), t), 0);
    EXPECT_EQ(C(0, 0), 13.0);
    EXPECT_EQ(C(1, 0), 12.0);
    EXPECT_EQ(C(0, 1), 12.0);
    EXPECT_EQ(C(1, 1), 16.0);
}

TEST(ProductExactness, WeightsOfOnesEqualNoWeightsBitForBit) {
    error_trail t;
    const int n = 517, p = 6;
    const test_matrix X = test_matrix::random(n, p, 30), B = test_matrix::random(n, 3, 31);
    const std::vector<double> ones_n(n, 1.0), ones_p(p, 1.0), u = testing::random_vector(n, 32);
    auto both = [&](auto call) {
        test_matrix a(0, 0), b(0, 0);
        call(a, std::optional<vector_cview>{});
        call(b, std::optional<vector_cview>{testing::cview(ones_n)});
        EXPECT_EQ(a.values, b.values);
    };
    both([&](test_matrix& C, weights w) {
        C = test_matrix(p, p);
        ASSERT_EQ(mat_mult_transpose_first_by_vector(X.cview(), X.cview(), C.view(), t, w), 0);
    });
    both([&](test_matrix& C, weights w) {
        C = test_matrix(p, 3);
        ASSERT_EQ(mat_mult_transpose_first_by_vector(X.cview(), B.cview(), C.view(), t, w), 0);
    });
    both([&](test_matrix& C, weights w) {
        C = test_matrix(p, 1);
        ASSERT_EQ(mat_mult_transpose_first_by_vector(X.cview(), testing::cview(u),
                                                     vector_view(C.values.data(), p), t, w), 0);
    });
    both([&](test_matrix& C, weights w) {
        C = test_matrix(p, p);
        ASSERT_EQ(real_cross_product(X.cview(), C.view(), w, t), 0);
    });
    // Members whose weights run over the columns of A.
    const test_matrix P = test_matrix::random(p, 2, 33);
    const std::vector<double> beta = testing::random_vector(p, 34);
    test_matrix a(n, 2), b(n, 2);
    ASSERT_EQ(mat_mult_by_matrix(X.cview(), P.cview(), a.view(), t), 0);
    ASSERT_EQ(mat_mult_by_matrix(X.cview(), P.cview(), b.view(), t, testing::cview(ones_p)), 0);
    EXPECT_EQ(a.values, b.values);
    std::vector<double> y1(n), y2(n);
    ASSERT_EQ(mat_mult_by_vector(X.cview(), testing::cview(beta), testing::view(y1), t), 0);
    ASSERT_EQ(mat_mult_by_vector(X.cview(), testing::cview(beta), testing::view(y2), t, testing::cview(ones_p)), 0);
    EXPECT_EQ(y1, y2);
}

}  // namespace
}  // namespace quill::engine
