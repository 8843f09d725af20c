// What reaches the engine from outside the statements, and a host that breaks end_run's promise.
// The thread limit comes from the program's options (the interface vector), else from the user's
// QUILL_THREADS; the engine is silent unless the DEBUG option is set.
#include <gtest/gtest.h>

#include <cstdlib>

#include "quill/runscad.h"
#include "test_support.h"

namespace quill::proc::testing {
namespace {

constexpr int32_t every_core = QUILL_CONTROL_THREADS(QUILL_MAX_THREAD_LIMIT);

struct step {
    int32_t controls = -1;
    std::vector<std::string> warnings;
};

step run_step(const char *environment, int32_t version, int32_t limit, const char *debug = "") {
    if (environment) setenv("QUILL_THREADS", environment, 1);
    else unsetenv("QUILL_THREADS");
    reset_engine();
    fake_host h;
    h.set_data({num("y", {1, 2, 4}), num("x", {0, 1, 3})});
    h.model("y", {"x"});
    h.interface_version = version;
    h.thread_limit = limit;
    h.debug_option = debug;
    step s;
    EXPECT_EQ(h.run(), 0);
    unsetenv("QUILL_THREADS");
    s.controls = engine().controls;
    for (const std::string &line : h.log)
        if (line.rfind("WARNING", 0) == 0) s.warnings.push_back(line);
    return s;
}

TEST(HostSeams, TheThreadLimitComesFromTheOptionsElseFromQuillThreads) {
    const int32_t quiet = QUILL_CONTROL_QUIET;
    EXPECT_EQ(run_step(nullptr, 2, 0).controls, quiet | every_core);
    EXPECT_EQ(run_step("3", 2, 0).controls, quiet | QUILL_CONTROL_THREADS(3));
    EXPECT_EQ(run_step("3", 2, 1).controls, quiet | QUILL_CONTROL_THREADS(1)); // NOTHREADS wins
    EXPECT_EQ(run_step("3", 2, QH_EVERY_CORE).controls, quiet | every_core);
    EXPECT_EQ(run_step("", 2, 0).controls, quiet | every_core);
    // A host of the first version has no limit to give.
    EXPECT_EQ(run_step("5", 1, 2).controls, quiet | QUILL_CONTROL_THREADS(5));
    // Under DEBUG the engine's trace lines stay on.
    EXPECT_EQ(run_step(nullptr, 2, 4, "TRACE").controls, QUILL_CONTROL_THREADS(4));
}

TEST(HostSeams, ABadQuillThreadsIsOneWarningAndEveryCore) {
    for (const char *bad : {"0", "-1", "abc", "1e9", "12345678901234567890"}) {
        const step s = run_step(bad, 2, 0);
        EXPECT_EQ(s.controls, QUILL_CONTROL_QUIET | every_core) << bad;
        ASSERT_EQ(s.warnings.size(), 1u) << bad;
        EXPECT_EQ(s.warnings[0], std::string("WARNING: QUILL_THREADS=\"") + bad +
                                     "\" is not a whole number from 1 up and is ignored: the fit "
                                     "uses every core.");
    }
    // A program option makes the variable irrelevant: no warning.
    EXPECT_TRUE(run_step("abc", 2, 2).warnings.empty());
    const step long_value = run_step(std::string(100, '7').append("x").c_str(), 2, 0);
    ASSERT_EQ(long_value.warnings.size(), 1u);
    EXPECT_NE(long_value.warnings[0].find("=\"" + std::string(40, '7') + "...\" is not"),
              std::string::npos);
}

// A host whose end_run returns ends the process with a message, at the end of a complete run
// and before the routine table is filled (the interface vector's end_run).
TEST(HostSeamsDeathTest, AnEndRunThatReturnsEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const char *message = "the host's end-of-run operation returned; the process is ended";
    EXPECT_DEATH(
        {
            fake_host h;
            h.set_data({num("y", {1, 2, 4}), num("x", {0, 1, 3})});
            h.model("y", {"x"});
            h.end_run_returns = true;
            h.run();
        },
        message);
    EXPECT_DEATH(
        {
            fake_host h;
            h.sasproci_available = false;
            h.end_run_returns = true;
            h.run();
        },
        message);
}

} // namespace
} // namespace quill::proc::testing
