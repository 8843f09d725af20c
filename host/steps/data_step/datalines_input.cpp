// INPUT with DATALINES: list input, values separated by blanks, '$' after a name makes it
// character, '.' is a missing value. Names follow the rules a data set is read back with, so
// whatever the step writes can be read again. The lines are read whole before the step runs;
// the INPUT statement then reads them one observation at a time.
#include <algorithm>
#include <cctype>

#include "base/memory_shortage.h"
#include "base/message_text.h"
#include "base/names.h"
#include "base/number_text.h"
#include "steps/data_step/datalines_input.h"

namespace quill::host {
namespace {

constexpr int max_value_notes = 10;

bool split_numbered(const std::string &name, std::string &prefix, long &number)
{
    size_t digits = name.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1])))
        --digits;
    if (digits == name.size() || digits == 0 || name.size() - digits > 6)
        return false;
    prefix = name.substr(0, digits);
    number = std::stol(name.substr(digits));
    return true;
}

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
            if (!split_numbered(name.text, p1, n1) || !split_numbered(t[i + 2].text, p2, n2) || !same_name(p1, p2) ||
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

std::vector<std::string> split_fields(const std::string &line)
{
    std::vector<std::string> fields;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

} // namespace

// The values of the data lines; a text is cut to the longest the output's format stores.
void read_data_lines(Session &session, const Step &step, size_t max_text_length, Table &table)
{
    int notes = 0;
    auto note = [&](const std::string &text) {
        if (notes++ < max_value_notes)
            session.log.note(text);
    };
    std::vector<bool> cut(table.columns.size(), false), out_of_range(table.columns.size(), false),
        underflow(table.columns.size(), false);
    for (Column &col : table.columns) {
        if (col.type == VarType::Numeric)
            reserve_or_throw(col.numbers, step.data_lines.size());
        else
            reserve_or_throw(col.texts, step.data_lines.size());
    }
    for (size_t k = 0; k < step.data_lines.size(); ++k) {
        const std::vector<std::string> fields = split_fields(step.data_lines[k]);
        if (fields.empty())
            continue;
        const std::string where = "data line " + std::to_string(step.first_data_line + static_cast<int>(k));
        if (fields.size() < table.columns.size())
            note("The " + where + " has " + std::to_string(fields.size()) + " of " +
                 std::to_string(table.columns.size()) + " values; the rest are missing.");
        else if (fields.size() > table.columns.size())
            note("The " + where + " has more values than the INPUT statement names; the extra ones are ignored.");
        for (size_t c = 0; c < table.columns.size(); ++c) {
            Column &col = table.columns[c];
            const std::string field = c < fields.size() ? fields[c] : std::string(".");
            if (col.type == VarType::Character) {
                std::string text = field == "." ? std::string() : field;
                if (text.size() > max_text_length) {
                    text.resize(max_text_length);
                    if (!cut[c])
                        session.log.warning("Values of " + col.name + " longer than " +
                                            std::to_string(max_text_length) + " characters are cut to " +
                                            std::to_string(max_text_length) + " (" + where + ").");
                    cut[c] = true;
                }
                col.texts.push_back(std::move(text));
                continue;
            }
            double value = missing_value();
            const NumberText kind = field == "." ? NumberText::Number : read_number(field, value);
            if (kind == NumberText::NotNumber) {
                note("Invalid numeric value " + quoted_excerpt(field) + " for " + col.name + " in " + where +
                     "; it is set to missing.");
            } else if (kind == NumberText::OutOfRange && !out_of_range[c]) {
                session.log.warning("The value " + quoted_excerpt(field) + " of " + col.name + " in " + where +
                                    " is out of range; such values are set to missing.");
                out_of_range[c] = true;
            } else if (kind == NumberText::Underflow && !underflow[c]) {
                session.log.note("The value " + quoted_excerpt(field) + " of " + col.name + " in " + where +
                                 " is too close to zero for a number; such values are read as 0.");
                underflow[c] = true;
            }
            col.numbers.push_back(value); // still missing unless it was read
        }
        ++table.rows;
    }
    if (notes > max_value_notes)
        session.log.note(std::to_string(notes - max_value_notes) + " more notes about data values are not shown.");
    for (Column &col : table.columns)
        if (col.type == VarType::Character) {
            col.length = 1;
            for (const std::string &text : col.texts)
                col.length = std::max(col.length, text.size());
        }
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
