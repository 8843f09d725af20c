// The FORMAT and INFORMAT statements of a PROC step: `FORMAT variables <format> ...;` gives the
// listed variables of the step's input the format after them for this step (a list with none
// after it shows its variables without one). The DATA step has its own, which also makes
// variables.
#ifndef QUILL_HOST_LANGUAGE_FORMAT_STATEMENT_H
#define QUILL_HOST_LANGUAGE_FORMAT_STATEMENT_H

#include <string>
#include <vector>

#include "data/by_group_order.h"
#include "data/table.h"
#include "language/format_catalog.h"
#include "language/tokenizer.h"

namespace quill::host {

// `tokens` is the statement, its keyword first and its ';' last. False with `error` (its place
// included): a variable not found, a format unknown or of the other type.
bool apply_format_statement(const std::vector<Token> &tokens, const FormatCatalog &catalog,
                            std::vector<Variable> &variables, std::string &error);

// The format a variable is shown with: its own when the catalog (or the built-ins) know it;
// false when it has none or one that cannot be found (shown then as BEST12. or as it is).
bool variable_format(const Variable &variable, const FormatCatalog *catalog, ValueFormat &fmt);

// A value as a listing shows it: in the variable's format, without blanks around it; a number
// without one as BEST12. writes it, a text as it is.
std::string shown_value(const Variable &variable, const ValueFormat *fmt, double number, const std::string &text);

// The formats of a table's columns (false where a column has none), and the values they show.
class ShownValues {
public:
    ShownValues(const Table &table, const FormatCatalog *catalog);
    std::string operator()(const Column &column, size_t row) const;
    std::string operator()(size_t column, size_t row) const { return (*this)(table_.columns[column], row); }
    const ValueFormat *format(size_t column) const { return has_[column] ? &formats_[column] : nullptr; }
    // As a BY line shows values.
    ValueText by_text() const
    {
        return [this](const Column &column, size_t row) { return (*this)(column, row); };
    }

private:
    const Table &table_;
    std::vector<ValueFormat> formats_;
    std::vector<char> has_;
};

} // namespace quill::host

#endif
