#include "matrix/products.h"

#include <gtest/gtest.h>

#include <functional>

#include "matrix_test_support.h"

namespace quill::engine {
namespace {

using testing::cview;
using testing::test_matrix;
using testing::trimmed_lines;
using testing::view;
using Lines = std::vector<std::string>;

constexpr double sentinel = -777.0;

void expect_close(const test_matrix& got, const test_matrix& want, double tol) {
    ASSERT_EQ(got.values.size(), want.values.size());
    for (size_t k = 0; k < got.values.size(); ++k) EXPECT_NEAR(got.values[k], want.values[k], tol) << k;
}

test_matrix transpose(const test_matrix& A) {
    test_matrix T(A.cols, A.rows);
    for (int i = 0; i < A.rows; ++i)
        for (int j = 0; j < A.cols; ++j) T(j, i) = A(i, j);
    return T;
}

// Every mismatch: its status line, the offending arguments, the location; the output untouched.
TEST(ProductShapes, EveryMismatchFailsWithItsStatusAndWritesNothing) {
    const test_matrix A32(3, 2, 1.0), A23(2, 3, 1.0), A33(3, 3, 1.0);
    const std::vector<double> v2(2, 1.0), v3(3, 1.0), w4(4, 1.0);
    const std::string conf = "Dimensions of matrix arguments not conformable";
    const std::string square = "Non-square matrix encountered; square expected";
    auto at = [](const char* op) { return std::string("OCCURRED IN: ") + op + " in MOD matrix_methods"; };
    using call = std::function<int(error_trail&, test_matrix&)>;
    struct shape_case {
        call run;
        Lines lines;
    };
    // The output offered is 3 x 4 (or its first 3 elements), which fits no member's result.
    const std::vector<shape_case> cases = {
        {[&](error_trail& t, test_matrix& o) { return mat_mult_by_matrix(A32.cview(), A32.cview(), o.view(), t); },
         {conf, "input_1, input_2", at("mat_mult_by_matrix")}},
        {[&](error_trail& t, test_matrix& o) { return mat_mult_by_matrix(A32.cview(), A23.cview(), o.view(), t); },
         {conf, "output", at("mat_mult_by_matrix")}},
        {[&](error_trail& t, test_matrix& o) { return mat_mult_by_vector(A32.cview(), cview(v3), view(o.values), t); },
         {conf, "input_1, input_2", at("mat_mult_by_vector")}},
        {[&](error_trail& t, test_matrix& o) { return mat_mult_pre_and_post(A32.cview(), A33.cview(), o.view(), t); },
         {square, "input_1", at("mat_mult_pre_and_post")}},
        {[&](error_trail& t, test_matrix& o) { return mat_mult_pre_and_post(A33.cview(), A23.cview(), o.view(), t); },
         {conf, "input_2, output", at("mat_mult_pre_and_post")}},
        {[&](error_trail& t, test_matrix& o) { return mat_mult_pre_and_post(A33.cview(), cview(v2), o.values[0], t); },
         {conf, "input_1, input_2", at("mat_mult_pre_and_post")}},
        {[&](error_trail& t, test_matrix& o) {
             return mat_mult_transpose_by_matrix(A32.cview(), A33.cview(), o.view(), std::nullopt, t); },
         {conf, "input_1, input_2", at("mat_mult_transpose_by_matrix")}},
        {[&](error_trail& t, test_matrix& o) {
             return mat_mult_transpose_first_by_vector(A32.cview(), A32.cview(), o.view(), t, cview(w4)); },
         {conf, "input_1, input_2", at("mat_mult_transpose_first_by_vector")}},
        {[&](error_trail& t, test_matrix& o) {
             return mat_mult_transpose_first_by_vector(A32.cview(), A33.cview(), o.view(), t); },
         {conf, "output", at("mat_mult_transpose_first_by_vector")}},
        {[&](error_trail& t, test_matrix& o) {
             return mat_mult_transpose_first_by_vector(A32.cview(), cview(v2), view(o.values), t); },
         {conf, "input_1, input_2", at("mat_mult_transpose_first_by_vector")}},
        {[&](error_trail& t, test_matrix& o) { return mult_tri_by_its_transpose(A32.cview(), o.view(), t); },
         {square, "input", at("mult_tri_by_its_transpose")}},
        {[&](error_trail& t, test_matrix& o) { return mult_tri_by_its_transpose(A33.cview(), o.view(), t); },
         {square, "output", at("mult_tri_by_its_transpose")}},
        {[&](error_trail& t, test_matrix& o) { return postmult_by_transpose(A23.cview(), o.view(), t); },
         {"Input and output dimensions do not match", at("postmult_by_transpose")}},
        {[&](error_trail& t, test_matrix& o) { return premult_by_transpose(A32.cview(), o.view(), t); },
         {conf, at("premult_by_transpose")}},
        {[&](error_trail& t, test_matrix& o) {
             return real_cross_product(A32.cview(), o.view(), cview(w4), t); },
         {conf, at("real_cross_product")}},
    };
    for (size_t k = 0; k < cases.size(); ++k) {
        SCOPED_TRACE(k);
        test_matrix out(3, 4, sentinel);
        error_trail t;
        EXPECT_EQ(cases[k].run(t, out), -1);
        EXPECT_EQ(trimmed_lines(t), cases[k].lines);
        for (double v : out.values) ASSERT_EQ(v, sentinel);
    }
}

TEST(ProductShapes, ZeroExtentsSucceed) {
    error_trail t;
    test_matrix empty(0, 0), rows_only(4, 0), C4(4, 4, sentinel);
    std::vector<double> none, y4(4, sentinel);
    double s = sentinel;
    EXPECT_EQ(mat_mult_by_matrix(empty.cview(), empty.cview(), empty.view(), t), 0);
    EXPECT_EQ(real_cross_product(rows_only.cview(), empty.view(), std::nullopt, t), 0);
    EXPECT_EQ(mat_mult_by_vector(rows_only.cview(), cview(none), view(y4), t), 0);
    EXPECT_EQ(postmult_by_transpose(rows_only.cview(), C4.view(), t), 0);
    EXPECT_EQ(mat_mult_pre_and_post(empty.cview(), cview(none), s, t), 0);
    EXPECT_FALSE(t.error_occurred());
    EXPECT_EQ(s, 0.0);
    EXPECT_EQ(y4, std::vector<double>(4, 0.0));  // a product with no columns is zero
    EXPECT_EQ(C4.values, std::vector<double>(16, 0.0));
}

// Sizes cross the row block and the tile edges, with odd row counts.
TEST(ProductValues, MatchTheTextbookLoops) {
    error_trail t;
    const int n = 601, p = 7;
    const test_matrix X = test_matrix::random(n, p, 1), B = test_matrix::random(n, 3, 2);
    const test_matrix P = test_matrix::random(p, 3, 4), S = testing::random_spd(p, 5);
    const std::vector<double> w = testing::random_vector(n, 3, 0.0, 2.0), x = testing::random_vector(p, 6);

    test_matrix XtWB(p, 3), XtWX(p, p), XP(n, 3), XPt(n, 3), PtSP(3, 3), XXt(p, p);
    ASSERT_EQ(mat_mult_transpose_first_by_vector(X.cview(), B.cview(), XtWB.view(), t, cview(w)), 0);
    expect_close(XtWB, testing::reference_transpose_product(X, B, &w), 1e-11);
    ASSERT_EQ(real_cross_product(X.cview(), XtWX.view(), cview(w), t), 0);
    expect_close(XtWX, testing::reference_transpose_product(X, X, &w), 1e-11);
    ASSERT_EQ(mat_mult_by_matrix(X.cview(), P.cview(), XP.view(), t), 0);
    expect_close(XP, testing::reference_product(X, P), 1e-13);
    ASSERT_EQ(mat_mult_transpose_by_matrix(X.cview(), transpose(P).cview(), XPt.view(), std::nullopt, t), 0);
    EXPECT_EQ(XPt.values, XP.values);
    ASSERT_EQ(mat_mult_pre_and_post(S.cview(), P.cview(), PtSP.view(), t), 0);
    expect_close(PtSP, testing::reference_transpose_product(P, testing::reference_product(S, P)), 1e-12);
    ASSERT_EQ(postmult_by_transpose(transpose(X).cview(), XXt.view(), t), 0);
    expect_close(XXt, testing::reference_transpose_product(X, X), 1e-11);

    std::vector<double> Xx(n), Xtx(p);
    ASSERT_EQ(mat_mult_by_vector(X.cview(), cview(x), view(Xx), t), 0);
    ASSERT_EQ(mat_mult_transpose_first_by_vector(X.cview(), cview(Xx), view(Xtx), t, cview(w)), 0);
    test_matrix xm(p, 1), Xxm(n, 1);
    xm.values = x;
    Xxm.values = Xx;
    expect_close(Xxm, testing::reference_product(X, xm), 1e-14);
    test_matrix Xtxm(p, 1);
    Xtxm.values = Xtx;
    expect_close(Xtxm, testing::reference_transpose_product(X, Xxm, &w), 1e-11);

    double s = 0.0;
    const std::vector<double> v = {1.5, -2.0, 0.25};
    ASSERT_EQ(mat_mult_pre_and_post(test_matrix::identity(3).cview(), cview(v), s, t), 0);
    EXPECT_EQ(s, 1.5 * 1.5 + 4.0 + 0.0625);  // v'v
    EXPECT_FALSE(t.error_occurred());
}

// The symmetric products and T'T are exactly symmetric; a weight vector of ones and strided
// copies of the vectors change no bit.
TEST(ProductExactness, SymmetryWeightsOfOnesAndStrides) {
    error_trail t;
    const int n = 517, p = 13;
    const test_matrix X = test_matrix::random(n, p, 20);
    const std::vector<double> w = testing::random_vector(n, 21, 0.0, 3.0), ones(n, 1.0);
    const std::vector<double> u = testing::random_vector(n, 22);
    test_matrix C1(p, p), C2(p, p), C3(p, p), C4(p, p), G(p, p), T(p, p);
    ASSERT_EQ(real_cross_product(X.cview(), C1.view(), cview(w), t), 0);
    ASSERT_EQ(premult_by_transpose(X.cview(), C2.view(), t, cview(w)), 0);
    ASSERT_EQ(mat_mult_transpose_first_by_vector(X.cview(), X.cview(), C3.view(), t, cview(w)), 0);
    ASSERT_EQ(mult_tri_by_its_transpose(test_matrix::random(p, p, 23).cview(), T.view(), t), 0);
    for (const test_matrix* C : {&C1, &T})
        for (int j = 0; j < p; ++j)
            for (int i = 0; i < p; ++i) ASSERT_EQ((*C)(i, j), (*C)(j, i));
    EXPECT_EQ(C1.values, C2.values);
    EXPECT_EQ(C1.values, C3.values);
    // The general path on a copy of X agrees with the symmetric one on the lower triangle.
    const test_matrix copy = X;
    ASSERT_EQ(mat_mult_transpose_first_by_vector(X.cview(), copy.cview(), G.view(), t, cview(w)), 0);
    for (int j = 0; j < p; ++j)
        for (int i = j; i < p; ++i) EXPECT_EQ(G(i, j), C1(i, j));

    ASSERT_EQ(real_cross_product(X.cview(), C1.view(), std::nullopt, t), 0);
    ASSERT_EQ(real_cross_product(X.cview(), C2.view(), cview(ones), t), 0);
    EXPECT_EQ(C1.values, C2.values);
    std::vector<double> y1(p), y2(p), y3(p), z1(n), z2(n);
    ASSERT_EQ(mat_mult_transpose_first_by_vector(X.cview(), cview(u), view(y1), t), 0);
    ASSERT_EQ(mat_mult_transpose_first_by_vector(X.cview(), cview(u), view(y2), t, cview(ones)), 0);
    EXPECT_EQ(y1, y2);
    const std::vector<double> beta = testing::random_vector(p, 24), ones_p(p, 1.0);
    ASSERT_EQ(mat_mult_by_vector(X.cview(), cview(beta), view(z1), t), 0);
    ASSERT_EQ(mat_mult_by_vector(X.cview(), cview(beta), view(z2), t, cview(ones_p)), 0);
    EXPECT_EQ(z1, z2);

    std::vector<double> w_spread(2 * n), u_spread(3 * n);
    for (int i = 0; i < n; ++i) w_spread[2 * i] = w[i], u_spread[3 * i] = u[i];
    ASSERT_EQ(mat_mult_transpose_first_by_vector(X.cview(), cview(u), view(y1), t, cview(w)), 0);
    ASSERT_EQ(mat_mult_transpose_first_by_vector(X.cview(), vector_cview(u_spread.data(), n, 3), view(y3),
                                                 t, vector_cview(w_spread.data(), n, 2)), 0);
    EXPECT_EQ(y1, y3);
    ASSERT_EQ(real_cross_product(X.cview(), C2.view(), vector_cview(w_spread.data(), n, 2), t), 0);
    ASSERT_EQ(real_cross_product(X.cview(), C1.view(), cview(w), t), 0);
    EXPECT_EQ(C1.values, C2.values);
}

TEST(ProductExactness, SectionsAndTriangles) {
    // The 3 x 2 block at (1, 1) of a 5 x 4 matrix times every second element of a vector, into
    // every second element of the result.
    error_trail t;
    const test_matrix big = test_matrix::random(5, 4, 12);
    const matrix_cview block(big.values.data() + 5 + 1, 3, 2, 5);
    std::vector<double> xs = {2.0, 99.0, -1.0}, ys(6, sentinel);
    ASSERT_EQ(mat_mult_by_vector(block, vector_cview(xs.data(), 2, 2), vector_view(ys.data(), 3, 2), t), 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(ys[2 * i], big(1 + i, 1) * 2.0 - big(1 + i, 2));
        EXPECT_EQ(ys[2 * i + 1], sentinel);
    }
    // T'T reads only the lower triangle of T.
    const test_matrix T = test_matrix::from_rows({{2, 9}, {3, 4}});
    test_matrix C(2, 2);
    ASSERT_EQ(mult_tri_by_its_transpose(T.cview(), C.view(), t), 0);
    EXPECT_EQ(C.values, (std::vector<double>{13, 12, 12, 16}));
}

}  // namespace
}  // namespace quill::engine
