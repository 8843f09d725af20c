#include "estimation/cov_mat.h"

#include <gtest/gtest.h>

#include "estimation/initial_fit.h"
#include "estimation_fixture.h"

namespace quill::engine {
namespace {

using namespace testing;

constexpr const char* where = "OCCURRED IN: run_calculate_scad_cov_mat in MOD scad_types";

struct cov_call {
    int rc = 0;
    double df = -1.0;
    error_trail trail;
};

cov_call covariance(scad_session& s, const std::vector<double>& beta, double lambda,
                    bool trace = false) {
    cov_call c;
    const dbl1 b = vector_of(beta);
    c.rc = run_calculate_scad_cov_mat(b, lambda, trace, c.df, s, c.trail);
    return c;
}

// (X'X)^-1 of the session's standardized design, column by column.
std::vector<std::vector<double>> inverse_cross_product(const scad_session& s) {
    const int q = s.dataset.x.extent(1);
    const matrix_ld M = cross(design_of(s), s.dataset.n, q);
    std::vector<std::vector<double>> inv;
    for (int c = 0; c < q; ++c) inv.push_back(inverse_column(M, c));
    return inv;
}

class CovarianceAtLeastSquares : public ::testing::Test {
protected:
    void SetUp() override {
        d = synthetic(40, {0.5, 1.0, -2.0, 0.8}, model::normal);
    }
    void fit(options o) {
        load(s, d, o);
        error_trail t;
        ASSERT_EQ(run_calculate_scad_initialfit(s, t), 0);
        for (int j = 1; j <= 4; ++j) beta.push_back(s.initialfit.beta(j));
    }
    data_set d;
    scad_session s;
    std::vector<double> beta;
};

TEST_F(CovarianceAtLeastSquares, ModelBasedIsSigma2TimesTheInverseCrossProduct) {
    options o;
    fit(o);
    const cov_call c = covariance(s, beta, 0.0, true);
    ASSERT_EQ(c.rc, 0);
    double rss = 0.0;
    for (int i = 1; i <= d.n; ++i) rss += (d.y[i - 1] - s.initialfit.mu(i)) * (d.y[i - 1] - s.initialfit.mu(i));
    const double sigma2 = rss / (d.n - 4);  // every coefficient, the intercept included
    EXPECT_NEAR(s.stdresults.sigma2, sigma2, 1e-12);
    const auto inv = inverse_cross_product(s);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(s.stdresults.se(i + 1), std::sqrt(sigma2 * inv[i][i]), 1e-10);
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(s.stdresults.cov_mat(i + 1, j + 1), sigma2 * inv[j][i], 1e-10);
    }
    EXPECT_NEAR(c.df, 4.0, 1e-9);  // trace of the hat matrix
}

TEST_F(CovarianceAtLeastSquares, RobustIsTheSandwichAndLeavesSigma2Unset) {
    options o;
    o.robust = true;
    fit(o);
    ASSERT_EQ(s.settings.model_based_se, 0);
    const cov_call c = covariance(s, beta, 0.0);
    ASSERT_EQ(c.rc, 0);
    EXPECT_EQ(s.stdresults.sigma2, -1.0);
    const auto inv = inverse_cross_product(s);
    const std::vector<double> x = design_of(s);
    const int n = d.n;
    // (X'X)^-1 X' diag(r^2) X (X'X)^-1, diagonal only.
    for (int a = 0; a < 4; ++a) {
        long double v = 0.0L;
        for (int i = 0; i < n; ++i) {
            long double row = 0.0L;  // ((X'X)^-1 x_i)_a
            for (int j = 0; j < 4; ++j) row += inv[j][a] * x[static_cast<std::size_t>(j) * n + i];
            const double r = d.y[i] - s.initialfit.mu(i + 1);
            v += row * row * r * r;
        }
        EXPECT_NEAR(s.stdresults.se(a + 1), std::sqrt(static_cast<double>(v)), 1e-10) << a;
    }
}

TEST_F(CovarianceAtLeastSquares, ExcludedCoefficientGetsZeroRowAndSeOfOneTenBillionth) {
    options o;
    fit(o);
    beta[2] = 0.0;
    ASSERT_EQ(covariance(s, beta, 0.1).rc, 0);
    EXPECT_EQ(s.stdresults.se(3), 1e-10);
    // The covariance is held on the support alone: coefficient 3 has no row or column.
    ASSERT_EQ(s.stdresults.cov_index.extent(0), 3);
    EXPECT_EQ(s.stdresults.cov_index(1), 1);
    EXPECT_EQ(s.stdresults.cov_index(2), 2);
    EXPECT_EQ(s.stdresults.cov_index(3), 4);
    ASSERT_EQ(s.stdresults.cov_mat.extent(1), 3);
    for (int c = 1; c <= 3; ++c)
        EXPECT_EQ(std::sqrt(s.stdresults.cov_mat(c, c) + 1e-20),
                  s.stdresults.se(s.stdresults.cov_index(c)));
    EXPECT_GT(s.stdresults.se(2), 1e-3);
}

TEST_F(CovarianceAtLeastSquares, NoIncludedCoefficientSetsSigma2ByTheGeneralRule) {
    const struct {
        int intercept_mode;
        bool robust;
        model type;
    } cases[] = {{2, false, model::normal}, {1, false, model::normal}, {2, true, model::normal}};
    for (const auto& k : cases) {
        scad_session s2;
        options o;
        o.intercept_mode = k.intercept_mode;
        o.robust = k.robust;
        load(s2, d, o);
        s2.stdresults.sigma2 = 123.0;
        const cov_call c = covariance(s2, {0.0, 1e-16, 0.0}, 1.0, true);
        ASSERT_EQ(c.rc, 0);
        EXPECT_EQ(c.df, 0.0);
        for (int j = 1; j <= 3; ++j) EXPECT_EQ(s2.stdresults.se(j), 0.0);
        double ss = 0.0;
        for (int i = 1; i <= d.n; ++i) ss += s2.dataset.y(i) * s2.dataset.y(i);
        const double expected = k.robust ? -1.0 : k.intercept_mode == 1 ? ss / (d.n - 1) : ss / d.n;
        EXPECT_NEAR(s2.stdresults.sigma2, expected, 1e-12) << k.intercept_mode << k.robust;
    }
}

TEST(Covariance, RefusalsAndTheirSentences) {
    const data_set d = synthetic(5, {0.0, 1.0, 2.0, 3.0, 4.0}, model::normal);  // n = p + 1
    const std::vector<double> b{1.0, 1.0, 0.0, 0.0, 0.0};
    struct {
        double lambda;
        const char* sentence;
    } cases[] = {{-1e-9, "Lambda cannot be negative."},
                 {INFINITY, "Lambda is too big."},
                 {1.0, "The error df was too small to calculate a variance estimate."}};
    for (const auto& c : cases) {
        scad_session s;
        options o;
        load(s, d, o);
        const cov_call r = covariance(s, b, c.lambda);
        EXPECT_EQ(r.rc, -1);
        EXPECT_EQ(lines_of(r.trail), (std::vector<std::string>{c.sentence, where}));
        EXPECT_TRUE(s.is_null);
    }
    // n = p + 2 succeeds; lambda 10000 and a derived grid value beyond it are accepted.
    for (const double lambda : {10000.0, 1e6}) {
        scad_session ok;
        load(ok, synthetic(6, {0.0, 1.0, 2.0, 3.0, 4.0}, model::normal));
        EXPECT_EQ(covariance(ok, b, lambda).rc, 0) << lambda;
    }

    // p >= n fails even with a single included coefficient.
    scad_session wide;
    options o;
    o.intercept_mode = 2;
    load(wide, synthetic(3, {0.0, 1.0, 2.0, 3.0}, model::normal), o);
    const cov_call r = covariance(wide, {1.0, 0.0, 0.0}, 0.1);
    EXPECT_EQ(lines_of(r.trail), (std::vector<std::string>{
                                     "Since p >= n, we cannot get standard errors.", where}));

    scad_session empty;
    EXPECT_EQ(lines_of(covariance(empty, {1.0}, 0.1).trail),
              (std::vector<std::string>{"The session is not ready yet.", where}));
}

}  // namespace
}  // namespace quill::engine
