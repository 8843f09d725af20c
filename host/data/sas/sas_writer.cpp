// Writing SAS files through ReadStat's writer into a temporary file that replaces the target when
// complete.
#include <readstat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "base/memory_shortage.h"
#include "base/message_text.h"
#include "base/names.h"
#include "base/temporary_file.h"
#include "data/sas/sas_store.h"

namespace quill::host {
namespace {

enum class SasKind { Sas7bdat, Xport };

// Where ReadStat's bytes go: the temporary file, through a buffer (ReadStat hands over a row at a
// time), every byte or a recorded failure.
struct FileOutput {
    int fd = -1;
    int error_number = 0;
    std::vector<char> buffer;

    bool flush()
    {
        size_t done = 0;
        while (done < buffer.size() && error_number == 0) {
            const ssize_t n = ::write(fd, buffer.data() + done, buffer.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                error_number = n < 0 ? errno : ENOSPC;
            else
                done += static_cast<size_t>(n);
        }
        buffer.clear();
        return error_number == 0;
    }
};

constexpr size_t output_buffer_bytes = size_t{1} << 20;

ssize_t write_bytes(const void *data, size_t length, void *context)
{
    FileOutput &out = *static_cast<FileOutput *>(context);
    if (out.buffer.size() + length > output_buffer_bytes && !out.flush())
        return -1;
    const char *bytes = static_cast<const char *>(data);
    if (length >= output_buffer_bytes) {
        out.buffer.assign(bytes, bytes + length);
        return out.flush() ? static_cast<ssize_t>(length) : -1;
    }
    out.buffer.insert(out.buffer.end(), bytes, bytes + length);
    return static_cast<ssize_t>(length);
}

class SasSink : public TableSink {
public:
    SasSink(SasKind kind, std::filesystem::path target, std::string member)
        : kind_(kind), target_(std::move(target)), member_(std::move(member))
    {
    }

    bool define(const std::vector<Variable> &variables, std::string &) override
    {
        table_.columns.assign(variables.size(), Column{});
        for (size_t i = 0; i < variables.size(); ++i)
            static_cast<Variable &>(table_.columns[i]) = variables[i];
        table_.rows = 0;
        return true;
    }

    bool write_row(const Row &row, std::string &) override
    {
        for (size_t i = 0; i < table_.columns.size(); ++i) {
            Column &col = table_.columns[i];
            if (col.type == VarType::Numeric)
                col.numbers.push_back(row.numbers[i]);
            else
                col.texts.push_back(row.texts[i].substr(0, sas_max_text_length));
        }
        ++table_.rows;
        return true;
    }

    bool commit(std::string &error) override;
    void discard() override
    {
        temporary_.discard();
        table_ = Table{};
    }

private:
    bool fail(std::string &error, const std::string &what)
    {
        error = "The data set file " + excerpt(target_.string(), path_excerpt_length) + " cannot be written: " + what + ".";
        temporary_.discard();
        return false;
    }

    SasKind kind_;
    std::filesystem::path target_;
    std::string member_;
    Table table_;
    TemporaryFile temporary_;
};

// Frees the writer on every path.
struct WriterHandle {
    readstat_writer_t *writer = readstat_writer_init();
    ~WriterHandle()
    {
        if (writer)
            readstat_writer_free(writer);
    }
};

bool SasSink::commit(std::string &error)
{
    // A text column is as wide as its declared length or its longest value, whichever is more.
    std::vector<size_t> widths(table_.columns.size(), 0);
    bool long_names = member_.size() > 8, long_texts = false;
    for (size_t i = 0; i < table_.columns.size(); ++i) {
        const Column &col = table_.columns[i];
        long_names = long_names || col.name.size() > 8 || col.label.size() > 40;
        if (col.type == VarType::Numeric)
            continue;
        size_t width = std::max<size_t>(col.length, 1);
        for (const std::string &text : col.texts)
            width = std::max(width, text.size());
        widths[i] = std::min(width, sas_max_text_length);
        long_texts = long_texts || widths[i] > 200;
    }
    // ReadStat takes SAS names only (and does not survive some others).
    for (const Column &col : table_.columns)
        if (!is_valid_name(col.name))
            return fail(error, "the variable name " + quoted_excerpt(col.name) + " is not a SAS name");
    int error_number = 0;
    if (!temporary_.create(target_, error_number))
        return fail(error, std::strerror(error_number));
    WriterHandle handle;
    if (!handle.writer)
        throw std::bad_alloc();
    readstat_writer_t *writer = handle.writer;
    FileOutput out{temporary_.descriptor(), 0, {}};
    out.buffer.reserve(output_buffer_bytes);
    readstat_set_data_writer(writer, write_bytes);
    std::vector<readstat_variable_t *> variables;
    for (size_t i = 0; i < table_.columns.size(); ++i) {
        const Column &col = table_.columns[i];
        const bool numeric = col.type == VarType::Numeric;
        readstat_variable_t *v = readstat_add_variable(writer, col.name.c_str(),
                                                       numeric ? READSTAT_TYPE_DOUBLE : READSTAT_TYPE_STRING,
                                                       numeric ? 8 : widths[i]);
        if (!v)
            throw std::bad_alloc();
        if (!col.label.empty())
            readstat_variable_set_label(v, col.label.c_str());
        if (!col.format.empty())
            readstat_variable_set_format(v, col.format.c_str());
        variables.push_back(v);
    }
    readstat_error_t status;
    const long rows = static_cast<long>(table_.rows);
    if (kind_ == SasKind::Xport) {
        readstat_writer_set_file_format_version(writer, long_names || long_texts ? 8 : 5);
        readstat_writer_set_table_name(writer, member_.c_str());
        status = readstat_begin_writing_xport(writer, &out, rows);
    } else {
        status = readstat_begin_writing_sas7bdat(writer, &out, rows);
    }
    for (size_t r = 0; status == READSTAT_OK && r < table_.rows; ++r) {
        status = readstat_begin_row(writer);
        for (size_t i = 0; status == READSTAT_OK && i < table_.columns.size(); ++i) {
            const Column &col = table_.columns[i];
            if (col.type == VarType::Character)
                status = readstat_insert_string_value(writer, variables[i], col.texts[r].c_str());
            else if (is_missing(col.numbers[r]))
                status = readstat_insert_missing_value(writer, variables[i]);
            else
                status = readstat_insert_double_value(writer, variables[i], col.numbers[r]);
        }
        if (status == READSTAT_OK)
            status = readstat_end_row(writer);
    }
    if (status == READSTAT_OK)
        status = readstat_end_writing(writer);
    if (status == READSTAT_OK)
        out.flush();
    if (out.error_number != 0)
        return fail(error, std::strerror(out.error_number));
    if (status != READSTAT_OK)
        return fail(error, readstat_error_message(status));
    if (!temporary_.commit(error_number))
        return fail(error, std::string("it cannot replace the file (") + std::strerror(error_number) + ")");
    table_ = Table{};
    return true;
}

} // namespace

std::unique_ptr<TableSink> create_sas7bdat_sink(const std::filesystem::path &file, const std::string &member)
{
    return std::make_unique<SasSink>(SasKind::Sas7bdat, file, member);
}

std::unique_ptr<TableSink> create_xport_sink(const std::filesystem::path &file, const std::string &member)
{
    return std::make_unique<SasSink>(SasKind::Xport, file, member);
}

} // namespace quill::host
