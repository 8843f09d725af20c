// The virtual table through which SQLite reads a table the host holds in memory. A scan reads
// the rows in order; an equality (= or IS) on one column is served from that column's order,
// sorted once when first asked for; a GROUP BY, DISTINCT or ORDER BY on the table's own columns
// is served the same way, so that SQLite need not sort a copy of the rows. The plan's costs count
// the values of a column looked up and whether the table's columns fit the processor's cache.
// Texts are handed over without their trailing blanks and a blank text as NULL, numbers as
// doubles and a missing one as NULL: the forms the translated statements compare.
#ifndef QUILL_HOST_LANGUAGE_SQL_SQL_TABLE_MODULE_H
#define QUILL_HOST_LANGUAGE_SQL_SQL_TABLE_MODULE_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/table.h"

struct sqlite3;

namespace quill::host {

struct SqlAttachedTable {
    const Table *table = nullptr;
    std::vector<VarType> types; // of each declared column c0, c1, ...
    std::vector<int> columns;   // the table's column of each declared one; -1 when not read
    // Row orders already sorted, by the keys they were sorted on ("3a,5d": column and direction).
    std::map<std::string, std::vector<uint32_t>> orders;
    std::vector<double> distinct; // per declared column: how many values it holds (0: not counted yet)
    std::vector<const std::vector<uint32_t> *> lookups; // per declared column looked up: its order
};

// Registers the module `quill_table`; `CREATE VIRTUAL TABLE temp.x USING quill_table(K)` then
// makes tables[K] readable as x.
bool register_table_module(sqlite3 *db, std::vector<std::unique_ptr<SqlAttachedTable>> *tables);

// Text without its trailing blanks: the form a text takes in the engine.
inline size_t trimmed_length(const std::string &text)
{
    size_t n = text.size();
    while (n > 0 && text[n - 1] == ' ')
        --n;
    return n;
}

// SAS's order of texts: the shorter padded with blanks. Negative, 0 or positive.
int compare_padded(const char *a, size_t a_size, const char *b, size_t b_size);

} // namespace quill::host

#endif
