// The CSV reader as it was before the buffered one: it takes the file one character at a time and
// reads it twice (types, then values). Kept only so that csv_read_bench can compare the two on the
// same file in one run.
#include "previous_csv_reader.h"

#include <cstring>
#include <memory>

#include "number_text.h"

namespace quill::bench {
namespace {

using namespace quill::host;

// Characters from a file (buffered) or from memory, with a rewind for the second pass.
class CharSource {
public:
    explicit CharSource(std::FILE *file) : file_(file), buffer_(1 << 16) {}
    explicit CharSource(std::string_view text) : memory_(text) {}

    int get()
    {
        if (!file_)
            return pos_ < memory_.size() ? static_cast<unsigned char>(memory_[pos_++]) : -1;
        if (pos_ == length_) {
            length_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
            pos_ = 0;
            if (length_ == 0)
                return -1;
        }
        return static_cast<unsigned char>(buffer_[pos_++]);
    }
    int peek()
    {
        const int c = get();
        if (c >= 0)
            --pos_;
        return c;
    }
    bool rewind()
    {
        pos_ = 0;
        length_ = 0;
        return !file_ || std::fseek(file_, 0, SEEK_SET) == 0;
    }
    bool failed() const { return file_ && std::ferror(file_); }

private:
    std::FILE *file_ = nullptr;
    std::string_view memory_;
    std::vector<char> buffer_;
    size_t pos_ = 0;
    size_t length_ = 0;
};

enum class ReadResult { Record, End, Problem };

// Splits the character stream into records of fields. Blank lines are skipped.
class RecordReader {
public:
    explicit RecordReader(CharSource &source) : source_(source) {}

    ReadResult next(std::vector<std::string> &fields, size_t &count, std::string &problem)
    {
        int c = source_.get();
        while (c == '\n' || (c == '\r' && source_.peek() == '\n')) {
            if (c == '\n')
                ++line_;
            c = source_.get();
        }
        if (c < 0)
            return ReadResult::End;
        record_line_ = line_;
        count = 0;
        for (;;) {
            if (count == fields.size())
                fields.emplace_back();
            std::string &field = fields[count++];
            field.clear();
            if (quoted_.size() < count)
                quoted_.resize(count);
            quoted_[count - 1] = c == '"';
            if (c == '"') {
                for (;;) {
                    c = source_.get();
                    if (c < 0) {
                        problem = "a quoted value is not closed";
                        return ReadResult::Problem;
                    }
                    if (c == '"') {
                        if (source_.peek() != '"')
                            break;
                        c = source_.get();
                    } else if (c == '\n') {
                        ++line_;
                    }
                    field.push_back(static_cast<char>(c));
                }
                c = source_.get();
                if (c == '\r' && source_.peek() == '\n')
                    c = source_.get();
                if (c >= 0 && c != ',' && c != '\n') {
                    problem = "characters follow the closing quote of a value";
                    return ReadResult::Problem;
                }
            } else {
                while (c >= 0 && c != ',' && c != '\n') {
                    if (c == '"') {
                        problem = "a quote appears inside an unquoted value";
                        return ReadResult::Problem;
                    }
                    if (c != '\r' || source_.peek() != '\n')
                        field.push_back(static_cast<char>(c));
                    c = source_.get();
                }
            }
            if (c == ',') {
                c = source_.get();
                if (c == '\r' && source_.peek() == '\n')
                    c = source_.get();
                continue;
            }
            if (c == '\n')
                ++line_;
            return ReadResult::Record;
        }
    }

    int record_line() const { return record_line_; }
    void restart() { line_ = 1; }
    bool quoted(size_t field) const { return quoted_[field]; }

private:
    std::vector<bool> quoted_; // per field of the last record: written in quotes
    CharSource &source_;
    int line_ = 1;
    int record_line_ = 1;
};

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool is_missing_cell(std::string_view cell)
{
    cell = trim(cell);
    return cell.empty() || cell == ".";
}

std::string located(const std::string &label, int line, const std::string &problem)
{
    return label + ", line " + std::to_string(line) + ": " + problem + ".";
}

bool read_header(RecordReader &reader, const std::string &label, std::vector<std::string> &names,
                 std::string &error)
{
    std::vector<std::string> fields;
    size_t count = 0;
    std::string problem;
    const ReadResult result = reader.next(fields, count, problem);
    if (result == ReadResult::End) {
        error = located(label, 1, "the file is empty; a header row of variable names is expected");
        return false;
    }
    if (result == ReadResult::Problem) {
        error = located(label, reader.record_line(), problem);
        return false;
    }
    // Spreadsheet programs often start the file with a byte order mark; it is not part of a name.
    if (count > 0 && fields[0].rfind("\xEF\xBB\xBF", 0) == 0)
        fields[0].erase(0, 3);
    for (size_t i = 0; i < count; ++i) {
        const std::string name(trim(fields[i]));
        const std::string column = std::to_string(i + 1);
        if (name.empty()) {
            error = located(label, reader.record_line(), "the header gives column " + column + " no name");
            return false;
        }
        if (name.size() > max_text_length) {
            error = located(label, reader.record_line(),
                            "the variable name " + name + " is longer than 32 characters");
            return false;
        }
        for (size_t j = 0; j < names.size(); ++j)
            if (same_name(names[j], name)) {
                error = located(label, reader.record_line(),
                                "the variable name " + name + " appears twice (columns " +
                                    std::to_string(j + 1) + " and " + column + ")");
                return false;
            }
        names.push_back(name);
    }
    return true;
}

bool read_table(CharSource &source, const std::string &label, Table &table, std::string &error,
                std::vector<std::string> &warnings)
{
    RecordReader reader(source);
    std::vector<std::string> names;
    if (!read_header(reader, label, names, error))
        return false;

    // Pass 1: shape and types.
    std::vector<bool> numeric(names.size(), true);
    std::vector<std::string> fields;
    size_t count = 0, rows = 0;
    std::string problem;
    for (ReadResult r; (r = reader.next(fields, count, problem)) != ReadResult::End;) {
        if (r == ReadResult::Problem) {
            error = located(label, reader.record_line(), problem);
            return false;
        }
        if (count != names.size()) {
            error = located(label, reader.record_line(),
                            std::to_string(count) + (count == 1 ? " value" : " values") +
                                " where the header names " + std::to_string(names.size()));
            return false;
        }
        double value;
        for (size_t i = 0; i < count; ++i)
            if (numeric[i] && (reader.quoted(i) || (!is_missing_cell(fields[i]) && !parse_number(fields[i], value))))
                numeric[i] = false;
        ++rows;
    }
    if (source.failed()) {
        error = label + ": the file cannot be read.";
        return false;
    }

    // Pass 2: values.
    Table result;
    result.rows = rows;
    result.columns.resize(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        Column &col = result.columns[i];
        col.name = names[i];
        col.type = numeric[i] ? VarType::Numeric : VarType::Character;
        if (numeric[i])
            col.numbers.reserve(rows);
        else
            col.texts.reserve(rows);
    }
    std::vector<bool> cut(names.size(), false);
    if (!source.rewind()) {
        error = label + ": the file cannot be read.";
        return false;
    }
    reader.restart();
    reader.next(fields, count, problem); // the header, already checked
    for (size_t row = 0; row < rows; ++row) {
        if (reader.next(fields, count, problem) != ReadResult::Record || count != names.size()) {
            error = label + ": the file changed while it was read.";
            return false;
        }
        for (size_t i = 0; i < count; ++i) {
            Column &col = result.columns[i];
            if (col.type == VarType::Numeric) {
                double value = missing_value();
                if (!is_missing_cell(fields[i]))
                    parse_number(fields[i], value);
                col.numbers.push_back(value);
                continue;
            }
            std::string &text = fields[i];
            while (!text.empty() && text.back() == ' ')
                text.pop_back();
            if (text.size() > max_text_length) {
                text.resize(max_text_length);
                if (!cut[i])
                    warnings.push_back(located(label, reader.record_line(),
                                               "values of " + col.name +
                                                   " longer than 32 characters are cut to 32"));
                cut[i] = true;
            }
            col.texts.push_back(text);
        }
    }
    table = std::move(result);
    return true;
}

} // namespace

bool read_csv_file_previous(const std::filesystem::path &file, Table &table, std::string &error)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> handle(std::fopen(file.c_str(), "rb"), &std::fclose);
    if (!handle) {
        error = file.string() + ": the file cannot be opened.";
        return false;
    }
    CharSource source(handle.get());
    std::vector<std::string> warnings;
    return read_table(source, file.string(), table, error, warnings);
}

} // namespace quill::bench
