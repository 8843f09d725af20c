// Module-wide storage of the host's interface vector and routine table, and run memory.
#include "host_link.h"

#include <cassert>
#include <cstdlib>

namespace quill::proc {
namespace {

const qh_interface_vector *g_vector = nullptr;
qh_routines g_routines{};

} // namespace

void keep_interface_vector(const qh_interface_vector *vector) { g_vector = vector; }

const qh_interface_vector &interface_vector() {
    assert(g_vector != nullptr && "mcn_main runs before any procedure run");
    return *g_vector;
}

qh_routines &host() { return g_routines; }

void end_run(int32_t code) {
    // The host's operation is declared not to return, and a call through that declaration that
    // does return would run on into undefined behaviour: call it as an ordinary function, so a
    // host that breaks the promise ends the process here with a message.
    using returning_end = void (*)(int32_t, int32_t);
    // Before the table is filled only the vector can end the run.
    const auto end = reinterpret_cast<returning_end>(
        g_routines.end_run != nullptr ? g_routines.end_run : interface_vector().end_run);
    end(code, 0);
    std::fputs("quillfit: the host's end-of-run operation returned; the process is ended.\n",
               stderr);
    std::abort();
}

void *allocate_unfilled_bytes(std::size_t count, std::size_t size) {
    if (size != 0 && count > (SIZE_MAX - 1) / size)
        fail("%1zThe data are too large to be held in memory.");
    // One spare byte keeps empty arrays distinct from a failed allocation.
    void *memory = host().allocate(count * size + 1);
    if (memory == nullptr) fail("%1zThe data are too large to be held in memory.");
    return memory;
}

void *allocate_bytes(std::size_t count, std::size_t size) {
    void *memory = allocate_unfilled_bytes(count, size);
    std::memset(memory, 0, count * size + 1);
    return memory;
}

void release_array(const void *block) {
    if (block != nullptr && host().release != nullptr) host().release(const_cast<void *>(block));
}

std::string dataset_name(qh_dataset *ds, int32_t code) {
    if (ds == nullptr || host().dataset_name == nullptr) return {};
    char buffer[256];
    const int32_t length = host().dataset_name(ds, code, buffer, sizeof buffer);
    check_host(length >= 0, "name a data set");
    if (length < static_cast<int32_t>(sizeof buffer)) return std::string(buffer, length);
    std::string name(static_cast<std::size_t>(length) + 1, '\0');
    host().dataset_name(ds, code, name.data(), length + 1);
    name.resize(length);
    return name;
}

} // namespace quill::proc
