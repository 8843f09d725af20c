// List INPUT: values separated by blanks (or the delimiters INFILE gives), '$' after a name makes
// it character, '.' is a missing value. Names follow the rules a data set is read back with, so
// whatever the step writes can be read again. The lines are read whole before the step runs;
// the INPUT statement then reads them one observation at a time.
#include <algorithm>
#include <cctype>

#include "base/memory_shortage.h"
#include "base/message_text.h"
#include "base/names.h"
#include "base/number_text.h"
#include "language/variable_lists.h"
#include "steps/data_step/datalines_input.h"

namespace quill::host {
namespace {

constexpr int max_value_notes = 10;

} // namespace

// INPUT a b $ c1-c3 'my var'n; appends the columns to `table`.
bool read_input_statement(Session &session, const Statement &s, Table &table)
{
    const auto &t = s.tokens;
    NameSet names;
    auto add = [&](const std::string &name, const Token &at) {
        if (at.kind == TokenKind::NameLiteral && !is_storable_name(name)) {
            session.log.error(at_line("The name literal " + excerpt(at.source) +
                                          " cannot name a variable: a name has 1 to 32 characters, no control "
                                          "characters, and neither begins nor ends with a blank",
                                      at.line));
            return false;
        }
        if (at.kind != TokenKind::NameLiteral && !is_valid_name(name)) {
            session.log.error(at_line(quoted_excerpt(name) + " is not a valid variable name", at.line));
            return false;
        }
        if (!names.insert(name)) {
            session.log.error(at_line("Variable " + upper_case(name) + " appears twice in the INPUT statement", at.line));
            return false;
        }
        Column col;
        col.name = name;
        table.columns.push_back(std::move(col));
        return true;
    };
    for (size_t i = 1; i + 1 < t.size();) {
        const Token &name = t[i];
        if (name.kind != TokenKind::Name && name.kind != TokenKind::NameLiteral) {
            session.log.error(
                at_line("A variable name is expected in the INPUT statement at " + quoted_excerpt(name.source), name.line));
            return false;
        }
        const size_t first_new = table.columns.size();
        if (i + 2 < t.size() && is_punct(t[i + 1], '-') && t[i + 2].kind == TokenKind::Name) {
            std::string p1, p2;
            long n1 = 0, n2 = 0;
            // At most a million names, as six digits allowed before.
            if (!split_numbered_name(name.text, p1, n1) || !split_numbered_name(t[i + 2].text, p2, n2) ||
                !same_name(p1, p2) || n2 - n1 > 999999 ||
                n1 > n2) {
                session.log.error(at_line("The range " + name.text + "-" + t[i + 2].text +
                                              " needs names with the same prefix and rising numbers",
                                          name.line));
                return false;
            }
            const size_t needed = table.columns.size() + static_cast<size_t>(n2 - n1 + 1);
            if (needed > table.columns.capacity()) {
                reserve_or_throw(table.columns, std::max(needed, 2 * table.columns.capacity()));
                names.reserve(table.columns.capacity());
            }
            for (long k = n1; k <= n2; ++k)
                if (!add(p1 + std::to_string(k), name))
                    return false;
            i += 3;
        } else {
            if (!add(name.text, name))
                return false;
            ++i;
        }
        if (i + 1 < t.size() && is_punct(t[i], '$')) {
            for (size_t c = first_new; c < table.columns.size(); ++c)
                table.columns[c].type = VarType::Character;
            ++i;
        }
    }
    if (table.columns.empty()) {
        session.log.error(at_line("The INPUT statement names no variables", s.line()));
        return false;
    }
    return true;
}

namespace {

bool is_blank_line(const std::string &line)
{
    return line.find_first_not_of(" \t") == std::string::npos;
}

void trim_blanks(std::string &text)
{
    const size_t last = text.find_last_not_of(' ');
    text.erase(last == std::string::npos ? 0 : last + 1);
    text.erase(0, std::min(text.size(), text.find_first_not_of(' ')));
}

// Turns the values of raw lines into the columns of the observations, with the notes about them.
class RawValues {
public:
    RawValues(Session &session, const RawText &text, size_t max_text_length, Table &table)
        : session_(session), text_(text), max_text_(max_text_length), table_(table),
          cut_(table.columns.size(), false), out_of_range_(table.columns.size(), false),
          underflow_(table.columns.size(), false)
    {
    }
    ~RawValues()
    {
        if (notes_ > max_value_notes)
            session_.log.note(std::to_string(notes_ - max_value_notes) + " more notes about data values are not shown.");
    }

    // "data line 5" or "line 5 of the infile 'scores.txt'".
    std::string where(size_t line) const
    {
        std::string text = text_.infile.empty() ? "data line " : "line ";
        text.append(std::to_string(text_.number_of_first + static_cast<long long>(line)));
        if (!text_.infile.empty())
            text.append(" of the infile ").append(text_.infile);
        return text;
    }
    // The same at the start of a sentence.
    std::string subject(size_t line) const
    {
        std::string text = where(line);
        if (text_.infile.empty())
            text.insert(0, "The ");
        else
            text[0] = 'L';
        return text;
    }

    void note(const std::string &text)
    {
        if (notes_++ < max_value_notes)
            session_.log.note(text);
    }

    // The value of column c ("." when the line had none) read from line `line`.
    void store(size_t c, const std::string &field, size_t line)
    {
        Column &col = table_.columns[c];
        if (col.type == VarType::Character) {
            std::string text = field == "." ? std::string() : field;
            if (text.size() > max_text_) {
                text.resize(utf8_prefix(text, max_text_).size());
                if (!cut_[c])
                    session_.log.warning("Values of " + col.name + " longer than " + std::to_string(max_text_) +
                                         " characters are cut to " + std::to_string(max_text_) + " (" +
                                         where(line) + ").");
                cut_[c] = true;
            }
            col.texts.push_back(std::move(text));
            return;
        }
        double value = missing_value();
        const NumberText kind = field == "." || field.empty() ? NumberText::Number : read_number(field, value);
        if (kind == NumberText::NotNumber) {
            note("Invalid numeric value " + quoted_excerpt(field) + " for " + col.name + " in " + where(line) +
                 "; it is set to missing.");
        } else if (kind == NumberText::OutOfRange && !out_of_range_[c]) {
            session_.log.warning("The value " + quoted_excerpt(field) + " of " + col.name + " in " + where(line) +
                                 " is out of range; such values are set to missing.");
            out_of_range_[c] = true;
        } else if (kind == NumberText::Underflow && !underflow_[c]) {
            session_.log.note("The value " + quoted_excerpt(field) + " of " + col.name + " in " + where(line) +
                              " is too close to zero for a number; such values are read as 0.");
            underflow_[c] = true;
        }
        col.numbers.push_back(value); // still missing unless it was read
    }

private:
    Session &session_;
    const RawText &text_;
    size_t max_text_;
    Table &table_;
    std::vector<bool> cut_, out_of_range_, underflow_;
    int notes_ = 0;
};

} // namespace

std::vector<std::string> split_raw_line(const std::string &line, const RawLayout &layout)
{
    std::vector<std::string> fields;
    if (is_blank_line(line))
        return fields;
    const std::string delimiters = !layout.delimiters.empty() ? layout.delimiters : layout.dsd ? "," : " \t";
    auto delimiter = [&](char c) { return delimiters.find(c) != std::string::npos; };
    size_t i = 0;
    if (!layout.dsd) { // a run of delimiters separates two values
        while (i < line.size()) {
            while (i < line.size() && delimiter(line[i]))
                ++i;
            const size_t start = i;
            while (i < line.size() && !delimiter(line[i]))
                ++i;
            if (i > start) {
                fields.push_back(line.substr(start, i - start));
                trim_blanks(fields.back());
            }
        }
        return fields;
    }
    for (;;) { // each delimiter ends a value; a quoted value may hold delimiters and doubled quotes
        while (i < line.size() && line[i] == ' ' && !delimiter(' '))
            ++i;
        std::string value;
        if (i < line.size() && (line[i] == '"' || line[i] == '\'')) {
            const char quote = line[i++];
            for (; i < line.size(); ++i) {
                if (line[i] == quote && (i + 1 >= line.size() || line[i + 1] != quote)) {
                    ++i;
                    break;
                }
                if (line[i] == quote)
                    ++i;
                value += line[i];
            }
        }
        while (i < line.size() && !delimiter(line[i]))
            value += line[i++];
        trim_blanks(value);
        fields.push_back(std::move(value));
        if (i >= line.size())
            break;
        ++i; // a delimiter at the end of the line leaves an empty last value
    }
    return fields;
}

// The values of the lines; a text is cut to the longest the output's format stores.
RawRecords read_raw_lines(Session &session, const RawText &text, const RawLayout &layout, size_t max_text_length,
                          Table &table)
{
    RawRecords records;
    records.lines = text.end - text.first;
    const size_t width = table.columns.size();
    for (Column &col : table.columns) {
        if (col.type == VarType::Numeric)
            reserve_or_throw(col.numbers, records.lines);
        else
            reserve_or_throw(col.texts, records.lines);
    }
    reserve_or_throw(records.lines_through, records.lines);
    RawValues values(session, text, max_text_length, table);
    std::vector<std::string> fields, taken;
    std::vector<size_t> from; // the line each value was taken from
    auto take = [&](size_t line) {
        fields = split_raw_line((*text.lines)[line], layout);
        for (size_t f = 0; f < fields.size() && taken.size() < width; ++f) {
            taken.push_back(std::move(fields[f]));
            from.push_back(line);
        }
    };
    const std::string missing(".");
    for (size_t k = text.first; k < text.end;) {
        const size_t line = k++;
        taken.clear();
        from.clear();
        take(line);
        if (fields.empty() && layout.short_lines != ShortLines::Missover)
            continue; // a blank line holds no values
        if (layout.short_lines == ShortLines::Noted && fields.size() > width)
            values.note(values.subject(line) + " has more values than the INPUT statement names; the extra ones "
                                               "are ignored.");
        if (taken.size() < width && layout.short_lines == ShortLines::Noted)
            values.note(values.subject(line) + " has " + std::to_string(taken.size()) + " of " +
                        std::to_string(width) + " values; the rest are missing.");
        if (layout.short_lines == ShortLines::Flowover) {
            while (taken.size() < width && k < text.end) {
                records.went_to_new_line = true;
                take(k++);
            }
            if (taken.size() < width) {
                session.log.note("LOST CARD. The values begun in " + values.where(line) +
                                 " run out at the end of the data and make no observation.");
                break;
            }
        }
        for (size_t c = 0; c < width; ++c)
            values.store(c, c < taken.size() ? taken[c] : missing, c < taken.size() ? from[c] : line);
        records.lines_through.push_back(k - text.first);
        ++table.rows;
    }
    for (Column &col : table.columns)
        if (col.type == VarType::Character) {
            col.length = 1;
            for (const std::string &value : col.texts)
                col.length = std::max(col.length, value.size());
        }
    return records;
}

namespace {

class TableCursor : public RowCursor {
public:
    explicit TableCursor(std::shared_ptr<const Table> table) : table_(std::move(table)) {}
    Step next(Row &row, std::string &) override
    {
        if (at_ >= table_->rows)
            return Step::End;
        for (size_t c = 0; c < table_->columns.size(); ++c) {
            const Column &col = table_->columns[c];
            if (col.type == VarType::Numeric)
                row.numbers[c] = col.numbers[at_];
            else
                row.texts[c] = col.texts[at_];
        }
        ++at_;
        return Step::Row;
    }

private:
    std::shared_ptr<const Table> table_;
    size_t at_ = 0;
};

class TableHolder : public TableSource {
public:
    explicit TableHolder(Table table) : table_(std::make_shared<const Table>(std::move(table)))
    {
        description_.variables.assign(table_->columns.begin(), table_->columns.end());
        description_.rows = table_->rows;
    }
    const Description &describe() const override { return description_; }
    std::unique_ptr<RowCursor> rows(const std::vector<bool> &, std::string &) const override
    {
        return std::make_unique<TableCursor>(table_);
    }

private:
    std::shared_ptr<const Table> table_;
    Description description_;
};

} // namespace

std::shared_ptr<const TableSource> table_source(Table table) { return std::make_shared<TableHolder>(std::move(table)); }

} // namespace quill::host
