// The memory of one procedure run: zeroed blocks handed out on request and all freed together
// when the run ends.
#ifndef QUILL_HOST_RUN_ARENA_H
#define QUILL_HOST_RUN_ARENA_H

#include <cstddef>
#include <cstdlib>
#include <unordered_set>

namespace quill::host {

class RunArena {
public:
    RunArena() = default;
    RunArena(const RunArena &) = delete;
    RunArena &operator=(const RunArena &) = delete;
    ~RunArena() { release(); }

    // Zeroed memory aligned for any type; nullptr when the system has none.
    void *allocate(size_t bytes)
    {
        void *block = std::calloc(bytes == 0 ? 1 : bytes, 1);
        if (block) {
            try {
                blocks_.insert(block);
            } catch (...) { // no room to record it: the block is given back, the caller told
                std::free(block);
                return nullptr;
            }
        }
        return block;
    }
    // Frees one block before the run ends; false when the block is not the run's. Hashed, so
    // that a procedure giving back thousands of columns does not pay for each in a search.
    bool release(void *block)
    {
        if (blocks_.erase(block) == 0)
            return false;
        std::free(block);
        return true;
    }
    void release()
    {
        for (void *block : blocks_)
            std::free(block);
        blocks_.clear();
    }

private:
    std::unordered_set<void *> blocks_;
};

} // namespace quill::host

#endif
