// The row-parallel passes give the same bits whatever the number of threads, and QUILL_THREADS
// can only lower the number the engine uses.
#include "support/thread_team.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "estimation/grid_search.h"
#include "estimation_fixture.h"

namespace quill::engine {
namespace {

using namespace testing;

TEST(ThreadTeam, GridSearchGivesTheSameBitsOnAnyNumberOfThreads) {
    // 3000 rows: three row chunks, shared among the threads differently on each run.
    for (const model m : {model::logistic, model::poisson}) {
        const data_set d = synthetic(3000, {0.2, 0.6, -0.4, 0.0, 0.3, 0.0, 0.05}, m);
        options o;
        o.type = m;
        o.grid_size = 6;
        std::vector<double> reference;
        for (const int threads : {1, 2, 3, 5}) {
            const thread_team_scope team(threads);
            EXPECT_EQ(team_threads(), threads);
            scad_session s;
            load(s, d, o);
            error_trail t;
            ::testing::internal::CaptureStdout();
            ASSERT_EQ(run_calculate_scad_stdresults(s, t), 0);
            ::testing::internal::GetCapturedStdout();
            std::vector<double> results(s.stdresults.betas.data(),
                                        s.stdresults.betas.data() + s.stdresults.betas.size());
            results.insert(results.end(), s.stdresults.bic.data(),
                           s.stdresults.bic.data() + s.stdresults.bic.size());
            if (reference.empty()) reference = results;
            ASSERT_EQ(results.size(), reference.size());
            EXPECT_EQ(std::memcmp(results.data(), reference.data(), results.size() * sizeof(double)),
                      0)
                << threads << " threads";
        }
    }
}

TEST(ThreadTeam, QuillThreadsOnlyLowersTheCount) {
    unsetenv("QUILL_THREADS");
    const int all = engine_thread_count(0);
    EXPECT_GE(all, 1);
    setenv("QUILL_THREADS", "1", 1);
    EXPECT_EQ(engine_thread_count(0), 1);
    for (const char* ignored :
         {"0", "-2", "two", "", "3x", "99999", "1e9", "12345678901234567890"}) {
        setenv("QUILL_THREADS", ignored, 1);
        EXPECT_EQ(engine_thread_count(0), all) << ignored;
    }
    unsetenv("QUILL_THREADS");
}

// A limit the caller passes replaces QUILL_THREADS, and never raises the count above the cores.
TEST(ThreadTeam, TheCallersLimitReplacesQuillThreads) {
    unsetenv("QUILL_THREADS");
    const int all = engine_thread_count(0);
    setenv("QUILL_THREADS", "1", 1);
    EXPECT_EQ(engine_thread_count(32767), all);
    EXPECT_EQ(engine_thread_count(1), 1);
    unsetenv("QUILL_THREADS");
}

}  // namespace
}  // namespace quill::engine
