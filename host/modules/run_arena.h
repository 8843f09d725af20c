// The memory of one procedure run: zeroed blocks handed out on request and all freed together
// when the run ends. A large block (a data column) is mapped from the system on its own, so that
// giving it back returns it to the system at once, wherever the heap stands: the heap is left to
// the engine's working arrays, which main.cpp lets it keep for reuse.
#ifndef QUILL_HOST_RUN_ARENA_H
#define QUILL_HOST_RUN_ARENA_H

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <unordered_map>

namespace quill::host {

class RunArena {
public:
    static constexpr size_t mapped_from = size_t{1} << 20; // bytes of the smallest mapped block

    RunArena() = default;
    RunArena(const RunArena &) = delete;
    RunArena &operator=(const RunArena &) = delete;
    ~RunArena() { release(); }

    // Zeroed memory aligned for any type; nullptr when the system has none.
    void *allocate(size_t bytes)
    {
        void *block = nullptr;
        if (bytes >= mapped_from) {
            block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (block == MAP_FAILED)
                return nullptr;
        } else {
            block = std::calloc(bytes == 0 ? 1 : bytes, 1);
            if (!block)
                return nullptr;
        }
        try {
            blocks_.emplace(block, bytes);
        } catch (...) { // no room to record it: the block is given back, the caller told
            give_back(block, bytes);
            return nullptr;
        }
        return block;
    }
    // Frees one block before the run ends; false when the block is not the run's. Hashed, so
    // that a procedure giving back thousands of columns does not pay for each in a search.
    bool release(void *block)
    {
        const auto it = blocks_.find(block);
        if (it == blocks_.end())
            return false;
        give_back(block, it->second);
        blocks_.erase(it);
        return true;
    }
    void release()
    {
        for (const auto &[block, bytes] : blocks_)
            give_back(block, bytes);
        blocks_.clear();
    }

private:
    static void give_back(void *block, size_t bytes)
    {
        if (bytes >= mapped_from)
            ::munmap(block, bytes);
        else
            std::free(block);
    }

    std::unordered_map<void *, size_t> blocks_; // block -> bytes asked for
};

} // namespace quill::host

#endif
