#include "language/sql/sql_table_module.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <numeric>
#include <string_view>

namespace quill::host {

int compare_padded(const char *a, size_t a_size, const char *b, size_t b_size)
{
    const size_t common = std::min(a_size, b_size);
    if (const int c = common ? std::memcmp(a, b, common) : 0; c != 0)
        return c;
    // The longer one goes on; the other is blanks from here.
    const unsigned char *rest = reinterpret_cast<const unsigned char *>(a_size > b_size ? a : b) + common;
    const unsigned char *end = reinterpret_cast<const unsigned char *>(a_size > b_size ? a + a_size : b + b_size);
    for (; rest < end; ++rest)
        if (*rest != ' ')
            return (*rest < ' ' ? -1 : 1) * (a_size > b_size ? 1 : -1);
    return 0;
}

namespace {

// idxNum: the kind of access, and for a lookup the column in the bits above.
enum Access { full_scan = 0, equal_lookup = 1, is_lookup = 2 };

struct TableVtab : sqlite3_vtab {
    SqlAttachedTable *attached = nullptr;
};

struct TableCursor : sqlite3_vtab_cursor {
    const std::vector<uint32_t> *order = nullptr; // null: the rows in their own order
    size_t at = 0, end = 0;
    size_t row() const { return order ? (*order)[at] : at; }
};

const Table &table_of(const SqlAttachedTable &t) { return *t.table; }

// A key of the declared column `c` of row `r` compared with another row's: missing first.
int compare_rows(const SqlAttachedTable &t, int c, uint32_t r, uint32_t s)
{
    const int column = t.columns[static_cast<size_t>(c)];
    if (column < 0)
        return 0;
    const Column &col = table_of(t).columns[static_cast<size_t>(column)];
    if (t.types[static_cast<size_t>(c)] == VarType::Numeric) {
        const double a = col.numbers[r], b = col.numbers[s];
        const bool am = is_missing(a), bm = is_missing(b);
        if (am || bm)
            return am == bm ? 0 : am ? -1 : 1;
        return a < b ? -1 : a > b ? 1 : 0;
    }
    const std::string &a = col.texts[r], &b = col.texts[s];
    return compare_padded(a.data(), trimmed_length(a), b.data(), trimmed_length(b));
}

// The row order by `keys` ("3a,5d"), sorted the first time it is asked for.
const std::vector<uint32_t> &order_by(SqlAttachedTable &t, const std::string &keys)
{
    auto found = t.orders.find(keys);
    if (found != t.orders.end())
        return found->second;
    std::vector<std::pair<int, bool>> parsed; // column, descending
    for (size_t i = 0; i < keys.size();) {
        size_t next = keys.find(',', i);
        if (next == std::string::npos)
            next = keys.size();
        parsed.emplace_back(std::atoi(keys.c_str() + i), keys[next - 1] == 'd');
        i = next + 1;
    }
    std::vector<uint32_t> order(table_of(t).rows);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t r, uint32_t s) {
        for (const auto &[c, descending] : parsed)
            if (const int k = compare_rows(t, c, r, s); k != 0)
                return descending ? k > 0 : k < 0;
        return false;
    });
    return t.orders.emplace(keys, std::move(order)).first->second;
}

// Where the rows whose value `versus` finds equal (0; negative: before it) start and end in `order`.
template <typename Versus>
void equal_range_in(const std::vector<uint32_t> &order, Versus versus, size_t &lo, size_t &hi)
{
    const auto first = std::partition_point(order.begin(), order.end(), [&](uint32_t r) { return versus(r) < 0; });
    lo = static_cast<size_t>(first - order.begin());
    hi = static_cast<size_t>(std::partition_point(first, order.end(), [&](uint32_t r) { return versus(r) == 0; }) -
                             order.begin());
}

// Where the value `v` starts and ends in column c's order.
void equal_range_of(SqlAttachedTable &t, int c, sqlite3_value *v, const std::vector<uint32_t> &order, size_t &lo,
                    size_t &hi)
{
    const int column = t.columns[static_cast<size_t>(c)];
    const bool null = sqlite3_value_type(v) == SQLITE_NULL;
    if (column < 0) {
        lo = 0;
        hi = null ? order.size() : 0;
        return;
    }
    const Column &col = table_of(t).columns[static_cast<size_t>(column)];
    if (t.types[static_cast<size_t>(c)] == VarType::Numeric) {
        const double x = null ? missing_value() : sqlite3_value_double(v);
        const bool x_missing = is_missing(x);
        equal_range_in(order, [&col, x, x_missing](uint32_t r) {
            const double a = col.numbers[r];
            if (is_missing(a) || x_missing)
                return is_missing(a) == x_missing ? 0 : is_missing(a) ? -1 : 1;
            return a < x ? -1 : a > x ? 1 : 0;
        }, lo, hi);
        return;
    }
    const char *x = null ? "" : reinterpret_cast<const char *>(sqlite3_value_text(v));
    const size_t n = null ? 0 : static_cast<size_t>(sqlite3_value_bytes(v));
    equal_range_in(order, [&col, x, n](uint32_t r) {
        const std::string &a = col.texts[r];
        return compare_padded(a.data(), trimmed_length(a), x, n);
    }, lo, hi);
}

// How many different values the declared column `c` holds, counted the first time it is asked
// for: from a table of their hashes, which stops at `cap` (the count is then extrapolated from
// the rows read so far, enough to cost a plan).
double distinct_values(SqlAttachedTable &t, int c)
{
    if (t.distinct.empty())
        t.distinct.assign(t.types.size(), 0);
    double &known = t.distinct[static_cast<size_t>(c)];
    const int column = t.columns[static_cast<size_t>(c)];
    const size_t rows = table_of(t).rows;
    if (known > 0 || column < 0 || rows == 0)
        return known > 0 ? known : 1;
    const Column &col = table_of(t).columns[static_cast<size_t>(column)];
    constexpr size_t cap = size_t{1} << 16, slots = cap * 2;
    std::vector<uint64_t> seen(slots, 0); // 0: empty (a hash of 0 is taken as 1)
    size_t count = 0, r = 0;
    for (; r < rows && count < cap; ++r) {
        uint64_t h;
        if (t.types[static_cast<size_t>(c)] == VarType::Numeric) {
            const double x = col.numbers[r];
            h = is_missing(x) ? 1 : std::hash<double>{}(x == 0 ? 0.0 : x);
        } else {
            const std::string &x = col.texts[r];
            h = std::hash<std::string_view>{}(std::string_view(x.data(), trimmed_length(x)));
        }
        h = (h * 0x9E3779B97F4A7C15ull) | 1;
        for (size_t slot = (h >> 40) % slots;; slot = (slot + 1) % slots) {
            if (seen[slot] == h)
                break;
            if (seen[slot] == 0) {
                seen[slot] = h;
                ++count;
                break;
            }
        }
    }
    known = static_cast<double>(count) * static_cast<double>(rows) / static_cast<double>(r);
    return known;
}

int connect(sqlite3 *db, void *aux, int argc, const char *const *argv, sqlite3_vtab **out, char **error)
{
    auto *tables = static_cast<std::vector<std::unique_ptr<SqlAttachedTable>> *>(aux);
    const size_t k = argc > 3 ? static_cast<size_t>(std::atol(argv[3])) : tables->size();
    if (k >= tables->size()) {
        *error = sqlite3_mprintf("no such attached table");
        return SQLITE_ERROR;
    }
    SqlAttachedTable &t = *(*tables)[k];
    std::string schema = "CREATE TABLE x(";
    for (size_t c = 0; c < t.types.size(); ++c)
        schema += (c ? ", c" : "c") + std::to_string(c) + (t.types[c] == VarType::Numeric ? " REAL" : " TEXT");
    schema += ")";
    if (t.types.empty())
        schema = "CREATE TABLE x(c0 REAL HIDDEN)"; // a table needs a column; this one is never named
    if (const int rc = sqlite3_declare_vtab(db, schema.c_str()); rc != SQLITE_OK)
        return rc;
    auto *vtab = new (std::nothrow) TableVtab();
    if (!vtab)
        return SQLITE_NOMEM;
    vtab->attached = &t;
    *out = vtab;
    return SQLITE_OK;
}

int disconnect(sqlite3_vtab *vtab)
{
    delete static_cast<TableVtab *>(vtab);
    return SQLITE_OK;
}

// The ORDER BY or GROUP BY SQLite asks for, as keys "3a,5d", when this table can give it: every
// term one of its columns. Empty when it cannot.
std::string order_keys(const sqlite3_index_info *info)
{
    std::string keys;
    for (int i = 0; i < info->nOrderBy; ++i) {
        const auto &term = info->aOrderBy[i];
        if (term.iColumn < 0)
            return {};
        if (i)
            keys += ',';
        keys += std::to_string(term.iColumn);
        keys += term.desc ? 'd' : 'a';
    }
    return keys;
}

// The costs SQLite weighs, in rows read in order: a lookup by value costs a few such rows for the
// call and its search, and each row it gives costs one more when the table's columns stay in
// the processor's cache, several when each row is a fetch from memory. So a small table is
// looked up from a large one read in order, and a large one is looked up only for few rows.
int best_index(sqlite3_vtab *vtab, sqlite3_index_info *info)
{
    SqlAttachedTable &t = *static_cast<TableVtab *>(vtab)->attached;
    const double rows = static_cast<double>(std::max<size_t>(table_of(t).rows, 1));
    const double read = static_cast<double>(std::count_if(t.columns.begin(), t.columns.end(), [](int c) { return c >= 0; }));
    const bool cached = rows * read * sizeof(double) <= 2.0 * 1024 * 1024;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto &c = info->aConstraint[i];
        const bool equal = c.op == SQLITE_INDEX_CONSTRAINT_EQ, is = c.op == SQLITE_INDEX_CONSTRAINT_IS;
        if (!c.usable || c.iColumn < 0 || (!equal && !is))
            continue;
        info->aConstraintUsage[i].argvIndex = 1;
        info->aConstraintUsage[i].omit = 1;
        info->idxNum = (equal ? equal_lookup : is_lookup) | (c.iColumn << 2);
        const double each = std::max(1.0, rows / distinct_values(t, c.iColumn));
        info->estimatedCost = 3 + 0.1 * std::log2(rows) + each * (cached ? 1 : 8);
        info->estimatedRows = static_cast<sqlite3_int64>(std::ceil(each));
        return SQLITE_OK;
    }
    info->idxNum = full_scan;
    info->estimatedCost = rows;
    info->estimatedRows = static_cast<sqlite3_int64>(rows);
    // Rows in an order asked for: sorted here once, on the table's own values. SAS's order of
    // missing values (first) and of texts (blank-padded) is the order the statements ask for.
    if (const std::string keys = order_keys(info); !keys.empty()) {
        info->idxStr = sqlite3_mprintf("%s", keys.c_str());
        info->needToFreeIdxStr = 1;
        info->orderByConsumed = 1;
        info->estimatedCost = rows * 1.05;
    }
    return SQLITE_OK;
}

int open_cursor(sqlite3_vtab *, sqlite3_vtab_cursor **out)
{
    auto *cursor = new (std::nothrow) TableCursor();
    if (!cursor)
        return SQLITE_NOMEM;
    *out = cursor;
    return SQLITE_OK;
}

int close_cursor(sqlite3_vtab_cursor *cursor)
{
    delete static_cast<TableCursor *>(cursor);
    return SQLITE_OK;
}

int filter(sqlite3_vtab_cursor *base, int idx_num, const char *idx_str, int argc, sqlite3_value **argv)
{
    auto *cursor = static_cast<TableCursor *>(base);
    SqlAttachedTable &t = *static_cast<TableVtab *>(base->pVtab)->attached;
    try {
        const int access = idx_num & 3;
        if (access == full_scan) {
            cursor->order = idx_str ? &order_by(t, idx_str) : nullptr;
            cursor->at = 0;
            cursor->end = table_of(t).rows;
            return SQLITE_OK;
        }
        const int column = idx_num >> 2;
        // The column's order, found once per statement rather than by its keys at each lookup.
        if (t.lookups.empty())
            t.lookups.assign(t.types.size(), nullptr);
        const std::vector<uint32_t> *&order = t.lookups[static_cast<size_t>(column)];
        if (!order)
            order = &order_by(t, std::to_string(column) + "a");
        cursor->order = order;
        if (argc < 1 || (access == equal_lookup && sqlite3_value_type(argv[0]) == SQLITE_NULL)) {
            cursor->at = cursor->end = 0; // = never holds for a NULL
            return SQLITE_OK;
        }
        equal_range_of(t, column, argv[0], *order, cursor->at, cursor->end);
        return SQLITE_OK;
    } catch (const std::bad_alloc &) {
        return SQLITE_NOMEM;
    }
}

int next(sqlite3_vtab_cursor *cursor)
{
    ++static_cast<TableCursor *>(cursor)->at;
    return SQLITE_OK;
}

int eof(sqlite3_vtab_cursor *base)
{
    const auto *cursor = static_cast<TableCursor *>(base);
    return cursor->at >= cursor->end;
}

int column(sqlite3_vtab_cursor *base, sqlite3_context *context, int c)
{
    const auto *cursor = static_cast<TableCursor *>(base);
    const SqlAttachedTable &t = *static_cast<TableVtab *>(base->pVtab)->attached;
    const int source = c >= 0 && static_cast<size_t>(c) < t.columns.size() ? t.columns[static_cast<size_t>(c)] : -1;
    if (source < 0) {
        sqlite3_result_null(context);
        return SQLITE_OK;
    }
    const Column &col = table_of(t).columns[static_cast<size_t>(source)];
    const size_t r = cursor->row();
    if (t.types[static_cast<size_t>(c)] == VarType::Numeric) {
        const double v = col.numbers[r];
        if (is_missing(v))
            sqlite3_result_null(context);
        else
            sqlite3_result_double(context, v);
        return SQLITE_OK;
    }
    const std::string &text = col.texts[r];
    const size_t n = trimmed_length(text);
    if (n == 0)
        sqlite3_result_null(context);
    else
        sqlite3_result_text(context, text.data(), static_cast<int>(n), SQLITE_STATIC);
    return SQLITE_OK;
}

int rowid(sqlite3_vtab_cursor *base, sqlite3_int64 *out)
{
    *out = static_cast<sqlite3_int64>(static_cast<TableCursor *>(base)->row());
    return SQLITE_OK;
}

sqlite3_module table_module = [] {
    sqlite3_module m{};
    m.iVersion = 1;
    m.xCreate = connect;
    m.xConnect = connect;
    m.xBestIndex = best_index;
    m.xDisconnect = disconnect;
    m.xDestroy = disconnect;
    m.xOpen = open_cursor;
    m.xClose = close_cursor;
    m.xFilter = filter;
    m.xNext = next;
    m.xEof = eof;
    m.xColumn = column;
    m.xRowid = rowid;
    return m;
}();

} // namespace

bool register_table_module(sqlite3 *db, std::vector<std::unique_ptr<SqlAttachedTable>> *tables)
{
    return sqlite3_create_module(db, "quill_table", &table_module, tables) == SQLITE_OK;
}

} // namespace quill::host
