// Queries: a SELECT's items, WHERE, GROUP BY, HAVING and ORDER BY, and SAS's remerging of summary
// statistics: when a summary function stands beside a column that is not grouped on, the
// statistic is computed over the group (or the whole table) and set beside every row, which in
// SQLite is the same function over a window partitioned by the groups.
#include <algorithm>
#include <cmath>

#include "base/names.h"
#include "language/expression.h"
#include "language/sql/sql_translator.h"

namespace quill::host {
namespace {

// The summary functions' text between their markers: the plain calls, or the calls over the
// window `over`. False when a call has no window form (SUM(DISTINCT x) remerged).
bool resolve_summaries(std::string &sql, const std::string *over)
{
    std::string out;
    out.reserve(sql.size());
    for (size_t i = 0; i < sql.size();) {
        if (sql[i] != summary_begin) {
            out += sql[i++];
            continue;
        }
        const size_t window = sql.find(summary_window, i);
        const size_t end = sql.find(summary_end, window);
        if (!over) {
            out.append(sql, i + 1, window - i - 1);
        } else {
            if (end == window + 1)
                return false;
            out.append(sql, window + 1, end - window - 1);
            out += *over;
        }
        i = end + 1;
    }
    sql = std::move(out);
    return true;
}

bool contains(const std::vector<std::string> &list, const std::string &item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

// A term names a column outside a summary function that no GROUP BY key is, nor is it one itself.
bool ungrouped(const SqlTerm &t, const std::vector<std::string> &keys)
{
    if (contains(keys, t.sql))
        return false;
    return std::any_of(t.loose.begin(), t.loose.end(), [&](const std::string &c) { return !contains(keys, c); });
}

} // namespace

int SqlTranslator::item_named(const SqlExpr &e, const std::vector<Variable> &columns,
                              const std::vector<SqlSelectItem> *items)
{
    if (e.op == SqlOp::Number && !is_missing(e.number) && e.at.kind == TokenKind::Integer) {
        const double k = e.number;
        if (k < 1 || k > static_cast<double>(columns.size())) {
            fail("The item number " + e.at.source + " is not the number of a column of the result (1 to " +
                     std::to_string(columns.size()) + ")",
                 e.at);
            return -2;
        }
        return static_cast<int>(k) - 1;
    }
    if (e.op != SqlOp::Column || !e.qualifier.empty())
        return -1;
    if (items) {
        for (size_t k = 0, column = 0; k < items->size(); ++k) {
            const SqlSelectItem &item = (*items)[k];
            if (item.star)
                return -1; // the columns * stands for are not counted here; the name resolves as a column
            if (!item.alias.empty() && same_name(item.alias, e.name))
                return static_cast<int>(column);
            ++column;
        }
        return -1;
    }
    for (size_t k = 0; k < columns.size(); ++k)
        if (same_name(columns[k].name, e.name))
            return static_cast<int>(k);
    return -1;
}

// One column * stands for, as a select item.
void SqlTranslator::star_column(const SqlScope &scope, const SqlFromColumn &c, const Token &at,
                                std::vector<SqlTerm> &terms, SqlQueryText &out)
{
    if (c.joined < 0)
        mark_used(scope.relations[c.relation], c.column);
    const Variable &v = scope.variable(c);
    SqlTerm t;
    t.sql = scope.sql(c);
    t.type = v.type;
    t.length = v.length;
    t.loose.push_back(t.sql);
    terms.push_back(t);
    out.columns.push_back(v);
    out.places.push_back(at_place("", at));
}

bool SqlTranslator::select_items(const SqlSelect &s, SqlScope &scope, std::vector<SqlTerm> &terms, SqlQueryText &out)
{
    for (const SqlSelectItem &item : s.items) {
        if (item.star) {
            // *: the columns of FROM, one for each a NATURAL join matched; alias.*: those of
            // that table itself, all of them.
            bool any = false;
            for (size_t k = 0; k < scope.relations.size() && !item.star_qualifier.empty(); ++k) {
                if (!same_name(item.star_qualifier, scope.relations[k].alias))
                    continue;
                any = true;
                for (size_t c = 0; c < scope.relations[k].columns.size(); ++c)
                    star_column(scope, SqlFromColumn{k, c, -1}, item.at, terms, out);
            }
            for (size_t k = 0; k < scope.listed.size() && item.star_qualifier.empty(); ++k)
                star_column(scope, scope.listed[k], item.at, terms, out);
            if (item.star_qualifier.empty() && scope.relations.empty())
                return fail("SELECT * needs a FROM clause", item.at);
            if (!item.star_qualifier.empty() && !any)
                return fail("Unresolved reference to table/correlation name " + item.star_qualifier, item.at);
            continue;
        }
        SqlTerm t;
        if (!term(*item.expr, scope, SqlClause::Select, t))
            return false;
        Variable v;
        if (t.column)
            v = *t.column;
        v.name = !item.alias.empty() ? item.alias : t.column ? t.column->name : std::string();
        v.type = t.type;
        v.length = t.type == VarType::Character ? (item.attributes.length ? item.attributes.length : t.length)
                                                : number_length;
        if (item.attributes.has_label)
            v.label = item.attributes.label;
        if (!item.attributes.format.empty())
            v.format = item.attributes.format;
        terms.push_back(std::move(t));
        out.columns.push_back(std::move(v));
        out.places.push_back(at_place("", item.at));
    }
    return true;
}

bool SqlTranslator::group_by(const SqlSelect &s, SqlScope &scope, const std::vector<SqlTerm> &items,
                             std::vector<SqlTerm> &keys)
{
    std::vector<Variable> columns(items.size());
    for (const SqlExprPtr &e : s.group_by) {
        const int k = item_named(*e, columns, &s.items);
        if (k == -2)
            return false;
        SqlTerm key;
        if (k >= 0)
            key = items[static_cast<size_t>(k)];
        else if (!term(*e, scope, SqlClause::GroupBy, key))
            return false;
        if (key.aggregate)
            return fail("Summary functions are restricted to the SELECT and HAVING clauses only", e->at);
        keys.push_back(std::move(key));
    }
    return true;
}

// ORDER BY: a number or a result column's name is that column; any other expression (a simple
// query's only) becomes a hidden column after the result's, which the order names by number.
bool SqlTranslator::order(const std::vector<SqlOrderItem> &items, SqlScope *scope, std::vector<SqlTerm> &hidden,
                          const SqlQueryText &result, const std::vector<SqlTerm> *visible, std::string &sql)
{
    for (const SqlOrderItem &item : items) {
        int k = item_named(*item.expr, result.columns, scope ? scope->items : nullptr);
        if (k == -1 && !scope)
            k = item_named(*item.expr, result.columns, nullptr);
        if (k == -2)
            return false;
        VarType type;
        if (k >= 0) {
            type = result.columns[static_cast<size_t>(k)].type;
        } else if (!scope) {
            return fail("ORDER BY of a set operation names a column of its result, by name or number", item.expr->at);
        } else {
            SqlTerm t;
            if (!term(*item.expr, *scope, SqlClause::OrderBy, t))
                return false;
            type = t.type;
            for (size_t v = 0; visible && v < visible->size() && k < 0; ++v)
                if ((*visible)[v].sql == t.sql)
                    k = static_cast<int>(v);
            if (k < 0) {
                note_once("The query as specified involves ordering by an item that doesn't appear in its SELECT clause.");
                k = static_cast<int>(result.columns.size() + hidden.size());
                hidden.push_back(std::move(t));
            }
        }
        sql += std::string(sql.empty() ? " ORDER BY " : ", ") + std::to_string(k + 1) +
               (type == VarType::Character ? " COLLATE SAS" : "") + (item.descending ? " DESC" : "");
    }
    return true;
}

bool SqlTranslator::select(const SqlSelect &s, const std::vector<SqlOrderItem> &order_items, SqlScope *outer,
                           SqlQueryText &out)
{
    SqlScope scope;
    scope.outer = outer;
    scope.items = &s.items;
    std::string from_sql, where_sql, having_sql, order_sql;
    std::vector<SqlTerm> items, keys, hidden;
    if (!from(s, scope, from_sql) || !select_items(s, scope, items, out))
        return false;
    if (s.where && !condition(*s.where, scope, SqlClause::Where, where_sql))
        return false;
    if (!group_by(s, scope, items, keys))
        return false;
    SqlTerm having;
    if (s.having && !term(*s.having, scope, SqlClause::Having, having))
        return false;
    if (s.having && having.type != VarType::Numeric)
        return fail("A character expression cannot be used as a condition", s.having->at);
    if (!order(order_items, &scope, hidden, out, &items, order_sql))
        return false;
    const bool summarized = std::any_of(items.begin(), items.end(), [](const SqlTerm &t) { return t.aggregate; }) ||
                            having.aggregate;
    std::vector<std::string> key_sql;
    for (const SqlTerm &k : keys)
        key_sql.push_back(k.sql);
    if (!keys.empty() && !summarized) {
        warn_once("A GROUP BY clause has been transformed into an ORDER BY clause because neither the SELECT clause "
                  "nor the optional HAVING clause of the associated table-expression referenced a summary function.");
        std::string by;
        for (const SqlTerm &k : keys)
            by += (by.empty() ? "" : ", ") + k.sql + (k.type == VarType::Character ? " COLLATE SAS" : "");
        order_sql = order_sql.empty() ? " ORDER BY " + by : order_sql + ", " + by;
        keys.clear();
        key_sql.clear();
    }
    bool remerge = false;
    if (summarized) {
        for (const SqlTerm &t : items)
            remerge = remerge || ungrouped(t, key_sql);
        remerge = remerge || (s.having && ungrouped(having, key_sql));
        for (const SqlTerm &t : hidden)
            remerge = remerge || ungrouped(t, key_sql);
    }
    std::string over;
    if (remerge) {
        note_once("The query requires remerging summary statistics back with the original data.");
        std::string partition;
        for (const std::string &k : key_sql)
            partition += (partition.empty() ? "" : ", ") + k;
        over = partition.empty() ? " OVER ()" : " OVER (PARTITION BY " + partition + ")";
    }
    std::string list;
    const auto add = [&](SqlTerm &t, const std::string &name) {
        if (!resolve_summaries(t.sql, remerge ? &over : nullptr))
            return fail("A summary function with DISTINCT cannot be remerged by this host (only COUNT(DISTINCT ...))",
                        s.at);
        list += (list.empty() ? "" : ", ") + t.sql + " AS " + name;
        return true;
    };
    for (size_t k = 0; k < items.size(); ++k)
        if (!add(items[k], numbered_name('o', k)))
            return false;
    for (size_t k = 0; k < hidden.size(); ++k)
        if (!add(hidden[k], numbered_name('k', k)))
            return false;
    if (s.having && !resolve_summaries(having.sql, remerge ? &over : nullptr))
        return fail("A summary function with DISTINCT cannot be remerged by this host (only COUNT(DISTINCT ...))", s.at);
    std::string body = (from_sql.empty() ? "" : " FROM " + from_sql) + (where_sql.empty() ? "" : " WHERE " + where_sql);
    const std::string distinct = s.distinct ? "DISTINCT " : "";
    if (!remerge) {
        std::string group;
        for (const std::string &k : key_sql)
            group += (group.empty() ? " GROUP BY " : ", ") + k;
        out.sql = "SELECT " + distinct + list + body + group + (s.having ? " HAVING " + truth(having) : "") + order_sql;
    } else if (!s.having) {
        out.sql = "SELECT " + distinct + list + body + order_sql;
    } else {
        std::string names;
        for (size_t k = 0; k < items.size(); ++k)
            names += (k ? ", o" : "o") + std::to_string(k);
        for (size_t k = 0; k < hidden.size(); ++k)
            names += ", k" + std::to_string(k);
        out.sql = "SELECT " + distinct + names + " FROM (SELECT " + list + ", " + truth(having) + " AS h" + body +
                  ") WHERE h" + order_sql;
    }
    out.simple = true;
    return true;
}

bool SqlTranslator::query(const SqlQuery &q, SqlScope *outer, bool top, SqlQueryText &out)
{
    (void)top;
    if (q.op == SqlSetOp::None)
        return select(*q.select, q.order_by, outer, out);
    if (!set_operation(q, outer, out))
        return false;
    std::vector<SqlTerm> hidden;
    std::string order_sql;
    if (!order(q.order_by, nullptr, hidden, out, nullptr, order_sql))
        return false;
    out.sql += order_sql;
    return true;
}

} // namespace quill::host
