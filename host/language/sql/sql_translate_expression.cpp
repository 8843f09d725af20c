// Expressions: names resolved, types checked, SAS's meaning written in SQLite's terms (see
// sql_translate.h for the rules).
#include <cmath>
#include <cstdio>

#include "base/names.h"
#include "language/expression.h"
#include "language/sql/sql_parser.h"
#include "language/sql/sql_translator.h"

namespace quill::host {
namespace {

const char *operation_name(SqlOp op)
{
    switch (op) {
    case SqlOp::Add: return "addition (+)";
    case SqlOp::Subtract: return "subtraction (-)";
    case SqlOp::Multiply: return "multiplication (*)";
    case SqlOp::Divide: return "division (/)";
    case SqlOp::Power: return "exponentiation (**)";
    case SqlOp::Negate: return "negation (-)";
    case SqlOp::Equal: return "equals (=)";
    case SqlOp::NotEqual: return "not equals (^=)";
    case SqlOp::Less: return "less than (<)";
    case SqlOp::LessEqual: return "less than or equal (<=)";
    case SqlOp::Greater: return "greater than (>)";
    case SqlOp::GreaterEqual: return "greater than or equal (>=)";
    case SqlOp::And: return "AND";
    case SqlOp::Or: return "OR";
    case SqlOp::Not: return "NOT";
    default: return "?";
    }
}

const char *sqlite_comparison(SqlOp op)
{
    switch (op) {
    case SqlOp::Equal: return " IS ";
    case SqlOp::NotEqual: return " IS NOT ";
    case SqlOp::Less: return " < ";
    case SqlOp::LessEqual: return " <= ";
    case SqlOp::Greater: return " > ";
    default: return " >= ";
    }
}

// A number as SQLite reads it back exactly, always as a real (so that 1/2 is 0.5).
std::string real_literal(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    std::string s = text;
    if (s.find_first_of(".eEn") == std::string::npos)
        s += ".0";
    return "(" + s + ")";
}

} // namespace

void SqlTranslator::merge(SqlTerm &into, const SqlTerm &from)
{
    into.aggregate = into.aggregate || from.aggregate;
    into.loose.insert(into.loose.end(), from.loose.begin(), from.loose.end());
}

std::string SqlTranslator::truth(const SqlTerm &t)
{
    if (t.boolean)
        return t.sql;
    return t.nullable ? "(coalesce(" + t.sql + ", 0) <> 0)" : "(" + t.sql + " <> 0)";
}

std::string SqlTranslator::ordered(const SqlTerm &t)
{
    if (t.type == VarType::Numeric)
        return t.nullable ? "coalesce(" + t.sql + ", -9e999)" : t.sql;
    return (t.nullable ? "coalesce(" + t.sql + ", '')" : t.sql) + " COLLATE SAS";
}

bool SqlTranslator::same_type(const SqlTerm &a, const SqlTerm &b, const std::string &operation, const Token &at)
{
    if (a.type == b.type)
        return true;
    return fail("Expression using " + operation + " has components that are of different data types", at);
}

bool SqlTranslator::term(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out)
{
    if (failed() && !error_.empty())
        return false;
    if (++depth_ > 2 * max_sql_nesting + 16) {
        --depth_;
        return fail("The statement is nested too deeply", e.at);
    }
    out = SqlTerm{};
    bool ok = false;
    switch (e.op) {
    case SqlOp::Column: ok = column(e, scope, clause, out); break;
    case SqlOp::Calculated: ok = calculated(e, scope, clause, out); break;
    case SqlOp::Number:
    case SqlOp::String: ok = constant(e, out); break;
    case SqlOp::Negate:
    case SqlOp::Add:
    case SqlOp::Subtract:
    case SqlOp::Multiply:
    case SqlOp::Divide:
    case SqlOp::Power: ok = arithmetic(e, scope, clause, out); break;
    case SqlOp::Concat: ok = concat(e, scope, clause, out); break;
    case SqlOp::Equal:
    case SqlOp::NotEqual:
    case SqlOp::Less:
    case SqlOp::LessEqual:
    case SqlOp::Greater:
    case SqlOp::GreaterEqual: ok = comparison(e, scope, clause, out); break;
    case SqlOp::And:
    case SqlOp::Or:
    case SqlOp::Not: ok = logical(e, scope, clause, out); break;
    case SqlOp::Between:
    case SqlOp::Like:
    case SqlOp::Contains:
    case SqlOp::IsMissing: ok = predicate(e, scope, clause, out); break;
    case SqlOp::InList: ok = in_list(e, scope, clause, out); break;
    case SqlOp::InQuery:
    case SqlOp::Exists:
    case SqlOp::Compare:
    case SqlOp::Subquery: ok = subquery(e, scope, clause, out); break;
    case SqlOp::Call: ok = call(e, scope, clause, out); break;
    case SqlOp::Case: ok = case_term(e, scope, clause, out); break;
    }
    --depth_;
    return ok;
}

bool SqlTranslator::condition(const SqlExpr &e, SqlScope &scope, SqlClause clause, std::string &sql)
{
    SqlTerm t;
    if (!term(e, scope, clause, t))
        return false;
    if (t.type != VarType::Numeric)
        return fail("A character expression cannot be used as a condition", e.at);
    sql = truth(t);
    return true;
}

// A name: a column of this query's tables, else of an enclosing query's (a correlated
// reference); in ORDER BY also a column of the result. A column a NATURAL join matched is found
// by its name alone as the one column the join made of it. Unknown names are gathered, to be
// named together in one error as SAS does.
bool SqlTranslator::column(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out)
{
    for (SqlScope *s = &scope; s; s = s->outer) {
        const SqlJoinedColumn *joined = nullptr;
        const SqlRelation *found = nullptr;
        size_t index = 0;
        for (const SqlJoinedColumn &j : s->joined)
            if (j.current && e.qualifier.empty() && same_name(j.column.name, e.name))
                joined = &j;
        for (size_t k = 0; k < s->relations.size(); ++k) {
            const SqlRelation &r = s->relations[k];
            if (!e.qualifier.empty() && !same_name(e.qualifier, r.alias))
                continue;
            for (size_t c = 0; c < r.columns.size(); ++c) {
                if (!same_name(r.columns[c].name, e.name) || (joined && joined_source(*joined, k, c)))
                    continue;
                if (joined || (found && found != &r))
                    return fail("Ambiguous reference, column " + e.name + " is in more than one table", e.at);
                found = &r;
                index = c;
            }
        }
        if (!found && !joined)
            continue;
        if (found)
            mark_used(*found, index);
        out.sql = joined ? joined->sql : found->column_sql[index];
        out.column = joined ? &joined->column : &found->columns[index];
        out.type = out.column->type;
        out.length = out.type == VarType::Character ? out.column->length : number_length;
        out.nullable = true;
        if (s == &scope && in_summary_ == 0)
            out.loose.push_back(out.sql);
        return true;
    }
    (void)clause;
    const std::string name = e.qualifier.empty() ? e.name : e.qualifier + "." + e.name;
    if (missing_.empty())
        missing_at_ = e.at;
    bool listed = false;
    for (const std::string &m : missing_)
        listed = listed || same_name(m, name);
    if (!listed)
        missing_.push_back(name);
    out.sql = "NULL";
    return true;
}

// CALCULATED name: the expression of the select item so named, translated again where it is used.
bool SqlTranslator::calculated(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out)
{
    const SqlSelectItem *item = nullptr;
    if (scope.items)
        for (const SqlSelectItem &i : *scope.items)
            if (i.expr && same_name(i.alias, e.name))
                item = &i;
    if (!item)
        return fail("The following columns were not found as CALCULATED references in the immediate query: " + e.name,
                    e.at);
    const std::string key = upper_case(e.name);
    if (scope.calculating.count(key))
        return fail("The CALCULATED column " + e.name + " refers to itself", e.at);
    scope.calculating.insert(key);
    const bool ok = term(*item->expr, scope, clause, out);
    scope.calculating.erase(key);
    out.column = nullptr;
    return ok;
}

bool SqlTranslator::constant(const SqlExpr &e, SqlTerm &out)
{
    if (e.op == SqlOp::Number) {
        out.nullable = is_missing(e.number);
        out.sql = out.nullable ? "NULL" : real_literal(e.number);
        return true;
    }
    out.type = VarType::Character;
    out.length = std::max<size_t>(1, e.text.size());
    SqlValue v;
    v.type = VarType::Character;
    v.text = e.text.substr(0, e.text.find_last_not_of(' ') + 1);
    if (e.text.find_first_not_of(' ') == std::string::npos)
        v.text.clear();
    out.nullable = v.text.empty();
    out.sql = out.nullable ? "NULL" : parameter(v);
    return true;
}

bool SqlTranslator::arithmetic(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out)
{
    SqlTerm a, b;
    if (!term(*e.args[0], scope, clause, a) || (e.args.size() > 1 && !term(*e.args[1], scope, clause, b)))
        return false;
    if (a.type != VarType::Numeric || (e.args.size() > 1 && b.type != VarType::Numeric))
        return fail(std::string("Expression using ") + operation_name(e.op) + " requires numeric types", e.at);
    merge(out, a);
    merge(out, b);
    switch (e.op) {
    case SqlOp::Negate: out.sql = "(- " + a.sql + ")"; break;
    case SqlOp::Add: out.sql = "(" + a.sql + " + " + b.sql + ")"; break;
    case SqlOp::Subtract: out.sql = "(" + a.sql + " - " + b.sql + ")"; break;
    case SqlOp::Multiply: out.sql = "(" + a.sql + " * " + b.sql + ")"; break;
    case SqlOp::Divide: out.sql = "(CAST(" + a.sql + " AS REAL) / " + b.sql + ")"; break;
    default: out.sql = "pow(" + a.sql + ", " + b.sql + ")"; break;
    }
    return true;
}

// a || b: SAS keeps a's trailing blanks, up to its length.
bool SqlTranslator::concat(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out)
{
    SqlTerm a, b;
    if (!term(*e.args[0], scope, clause, a) || !term(*e.args[1], scope, clause, b))
        return false;
    if (a.type != VarType::Character || b.type != VarType::Character)
        return fail("Concatenation (||) requires character operands", e.at);
    merge(out, a);
    merge(out, b);
    out.type = VarType::Character;
    out.length = a.length + b.length;
    out.sql = "sas_cat(" + std::to_string(a.length) + ", " + a.sql + ", 0, " + b.sql + ")";
    return true;
}

bool SqlTranslator::comparison(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out)
{
    SqlTerm a, b;
    if (!term(*e.args[0], scope, clause, a) || !term(*e.args[1], scope, clause, b) ||
        !same_type(a, b, operation_name(e.op), e.at))
        return false;
    merge(out, a);
    merge(out, b);
    out.boolean = true;
    out.nullable = false;
    if (e.op == SqlOp::Equal || e.op == SqlOp::NotEqual)
        out.sql = "(" + a.sql + sqlite_comparison(e.op) + b.sql + ")";
    else
        out.sql = parenthesized({ordered(a), sqlite_comparison(e.op), ordered(b)});
    return true;
}

bool SqlTranslator::logical(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out)
{
    std::vector<SqlTerm> parts(e.args.size());
    for (size_t k = 0; k < e.args.size(); ++k) {
        if (!term(*e.args[k], scope, clause, parts[k]))
            return false;
        if (parts[k].type != VarType::Numeric)
            return fail(std::string("Expression using ") + operation_name(e.op) + " requires numeric types", e.at);
        merge(out, parts[k]);
    }
    out.boolean = true;
    out.nullable = false;
    if (e.op == SqlOp::Not)
        out.sql = "(NOT " + truth(parts[0]) + ")";
    else
        out.sql = parenthesized({truth(parts[0]), e.op == SqlOp::And ? " AND " : " OR ", truth(parts[1])});
    return true;
}

// BETWEEN, LIKE, CONTAINS and IS MISSING: never missing themselves.
bool SqlTranslator::predicate(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out)
{
    std::vector<SqlTerm> parts(e.args.size());
    for (size_t k = 0; k < e.args.size(); ++k) {
        if (!term(*e.args[k], scope, clause, parts[k]))
            return false;
        merge(out, parts[k]);
    }
    out.boolean = true;
    out.nullable = false;
    const auto text = [](const SqlTerm &t) { return t.nullable ? "coalesce(" + t.sql + ", '')" : t.sql; };
    std::string sql;
    switch (e.op) {
    case SqlOp::Between:
        if (!same_type(parts[0], parts[1], "BETWEEN", e.at) || !same_type(parts[0], parts[2], "BETWEEN", e.at))
            return false;
        sql = parenthesized({ordered(parts[0]), " BETWEEN ", ordered(parts[1]), " AND ", ordered(parts[2])});
        break;
    case SqlOp::Like:
    case SqlOp::Contains:
        for (const SqlTerm &p : parts)
            if (p.type != VarType::Character)
                return fail(std::string(e.op == SqlOp::Like ? "LIKE" : "CONTAINS") + " requires character operands", e.at);
        if (e.op == SqlOp::Like)
            sql = parenthesized({text(parts[0]), " LIKE ", text(parts[1]), parts.size() > 2 ? " ESCAPE " : "",
                                 parts.size() > 2 ? text(parts[2]) : std::string()});
        else
            sql = "(instr(" + text(parts[0]) + ", " + text(parts[1]) + ") > 0)";
        break;
    default: // IS MISSING
        out.sql = "(" + parts[0].sql + (e.negated ? " IS NOT NULL)" : " IS NULL)");
        return true;
    }
    out.sql = e.negated ? "(NOT " + sql + ")" : sql;
    return true;
}

// x IN (a, b, ...): a missing x is found when the list holds a missing value.
bool SqlTranslator::in_list(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out)
{
    SqlTerm value;
    if (!term(*e.args[0], scope, clause, value))
        return false;
    merge(out, value);
    const std::string sentinel = missing_sentinel(value.type);
    std::string list;
    for (size_t k = 1; k < e.args.size(); ++k) {
        SqlTerm item;
        if (!term(*e.args[k], scope, clause, item) || !same_type(value, item, "IN", e.args[k]->at))
            return false;
        merge(out, item);
        list += (k > 1 ? ", " : "") + (item.nullable ? "coalesce(" + item.sql + ", " + sentinel + ")" : item.sql);
    }
    const std::string found = parenthesized(
        {value.nullable ? "coalesce(" + value.sql + ", " + sentinel + ")" : value.sql, " IN (", list, ")"});
    out.sql = e.negated ? "(NOT " + found + ")" : found;
    out.boolean = true;
    out.nullable = false;
    return true;
}

// CASE: the first WHEN that holds gives the result; none, and no ELSE: missing, with SAS's note.
bool SqlTranslator::case_term(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out)
{
    size_t k = 0;
    SqlTerm operand;
    if (e.has_operand) {
        if (!term(*e.args[0], scope, clause, operand))
            return false;
        merge(out, operand);
        k = 1;
    }
    const size_t whens_end = e.has_else ? e.args.size() - 1 : e.args.size();
    int results = 0;
    // A result's text, its type the same as the results before it.
    const auto result = [&](const SqlExpr &r, std::string &sql) {
        SqlTerm t;
        if (!term(r, scope, clause, t))
            return false;
        merge(out, t);
        if (results > 0 && t.type != out.type)
            return fail("Result of WHEN clause " + std::to_string(results + 1) +
                            " is not the same data type as the preceding results",
                        r.at);
        out.length = results == 0 ? t.length : std::max(out.length, t.length);
        out.type = t.type;
        ++results;
        sql = t.sql;
        return true;
    };
    std::string sql = "(CASE";
    for (; k + 1 < whens_end + 1 && k < whens_end; k += 2) {
        SqlTerm when;
        if (!term(*e.args[k], scope, clause, when))
            return false;
        merge(out, when);
        if (e.has_operand) {
            if (!same_type(operand, when, "equals (=)", e.args[k]->at))
                return false;
            sql += " WHEN (" + operand.sql + " IS " + when.sql + ")";
        } else {
            if (when.type != VarType::Numeric)
                return fail("A character expression cannot be used as a condition", e.args[k]->at);
            sql += " WHEN " + truth(when);
        }
        std::string then;
        if (!result(*e.args[k + 1], then))
            return false;
        sql += " THEN " + then;
    }
    if (e.has_else) {
        std::string otherwise;
        if (!result(*e.args.back(), otherwise))
            return false;
        sql += " ELSE " + otherwise;
    } else {
        note_once("A CASE expression has no ELSE clause. Cases not accounted for by the WHEN clauses will result in a "
                  "missing value for the CASE expression.");
    }
    out.sql = sql + " END)";
    out.nullable = true;
    return true;
}

} // namespace quill::host
