// Reading a data set from CSV. Whole buffers are split into records and fields in place (a field
// is a span of the buffer); where a short field ends comes from masks of 64-byte blocks
// (short_field.h), any other field is scanned byte by byte. Describing a file is one pass over every cell: a column is numeric
// until one of its cells is not a number, so a cell such as 007 in a column that turns character
// keeps its characters when the rows are read. A cursor's pass converts only the cells it wants,
// as they were described. Line ends are LF, CR LF or CR alone.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>

#include "base/memory_shortage.h"
#include "base/message_text.h"
#include "base/names.h"
#include "base/number_text.h"
#include "data/csv/csv_store.h"
#include "data/csv/short_field.h"

namespace quill::host {
namespace {

constexpr size_t initial_buffer = size_t{1} << 20;

// One field of the current record: a span of the buffer, valid until the next record is read.
struct Field {
    const char *data = nullptr;
    size_t size = 0;
    bool quoted = false;
    bool escaped = false; // quoted and holding a doubled quote
    bool number = false;    // unquoted and a plain number (plain_number_length): a number, no blanks
    bool converted = false; // unquoted, and read_number gives `value` (in a field the scanner converts)
    double value = 0;
    std::string_view raw() const { return {data, size}; }
};

// The fields of the record last read: the first `count` of `all`, which stays allocated from
// record to record, so that a field is filled where it lies.
struct Record {
    std::vector<Field> all;
    size_t count = 0;
    size_t size() const { return count; }
    const Field &operator[](size_t i) const { return all[i]; }
};

// NeedMore: the record runs past the end of the buffer (scanning only).
enum class Scan { Record, End, Problem, ReadFailure, NeedMore };

// Splits CSV text, from memory or from a file read in large buffers, into records. A file is
// read with pread from the scanner's own offset, so that several scanners share one descriptor.
class RecordScanner {
public:
    explicit RecordScanner(std::string_view text, char separator = ',')
        : data_(text.data()), size_(text.size()), at_end_(true)
    {
        separate_by(separator);
    }
    explicit RecordScanner(int fd, char separator = ',') : fd_(fd), buffer_(initial_buffer), data_(buffer_.data())
    {
        separate_by(separator);
    }

    Scan next(Record &fields)
    {
        for (;;) {
            const Scan scan = scan_record(fields);
            if (scan != Scan::NeedMore)
                return scan;
            if (!refill())
                return Scan::ReadFailure;
        }
    }

    // Numbers in the fields marked here are converted as the record is split, so that their
    // digits are read once; a field it cannot convert so is left to the caller.
    // Such a scanner (a cursor's) does not mark the other fields that are plain numbers.
    void convert(std::vector<char> marks)
    {
        convert_ = std::move(marks);
        classify_ = false;
    }

    int record_line() const { return record_line_; }
    const char *problem() const { return problem_; }
    char separator() const { return separator_; }

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
        block_ = no_block;
        ssize_t got;
        do
            got = ::pread(fd_, buffer_.data() + kept, buffer_.size() - kept, offset_);
        while (got < 0 && errno == EINTR);
        pos_ = 0;
        size_ = kept;
        if (got < 0)
            return false;
        offset_ += got;
        size_ += static_cast<size_t>(got);
        at_end_ = got == 0;
        return true;
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

    Scan scan_record(Record &record)
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
        size_t count = 0;
        for (;;) {
            if (p == size_ && !at_end_)
                return Scan::NeedMore;
            // Filled in place: a field built aside and copied in costs a stalled load per cell.
            if (count == record.all.size())
                record.all.resize(std::max<size_t>(16, 2 * count));
            Field &field = record.all[count++];
            field = Field{};
            field.data = data_ + p;
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
                if (p < size_ && data_[p] != separator_ && data_[p] != '\n' && data_[p] != '\r')
                    return fail("characters follow the closing quote of a value", first_line);
            } else {
                // Most cells of a data set are plain numbers: scanning one finds where it ends.
                size_t q = p;
                const size_t index = count - 1;
                ShortField span;
                if (index < convert_.size() && convert_[index])
                    q = converted_number(p, field);
                else if (short_field(p, span)) {
                    q = p + span.size;
                    // An exponent or a blank is left to the full check.
                    if (classify_)
                        field.number = span.plain_decimal() ||
                                       (span.size > 0 && plain_number_length({data_ + p, span.size}) == span.size);
                } else if (classify_ || !windows_) {
                    q = number_end(p, field);
                }
                if (q == p) // not found yet
                    while (q < size_ && !delimiter(data_[q]))
                        ++q;
                if (q == size_ && !at_end_)
                    return Scan::NeedMore;
                if (q < size_ && data_[q] == '"')
                    return fail("a quote appears inside an unquoted value", first_line);
                field.size = q - p;
                p = q;
            }
            if (p < size_ && data_[p] == separator_) {
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
            record.count = count;
            return Scan::Record;
        }
    }

    // The field at p when it ends within the block of p or the next, from masks of the two
    // blocks (counted from the start of the text in the buffer), which are kept for the fields
    // after it: one field's end is then a shift and a count away from the last one's.
    bool short_field(size_t p, ShortField &field)
    {
        const size_t block = p - p % mask_block;
        if (block != block_) {
            if (!windows_ || size_ < 2 * mask_block || block > size_ - 2 * mask_block)
                return false;
            if (block == block_ + mask_block)
                masks_[0] = masks_[1];
            else if (!block_masks(data_ + block, separator_, masks_[0]))
                return false;
            if (!block_masks(data_ + block + mask_block, separator_, masks_[1]))
                return false;
            block_ = block;
        }
        const size_t shift = p - block;
        std::uint64_t ends = masks_[0].ends >> shift, digits = masks_[0].digits >> shift;
        if (shift != 0) {
            ends |= masks_[1].ends << (mask_block - shift);
            digits |= masks_[1].digits << (mask_block - shift);
        }
        if (ends == 0)
            return false;
        field.data = data_ + p;
        field.size = static_cast<size_t>(std::countr_zero(ends));
        field.digits = digits;
        return true;
    }

    // The end of the plain number at p (plain_number_length) when it is the whole field, which is
    // then marked a number; p when it is not.
    size_t number_end(size_t p, Field &field) const
    {
        const size_t number = plain_number_length({data_ + p, size_ - p});
        if (number == 0 || !(p + number < size_ ? ends_field(data_[p + number]) : at_end_))
            return p;
        field.number = true;
        return p + number;
    }

    // The end of the number at p when it is the whole field and read_number reads it as
    // from_chars does (an optional minus, then a digit or a point: no blank, plus sign, "inf" or
    // "nan"), with its value in `field`; p when it is not.
    size_t converted_number(size_t p, Field &field) const
    {
        const char *first = data_ + p, *const last = data_ + size_;
        const char *digit = first + (first < last && *first == '-');
        if (digit == last || !(*digit == '.' || static_cast<unsigned>(*digit - '0') < 10))
            return p;
        double value;
        const auto [end, ec] = std::from_chars(first, last, value);
        const size_t at = static_cast<size_t>(end - data_);
        if (ec != std::errc() || !(at < size_ ? ends_field(data_[at]) : at_end_))
            return p;
        field.converted = true;
        field.value = value;
        return at;
    }

    bool ends_field(char c) const { return c == separator_ || c == '\n' || c == '\r'; }
    bool delimiter(char c) const { return delimiters_[static_cast<unsigned char>(c)]; }
    void separate_by(char separator)
    {
        separator_ = separator;
        for (unsigned char c : {static_cast<unsigned char>(separator), static_cast<unsigned char>('\n'),
                                static_cast<unsigned char>('\r'), static_cast<unsigned char>('"')})
            delimiters_[c] = true;
        // A separator that may stand in a number ("1.5" with points between values) is left to
        // the byte-by-byte scan, which reads a number over it.
        windows_ = std::string_view("0123456789+-.eE").find(separator) == std::string_view::npos;
    }

    char separator_ = ',';
    std::array<bool, 256> delimiters_{};
    std::vector<char> convert_;
    bool classify_ = true; // mark the fields that are plain numbers (Field::number)
    bool windows_ = true;  // short_field finds where fields end
    static constexpr size_t no_block = ~size_t{0};
    size_t block_ = no_block; // where the block of masks_[0] starts in data_; masks_[1]: the next
    std::array<BlockMasks, 2> masks_;
    int fd_ = -1;
    off_t offset_ = 0;
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
    std::string usable(utf8_prefix(name, max_name_length));
    for (char &c : usable)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '_';
    const std::string_view kept = trim(usable);
    return kept.empty() ? "VAR" + std::to_string(column + 1) : std::string(kept);
}

bool read_header(RecordScanner &scanner, const std::string &label, std::vector<std::string> &names,
                 ReadMessages &messages, std::string &error)
{
    Record fields;
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
        // Inside quotes it is: the writer quotes a name that starts with one.
        if (i == 0 && !fields[i].quoted && text.rfind("\xEF\xBB\xBF", 0) == 0)
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
    bool deferred = false;   // turned character after its first row
    bool saw_number = false; // an unquoted cell that is a number
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
    size_t longest = 0;   // bytes of its longest cell as a stored text
    size_t long_row = 0;  // the first cell longer than a stored text may be (long_line 0: none)
    int long_line = 0;
};

// A cell as a stored text: trailing blanks dropped, cut to the longest a value may be (never
// inside a UTF-8 character).
void stored_text(const Field &field, std::string &text)
{
    if (field.escaped)
        text = field_text(field);
    else
        text.assign(field.data, field.size);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    if (text.size() > csv_max_text_length)
        text.resize(utf8_prefix(text, csv_max_text_length).size());
}

// The describing pass: the header, then every record, so that each column's type, its longest text,
// the number of rows and the notes about the cells are known before any row is read for use.
class Describer {
public:
    Describer(RecordScanner &scanner, const std::string &label, const CsvLayout &layout)
        : scanner_(scanner), label_(label), layout_(layout)
    {
    }

    // The description, and the notes and warnings about it, only when the whole file could be read.
    bool describe(Description &description, std::string &error, ReadMessages &messages)
    {
        if (layout_.names && !read_header(scanner_, label_, names_, messages_, error))
            return false;
        states_.resize(names_.size());
        if (!read_rows(error))
            return false;
        if (names_.empty()) {
            error = located(label_, 1, "the file has no rows of data");
            return false;
        }
        report_cuts();
        report();
        description.rows = rows_;
        description.variables.resize(names_.size());
        for (size_t i = 0; i < names_.size(); ++i) {
            Variable &v = description.variables[i];
            v.name = std::move(names_[i]);
            v.type = states_[i].numeric ? VarType::Numeric : VarType::Character;
            v.length = states_[i].numeric ? number_length : std::max<size_t>(states_[i].longest, 1);
        }
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
        const size_t count = fields_.size(), expected = names_.size();
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
            if (scan == Scan::Record && scanner_.record_line() < layout_.first_data_row)
                continue;
            if (scan == Scan::Record && names_.empty()) { // no row of names: VAR1, VAR2 ...
                for (size_t i = 0; i < fields_.size(); ++i)
                    names_.push_back("VAR" + std::to_string(i + 1));
                states_.resize(names_.size());
            }
            if (!record_fits(scan, error))
                return false;
            for (size_t i = 0; i < fields_.size(); ++i)
                take_cell(states_[i], fields_[i]);
            ++rows_;
        }
        return true;
    }

    void take_cell(ColumnState &state, const Field &field)
    {
        // A short plain number: what note_text and number_kind would find of it.
        if (field.number && state.numeric && field.size <= csv_max_text_length) {
            state.longest = std::max(state.longest, field.size);
            state.saw_number = true;
            return;
        }
        note_text(state, field); // a column that turns character later has every cell as a text
        if (state.numeric) {
            const std::string_view cell = trim(field.raw());
            NumberText kind = NumberText::NotNumber;
            if (!field.quoted) {
                if (cell.empty() || cell == ".")
                    kind = NumberText::Number;
                else if (cell == "NA")
                    kind = note_na(state);
                else
                    kind = number_kind(cell);
            }
            if (kind == NumberText::OutOfRange)
                note_first(state.overflow, cell);
            else if (kind == NumberText::Underflow)
                note_first(state.underflow, cell);
            if (kind != NumberText::NotNumber) {
                state.saw_number = state.saw_number || !(cell.empty() || cell == "." || cell == "NA");
                return;
            }
            turn_character(state, field);
        }
        if (!state.saw_number && !field.quoted)
            state.saw_number = number_kind(field.raw()) != NumberText::NotNumber;
    }

    // The cell's length as a stored text, and whether it is cut; without a copy when it is short.
    void note_text(ColumnState &state, const Field &field)
    {
        std::string_view raw = field.raw();
        if (!field.escaped) {
            while (!raw.empty() && raw.back() == ' ')
                raw.remove_suffix(1);
            if (raw.size() <= csv_max_text_length) {
                state.longest = std::max(state.longest, raw.size());
                return;
            }
        }
        std::string text = field_text(field);
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        if (text.size() > csv_max_text_length && state.long_line == 0) {
            state.long_line = scanner_.record_line();
            state.long_row = rows_;
        }
        stored_text(field, text);
        state.longest = std::max(state.longest, text.size());
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

    void turn_character(ColumnState &state, const Field &field)
    {
        state.numeric = false;
        state.first_text = quoted_excerpt(field_text(field));
        state.first_text_quoted = field.quoted;
        state.first_text_line = scanner_.record_line();
        state.deferred = rows_ > 0;
    }

    // One warning per character column with a value cut, at its first: first the columns that
    // were character from their first row, then those that turned character later, each group in
    // the order of those cells in the file.
    void report_cuts()
    {
        for (const bool deferred : {false, true}) {
            std::vector<size_t> cut;
            for (size_t i = 0; i < states_.size(); ++i)
                if (!states_[i].numeric && states_[i].deferred == deferred && states_[i].long_line > 0)
                    cut.push_back(i);
            std::stable_sort(cut.begin(), cut.end(),
                             [&](size_t a, size_t b) { return states_[a].long_row < states_[b].long_row; });
            for (size_t i : cut)
                messages_.emplace_back(LineClass::Warning,
                                       located(label_, states_[i].long_line,
                                               "values of " + names_[i] + " longer than " + std::to_string(csv_max_text_length) +
                                                   " bytes are cut to " + std::to_string(csv_max_text_length)));
        }
    }

    // Notes and warnings, column by column, about cells that were not plain numbers.
    void report()
    {
        for (size_t i = 0; i < states_.size(); ++i) {
            const ColumnState &s = states_[i];
            const std::string &name = names_[i];
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
    const CsvLayout &layout_;
    std::vector<std::string> names_;
    ReadMessages messages_;
    std::vector<ColumnState> states_;
    Record fields_;
    size_t rows_ = 0;
};

// Where a data set's text is: an open file or text in memory, shared by the source and its cursors.
struct CsvData {
    CsvData() = default;
    CsvData(const CsvData &) = delete;
    CsvData &operator=(const CsvData &) = delete;
    ~CsvData()
    {
        if (fd >= 0)
            ::close(fd);
    }
    RecordScanner scanner() const
    {
        return fd >= 0 ? RecordScanner(fd, layout.delimiter) : RecordScanner(std::string_view(text), layout.delimiter);
    }

    int fd = -1;
    std::string text;
    std::string label;
    CsvLayout layout;
};

// One pass over the rows: each record is checked against the description and its wanted cells
// converted as they were described.
class CsvCursor : public RowCursor {
public:
    CsvCursor(std::shared_ptr<const CsvData> data, const Description &description, const std::vector<bool> &wanted)
        : data_(std::move(data)), scanner_(data_->scanner()), rows_(description.rows), layout_(data_->layout)
    {
        types_.reserve(description.variables.size());
        numbers_.resize(description.variables.size());
        for (size_t i = 0; i < description.variables.size(); ++i) {
            types_.push_back(description.variables[i].type);
            if (wanted.empty() || (i < wanted.size() && wanted[i])) {
                wanted_.push_back(i);
                numbers_[i] = types_[i] == VarType::Numeric;
            }
        }
    }

    Step next(Row &row, std::string &error) override
    {
        if (!started_) { // the header, already described
            started_ = true;
            const Scan scan = layout_.names ? scanner_.next(fields_) : Scan::Record;
            if (scan != Scan::Record || (layout_.names && fields_.size() != types_.size()))
                return scan == Scan::ReadFailure ? cannot_read(error) : changed(error);
            scanner_.convert(std::move(numbers_));
        }
        Scan scan = scanner_.next(fields_);
        while (scan == Scan::Record && scanner_.record_line() < layout_.first_data_row)
            scan = scanner_.next(fields_);
        if (scan == Scan::End)
            return read_ == rows_ ? Step::End : changed(error);
        if (scan == Scan::ReadFailure)
            return cannot_read(error);
        if (scan != Scan::Record || fields_.size() != types_.size() || read_ == rows_)
            return changed(error);
        for (size_t i : wanted_) {
            const Field &field = fields_[i];
            if (types_[i] == VarType::Character) {
                stored_text(field, row.texts[i]);
                continue;
            }
            if (field.converted) {
                row.numbers[i] = field.value;
                continue;
            }
            double value = missing_value();
            const std::string_view cell = trim(field.raw());
            if (field.quoted ||
                (!(cell.empty() || cell == "." || cell == "NA") && read_number(cell, value) == NumberText::NotNumber))
                return changed(error);
            row.numbers[i] = value;
        }
        ++read_;
        return Step::Row;
    }

private:
    Step cannot_read(std::string &error)
    {
        error = data_->label + ": the file cannot be read.";
        return Step::Failed;
    }
    Step changed(std::string &error)
    {
        error = data_->label + ": the file changed while it was read.";
        return Step::Failed;
    }

    std::shared_ptr<const CsvData> data_;
    RecordScanner scanner_;
    std::vector<VarType> types_;
    std::vector<size_t> wanted_;
    std::vector<char> numbers_; // the wanted numeric columns
    Record fields_;
    size_t rows_;
    CsvLayout layout_;
    size_t read_ = 0;
    bool started_ = false;
};

class CsvSource : public TableSource {
public:
    CsvSource(std::shared_ptr<const CsvData> data, Description description)
        : data_(std::move(data)), description_(std::move(description))
    {
    }
    const Description &describe() const override { return description_; }
    std::unique_ptr<RowCursor> rows(const std::vector<bool> &wanted, std::string &) const override
    {
        return std::make_unique<CsvCursor>(data_, description_, wanted);
    }

private:
    std::shared_ptr<const CsvData> data_;
    Description description_;
};

std::unique_ptr<TableSource> described(std::shared_ptr<CsvData> data, ReadMessages &messages, std::string &error)
{
    RecordScanner scanner = data->scanner();
    Description description;
    if (!Describer(scanner, data->label, data->layout).describe(description, error, messages))
        return nullptr;
    return std::make_unique<CsvSource>(std::move(data), std::move(description));
}

std::unique_ptr<TableSink> create_sink(const std::filesystem::path &file, const std::string &)
{
    return create_csv_sink(file);
}

} // namespace

const Format &csv_format()
{
    static const Format format{"CSV", ".csv", csv_max_text_length, open_csv_file, create_sink};
    return format;
}

std::unique_ptr<TableSource> open_delimited_file(const std::filesystem::path &file, const CsvLayout &layout,
                                                 ReadMessages &messages, std::string &error)
{
    auto data = std::make_shared<CsvData>();
    data->label = excerpt(file.string(), path_excerpt_length);
    data->layout = layout;
    data->fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (data->fd < 0) {
        error = data->label + ": the file cannot be opened (" + std::strerror(errno) + ").";
        return nullptr;
    }
    return described(std::move(data), messages, error);
}

std::unique_ptr<TableSource> open_csv_file(const std::filesystem::path &file, ReadMessages &messages,
                                           std::string &error)
{
    return open_delimited_file(file, CsvLayout{}, messages, error);
}

std::unique_ptr<TableSource> open_csv_text(std::string text, const std::string &label, ReadMessages &messages,
                                           std::string &error)
{
    auto data = std::make_shared<CsvData>();
    data->text = std::move(text);
    data->label = label;
    return described(std::move(data), messages, error);
}

bool read_csv_file(const std::filesystem::path &file, Table &table, std::string &error, ReadMessages &messages)
{
    const std::unique_ptr<TableSource> source = open_csv_file(file, messages, error);
    return source && read_table(*source, {}, table, error);
}

bool read_csv_text(std::string_view text, const std::string &label, Table &table, std::string &error,
                   ReadMessages &messages)
{
    const std::unique_ptr<TableSource> source = open_csv_text(std::string(text), label, messages, error);
    return source && read_table(*source, {}, table, error);
}

} // namespace quill::host
