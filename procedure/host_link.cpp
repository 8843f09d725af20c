// Module-wide storage of the host's interface vector and routine table, and run memory.
#include "host_link.h"

#include <cassert>
#include <cstdarg>
#include <cstdlib>
#include <vector>

namespace quill::proc {
namespace {

const qh_interface_vector *g_vector = nullptr;
qh_routines g_routines{};
bool g_group_running = false;
std::vector<void *> g_group_blocks; // run memory taken while the group runs
void (*g_host_log)(const char *, ...) = nullptr; // the host's own log while messages are counted
int32_t g_group_messages = 0;

// A class prefix "%1z" (error, or a warning when its text starts with "Warning:") or "%2z".
bool error_or_warning(const char *format) {
    return format[0] == '%' && (format[1] == '1' || format[1] == '2') && format[2] == 'z';
}

// Formats here and hands the host the text as an argument, under the format's class prefix.
void counting_log(const char *format, ...) {
    if (error_or_warning(format)) ++g_group_messages;
    char prefix[8] = "%s";
    const char *body = format;
    if (format[0] == '%' && format[1] >= '0' && format[1] <= '9' &&
        (format[2] == 'z' || format[2] == 'h' || format[2] == 't')) {
        std::snprintf(prefix, sizeof prefix, "%%%c%c%%s", format[1], format[2]);
        body = format + 3;
    }
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    char small[1024];
    const int needed = std::vsnprintf(small, sizeof small, body, args);
    va_end(args);
    if (needed >= 0 && static_cast<std::size_t>(needed) >= sizeof small) {
        std::string text(static_cast<std::size_t>(needed) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), body, again);
        g_host_log(prefix, text.c_str());
    } else {
        g_host_log(prefix, needed >= 0 ? small : "");
    }
    va_end(again);
}

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

void set_group_running(bool running) {
    g_group_running = running;
    if (!running) g_group_blocks.clear(); // kept to the end of the run unless released first
}

void release_group_memory() {
    if (host().release != nullptr)
        for (void *block : g_group_blocks) host().release(block);
    g_group_blocks.clear();
}

void end_fit(int32_t code) {
    if (g_group_running) throw group_failed{};
    end_run(code);
}

void count_group_messages(bool on) {
    g_group_messages = 0;
    if (on && g_host_log == nullptr) {
        g_host_log = g_routines.log;
        g_routines.log = counting_log;
    } else if (!on && g_host_log != nullptr) {
        g_routines.log = g_host_log;
        g_host_log = nullptr;
    }
}

int32_t group_messages() { return g_group_messages; }

void *allocate_unfilled_bytes(std::size_t count, std::size_t size) {
    if (size != 0 && count > (SIZE_MAX - 1) / size)
        fail("%1zThe data are too large to be held in memory.");
    // One spare byte keeps empty arrays distinct from a failed allocation.
    void *memory = host().allocate(count * size + 1);
    if (memory == nullptr) fail("%1zThe data are too large to be held in memory.");
    if (g_group_running) g_group_blocks.push_back(memory);
    return memory;
}

void *allocate_bytes(std::size_t count, std::size_t size) {
    void *memory = allocate_unfilled_bytes(count, size);
    std::memset(memory, 0, count * size + 1);
    return memory;
}

void release_array(const void *block) {
    if (block == nullptr || host().release == nullptr) return;
    std::erase(g_group_blocks, block);
    host().release(const_cast<void *>(block));
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
