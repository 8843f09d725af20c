// INSERT, DELETE, UPDATE, ALTER, CREATE TABLE (columns / LIKE), DROP and DESCRIBE.
#include <algorithm>
#include <filesystem>

#include "base/names.h"
#include "language/dataset_reference.h"
#include "language/expression.h"
#include "language/output_options.h"
#include "language/sql/sql_parser.h"
#include "steps/procs/sql.h"
#include "steps/procs/sql_results.h"

namespace quill::host {
namespace {

// The one refusal of options on a table other than the one CREATE TABLE makes.
constexpr char options_refused[] = "Data set options are taken here only by the table CREATE TABLE makes";

// The target read whole, every column.
bool read_target(Session &session, const std::vector<Token> &tokens, const SqlStatement::Target &target,
                 DatasetName &name, Table &table, std::string &error)
{
    SqlEnvironment env = sql_environment(session);
    SqlSourceTable source;
    if (!open_sql_table(env, tokens, target.begin, target.end, source, error)) {
        error = at_place(error, target.at);
        return false;
    }
    if (source.ref.has_options()) {
        error = at_place(options_refused, target.at);
        return false;
    }
    name = source.ref.name;
    return read_view(source.view, table, error);
}

// A value for column `c` of `into`: the same type, a text cut to the column's length.
bool put_value(Column &into, const Column &from, size_t row, const std::string &where, std::string &error)
{
    if (into.type != from.type) {
        error = where + " does not match the data type of the corresponding column " + into.name + ".";
        return false;
    }
    if (into.type == VarType::Numeric)
        into.numbers.push_back(from.numbers[row]);
    else
        into.texts.push_back(from.texts[row].substr(0, std::min(from.texts[row].size(), into.length)));
    return true;
}

void put_missing(Column &into)
{
    if (into.type == VarType::Numeric)
        into.numbers.push_back(missing_value());
    else
        into.texts.emplace_back();
}

// The columns of `table` an INSERT fills, in its order: the listed ones, or all.
bool insert_columns(const SqlStatement &s, const Table &table, std::vector<size_t> &order, std::string &error)
{
    if (s.insert_columns.empty()) {
        for (size_t c = 0; c < table.columns.size(); ++c)
            order.push_back(c);
        return true;
    }
    for (size_t k = 0; k < s.insert_columns.size(); ++k) {
        size_t c = 0;
        while (c < table.columns.size() && !same_name(table.columns[c].name, s.insert_columns[k]))
            ++c;
        if (c == table.columns.size()) {
            error = at_place("Column " + s.insert_columns[k] + " could not be found in the table", s.insert_column_at[k]);
            return false;
        }
        order.push_back(c);
    }
    return true;
}

// Appends the rows of `values` to the columns `order` of `table`, the others missing.
bool append_rows(Table &table, const std::vector<size_t> &order, const Table &values, const std::string &what,
                 std::string &error)
{
    if (values.columns.size() != order.size()) {
        error = values.columns.size() < order.size()
                    ? "Attempt to insert fewer columns than specified after the INSERT table name."
                    : "Attempt to insert more columns than specified after the INSERT table name.";
        return false;
    }
    for (size_t r = 0; r < values.rows; ++r) {
        std::vector<bool> filled(table.columns.size(), false);
        for (size_t k = 0; k < order.size(); ++k) {
            if (!put_value(table.columns[order[k]], values.columns[k], r, "Value " + std::to_string(k + 1) + " of " + what, error))
                return false;
            filled[order[k]] = true;
        }
        for (size_t c = 0; c < table.columns.size(); ++c)
            if (!filled[c])
                put_missing(table.columns[c]);
        ++table.rows;
    }
    return true;
}

bool run_values(Session &session, const std::vector<Token> &tokens, const std::vector<const SqlExpr *> &exprs,
                Table &values, std::string &error)
{
    SqlEnvironment env = sql_environment(session);
    SqlPlan plan;
    return translate_sql_values(env, tokens, exprs, plan, error) && run_sql_plan(session, plan, values, error);
}

bool gather_insert(Session &session, const std::vector<Token> &tokens, const SqlStatement &s, Table &table,
                   const std::vector<size_t> &order, std::string &error)
{
    for (size_t v = 0; v < s.values.size(); ++v) {
        std::vector<const SqlExpr *> exprs;
        for (const SqlExprPtr &e : s.values[v])
            exprs.push_back(e.get());
        Table values;
        if (!run_values(session, tokens, exprs, values, error) ||
            !append_rows(table, order, values, "VALUES clause " + std::to_string(v + 1), error))
            return false;
    }
    for (const std::vector<SqlAssignment> &set : s.insert_sets) {
        std::vector<size_t> columns;
        std::vector<const SqlExpr *> exprs;
        for (const SqlAssignment &a : set) {
            size_t c = 0;
            while (c < table.columns.size() && !same_name(table.columns[c].name, a.column))
                ++c;
            if (c == table.columns.size()) {
                error = at_place("Column " + a.column + " could not be found in the table", a.at);
                return false;
            }
            columns.push_back(c);
            exprs.push_back(a.value.get());
        }
        Table values;
        if (!run_values(session, tokens, exprs, values, error) || !append_rows(table, columns, values, "the SET clause", error))
            return false;
    }
    if (s.query) {
        SqlEnvironment env = sql_environment(session);
        SqlPlan plan;
        Table values;
        if (!translate_sql_query(env, tokens, *s.query, plan, error) || !run_sql_plan(session, plan, values, error) ||
            !append_rows(table, order, values, "the SELECT clause", error))
            return false;
    }
    return true;
}

// A column as a definition gives it.
Variable defined_variable(const SqlColumnDefinition &d)
{
    Variable v;
    v.name = d.name;
    v.type = d.character ? VarType::Character : VarType::Numeric;
    v.length = d.character ? d.length : number_length;
    v.label = d.attributes.label;
    v.format = d.attributes.format;
    return v;
}

size_t find_column(const Table &table, const std::string &name)
{
    size_t c = 0;
    while (c < table.columns.size() && !same_name(table.columns[c].name, name))
        ++c;
    return c;
}

} // namespace

std::string sql_created_note(const DatasetName &name, size_t rows, size_t columns)
{
    return "Table " + name.display + " created, with " + std::to_string(rows) + (rows == 1 ? " row" : " rows") +
           " and " + std::to_string(columns) + (columns == 1 ? " column." : " columns.");
}

bool sql_created_target(Session &session, const std::vector<Token> &tokens, const SqlStatement::Target &target,
                        DatasetReference &ref, std::string &error)
{
    if (!parse_dataset_reference(tokens, target.begin, target.end, session.library, ref, error)) {
        error = at_place(error, target.at);
        return false;
    }
    if (ref.is_null) {
        error = at_place("_NULL_ cannot be created by PROC SQL", target.at);
        return false;
    }
    if (const std::string problem = output_options_problem(ref); !problem.empty()) {
        error = at_place(problem, target.at);
        return false;
    }
    return true;
}

bool sql_target_name(Session &session, const std::vector<Token> &tokens, const SqlStatement::Target &target,
                     DatasetName &name, std::string &error)
{
    DatasetReference ref;
    if (!sql_created_target(session, tokens, target, ref, error))
        return false;
    if (ref.has_options() || !ref.label.empty()) {
        error = at_place(options_refused, target.at);
        return false;
    }
    name = ref.name;
    return true;
}

bool sql_insert(Session &session, const std::vector<Token> &tokens, const SqlStatement &s, long long &rows,
                std::string &error)
{
    DatasetName name;
    Table table;
    std::vector<size_t> order;
    if (!read_target(session, tokens, s.targets.front(), name, table, error) || !insert_columns(s, table, order, error))
        return false;
    const size_t before = table.rows;
    if (!gather_insert(session, tokens, s, table, order, error))
        return false;
    rows = static_cast<long long>(table.rows - before);
    const std::string note = std::to_string(rows) + (rows == 1 ? " row was" : " rows were") + " inserted into " +
                             name.display + ".";
    if (!write_sql_table(session, name, table, note)) {
        error = "Table " + name.display + " was not changed.";
        return false;
    }
    return true;
}

bool sql_delete_or_update(Session &session, const std::vector<Token> &tokens, const SqlStatement &s,
                          long long &rows, std::string &error)
{
    SqlEnvironment env = sql_environment(session);
    SqlPlan plan;
    if (!translate_sql_change(env, tokens, s, plan, error))
        return false;
    const DatasetName name = plan.tables.front().ref.name;
    Variable chosen;
    chosen.name = "chosen";
    plan.columns.push_back(chosen);
    Table result;
    if (!run_sql_plan(session, plan, result, error))
        return false;
    const std::vector<double> marks = std::move(result.columns.back().numbers);
    result.columns.pop_back();
    rows = std::count(marks.begin(), marks.end(), 1.0);
    const bool deleting = s.kind == SqlStatementKind::Delete;
    if (deleting) {
        Table kept = result;
        kept.rows = 0;
        for (Column &c : kept.columns)
            c.numbers.clear(), c.texts.clear();
        for (size_t r = 0; r < result.rows; ++r) {
            if (marks[r] == 1.0)
                continue;
            for (size_t c = 0; c < kept.columns.size(); ++c)
                put_value(kept.columns[c], result.columns[c], r, "", error);
            ++kept.rows;
        }
        result = std::move(kept);
    } else {
        for (Column &c : result.columns)
            if (c.type == VarType::Character)
                for (std::string &t : c.texts)
                    t.resize(std::min(t.size(), c.length));
    }
    const std::string note = std::to_string(rows) + (rows == 1 ? " row was" : " rows were") +
                             (deleting ? " deleted from " : " updated in ") + name.display + ".";
    if (!write_sql_table(session, name, result, note)) {
        error = "Table " + name.display + " was not changed.";
        return false;
    }
    return true;
}

bool sql_alter(Session &session, const std::vector<Token> &tokens, const SqlStatement &s, std::string &error)
{
    DatasetName name;
    Table table;
    if (!read_target(session, tokens, s.targets.front(), name, table, error))
        return false;
    for (const SqlColumnDefinition &d : s.columns) {
        if (find_column(table, d.name) < table.columns.size()) {
            error = at_place("Variable " + d.name + " already exists on file " + name.display, d.at);
            return false;
        }
        Column c;
        static_cast<Variable &>(c) = defined_variable(d);
        for (size_t r = 0; r < table.rows; ++r)
            put_missing(c);
        table.columns.push_back(std::move(c));
    }
    for (const SqlColumnDefinition &d : s.modify) {
        const size_t c = find_column(table, d.name);
        if (c == table.columns.size() || table.columns[c].type != defined_variable(d).type) {
            error = at_place(c == table.columns.size() ? "Variable " + d.name + " not found in " + name.display
                                                       : "The type of column " + d.name + " cannot be changed",
                             d.at);
            return false;
        }
        Column &col = table.columns[c];
        if (col.type == VarType::Character) {
            col.length = d.length;
            for (std::string &t : col.texts)
                t.resize(std::min(t.size(), col.length));
        }
        if (d.attributes.has_label)
            col.label = d.attributes.label;
        if (!d.attributes.format.empty())
            col.format = d.attributes.format;
    }
    for (const Token &drop : s.drop_columns) {
        const size_t c = find_column(table, drop.text);
        if (c == table.columns.size()) {
            error = at_place("Variable " + drop.text + " not found in " + name.display, drop);
            return false;
        }
        table.columns.erase(table.columns.begin() + static_cast<long>(c));
    }
    if (table.columns.empty()) {
        error = at_place("A table must keep at least one column", s.targets.front().at);
        return false;
    }
    const std::string note = "Table " + name.display + " has been modified, with " +
                             std::to_string(table.columns.size()) + " columns.";
    if (!write_sql_table(session, name, table, note)) {
        error = "Table " + name.display + " was not changed.";
        return false;
    }
    return true;
}

bool sql_create_columns(Session &session, const std::vector<Token> &tokens, const SqlStatement &s,
                        std::string &error)
{
    DatasetReference target;
    if (!sql_created_target(session, tokens, s.targets.front(), target, error))
        return false;
    const DatasetName &name = target.name;
    Table table;
    if (s.kind == SqlStatementKind::CreateTableLike) {
        DatasetName like;
        if (!read_target(session, tokens, s.like, like, table, error))
            return false;
        table.rows = 0;
        for (Column &c : table.columns)
            c.numbers.clear(), c.texts.clear();
    } else {
        for (const SqlColumnDefinition &d : s.columns) {
            if (find_column(table, d.name) < table.columns.size()) {
                error = at_place("Variable " + d.name + " is defined more than once", d.at);
                return false;
            }
            Column c;
            static_cast<Variable &>(c) = defined_variable(d);
            table.columns.push_back(std::move(c));
        }
    }
    if (!write_sql_table(session, target, table, [&name](long long rows, size_t columns) {
            return sql_created_note(name, static_cast<size_t>(rows), columns);
        })) {
        error = "Table " + name.display + " was not created.";
        return false;
    }
    return true;
}

bool sql_drop(Session &session, const std::vector<Token> &tokens, const SqlStatement &s, std::string &error)
{
    const bool view = s.kind == SqlStatementKind::DropView;
    for (const SqlStatement::Target &target : s.targets) {
        DatasetName name;
        if (!sql_target_name(session, tokens, target, name, error))
            return false;
        if (view) {
            if (session.sql_views.drop(name))
                session.log.note("View " + name.display + " has been dropped.");
            else
                session.log.warning("View " + name.display + " has not been dropped, since it does not exist.");
            continue;
        }
        if (name.in_transport_file) {
            error = at_place("A member of a transport file cannot be dropped", target.at);
            return false;
        }
        std::error_code code;
        if (!std::filesystem::exists(name.location, code)) {
            session.log.warning("File " + name.display + ".DATA does not exist.");
            continue;
        }
        if (!session.library.remove_member(name, error)) {
            error = at_place(error, target.at);
            return false;
        }
        session.log.note("Table " + name.display + " has been dropped.");
    }
    return true;
}

bool sql_describe(Session &session, const std::vector<Token> &tokens, const SqlStatement &s, std::string &error)
{
    for (const SqlStatement::Target &target : s.targets) {
        DatasetName name;
        Table table;
        if (s.describe_view) {
            const SqlViewDefinition *view = nullptr;
            if (!sql_target_name(session, tokens, target, name, error))
                return false;
            if (!(view = session.sql_views.find(name))) {
                error = at_place("View " + name.display + " does not exist", target.at);
                return false;
            }
            session.log.note("SQL view " + name.display + " is defined as:");
            session.log.plain("        " + sql_text(view->statement, 0, view->statement.size()));
            continue;
        }
        if (!read_target(session, tokens, target, name, table, error))
            return false;
        session.log.note("SQL table " + name.display + " was created like:");
        session.log.plain("");
        session.log.plain("create table " + name.display);
        session.log.plain("  (");
        for (size_t c = 0; c < table.columns.size(); ++c) {
            const Column &col = table.columns[c];
            std::string line = "   " + col.name + (col.type == VarType::Numeric ? " num" : " char(" + std::to_string(col.length) + ")");
            if (!col.format.empty())
                line += " format=" + col.format;
            if (!col.label.empty())
                line += " label='" + col.label + "'";
            session.log.plain(line + (c + 1 < table.columns.size() ? "," : ""));
        }
        session.log.plain("  );");
        session.log.plain("");
    }
    return true;
}

} // namespace quill::host
