#include "records/scad_session.h"

#include <gtest/gtest.h>

#include "support/allocation.h"

namespace quill::engine {
namespace {

TEST(SessionReset, SettingsKeepIterationLimitModelAndSeKind) {
    scad_settings s;
    s.grid_size = 7;
    s.max_iter = 9;
    s.model_type = 2;
    s.model_based_se = 1;
    s.center_y = true;
    testing::internal::CaptureStdout();
    nullify_scad_settings(s);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "nullify_scad_settings\n");
    EXPECT_EQ(s.grid_size, 250);
    EXPECT_FALSE(s.center_y);
    EXPECT_EQ(s.max_iter, 9);
    EXPECT_EQ(s.model_type, 2);
    EXPECT_EQ(s.model_based_se, 1);
}

TEST(SessionReset, EachRecordAnnouncesItselfAndReleasesItsArrays) {
    error_trail t;
    scad_session s;
    s.is_null = false;
    s.dataset.is_null = false;
    ASSERT_EQ(dbl2_alloc(s.dataset.x, 3, 3, t), 0);
    ASSERT_EQ(dbl1_alloc(s.dataset.x_center, 2, t), 0);
    ASSERT_EQ(dbl1_alloc(s.initialfit.beta, 3, t), 0);
    s.initialfit.sigma2 = 2.0;
    ASSERT_EQ(dbl2_alloc(s.stdresults.cov_mat, 3, 3, t), 0);
    ASSERT_EQ(dbl1_alloc(s.stdresults.gcv, 4, t), 0);
    s.stdresults.best = 2;
    s.unstdresults.intercept = 1.5;

    testing::internal::CaptureStdout();
    EXPECT_EQ(nullify_scad_session(s, t), 0);
    EXPECT_EQ(nullify_scad_initialfit(s.initialfit, t), 0);
    EXPECT_EQ(nullify_scad_Lgrid(s.Lgrid, t), 0);
    EXPECT_EQ(nullify_scad_stdresults(s.stdresults, t), 0);
    EXPECT_EQ(nullify_scad_unstdresults(s.unstdresults, t), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "nullify_scad_session\nnullify_scad_dataset\nnullify_scad_initialfit\n"
              "nullify_scad_Lgrid\nnullify_scad_stdresults\nnullify_scad_unstdresults\n");
    EXPECT_TRUE(t.lines().empty());

    EXPECT_TRUE(s.is_null);
    EXPECT_TRUE(s.dataset.is_null);
    EXPECT_FALSE(s.dataset.x.allocated());
    EXPECT_TRUE(s.dataset.x_center.allocated());  // centring values are not part of the reset
    EXPECT_EQ(s.initialfit.sigma2, -1.0);
    EXPECT_FALSE(s.initialfit.beta.allocated());
    EXPECT_EQ(s.stdresults.best, -1);
    EXPECT_FALSE(s.stdresults.gcv.allocated());
    EXPECT_TRUE(s.stdresults.cov_mat.allocated());  // reallocated whenever it is computed
    EXPECT_EQ(s.unstdresults.intercept, 0.0);
}

}  // namespace
}  // namespace quill::engine
