// From SAS's SQL to SQLite's. Names are resolved here, against the data sets a statement reads
// (opened through the host's library, their data set options applied) and the run's SQL views;
// types and lengths are SAS's; and where SAS's meaning differs from SQLite's the text says SAS's:
//  - a missing value is NULL, a blank text too (texts lose their trailing blanks), so that the
//    summary functions skip them; but = and ^= treat two missing values as equal (IS, IS NOT),
//    < and the like order a missing value before every other, a condition that is missing is
//    false, and IN finds a missing value in a list that holds one;
//  - texts compare as if the shorter were padded with blanks (the collation SAS);
//  - a number is always a double: 1/2 is 0.5;
//  - EQ NE LT LE GT GE, CONTAINS, IS MISSING, CALCULATED, the summary functions SAS has, and the
//    DATA step's functions (through the engine's sas_call);
//  - a summary function beside a column that is not grouped on is remerged: computed over its
//    group (or the whole table) and set beside each row, with SAS's note.
// The result is a plan: the SQLite text, its parameters, the columns it gives and the data sets
// the engine must be handed before it runs.
#ifndef QUILL_HOST_LANGUAGE_SQL_SQL_TRANSLATE_H
#define QUILL_HOST_LANGUAGE_SQL_SQL_TRANSLATE_H

#include <memory>
#include <string>
#include <vector>

#include "base/log_writer.h"
#include "data/dataset_library.h"
#include "language/dataset_reference.h"
#include "language/sql/sql_calls.h"
#include "language/sql/sql_engine.h"
#include "language/sql/sql_tree.h"
#include "language/sql/sql_views.h"

namespace quill::host {

class MacroSymbols;

struct SqlEnvironment {
    DatasetLibrary &library;
    LogWriter &log;
    const MacroSymbols *symbols = nullptr;
    const SqlViews *views = nullptr;
};

// A data set a statement reads, with the columns it uses.
struct SqlSourceTable {
    DatasetReference ref;
    DatasetView view;        // through its data set options
    std::vector<bool> used;  // per variable of the view
    std::string sql_name;    // d0, d1 ...
    std::string key;         // the name and options as written, to read a data set named twice once
};

struct SqlPlan {
    std::string sql;
    std::vector<SqlValue> parameters;
    std::vector<Variable> columns; // the result's columns, in order (more may follow: sort keys)
    std::vector<std::string> column_places; // where each was written: "line L column C", for messages
    std::vector<SqlSourceTable> tables;
    std::unique_ptr<SqlCalls> calls;
    std::vector<std::string> notes;    // for the log once the statement is translated
    std::vector<std::string> warnings;
};

// A query, as SELECT, CREATE TABLE AS, CREATE VIEW and INSERT ... SELECT give it. False with
// `error` (its place included).
bool translate_sql_query(SqlEnvironment &env, const std::vector<Token> &tokens, const SqlQuery &query, SqlPlan &plan,
                         std::string &error);

// DELETE and UPDATE over the data set `target` (already opened into plan.tables[0] by the caller's
// request): a query giving every row of it, its columns (as UPDATE's SET leaves them), and last a
// column that is 1 for the rows the WHERE clause chose.
bool translate_sql_change(SqlEnvironment &env, const std::vector<Token> &tokens, const SqlStatement &statement,
                          SqlPlan &plan, std::string &error);

// One row of values for INSERT ... VALUES or SET: a query without a table giving the values in
// the order of `expressions`.
bool translate_sql_values(SqlEnvironment &env, const std::vector<Token> &tokens,
                          const std::vector<const SqlExpr *> &expressions, SqlPlan &plan, std::string &error);

// Opens the data set a statement names for reading, with its options, as a translation would;
// `error` words a missing one as SAS does.
bool open_sql_table(SqlEnvironment &env, const std::vector<Token> &tokens, size_t begin, size_t end,
                    SqlSourceTable &table, std::string &error);

} // namespace quill::host

#endif
