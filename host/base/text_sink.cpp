#include "base/text_sink.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/shown_text.h"

namespace quill::host {
namespace {

struct Resolved {
    bool in_place = false;
    std::filesystem::path path;
};

// Where a link with no file behind it leads, following each link as open() would; a name with
// nothing there is where the shell's ">" would create the file.
std::filesystem::path end_of_links(std::filesystem::path path)
{
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        const auto status = std::filesystem::symlink_status(path, ec);
        if (ec || status.type() != std::filesystem::file_type::symlink)
            return path;
        const std::filesystem::path next = std::filesystem::read_symlink(path, ec);
        if (ec)
            return path;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

// A regular file (or nothing) is replaced; anything else that may be opened is written in place.
Resolved resolve(const std::filesystem::path &path)
{
    struct stat named{};
    if (::lstat(path.c_str(), &named) != 0 || S_ISREG(named.st_mode))
        return {false, path};
    if (!S_ISLNK(named.st_mode))
        return {true, path};
    struct stat target{};
    if (::stat(path.c_str(), &target) != 0)
        return {false, end_of_links(path)};
    if (!S_ISREG(target.st_mode))
        return {true, path};
    // The file's own name, so that the temporary goes beside it; a link to a file that has no
    // name any more (/proc/self/fd/N of a deleted file) is written through.
    char real[PATH_MAX];
    struct stat found{};
    if (::realpath(path.c_str(), real) && ::stat(real, &found) == 0 && found.st_dev == target.st_dev &&
        found.st_ino == target.st_ino)
        return {false, real};
    return {true, path};
}

} // namespace

TextSink TextSink::to_file(const std::filesystem::path &path)
{
    const Resolved resolved = resolve(path);
    TextSink sink;
    sink.kind_ = resolved.in_place ? Kind::InPlace : Kind::Replace;
    sink.path_ = resolved.path;
    sink.owned_ = true;
    return sink;
}

TextSink TextSink::to_growing_file(const std::filesystem::path &path)
{
    TextSink sink = to_file(path);
    sink.growing_ = true;
    return sink;
}

TextSink TextSink::to_stream(std::FILE *stream)
{
    TextSink sink;
    sink.file_ = stream;
    return sink;
}

TextSink TextSink::to_memory()
{
    TextSink sink;
    sink.kind_ = Kind::Memory;
    return sink;
}

TextSink::TextSink(TextSink &&other) noexcept
    : file_(other.file_), owned_(other.owned_), failed_(other.failed_), finished_(other.finished_),
      growing_(other.growing_), kind_(other.kind_), path_(std::move(other.path_)),
      temporary_(std::move(other.temporary_)),
      problem_(std::move(other.problem_)), memory_(std::move(other.memory_))
{
    other.file_ = nullptr;
    other.owned_ = false;
    other.finished_ = true;
}

TextSink::~TextSink() { finish(); }

void TextSink::fail(int error_number)
{
    if (!failed_)
        problem_ = std::strerror(error_number);
    failed_ = true;
}

bool TextSink::open_in_place(int flags, bool regular)
{
    const int fd = ::open(path_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | flags);
    struct stat opened{};
    if (fd >= 0 && (::fstat(fd, &opened) != 0 || S_ISREG(opened.st_mode) != regular)) {
        ::close(fd); // it changed since it was looked at: write nothing rather than the wrong thing
        fail(EAGAIN);
        return false;
    }
    file_ = fd < 0 ? nullptr : ::fdopen(fd, "w");
    if (!file_) {
        fail(errno);
        if (fd >= 0)
            ::close(fd);
    }
    return file_ != nullptr;
}

bool TextSink::open_file()
{
    if (kind_ == Kind::InPlace) {
        struct stat target{};
        const bool regular = ::stat(path_.c_str(), &target) == 0 && S_ISREG(target.st_mode);
        return open_in_place(regular ? O_TRUNC : 0, regular);
    }
    temporary_ = std::make_unique<TemporaryFile>();
    int error_number = 0;
    if (!temporary_->create(path_, error_number, TemporaryFile::OnSignal::Rename)) {
        struct stat named{};
        if ((error_number == EACCES || error_number == EPERM) && ::lstat(path_.c_str(), &named) == 0 &&
            S_ISREG(named.st_mode))
            return open_in_place(O_TRUNC | O_NOFOLLOW, true);
        fail(error_number);
        return false;
    }
    // A descriptor of the stream's own: closing it reports a failed write, and the temporary's
    // lock stays until the rename.
    const int fd = ::dup(temporary_->descriptor());
    file_ = fd < 0 ? nullptr : ::fdopen(fd, "w");
    if (!file_) {
        fail(errno);
        if (fd >= 0)
            ::close(fd);
        temporary_->discard();
    }
    // Where it cannot take the file's place now, it does at the end, as any other.
    if (file_ && growing_)
        temporary_->publish(error_number);
    return file_ != nullptr;
}

bool TextSink::open_now()
{
    if (!file_ && owned_ && !failed_ && !finished_)
        open_file();
    return !failed_;
}

void TextSink::write_line(std::string_view text)
{
    std::string buffer;
    const std::string_view line = shown_text(text, buffer);
    if (kind_ == Kind::Memory) {
        memory_.emplace_back(line);
        return;
    }
    if (finished_ || !open_now() || !file_)
        return;
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fputc('\n', file_);
    if (std::fflush(file_) != 0 || std::ferror(file_))
        fail(errno);
}

void TextSink::finish()
{
    if (finished_)
        return;
    finished_ = true;
    if (kind_ == Kind::Replace && !file_ && !failed_) {
        // Nothing was written: an earlier file is this run's only when emptied.
        struct stat named{};
        if (::lstat(path_.c_str(), &named) == 0 && S_ISREG(named.st_mode) && named.st_size > 0)
            open_file();
    }
    if (file_ && owned_ && std::fclose(file_) != 0)
        fail(errno);
    file_ = nullptr;
    if (!temporary_ || !temporary_->is_open())
        return;
    int error_number = 0;
    if (!temporary_->commit(error_number))
        fail(error_number);
}

} // namespace quill::host
