// runscad at the C boundary: the failure exit, the message rules, bad arguments and allocation
// failures along the call's path.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "runscad_call.h"
#include "support/fault_injector.h"

namespace quill::engine {
namespace {

using testing_support::runscad_call;

const std::string runscad_where = "OCCURRED IN: runscad in MOD scad_types";

TEST(RunscadBoundary, UnknownInterceptModeIsRefusedByNameAndWritesOnlyStepOne) {
    for (int32_t mode : {3, -1}) {
        runscad_call c;
        c.options[7] = mode;
        c.min_lambda = 0.25;
        c.run();
        EXPECT_TRUE(c.failed());
        EXPECT_EQ(c.lines(), (std::vector<std::string>{"Invalid input for intercept_mode", runscad_where}));
        EXPECT_EQ(c.converged, 0);
        EXPECT_EQ(c.intercept, 0.0);
        EXPECT_EQ(c.min_lambda, 0.25);
        EXPECT_EQ(c.lambda, -99.0);
        EXPECT_EQ(c.at_min, 7);
        EXPECT_EQ(c.beta[0], -99.0);
    }
}

TEST(RunscadBoundary, SettingsFailureGivesTwoLinesJoinedByCrLfAndTerminated) {
    runscad_call c;
    c.options[3] = 1001;
    c.grid_size = 1001;
    c.run();
    ASSERT_TRUE(c.failed());
    const std::string expected =
        "Invalid input for grid_size\r\nOCCURRED IN: run_load_scad_settings in MOD scad_types";
    EXPECT_EQ(c.text(), expected);
    EXPECT_EQ(c.message[expected.size()], 0);
    for (std::size_t i = expected.size() + 1; i < c.message.size(); ++i)
        ASSERT_EQ(c.message[i], 32) << i;
}

TEST(RunscadBoundary, MessageIsCutSoThatTheTerminatorFits) {
    runscad_call c;
    c.options[0] = 9;
    c.msg_len = 10;
    c.run();
    ASSERT_TRUE(c.failed());
    EXPECT_EQ(c.text(), "Invalid i");
    EXPECT_EQ(c.message[9], 0);

    runscad_call one;
    one.options[0] = 9;
    one.msg_len = 1;
    one.run();
    EXPECT_TRUE(one.failed());
    EXPECT_EQ(one.message[0], 0);

    // A message array that cannot hold even the terminator still gets the flag.
    runscad_call none;
    none.msg_len = 0;
    none.run();
    EXPECT_TRUE(none.failed());
    EXPECT_EQ(none.message[0], -5);
}

TEST(RunscadBoundary, NonFiniteDataIsRefusedWithItsPosition) {
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    struct row {
        int index;  // into x, or into y when negative (-1 - i)
        double value;
        std::string sentence;
    };
    const std::vector<row> rows{
        {10, nan, "The design matrix has a missing or infinite value (row 3, column 2)."},
        {0, -inf, "The design matrix has a missing or infinite value (row 1, column 1)."},
        {-8, inf, "The response has a missing or infinite value (row 8)."},
        {-1, nan, "The response has a missing or infinite value (row 1)."},
    };
    for (const row& r : rows) {
        runscad_call c;
        if (r.index >= 0)
            c.x[r.index] = r.value;
        else
            c.y[-1 - r.index] = r.value;
        c.run();
        ASSERT_TRUE(c.failed());
        EXPECT_EQ(c.lines(), (std::vector<std::string>{r.sentence, runscad_where}));
    }
}

TEST(RunscadBoundary, SizesThatCannotBeUsed) {
    struct row {
        int32_t n, p;
        std::string sentence;
    };
    const std::vector<row> rows{
        {-1, 2, "The number of observations n cannot be negative."},
        {8, -3, "The number of design columns p cannot be negative."},
        {8, 0, "There are no design columns (p = 0): the model needs a predictor."},
    };
    for (const row& r : rows) {
        runscad_call c;
        c.n = r.n;
        c.p = r.p;
        c.run();
        ASSERT_TRUE(c.failed());
        EXPECT_EQ(c.lines(), (std::vector<std::string>{r.sentence, runscad_where}));
    }
    runscad_call empty;
    empty.n = 0;
    empty.x.clear();  // no rows: the arrays are not needed and need not exist
    empty.y.clear();
    empty.run();
    ASSERT_TRUE(empty.failed());
    EXPECT_EQ(empty.lines(), (std::vector<std::string>{
                                 "Not enough data in the response variable.",
                                 "OCCURRED IN: run_load_scad_dataset in MOD scad_types"}));

    runscad_call mismatch;
    mismatch.grid_size = 6;
    mismatch.run();
    ASSERT_TRUE(mismatch.failed());
    EXPECT_EQ(mismatch.lines()[0],
              "The grid size argument does not match option 4 of the option vector.");
}

// Calls runscad directly with one pointer argument replaced by a null pointer.
std::string failure_with_null(int which) {
    runscad_call c;
    c.run();  // sizes the outputs
    double* d[] = {&c.min_lambda, &c.max_lambda, c.beta.data(), &c.intercept, c.se.data(),
                   &c.intercept_se, c.path.data(), &c.lambda, &c.criterion};
    int32_t* i[] = {&c.simple_df, &c.df, &c.best, &c.num_iter};
    uint8_t* u[] = {&c.converged, &c.at_max, &c.at_min};
    const double* x = c.x.data();
    const double* y = c.y.data();
    const uint8_t* f = c.forcein.data();
    const int32_t* o = c.options.data();
    switch (which) {
        case 0: x = nullptr; break;
        case 1: y = nullptr; break;
        case 2: f = nullptr; break;
        case 3: o = nullptr; break;
        default:
            if (which - 4 < 9) d[which - 4] = nullptr;
            else if (which - 13 < 4) i[which - 13] = nullptr;
            else u[which - 17] = nullptr;
    }
    uint8_t flag = 0;
    testing::internal::CaptureStdout();
    runscad(c.p, c.n, x, y, nullptr, f, o, c.grid_size, c.tolerance, d[0], d[1], c.model_type,
            c.a, d[2], d[3], d[4], d[5], d[6], d[7], d[8], i[0], i[1], i[2], i[3], u[0], u[1], u[2],
            &flag, c.msg_len, c.message.data());
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(flag, 0xFF) << which;
    c.error_flag = flag;
    return c.lines()[0];
}

TEST(RunscadBoundary, NullPointersAreNamed) {
    const char* names[] = {"raw_x",         "y_vec",          "forcein_vec",
                           "option_vector", "min_lambda",     "max_lambda",
                           "beta_out",      "intercept_out",  "se_out",
                           "intercept_se_out", "beta_path_out", "lambda_out",
                           "criterion_out", "simple_df_out",  "df_out",
                           "best_index_out", "num_iter_out",  "converged_out",
                           "at_max_lambda", "at_min_lambda"};
    for (int which = 0; which < 20; ++which)
        EXPECT_EQ(failure_with_null(which),
                  std::string("The argument ") + names[which] + " of runscad is a null pointer.");

    // Without an error flag or a message array nothing can be reported, but nothing breaks.
    runscad_call c;
    c.run();
    runscad(c.p, c.n, c.x.data(), c.y.data(), nullptr, c.forcein.data(), c.options.data(),
            c.grid_size, c.tolerance, &c.min_lambda, &c.max_lambda, 0, c.a, c.beta.data(),
            &c.intercept, c.se.data(), &c.intercept_se, c.path.data(), &c.lambda, &c.criterion,
            &c.simple_df, &c.df, &c.best, &c.num_iter, &c.converged, &c.at_max, &c.at_min,
            nullptr, c.msg_len, c.message.data());
    uint8_t flag = 0;
    runscad(c.p, c.n, c.x.data(), c.y.data(), nullptr, c.forcein.data(), c.options.data(),
            c.grid_size, c.tolerance, &c.min_lambda, &c.max_lambda, 0, c.a, c.beta.data(),
            &c.intercept, c.se.data(), &c.intercept_se, c.path.data(), &c.lambda, &c.criterion,
            &c.simple_df, &c.df, &c.best, &c.num_iter, &c.converged, &c.at_max, &c.at_min, &flag,
            c.msg_len, nullptr);
    EXPECT_EQ(flag, 0xFF);
}

TEST(RunscadBoundary, ResponseCheckFailsThroughTheCall) {
    runscad_call c;
    c.model_type = 1;
    c.y = {0, 1, 0, 1, 1, 0, 2, 0};
    c.run();
    ASSERT_TRUE(c.failed());
    EXPECT_EQ(c.lines(), (std::vector<std::string>{
                             "Numerical y values for a binary logistic regression should be "
                             "0's and 1's.",
                             "OCCURRED IN: scad_y_is_allowable in MOD scad_types"}));
}

}  // namespace
}  // namespace quill::engine
