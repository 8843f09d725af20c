// Large arrays (the standardized design, the path's G x p tables) are written once, right after
// they are allocated. Touching fresh memory faults page by page; asking the kernel for 2 MB pages
// where it hands them out on request turns ten thousand faults of a 40 MB design into twenty.
#pragma once

#include <cstddef>

namespace quill::engine {

// Advises the kernel to back the 2 MB-aligned interior of [p, p + bytes) with large pages; a no-op
// for small arrays and where the system has no such advice. Contents and addresses are unchanged.
void advise_large_pages(void* p, std::size_t bytes);

}  // namespace quill::engine
