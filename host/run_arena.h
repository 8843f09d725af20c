// The memory of one procedure run: zeroed blocks handed out on request and all freed together
// when the run ends.
#ifndef QUILL_HOST_RUN_ARENA_H
#define QUILL_HOST_RUN_ARENA_H

#include <cstddef>
#include <cstdlib>
#include <vector>

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
        if (block)
            blocks_.push_back(block);
        return block;
    }
    // Frees one block before the run ends; false when the block is not the run's.
    bool release(void *block)
    {
        // The newest blocks are the likeliest to be given back.
        for (size_t i = blocks_.size(); i-- > 0;) {
            if (blocks_[i] != block)
                continue;
            std::free(block);
            blocks_[i] = blocks_.back();
            blocks_.pop_back();
            return true;
        }
        return false;
    }
    void release()
    {
        for (void *block : blocks_)
            std::free(block);
        blocks_.clear();
    }

private:
    std::vector<void *> blocks_;
};

} // namespace quill::host

#endif
