#include "base/memory_shortage.h"

#include <cstdio>

namespace quill::host {

std::string memory_shortage_message(const std::string &step, const std::bad_alloc &shortage)
{
    const auto *known = dynamic_cast<const MemoryShortage *>(&shortage);
    if (!known)
        return step + " ran out of memory.";
    char amount[64];
    const double bytes = static_cast<double>(known->bytes());
    if (bytes >= 1024.0 * 1024.0)
        std::snprintf(amount, sizeof amount, "%.1f MB", bytes / (1024.0 * 1024.0));
    else
        std::snprintf(amount, sizeof amount, "%zu bytes", known->bytes());
    return step + " ran out of memory: the system could not give it " + amount + " more.";
}

} // namespace quill::host
