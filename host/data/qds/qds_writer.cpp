// Writing a .qds file: the header (its row count 0 until the end), then the rows, through one
// buffer into a temporary file beside the target; the commit writes the row count into the header
// and renames the file into place.
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/message_text.h"
#include "base/names.h"
#include "base/temporary_file.h"
#include "data/qds/qds_layout.h"
#include "data/qds/qds_store.h"

namespace quill::host {
namespace {

constexpr size_t buffer_bytes = size_t{1} << 20;

class QdsSink : public TableSink {
public:
    explicit QdsSink(std::filesystem::path target) : target_(std::move(target)) {}

    void set_sorted_by(std::vector<std::string> keys) override { layout_.sorted_by = std::move(keys); }
    void set_label(std::string label) override { layout_.label = std::move(label); }

    bool define(const std::vector<Variable> &variables, std::string &error) override
    {
        layout_.variables = variables;
        for (const Variable &v : layout_.variables) {
            if (!is_storable_name(v.name))
                return fail(error, "the variable name " + quoted_excerpt(v.name) + " cannot be stored");
            if (v.type == VarType::Character && (v.length < 1 || v.length > max_text_length))
                return fail(error, "the variable " + v.name + " has the length " + std::to_string(v.length) +
                                       ", and a text variable has 1 to 32767 bytes");
        }
        const std::string header = qds::encode_header(layout_);
        int error_number = 0;
        if (!temporary_.create(target_, error_number))
            return fail(error, std::strerror(error_number));
        buffer_.clear();
        buffer_.reserve(buffer_bytes + layout_.row_width);
        buffer_.insert(buffer_.end(), header.begin(), header.end());
        return true;
    }

    bool write_row(const Row &row, std::string &error) override
    {
        const size_t at = buffer_.size();
        buffer_.resize(at + layout_.row_width, '\0');
        char *bytes = buffer_.data() + at;
        for (size_t i = 0; i < layout_.variables.size(); ++i) {
            const Variable &v = layout_.variables[i];
            char *slot = bytes + layout_.offsets[i];
            if (v.type == VarType::Numeric) {
                qds::store(slot, row.numbers[i]);
                continue;
            }
            const std::string_view text = utf8_prefix(row.texts[i], v.length);
            qds::store(slot, static_cast<uint16_t>(text.size()));
            std::memcpy(slot + 2, text.data(), text.size());
        }
        ++layout_.rows;
        return buffer_.size() < buffer_bytes || flush(error);
    }

    bool commit(std::string &error) override
    {
        if (!temporary_.is_open())
            return fail(error, "it was not created");
        if (!flush(error))
            return false;
        char count[8];
        qds::store(count, layout_.rows);
        if (::pwrite(temporary_.descriptor(), count, sizeof count, qds::row_count_offset) != sizeof count)
            return fail(error, std::strerror(errno));
        int error_number = 0;
        if (!temporary_.commit(error_number))
            return fail(error, std::string("it cannot replace the file (") + std::strerror(error_number) + ")");
        return true;
    }

    void discard() override
    {
        temporary_.discard();
        buffer_.clear();
    }

private:
    bool fail(std::string &error, const std::string &what)
    {
        error = "The data set file " + excerpt(target_.string(), path_excerpt_length) + " cannot be written: " + what + ".";
        discard();
        return false;
    }

    bool flush(std::string &error)
    {
        size_t done = 0;
        while (done < buffer_.size()) {
            const ssize_t n = ::write(temporary_.descriptor(), buffer_.data() + done, buffer_.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return fail(error, std::strerror(n < 0 ? errno : ENOSPC));
            done += static_cast<size_t>(n);
        }
        buffer_.clear();
        return true;
    }

    std::filesystem::path target_;
    qds::Layout layout_;
    std::vector<char> buffer_;
    TemporaryFile temporary_;
};

} // namespace

std::unique_ptr<TableSink> create_qds_sink(const std::filesystem::path &file, const std::string &)
{
    return std::make_unique<QdsSink>(file);
}

const Format &qds_format()
{
    static const Format format{"QUILL", ".qds", max_text_length, open_qds_file, create_qds_sink};
    return format;
}

} // namespace quill::host
