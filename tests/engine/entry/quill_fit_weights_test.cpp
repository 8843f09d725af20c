// Case weights through quill_fit are frequency weights: whole-number weights give the fit of the
// data with each row repeated that many times, over the whole grid and for every quantity; a
// weight of 0 drops the row; weights of 1 are no weights at all, to the bit; a bad weight is
// refused by row.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "estimation_fixture.h"
#include "quill_fit_call.h"

namespace quill::engine {
namespace {

using testing_support::quill_fit_call;

// Weights 0 to 3 in a fixed pattern, and the data with each row repeated that many times.
struct weighted_pair {
    quill_fit_call weighted, repeated;
};

weighted_pair make_pair(const testing::data_set& d, int32_t model) {
    std::vector<double> w(d.n);
    for (int i = 0; i < d.n; ++i) w[i] = (i * 7 + 3) % 4;
    std::vector<double> x, y;
    int rows = 0;
    for (int i = 0; i < d.n; ++i) rows += static_cast<int>(w[i]);
    x.reserve(static_cast<std::size_t>(rows) * d.p);
    for (int j = 0; j < d.p; ++j)
        for (int i = 0; i < d.n; ++i)
            for (int r = 0; r < w[i]; ++r) x.push_back(d.x[static_cast<std::size_t>(j) * d.n + i]);
    for (int i = 0; i < d.n; ++i)
        for (int r = 0; r < w[i]; ++r) y.push_back(d.y[i]);
    weighted_pair pair{quill_fit_call(d.n, d.p, d.x, d.y, model),
                       quill_fit_call(rows, d.p, x, y, model)};
    pair.weighted.weights = w;
    return pair;
}

void expect_close(const std::vector<double>& a, const std::vector<double>& b, const char* what,
                  double tolerance = 1e-8) {
    ASSERT_EQ(a.size(), b.size()) << what;
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (std::isnan(b[k])) {
            EXPECT_TRUE(std::isnan(a[k])) << what << " " << k;
            continue;
        }
        EXPECT_NEAR(a[k], b[k], tolerance * std::fmax(std::fabs(b[k]), 1.0)) << what << " " << k;
    }
}

void expect_same_fit(const quill_fit_call& a, const quill_fit_call& b) {
    EXPECT_EQ(a.result.best_index, b.result.best_index);
    EXPECT_EQ(a.result.simple_df, b.result.simple_df);
    EXPECT_EQ(a.simple_df, b.simple_df);
    EXPECT_EQ(a.fitted, b.fitted);
    expect_close(a.lambda, b.lambda, "lambda");
    expect_close(a.beta, b.beta, "beta");
    expect_close(a.se, b.se, "se");
    expect_close(a.path, b.path, "path");
    expect_close(a.intercept, b.intercept, "intercept path");
    expect_close(a.bic, b.bic, "bic");
    expect_close(a.aic, b.aic, "aic");
    expect_close(a.gcv, b.gcv, "gcv");
    expect_close(a.effective_df, b.effective_df, "effective df");
    expect_close({a.result.intercept, a.result.intercept_se, a.result.criterion},
                 {b.result.intercept, b.result.intercept_se, b.result.criterion}, "scalars");
}

TEST(QuillFitWeights, WholeNumberWeightsGiveTheRepeatedRowsFitOverTheWholeGrid) {
    struct variant {
        testing::model model;
        int32_t selection, robust, start;
    };
    // Before, weights were not read: the weighted call was the unweighted fit.
    for (const variant v : {variant{testing::model::normal, QUILL_SELECTION_BIC, 0, 0},
                            variant{testing::model::normal, QUILL_SELECTION_GCV, 1, 1},
                            variant{testing::model::logistic, QUILL_SELECTION_BIC, 0, 0},
                            variant{testing::model::poisson, QUILL_SELECTION_BIC, 0, 1}}) {
        SCOPED_TRACE(static_cast<int>(v.model) * 10 + v.robust);
        const testing::data_set d =
            testing::synthetic(60, {0.3, 0.8, -0.6, 0.0, 0.25, 0.0}, v.model, 1.0, 11);
        weighted_pair pair = make_pair(d, static_cast<int32_t>(v.model));
        for (quill_fit_call* c : {&pair.weighted, &pair.repeated}) {
            c->controls.selection = v.selection;
            c->controls.robust = v.robust;
            c->controls.start = v.start;
            c->run();
            ASSERT_FALSE(c->failed()) << c->text();
        }
        expect_same_fit(pair.weighted, pair.repeated);
    }
}

TEST(QuillFitWeights, UnitWeightsAreNoWeightsToTheBitAndBadWeightsAreRefusedByRow) {
    const testing::data_set d =
        testing::synthetic(50, {0.3, 0.8, -0.6, 0.0, 0.25}, testing::model::poisson, 1.0, 3);
    quill_fit_call plain(d.n, d.p, d.x, d.y, QUILL_MODEL_POISSON);
    plain.run();
    ASSERT_FALSE(plain.failed()) << plain.text();
    quill_fit_call ones = plain;
    ones.weights.assign(d.n, 1.0);
    ones.run();
    ASSERT_FALSE(ones.failed()) << ones.text();
    EXPECT_EQ(std::memcmp(plain.beta.data(), ones.beta.data(), d.p * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(plain.bic.data(), ones.bic.data(), plain.bic.size() * sizeof(double)), 0);

    for (const double bad : {-1.0, std::nan(""), HUGE_VAL}) {
        quill_fit_call c = ones;
        c.weights[6] = bad;
        c.run();
        ASSERT_TRUE(c.failed());
        EXPECT_EQ(c.text().substr(0, 60),
                  std::string("The case weight of row 7 is negative, missing or infinite.\r\n")
                      .substr(0, 60));
    }
}

// Multiplying every weight by c is the data repeated c times: at a negligible lambda the
// coefficients do not move, the logistic standard errors shrink by sqrt(c), and the normal ones by
// sqrt((N - k) / (c N - k)), sigma^2 being sum w r^2 / (sum w - k) with N = sum w.
TEST(QuillFitWeights, WeightsTimesAConstantAtANegligibleLambda) {
    for (const testing::model m : {testing::model::normal, testing::model::logistic}) {
        const testing::data_set d = testing::synthetic(40, {0.2, 0.7, -0.5, 0.3}, m, 1.0, 5);
        quill_fit_call base(d.n, d.p, d.x, d.y, static_cast<int32_t>(m), 1);
        base.controls.min_lambda = 1e-9;
        base.weights.assign(d.n, 1.5);
        quill_fit_call scaled = base;
        for (double& w : scaled.weights) w *= 4.0;
        base.run();
        scaled.run();
        ASSERT_FALSE(base.failed() || scaled.failed()) << base.text() << scaled.text();
        expect_close(scaled.beta, base.beta, "beta", 1e-7);
        const double N = 1.5 * d.n;
        const double k = d.p + 1;
        const double factor =
            m == testing::model::normal ? std::sqrt((N - k) / (4.0 * N - k)) : 0.5;
        for (int j = 0; j < d.p; ++j)
            EXPECT_NEAR(scaled.se[j], factor * base.se[j], 1e-7 * base.se[j]) << j;
    }
}

// Weights that are proportions are no frequency weights: a sum of 1 would be a sample of one.
// They must sum to more than the coefficients; before, a sum of 1 said "Not enough data in the
// response variable" and one a little above 1 reached the grid's settings check.
TEST(QuillFitWeights, WeightsMustCountMoreObservationsThanCoefficients) {
    const testing::data_set d = testing::synthetic(10, {0.5, 1.0, -1.0}, testing::model::normal);
    for (double each : {0.1, 0.3, 0.31}) {
        quill_fit_call c(d.n, d.p, d.x, d.y, 0);
        c.weights.assign(d.n, each);
        c.run();
        if (each < 0.31) {
            ASSERT_TRUE(c.failed()) << each;
            EXPECT_NE(c.text().find("as frequency weights they count observations"), std::string::npos)
                << c.text();
            EXPECT_NE(c.text().find("must sum to more than the 3 coefficients"), std::string::npos);
        } else {
            EXPECT_FALSE(c.failed()) << c.text();  // 3.1 observations for 3 coefficients
        }
    }
}

}  // namespace
}  // namespace quill::engine
