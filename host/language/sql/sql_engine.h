// The relational engine behind PROC SQL: SQLite, in memory, one connection per statement. Data
// sets take part as virtual tables over tables the host holds in memory (SQLite copies none of
// their rows), and SQLite gets what SAS's SQL needs that it lacks: the DATA step's functions (one
// bridge to their one implementation), SAS's summary statistics, blank-padded text comparison
// and a guard on scalar subqueries. Nothing of SQLite shows outside this interface: statements
// are SQLite text the translator wrote, values are numbers (missing as the host's missing value)
// and texts (missing as empty).
#ifndef QUILL_HOST_LANGUAGE_SQL_SQL_ENGINE_H
#define QUILL_HOST_LANGUAGE_SQL_SQL_ENGINE_H

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/table.h"

struct sqlite3;

namespace quill::host {

class SqlCalls;
struct SqlAttachedTable;

// A value bound to a statement's parameter ?N (N counts from 1).
struct SqlValue {
    VarType type = VarType::Numeric;
    double number = 0;
    std::string text;
};

// One row of a result, read through the engine.
class SqlResultRow {
public:
    virtual ~SqlResultRow() = default;
    virtual size_t size() const = 0;
    virtual bool missing(size_t column) const = 0;
    virtual double number(size_t column) const = 0;    // a missing value when missing
    virtual std::string_view text(size_t column) const = 0; // empty when missing
};

// What SQLite's own messages become. Failures the translator cannot see coming are worded here:
// the engine's messages never reach the log alone.
enum class SqlFailure { None, MoreThanOneRow, Interrupted, OutOfMemory, Other };

class SqlEngine {
public:
    SqlEngine();
    ~SqlEngine();
    SqlEngine(const SqlEngine &) = delete;
    SqlEngine &operator=(const SqlEngine &) = delete;

    // Makes `table` the virtual table `name` for the statements that follow; `columns` gives, for
    // each column the statements may name (c0, c1, ...), its type and its column of `table`
    // (-1: never read, always missing). The table must outlive the engine.
    bool attach(const std::string &name, const Table &table, const std::vector<VarType> &types,
                const std::vector<int> &columns, std::string &error);
    // The SAS function calls the statements make through sas_call(K, ...); the engine does not own them.
    void use_calls(SqlCalls *calls) { calls_ = calls; }

    // Runs one statement with its parameters; each result row goes to `on_row`, which returns false
    // to stop early. False with `failure` and the engine's `message` when it fails.
    using RowHandler = bool (*)(void *context, const SqlResultRow &row);
    bool run(const std::string &sql, const std::vector<SqlValue> &parameters, RowHandler on_row, void *context,
             SqlFailure &failure, std::string &message);
    template <typename F>
    bool run(const std::string &sql, const std::vector<SqlValue> &parameters, F &&on_row, SqlFailure &failure,
             std::string &message)
    {
        return run(
            sql, parameters, [](void *c, const SqlResultRow &row) { return (*static_cast<F *>(c))(row); }, &on_row,
            failure, message);
    }

private:
    sqlite3 *db_ = nullptr;
    SqlCalls *calls_ = nullptr;
    std::vector<std::unique_ptr<SqlAttachedTable>> attached_;
};

} // namespace quill::host

#endif
