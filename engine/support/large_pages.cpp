#include "large_pages.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace quill::engine {

void advise_large_pages(void* p, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t large = std::uintptr_t{2} << 20;
    if (bytes < large) return;
    const auto start = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t first = (start + large - 1) & ~(large - 1);
    const std::uintptr_t last = (start + bytes) & ~(large - 1);
    // Advice only: a refusal leaves ordinary pages, which is what the array had anyway.
    if (last > first) (void)madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)p;
    (void)bytes;
#endif
}

}  // namespace quill::engine
