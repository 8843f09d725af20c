// The controls the procedure adds to the engine's start option: silence for the engine's trace
// lines unless the host's DEBUG option is set (then they go to standard output as the engine
// writes them), and the step's thread limit: the program's options when they set one, else the
// user's QUILL_THREADS, else every core.
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "host_link.h"
#include "proc_run.h"

namespace quill::proc {
namespace {

// The longest part of a bad QUILL_THREADS value the warning shows.
constexpr int kShownValue = 40;

int32_t environment_thread_limit() {
    const char *text = std::getenv("QUILL_THREADS");
    if (text == nullptr || *text == '\0') return QUILL_MAX_THREAD_LIMIT;
    const std::size_t length = std::strlen(text);
    int32_t limit = 0;
    const auto parsed = std::from_chars(text, text + length, limit);
    if (parsed.ec == std::errc() && parsed.ptr == text + length && limit >= 1)
        return limit < QUILL_MAX_THREAD_LIMIT ? limit : QUILL_MAX_THREAD_LIMIT;
    host().log("%2zQUILL_THREADS=\"%.*s%s\" is not a whole number from 1 up and is ignored: the fit "
               "uses every core.",
               kShownValue, text, length > kShownValue ? "..." : "");
    return QUILL_MAX_THREAD_LIMIT;
}

int32_t thread_limit() {
    const qh_interface_vector &vector = interface_vector();
    if (vector.version >= 2 && vector.thread_limit > 0)
        return vector.thread_limit < QUILL_MAX_THREAD_LIMIT ? vector.thread_limit
                                                             : QUILL_MAX_THREAD_LIMIT;
    return environment_thread_limit();
}

} // namespace

int32_t engine_controls() {
    const char *debug = interface_vector().debug_option;
    const bool traced = debug != nullptr && *debug != '\0';
    return QUILL_CONTROL_THREADS(thread_limit()) | (traced ? 0 : QUILL_CONTROL_QUIET);
}

} // namespace quill::proc
