// What a procedure module writes to the process's standard output while it runs (the engine's
// trace lines, a plotting library's chatter) is caught here instead of reaching the terminal or
// a listing sent to standard output.
#ifndef QUILL_HOST_STDOUT_CAPTURE_H
#define QUILL_HOST_STDOUT_CAPTURE_H

#include <cstdio>
#include <string>

namespace quill::host {

class StdoutCapture {
public:
    // Sends standard output to a temporary file; when that cannot be set up, nothing is caught.
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture &) = delete;
    StdoutCapture &operator=(const StdoutCapture &) = delete;

    // Gives standard output back and returns what was written meanwhile.
    std::string finish();

private:
    std::FILE *file_ = nullptr;
    int saved_ = -1;
};

} // namespace quill::host

#endif
