// The layout of a .qds file, little-endian throughout:
//
//   header   8 bytes  "QUILLDS" and 0x1A
//            u32      layout version (2)
//            u32      H, the header's size in bytes (a multiple of 8): the rows begin there
//            u64      the row count, written when the file is complete
//            u64      W, the bytes of a row
//            u32      the variable count, u32 the sort key count
//            then each variable: u8 type (1 numeric, 2 character), three zero bytes, u32 length,
//            and four texts: name, label, format, informat; then each sort key as a text
//            ("DESCENDING b" for a descending one); then the data set's label (LABEL=), empty
//            when it has none. A text is a u32 byte count and its bytes.
//            Zero bytes up to H.
//   rows     W bytes each, the variables in order: a number as its 8 bytes (IEEE double), a text
//            as a u16 byte count and `length` bytes, zero after the value.
//
// So a file is exactly H + rows × W bytes, and a text keeps every byte it had (blanks, NULs).
#ifndef QUILL_HOST_DATA_QDS_QDS_LAYOUT_H
#define QUILL_HOST_DATA_QDS_QDS_LAYOUT_H

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "data/table.h"

namespace quill::host::qds {

constexpr std::string_view magic{"QUILLDS\x1A", 8};
constexpr uint32_t layout_version = 2; // 2: the data set's label after the sort keys
constexpr size_t fixed_header_bytes = 40;
constexpr size_t row_count_offset = 16; // where the row count is written when the file is complete

struct Layout {
    std::vector<Variable> variables;
    std::vector<std::string> sorted_by;
    std::string label; // the data set's
    std::vector<size_t> offsets; // of each variable within a row
    size_t row_width = 0;
    size_t header_bytes = 0;
    uint64_t rows = 0;
};

inline size_t slot_width(const Variable &v) { return v.type == VarType::Numeric ? 8 : 2 + v.length; }

// Fills offsets and row_width from the variables.
void place_variables(Layout &layout);
// The header of a file of `layout` (its rows as given), header_bytes set to its size.
std::string encode_header(Layout &layout);
// H from the fixed part of a header; 0 when the bytes are not a header of a version this build reads.
size_t header_size(std::string_view fixed, std::string &why);
// The layout from a whole header (H bytes); false with `why` when it is damaged.
bool decode_header(std::string_view header, Layout &layout, std::string &why);

// Little-endian numbers in a row or a header.
template <typename T> inline void store(char *at, T value)
{
    std::memcpy(at, &value, sizeof value);
    if constexpr (std::endian::native == std::endian::big)
        std::reverse(at, at + sizeof value);
}
template <typename T> inline T load(const char *at)
{
    char bytes[sizeof(T)];
    std::memcpy(bytes, at, sizeof bytes);
    if constexpr (std::endian::native == std::endian::big)
        std::reverse(bytes, bytes + sizeof bytes);
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

} // namespace quill::host::qds

#endif
