// Every engine allocation along a runscad call failing in turn: the call always returns the
// error flag with the allocation line and the object's name, and (under the sanitizers)
// releases everything it took.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runscad_call.h"
#include "support/fault_injector.h"

namespace quill::engine {
namespace {

using testing_support::runscad_call;

// Runs `make()`'s call once to count its allocations, then once per allocation with that one
// failing; returns the number of allocations.
template <class Make>
long fail_each_allocation(Make make) {
    runscad_call clean = make();
    fault_injector::reset_count();
    clean.run();
    EXPECT_FALSE(clean.failed()) << clean.text();
    const long total = fault_injector::allocations_seen();
    int least_squares_failures = 0;
    for (long k = 1; k <= total; ++k) {
        runscad_call c = make();
        fault_injector::fail_allocation_at(k);
        c.run();
        fault_injector::disarm();
        EXPECT_TRUE(c.failed()) << "allocation " << k;
        const std::vector<std::string> lines = c.lines();
        EXPECT_GE(lines.size(), 3u) << "allocation " << k << ": " << c.text();
        if (lines.size() < 3) continue;
        EXPECT_EQ(lines[0], "Unable to allocate memory for object") << "allocation " << k;
        EXPECT_FALSE(lines[1].empty()) << "allocation " << k;
        // A shortage is never blamed on the data.
        const std::string text = c.text();
        EXPECT_EQ(text.find("singular"), std::string::npos) << "allocation " << k << ": " << text;
        if (lines[1].rfind("least_squares_regression", 0) == 0) {
            ++least_squares_failures;
            EXPECT_NE(text.find("\r\nThe fit ran out of memory"), std::string::npos) << text;
        }
    }
    EXPECT_GE(least_squares_failures, 2); // the start's own arrays
    return total;
}

TEST(RunscadFaults, TheCallsOwnCopiesAreNamed) {
    const std::vector<std::string> names{"y_vec", "case_weights_vec", "forcein_vec"};
    for (std::size_t k = 0; k < names.size(); ++k) {
        runscad_call c;
        fault_injector::fail_allocation_at(static_cast<long>(k) + 1);
        c.run();
        fault_injector::disarm();
        ASSERT_TRUE(c.failed());
        const auto lines = c.lines();
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[0], "Unable to allocate memory for object");
        EXPECT_EQ(lines[1], names[k]);
        EXPECT_EQ(lines[2].substr(0, 13), "OCCURRED IN: ");
    }
}

TEST(RunscadFaults, EveryAllocationOfCompleteRunsFailingInTurn) {
    // Normal model over a small grid, with the projection df and robust errors.
    EXPECT_GT(fail_each_allocation([] {
                  runscad_call c;
                  c.options[2] = 1;
                  c.options[5] = 1;
                  return c;
              }),
              40);
    // Logistic model, whose initial fit runs an LQA fit of its own.
    EXPECT_GT(fail_each_allocation([] {
                  runscad_call c;
                  c.model_type = 1;
                  c.y = {0, 1, 0, 1, 1, 0, 1, 0};
                  return c;
              }),
              40);
    // Coordinate fits with a centred response.
    EXPECT_GT(fail_each_allocation([] {
                  runscad_call c;
                  c.options[0] = 1;
                  c.options[7] = 1;
                  return c;
              }),
              20);
}

}  // namespace
}  // namespace quill::engine
