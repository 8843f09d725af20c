// What PROC SQL does with a translated statement: runs it on the engine over the data sets it
// reads, and hands on the rows it gives — to the listing, to a table it writes, or to macro
// variables (INTO).
#ifndef QUILL_HOST_STEPS_PROCS_SQL_RESULTS_H
#define QUILL_HOST_STEPS_PROCS_SQL_RESULTS_H

#include <string>
#include <vector>

#include "data/table.h"
#include "language/sql/sql_translate.h"
#include "modules/session.h"

namespace quill::host {

// The environment a statement of `session` is translated in.
SqlEnvironment sql_environment(Session &session);

// Reads the data sets `plan` names, runs it and keeps the rows in `result` (its columns those of
// the plan). The plan's notes and warnings, and the notes of the DATA step's functions, go to the
// log. False with `error` in SAS's words.
bool run_sql_plan(Session &session, SqlPlan &plan, Table &result, std::string &error);

// A query's result as the listing shows it: a page under the titles, a header of labels (names
// when a column has none), a rule, and the rows in each column's format (BEST8. for a number
// without one).
void print_sql_result(Session &session, const Table &result);

// Writes `table` as the data set `name` (unnamed columns become _TEMA001, ...); `note` is the
// log's note once it is committed (empty: none). False after an error has been logged.
bool write_sql_table(Session &session, const DatasetName &name, const Table &table, const std::string &note);

// INTO: the values of the result's first row (or of all rows, for SEPARATED BY and ranges) go to
// the macro variables. False with `error` when the targets do not match the columns.
bool set_into_variables(Session &session, const std::vector<SqlIntoTarget> &targets, const Table &result,
                        std::string &error);

// A value as text for the listing and INTO: a number in its column's format (BEST8. when none).
std::string sql_cell_text(const Column &column, size_t row);

} // namespace quill::host

#endif
