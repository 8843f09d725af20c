// runscad and the size of the response: a normal fit of c y is the fit of y in other units, and
// Poisson counts in the thousands to hundred millions fit as well as counts of a few.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "estimation_fixture.h"
#include "runscad_call.h"

namespace quill::engine {
namespace {

using testing_support::runscad_call;

runscad_call call_on(const testing::data_set& d, testing::model type) {
    runscad_call c = runscad_call::on(d.n, d.p, d.x, d.y, static_cast<int32_t>(type));
    c.grid_size = 20;
    c.options = {0, 0, 1, 20, 1000, 0, 0, 0};  // PROJECTION df
    return c;
}

// The results in the units of y: coefficients, standard errors, path and lambdas.
std::vector<double> in_units_of_y(const runscad_call& c) {
    std::vector<double> v = c.beta;
    v.insert(v.end(), c.se.begin(), c.se.end());
    v.insert(v.end(), c.path.begin(), c.path.end());
    v.insert(v.end(), {c.intercept, c.intercept_se, c.lambda, c.min_lambda, c.max_lambda});
    return v;
}

TEST(RunscadScale, NormalFitOfAScaledResponseIsTheSameFitInOtherUnits) {
    const testing::data_set d =
        testing::synthetic(80, {1.0, 2.0, 0.0, -1.0, 0.5, 0.0}, testing::model::normal, 1.0, 5);
    runscad_call base = call_on(d, testing::model::normal);
    base.run_path();
    ASSERT_FALSE(base.failed()) << base.text();
    const std::vector<double> base_values = in_units_of_y(base);
    const int b = base.best - 1;
    // Before, 1e5 y failed ("The requested value of lambda is too large.") and 1e-4 y lost
    // every predictor.
    for (const double c : {1e-6, 1e-4, 1e5, 1e6}) {
        runscad_call r = call_on(d, testing::model::normal);
        for (double& v : r.y) v *= c;
        r.run_path();
        ASSERT_FALSE(r.failed()) << c << ": " << r.text();
        EXPECT_EQ(std::tuple(r.best, r.simple_df, r.df, r.num_iter),
                  std::tuple(base.best, base.simple_df, base.df, base.num_iter)) << c;
        const std::vector<double> values = in_units_of_y(r);
        for (std::size_t k = 0; k < values.size(); ++k) {
            EXPECT_NEAR(values[k], c * base_values[k], 1e-8 * std::fabs(c * base_values[k]))
                << "c = " << c << ", value " << k;
            EXPECT_EQ(values[k] == 0.0, base_values[k] == 0.0) << "c = " << c << ", value " << k;
        }
        const double bic = base.criterion + 2.0 * d.n * std::log(c);
        EXPECT_NEAR(r.criterion, bic, 1e-8 * std::fabs(bic)) << c;
        EXPECT_NEAR(r.table.gcv[b], c * c * base.table.gcv[b], 1e-8 * c * c * base.table.gcv[b]);
        EXPECT_NEAR(r.table.effective_df[b], base.table.effective_df[b], 1e-8) << c;

        // Given lambdas are in the units of y too, and come back as given.
        r.min_lambda = 0.05 * c;
        r.max_lambda = 0.5 * c;
        r.run();
        ASSERT_FALSE(r.failed()) << c << ": " << r.text();
        EXPECT_EQ(std::tuple(r.min_lambda, r.max_lambda), std::tuple(0.05 * c, 0.5 * c));
    }
}

TEST(RunscadScale, PoissonCountsOfAnySizeReachTheMaximumLikelihoodFit) {
    // At lambda 0 the fit is the maximum-likelihood fit; the derived grid of the counts near
    // 1e8 passes 10000. Before, counts in the millions ended far from it.
    for (const double mean : {1e3, 1e6, 1e8}) {
        const testing::data_set d = testing::synthetic(100, {std::log(mean), 0.3, -0.2, 0.1},
                                                       testing::model::poisson, 1.0, 9);
        runscad_call r = call_on(d, testing::model::poisson);
        r.min_lambda = 0.0;
        r.run_path();
        ASSERT_FALSE(r.failed()) << mean << ": " << r.text();
        std::vector<double> x(d.n, 1.0);  // the intercept column first
        x.insert(x.end(), d.x.begin(), d.x.end());
        const std::vector<double> mle = testing::irls(x, d.y, d.n, d.p + 1, testing::model::poisson,
                                                      {std::log(mean), 0.0, 0.0, 0.0});
        const double fit[] = {r.table.intercept[0], r.path[0], r.path[20], r.path[40]};  // at 0
        for (int j = 0; j <= d.p; ++j)
            EXPECT_NEAR(fit[j], mle[j], 1e-7 * std::fabs(mle[j])) << mean << ", " << j;
        EXPECT_EQ(r.max_lambda > 10000.0, mean == 1e8);
    }

    // Counts of mean 3 give the results of the start from the centred counts used before.
    const testing::data_set d =
        testing::synthetic(100, {std::log(3.0), 0.3, -0.2, 0.1}, testing::model::poisson, 1.0, 9);
    runscad_call r = call_on(d, testing::model::poisson);
    r.options[2] = 0;  // COUNT df
    r.run();
    ASSERT_FALSE(r.failed()) << r.text();
    EXPECT_EQ(std::tuple(r.best, r.num_iter), std::tuple(1, 1));
    const double before[] = {0.99628825440023261, 0.2920121355370297, -0.22120228843104867,
                             0.087880510577849916, 0.0085732140998869277, -56.034540781260269};
    const double now[] = {r.intercept, r.beta[0], r.beta[1], r.beta[2], r.lambda, r.criterion};
    for (int k = 0; k < 6; ++k) EXPECT_NEAR(now[k], before[k], 1e-9 * std::fabs(before[k])) << k;
}

}  // namespace
}  // namespace quill::engine
