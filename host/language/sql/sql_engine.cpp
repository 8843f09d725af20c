#include "language/sql/sql_engine.h"

#include <sqlite3.h>

#include <cmath>
#include <new>

#include "language/sql/sql_aggregates.h"
#include "language/sql/sql_calls.h"
#include "language/sql/sql_table_module.h"

namespace quill::host {

namespace {

// A text result in the engine's form: no trailing blanks, and NULL when blank.
void result_text(sqlite3_context *context, const char *text, size_t size)
{
    while (size > 0 && text[size - 1] == ' ')
        --size;
    if (size == 0)
        sqlite3_result_null(context);
    else
        sqlite3_result_text64(context, text, size, SQLITE_TRANSIENT, SQLITE_UTF8);
}

// sas_call(K, arguments...): call site K of the statement's SqlCalls.
void sas_call(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    auto *calls = *static_cast<SqlCalls **>(sqlite3_user_data(context));
    try {
        const int site = argc > 0 ? sqlite3_value_int(argv[0]) : -1;
        if (!calls || site < 0 || static_cast<size_t>(argc - 1) != calls->arguments(site)) {
            sqlite3_result_error(context, "sas_call: no such call site", -1);
            return;
        }
        for (int k = 1; k < argc; ++k) {
            sqlite3_value *v = argv[k];
            const bool null = sqlite3_value_type(v) == SQLITE_NULL;
            const size_t at = static_cast<size_t>(k - 1);
            if (sqlite3_value_type(v) == SQLITE_TEXT || sqlite3_value_type(v) == SQLITE_BLOB)
                calls->set_text(site, at, reinterpret_cast<const char *>(sqlite3_value_text(v)),
                                static_cast<size_t>(sqlite3_value_bytes(v)));
            else if (null)
                calls->set_text(site, at, "", 0);
            calls->set_number(site, at, null ? missing_value() : sqlite3_value_double(v));
        }
        if (calls->type(site) == VarType::Numeric) {
            const double value = calls->number(site);
            if (is_missing(value) || !std::isfinite(value))
                sqlite3_result_null(context);
            else
                sqlite3_result_double(context, value);
        } else {
            const std::string &text = calls->text(site);
            result_text(context, text.data(), text.size());
        }
    } catch (const std::bad_alloc &) {
        sqlite3_result_error_nomem(context);
    }
}

// sas_cat(length1, text1, length2, text2, ..., last): SAS's ||, each operand but the last
// padded with blanks to its length.
void sas_cat(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    try {
        std::string out;
        for (int k = 0; k + 1 < argc; k += 2) {
            const size_t length = static_cast<size_t>(std::max<sqlite3_int64>(0, sqlite3_value_int64(argv[k])));
            const char *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[k + 1]));
            const size_t size = static_cast<size_t>(sqlite3_value_bytes(argv[k + 1]));
            out.append(text ? text : "", size);
            if (k + 2 < argc && size < length)
                out.append(length - size, ' ');
        }
        result_text(context, out.data(), out.size());
    } catch (const std::bad_alloc &) {
        sqlite3_result_error_nomem(context);
    }
}

int compare_sas(void *, int a_size, const void *a, int b_size, const void *b)
{
    return compare_padded(static_cast<const char *>(a), static_cast<size_t>(a_size), static_cast<const char *>(b),
                          static_cast<size_t>(b_size));
}

// The failure behind SQLite's message, for the translator's caller to word.
SqlFailure failure_of(sqlite3 *db, int rc, std::string &message)
{
    message = sqlite3_errmsg(db);
    if (message.find(more_than_one_row_message) != std::string::npos)
        return SqlFailure::MoreThanOneRow;
    if (rc == SQLITE_NOMEM)
        return SqlFailure::OutOfMemory;
    if (rc == SQLITE_INTERRUPT)
        return SqlFailure::Interrupted;
    return SqlFailure::Other;
}

class StatementRow : public SqlResultRow {
public:
    explicit StatementRow(sqlite3_stmt *statement) : statement_(statement), size_(static_cast<size_t>(sqlite3_column_count(statement))) {}
    size_t size() const override { return size_; }
    bool missing(size_t c) const override { return sqlite3_column_type(statement_, static_cast<int>(c)) == SQLITE_NULL; }
    double number(size_t c) const override
    {
        return missing(c) ? missing_value() : sqlite3_column_double(statement_, static_cast<int>(c));
    }
    std::string_view text(size_t c) const override
    {
        if (missing(c))
            return {};
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement_, static_cast<int>(c)));
        return {text ? text : "", static_cast<size_t>(sqlite3_column_bytes(statement_, static_cast<int>(c)))};
    }

private:
    sqlite3_stmt *statement_;
    size_t size_;
};

struct Finalizer {
    sqlite3_stmt *statement = nullptr;
    ~Finalizer() { sqlite3_finalize(statement); }
};

} // namespace

SqlEngine::SqlEngine()
{
    if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK)
        throw std::bad_alloc();
    // SAS's LIKE tells upper from lower case; sorts and temporary results stay in memory.
    sqlite3_exec(db_, "PRAGMA case_sensitive_like = ON; PRAGMA temp_store = MEMORY;", nullptr, nullptr, nullptr);
    const int deterministic = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    if (!register_table_module(db_, &attached_) ||
        sqlite3_create_function(db_, "sas_call", -1, deterministic, &calls_, sas_call, nullptr,
                                nullptr) != SQLITE_OK ||
        sqlite3_create_function(db_, "sas_cat", -1, deterministic, nullptr, sas_cat, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_create_collation(db_, "SAS", SQLITE_UTF8, nullptr, compare_sas) != SQLITE_OK ||
        !register_sql_aggregates(db_)) {
        sqlite3_close(db_);
        throw std::bad_alloc();
    }
}

SqlEngine::~SqlEngine() { sqlite3_close(db_); }

bool SqlEngine::attach(const std::string &name, const Table &table, const std::vector<VarType> &types,
                       const std::vector<int> &columns, std::string &error)
{
    auto attached = std::make_unique<SqlAttachedTable>();
    attached->table = &table;
    attached->types = types;
    attached->columns = columns;
    attached_.push_back(std::move(attached));
    const std::string sql =
        "CREATE VIRTUAL TABLE temp." + name + " USING quill_table(" + std::to_string(attached_.size() - 1) + ")";
    char *message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        error = message ? message : "the table could not be attached";
        sqlite3_free(message);
        return false;
    }
    return true;
}

bool SqlEngine::run(const std::string &sql, const std::vector<SqlValue> &parameters, RowHandler on_row, void *context,
                    SqlFailure &failure, std::string &message)
{
    failure = SqlFailure::None;
    Finalizer statement;
    int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &statement.statement, nullptr);
    if (rc != SQLITE_OK) {
        failure = failure_of(db_, rc, message);
        return false;
    }
    for (size_t k = 0; k < parameters.size(); ++k) {
        const SqlValue &v = parameters[k];
        const int at = static_cast<int>(k) + 1;
        if (v.type == VarType::Numeric)
            rc = is_missing(v.number) ? sqlite3_bind_null(statement.statement, at)
                                      : sqlite3_bind_double(statement.statement, at, v.number);
        else
            rc = v.text.empty() ? sqlite3_bind_null(statement.statement, at)
                                : sqlite3_bind_text64(statement.statement, at, v.text.data(), v.text.size(),
                                                      SQLITE_STATIC, SQLITE_UTF8);
        if (rc != SQLITE_OK) {
            failure = failure_of(db_, rc, message);
            return false;
        }
    }
    StatementRow row(statement.statement);
    while ((rc = sqlite3_step(statement.statement)) == SQLITE_ROW)
        if (on_row && !on_row(context, row))
            return true;
    if (rc != SQLITE_DONE) {
        failure = failure_of(db_, rc, message);
        return false;
    }
    return true;
}

} // namespace quill::host
