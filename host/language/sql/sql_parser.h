// Reads one PROC SQL statement (its tokens, up to the ';') into the tree of sql_tree.h. Every
// error names what was expected, what was found and where, as SAS words a syntax error.
#ifndef QUILL_HOST_LANGUAGE_SQL_SQL_PARSER_H
#define QUILL_HOST_LANGUAGE_SQL_SQL_PARSER_H

#include <string>
#include <vector>

#include "language/sql/sql_tree.h"
#include "language/tokenizer.h"

namespace quill::host {

// How deep a statement may nest (parentheses, subqueries, CASE, operators of one chain): a
// statement generated without bound gets an error instead of running out of stack.
inline constexpr int max_sql_nesting = 200;

// False with `error` (its place included) when the tokens are not a statement of PROC SQL.
bool parse_sql_statement(const std::vector<Token> &tokens, SqlStatement &statement, std::string &error);

// The text of a query as written (its tokens, blanks between them where the program had any),
// for DESCRIBE VIEW and FEEDBACK.
std::string sql_text(const std::vector<Token> &tokens, size_t begin, size_t end);

} // namespace quill::host

#endif
