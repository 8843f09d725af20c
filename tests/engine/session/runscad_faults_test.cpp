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
    const long total = fault_injector::allocations_seen();
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
    }
    return total;
}

TEST(RunscadFaults, TheCallsOwnCopiesAreNamed) {
    const std::vector<std::string> names{"raw_x", "y_vec", "case_weights_vec", "forcein_vec"};
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

TEST(RunscadFaults, EveryAllocationOfTheNormalModelFailingInTurn) {
    EXPECT_GT(fail_each_allocation([] { return runscad_call(); }), 4);
}

}  // namespace
}  // namespace quill::engine
