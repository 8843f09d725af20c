// A raw text file read whole into its lines. The type is checked with stat before the file is
// opened and again on the open descriptor, which is opened non-blocking: a FIFO swapped in
// between the two is refused instead of waited on.
#include "data/text_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/message_text.h"

namespace quill::host {
namespace {

std::string not_regular(const std::string &shown, mode_t mode)
{
    return S_ISDIR(mode) ? "The infile " + shown + " is a folder, not a file." :
                           "The infile " + shown + " is not a regular file (a FIFO, a device or a socket).";
}

std::string cannot_open(const std::string &shown, int code)
{
    if (code == ENOENT || code == ENOTDIR)
        return "Physical file does not exist, " + shown + ".";
    if (code == EACCES || code == EPERM)
        return "Insufficient authorization to access " + shown + ".";
    return "The infile " + shown + " cannot be read (" + std::strerror(code) + ").";
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

bool read_text_file(const std::filesystem::path &file, std::vector<std::string> &lines, std::string &error)
{
    const std::string shown = excerpt(file.string(), path_excerpt_length);
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        error = cannot_open(shown, errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = not_regular(shown, info.st_mode);
        return false;
    }
    const Descriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        error = cannot_open(shown, errno);
        return false;
    }
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        error = not_regular(shown, info.st_mode);
        return false;
    }
    std::string text;
    text.reserve(static_cast<size_t>(info.st_size)); // a shortage ends the step with an error
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            error = cannot_open(shown, errno);
            return false;
        }
        text.append(buffer, static_cast<size_t>(got));
    }
    lines = split_text_lines(text);
    return true;
}

std::vector<std::string> split_text_lines(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        lines.emplace_back(text.substr(start, end - start));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

} // namespace quill::host
