// A raw text file read a line at a time through a buffer of its own. The type is checked with
// stat before the file is opened and again on the open descriptor, which is opened non-blocking:
// a FIFO swapped in between the two is refused instead of waited on.
#include "data/text_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/message_text.h"

namespace quill::host {
namespace {

constexpr size_t buffer_size = 1 << 16;

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

} // namespace

TextFileReader::~TextFileReader()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool TextFileReader::open(const std::filesystem::path &file, std::string &error)
{
    shown_ = excerpt(file.string(), path_excerpt_length);
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        error = cannot_open(shown_, errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = not_regular(shown_, info.st_mode);
        return false;
    }
    fd_ = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) {
        error = cannot_open(shown_, errno);
        return false;
    }
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = not_regular(shown_, info.st_mode);
        return false;
    }
    buffer_.resize(buffer_size);
    return true;
}

bool TextFileReader::fill(std::string &error)
{
    at_ = filled_ = 0;
    while (!ended_) {
        const ssize_t got = ::read(fd_, buffer_.data(), buffer_.size());
        if (got > 0) {
            filled_ = static_cast<size_t>(got);
            return true;
        }
        if (got == 0)
            ended_ = true;
        else if (errno != EINTR) {
            error = cannot_open(shown_, errno);
            ended_ = true;
        }
    }
    return false;
}

bool TextFileReader::next_line(std::string &line, size_t longest, bool &cut, std::string &error)
{
    line.clear();
    cut = false;
    if (fd_ < 0 || (at_ == filled_ && !fill(error)))
        return false;
    if (!started_) {
        started_ = true;
        if (filled_ >= 3 && std::memcmp(buffer_.data(), "\xEF\xBB\xBF", 3) == 0)
            at_ = 3;
        if (at_ == filled_ && !fill(error))
            return false;
    }
    for (;;) {
        const char *start = buffer_.data() + at_;
        const size_t left = filled_ - at_;
        size_t length = 0;
        while (length < left && start[length] != '\n' && start[length] != '\r')
            ++length;
        const size_t kept = std::min(length, longest - std::min(longest, line.size()));
        line.append(start, kept);
        cut = cut || kept < length;
        at_ += length;
        if (length < left) { // at the line's end
            const bool cr = buffer_[at_++] == '\r';
            if (cr && (at_ < filled_ || fill(error)) && buffer_[at_] == '\n')
                ++at_; // CR LF, perhaps across two buffers
            return error.empty();
        }
        if (!fill(error))
            return error.empty(); // a last line without its end
    }
}

} // namespace quill::host
