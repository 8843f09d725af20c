// The engine's trace lines: each reset of the session writes its name to standard output as it
// starts, so that a trace of a run shows every point where state was thrown away. A call may ask
// for silence; the switch belongs to the calling thread and lasts for the scope's lifetime.
#pragma once

namespace quill::engine {

// Writes `text` and a line feed to standard output unless the running call is silent.
void trace_line(const char* text);

class trace_lines_scope {
public:
    explicit trace_lines_scope(bool shown);
    ~trace_lines_scope();
    trace_lines_scope(const trace_lines_scope&) = delete;
    trace_lines_scope& operator=(const trace_lines_scope&) = delete;

private:
    bool previous_;
};

}  // namespace quill::engine
