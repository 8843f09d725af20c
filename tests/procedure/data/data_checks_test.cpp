// Data problems named before the engine sees them, and the cost of a wide design.
#include <gtest/gtest.h>

#include "test_support.h"

namespace quill::proc::testing {
namespace {

// A character response whose used observations all hold one value (in any case).
TEST(Checks, ConstantCharacterResponseIsNamedWithItsValue) {
    reset_engine();
    fake_host events;
    events.set_data({chr("r", {"yes", "Yes", "YES"}), num("x", {1, 2, 3})});
    events.model("r", {"x"});
    events.set_text(slot_dist, "LOGISTIC");
    EXPECT_EQ(events.run(), 3000);
    EXPECT_TRUE(events.log_has("ERROR: The response r has the same value, YES, in all 3 observations used; "
                               "there is nothing to model."));
    EXPECT_EQ(engine().calls, 0);
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
    class_statement(h, {"g"});
    EXPECT_EQ(h.run(), 3000);
    EXPECT_TRUE(h.log_has("NOTE: The design has 99999 columns (CLASS indicators included) and 100000 "
                          "observations; a fit this wide can take a long time."));
    EXPECT_TRUE(h.log_has("ERROR: The design has 99999 columns and 100000 observations: its fit needs "
                          "about 800.6 GB of memory, more than the "));
    EXPECT_EQ(engine().calls, 0);
}

// ALGORITHM ICM is named for the LQA path when the design has more than 200 columns and more
// than one for every 4 observations: not at exactly one for 4, not at 200 columns, not for ICM.
TEST(Checks, WideDesignBesideItsObservationsPointsToIcm) {
    const std::string advice = "NOTE: ALGORITHM ICM is the path for a design with more than one "
                               "column for every 4 observations: each LQA fit starts from the "
                               "unpenalized fit of all 201 columns";
    struct {
        int rows, levels;
        const char *algorithm;
        bool noted;
    } cases[] = {{803, 202, nullptr, true},  {804, 202, nullptr, false},
                 {803, 202, "LQA", true},    {803, 202, "ICM", false},
                 {500, 201, nullptr, false}};
    for (const auto &c : cases) {
        reset_engine();
        std::vector<double> y(c.rows);
        std::vector<std::string> g(c.rows);
        for (int i = 0; i < c.rows; ++i) {
            y[i] = (i * 37) % 11;
            g[i] = std::to_string(1000 + i % c.levels);
        }
        fake_host h;
        h.set_data({num("y", y), chr("g", g)});
        h.model("y", {"g"});
        class_statement(h, {"g"});
        if (c.algorithm) h.set_text(slot_algorithm, c.algorithm);
        h.run();
        const std::string size = "NOTE: The design has " + std::to_string(c.levels - 1) + " columns";
        EXPECT_EQ(h.log_has(size), c.levels > 201) << c.rows << " " << c.levels;
        EXPECT_EQ(h.log_has(advice), c.noted) << c.rows << " " << c.levels << " " << (c.algorithm ? c.algorithm : "");
    }
}

} // namespace
} // namespace quill::proc::testing
