#include "stdout_capture.h"

#include <unistd.h>

#include <iostream>

namespace quill::host {

StdoutCapture::StdoutCapture()
{
    std::cout.flush();
    std::fflush(stdout);
    file_ = std::tmpfile();
    if (!file_)
        return;
    saved_ = ::dup(STDOUT_FILENO);
    if (saved_ < 0 || ::dup2(::fileno(file_), STDOUT_FILENO) < 0) {
        if (saved_ >= 0)
            ::close(saved_);
        saved_ = -1;
        std::fclose(file_);
        file_ = nullptr;
    }
}

StdoutCapture::~StdoutCapture() { finish(); }

std::string StdoutCapture::finish()
{
    if (!file_)
        return {};
    std::cout.flush();
    std::fflush(stdout);
    ::dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
    std::string text;
    std::rewind(file_);
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file_)) > 0;)
        text.append(buffer, n);
    std::fclose(file_);
    file_ = nullptr;
    return text;
}

} // namespace quill::host
