#include "language/format_statement.h"

#include "base/message_text.h"
#include "base/names.h"
#include "base/number_text.h"
#include "language/expression.h"
#include "language/variable_lists.h"

namespace quill::host {

bool apply_format_statement(const std::vector<Token> &tokens, const FormatCatalog &catalog,
                            std::vector<Variable> &variables, std::string &error)
{
    const bool informat = upper_case(tokens.front().text) == "INFORMAT";
    const std::string statement = informat ? "INFORMAT" : "FORMAT";
    const size_t end = tokens.size() - 1;
    std::vector<Token> list;
    for (size_t pos = 1;;) {
        const bool at_end = pos >= end;
        if (!at_end && !format_token_at(tokens, pos, end)) {
            list.push_back(tokens[pos++]);
            continue;
        }
        const Token &at = tokens[std::min(pos, end)];
        ValueFormat fmt;
        std::string message;
        if (!at_end && !parse_value_format(tokens, pos, end, informat, &catalog, fmt, message)) {
            error = at_place(message.rfind("expected", 0) == 0 ? "Syntax error in the " + statement + " statement: " + message
                                                                : message,
                             at);
            return false;
        }
        std::vector<int> numbers;
        if (!resolve_variable_list(list, variables, numbers, message)) {
            error = at_line(message, list.empty() ? at.line : list.front().line);
            return false;
        }
        for (const int n : numbers) {
            Variable &v = variables[static_cast<size_t>(n - 1)];
            if (!at_end && fmt.character() != (v.type == VarType::Character)) {
                error = at_place("The " + std::string(informat ? "informat " : "format ") + fmt.name() +
                                     (fmt.character() ? " is for character values, and " : " is for numbers, and ") +
                                     v.name + (fmt.character() ? " is numeric" : " is character"),
                                 at);
                return false;
            }
            (informat ? v.informat : v.format) = at_end ? std::string() : fmt.name();
        }
        list.clear();
        if (at_end)
            return true;
    }
}

bool variable_format(const Variable &variable, const FormatCatalog *catalog, ValueFormat &fmt)
{
    std::string ignored;
    return !variable.format.empty() && parse_format_text(variable.format, false, catalog, fmt, ignored) &&
           fmt.character() == (variable.type == VarType::Character);
}

std::string shown_value(const Variable &variable, const ValueFormat *fmt, double number, const std::string &text)
{
    if (variable.type == VarType::Numeric)
        return fmt ? shown_number(number, *fmt) : best_text(number);
    return fmt ? shown_text(text, *fmt) : text;
}

ShownValues::ShownValues(const Table &table, const FormatCatalog *catalog)
    : table_(table), formats_(table.columns.size()), has_(table.columns.size(), 0)
{
    for (size_t c = 0; c < table.columns.size(); ++c)
        has_[c] = variable_format(table.columns[c], catalog, formats_[c]);
}

std::string ShownValues::operator()(const Column &column, size_t row) const
{
    const size_t c = static_cast<size_t>(&column - table_.columns.data());
    const bool numeric = column.type == VarType::Numeric;
    return shown_value(column, format(c), numeric ? column.numbers[row] : 0, numeric ? std::string() : column.texts[row]);
}

} // namespace quill::host
