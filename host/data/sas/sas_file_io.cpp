#include "data/sas/sas_file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace quill::host {

SasFileInput::~SasFileInput()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool SasFileInput::open(const std::string &path, int &error_number)
{
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    struct stat status{};
    if (fd_ < 0 || ::fstat(fd_, &status) != 0) {
        error_number = errno;
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        error_number = ENODEV;
        return false;
    }
    size_ = static_cast<uint64_t>(status.st_size);
    pieces_ = {{0, size_}};
    return true;
}

void SasFileInput::show(std::vector<Piece> pieces)
{
    pieces_ = pieces.empty() ? std::vector<Piece>{{0, size_}} : std::move(pieces);
    position_ = 0;
}

void SasFileInput::attach(readstat_parser_t *parser)
{
    readstat_set_open_handler(parser, open_handler);
    readstat_set_close_handler(parser, close_handler);
    readstat_set_seek_handler(parser, seek_handler);
    readstat_set_read_handler(parser, read_handler);
    readstat_set_update_handler(parser, update_handler);
    readstat_set_io_ctx(parser, this);
}

uint64_t SasFileInput::shown_size() const
{
    uint64_t total = 0;
    for (const Piece &piece : pieces_)
        total += piece.length;
    return total;
}

// The file is opened before parsing and closed by the destructor: ReadStat's open and close only
// rewind.
int SasFileInput::open_handler(const char *, void *context)
{
    auto &input = *static_cast<SasFileInput *>(context);
    input.position_ = 0;
    return input.fd_ >= 0 ? 0 : -1;
}

int SasFileInput::close_handler(void *) { return 0; }

readstat_off_t SasFileInput::seek_handler(readstat_off_t offset, readstat_io_flags_t whence, void *context)
{
    auto &input = *static_cast<SasFileInput *>(context);
    const auto base = static_cast<readstat_off_t>(whence == READSTAT_SEEK_SET   ? 0
                                                  : whence == READSTAT_SEEK_CUR ? input.position_
                                                                                : input.shown_size());
    const readstat_off_t target = base + offset;
    if (target < 0)
        return -1;
    input.position_ = static_cast<uint64_t>(target);
    return target;
}

ssize_t SasFileInput::read_handler(void *into, size_t bytes, void *context)
{
    auto &input = *static_cast<SasFileInput *>(context);
    char *out = static_cast<char *>(into);
    size_t done = 0;
    uint64_t start = 0; // of the current piece in what ReadStat sees
    for (const Piece &piece : input.pieces_) {
        while (done < bytes && input.position_ >= start && input.position_ < start + piece.length) {
            const uint64_t within = input.position_ - start;
            const size_t want = static_cast<size_t>(std::min<uint64_t>(bytes - done, piece.length - within));
            const ssize_t got = ::pread(input.fd_, out + done, want, static_cast<off_t>(piece.offset + within));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return done > 0 ? static_cast<ssize_t>(done) : -1;
            if (got == 0)
                return static_cast<ssize_t>(done);
            done += static_cast<size_t>(got);
            input.position_ += static_cast<uint64_t>(got);
        }
        start += piece.length;
    }
    return static_cast<ssize_t>(done);
}

readstat_error_t SasFileInput::update_handler(long, readstat_progress_handler, void *, void *) { return READSTAT_OK; }

} // namespace quill::host
