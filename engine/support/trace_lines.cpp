#include "support/trace_lines.h"

#include <cstdio>

namespace quill::engine {

namespace {
thread_local bool lines_shown = true;  // outside any call, as a caller of the resets expects
}

void trace_line(const char* text) {
    if (!lines_shown) return;
    std::fputs(text, stdout);
    std::fputc('\n', stdout);
}

trace_lines_scope::trace_lines_scope(bool shown) : previous_(lines_shown) { lines_shown = shown; }

trace_lines_scope::~trace_lines_scope() { lines_shown = previous_; }

}  // namespace quill::engine
