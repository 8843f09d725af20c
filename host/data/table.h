// A data set held in memory: named columns, each numeric (doubles, missing as the host's missing
// value) or character (texts of at most 32 characters, empty when missing).
#ifndef QUILL_HOST_TABLE_H
#define QUILL_HOST_TABLE_H

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace quill::host {

constexpr size_t max_text_length = 32;

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

struct Column {
    std::string name;
    VarType type = VarType::Numeric;
    std::vector<double> numbers;    // numeric columns
    std::vector<std::string> texts; // character columns
};

struct Table {
    std::vector<Column> columns;
    size_t rows = 0;
};

} // namespace quill::host

#endif
