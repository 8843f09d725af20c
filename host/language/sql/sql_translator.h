// The translator's state, shared by the files that hold it: sql_translate_query.cpp (queries,
// tables, set operators, remerging), sql_translate_expression.cpp (expressions) and
// sql_translate_calls.cpp (functions and summary functions).
#ifndef QUILL_HOST_LANGUAGE_SQL_SQL_TRANSLATOR_H
#define QUILL_HOST_LANGUAGE_SQL_SQL_TRANSLATOR_H

#include <initializer_list>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "language/sql/sql_translate.h"

namespace quill::host {

// A name of the SQLite text: a prefix and a number ("o3", "t0").
inline std::string numbered_name(char prefix, size_t k)
{
    std::string name(1, prefix);
    name += std::to_string(k);
    return name;
}

// Pieces of SQLite text joined in parentheses. Appended one by one: GCC 12 reports "(" + a
// temporary string (an insert at the front once inlined) as an overlapping copy, wrongly.
inline std::string parenthesized(std::initializer_list<std::string_view> pieces)
{
    std::string text = "(";
    for (std::string_view piece : pieces)
        text += piece;
    text += ')';
    return text;
}

// A relation a FROM clause names: a data set, a view or a query, under its alias.
struct SqlRelation {
    std::string alias;  // as the query may qualify its columns (the alias, else the member name)
    std::string libref; // a data set's libref, to qualify as libref.member (empty otherwise)
    std::string sql;    // t0, t1 ...
    std::string source; // as FROM names it: "d0 AS t0", "(SELECT ...) AS t1"
    std::vector<Variable> columns;
    std::vector<std::string> column_sql; // t0.c3
    int table = -1;     // its entry in plan.tables (a data set), -1 otherwise
    bool nullable = false;
};

// An expression translated: its SQLite text and what SAS says of it.
struct SqlTerm {
    std::string sql;
    VarType type = VarType::Numeric;
    size_t length = number_length;
    bool boolean = false;   // 0 or 1, never NULL: a comparison or a logical operator
    bool aggregate = false; // holds a summary function of this query
    bool nullable = true;   // may be missing
    std::vector<std::string> loose; // columns of this query named outside a summary function
    const Variable *column = nullptr; // a column named alone: its name, label and format carry over
};

// Where an expression stands, which decides what it may hold.
enum class SqlClause { Select, Where, On, GroupBy, Having, OrderBy, Values };

// The one column a NATURAL join makes of the columns of one name that it matches: the value both
// sides share, or in an outer join the side that has a row.
struct SqlJoinedColumn {
    Variable column;
    std::string sql;
    std::vector<std::pair<size_t, size_t>> sources; // the relations' columns it stands for
    bool current = true; // false once a later NATURAL join has matched it again
};

inline bool joined_source(const SqlJoinedColumn &j, size_t relation, size_t column)
{
    for (const auto &source : j.sources)
        if (source.first == relation && source.second == column)
            return true;
    return false;
}

// A column of FROM as * lists it: a relation's own, or a column a NATURAL join made (joined >= 0).
struct SqlFromColumn {
    size_t relation = 0, column = 0;
    int joined = -1;
};

struct SqlScope {
    std::vector<SqlRelation> relations;
    std::vector<SqlJoinedColumn> joined;
    std::vector<SqlFromColumn> listed; // in the order * gives them
    SqlScope *outer = nullptr;
    const std::vector<SqlSelectItem> *items = nullptr; // for CALCULATED
    std::set<std::string> calculating; // CALCULATED names being translated (a name that needs itself)

    const Variable &variable(const SqlFromColumn &c) const
    {
        return c.joined >= 0 ? joined[static_cast<size_t>(c.joined)].column : relations[c.relation].columns[c.column];
    }
    const std::string &sql(const SqlFromColumn &c) const
    {
        return c.joined >= 0 ? joined[static_cast<size_t>(c.joined)].sql : relations[c.relation].column_sql[c.column];
    }
};

// A query translated: SQLite text whose columns are o0, o1 ... then the hidden sort keys.
struct SqlQueryText {
    std::string sql;
    std::vector<Variable> columns;
    std::vector<std::string> places;
    bool simple = false; // one SELECT (sort keys may be added to it)
};

class SqlTranslator {
public:
    SqlTranslator(SqlEnvironment &env, const std::vector<Token> &tokens, SqlPlan &plan)
        : env_(env), tokens_(&tokens), plan_(plan)
    {
    }
    bool query(const SqlQuery &q, SqlScope *outer, bool top, SqlQueryText &out);
    bool term(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out);
    // A condition: the term as 0 or 1.
    bool condition(const SqlExpr &e, SqlScope &scope, SqlClause clause, std::string &sql);
    bool relation_of_table(size_t begin, size_t end, const std::string &alias, const Token &at, SqlRelation &out);
    // The error, once all is translated: the first failure, or the columns not found.
    bool finish(std::string &error);
    bool failed() const { return !error_.empty() || !missing_.empty(); }
    bool fail(const std::string &message, const Token &at);
    std::string parameter(const SqlValue &value);
    std::string next_name(char prefix) { return numbered_name(prefix, static_cast<size_t>(names_++)); }
    void note_once(const std::string &note);
    void warn_once(const std::string &warning);

private:
    // Queries (sql_translate_query.cpp).
    bool select(const SqlSelect &s, const std::vector<SqlOrderItem> &order, SqlScope *outer, SqlQueryText &out);
    bool set_operation(const SqlQuery &q, SqlScope *outer, SqlQueryText &out);
    bool from(const SqlSelect &s, SqlScope &scope, std::string &sql);
    bool relation(const SqlTableRef &ref, SqlRelation &out);
    bool natural_join(const SqlTableRef &ref, SqlScope &scope, size_t group, std::string &on);
    void mark_used(const SqlRelation &r, size_t column); // the statement reads that column of its data set
    bool view_relation(const SqlViewDefinition &view, const std::string &alias, const Token &at, SqlRelation &out);
    bool query_relation(const SqlQueryText &text, SqlRelation &out);
    bool order(const std::vector<SqlOrderItem> &items, SqlScope *scope, std::vector<SqlTerm> &hidden,
               const SqlQueryText &result, const std::vector<SqlTerm> *visible, std::string &sql);
    bool select_items(const SqlSelect &s, SqlScope &scope, std::vector<SqlTerm> &terms, SqlQueryText &out);
    void star_column(const SqlScope &scope, const SqlFromColumn &c, const Token &at, std::vector<SqlTerm> &terms,
                     SqlQueryText &out);
    bool group_by(const SqlSelect &s, SqlScope &scope, const std::vector<SqlTerm> &items, std::vector<SqlTerm> &keys);
    // The item a GROUP BY or ORDER BY names by its number or its alias: its index, or -1.
    int item_named(const SqlExpr &e, const std::vector<Variable> &columns, const std::vector<SqlSelectItem> *items);
    std::set<std::string> views_open_; // views being translated (a view that names itself)

    // Expressions (sql_translate_expression.cpp).
    bool column(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out);
    bool calculated(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out);
    bool constant(const SqlExpr &e, SqlTerm &out);
    bool arithmetic(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out);
    bool concat(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out);
    bool comparison(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out);
    bool logical(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out);
    bool predicate(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out);
    bool in_list(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out);
    bool subquery(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out);
    bool case_term(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out);

    // Calls (sql_translate_calls.cpp).
    bool call(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out);
    bool summary(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out);
    bool data_step_function(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out);

public:
    // Helpers shared by the three files.
    bool same_type(const SqlTerm &a, const SqlTerm &b, const std::string &operation, const Token &at);
    static std::string truth(const SqlTerm &t); // the term as a condition
    static std::string ordered(const SqlTerm &t); // as < and > compare it: missing first
    static void merge(SqlTerm &into, const SqlTerm &from); // aggregate and loose columns
    std::string missing_sentinel(VarType type) const { return type == VarType::Numeric ? "-9e999" : "''"; }

    SqlEnvironment &env_;
    const std::vector<Token> *tokens_; // of the statement, or of a view's while it is translated
    SqlPlan &plan_;
    int in_summary_ = 0; // inside a summary function's argument
    int depth_ = 0;

private:
    std::string error_;
    std::vector<std::string> missing_;
    Token missing_at_;
    int names_ = 0;
};

// The markers around a summary function's text until its query knows whether it is remerged:
// begin, the plain call, then its window form, end.
inline constexpr char summary_begin = '\x01', summary_window = '\x02', summary_end = '\x03';

} // namespace quill::host

#endif
