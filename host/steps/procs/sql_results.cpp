#include "steps/procs/sql_results.h"

#include <algorithm>
#include <cstdio>

#include "base/names.h"
#include "base/number_text.h"
#include "data/output_dataset.h"
#include "language/formats.h"
#include "language/output_options.h"
#include "steps/listing_table.h"

namespace quill::host {
namespace {

// The engine's failure in SAS's words; its own text only in parentheses after them.
std::string failure_text(SqlFailure failure, const std::string &message)
{
    switch (failure) {
    case SqlFailure::MoreThanOneRow: return "Subquery evaluated to more than one row.";
    case SqlFailure::Interrupted: return "The query was interrupted.";
    case SqlFailure::OutOfMemory: return "The query ran out of memory.";
    default: return "The query could not be run (" + message + ").";
    }
}

// The format a column was given ("8.2", "$20.", one of the run's own), or BEST8. for a number and
// $w. for a text.
ValueFormat column_format(const Column &column, const FormatCatalog *catalog)
{
    ValueFormat fmt;
    fmt.kind = column.type == VarType::Numeric ? ValueFormat::Kind::Best : ValueFormat::Kind::Text;
    fmt.width = column.type == VarType::Numeric ? 8 : static_cast<int>(std::max<size_t>(column.length, 1));
    if (column.format.empty())
        return fmt;
    ValueFormat given;
    std::string error;
    if (parse_format_text(column.format, false, catalog, given, error) &&
        given.character() == (column.type == VarType::Character))
        return given;
    return fmt; // a format this host does not know: the value as BEST8. writes it
}

// Text of a value without the blanks its format put around it.
std::string trimmed(std::string text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A range's name: "a1" → prefix "a", number 1; false when it does not end in digits.
bool split_numbered(const std::string &name, std::string &prefix, long &number)
{
    size_t k = name.size();
    while (k > 0 && name[k - 1] >= '0' && name[k - 1] <= '9')
        --k;
    if (k == name.size() || k == 0 || name.size() - k > 9)
        return false;
    prefix = name.substr(0, k);
    number = std::stol(name.substr(k));
    return true;
}

} // namespace

SqlEnvironment sql_environment(Session &session)
{
    return SqlEnvironment{session.library, session.log, &session.macro_symbols, &session.sql_views};
}

std::string sql_cell_text(const Column &column, size_t row, const FormatCatalog *catalog)
{
    const ValueFormat fmt = column_format(column, catalog);
    std::string out;
    if (column.type == VarType::Numeric)
        put_number(column.numbers[row], fmt, out);
    else
        put_text(column.texts[row], fmt, out);
    return out;
}

bool run_sql_plan(Session &session, SqlPlan &plan, const std::function<bool(const SqlResultRow &)> &on_row,
                  std::string &error, long long inobs)
{
    // Each data set once, with only the columns the statement uses: the one copy the engine reads.
    std::vector<Table> inputs(plan.tables.size());
    SqlEngine engine;
    for (size_t i = 0; i < plan.tables.size(); ++i) {
        const SqlSourceTable &source = plan.tables[i];
        DatasetView view = source.view;
        std::vector<VarType> types;
        std::vector<int> columns;
        int kept = 0;
        for (size_t v = 0; v < view.variables.size(); ++v) {
            const bool used = v < source.used.size() && source.used[v];
            types.push_back(view.variables[v].type);
            columns.push_back(used ? kept++ : -1);
        }
        keep_variables(view, source.used);
        if (!read_view(view, inputs[i], error))
            return false;
        if (inobs >= 0 && inputs[i].rows > static_cast<size_t>(inobs)) {
            inputs[i].truncate(static_cast<size_t>(inobs));
            session.log.warning("Only " + std::to_string(inobs) + " records were read from " +
                                source.ref.name.display + " due to INOBS= option.");
        }
        if (!engine.attach(source.sql_name, inputs[i], types, columns, error)) {
            error = failure_text(SqlFailure::Other, error);
            return false;
        }
    }
    if (plan.calls)
        engine.use_calls(plan.calls.get());
    for (const std::string &note : plan.notes)
        session.log.note(note);
    for (const std::string &warning : plan.warnings)
        session.log.warning(warning);
    SqlFailure failure = SqlFailure::None;
    std::string message;
    const bool ok = engine.run(plan.sql, plan.parameters, [&](const SqlResultRow &row) { return on_row(row); },
                               failure, message);
    if (plan.calls)
        for (const EvalEvent &event : plan.calls->take_events())
            session.log.note(event.text);
    if (!ok)
        error = failure_text(failure, message);
    return ok;
}

bool run_sql_plan(Session &session, SqlPlan &plan, Table &result, std::string &error, long long inobs)
{
    result = Table();
    for (const Variable &v : plan.columns) {
        Column c;
        static_cast<Variable &>(c) = v;
        result.columns.push_back(std::move(c));
    }
    const size_t width = result.columns.size();
    return run_sql_plan(
        session, plan,
        [&](const SqlResultRow &row) {
            for (size_t c = 0; c < width; ++c) {
                Column &col = result.columns[c];
                if (col.type == VarType::Numeric)
                    col.numbers.push_back(row.number(c));
                else
                    col.texts.emplace_back(row.text(c));
            }
            ++result.rows;
            return true;
        },
        error, inobs);
}

void sql_result_row(const SqlResultRow &given, const std::vector<Variable> &columns, Row &row)
{
    for (size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].type == VarType::Numeric)
            row.numbers[c] = given.number(c);
        else
            row.texts[c].assign(given.text(c));
    }
}

void print_sql_result(Session &session, const Table &result, bool numbered)
{
    std::vector<ListingColumn> columns;
    size_t total = 0;
    if (numbered) {
        ListingColumn lc;
        lc.header = "Row";
        lc.right = true;
        for (size_t r = 0; r < result.rows; ++r)
            lc.cells.push_back(std::to_string(r + 1));
        total = std::max(lc.header.size(), std::to_string(result.rows).size());
        columns.push_back(std::move(lc));
    }
    for (const Column &c : result.columns) {
        ListingColumn lc;
        lc.header = !c.label.empty() ? c.label : c.name;
        lc.right = c.type == VarType::Numeric;
        size_t width = lc.header.size();
        for (size_t r = 0; r < result.rows; ++r) {
            lc.cells.push_back(sql_cell_text(c, r, &session.formats));
            width = std::max(width, lc.cells.back().size());
        }
        total += width + (total ? 2 : 0);
        columns.push_back(std::move(lc));
    }
    session.listing.begin_page(session.titles, session.footnotes);
    session.listing.line("");
    // Centered on the page, as the listing's procedures are.
    print_listing_table(session.listing, columns, true, total < 80 ? (80 - total) / 2 : 0);
}

std::unique_ptr<OutputDataset> create_sql_output(Session &session, const DatasetReference &target,
                                                 const std::vector<Variable> &columns)
{
    std::vector<Variable> variables = columns;
    int unnamed = 0;
    for (Variable &v : variables) {
        if (v.name.empty()) {
            char text[16];
            std::snprintf(text, sizeof text, "_TEMA%03d", ++unnamed);
            v.name = text;
        }
    }
    std::unique_ptr<OutputDataset> output = make_output(session.library, session.log, target);
    output->quiet();
    if (!output->create(variables))
        return nullptr;
    return output;
}

bool commit_sql_output(Session &session, OutputDataset &output, const std::function<std::string(long long, size_t)> &note)
{
    if (!output.commit())
        return false;
    if (note)
        session.log.note(note(output.observations(), output.written_variables().size()));
    return true;
}

bool write_sql_table(Session &session, const DatasetReference &target, const Table &table,
                     const std::function<std::string(long long, size_t)> &note)
{
    std::vector<Variable> columns(table.columns.begin(), table.columns.end());
    std::unique_ptr<OutputDataset> output = create_sql_output(session, target, columns);
    if (!output)
        return false;
    Row row;
    row.resize(table.columns.size());
    for (size_t r = 0; r < table.rows; ++r) {
        table.copy_row(r, row);
        if (!output->write(row))
            return false;
    }
    return commit_sql_output(session, *output, note);
}

bool write_sql_table(Session &session, const DatasetName &name, const Table &table, const std::string &note)
{
    DatasetReference target;
    target.name = name;
    if (note.empty())
        return write_sql_table(session, target, table, nullptr);
    return write_sql_table(session, target, table, [&note](long long, size_t) { return note; });
}

bool set_into_variables(Session &session, const std::vector<SqlIntoTarget> &targets, const Table &result,
                        std::string &error)
{
    if (targets.size() > result.columns.size()) {
        error = "The number of INTO host variables is greater than the number of columns selected.";
        return false;
    }
    MacroSymbols &symbols = session.macro_symbols;
    for (size_t k = 0; k < targets.size(); ++k) {
        const SqlIntoTarget &t = targets[k];
        const Column &column = result.columns[k];
        if (t.separated) {
            std::string list;
            for (size_t r = 0; r < result.rows; ++r) {
                const std::string cell = sql_cell_text(column, r, &session.formats);
                list += (r ? t.separator : std::string()) + (t.notrim ? cell : trimmed(cell));
            }
            if (result.rows > 0 || !symbols.exists(upper_case(t.name)))
                symbols.set(upper_case(t.name), list);
        } else if (t.range) {
            std::string prefix, last_prefix;
            long first = 0, last = 0;
            if (!split_numbered(t.name, prefix, first) ||
                (!t.last.empty() && (!split_numbered(t.last, last_prefix, last) || last < first))) {
                error = "The range of macro variables " + t.name + " - " + t.last + " is not valid.";
                return false;
            }
            const long count = t.last.empty() ? static_cast<long>(result.rows)
                                              : std::min<long>(last - first + 1, static_cast<long>(result.rows));
            for (long r = 0; r < count; ++r) {
                const std::string cell = sql_cell_text(column, static_cast<size_t>(r), &session.formats);
                symbols.set(upper_case(prefix) + std::to_string(first + r), t.notrim ? cell : trimmed(cell));
            }
        } else if (result.rows > 0) {
            const std::string cell = sql_cell_text(column, 0, &session.formats);
            symbols.set(upper_case(t.name), t.trimmed ? trimmed(cell) : cell);
        }
    }
    return true;
}

} // namespace quill::host
