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

    // The value of column c ("." when the line had none) read from line `line`, by its informat
    // when it has one.
    void store(size_t c, const std::string &field, size_t line, const ValueFormat *informat = nullptr)
    {
        Column &col = table_.columns[c];
        if (informat) {
            store_read(col, field, line, *informat);
            return;
        }
        if (col.type == VarType::Character) {
            std::string text = field == "." ? std::string() : field;
            if (text.size() > max_text_) {
                text.resize(max_text_);
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
    void store_read(Column &col, const std::string &field, size_t line, const ValueFormat &informat)
    {
        if (col.type == VarType::Character) {
            std::string text;
            if (!input_text(field, informat, text))
                note("Invalid data " + quoted_excerpt(field) + " for " + col.name + " in " + where(line) +
                     "; it is set to missing.");
            if (text.size() > max_text_)
                text.resize(max_text_);
            col.texts.push_back(std::move(text));
            return;
        }
        // A list value is read whole, whatever the informat's width.
        ValueFormat whole = informat;
        if (whole.width > 0 && whole.kind != ValueFormat::Kind::User)
            whole.width = std::max(whole.width, static_cast<int>(field.size()));
        double value = missing_value();
        if (!input_number(field, whole, value))
            note("Invalid data " + quoted_excerpt(field) + " for " + col.name + " in " + where(line) +
                 "; it is set to missing.");
        col.numbers.push_back(value);
    }

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

namespace {

// List input: the values of each line split by the layout, taken in order.
void read_split_lines(Session &session, RawValues &values, const RawText &text, const RawLayout &layout,
                      Table &table, RawRecords &records)
{
    const size_t width = table.columns.size();
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
}

// The observations as the INPUT statement's layout reads them: its count of lines each. Column
// and formatted input past the end of a line read blanks (as the data lines' card images are);
// a list value past it is missing, with a note unless MISSOVER or TRUNCOVER says so.
void read_layout_lines(Session &session, RawValues &values, const RawText &text, const RawLayout &layout,
                       const InputLayout &input, Table &table, RawRecords &records)
{
    const size_t width = table.columns.size();
    std::vector<const ValueFormat *> informats(width, nullptr);
    std::vector<ValueFormat> implied(width); // column input's .d: w.d over its columns
    for (const InputItem &item : input.items) {
        if (item.kind != InputItem::Kind::Value)
            continue;
        if (item.has_informat)
            informats[item.column] = &item.informat;
        if (item.mode == InputItem::Mode::Columns && item.implied_decimals >= 0) {
            implied[item.column].kind = ValueFormat::Kind::Fixed;
            implied[item.column].width = static_cast<int>(item.last - item.first + 1);
            implied[item.column].decimals = item.implied_decimals;
            informats[item.column] = &implied[item.column];
        }
    }
    std::vector<LayoutField> fields(width);
    std::vector<std::string_view> lines(input.lines);
    for (size_t k = text.first; k < text.end;) {
        const size_t start = k;
        if (input.lines == 1 && is_blank_line((*text.lines)[k]) && layout.short_lines != ShortLines::Missover) {
            ++k;
            continue; // a blank line holds no values
        }
        if (text.end - k < input.lines) {
            session.log.note("LOST CARD. The observation begun in " + values.where(start) + " needs " +
                             std::to_string(input.lines) + " lines; the data end before them.");
            break;
        }
        for (size_t j = 0; j < input.lines; ++j)
            lines[j] = (*text.lines)[k + j];
        k += input.lines;
        read_layout_record(input, lines, layout.delimiters, fields);
        const size_t found = static_cast<size_t>(
            std::count_if(fields.begin(), fields.end(), [](const LayoutField &f) { return f.found; }));
        if (found < width && layout.short_lines == ShortLines::Noted)
            values.note(values.subject(start) + " has " + std::to_string(found) + " of " + std::to_string(width) +
                        " values; the rest are missing.");
        for (size_t c = 0; c < width; ++c)
            values.store(c, fields[c].found ? fields[c].text : std::string("."), start + fields[c].line,
                         fields[c].found ? informats[c] : nullptr);
        records.lines_through.push_back(k - text.first);
        ++table.rows;
    }
}

} // namespace

// The values of the lines; a text is cut to the longest the output's format stores.
RawRecords read_raw_lines(Session &session, const RawText &text, const RawLayout &layout, size_t max_text_length,
                          const InputLayout &input, Table &table)
{
    RawRecords records;
    records.lines = text.end - text.first;
    for (Column &col : table.columns) {
        if (col.type == VarType::Numeric)
            reserve_or_throw(col.numbers, records.lines);
        else
            reserve_or_throw(col.texts, records.lines);
    }
    reserve_or_throw(records.lines_through, records.lines);
    RawValues values(session, text, max_text_length, table);
    if (input.plain)
        read_split_lines(session, values, text, layout, table, records);
    else
        read_layout_lines(session, values, text, layout, input, table, records);
    // A text's length is its longest value, unless the statement gave it one.
    for (size_t c = 0; c < table.columns.size(); ++c) {
        Column &col = table.columns[c];
        if (col.type != VarType::Character || (c < input.fixed_length.size() && input.fixed_length[c]))
            continue;
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
