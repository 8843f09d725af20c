// Data set values and what describes them: a variable (name, type, length, label, format,
// informat), the values of one observation, and a whole data set held in memory, column by
// column. Numbers are doubles, missing as the host's one missing value; a missing text is empty.
// A text holds up to its variable's length in bytes, and a length is at most 32767.
#ifndef QUILL_HOST_DATA_TABLE_H
#define QUILL_HOST_DATA_TABLE_H

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace quill::host {

// The one NaN that stands for a missing numeric value everywhere in the host.
inline double missing_value()
{
    constexpr std::uint64_t bits = 0x7FF8'0000'0000'002EULL;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
inline bool is_missing(double value) { return std::isnan(value); }

enum class VarType { Numeric = 1, Character = 2 };

constexpr size_t number_length = 8;        // bytes of a numeric value
constexpr size_t max_text_length = 32767;  // bytes of the longest text a variable holds

struct Variable {
    std::string name;
    VarType type = VarType::Numeric;
    size_t length = number_length; // bytes of a value: 8 for a number; a text's most
    std::string label = {};        // empty when it has none
    std::string format = {};       // display format ("BEST12."); empty when it has none
    std::string informat = {};     // the informat INPUT reads it with ("DATE9."); empty when it has none
};

// The values of one observation in variable order: numbers[i] for a numeric variable, texts[i]
// for a character one (the other entry is not used).
struct Row {
    std::vector<double> numbers;
    std::vector<std::string> texts;
    void resize(size_t variables)
    {
        numbers.resize(variables);
        texts.resize(variables);
    }
};

// A variable with its values.
struct Column : Variable {
    std::vector<double> numbers;    // numeric columns
    std::vector<std::string> texts; // character columns
};

struct Table {
    std::vector<Column> columns;
    size_t rows = 0;
    // Observation r into `row` (sized to the columns), in column order.
    void copy_row(size_t r, Row &row) const
    {
        for (size_t c = 0; c < columns.size(); ++c) {
            if (columns[c].type == VarType::Numeric)
                row.numbers[c] = columns[c].numbers[r];
            else
                row.texts[c] = columns[c].texts[r];
        }
    }
    // Keeps the first `n` observations.
    void truncate(size_t n)
    {
        if (n >= rows)
            return;
        rows = n;
        for (Column &c : columns)
            c.type == VarType::Numeric ? c.numbers.resize(n) : c.texts.resize(n);
    }
};

} // namespace quill::host

#endif
