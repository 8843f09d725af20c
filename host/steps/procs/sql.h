// PROC SQL's statements other than queries, each in its own function over the parsed statement
// (sql_changes.cpp): they read the table they change whole, change it in memory and write it back
// through the one commit path, so a statement that fails leaves the table as it was.
#ifndef QUILL_HOST_STEPS_PROCS_SQL_H
#define QUILL_HOST_STEPS_PROCS_SQL_H

#include <string>
#include <vector>

#include "language/dataset_reference.h"
#include "language/sql/sql_tree.h"
#include "modules/session.h"

namespace quill::host {

// What a statement leaves for the next: the rows it produced or changed (&SQLOBS). Each returns
// false with `error` in SAS's words (its place included where it has one).
bool sql_insert(Session &session, const std::vector<Token> &tokens, const SqlStatement &s, long long &rows,
                std::string &error);
bool sql_delete_or_update(Session &session, const std::vector<Token> &tokens, const SqlStatement &s,
                          long long &rows, std::string &error);
bool sql_alter(Session &session, const std::vector<Token> &tokens, const SqlStatement &s, std::string &error);
bool sql_create_columns(Session &session, const std::vector<Token> &tokens, const SqlStatement &s,
                        std::string &error);
bool sql_drop(Session &session, const std::vector<Token> &tokens, const SqlStatement &s, std::string &error);
bool sql_describe(Session &session, const std::vector<Token> &tokens, const SqlStatement &s, std::string &error);

// The table CREATE TABLE names, with the options an output data set takes (KEEP=, DROP=, RENAME=,
// WHERE=, LABEL=), acted on as it is written.
bool sql_created_target(Session &session, const std::vector<Token> &tokens, const SqlStatement::Target &target,
                        DatasetReference &ref, std::string &error);
// The data set any other statement names as its target (options refused), for writing.
bool sql_target_name(Session &session, const std::vector<Token> &tokens, const SqlStatement::Target &target,
                     DatasetName &name, std::string &error);
// "Table WORK.X created, with N rows and M columns."
std::string sql_created_note(const DatasetName &name, size_t rows, size_t columns);

} // namespace quill::host

#endif
