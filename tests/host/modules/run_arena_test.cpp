#include "modules/run_arena.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace quill::host {
namespace {

// Blocks small and large (mapped on their own) come zeroed and go back one at a time or all
// together; a block the run did not hand out, or one already given back, is refused.
TEST(RunArena, BlocksAreZeroedAndGivenBackOnce)
{
    RunArena arena;
    for (size_t bytes : {size_t{0}, size_t{24}, RunArena::mapped_from - 1, RunArena::mapped_from,
                         3 * RunArena::mapped_from + 5}) {
        auto *block = static_cast<unsigned char *>(arena.allocate(bytes));
        ASSERT_NE(block, nullptr) << bytes;
        EXPECT_TRUE(std::all_of(block, block + bytes, [](unsigned char c) { return c == 0; })) << bytes;
        std::memset(block, 0xAB, bytes);
    }
    void *big = arena.allocate(2 * RunArena::mapped_from);
    void *small = arena.allocate(100);
    EXPECT_TRUE(arena.release(big));
    EXPECT_FALSE(arena.release(big));
    EXPECT_TRUE(arena.release(small));
    RunArena other;
    EXPECT_FALSE(arena.release(other.allocate(8)));
    arena.release();
    EXPECT_FALSE(arena.release(small));
}

} // namespace
} // namespace quill::host
