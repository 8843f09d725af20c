#include "entry/readers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/allocation.h"
#include "support/fault_injector.h"

namespace quill::engine {
namespace {

std::vector<std::string> lines_of(const error_trail& t) {
    std::vector<std::string> out;
    for (const auto& l : t.lines()) out.push_back(l.substr(0, l.find_last_not_of(' ') + 1));
    return out;
}

// A session that looks like a finished run with p = 2 predictors, an intercept and G = 3.
class filled_session : public testing::Test {
protected:
    void SetUp() override {
        error_trail t;
        s.settings.grid_size = 3;
        s.is_null = false;
        s.dataset.is_null = false;
        s.dataset.n = 5;
        s.dataset.p = 2;
        ASSERT_EQ(dbl1_alloc(s.Lgrid.lambda, 3, t), 0);
        for (int g = 1; g <= 3; ++g) s.Lgrid.lambda(g) = 0.1 * g;
        s.Lgrid.is_null = false;

        scad_stdresults& r = s.stdresults;
        ASSERT_EQ(dbl1_alloc(r.beta, 3, t), 0);
        ASSERT_EQ(dbl1_alloc(r.se, 3, t), 0);
        ASSERT_EQ(dbl2_alloc(r.betas, 3, 3, t), 0);
        for (int j = 1; j <= 3; ++j) {
            r.beta(j) = 10.0 + j;
            r.se(j) = 20.0 + j;
            for (int g = 1; g <= 3; ++g) r.betas(g, j) = 100.0 * j + g;
        }
        for (dbl1* v : {&r.gcv, &r.aic, &r.bic, &r.df_proj}) {
            ASSERT_EQ(dbl1_alloc(*v, 3, t), 0);
            for (int g = 1; g <= 3; ++g) (*v)(g) = g;
        }
        ASSERT_EQ(int1_alloc(r.simple_df, 3, t), 0);
        for (int g = 1; g <= 3; ++g) r.simple_df(g) = 4 - g;
        r.num_iter = 7;
        r.best = 2;
        r.converged = -1;
        r.is_null = false;

        scad_unstdresults& u = s.unstdresults;
        ASSERT_EQ(dbl1_alloc(u.beta, 2, t), 0);
        ASSERT_EQ(dbl1_alloc(u.se, 2, t), 0);
        ASSERT_EQ(dbl2_alloc(u.betas, 3, 3, t), 0);
        for (int j = 1; j <= 2; ++j) {
            u.beta(j) = 1.0 * j;
            u.se(j) = 0.5 * j;
        }
        for (int g = 1; g <= 3; ++g)
            for (int j = 1; j <= 3; ++j) u.betas(g, j) = 10.0 * j + g;  // column 1: intercept
        u.intercept = -3.0;
        u.intercept_se = 0.25;
        u.is_null = false;
    }

    int read_std(error_trail& t) {
        return run_read_scad_stdresults(beta, se, &betas, gcv, aic, bic, df_proj, simple_df,
                                        num_iter, best, converged, s, t);
    }

    scad_session s;
    dbl1 beta, se, gcv, aic, bic, df_proj;
    dbl2 betas;
    int1 simple_df;
    int32_t num_iter = 0, best = 0;
    bool converged = false;
};

TEST_F(filled_session, PreconditionFailuresAndWhetherTheSessionIsReset) {
    testing::internal::CaptureStdout();
    {
        s.Lgrid.is_null = true;
        error_trail t;
        dbl1 out;
        EXPECT_EQ(run_read_scad_Lgrid(out, s, t), -1);
        EXPECT_EQ(lines_of(t), (std::vector<std::string>{
                                   "The lambda grid is not yet initialized.",
                                   "OCCURRED IN: run_read_scad_Lgrid in MOD scad_types"}));
        EXPECT_TRUE(s.is_null);
        EXPECT_TRUE(s.dataset.is_null);
    }
    {
        // The standardized reader leaves a session it cannot serve as it was.
        error_trail t;
        EXPECT_EQ(read_std(t), -1);
        EXPECT_EQ(lines_of(t), (std::vector<std::string>{
                                   "There is no data yet, so I cannot provide stdresults.",
                                   "OCCURRED IN: run_read_scad_stdresults in MOD scad_types"}));
        s.is_null = false;
        s.dataset.is_null = false;
        error_trail t2;
        EXPECT_EQ(read_std(t2), -1);
        EXPECT_EQ(lines_of(t2)[0],
                  "The lambda grid must be specified in order to provide stdresults.");
        EXPECT_FALSE(s.is_null);
    }
    {
        error_trail t;
        double i = 0, ise = 0;
        EXPECT_EQ(run_read_scad_unstdresults(beta, se, i, ise, &betas, s, t), -1);
        EXPECT_EQ(lines_of(t), (std::vector<std::string>{
                                   "The lambda grid must be specified in order to provide "
                                   "unstdresults.",
                                   "OCCURRED IN: run_read_scad_unstdresults in MOD scad_types"}));
        EXPECT_TRUE(s.is_null);
        error_trail t2;
        EXPECT_EQ(run_read_scad_unstdresults(beta, se, i, ise, &betas, s, t2), -1);
        EXPECT_EQ(lines_of(t2)[0], "There is no data yet, so I cannot provide unstdresults.");
    }
    testing::internal::GetCapturedStdout();
}

TEST_F(filled_session, AllocationFailuresNameTheReadOut) {
    testing::internal::CaptureStdout();
    error_trail t;
    dbl1 out;
    fault_injector::fail_allocation_at(1);
    EXPECT_EQ(run_read_scad_Lgrid(out, s, t), -1);
    fault_injector::disarm();
    const auto lines = lines_of(t);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Unable to allocate memory for object");
    EXPECT_EQ(lines[2], "I could not allocate space to copy the lambda grid.");
    EXPECT_TRUE(s.is_null);
    testing::internal::GetCapturedStdout();
}

}  // namespace
}  // namespace quill::engine
