// The warnings about a fit whose numbers cannot be trusted.
#include <gtest/gtest.h>

#include "test_support.h"

namespace quill::proc::testing {
namespace {

// Level B holds only events and x does not separate: the indicator of B separates the
// responses quasi-completely, and the selected fit keeps it.
TEST(Checks, SeparationNamesTheClassLevel) {
    reset_engine();
    fake_host h;
    h.set_data({num("y", {1, 0, 1, 1, 0, 1, 0}), chr("g", {"a", "a", "b", "b", "c", "c", "a"}),
                num("x", {2, 3, 1, 5, 4, 2, 1})});
    h.model("y", {"x", "g"});
    class_statement(h, {"g"});
    h.set_text(slot_dist, "LOGISTIC");
    engine().betas = {0.5, 0.0, 1.0}; // x, g=A, g=B
    ASSERT_EQ(h.run(), 0);
    EXPECT_TRUE(h.log_has("WARNING: Quasi-complete separation: level B of CLASS predictor g separates the "
                          "two response values, apart from ties at 0. The maximum likelihood estimate "
                          "may not exist, so the estimates and standard errors are not reliable."));
}

} // namespace
} // namespace quill::proc::testing
