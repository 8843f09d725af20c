// The parser of PROC SQL statements, shared by the two files that hold it: sql_parser.cpp
// (statements, queries, tables) and sql_expression_parser.cpp (expressions).
#ifndef QUILL_HOST_LANGUAGE_SQL_SQL_PARSER_STATE_H
#define QUILL_HOST_LANGUAGE_SQL_SQL_PARSER_STATE_H

#include <string>
#include <string_view>
#include <vector>

#include "language/sql/sql_parser.h"
#include "language/sql/sql_tree.h"

namespace quill::host {

class SqlParser {
public:
    explicit SqlParser(const std::vector<Token> &tokens) : t_(tokens), end_(tokens.size() - 1) {}
    bool statement(SqlStatement &s);
    const std::string &error() const { return error_; }

    // Expressions (sql_expression_parser.cpp).
    SqlExprPtr expression(); // OR, the lowest level
    SqlExprPtr operand();    // || and below: the operands of comparisons, BETWEEN's bounds

private:
    // Queries and tables (sql_parser.cpp).
    std::unique_ptr<SqlQuery> query();
    std::unique_ptr<SqlQuery> query_term();
    std::unique_ptr<SqlQuery> query_primary();
    bool select_core(SqlSelect &select);
    bool select_item(SqlSelectItem &item);
    bool column_attributes(SqlColumnAttributes &attributes);
    bool into_target(SqlIntoTarget &target);
    bool table_refs(std::vector<SqlTableRef> &from);
    bool table_ref(SqlTableRef &ref);
    bool order_by(std::vector<SqlOrderItem> &order);
    bool dataset_name(SqlStatement::Target &target);
    bool column_definition(SqlColumnDefinition &column);
    bool assignments(std::vector<SqlAssignment> &set);
    bool create(SqlStatement &s);
    bool insert(SqlStatement &s);
    bool alter(SqlStatement &s);
    bool pass_through(SqlStatement &s);
    bool connection_to(SqlTableRef &ref);
    bool skip_parenthesized();

    // Expressions.
    SqlExprPtr conjunction();
    SqlExprPtr negation();
    SqlExprPtr predicate();
    SqlExprPtr concatenation();
    SqlExprPtr sum();
    SqlExprPtr product();
    SqlExprPtr power();
    SqlExprPtr primary();
    SqlExprPtr call(const Token &name);
    SqlExprPtr case_expression();
    SqlExprPtr parenthesized();
    SqlExprPtr node(SqlOp op, const Token &at);
    SqlExprPtr binary(SqlOp op, const Token &at, SqlExprPtr a, SqlExprPtr b);
    bool comparison_here(SqlOp &op, size_t &width) const;

public:
    // Tokens.
    bool more() const { return pos_ < end_; }
    const Token &here() const { return t_[pos_ < end_ ? pos_ : end_]; }
    bool punct(char c, size_t ahead = 0) const { return pos_ + ahead < end_ && is_punct(t_[pos_ + ahead], c); }
    bool operator_here(std::string_view two) const { return pos_ < end_ && is_operator(t_[pos_], two); }
    bool word(std::string_view w, size_t ahead = 0) const;
    bool take_punct(char c);
    bool take_word(std::string_view w);
    bool expect_punct(char c);
    bool expect_word(std::string_view w);
    bool name_here() const;
    std::string take_name(); // a name or name literal; "" (with an error) when there is none
    bool fail(const std::string &expected);
    bool fail_at(const std::string &message, const Token &at);
    // One level deeper; false (with an error) past max_sql_nesting.
    bool enter();
    // One more operator of a chain (a OR b OR c ...); false (with an error) past max_sql_nesting.
    bool chain(int &links, const Token &at);
    void leave() { --depth_; }
    bool failed() const { return !error_.empty(); }

private:
    const std::vector<Token> &t_;
    size_t pos_ = 0;
    size_t end_;
    int depth_ = 0;
    std::string error_;
    Token pass_through_; // the connection a query's CONNECTION TO names
};

// The words that end an expression or a column's name where a name could also stand (an alias
// after a column, a column in an expression): FROM, WHERE, AS, ON, JOIN, UNION ...
bool sql_reserved(std::string_view name);

// Leaves a level of nesting when it goes out of scope.
class SqlNesting {
public:
    explicit SqlNesting(SqlParser &p) : p_(p), ok_(p.enter()) {}
    ~SqlNesting()
    {
        if (ok_)
            p_.leave();
    }
    bool ok() const { return ok_; }

private:
    SqlParser &p_;
    bool ok_;
};

} // namespace quill::host

#endif
