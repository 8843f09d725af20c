// Statement values refused before the data are read: the value, what is allowed and the line.
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
        {{{slot_minlambda, -0.5}}, nullptr, 1,
         "ERROR: MINLAMBDA -0.5 is out of range: MINLAMBDA must be at least 0 (line 7)."},
        {{{slot_criterion, kMissing}}, nullptr, 1,
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
        if (c.df != nullptr) h.set_text(slot_df, c.df, 7);
        EXPECT_EQ(h.run(), 3000) << c.message;
        EXPECT_TRUE(h.log_has(c.message)) << c.message;
        EXPECT_FALSE(h.log_has("observations read")) << c.message;
    }
}

} // namespace
} // namespace quill::proc::testing
