// FROM and its joins: the comma, CROSS, INNER, LEFT, RIGHT and FULL with ON, and NATURAL joins,
// which match the columns of one name on both sides, missing with missing as = does, and show
// each such column once: first the matched ones in the order of the left side, then the left
// side's others, then the right side's.
#include <algorithm>

#include "base/names.h"
#include "language/sql/sql_translator.h"

namespace quill::host {
namespace {

const char *join_word(SqlJoin join)
{
    switch (join) {
    case SqlJoin::Inner: return " JOIN ";
    case SqlJoin::Left: return " LEFT JOIN ";
    case SqlJoin::Right: return " RIGHT JOIN ";
    case SqlJoin::Full: return " FULL JOIN ";
    default: return ", ";
    }
}

} // namespace

void SqlTranslator::mark_used(const SqlRelation &r, size_t column)
{
    if (r.table >= 0)
        plan_.tables[static_cast<size_t>(r.table)].used[column] = true;
}

// FROM a, b JOIN c ON ... LEFT JOIN d ON ...: an ON condition sees the tables joined so far. A
// comma starts a new group of joined tables: a NATURAL join matches the columns of its group.
bool SqlTranslator::from(const SqlSelect &s, SqlScope &scope, std::string &sql)
{
    size_t group = 0;
    for (const SqlTableRef &ref : s.from) {
        SqlRelation r;
        if (!relation(ref, r))
            return false;
        if (ref.join == SqlJoin::Right || ref.join == SqlJoin::Full)
            for (SqlRelation &before : scope.relations)
                before.nullable = true;
        r.nullable = ref.join == SqlJoin::Left || ref.join == SqlJoin::Full;
        scope.relations.push_back(std::move(r));
        const SqlRelation &added = scope.relations.back();
        if (&ref == &s.from.front() || ref.join == SqlJoin::Comma)
            group = scope.listed.size();
        std::string on;
        if (ref.natural) {
            if (!natural_join(ref, scope, group, on))
                return false;
        } else {
            for (size_t c = 0; c < added.columns.size(); ++c)
                scope.listed.push_back(SqlFromColumn{scope.relations.size() - 1, c, -1});
            if (ref.on && !condition(*ref.on, scope, SqlClause::On, on))
                return false;
        }
        if (&ref == &s.from.front()) {
            sql = added.source;
            continue;
        }
        sql += join_word(ref.join) + added.source;
        if (!on.empty())
            sql += " ON " + on;
    }
    return true;
}

// The relation just added to `scope` joined to the tables of the group that starts at `group`
// in scope.listed: `on` receives the condition, and the group's columns are listed anew.
bool SqlTranslator::natural_join(const SqlTableRef &ref, SqlScope &scope, size_t group, std::string &on)
{
    const size_t right = scope.relations.size() - 1;
    const SqlRelation &r = scope.relations[right];
    const std::vector<SqlFromColumn> left(scope.listed.begin() + static_cast<std::ptrdiff_t>(group), scope.listed.end());
    std::vector<SqlFromColumn> matched, left_rest;
    std::vector<bool> right_matched(r.columns.size(), false);
    for (const SqlFromColumn &l : left) {
        const Variable &lv = scope.variable(l);
        std::vector<size_t> found;
        for (size_t c = 0; c < r.columns.size(); ++c)
            if (same_name(r.columns[c].name, lv.name))
                found.push_back(c);
        if (found.empty()) {
            left_rest.push_back(l);
            continue;
        }
        const auto same = [&](const SqlFromColumn &o) { return same_name(scope.variable(o).name, lv.name); };
        if (found.size() > 1 || std::count_if(left.begin(), left.end(), same) > 1)
            return fail("Ambiguous reference, column " + lv.name + " is in more than one table", ref.at);
        const size_t c = found.front();
        const Variable &rv = r.columns[c];
        if (lv.type != rv.type)
            return fail("Column " + lv.name + " from the left side of the NATURAL join is not the same type as its "
                        "counterpart from the right side",
                        ref.at);
        right_matched[c] = true;
        const std::string &ls = scope.sql(l), &rs = r.column_sql[c];
        on += (on.empty() ? "(" : " AND (") + ls + " IS " + rs + ")";
        SqlJoinedColumn j;
        j.column = lv;
        j.column.length = std::max(lv.length, rv.length);
        j.sql = ref.join == SqlJoin::Full ? "coalesce(" + ls + ", " + rs + ")" : ref.join == SqlJoin::Right ? rs : ls;
        if (l.joined >= 0) {
            SqlJoinedColumn &before = scope.joined[static_cast<size_t>(l.joined)];
            before.current = false;
            j.sources = before.sources;
        } else {
            j.sources.emplace_back(l.relation, l.column);
        }
        j.sources.emplace_back(right, c);
        for (const auto &[relation, column] : j.sources)
            mark_used(scope.relations[relation], column);
        matched.push_back(SqlFromColumn{0, 0, static_cast<int>(scope.joined.size())});
        scope.joined.push_back(std::move(j));
    }
    // No column in common: every row with every row.
    if (on.empty())
        on.push_back('1'); // (GCC 12 wrongly reports = "1" as an overlapping copy)
    scope.listed.resize(group);
    scope.listed.insert(scope.listed.end(), matched.begin(), matched.end());
    scope.listed.insert(scope.listed.end(), left_rest.begin(), left_rest.end());
    for (size_t c = 0; c < r.columns.size(); ++c)
        if (!right_matched[c])
            scope.listed.push_back(SqlFromColumn{right, c, -1});
    return true;
}

} // namespace quill::host
