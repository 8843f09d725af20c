#include "estimation/mean_and_weights.h"

#include <gtest/gtest.h>

#include <cmath>

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

TEST(MeanVector, ExponentialClampAtLnTenToTheTen) {
    EXPECT_EQ(mu_at(23.03, 1), 1e10 / (1e10 + 1.00000000001));
    EXPECT_EQ(mu_at(23.02, 1), std::exp(23.02) / (std::exp(23.02) + 1.00000000001));
    EXPECT_EQ(mu_at(23.025850929940457, 2), std::exp(23.025850929940457));  // not above: no clamp
    EXPECT_EQ(mu_at(50.0, 2), 1e10);
    EXPECT_EQ(mu_at(-800.0, 1), 0.0);  // no lower clamp: exp underflows
    EXPECT_LT(mu_at(1000.0, 1), 1.0);
}

TEST(MeanVector, NormalModelIsTheLinearPredictorAndOtherCodesLeaveMuAlone) {
    EXPECT_EQ(mu_at(-3.25, 0), -3.25);
    EXPECT_EQ(mu_at(2.0, 5), -7.0);
}

TEST(MeanVector, RefusesNonConformableArguments) {
    error_trail t;
    dbl2 x;
    dbl2_alloc(x, 3, 2, t);
    x.fill(1.0);
    dbl1 beta = vector_of({1.0, 2.0, 3.0});
    dbl1 mu = vector_of({0.0, 0.0, 0.0});
    EXPECT_EQ(scad_calculate_mu(x, beta, 0, mu, t), -1);
    EXPECT_EQ(testing::lines_of(t),
              (std::vector<std::string>{"Dimensions of matrix arguments not conformable", "mu",
                                        "OCCURRED IN: scad_calculate_mu in MOD scad_types"}));
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

TEST(FitWeights, RefusesLengthMismatch) {
    error_trail t;
    dbl1 mu = vector_of({0.5, 0.5});
    dbl1 w = vector_of({0.0});
    EXPECT_EQ(scad_calculate_fitweights(mu, w, 1, t), -1);
    EXPECT_EQ(testing::lines_of(t).back(),
              "OCCURRED IN: scad_calculate_fitweights in MOD scad_types");
}

}  // namespace
}  // namespace quill::engine
