// Fuzz target: the CSV reader on arbitrary bytes. A table it accepts is consistent: every column
// has one value per row, a name a data set can store that no other column has, and character
// values of at most 32767 bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "base/names.h"
#include "data/csv/csv_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace quill::host;
    Table table;
    std::string error;
    ReadMessages messages;
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    if (!read_csv_text(text, "fuzz.csv", table, error, messages)) {
        if (error.rfind("fuzz.csv", 0) != 0)
            __builtin_trap();
        return 0;
    }
    NameSet names;
    for (const Column &col : table.columns) {
        const size_t n = col.type == VarType::Numeric ? col.numbers.size() : col.texts.size();
        if (n != table.rows || !is_storable_name(col.name) || !names.insert(col.name))
            __builtin_trap();
        for (const std::string &t : col.texts)
            if (t.size() > csv_max_text_length)
                __builtin_trap();
    }
    return 0;
}
