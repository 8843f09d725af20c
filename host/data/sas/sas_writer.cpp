// Writing SAS files through ReadStat's writer into a temporary file that replaces the target when
// complete. What either format cannot hold is refused as the rows arrive, before anything is
// replaced; a version 8 transport file gets its observation count afterwards, in the OBSV8 record
// ReadStat leaves without one.
#include <readstat.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/memory_shortage.h"
#include "base/message_text.h"
#include "base/names.h"
#include "base/number_text.h"
#include "base/temporary_file.h"
#include "base/utf8_text.h"
#include "data/sas/sas_store.h"
#include "data/sas/transport_layout.h"

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

// A .sas7bdat file written by ReadStat keeps its variable count in 16 bits: 4096 and more do not
// read back.
constexpr size_t sas7bdat_max_variables = 4095;
// The magnitudes a transport file's IBM floating point holds as ReadStat converts them: from 2^-260
// up to, not including, 2^249.
const double transport_largest = std::ldexp(1.0, 249);
const double transport_smallest = std::ldexp(1.0, -260);

// The name part of a format ("DATETIME" of "DATETIME20."), which a version 5 transport file keeps
// in 8 bytes.
size_t format_name_length(const std::string &format)
{
    size_t n = 0;
    while (n < format.size() && !(format[n] >= '0' && format[n] <= '9') && format[n] != '.')
        ++n;
    return n;
}

class SasSink : public TableSink {
public:
    SasSink(SasKind kind, std::filesystem::path target, std::string member)
        : kind_(kind), target_(std::move(target)), member_(std::move(member))
    {
    }

    void set_label(std::string label) override { label_ = std::move(label); }

    bool define(const std::vector<Variable> &variables, std::string &error) override
    {
        if (kind_ == SasKind::Sas7bdat && variables.size() > sas7bdat_max_variables)
            return fail(error, "it has " + std::to_string(variables.size()) + " variables, and a .sas7bdat file written here holds at most " +
                                   std::to_string(sas7bdat_max_variables) +
                                   " (more would not read back); a transport file (XPORT) holds more");
        // ReadStat takes SAS names only (and does not survive some others).
        for (const Variable &v : variables)
            if (!is_valid_name(v.name))
                return fail(error, "the variable name " + quoted_excerpt(v.name) + " is not a SAS name");
        table_.columns.assign(variables.size(), Column{});
        for (size_t i = 0; i < variables.size(); ++i)
            static_cast<Variable &>(table_.columns[i]) = variables[i];
        table_.rows = 0;
        warnings_.clear();
        tiny_.assign(variables.size(), 0);
        return true;
    }

    bool write_row(const Row &row, std::string &error) override
    {
        for (size_t i = 0; i < table_.columns.size(); ++i) {
            Column &col = table_.columns[i];
            if (col.type == VarType::Numeric) {
                if (kind_ == SasKind::Xport && !fits_transport(i, row.numbers[i], error))
                    return false;
                col.numbers.push_back(row.numbers[i]);
            } else {
                if (row.texts[i].find('\0') != std::string::npos)
                    return fail(error, "the value " + quoted_excerpt(row.texts[i]) + " of variable " + col.name +
                                           " holds a NUL character, where a SAS file ends a text");
                col.texts.push_back(row.texts[i]);
            }
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
    std::vector<std::string> warnings() const override { return warnings_; }

private:
    bool fail(std::string &error, const std::string &what)
    {
        error = "The data set file " + excerpt(target_.string(), path_excerpt_length) + " cannot be written: " + what + ".";
        discard();
        return false;
    }

    // A number a transport file holds; one too close to zero is written as 0, with a warning.
    bool fits_transport(size_t i, double value, std::string &error)
    {
        const double size = std::fabs(value);
        if (is_missing(value) || size == 0 || (size >= transport_smallest && size < transport_largest))
            return true;
        const std::string &name = table_.columns[i].name;
        if (size >= transport_largest)
            return fail(error, "the value " + storage_text(value) + " of variable " + name +
                                   " is beyond the range of a transport file (about 9E74 either side of 0)");
        if (!tiny_[i])
            warnings_.push_back("Values of " + name + " too close to zero for a transport file, such as " +
                                storage_text(value) + ", are written as 0 in " +
                                excerpt(target_.string(), path_excerpt_length) + ".");
        tiny_[i] = 1;
        return true;
    }

    std::vector<size_t> text_widths(bool &long_texts) const;
    int transport_version(bool long_texts) const;
    size_t trailing_blank_rows() const;
    bool write_rows(readstat_writer_t *writer, const std::vector<readstat_variable_t *> &variables, readstat_error_t &status);
    bool keep_count(int version, std::string &error);
    std::string file_label();

    SasKind kind_;
    std::filesystem::path target_;
    std::string member_;
    std::string label_; // the data set's, the file's label
    Table table_;
    TemporaryFile temporary_;
    std::vector<std::string> warnings_;
    std::vector<char> tiny_; // per variable: a value too close to zero was met
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

// A text column is as wide as its declared length or its longest value, whichever is more.
std::vector<size_t> SasSink::text_widths(bool &long_texts) const
{
    std::vector<size_t> widths(table_.columns.size(), 0);
    long_texts = false;
    for (size_t i = 0; i < table_.columns.size(); ++i) {
        const Column &col = table_.columns[i];
        if (col.type == VarType::Numeric)
            continue;
        size_t width = std::max<size_t>(col.length, 1);
        for (const std::string &text : col.texts)
            width = std::max(width, text.size());
        widths[i] = std::min(width, max_text_length);
        long_texts = long_texts || widths[i] > 200;
    }
    return widths;
}

// Version 5 when everything fits it, as more readers read it; else 8.
int SasSink::transport_version(bool long_texts) const
{
    bool long_names = member_.size() > 8 || long_texts;
    for (const Column &col : table_.columns)
        long_names = long_names || col.name.size() > 8 || col.label.size() > 40 || format_name_length(col.format) > 8;
    return long_names ? 8 : 5;
}

// The last observations that are blank in every variable (all character, all empty): a version 5
// transport file cannot tell them from the blanks that pad its last record.
size_t SasSink::trailing_blank_rows() const
{
    for (const Column &col : table_.columns)
        if (col.type == VarType::Numeric)
            return 0;
    if (table_.columns.empty())
        return 0;
    size_t blank = 0;
    for (size_t r = table_.rows; r > 0; --r, ++blank)
        for (const Column &col : table_.columns)
            if (col.texts[r - 1].find_first_not_of(' ') != std::string::npos)
                return blank;
    return blank;
}

bool SasSink::write_rows(readstat_writer_t *writer, const std::vector<readstat_variable_t *> &variables,
                         readstat_error_t &status)
{
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
    return status == READSTAT_OK;
}

// A version 8 file keeps its observation count in its OBSV8 record, as SAS writes it, so that
// trailing observations of blanks read back.
bool SasSink::keep_count(int version, std::string &error)
{
    if (version != 8)
        return true;
    struct stat status{};
    TransportMember member;
    std::string why;
    int error_number = 0;
    if (::fstat(temporary_.descriptor(), &status) != 0)
        return fail(error, std::strerror(errno));
    if (!read_first_member_header(temporary_.descriptor(), static_cast<uint64_t>(status.st_size), member, why))
        return fail(error, "the file written is not as expected (" + why + ")");
    if (!write_transport_count(temporary_.descriptor(), member.obs_header, table_.rows, error_number))
        return fail(error, std::strerror(error_number));
    return true;
}

bool SasSink::commit(std::string &error)
{
    bool long_texts = false;
    const std::vector<size_t> widths = text_widths(long_texts);
    const int version = kind_ == SasKind::Xport ? transport_version(long_texts) : 0;
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
    if (!label_.empty())
        readstat_writer_set_file_label(writer, file_label().c_str());
    if (kind_ == SasKind::Xport) {
        readstat_writer_set_file_format_version(writer, static_cast<uint8_t>(version));
        readstat_writer_set_table_name(writer, member_.c_str());
        status = readstat_begin_writing_xport(writer, &out, rows);
    } else {
        status = readstat_begin_writing_sas7bdat(writer, &out, rows);
    }
    if (write_rows(writer, variables, status))
        status = readstat_end_writing(writer);
    if (status == READSTAT_OK)
        out.flush();
    if (out.error_number != 0)
        return fail(error, std::strerror(out.error_number));
    if (status != READSTAT_OK)
        return fail(error, readstat_error_message(status));
    if (!keep_count(version, error))
        return false;
    if (const size_t blank = version == 5 ? trailing_blank_rows() : 0; blank > 0)
        warnings_.push_back("The last " + std::to_string(blank) + " observations of data set " + member_ +
                            " are blank in every variable, and a version 5 transport file cannot tell them from "
                            "its padding: they are not read back from " + excerpt(target_.string(), path_excerpt_length) + ".");
    if (!temporary_.commit(error_number))
        return fail(error, std::string("it cannot replace the file (") + std::strerror(error_number) + ")");
    table_ = Table{};
    return true;
}

} // namespace

// The data set's label as the file keeps it: a transport file 40 bytes of it, a .sas7bdat file 256;
// a longer one is cut there (never inside a UTF-8 character), with a warning.
std::string SasSink::file_label()
{
    const bool transport = kind_ == SasKind::Xport;
    const size_t most = transport ? 40 : 256;
    const std::string_view kept = utf8_prefix(label_, most);
    if (kept.size() < label_.size())
        warnings_.push_back("The label of data set " + member_ + " is cut to its first " + std::to_string(kept.size()) +
                            " bytes, the most a " + (transport ? "transport" : ".sas7bdat") + " file keeps.");
    return std::string(kept);
}

std::unique_ptr<TableSink> create_sas7bdat_sink(const std::filesystem::path &file, const std::string &member)
{
    return std::make_unique<SasSink>(SasKind::Sas7bdat, file, member);
}

std::unique_ptr<TableSink> create_xport_sink(const std::filesystem::path &file, const std::string &member)
{
    return std::make_unique<SasSink>(SasKind::Xport, file, member);
}

} // namespace quill::host
