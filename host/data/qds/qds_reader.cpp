// Reading a .qds file: the header is read and checked when the file is opened, and the file's
// size must be exactly the header and its rows; each cursor then reads blocks of rows with pread
// from the one descriptor, converting only the variables it wants.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/message_text.h"
#include "data/qds/qds_layout.h"
#include "data/qds/qds_store.h"

namespace quill::host {
namespace {

constexpr size_t block_bytes = size_t{1} << 20;

// Reads `size` bytes at `offset`; false on a read error or the end of the file.
bool read_at(int fd, char *into, size_t size, off_t offset)
{
    while (size > 0) {
        const ssize_t got = ::pread(fd, into, size, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        into += got;
        size -= static_cast<size_t>(got);
        offset += got;
    }
    return true;
}

struct QdsData {
    QdsData() = default;
    QdsData(const QdsData &) = delete;
    QdsData &operator=(const QdsData &) = delete;
    ~QdsData()
    {
        if (fd >= 0)
            ::close(fd);
    }
    int fd = -1;
    std::string label;
    qds::Layout layout;
};

class QdsCursor : public RowCursor {
public:
    QdsCursor(std::shared_ptr<const QdsData> data, const std::vector<bool> &wanted) : data_(std::move(data))
    {
        const qds::Layout &layout = data_->layout;
        for (size_t i = 0; i < layout.variables.size(); ++i)
            if (wanted.empty() || (i < wanted.size() && wanted[i]))
                wanted_.push_back(i);
        const size_t width = std::max<size_t>(layout.row_width, 1);
        block_rows_ = std::max<size_t>(1, block_bytes / width);
    }

    Step next(Row &row, std::string &error) override
    {
        const qds::Layout &layout = data_->layout;
        if (read_ == layout.rows)
            return Step::End;
        if (in_block_ == block_.size() / std::max<size_t>(layout.row_width, 1) && !fill(error))
            return Step::Failed;
        const char *bytes = block_.data() + in_block_ * layout.row_width;
        for (size_t i : wanted_) {
            const char *at = bytes + layout.offsets[i];
            if (layout.variables[i].type == VarType::Numeric) {
                row.numbers[i] = qds::load<double>(at);
                continue;
            }
            const size_t size = qds::load<uint16_t>(at);
            if (size > layout.variables[i].length) {
                error = data_->label + ": the file is damaged (a value of " + layout.variables[i].name +
                        " is longer than its variable).";
                return Step::Failed;
            }
            row.texts[i].assign(at + 2, size);
        }
        ++in_block_;
        ++read_;
        return Step::Row;
    }

private:
    bool fill(std::string &error)
    {
        const qds::Layout &layout = data_->layout;
        const size_t rows = std::min<uint64_t>(block_rows_, layout.rows - read_);
        block_.resize(rows * layout.row_width);
        const off_t offset = static_cast<off_t>(layout.header_bytes + read_ * layout.row_width);
        in_block_ = 0;
        errno = 0;
        if (block_.empty() || read_at(data_->fd, block_.data(), block_.size(), offset))
            return true;
        error = data_->label + ": the file cannot be read (" +
                (errno != 0 ? std::string(std::strerror(errno)) : std::string("it is shorter than it was")) + ").";
        return false;
    }

    std::shared_ptr<const QdsData> data_;
    std::vector<size_t> wanted_;
    std::vector<char> block_;
    size_t block_rows_ = 1;
    size_t in_block_ = 0;
    uint64_t read_ = 0;
};

class QdsSource : public TableSource {
public:
    QdsSource(std::shared_ptr<const QdsData> data, Description description)
        : data_(std::move(data)), description_(std::move(description))
    {
    }
    const Description &describe() const override { return description_; }
    std::unique_ptr<RowCursor> rows(const std::vector<bool> &wanted, std::string &) const override
    {
        return std::make_unique<QdsCursor>(data_, wanted);
    }

private:
    std::shared_ptr<const QdsData> data_;
    Description description_;
};

// The layout of the open file; false with `why`.
bool read_layout(QdsData &data, std::string &why)
{
    struct stat status{};
    if (::fstat(data.fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        why = "it is not a regular file";
        return false;
    }
    const auto file_bytes = static_cast<uint64_t>(status.st_size);
    std::string header(qds::fixed_header_bytes, '\0');
    if (file_bytes < header.size() || !read_at(data.fd, header.data(), header.size(), 0)) {
        why = "it is not a quill data set";
        return false;
    }
    const size_t bytes = qds::header_size(header, why);
    if (bytes == 0)
        return false;
    if (bytes > file_bytes) {
        why = "it is cut short";
        return false;
    }
    header.resize(bytes);
    if (!read_at(data.fd, header.data() + qds::fixed_header_bytes, bytes - qds::fixed_header_bytes,
                 qds::fixed_header_bytes)) {
        why = "it cannot be read";
        return false;
    }
    if (!qds::decode_header(header, data.layout, why))
        return false;
    const qds::Layout &layout = data.layout;
    const uint64_t data_bytes = file_bytes - bytes;
    // A data set without variables has no row bytes to count its rows: their number is bounded.
    const bool whole = layout.row_width == 0 ? data_bytes == 0 && layout.rows <= UINT32_MAX
                                             : data_bytes % layout.row_width == 0 && data_bytes / layout.row_width == layout.rows;
    if (!whole) {
        why = layout.row_width != 0 && data_bytes / layout.row_width < layout.rows
                  ? "it is cut short (its header counts " + std::to_string(layout.rows) + " rows)"
                  : "it is damaged (its size does not match the rows its header counts)";
        return false;
    }
    return true;
}

} // namespace

std::unique_ptr<TableSource> open_qds_file(const std::filesystem::path &file, ReadMessages &, std::string &error)
{
    auto data = std::make_shared<QdsData>();
    data->label = excerpt(file.string(), path_excerpt_length);
    const std::string failed = "The file " + data->label + " cannot be read as a quill data set (.qds): ";
    data->fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (data->fd < 0) {
        error = failed + std::strerror(errno) + ".";
        return nullptr;
    }
    std::string why;
    if (!read_layout(*data, why)) {
        error = failed + why + ".";
        return nullptr;
    }
    Description description;
    description.variables = data->layout.variables;
    description.rows = data->layout.rows;
    description.sorted_by = data->layout.sorted_by;
    description.label = data->layout.label;
    return std::make_unique<QdsSource>(std::move(data), std::move(description));
}

} // namespace quill::host
