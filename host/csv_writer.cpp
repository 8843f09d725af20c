// Writing a data set: the rows go to a temporary file beside the target, named
// "<target>.partial-<process>-<serial>", which replaces the target only when it is complete.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "csv_store.h"
#include "exit_cleanup.h"
#include "number_text.h"

namespace quill::host {
namespace {

constexpr std::string_view temporary_marker = ".partial-";

// The process that wrote a temporary file, when `name` is one: "<target>.partial-<pid>-<serial>".
bool writer_process(const std::string &name, long &pid)
{
    const size_t at = name.rfind(temporary_marker);
    if (at == std::string::npos)
        return false;
    const char *first = name.data() + at + temporary_marker.size();
    const char *last = name.data() + name.size();
    const auto [end, ec] = std::from_chars(first, last, pid);
    return ec == std::errc() && end != first && end < last && *end == '-' && pid > 0;
}

} // namespace

std::vector<std::filesystem::path> remove_stale_temporaries(const std::filesystem::path &folder)
{
    std::vector<std::filesystem::path> removed;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        long pid = 0;
        if (!writer_process(it->path().filename().string(), pid) || pid == ::getpid())
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue; // its writer still runs (or belongs to another user)
        std::error_code remove_ec;
        if (std::filesystem::remove(it->path(), remove_ec))
            removed.push_back(it->path());
    }
    return removed;
}

CsvWriter::~CsvWriter() { discard(); }

bool CsvWriter::open(const std::filesystem::path &target, std::string &error)
{
    discard();
    target_ = target;
    // Unique per writer (two outputs of one step may name the same data set), created only if
    // nothing has that name: a file or link planted there is skipped, never written through.
    static unsigned long serial = 0;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary_ = target;
        temporary_ += std::string(temporary_marker) + std::to_string(::getpid()) + "-" + std::to_string(++serial);
        fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    file_ = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (!file_) {
        error = "The file " + target_.string() + " cannot be created (" + std::strerror(errno) + ").";
        if (fd >= 0) {
            ::close(fd);
            ::unlink(temporary_.c_str());
        }
        return false;
    }
    exit_cleanup::track(temporary_);
    row_started_ = false;
    return true;
}

void CsvWriter::separate()
{
    if (row_started_)
        std::fputc(',', file_);
    row_started_ = true;
}

void CsvWriter::name(std::string_view value)
{
    if (!value.empty() && value.find_first_of(",\"\r\n") == std::string_view::npos && value.front() != ' ' &&
        value.back() != ' ') {
        separate();
        std::fwrite(value.data(), 1, value.size(), file_);
        return;
    }
    text(value);
}

void CsvWriter::text(std::string_view value)
{
    separate();
    std::fputc('"', file_);
    for (char c : value) {
        if (c == '"')
            std::fputc('"', file_);
        std::fputc(c, file_);
    }
    std::fputc('"', file_);
}

void CsvWriter::number(double value)
{
    separate();
    const std::string text = storage_text(value);
    std::fwrite(text.data(), 1, text.size(), file_);
}

bool CsvWriter::end_row(std::string &error)
{
    std::fputc('\n', file_);
    row_started_ = false;
    if (!std::ferror(file_))
        return true;
    error = write_failure(errno);
    return false;
}

std::string CsvWriter::write_failure(int error_number) const
{
    return "The file " + target_.string() + " cannot be written (" + std::strerror(error_number) + ").";
}

bool CsvWriter::commit(std::string &error)
{
    if (!file_) {
        error = "The data set file was not opened.";
        return false;
    }
    const bool written = std::fflush(file_) == 0 && !std::ferror(file_);
    const int write_errno = errno;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    std::error_code ec;
    bool committed = false;
    if (!written || !closed) {
        error = write_failure(written ? errno : write_errno);
    } else {
        std::filesystem::rename(temporary_, target_, ec);
        committed = !ec;
        if (ec)
            error = "The file " + target_.string() + " cannot be replaced (" + ec.message() + ").";
    }
    if (!committed)
        std::filesystem::remove(temporary_, ec);
    exit_cleanup::untrack(temporary_);
    return committed;
}

void CsvWriter::discard()
{
    if (!file_)
        return;
    std::fclose(file_);
    file_ = nullptr;
    std::error_code ec;
    std::filesystem::remove(temporary_, ec);
    exit_cleanup::untrack(temporary_);
}

bool write_csv_file(const std::filesystem::path &target, const Table &table, std::string &error)
{
    CsvWriter writer;
    if (!writer.open(target, error))
        return false;
    for (const Column &col : table.columns)
        writer.name(col.name);
    if (!writer.end_row(error))
        return false;
    for (size_t row = 0; row < table.rows; ++row) {
        for (const Column &col : table.columns) {
            if (col.type == VarType::Numeric)
                writer.number(col.numbers[row]);
            else
                writer.text(col.texts[row]);
        }
        if (!writer.end_row(error))
            return false;
    }
    return writer.commit(error);
}

} // namespace quill::host
