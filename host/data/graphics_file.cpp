#include "data/graphics_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

qh_graphics_file::~qh_graphics_file()
{
    if (stream)
        std::fclose(stream); // the run ended with it open; the temporary then goes
}

namespace quill::host {
namespace {

ssize_t write_through(void *cookie, const char *data, size_t size)
{
    auto *file = static_cast<qh_graphics_file *>(cookie);
    size_t done = 0;
    while (file->write_error == 0 && done < size) {
        const ssize_t n = ::write(file->temporary.descriptor(), data + done, size - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n == 0 || errno != EINTR)
            file->write_error = n == 0 ? EIO : errno;
    }
    return static_cast<ssize_t>(done); // short: the stream's error flag is set
}

int close_stream(void *cookie)
{
    static_cast<qh_graphics_file *>(cookie)->stream = nullptr; // the descriptor stays with the file
    return 0;
}

} // namespace

bool is_graphics_file_name(std::string_view name)
{
    if (name.size() < 5 || name.size() > 68)
        return false;
    const std::string_view stem = name.substr(0, name.size() - 4), extension = name.substr(name.size() - 4);
    for (char c : stem)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-')
            return false;
    std::string lower;
    for (char c : extension)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower == ".svg";
}

bool open_graphics_file(qh_graphics_file &file, const std::filesystem::path &target, std::string &reason)
{
    struct stat named{};
    if (::lstat(target.c_str(), &named) == 0 && !S_ISREG(named.st_mode) && !S_ISLNK(named.st_mode)) {
        reason = S_ISDIR(named.st_mode) ? "it is a folder" : "it is not a regular file";
        return false;
    }
    int error_number = 0;
    if (!file.temporary.create(target, error_number)) {
        reason = std::strerror(error_number);
        return false;
    }
    file.stream = ::fopencookie(&file, "w", cookie_io_functions_t{nullptr, write_through, nullptr, close_stream});
    if (!file.stream) {
        reason = std::strerror(errno);
        file.temporary.discard();
        return false;
    }
    return true;
}

bool close_graphics_file(qh_graphics_file &file, bool keep, std::string &reason)
{
    if (file.stream && std::fclose(file.stream) != 0 && file.write_error == 0)
        file.write_error = EIO;
    file.stream = nullptr;
    if (!keep || file.write_error != 0) {
        if (keep)
            reason = std::strerror(file.write_error);
        file.temporary.discard();
        return !keep;
    }
    int error_number = 0;
    if (!file.temporary.commit(error_number)) {
        reason = std::strerror(error_number);
        return false;
    }
    return true;
}

} // namespace quill::host
