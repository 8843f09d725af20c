// Writing a data set: the rows go to a temporary file beside the target (base/temporary_file.h),
// which replaces the target only when it is complete.
#include <unistd.h>

#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "base/message_text.h"
#include "base/utf8_text.h"
#include "data/csv/csv_store.h"

namespace quill::host {

CsvWriter::~CsvWriter() { discard(); }

bool CsvWriter::open(const std::filesystem::path &target, std::string &error)
{
    discard();
    target_ = target;
    int error_number = 0;
    // The stream has a descriptor of its own, so that closing it reports a failed write while
    // the temporary's lock stays until the rename.
    const int fd = temporary_.create(target, error_number) ? ::dup(temporary_.descriptor()) : -1;
    file_ = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (!file_) {
        if (temporary_.is_open())
            error_number = errno;
        error = "The file " + target_.string() + " cannot be created (" + std::strerror(error_number) + ").";
        if (fd >= 0)
            ::close(fd);
        temporary_.discard();
        return false;
    }
    row_started_ = false;
    row_.clear();
    return true;
}

void CsvWriter::separate()
{
    if (row_started_)
        row_ += separator_;
    row_started_ = true;
}

void CsvWriter::name(std::string_view value)
{
    // A name starting with a byte order mark is quoted, or a reader would take the mark for the file's.
    const char special[] = {separator_, '"', '\r', '\n', '\0'};
    if (!value.empty() && value.find_first_of(special) == std::string_view::npos && value.front() != ' ' &&
        value.back() != ' ' && value.rfind("\xEF\xBB\xBF", 0) != 0) {
        separate();
        row_.append(value);
        return;
    }
    text(value);
}

void CsvWriter::text(std::string_view value)
{
    separate();
    row_ += '"';
    for (size_t from = 0;;) {
        const size_t quote = value.find('"', from);
        row_.append(value.substr(from, quote == std::string_view::npos ? quote : quote + 1 - from));
        if (quote == std::string_view::npos)
            break;
        row_ += '"';
        from = quote + 1;
    }
    row_ += '"';
}

void CsvWriter::number(double value)
{
    separate();
    // The shortest text that reads back exactly, formatted in place (storage_text's rule).
    if (std::isnan(value)) {
        row_ += '.';
        return;
    }
    const size_t at = row_.size();
    row_.resize(at + 32);
    const auto [end, ec] = std::to_chars(row_.data() + at, row_.data() + row_.size(), value);
    row_.resize(ec == std::errc() ? static_cast<size_t>(end - row_.data()) : at);
    if (ec != std::errc())
        row_ += '.';
}

bool CsvWriter::end_row(std::string &error)
{
    row_ += '\n';
    std::fwrite(row_.data(), 1, row_.size(), file_);
    row_.clear();
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
    if (!written || !closed) {
        error = write_failure(written ? errno : write_errno);
        temporary_.discard();
        return false;
    }
    int error_number = 0;
    if (!temporary_.commit(error_number)) {
        error = "The file " + target_.string() + " cannot be replaced (" + std::strerror(error_number) + ").";
        return false;
    }
    return true;
}

void CsvWriter::discard()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    temporary_.discard();
}

namespace {

class CsvSink : public TableSink {
public:
    explicit CsvSink(std::filesystem::path target, char separator = ',') : target_(std::move(target))
    {
        writer_.separate_by(separator);
    }

    bool define(const std::vector<Variable> &variables, std::string &error) override
    {
        // Blank lines are no records to a reader, so a file without columns would not read back.
        if (variables.empty()) {
            error = "The file " + target_.string() + " cannot hold a data set without variables.";
            return false;
        }
        if (!writer_.open(target_, error))
            return false;
        variables_ = variables;
        repaired_.assign(variables.size(), 0);
        warnings_.clear();
        for (const Variable &v : variables)
            writer_.name(is_valid_utf8(v.name) ? v.name : repaired_utf8(v.name));
        return writer_.end_row(error);
    }

    bool write_row(const Row &row, std::string &error) override
    {
        for (size_t i = 0; i < variables_.size(); ++i) {
            if (variables_[i].type == VarType::Numeric)
                writer_.number(row.numbers[i]);
            else if (is_valid_utf8(row.texts[i]))
                writer_.text(row.texts[i]);
            else
                writer_.text(repaired(i, row.texts[i]));
        }
        return writer_.end_row(error);
    }

    bool commit(std::string &error) override { return writer_.commit(error); }
    void discard() override { writer_.discard(); }
    std::vector<std::string> warnings() const override { return warnings_; }

private:
    std::string repaired(size_t i, const std::string &text)
    {
        std::string valid = repaired_utf8(text);
        if (!repaired_[i])
            warnings_.push_back("Values of " + variables_[i].name + " that are not UTF-8 are written to the CSV file " +
                                excerpt(target_.string(), path_excerpt_length) +
                                " with U+FFFD in place of the bytes that are not, as in " + quoted_excerpt(valid) + ".");
        repaired_[i] = 1;
        return valid;
    }

    std::filesystem::path target_;
    CsvWriter writer_;
    std::vector<Variable> variables_;
    std::vector<char> repaired_;
    std::vector<std::string> warnings_;
};

} // namespace

std::unique_ptr<TableSink> create_csv_sink(const std::filesystem::path &target)
{
    return std::make_unique<CsvSink>(target);
}

std::unique_ptr<TableSink> create_delimited_sink(const std::filesystem::path &target, char delimiter)
{
    return std::make_unique<CsvSink>(target, delimiter);
}

bool write_csv_file(const std::filesystem::path &target, const Table &table, std::string &error)
{
    return write_table(csv_format(), target, {}, table, {}, error);
}

} // namespace quill::host
