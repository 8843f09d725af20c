// What PROC SQL does with a translated statement: runs it on the engine over the data sets it
// reads, and hands on the rows it gives — to the listing, to a table it writes, or to macro
// variables (INTO).
#ifndef QUILL_HOST_STEPS_PROCS_SQL_RESULTS_H
#define QUILL_HOST_STEPS_PROCS_SQL_RESULTS_H

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/output_dataset.h"
#include "data/table.h"
#include "language/dataset_reference.h"
#include "language/sql/sql_translate.h"
#include "modules/session.h"

namespace quill::host {

// The environment a statement of `session` is translated in.
SqlEnvironment sql_environment(Session &session);

// Reads the data sets `plan` names, runs it and keeps the rows in `result` (its columns those of
// the plan). The plan's notes and warnings, and the notes of the DATA step's functions, go to the
// log. False with `error` in SAS's words.
// `inobs` (INOBS=), when not negative, is the most rows read from each data set, with SAS's warning.
bool run_sql_plan(Session &session, SqlPlan &plan, Table &result, std::string &error, long long inobs = -1);
// The same, each row handed to `on_row` as the engine gives it (false stops the run, as done),
// so that a table written from a query is never held whole in memory.
bool run_sql_plan(Session &session, SqlPlan &plan, const std::function<bool(const SqlResultRow &)> &on_row,
                  std::string &error, long long inobs = -1);
// A row the engine gives, into `row` (sized to `columns`, the plan's).
void sql_result_row(const SqlResultRow &given, const std::vector<Variable> &columns, Row &row);

// A query's result as the listing shows it: a page under the titles, a header of labels (names
// when a column has none), a rule, and the rows in each column's format (BEST8. for a number
// without one); `numbered` (NUMBER) puts a Row column first.
void print_sql_result(Session &session, const Table &result, bool numbered = false);

// Writes `table` as the data set `target` names, its options for an output (KEEP=, DROP=, RENAME=,
// WHERE=, LABEL=) applied; unnamed columns become _TEMA001, .... `note` words the log's note once
// the data set is committed, from the rows and columns it got. False after an error has been logged.
bool write_sql_table(Session &session, const DatasetReference &target, const Table &table,
                     const std::function<std::string(long long rows, size_t columns)> &note);
// The two halves of that for rows written as they come: the data set created with the columns
// (nullptr after an error has been logged), then committed with its note.
std::unique_ptr<OutputDataset> create_sql_output(Session &session, const DatasetReference &target,
                                                 const std::vector<Variable> &columns);
bool commit_sql_output(Session &session, OutputDataset &output, const std::function<std::string(long long, size_t)> &note);
// The same for a table written back as it is named, with `note` (empty: none).
bool write_sql_table(Session &session, const DatasetName &name, const Table &table, const std::string &note);

// INTO: the values of the result's first row (or of all rows, for SEPARATED BY and ranges) go to
// the macro variables. False with `error` when the targets do not match the columns.
bool set_into_variables(Session &session, const std::vector<SqlIntoTarget> &targets, const Table &result,
                        std::string &error);

// A value as text for the listing and INTO: in its column's format (BEST8. for a number without
// one); `catalog` holds the run's own formats (PROC FORMAT), nullptr for the built-in ones only.
std::string sql_cell_text(const Column &column, size_t row, const FormatCatalog *catalog = nullptr);

} // namespace quill::host

#endif
