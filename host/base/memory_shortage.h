// Memory the system would not give. The host's large requests (the columns of a data set) say how
// much they asked for, so that the step that fails can name it; any other refusal is an ordinary
// std::bad_alloc. Either ends the step with an error, never the process.
#ifndef QUILL_HOST_MEMORY_SHORTAGE_H
#define QUILL_HOST_MEMORY_SHORTAGE_H

#include <cstddef>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace quill::host {

class MemoryShortage : public std::bad_alloc {
public:
    explicit MemoryShortage(size_t bytes) : bytes_(bytes) {}
    size_t bytes() const { return bytes_; }
    const char *what() const noexcept override { return "memory shortage"; }

private:
    size_t bytes_;
};

// values.reserve(count), or a MemoryShortage for the bytes that were asked for.
template <typename T>
void reserve_or_throw(std::vector<T> &values, size_t count)
{
    try {
        values.reserve(count);
    } catch (const std::bad_alloc &) {
        throw MemoryShortage(count * sizeof(T));
    } catch (const std::length_error &) {
        throw MemoryShortage(count * sizeof(T));
    }
}

// The error for a step that ran out of memory: "<step> ran out of memory..." with the amount
// when it is known.
std::string memory_shortage_message(const std::string &step, const std::bad_alloc &shortage);

} // namespace quill::host

#endif
