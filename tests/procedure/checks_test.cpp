// The procedure's own checks around the engine call: statement values refused before the data
// are read, data problems named before the engine sees them, the cost of a wide design, and
// the warnings about a fit whose numbers cannot be trusted.
#include <gtest/gtest.h>

#include "test_support.h"

namespace quill::proc::testing {
namespace {

// Values the quill grammar cannot deliver (a negative or missing number) and the limit on
// numeric predictors under DF PROJECTION; the program tests have the rest.
TEST(Checks, StatementValuesRefusedBeforeTheDataAreRead) {
    struct number { int slot; double value; };
    struct refusal {
        std::vector<number> numbers;
        const char *df; // DF value, or none
        int predictors;
        const char *message;
    };
    const refusal cases[] = {
        {{{s_minlambda, -0.5}}, nullptr, 1,
         "ERROR: MINLAMBDA -0.5 is out of range: MINLAMBDA must be at least 0 (line 7)."},
        {{{s_criterion, kMissing}}, nullptr, 1,
         "ERROR: CRITERION . is out of range: CRITERION must be greater than 0 and less than 1 "
         "(line 7)."},
        {{}, "PROJECTION", 101,
         "ERROR: DF PROJECTION cannot be used with 101 numeric predictors: it allows at most 100 "
         "design columns (line 7)."},
    };
    for (const refusal &c : cases) {
        reset_engine();
        fake_host h;
        h.set_data({num("y", {1, 2, 3}), num("x", {3, 1, 2})});
        h.model("y", std::vector<std::string>(c.predictors, "x"));
        for (const number &n : c.numbers) h.set_number(n.slot, n.value, 7);
        if (c.df != nullptr) h.set_text(s_df, c.df, 7);
        EXPECT_EQ(h.run(), 3000) << c.message;
        EXPECT_TRUE(h.log_has(c.message)) << c.message;
        EXPECT_FALSE(h.log_has("observations read")) << c.message;
    }
}

// A character response whose used observations all hold one value (in any case).
TEST(Checks, ConstantCharacterResponseIsNamedWithItsValue) {
    reset_engine();
    fake_host events;
    events.set_data({chr("r", {"yes", "Yes", "YES"}), num("x", {1, 2, 3})});
    events.model("r", {"x"});
    events.set_text(s_dist, "LOGISTIC");
    EXPECT_EQ(events.run(), 3000);
    EXPECT_TRUE(events.log_has("ERROR: The response r has the same value, YES, in all 3 observations used; "
                               "there is nothing to model."));
    EXPECT_EQ(engine().calls, 0);
}

// Level B holds only events and x does not separate: the indicator of B separates the
// responses quasi-completely, and the selected fit keeps it.
TEST(Checks, SeparationNamesTheClassLevel) {
    reset_engine();
    fake_host h;
    h.set_data({num("y", {1, 0, 1, 1, 0, 1, 0}), chr("g", {"a", "a", "b", "b", "c", "c", "a"}),
                num("x", {2, 3, 1, 5, 4, 2, 1})});
    h.model("y", {"x", "g"});
    h.set_vars(h.add_statement("CLASS", 2), 1, {"g"});
    h.set_text(s_dist, "LOGISTIC");
    engine().betas = {0.5, 0.0, 1.0}; // x, g=A, g=B
    ASSERT_EQ(h.run(), 0);
    EXPECT_TRUE(h.log_has("WARNING: Quasi-complete separation: level B of CLASS predictor g separates the "
                          "two response values, apart from ties at 0. The maximum likelihood estimate "
                          "may not exist, so the estimates and standard errors are not reliable."));
}

// 10^5 levels on 10^5 observations: noted, then refused before anything is allocated for them.
TEST(Checks, DesignTooLargeForMemoryIsRefused) {
    reset_engine();
    const int n = 100000;
    std::vector<double> y(n);
    std::vector<std::string> g(n);
    for (int i = 0; i < n; ++i) {
        y[i] = i % 3;
        g[i] = std::to_string(i);
    }
    fake_host h;
    h.set_data({num("y", y), chr("g", g)});
    h.model("y", {"g"});
    h.set_vars(h.add_statement("CLASS", 2), 1, {"g"});
    EXPECT_EQ(h.run(), 3000);
    EXPECT_TRUE(h.log_has("NOTE: The design has 99999 columns (CLASS indicators included) and 100000 "
                          "observations; a fit this wide can take a long time."));
    EXPECT_TRUE(h.log_has("ERROR: The design has 99999 columns and 100000 observations: its fit needs "
                          "about 800.6 GB of memory, more than the "));
    EXPECT_EQ(engine().calls, 0);
}

} // namespace
} // namespace quill::proc::testing
