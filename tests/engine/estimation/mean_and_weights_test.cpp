#include "estimation/mean_and_weights.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "estimation_fixture.h"

namespace quill::engine {
namespace {

using testing::vector_of;

// mu at a single linear predictor value eta (x = [eta], beta = [1]).
double mu_at(double eta, int32_t model_type) {
    error_trail t;
    dbl2 x;
    dbl2_alloc(x, 1, 1, t);
    x(1, 1) = eta;
    dbl1 beta = vector_of({1.0});
    dbl1 mu = vector_of({-7.0});
    EXPECT_EQ(scad_calculate_mu(x, beta, model_type, mu, t), 0);
    return mu(1);
}

double weight_at(double mu, int32_t model_type) {
    error_trail t;
    dbl1 m = vector_of({mu});
    dbl1 w = vector_of({-7.0});
    EXPECT_EQ(scad_calculate_fitweights(m, w, model_type, t), 0);
    return w(1);
}

// The logistic exponential is held at 1e10 beyond ln 1e10; the Poisson mean is e^eta up to
// overflow (before, it was held at 1e10 too, and counts above 1e10 biased every coefficient).
TEST(MeanVector, LogisticExponentialHeldAtLnTenToTheTenPoissonMeanUncapped) {
    EXPECT_EQ(mu_at(23.03, 1), 1e10 / (1e10 + 1.00000000001));
    EXPECT_EQ(mu_at(23.02, 1), std::exp(23.02) / (std::exp(23.02) + 1.00000000001));
    EXPECT_EQ(mu_at(23.025850929940457, 2), std::exp(23.025850929940457));
    EXPECT_DOUBLE_EQ(mu_at(50.0, 2), std::exp(50.0));
    EXPECT_DOUBLE_EQ(mu_at(709.0, 2), std::exp(709.0));
    EXPECT_EQ(mu_at(710.0, 2), HUGE_VAL);
    EXPECT_EQ(mu_at(-800.0, 1), 0.0);  // no lower clamp: exp underflows
    EXPECT_LT(mu_at(1000.0, 1), 1.0);
}

// The passes' means are mean_from_linear_predictor's bits, and the loss their weighted
// negative log-likelihood terms: Poisson mu - y eta, logistic ln(1 + e^eta) - y eta (finite
// far beyond the logistic clamp); a row of weight 0 adds nothing, even with an infinite mean.
TEST(MeanVector, PassMeansAndLossOfTheLogisticAndPoissonModels) {
    const double eta[] = {-2.0, 0.5, 30.0, 800.0};
    const double y[] = {1.0, 0.0, 1.0, 0.0};
    const double w[] = {1.0, 2.0, 0.5, 1.0};
    double poisson[] = {-2.0, 0.5, 30.0, 1.5}, plain[] = {-2.0, 0.5, 30.0, 1.5};
    const double poisson_loss = mean_and_loss(2, poisson, y, w, false, 4);
    mean_from_linear_predictor(2, plain, 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(poisson[i], plain[i]) << i;
    EXPECT_NEAR(poisson_loss,
                (std::exp(-2.0) + 2.0) + 2.0 * std::exp(0.5) + 0.5 * (std::exp(30.0) - 30.0) +
                    std::exp(1.5),
                1e-15 * 0.5 * std::exp(30.0));

    double logistic[4], logistic_plain[4];
    std::copy(eta, eta + 4, logistic);
    std::copy(eta, eta + 4, logistic_plain);
    const double logistic_loss = mean_and_loss(1, logistic, y, w, false, 4);
    mean_from_linear_predictor(1, logistic_plain, 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(logistic[i], logistic_plain[i]) << i;
    const double expected = (std::log1p(std::exp(-2.0)) + 2.0) + 2.0 * std::log1p(std::exp(0.5)) +
                            0.5 * std::log1p(std::exp(-30.0)) + 800.0;
    EXPECT_NEAR(logistic_loss, expected, 1e-12);

    // Rows of weight 1 (the usual case) multiply their factors 1 + e^eta up, rescaled before
    // they overflow: 600 rows with eta up to 36 and beyond, against one logarithm a row.
    std::vector<double> many(600), many_y(600), ones(600, 1.0);
    double by_row = 0.0;
    for (int i = 0; i < 600; ++i) {
        many[i] = -40.0 + 0.15 * i;
        many_y[i] = i % 3 == 0 ? 1.0 : 0.0;
        const double softplus = many[i] > 0.0 ? many[i] + std::log1p(std::exp(-many[i]))
                                               : std::log1p(std::exp(many[i]));
        by_row += softplus - many_y[i] * many[i];
    }
    EXPECT_NEAR(mean_and_loss(1, many.data(), many_y.data(), ones.data(), true, 600), by_row,
                1e-12 * by_row);

    double left_out[] = {800.0};
    const double zero_weight[] = {0.0};
    EXPECT_EQ(mean_and_loss(2, left_out, y, zero_weight, false, 1), 0.0);
}

TEST(MeanVector, NormalModelIsTheLinearPredictorAndOtherCodesLeaveMuAlone) {
    EXPECT_EQ(mu_at(-3.25, 0), -3.25);
    EXPECT_EQ(mu_at(2.0, 5), -7.0);
}

TEST(FitWeights, GuardsKeepLogisticWeightsAwayFromZero) {
    EXPECT_EQ(weight_at(0.0, 1), 1e-10 * 1.0000000001);
    EXPECT_EQ(weight_at(1.0, 1), (1.0 + 1e-10) * (1.0000000001 - 1.0));
    EXPECT_GT(weight_at(1.0, 1), 0.0);
    EXPECT_EQ(weight_at(0.25, 1), (0.25 + 1e-10) * (1.0000000001 - 0.25));
    EXPECT_EQ(weight_at(1e10, 2), 1e10);
    EXPECT_EQ(weight_at(123.0, 0), 1.0);
    EXPECT_EQ(weight_at(0.5, 9), -7.0);
}

}  // namespace
}  // namespace quill::engine
