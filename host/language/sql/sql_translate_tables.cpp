// What a query reads: the tables of FROM (their joins are in sql_translate_joins.cpp), data sets
// opened through the host's library (each read once however often it is named), the run's SQL
// views, queries in FROM and in expressions, and the set operators. Also the translator's entry
// points.
#include <algorithm>

#include "base/names.h"
#include "language/expression.h"
#include "language/sql/sql_dictionary.h"
#include "language/sql/sql_parser.h"
#include "language/sql/sql_translator.h"

namespace quill::host {
namespace {

const char *set_operator_name(SqlSetOp op)
{
    switch (op) {
    case SqlSetOp::Except: return "EXCEPT";
    case SqlSetOp::Intersect: return "INTERSECT";
    case SqlSetOp::OuterUnion: return "OUTER UNION";
    default: return "UNION";
    }
}

} // namespace

bool SqlTranslator::fail(const std::string &message, const Token &at)
{
    if (error_.empty())
        error_ = at_place(message, at);
    return false;
}

bool SqlTranslator::finish(std::string &error)
{
    if (!missing_.empty()) {
        std::string list;
        for (const std::string &m : missing_)
            list += (list.empty() ? "" : ", ") + m;
        error = at_place("The following columns were not found in the contributing tables: " + list, missing_at_);
        return false;
    }
    if (!error_.empty()) {
        error = error_;
        return false;
    }
    return true;
}

std::string SqlTranslator::parameter(const SqlValue &value)
{
    plan_.parameters.push_back(value);
    return "?" + std::to_string(plan_.parameters.size());
}

void SqlTranslator::note_once(const std::string &note)
{
    if (std::find(plan_.notes.begin(), plan_.notes.end(), note) == plan_.notes.end())
        plan_.notes.push_back(note);
}

void SqlTranslator::warn_once(const std::string &warning)
{
    if (std::find(plan_.warnings.begin(), plan_.warnings.end(), warning) == plan_.warnings.end())
        plan_.warnings.push_back(warning);
}

bool open_sql_table(SqlEnvironment &env, const std::vector<Token> &tokens, size_t begin, size_t end,
                    SqlSourceTable &table, std::string &error)
{
    if (dictionary_reference(tokens[begin], table.ref)) {
        if (begin + 1 < end) {
            error = "Data set options are not taken by " + table.ref.name.display;
            return false;
        }
        table.view = whole_view(dictionary_table(env.library, table.ref));
        table.used.assign(table.view.variables.size(), false);
        table.key = table.ref.name.display;
        return true;
    }
    if (!parse_dataset_reference(tokens, begin, end, env.library, table.ref, error))
        return false;
    if (table.ref.is_null) {
        error = "_NULL_ cannot be read";
        return false;
    }
    if (!open_for_reading(table.ref, env.library, env.log, table.view, error)) {
        const std::string missing = "Data set " + table.ref.name.display + " does not exist.";
        if (error == missing)
            error = "File " + upper_case(table.ref.name.display) + ".DATA does not exist";
        else if (!error.empty() && error.back() == '.')
            error.pop_back();
        return false;
    }
    table.used.assign(table.view.variables.size(), false);
    table.key = table.ref.name.display + sql_text(tokens, begin + 1, end);
    return true;
}

bool SqlTranslator::relation_of_table(size_t begin, size_t end, const std::string &alias, const Token &at,
                                      SqlRelation &out)
{
    DatasetReference ref;
    std::string error;
    if (!dictionary_reference((*tokens_)[begin], ref) &&
        !parse_dataset_reference(*tokens_, begin, end, env_.library, ref, error))
        return fail(error.back() == '.' ? error.substr(0, error.size() - 1) : error, at);
    out.alias = !alias.empty() ? alias : ref.name.member;
    out.libref = ref.name.libref;
    if (const SqlViewDefinition *view = env_.views ? env_.views->find(ref.name) : nullptr) {
        if (ref.has_options())
            return fail("Data set options are not taken by the view " + ref.name.display + " here", at);
        return view_relation(*view, out.alias, at, out);
    }
    const std::string key = ref.name.display + sql_text(*tokens_, begin + 1, end);
    auto found = std::find_if(plan_.tables.begin(), plan_.tables.end(), [&](const SqlSourceTable &t) { return t.key == key; });
    if (found == plan_.tables.end()) {
        SqlSourceTable table;
        if (!open_sql_table(env_, *tokens_, begin, end, table, error))
            return fail(error, at);
        table.sql_name = numbered_name('d', plan_.tables.size());
        plan_.tables.push_back(std::move(table));
        found = plan_.tables.end() - 1;
    }
    out.table = static_cast<int>(found - plan_.tables.begin());
    out.sql = next_name('t');
    out.source = found->sql_name + " AS " + out.sql;
    out.columns = found->view.variables;
    for (size_t c = 0; c < out.columns.size(); ++c)
        out.column_sql.push_back(out.sql + ".c" + std::to_string(c));
    return true;
}

// A view of the run: its query, translated where it is named, from the data sets as they are now.
bool SqlTranslator::view_relation(const SqlViewDefinition &view, const std::string &alias, const Token &at,
                                  SqlRelation &out)
{
    const std::string key = upper_case(view.name.display);
    if (views_open_.count(key))
        return fail("The view " + key + " refers to itself", at);
    SqlStatement statement;
    std::string error;
    if (!parse_sql_statement(view.statement, statement, error) || !statement.query)
        return fail("The view " + key + " cannot be read: " + error, at);
    views_open_.insert(key);
    const std::vector<Token> *tokens = tokens_;
    tokens_ = &view.statement;
    SqlQueryText text;
    const bool ok = query(*statement.query, nullptr, false, text);
    tokens_ = tokens;
    views_open_.erase(key);
    if (!ok)
        return false;
    out.alias = alias;
    return query_relation(text, out);
}

bool SqlTranslator::relation(const SqlTableRef &ref, SqlRelation &out)
{
    if (!ref.query)
        return relation_of_table(ref.begin, ref.end, ref.alias, ref.at, out);
    SqlQueryText text;
    if (!query(*ref.query, nullptr, false, text))
        return false;
    out.alias = ref.alias;
    return query_relation(text, out);
}

// A query as a relation of FROM: its columns o0, o1 ... under a new name.
bool SqlTranslator::query_relation(const SqlQueryText &text, SqlRelation &out)
{
    out.sql = next_name('t');
    out.source = "(" + text.sql + ") AS " + out.sql;
    out.columns = text.columns;
    for (size_t c = 0; c < out.columns.size(); ++c)
        out.column_sql.push_back(out.sql + ".o" + std::to_string(c));
    return true;
}

// UNION, EXCEPT, INTERSECT (each also ALL), OUTER UNION; CORR matches the columns by name.
bool SqlTranslator::set_operation(const SqlQuery &q, SqlScope *outer, SqlQueryText &out)
{
    SqlQueryText left, right;
    if (!query(*q.left, outer, false, left) || !query(*q.right, outer, false, right))
        return false;
    const std::string op = set_operator_name(q.op);
    // Each result column: its left and right column (-1: none, missing there).
    std::vector<std::pair<int, int>> pairs;
    if (q.corresponding) {
        for (size_t l = 0; l < left.columns.size(); ++l) {
            int match = -1;
            for (size_t r = 0; r < right.columns.size() && match < 0; ++r)
                if (!left.columns[l].name.empty() && same_name(left.columns[l].name, right.columns[r].name))
                    match = static_cast<int>(r);
            if (match >= 0 || q.op == SqlSetOp::OuterUnion)
                pairs.emplace_back(static_cast<int>(l), match);
        }
        for (size_t r = 0; q.op == SqlSetOp::OuterUnion && r < right.columns.size(); ++r)
            if (std::none_of(pairs.begin(), pairs.end(), [&](const auto &p) { return p.second == static_cast<int>(r); }))
                pairs.emplace_back(-1, static_cast<int>(r));
    } else if (q.op == SqlSetOp::OuterUnion) {
        for (size_t l = 0; l < left.columns.size(); ++l)
            pairs.emplace_back(static_cast<int>(l), -1);
        for (size_t r = 0; r < right.columns.size(); ++r)
            pairs.emplace_back(-1, static_cast<int>(r));
    } else {
        const size_t n = std::max(left.columns.size(), right.columns.size());
        if (left.columns.size() != right.columns.size())
            warn_once("A table has been extended with null columns to perform the " + op + " set operation.");
        for (size_t k = 0; k < n; ++k)
            pairs.emplace_back(k < left.columns.size() ? static_cast<int>(k) : -1,
                               k < right.columns.size() ? static_cast<int>(k) : -1);
    }
    if (pairs.empty())
        return fail("The " + op + " CORRESPONDING set operation has no column of the same name on both sides", q.at);
    std::string left_list, right_list, partition_left, partition_right;
    for (size_t k = 0; k < pairs.size(); ++k) {
        const auto [l, r] = pairs[k];
        const Variable *lv = l >= 0 ? &left.columns[static_cast<size_t>(l)] : nullptr;
        const Variable *rv = r >= 0 ? &right.columns[static_cast<size_t>(r)] : nullptr;
        if (lv && rv && lv->type != rv->type)
            return fail("Column " + std::to_string(k + 1) + " from the first contributor of " + op +
                            " is not the same type as its counterpart from the second",
                        q.at);
        Variable v = lv ? *lv : *rv;
        if (lv && rv)
            v.length = std::max(lv->length, rv->length);
        if (v.name.empty() && rv)
            v.name = rv->name;
        out.columns.push_back(v);
        out.places.push_back(l >= 0 ? left.places[static_cast<size_t>(l)] : right.places[static_cast<size_t>(r)]);
        const std::string ls = l >= 0 ? numbered_name('o', static_cast<size_t>(l)) : "NULL";
        const std::string rs = r >= 0 ? numbered_name('o', static_cast<size_t>(r)) : "NULL";
        left_list += (k ? ", " : "") + ls + " AS o" + std::to_string(k);
        right_list += (k ? ", " : "") + rs;
        partition_left += (k ? ", " : "") + ls;
        partition_right += (k ? ", " : "") + rs;
    }
    const std::string sql_op = q.op == SqlSetOp::OuterUnion ? "UNION ALL" : op + (q.all ? " ALL" : "");
    if (q.all && (q.op == SqlSetOp::Except || q.op == SqlSetOp::Intersect)) {
        // SQLite has neither ALL: each row is numbered among its equals, so that the n-th copy of
        // a row meets only the n-th copy on the other side.
        std::string names;
        for (size_t k = 0; k < pairs.size(); ++k)
            names += (k ? ", o" : "o") + std::to_string(k);
        out.sql = "SELECT " + names + " FROM (SELECT " + left_list + ", row_number() OVER (PARTITION BY " +
                  partition_left + ") AS n FROM (" + left.sql + ") " + op + " SELECT " + right_list +
                  ", row_number() OVER (PARTITION BY " + partition_right + ") FROM (" + right.sql + "))";
        return true;
    }
    out.sql = "SELECT " + left_list + " FROM (" + left.sql + ") " + sql_op + " SELECT " + right_list + " FROM (" +
              right.sql + ")";
    return true;
}

// A query inside an expression: EXISTS, IN, a comparison with ANY or ALL, or one value.
bool SqlTranslator::subquery(const SqlExpr &e, SqlScope &scope, SqlClause clause, SqlTerm &out)
{
    SqlQueryText text;
    if (!query(*e.query, &scope, false, text))
        return false;
    out.boolean = e.op != SqlOp::Subquery;
    out.nullable = e.op == SqlOp::Subquery;
    if (e.op == SqlOp::Exists) {
        out.sql = "(EXISTS (" + text.sql + "))";
        return true;
    }
    if (text.columns.size() != 1)
        return fail("A subquery cannot select more than a single column", e.at);
    const Variable &column = text.columns[0];
    if (e.op == SqlOp::Subquery) {
        out.type = column.type;
        out.length = column.type == VarType::Character ? column.length : number_length;
        out.sql = "(SELECT sas_single(o0) FROM (" + text.sql + "))";
        return true;
    }
    SqlTerm value;
    if (!term(*e.args[0], scope, clause, value))
        return false;
    merge(out, value);
    SqlTerm inner;
    inner.type = column.type;
    if (!same_type(value, inner, e.op == SqlOp::InQuery ? "IN" : "a comparison with a subquery", e.at))
        return false;
    if (e.op == SqlOp::InQuery) {
        const std::string s = missing_sentinel(value.type);
        const std::string found = "(coalesce(" + value.sql + ", " + s + ") IN (SELECT coalesce(o0, " + s + ") FROM (" +
                                  text.sql + ")))";
        out.sql = e.negated ? "(NOT " + found + ")" : found;
        return true;
    }
    // x > ALL (query): no row where it fails; x > ANY (query): some row where it holds.
    const std::string name = next_name('q');
    inner.sql = name + ".o0";
    const char *op = e.compare == SqlOp::Equal      ? " IS "
                     : e.compare == SqlOp::NotEqual ? " IS NOT "
                     : e.compare == SqlOp::Less     ? " < "
                     : e.compare == SqlOp::LessEqual ? " <= "
                     : e.compare == SqlOp::Greater  ? " > "
                                                    : " >= ";
    const bool order = e.compare != SqlOp::Equal && e.compare != SqlOp::NotEqual;
    const std::string holds = "(" + (order ? ordered(value) : value.sql) + op + (order ? ordered(inner) : inner.sql) + ")";
    out.sql = e.all ? "(NOT EXISTS (SELECT 1 FROM (" + text.sql + ") AS " + name + " WHERE NOT " + holds + "))"
                    : "(EXISTS (SELECT 1 FROM (" + text.sql + ") AS " + name + " WHERE " + holds + "))";
    return true;
}

bool translate_sql_query(SqlEnvironment &env, const std::vector<Token> &tokens, const SqlQuery &query, SqlPlan &plan,
                         std::string &error)
{
    SqlTranslator translator(env, tokens, plan);
    SqlQueryText text;
    const bool ok = translator.query(query, nullptr, true, text);
    if (!translator.finish(error) || !ok)
        return error.empty() ? (error = "The query could not be translated", false) : false;
    plan.sql = std::move(text.sql);
    plan.columns = std::move(text.columns);
    plan.column_places = std::move(text.places);
    return true;
}

bool translate_sql_values(SqlEnvironment &env, const std::vector<Token> &tokens,
                          const std::vector<const SqlExpr *> &expressions, SqlPlan &plan, std::string &error)
{
    SqlTranslator translator(env, tokens, plan);
    SqlScope scope;
    std::string list;
    for (size_t k = 0; k < expressions.size(); ++k) {
        SqlTerm t;
        if (!translator.term(*expressions[k], scope, SqlClause::Values, t))
            break;
        Variable v;
        v.type = t.type;
        v.length = t.length;
        plan.columns.push_back(v);
        plan.column_places.push_back(at_place("", expressions[k]->at));
        list += (k ? ", " : "") + t.sql + " AS o" + std::to_string(k);
    }
    if (!translator.finish(error))
        return false;
    plan.sql = "SELECT " + list;
    return true;
}

// DELETE: every row and whether WHERE chose it. UPDATE: every row as SET leaves it, and the same.
bool translate_sql_change(SqlEnvironment &env, const std::vector<Token> &tokens, const SqlStatement &statement,
                          SqlPlan &plan, std::string &error)
{
    SqlTranslator translator(env, tokens, plan);
    const SqlStatement::Target &target = statement.targets.front();
    SqlScope scope;
    scope.relations.emplace_back();
    SqlRelation &r = scope.relations.back();
    if (!translator.relation_of_table(target.begin, target.end, statement.alias, target.at, r))
        return translator.finish(error);
    if (r.table < 0 || plan.tables[0].ref.has_options())
        return translator.fail(r.table < 0 ? "A view cannot be changed by DELETE or UPDATE"
                                           : "Data set options are not taken by the table a statement changes here",
                               target.at),
               translator.finish(error);
    std::fill(plan.tables[0].used.begin(), plan.tables[0].used.end(), true);
    std::string chosen = "1";
    if (statement.where && !translator.condition(*statement.where, scope, SqlClause::Where, chosen))
        return translator.finish(error);
    std::vector<std::string> values(r.column_sql);
    for (const SqlAssignment &a : statement.set) {
        size_t c = 0;
        while (c < r.columns.size() && !same_name(r.columns[c].name, a.column))
            ++c;
        if (c == r.columns.size()) {
            translator.fail("Column " + a.column + " could not be found in the table/view identified with the "
                            "correlation name " + upper_case(r.alias),
                            a.at);
            return translator.finish(error);
        }
        SqlTerm t;
        if (!translator.term(*a.value, scope, SqlClause::Where, t))
            return translator.finish(error);
        if (t.type != r.columns[c].type) {
            translator.fail("The value given to column " + r.columns[c].name + " does not match its data type", a.at);
            return translator.finish(error);
        }
        if (t.type == VarType::Character && t.length > r.columns[c].length)
            translator.warn_once("Character expression will be truncated when assigned to character column " +
                                 r.columns[c].name + ".");
        values[c] = "CASE WHEN " + chosen + " THEN " + t.sql + " ELSE " + r.column_sql[c] + " END";
    }
    std::string list;
    for (size_t c = 0; c < values.size(); ++c)
        list += values[c] + " AS o" + std::to_string(c) + ", ";
    plan.sql = "SELECT " + list + chosen + " AS chosen FROM " + r.source;
    plan.columns = r.columns;
    return translator.finish(error);
}

} // namespace quill::host
