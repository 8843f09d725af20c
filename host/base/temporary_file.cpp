#include "base/temporary_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <string>

#include "base/exit_cleanup.h"

namespace quill::host {
namespace {

constexpr std::string_view temporary_marker = ".partial-";

// Decimal digits with no leading zero, as std::to_string writes a positive number.
bool is_counter(std::string_view text)
{
    if (text.empty() || text.size() > 19 || text.front() == '0')
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool is_written_name(std::string_view name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot > 64 || name.size() - dot < 4 || name.size() - dot > 9)
        return false;
    for (char c : name.substr(0, dot))
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-')
            return false;
    std::string extension;
    for (char c : name.substr(dot + 1))
        extension += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == "csv" || extension == "svg" || extension == "sas7bdat" || extension == "xpt" ||
           extension == "qds";
}

bool same_file(const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Removes `name` in the folder `dir` when it is a regular file whose lock can be taken. The lock
// is held until it is unlinked, and the name must still be that file, so a writer that has just
// created it (and not yet locked it) notices and starts another.
bool remove_if_abandoned(int dir, const char *name)
{
    const int fd = ::openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat opened{}, named{};
    const bool abandoned = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && try_lock(fd, false) &&
                           ::fstatat(dir, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && same_file(opened, named) &&
                           ::unlinkat(dir, name, 0) == 0;
    ::close(fd);
    return abandoned;
}

} // namespace

bool try_lock(int fd, bool exclusive)
{
    struct flock lock{};
    lock.l_type = exclusive ? F_WRLCK : F_RDLCK;
    lock.l_whence = SEEK_SET; // l_start 0, l_len 0: the whole file, however long it grows
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

bool hold_lock(int fd)
{
    return try_lock(fd, true) || (errno != EAGAIN && errno != EACCES);
}

bool is_temporary_name(std::string_view name)
{
    const size_t at = name.rfind(temporary_marker);
    if (at == std::string_view::npos || !is_written_name(name.substr(0, at)))
        return false;
    const std::string_view counters = name.substr(at + temporary_marker.size());
    const size_t dash = counters.find('-');
    return dash != std::string_view::npos && is_counter(counters.substr(0, dash)) &&
           is_counter(counters.substr(dash + 1));
}

std::vector<std::filesystem::path> remove_stale_temporaries(const std::filesystem::path &folder)
{
    std::vector<std::filesystem::path> removed;
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return removed;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (is_temporary_name(name) && remove_if_abandoned(dir, name.c_str()))
            removed.push_back(it->path());
    }
    ::close(dir);
    return removed;
}

bool TemporaryFile::create(const std::filesystem::path &target, int &error_number, OnSignal on_signal)
{
    discard();
    target_ = target;
    on_signal_ = on_signal;
    // Unique per writer (two outputs of one step may name the same data set). A name that exists
    // is skipped; so is a file another run's sweep took between its creation and its lock.
    static unsigned long serial = 0;
    error_number = EEXIST;
    for (int attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
        temporary_ = target;
        temporary_ += std::string(temporary_marker) + std::to_string(::getpid()) + "-" + std::to_string(++serial);
        const int fd = ::open(temporary_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            error_number = errno;
            if (error_number != EEXIST)
                break;
            continue;
        }
        struct stat status{};
        if (hold_lock(fd) && ::fstat(fd, &status) == 0 && status.st_nlink > 0)
            fd_ = fd;
        else
            ::close(fd);
    }
    if (fd_ < 0)
        return false;
    if (on_signal_ == OnSignal::Rename)
        exit_cleanup::track(temporary_, target_);
    else
        exit_cleanup::track(temporary_);
    return true;
}

bool TemporaryFile::commit(int &error_number)
{
    if (fd_ < 0) {
        error_number = EBADF;
        return false;
    }
    const int probe = ::dup(fd_);
    if (probe < 0 || ::close(probe) != 0 ||
        (!published_ && ::rename(temporary_.c_str(), target_.c_str()) != 0)) {
        error_number = errno;
        discard();
        return false;
    }
    forget();
    return true;
}

bool TemporaryFile::publish(int &error_number)
{
    if (published_)
        return true;
    if (fd_ < 0) {
        error_number = EBADF;
        return false;
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error_number = errno;
        return false;
    }
    exit_cleanup::untrack(temporary_);
    published_ = true;
    return true;
}

void TemporaryFile::discard()
{
    if (fd_ < 0)
        return;
    if (!published_)
        ::unlink(temporary_.c_str());
    forget();
}

void TemporaryFile::forget()
{
    if (!published_)
        exit_cleanup::untrack(temporary_);
    ::close(fd_); // the lock goes with the last descriptor of the open file
    fd_ = -1;
    published_ = false;
}

} // namespace quill::host
