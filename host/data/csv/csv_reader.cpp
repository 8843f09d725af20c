// Reading a data set from CSV. Whole buffers are split into records and fields in place (a field
// is a span of the buffer), and each cell is converted as soon as it is read: one pass does the
// work. A column is numeric until one of its cells is not a number; a column that turns character
// after its first row is read again in a second pass for its texts, so that a cell such as 007
// keeps its characters. Line ends are LF, CR LF or CR alone.
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>

#include "base/memory_shortage.h"
#include "base/message_text.h"
#include "base/names.h"
#include "base/number_text.h"
#include "data/csv/csv_store.h"

namespace quill::host {
namespace {

constexpr size_t initial_buffer = size_t{1} << 20;

// One field of the current record: a span of the buffer, valid until the next record is read.
struct Field {
    const char *data = nullptr;
    size_t size = 0;
    bool quoted = false;
    bool escaped = false; // quoted and holding a doubled quote
    std::string_view raw() const { return {data, size}; }
};

// NeedMore: the record runs past the end of the buffer (scanning only).
enum class Scan { Record, End, Problem, ReadFailure, NeedMore };

// Splits CSV text, from memory or from a file read in large buffers, into records.
class RecordScanner {
public:
    explicit RecordScanner(std::string_view text) : data_(text.data()), size_(text.size()), at_end_(true) {}
    explicit RecordScanner(std::FILE *file) : file_(file), buffer_(initial_buffer), data_(buffer_.data()) {}

    // The number of line ends, for sizing the columns; the scanner is back at the start.
    bool count_line_ends(size_t &count)
    {
        count = 0;
        bool after_cr = false; // the previous buffer ended with CR
        for (;;) {
            const char *first = data_ + pos_, *last = data_ + size_;
            for (const char *p = first; p < last && (p = static_cast<const char *>(std::memchr(p, '\n', last - p)));
                 ++p)
                ++count;
            // A CR ends a line too, unless an LF follows and ends it.
            for (const char *p = first; p < last && (p = static_cast<const char *>(std::memchr(p, '\r', last - p)));
                 ++p)
                count += p + 1 == last || p[1] != '\n';
            if (after_cr && first < last && *first == '\n')
                --count;
            after_cr = first < last && last[-1] == '\r';
            if (at_end_)
                break;
            pos_ = size_;
            if (!refill())
                return false;
        }
        return rewind();
    }

    bool rewind()
    {
        line_ = 1;
        pos_ = 0;
        if (!file_)
            return true;
        size_ = 0;
        at_end_ = false;
        return std::fseek(file_, 0, SEEK_SET) == 0;
    }

    Scan next(std::vector<Field> &fields)
    {
        for (;;) {
            const Scan scan = scan_record(fields);
            if (scan != Scan::NeedMore)
                return scan;
            if (!refill())
                return Scan::ReadFailure;
        }
    }

    int record_line() const { return record_line_; }
    const char *problem() const { return problem_; }

private:
    // Keeps the unread bytes (the record being scanned) and reads more after them; a record
    // larger than the buffer makes it grow.
    bool refill()
    {
        const size_t kept = size_ - pos_;
        if (kept == buffer_.size())
            buffer_.resize(buffer_.size() * 2);
        std::memmove(buffer_.data(), buffer_.data() + pos_, kept);
        data_ = buffer_.data();
        const size_t got = std::fread(buffer_.data() + kept, 1, buffer_.size() - kept, file_);
        pos_ = 0;
        size_ = kept + got;
        at_end_ = got == 0;
        return !std::ferror(file_);
    }

    // Line ends inside a quoted value.
    static int line_ends_in(const char *p, size_t n)
    {
        int count = 0;
        for (size_t i = 0; i < n; ++i)
            count += p[i] == '\n' ? (i == 0 || p[i - 1] != '\r') : p[i] == '\r';
        return count;
    }

    // Steps over the line end at p; false when it may be a CR LF split by the end of the buffer.
    bool skip_line_end(size_t &p) const
    {
        if (data_[p] == '\r') {
            if (p + 1 == size_ && !at_end_)
                return false;
            p += p + 1 < size_ && data_[p + 1] == '\n' ? 2 : 1;
        } else {
            ++p;
        }
        return true;
    }

    Scan fail(const char *problem, int line)
    {
        problem_ = problem;
        record_line_ = line;
        return Scan::Problem;
    }

    Scan scan_record(std::vector<Field> &fields)
    {
        size_t p = pos_;
        int line = line_;
        for (;;) { // blank lines
            if (p == size_) {
                if (!at_end_)
                    return Scan::NeedMore;
                pos_ = p;
                return Scan::End;
            }
            if (data_[p] != '\n' && data_[p] != '\r')
                break;
            if (!skip_line_end(p))
                return Scan::NeedMore;
            ++line;
        }
        const int first_line = line;
        fields.clear();
        for (;;) {
            if (p == size_ && !at_end_)
                return Scan::NeedMore;
            Field field{data_ + p, 0, false, false};
            if (p < size_ && data_[p] == '"') {
                field.quoted = true;
                for (size_t from = p + 1;;) {
                    const void *quote = std::memchr(data_ + from, '"', size_ - from);
                    if (!quote)
                        return at_end_ ? fail("a quoted value is not closed", first_line) : Scan::NeedMore;
                    const size_t at = static_cast<size_t>(static_cast<const char *>(quote) - data_);
                    line += line_ends_in(data_ + from, at - from);
                    if (at + 1 == size_ && !at_end_)
                        return Scan::NeedMore;
                    if (at + 1 < size_ && data_[at + 1] == '"') {
                        field.escaped = true;
                        from = at + 2;
                        continue;
                    }
                    field.data = data_ + p + 1;
                    field.size = at - p - 1;
                    p = at + 1;
                    break;
                }
                if (p < size_ && data_[p] != ',' && data_[p] != '\n' && data_[p] != '\r')
                    return fail("characters follow the closing quote of a value", first_line);
            } else {
                size_t q = p;
                while (q < size_ && !delimiter(data_[q]))
                    ++q;
                if (q == size_ && !at_end_)
                    return Scan::NeedMore;
                if (q < size_ && data_[q] == '"')
                    return fail("a quote appears inside an unquoted value", first_line);
                field.size = q - p;
                p = q;
            }
            fields.push_back(field);
            if (p < size_ && data_[p] == ',') {
                ++p;
                continue;
            }
            if (p < size_) {
                if (!skip_line_end(p))
                    return Scan::NeedMore;
                ++line;
            }
            pos_ = p;
            line_ = line;
            record_line_ = first_line;
            return Scan::Record;
        }
    }

    static bool delimiter(char c) { return delimiters[static_cast<unsigned char>(c)]; }
    static constexpr auto delimiters = [] {
        std::array<bool, 256> table{};
        for (unsigned char c : {',', '\n', '\r', '"'})
            table[c] = true;
        return table;
    }();

    std::FILE *file_ = nullptr;
    std::vector<char> buffer_;
    const char *data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
    bool at_end_ = false;
    int line_ = 1;
    int record_line_ = 1;
    const char *problem_ = "";
};

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string field_text(const Field &field)
{
    if (!field.escaped)
        return std::string(field.raw());
    std::string text;
    text.reserve(field.size);
    for (size_t i = 0; i < field.size; ++i) {
        text.push_back(field.data[i]);
        i += field.data[i] == '"'; // the second quote of a pair
    }
    return text;
}

std::string located(const std::string &label, int line, const std::string &problem)
{
    return label + ", line " + std::to_string(line) + ": " + problem + ".";
}

// "(N cells)" after a message about the first of several cells.
std::string cells(size_t count) { return count > 1 ? " (" + std::to_string(count) + " cells)" : std::string(); }

// A header name a variable can have, or the name it gets instead: control characters become
// '_', a long name is cut to 32 bytes and one left empty is VARn.
std::string usable_name(std::string_view name, size_t column)
{
    std::string usable(utf8_prefix(name, max_text_length));
    for (char &c : usable)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '_';
    const std::string_view kept = trim(usable);
    return kept.empty() ? "VAR" + std::to_string(column + 1) : std::string(kept);
}

bool read_header(RecordScanner &scanner, const std::string &label, std::vector<std::string> &names,
                 ReadMessages &messages, std::string &error)
{
    std::vector<Field> fields;
    const Scan scan = scanner.next(fields);
    if (scan == Scan::End) {
        error = located(label, 1, "the file is empty; a header row of variable names is expected");
        return false;
    }
    if (scan != Scan::Record) {
        error = scan == Scan::Problem ? located(label, scanner.record_line(), scanner.problem())
                                      : label + ": the file cannot be read.";
        return false;
    }
    // A column keeps its name when the name can be stored and no column before it has it. The
    // others are repaired only once every kept name is taken, so that a repaired name is never the
    // name of another column: a program naming a column always reads the one the file names so.
    std::vector<std::string> given(fields.size());
    std::vector<bool> kept(fields.size());
    NameSet taken;
    taken.reserve(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        std::string text = field_text(fields[i]);
        // Spreadsheet programs often start the file with a byte order mark; it is not part of a name.
        if (i == 0 && text.rfind("\xEF\xBB\xBF", 0) == 0)
            text.erase(0, 3);
        given[i] = trim(text);
        kept[i] = is_storable_name(given[i]) && taken.insert(given[i]);
    }
    std::string renames;
    names.reserve(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        if (kept[i]) {
            names.push_back(std::move(given[i]));
            continue;
        }
        names.push_back(taken.claim(is_storable_name(given[i]) ? given[i] : usable_name(given[i], i)));
        renames += (renames.empty() ? "" : ", ") + quoted_excerpt(given[i]) + " to " + names.back();
    }
    if (!renames.empty())
        messages.emplace_back(LineClass::Note,
                              located(label, scanner.record_line(),
                                      "header names that a variable cannot have are changed: " + renames));
    return true;
}

// What one column has met so far.
struct ColumnState {
    bool numeric = true;
    bool deferred = false;   // turned character after its first row: texts come in the second pass
    bool saw_number = false; // an unquoted cell that is a number
    bool cut = false;
    std::string first_text;  // the cell that made it character
    bool first_text_quoted = false;
    int first_text_line = 0;
    size_t na_cells = 0;
    int na_line = 0;
    // The first of the cells out of range (too large) and of those too close to zero.
    struct FirstCell {
        size_t cells = 0;
        int line = 0;
        std::string text;
    } overflow, underflow;
};

class TableReader {
public:
    TableReader(RecordScanner &scanner, const std::string &label) : scanner_(scanner), label_(label) {}

    // The table, and the notes and warnings about it, only when the whole file could be read.
    bool read(Table &table, std::string &error, ReadMessages &messages)
    {
        size_t line_ends = 0;
        if (!scanner_.count_line_ends(line_ends))
            return read_failure(error);
        std::vector<std::string> names;
        if (!read_header(scanner_, label_, names, messages_, error))
            return false;
        capacity_ = line_ends; // at least the data rows
        result_.columns.resize(names.size());
        for (size_t i = 0; i < names.size(); ++i) {
            result_.columns[i].name = std::move(names[i]);
            reserve_or_throw(result_.columns[i].numbers, capacity_); // numeric until a cell says otherwise
        }
        states_.resize(names.size());
        if (!read_rows(error) || !read_deferred_texts(error))
            return false;
        report();
        table = std::move(result_);
        messages.insert(messages.end(), messages_.begin(), messages_.end());
        return true;
    }

private:
    bool read_failure(std::string &error)
    {
        error = label_ + ": the file cannot be read.";
        return false;
    }

    // Problems of a record: the scan's, or a count of values that differs from the header.
    bool record_fits(Scan scan, std::string &error)
    {
        if (scan == Scan::ReadFailure)
            return read_failure(error);
        if (scan == Scan::Problem) {
            error = located(label_, scanner_.record_line(), scanner_.problem());
            return false;
        }
        const size_t count = fields_.size(), expected = result_.columns.size();
        if (count == expected)
            return true;
        error = located(label_, scanner_.record_line(),
                        std::to_string(count) + (count == 1 ? " value" : " values") + " where the header names " +
                            std::to_string(expected));
        return false;
    }

    bool read_rows(std::string &error)
    {
        for (Scan scan; (scan = scanner_.next(fields_)) != Scan::End;) {
            if (!record_fits(scan, error))
                return false;
            for (size_t i = 0; i < fields_.size(); ++i)
                take_cell(i, fields_[i]);
            ++result_.rows;
        }
        return true;
    }

    void take_cell(size_t i, const Field &field)
    {
        Column &col = result_.columns[i];
        ColumnState &state = states_[i];
        if (state.numeric) {
            const std::string_view cell = trim(field.raw());
            double value = missing_value();
            NumberText kind = NumberText::NotNumber;
            if (!field.quoted) {
                if (cell.empty() || cell == ".")
                    kind = NumberText::Number;
                else if (cell == "NA")
                    kind = note_na(state);
                else
                    kind = read_number(cell, value);
            }
            if (kind == NumberText::OutOfRange)
                note_first(state.overflow, cell);
            else if (kind == NumberText::Underflow)
                note_first(state.underflow, cell);
            if (kind != NumberText::NotNumber) {
                state.saw_number = state.saw_number || !(cell.empty() || cell == "." || cell == "NA");
                col.numbers.push_back(value);
                return;
            }
            turn_character(col, state, field);
        }
        if (!state.saw_number && !field.quoted) {
            double ignored;
            state.saw_number = read_number(field.raw(), ignored) != NumberText::NotNumber;
        }
        if (!state.deferred)
            add_text(col, state, field, scanner_.record_line());
    }

    NumberText note_na(ColumnState &state)
    {
        if (state.na_cells++ == 0)
            state.na_line = scanner_.record_line();
        return NumberText::Number;
    }

    void note_first(ColumnState::FirstCell &first, std::string_view cell)
    {
        if (first.cells++ == 0) {
            first.line = scanner_.record_line();
            first.text = quoted_excerpt(cell);
        }
    }

    void turn_character(Column &col, ColumnState &state, const Field &field)
    {
        state.numeric = false;
        state.first_text = quoted_excerpt(field_text(field));
        state.first_text_quoted = field.quoted;
        state.first_text_line = scanner_.record_line();
        col.type = VarType::Character;
        std::vector<double>().swap(col.numbers);
        if (result_.rows == 0)
            reserve_or_throw(col.texts, capacity_);
        else
            state.deferred = true;
    }

    void add_text(Column &col, ColumnState &state, const Field &field, int line)
    {
        std::string text = field_text(field);
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        if (text.size() > max_text_length) {
            text.resize(utf8_prefix(text, max_text_length).size());
            if (!state.cut)
                messages_.emplace_back(LineClass::Warning,
                                       located(label_, line, "values of " + col.name +
                                                                 " longer than 32 characters are cut to 32"));
            state.cut = true;
        }
        col.texts.push_back(std::move(text));
    }

    // The second pass: the texts of the columns that turned character after their first row.
    bool read_deferred_texts(std::string &error)
    {
        std::vector<size_t> deferred;
        for (size_t i = 0; i < states_.size(); ++i)
            if (states_[i].deferred) {
                deferred.push_back(i);
                reserve_or_throw(result_.columns[i].texts, result_.rows);
            }
        if (deferred.empty())
            return true;
        if (!scanner_.rewind() || scanner_.next(fields_) != Scan::Record) // the header, already checked
            return read_failure(error);
        for (size_t row = 0; row < result_.rows; ++row) {
            if (scanner_.next(fields_) != Scan::Record || fields_.size() != result_.columns.size()) {
                error = label_ + ": the file changed while it was read.";
                return false;
            }
            for (size_t i : deferred)
                add_text(result_.columns[i], states_[i], fields_[i], scanner_.record_line());
        }
        return true;
    }

    // Notes and warnings, column by column, about cells that were not plain numbers.
    void report()
    {
        for (size_t i = 0; i < states_.size(); ++i) {
            const ColumnState &s = states_[i];
            const std::string &name = result_.columns[i].name;
            if (s.numeric && s.overflow.cells > 0)
                messages_.emplace_back(LineClass::Warning,
                                       located(label_, s.overflow.line,
                                               "the value " + s.overflow.text + " of column " + name +
                                                   " is out of range and is read as a missing value" +
                                                   cells(s.overflow.cells)));
            if (s.numeric && s.underflow.cells > 0)
                messages_.emplace_back(LineClass::Note,
                                       located(label_, s.underflow.line,
                                               "the value " + s.underflow.text + " of column " + name +
                                                   " is too close to zero for a number and is read as 0" +
                                                   cells(s.underflow.cells)));
            if (s.numeric && s.na_cells > 0)
                messages_.emplace_back(LineClass::Note, located(label_, s.na_line,
                                                                "NA in column " + name +
                                                                    " is read as a missing value" +
                                                                    cells(s.na_cells)));
            if (!s.numeric && s.saw_number)
                messages_.emplace_back(LineClass::Note,
                                       located(label_, s.first_text_line,
                                               "column " + name + " is read as character because its value " +
                                                   s.first_text + " here " +
                                                   (s.first_text_quoted ? "is quoted" : "is not a number")));
        }
    }

    RecordScanner &scanner_;
    const std::string &label_;
    ReadMessages messages_;
    Table result_;
    std::vector<ColumnState> states_;
    std::vector<Field> fields_;
    size_t capacity_ = 0;
};

} // namespace

bool read_csv_file(const std::filesystem::path &file, Table &table, std::string &error, ReadMessages &messages)
{
    const std::string label = excerpt(file.string(), path_excerpt_length);
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> handle(std::fopen(file.c_str(), "rb"), &std::fclose);
    if (!handle) {
        error = label + ": the file cannot be opened (" + std::strerror(errno) + ").";
        return false;
    }
    RecordScanner scanner(handle.get());
    return TableReader(scanner, label).read(table, error, messages);
}

bool read_csv_text(std::string_view text, const std::string &label, Table &table, std::string &error,
                   ReadMessages &messages)
{
    RecordScanner scanner(text);
    return TableReader(scanner, label).read(table, error, messages);
}

} // namespace quill::host
