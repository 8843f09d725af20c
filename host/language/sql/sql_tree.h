// PROC SQL's statements as the parser reads them: a tree of expressions, queries and statements,
// each node keeping the token it was written at for the messages about it. Names are not yet
// resolved: that is the translator's work (sql_translate.h).
#ifndef QUILL_HOST_LANGUAGE_SQL_SQL_TREE_H
#define QUILL_HOST_LANGUAGE_SQL_SQL_TREE_H

#include <memory>
#include <string>
#include <vector>

#include "language/tokenizer.h"

namespace quill::host {

struct SqlQuery;

enum class SqlOp {
    Column,     // name, or qualifier.name
    Calculated, // CALCULATED name
    Number,     // numbers, dates, times, datetimes and . (missing)
    String,
    Negate, Not,
    Add, Subtract, Multiply, Divide, Power, Concat,
    Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual,
    And, Or,
    Between,    // args: value, low, high
    Like,       // args: value, pattern [, escape]
    Contains,
    IsMissing,  // IS NULL, IS MISSING
    InList,     // args: value, items...
    InQuery,    // args: value; query
    Exists,     // query
    Compare,    // value op ANY|ALL (query): `compare` holds the comparison, `quantifier` ANY or ALL
    Subquery,   // a scalar subquery
    Call,       // function(args), COUNT(*) with `star`, DISTINCT with `distinct`
    Case,       // args: [operand] when, then, when, then ... [else]
};

struct SqlExpr {
    SqlOp op = SqlOp::Number;
    Token at;                     // where it is written: its name, operator or first token
    std::string qualifier, name;  // Column (qualifier may be empty), Calculated, Call (upper case)
    double number = 0;
    std::string text;             // String
    bool negated = false;         // NOT BETWEEN, NOT LIKE, NOT IN, IS NOT MISSING, NOT CONTAINS, NOT EXISTS
    bool star = false;            // COUNT(*)
    bool distinct = false;        // COUNT(DISTINCT x)
    bool has_operand = false;     // CASE operand WHEN ...
    bool has_else = false;
    SqlOp compare = SqlOp::Equal; // Compare: the comparison
    bool all = false;             // Compare: ALL (else ANY or SOME)
    std::vector<Token> format;    // Call PUT/INPUT: the tokens of the format
    std::vector<std::unique_ptr<SqlExpr>> args;
    std::unique_ptr<SqlQuery> query;
};
using SqlExprPtr = std::unique_ptr<SqlExpr>;

// LABEL=, FORMAT=, LENGTH= and the like after a column, and a column's type in a definition.
struct SqlColumnAttributes {
    std::string label;
    bool has_label = false;
    std::string format;     // as written: "8.2", "$20.", "date9."
    std::string informat;
    size_t length = 0;      // LENGTH=: 0 when not given
    Token length_at;
};

struct SqlSelectItem {
    SqlExprPtr expr;        // null for * and alias.*
    bool star = false;
    std::string star_qualifier; // alias.*: the alias
    Token at;
    std::string alias;      // AS name
    SqlColumnAttributes attributes;
};

enum class SqlJoin { Comma, Inner, Left, Right, Full, Cross };

// A table expression of FROM: a data set (its tokens, options included), an SQL view of the
// run, or a query in parentheses, with an alias; joined to what stands before it.
struct SqlTableRef {
    Token at;
    size_t begin = 0, end = 0; // the data set's tokens in the statement, options included
    SqlQuery *query_ptr() const { return query.get(); }
    std::unique_ptr<SqlQuery> query; // an inline view
    std::string alias;
    SqlJoin join = SqlJoin::Comma;   // how it joins the tables before it
    bool natural = false;
    SqlExprPtr on;
};

struct SqlOrderItem {
    SqlExprPtr expr;
    bool descending = false;
};

// INTO :name, :a1 - :a9, :list SEPARATED BY ' ' ...
struct SqlIntoTarget {
    Token at;
    std::string name;       // the macro variable, or the range's first
    std::string last;       // a range's last ("" when open-ended)
    bool range = false;
    bool separated = false;
    std::string separator;
    bool trimmed = false, notrim = false;
};

struct SqlSelect {
    Token at;
    bool distinct = false;
    std::vector<SqlSelectItem> items;
    std::vector<SqlIntoTarget> into;
    std::vector<SqlTableRef> from;
    SqlExprPtr where;
    std::vector<SqlExprPtr> group_by;
    Token group_at;
    SqlExprPtr having;
};

enum class SqlSetOp { None, Union, Except, Intersect, OuterUnion };

// A query: one SELECT, or two queries joined by a set operator; ORDER BY at the top only.
struct SqlQuery {
    Token at;
    std::unique_ptr<SqlSelect> select; // when op is None
    SqlSetOp op = SqlSetOp::None;
    bool all = false, corresponding = false;
    std::unique_ptr<SqlQuery> left, right;
    std::vector<SqlOrderItem> order_by;
};

struct SqlColumnDefinition {
    Token at;
    std::string name;
    bool character = false;
    size_t length = 0; // char(n); 0 for a number
    SqlColumnAttributes attributes;
};

enum class SqlStatementKind {
    Select, CreateTableAs, CreateTableColumns, CreateTableLike, CreateView, Insert, Delete, Update, DropTable,
    DropView, AlterTable, Describe, Reset, Validate, CreateIndex,
    PassThrough // CONNECT TO, DISCONNECT FROM, EXECUTE (...) BY
};

struct SqlAssignment {
    Token at;
    std::string column;
    SqlExprPtr value;
};

struct SqlStatement {
    SqlStatementKind kind = SqlStatementKind::Select;
    Token at;
    std::unique_ptr<SqlQuery> query;      // SELECT, CREATE ... AS, CREATE VIEW, INSERT ... SELECT, VALIDATE
    // The tables the statement names, as token ranges of the statement (options included).
    struct Target {
        Token at;
        size_t begin = 0, end = 0;
    };
    std::vector<Target> targets;          // CREATE, INSERT, DELETE, UPDATE, DROP, ALTER, DESCRIBE
    Target like;                          // CREATE TABLE x LIKE y
    bool describe_view = false;
    std::string alias;                    // DELETE FROM t AS a, UPDATE t AS a
    std::vector<SqlColumnDefinition> columns; // CREATE TABLE (definitions), ALTER ADD/MODIFY
    std::vector<SqlColumnDefinition> modify;  // ALTER MODIFY
    std::vector<Token> drop_columns;          // ALTER DROP
    std::vector<std::string> insert_columns;  // INSERT INTO t (a, b)
    std::vector<Token> insert_column_at;
    std::vector<std::vector<SqlExprPtr>> values; // VALUES (...) VALUES (...)
    std::vector<Token> values_at;
    std::vector<SqlAssignment> set;       // UPDATE ... SET
    std::vector<std::vector<SqlAssignment>> insert_sets; // INSERT ... SET a=1, b=2 SET ...
    SqlExprPtr where;                     // DELETE, UPDATE
    size_t options_begin = 0, options_end = 0; // RESET's options
    // The database system or connection that CONNECT, DISCONNECT, EXECUTE or a query's
    // CONNECTION TO names: the statement would pass work to it (empty text: none).
    Token pass_through;
};

} // namespace quill::host

#endif
