// ICM through runscad: the cases it used to refuse, the full path's top, and agreement with LQA
// when the response is centred.
#include <gtest/gtest.h>

#include <cmath>

#include "estimation_fixture.h"
#include "runscad_call.h"

namespace quill::engine {
namespace {

using testing_support::runscad_call;

constexpr int32_t algorithm_option = 0;
constexpr int32_t intercept_mode_option = 7;

// Both were refused before the descent path; descent_path_test.cpp checks their fits.
TEST(RunscadIcm, FitsAnInterceptColumnAndTheGeneralizedModels) {
    runscad_call normal;
    normal.options[algorithm_option] = 1;
    normal.run();
    EXPECT_FALSE(normal.failed()) << normal.text();

    runscad_call logistic;
    logistic.options[algorithm_option] = 1;
    logistic.model_type = 1;
    logistic.y = {0, 1, 0, 1, 1, 0, 1, 0};
    logistic.run();
    EXPECT_FALSE(logistic.failed()) << logistic.text();
}

// The full path's top is found by fits before the grid exists; ICM used to refuse them as "not
// ready", so MAXLAMBDA FULL always failed.
TEST(RunscadIcm, FindsTheFullPathTopOfTheCentredModel) {
    const testing::data_set d =
        testing::synthetic(100, {0.0, 1.5, 0.0, -1.0, 0.0}, testing::model::normal, 1.0, 5);
    runscad_call c = runscad_call::on(d.n, d.p, d.x, d.y);
    c.grid_size = 10;
    c.options = {1, 0, 0, 10, 250, 0, 0, 1};
    c.max_lambda = QUILL_MAX_LAMBDA_FULL;
    c.run();
    ASSERT_FALSE(c.failed()) << c.text();
    for (int j = 0; j < d.p; ++j) EXPECT_EQ(c.path[9 + j * 10], 0.0) << j;
    bool any = false;
    for (int j = 0; j < d.p; ++j) any = any || c.path[8 + j * 10] != 0.0;
    EXPECT_TRUE(any);
}

TEST(RunscadIcm, AgreesWithLqaWhenTheResponseIsCentred) {
    const testing::data_set d =
        testing::synthetic(200, {0.0, 1.5, 0.0, -1.0, 0.0, 0.0}, testing::model::normal, 1.0, 3);
    runscad_call runs[2];
    for (int algorithm : {0, 1}) {
        runscad_call& c = runs[algorithm];
        c = runscad_call::on(d.n, d.p, d.x, d.y);
        c.grid_size = 20;
        c.options = {algorithm, 0, 0, 20, 250, 0, 0, 1};
        c.run();
        ASSERT_FALSE(c.failed()) << c.text();
    }
    // Several grid values give the same fit and tie in BIC up to rounding, so the two may pick
    // different ones among them.
    EXPECT_NEAR(runs[0].criterion, runs[1].criterion, 1e-9 * std::fabs(runs[0].criterion));
    EXPECT_EQ(runs[0].simple_df, runs[1].simple_df);
    for (int j = 0; j < d.p; ++j) EXPECT_NEAR(runs[0].beta[j], runs[1].beta[j], 1e-8) << j;
    EXPECT_NEAR(runs[0].intercept, runs[1].intercept, 1e-8);
}

}  // namespace
}  // namespace quill::engine
