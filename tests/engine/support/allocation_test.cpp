#include "support/allocation.h"

#include <gtest/gtest.h>

#include "support/fault_injector.h"

namespace quill::engine {
namespace {

std::string trimmed(const std::string& line) { return line.substr(0, line.find_last_not_of(' ') + 1); }

TEST(Allocation, BoundsAndEmptyArrays) {
    error_trail t;
    dbl1 v;
    ASSERT_EQ(dbl1_alloc(v, 0, t), 0);
    EXPECT_TRUE(v.allocated());
    EXPECT_EQ(v.extent(0), 0);

    dbl2 m;
    ASSERT_EQ(dbl2_alloc(m, 5, 3, t, 0, 2), 0);
    EXPECT_EQ(m.extent(0), 6);
    EXPECT_EQ(m.extent(1), 2);
    EXPECT_EQ(m.lower(0), 0);
    EXPECT_EQ(m.upper(1), 3);
    m(0, 2) = 1.0;
    m(5, 3) = 2.0;
    EXPECT_EQ(m.data()[0], 1.0);
    EXPECT_EQ(m.data()[11], 2.0);  // column-major

    const int32_t extents[] = {2, -4, 3};
    int_array<3> cube;
    ASSERT_EQ(int3_alloc(cube, extents, t), 0);
    EXPECT_EQ(cube.extent(1), 0);
    EXPECT_FALSE(t.error_occurred());
}

TEST(Allocation, ReleaseOfUnallocatedArrayIsSilent) {
    error_trail t;
    dbl2 m;
    EXPECT_EQ(dbl2_dealloc(m, t), 0);
    dbl_array<5> five;
    EXPECT_EQ(dbl5dealloc(five, t), 0);
    EXPECT_TRUE(t.lines().empty());
}

TEST(Allocation, InjectedFailureReportsTheObjectAndLeavesArrayUnallocated) {
    error_trail t;
    dbl2 m;
    ASSERT_EQ(dbl2_alloc(m, 3, 3, t), 0);
    fault_injector::fail_allocation_at(1);
    EXPECT_EQ(dbl2_alloc(m, 4, 4, t, {}, {}, "raw_x"), -1);
    fault_injector::disarm();
    EXPECT_FALSE(m.allocated());  // the old contents were released first
    ASSERT_EQ(t.lines().size(), 3u);
    EXPECT_EQ(trimmed(t.lines()[0]), "Unable to allocate memory for object");
    EXPECT_EQ(trimmed(t.lines()[1]), "raw_x");
    EXPECT_EQ(trimmed(t.lines()[2]), "OCCURRED IN: dbl2_alloc in MOD dynamic_allocation");
}

TEST(Allocation, OversizedRequestFailsInsteadOfWrapping) {
    error_trail t;
    dbl2 m;
    EXPECT_EQ(dbl2_alloc(m, 2'000'000'000, 2'000'000'000, t), -1);
    EXPECT_FALSE(m.allocated());
}

}  // namespace
}  // namespace quill::engine
