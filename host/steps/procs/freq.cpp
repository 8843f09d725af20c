// PROC FREQ DATA=ds <NOPRINT>; TABLES request ... </ NOCUM NOPERCENT NOROW NOCOL MISSING CHISQ
// NOPRINT OUT=ds>; — one-way
// tables (frequency, percent, cumulative frequency and percent of each value), two-way tables (a
// crosstabulation whose cells hold frequency, percent, row and column percent) and n-way tables
// a*b*c (one b by c table for each combination of the controlling variables before them), values
// in ascending order. A variable with a format has a level per formatted value, placed where its
// smallest value falls. Missing values are counted apart ("Frequency Missing = n") unless MISSING
// makes them a level like any other. OUT= writes the last table of its TABLES statement: one
// observation per combination of values with COUNT and PERCENT (missing for combinations with a
// missing value that are not counted in the table). CHISQ adds the tests of freq_chisq.h under
// each table; NOPRINT (of the PROC statement: every table) leaves the tables out of the listing.
#include <algorithm>
#include <map>
#include <numeric>

#include "base/message_text.h"
#include "base/names.h"
#include "base/number_text.h"
#include "data/output_dataset.h"
#include "language/format_statement.h"
#include "language/variable_lists.h"
#include "steps/listing_table.h"
#include "steps/proc_frame.h"
#include "steps/procs/freq_chisq.h"

namespace quill::host {
namespace {

struct FreqOptions {
    bool cum = true, percent = true, row = true, col = true;
    bool missing = false; // MISSING: a missing value is a level
    bool chisq = false;   // CHISQ: the tests under each table
    bool print = true;    // NOPRINT: the table only goes to OUT=
};

struct TableRequest {
    std::vector<size_t> columns; // the table's variables, controlling ones first
    int line = 0;
    FreqOptions options;
    size_t output = 0; // 1 + the index of the output data set this table writes; 0: none
};

// An OUT= option with the statement its tokens are in.
struct OutRequest {
    Statement statement;
    StepOption option;
};

bool missing_at(const Column &col, size_t row) { return col.type == VarType::Numeric ? is_missing(col.numbers[row]) : col.texts[row].empty(); }

// The distinct values of one column among `rows` in SAS's order (missing lowest), and the level
// of each of `rows` (-1 for a missing value when missing values are no level).
struct Levels {
    std::vector<size_t> first_row; // a row holding each level, levels in order
    std::vector<long> level_of;    // per entry of `rows`
};

// Orders `rows` by the values of `columns` and numbers their levels: rows with equal values are
// one level, or, where a column has a format, rows whose values it writes alike (each such level
// where its first value falls). Returns each row's level (in the order of `rows`) and a row of each.
std::vector<long> number_levels(const Table &table, const std::vector<size_t> &columns, const ShownValues &shown,
                                std::vector<size_t> &rows, std::vector<size_t> &first_row)
{
    std::vector<ByKey> keys;
    bool formatted = false;
    for (size_t c : columns) {
        keys.push_back({c, false});
        formatted = formatted || shown.format(c);
    }
    std::vector<size_t> order(rows.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return compare_rows(table, keys, rows[a], rows[b]) < 0; });
    std::vector<long> level_of(rows.size(), -1);
    std::map<std::string, long> seen; // formatted levels by their texts
    for (size_t i = 0; i < order.size(); ++i) {
        const size_t row = rows[order[i]];
        long &level = level_of[order[i]];
        if (formatted) {
            std::string key;
            for (size_t c : columns)
                key.append(shown(c, row)).push_back('\0');
            const auto [it, added] = seen.emplace(std::move(key), static_cast<long>(first_row.size()));
            level = it->second;
            if (!added)
                continue;
        } else if (i > 0 && compare_rows(table, keys, rows[order[i - 1]], row) == 0) {
            level = level_of[order[i - 1]];
            continue;
        } else {
            level = static_cast<long>(first_row.size());
        }
        first_row.push_back(row);
    }
    return level_of;
}

Levels levels_of(const Table &table, const ShownValues &shown, size_t column, const std::vector<size_t> &rows,
                 bool missing_level)
{
    const Column &col = table.columns[column];
    Levels levels;
    levels.level_of.assign(rows.size(), -1);
    std::vector<size_t> present; // positions in `rows`
    for (size_t i = 0; i < rows.size(); ++i)
        if (missing_level || !missing_at(col, rows[i]))
            present.push_back(i);
    std::vector<size_t> present_rows;
    for (size_t i : present)
        present_rows.push_back(rows[i]);
    const std::vector<long> level_of = number_levels(table, {column}, shown, present_rows, levels.first_row);
    for (size_t i = 0; i < present.size(); ++i)
        levels.level_of[present[i]] = level_of[i];
    return levels;
}

std::string percent_text(double part, double whole) { return fixed_text(whole > 0 ? 100 * part / whole : missing_value(), 2); }

void frequency_missing(Listing &listing, double missing)
{
    if (missing > 0) {
        listing.line("");
        listing.line(centered("Frequency Missing = " + fixed_text(missing, 0)));
    }
}

void one_way(Session &session, const Table &table, const ShownValues &shown, size_t column,
             const std::vector<size_t> &rows, const FreqOptions &options)
{
    const Levels levels = levels_of(table, shown, column, rows, options.missing);
    std::vector<double> counts(levels.first_row.size(), 0);
    double total = 0, missing = 0;
    for (long level : levels.level_of) {
        if (level < 0)
            ++missing;
        else
            ++counts[static_cast<size_t>(level)], ++total;
    }
    const Column &col = table.columns[column];
    ListingColumn value{col.name, col.type == VarType::Numeric, {}}, frequency{"Frequency", true, {}},
        percent{"Percent", true, {}}, cum_frequency{"Cumulative Frequency", true, {}},
        cum_percent{"Cumulative Percent", true, {}};
    double running = 0;
    for (size_t k = 0; k < counts.size(); ++k) {
        running += counts[k];
        value.cells.push_back(shown(column, levels.first_row[k]));
        frequency.cells.push_back(fixed_text(counts[k], 0));
        percent.cells.push_back(percent_text(counts[k], total));
        cum_frequency.cells.push_back(fixed_text(running, 0));
        cum_percent.cells.push_back(percent_text(running, total));
    }
    std::vector<ListingColumn> columns = {value, frequency};
    if (options.percent)
        columns.push_back(percent);
    if (options.cum) {
        columns.push_back(cum_frequency);
        if (options.percent)
            columns.push_back(cum_percent);
    }
    print_listing_table(session.listing, columns, true);
    frequency_missing(session.listing, missing);
    session.listing.line("");
    if (options.chisq)
        print_equal_proportions(session.listing, counts);
}

// The crosstabulation of columns a and b over `rows`, under `heading` (its lines centered).
void two_way(Session &session, const Table &table, const ShownValues &shown, size_t a, size_t b,
             const std::vector<size_t> &rows_in, const FreqOptions &options, const std::vector<std::string> &heading)
{
    // The levels are those of the observations counted: a value seen only beside a missing one
    // makes no row or column.
    const Column &ca = table.columns[a], &cb = table.columns[b];
    std::vector<size_t> counted;
    for (size_t r : rows_in)
        if (options.missing || (!missing_at(ca, r) && !missing_at(cb, r)))
            counted.push_back(r);
    const double missing = static_cast<double>(rows_in.size() - counted.size());
    const Levels rows = levels_of(table, shown, a, counted, true), cols = levels_of(table, shown, b, counted, true);
    const size_t nr = rows.first_row.size(), nc = cols.first_row.size();
    std::vector<double> counts(nr * nc, 0), row_total(nr, 0), col_total(nc, 0);
    double total = 0;
    for (size_t r = 0; r < counted.size(); ++r) {
        const long i = rows.level_of[r], j = cols.level_of[r];
        ++counts[static_cast<size_t>(i) * nc + static_cast<size_t>(j)];
        ++row_total[static_cast<size_t>(i)];
        ++col_total[static_cast<size_t>(j)];
        ++total;
    }
    Listing &listing = session.listing;
    for (const std::string &line : heading)
        listing.line(centered(line));
    listing.line("");
    // Cells are 8 wide; the row labels' column is as wide as the longest of the labels.
    std::vector<std::string> legend = {"Frequency"};
    if (options.percent)
        legend.push_back("Percent");
    if (options.row)
        legend.push_back("Row Pct");
    if (options.col)
        legend.push_back("Col Pct");
    size_t label_width = std::max<size_t>(ca.name.size(), 9);
    for (size_t i = 0; i < nr; ++i)
        label_width = std::max(label_width, shown(a, rows.first_row[i]).size());
    size_t cell_width = 8;
    for (size_t j = 0; j < nc; ++j)
        cell_width = std::max(cell_width, shown(b, cols.first_row[j]).size() + 1);
    const std::string label_blank(label_width, ' ');
    std::string rule = std::string(label_width, '-') + "+";
    for (size_t j = 0; j < nc; ++j)
        rule += std::string(cell_width, '-') + "+";
    listing.line(pad_text(ca.name, label_width, false) + " " + cb.name);
    listing.line("");
    for (size_t k = 0; k < legend.size(); ++k) {
        std::string line = pad_text(legend[k], label_width, false) + "|";
        if (k + 1 == legend.size()) {
            for (size_t j = 0; j < nc; ++j)
                line += pad_text(shown(b, cols.first_row[j]), cell_width, true) + "|";
            line += "  Total";
        }
        listing.line(line);
    }
    listing.line(rule);
    for (size_t i = 0; i < nr; ++i) {
        std::vector<std::string> lines(legend.size());
        lines[0] = pad_text(shown(a, rows.first_row[i]), label_width, false) + "|";
        for (size_t k = 1; k < lines.size(); ++k)
            lines[k] = label_blank + "|";
        for (size_t j = 0; j < nc; ++j) {
            const double n = counts[i * nc + j];
            size_t k = 0;
            lines[k++] += pad_text(fixed_text(n, 0), cell_width - 1, true) + " |";
            if (options.percent)
                lines[k++] += pad_text(percent_text(n, total), cell_width - 1, true) + " |";
            if (options.row)
                lines[k++] += pad_text(percent_text(n, row_total[i]), cell_width - 1, true) + " |";
            if (options.col)
                lines[k++] += pad_text(percent_text(n, col_total[j]), cell_width - 1, true) + " |";
        }
        lines[0] += pad_text(fixed_text(row_total[i], 0), 7, true);
        if (options.percent)
            lines[1] += pad_text(percent_text(row_total[i], total), 7, true);
        for (const std::string &line : lines)
            listing.line(line);
        listing.line(rule);
    }
    std::string totals = pad_text("Total", label_width, false) + " ", shares = label_blank + " ";
    for (size_t j = 0; j < nc; ++j) {
        totals += pad_text(fixed_text(col_total[j], 0), cell_width - 1, true) + "  ";
        shares += pad_text(percent_text(col_total[j], total), cell_width - 1, true) + "  ";
    }
    totals += pad_text(fixed_text(total, 0), 7, true);
    shares += pad_text(percent_text(total, total), 7, true);
    listing.line(totals);
    if (options.percent)
        listing.line(shares);
    frequency_missing(listing, missing);
    listing.line("");
    if (options.chisq)
        print_table_statistics(listing, counts, nr, nc, heading);
}

// a*b*...*y*z: one y by z table for each combination of the controlling variables' values, in
// their order ("Table 2 of y by z" / "Controlling for a=1 b=x"). Without MISSING an observation
// with a missing controlling value is in no table; the log counts them.
void n_way(Session &session, const Table &table, const ShownValues &shown, const std::vector<size_t> &columns,
           const FreqOptions &options)
{
    const size_t a = columns[columns.size() - 2], b = columns.back();
    std::vector<ByKey> control;
    std::vector<size_t> control_columns(columns.begin(), columns.end() - 2);
    for (size_t c : control_columns)
        control.push_back({c, false});
    std::vector<size_t> rows;
    size_t left_out = 0;
    for (size_t r = 0; r < table.rows; ++r) {
        const bool missing = std::any_of(control.begin(), control.end(),
                                         [&](const ByKey &key) { return missing_at(table.columns[key.column], r); });
        if (missing && !options.missing)
            ++left_out;
        else
            rows.push_back(r);
    }
    // The strata: the levels of the controlling variables together.
    std::vector<size_t> first_row;
    const std::vector<long> stratum_of = number_levels(table, control_columns, shown, rows, first_row);
    std::vector<std::vector<size_t>> strata(first_row.size());
    for (size_t i = 0; i < rows.size(); ++i)
        strata[static_cast<size_t>(stratum_of[i])].push_back(rows[i]);
    const std::string of = " of " + table.columns[a].name + " by " + table.columns[b].name;
    for (size_t s = 0; s < strata.size(); ++s)
        two_way(session, table, shown, a, b, strata[s], options,
                {"Table " + std::to_string(s + 1) + of,
                 "Controlling for " + by_line(table, control, first_row[s], shown.by_text())});
    if (left_out > 0)
        session.log.note(std::to_string(left_out) + (left_out == 1 ? " observation" : " observations") +
                         " with a missing value of a controlling variable are in no table.");
}

void print_table(Session &session, const Table &table, const ShownValues &shown, const std::vector<size_t> &c,
                 const std::vector<size_t> &all, const FreqOptions &options)
{
    if (c.size() == 1)
        one_way(session, table, shown, c[0], all, options);
    else if (c.size() == 2)
        two_way(session, table, shown, c[0], c[1], all, options,
                {"Table of " + table.columns[c[0]].name + " by " + table.columns[c[1]].name});
    else
        n_way(session, table, shown, c, options);
}

// One observation per combination of the table's values, in their order, with COUNT and PERCENT
// (of the observations the table counts; missing for a combination it does not count).
bool write_counts(const Table &table, const ShownValues &shown, const std::vector<size_t> &columns,
                  const FreqOptions &options, OutputDataset &output)
{
    std::vector<size_t> rows(table.rows), first_row;
    std::iota(rows.begin(), rows.end(), size_t{0});
    const std::vector<long> level_of = number_levels(table, columns, shown, rows, first_row);
    std::vector<double> counts(first_row.size(), 0);
    for (long level : level_of)
        ++counts[static_cast<size_t>(level)];
    auto counted = [&](size_t r) {
        return options.missing ||
               std::none_of(columns.begin(), columns.end(), [&](size_t c) { return missing_at(table.columns[c], r); });
    };
    const double total = static_cast<double>(std::count_if(rows.begin(), rows.end(), counted));
    Row row;
    row.resize(columns.size() + 2);
    for (size_t level = 0; level < first_row.size(); ++level) {
        const size_t r = first_row[level];
        for (size_t k = 0; k < columns.size(); ++k) {
            const Column &col = table.columns[columns[k]];
            if (col.type == VarType::Numeric)
                row.numbers[k] = col.numbers[r];
            else
                row.texts[k] = col.texts[r];
        }
        row.numbers[columns.size()] = counts[level];
        row.numbers[columns.size() + 1] = counted(r) ? 100 * counts[level] / total : missing_value();
        if (!output.write(row))
            return false;
    }
    return true;
}

// TABLES a b*c ... </ options>;
bool read_tables(Session &session, const Statement &s, const std::vector<Variable> &variables,
                 std::vector<TableRequest> &requests, std::vector<OutRequest> &outs)
{
    const auto &t = s.tokens;
    const size_t end = t.size() - 1;
    const size_t first = requests.size();
    size_t i = 1;
    while (i < end && !is_punct(t[i], '/')) {
        TableRequest request;
        request.line = t[i].line;
        for (;;) {
            std::vector<int> numbers;
            std::string error;
            if (!resolve_variable_list({t[i]}, variables, numbers, error) || numbers.size() != 1) {
                session.log.error(at_line(error.empty() ? "TABLES takes variable names joined by '*'" : error, t[i].line));
                return false;
            }
            request.columns.push_back(static_cast<size_t>(numbers[0] - 1));
            ++i;
            if (i + 1 < end && is_punct(t[i], '*')) {
                ++i;
                continue;
            }
            break;
        }
        requests.push_back(std::move(request));
    }
    if (requests.size() == first) {
        session.log.error(at_line("TABLES needs variables", s.line()));
        return false;
    }
    if (i == end)
        return true;
    std::vector<StepOption> list;
    if (!read_options(session, s, i + 1, "NOCUM NOPERCENT NOROW NOCOL MISSING CHISQ NOPRINT OUT=ds", "FREQ", list))
        return false;
    FreqOptions options;
    for (const StepOption &o : list) {
        if (o.name == "NOCUM")
            options.cum = false;
        else if (o.name == "NOPERCENT")
            options.percent = false;
        else if (o.name == "NOROW")
            options.row = false;
        else if (o.name == "NOCOL")
            options.col = false;
        else if (o.name == "MISSING")
            options.missing = true;
        else if (o.name == "CHISQ")
            options.chisq = true;
        else if (o.name == "NOPRINT")
            options.print = false;
        else {
            outs.push_back({s, o});
            requests.back().output = outs.size();
        }
    }
    for (size_t k = first; k < requests.size(); ++k)
        requests[k].options = options;
    return true;
}

} // namespace

void run_proc_freq(ProcRun &run)
{
    Session &session = run.session;
    std::vector<TableRequest> requests;
    std::vector<OutRequest> outs;
    for (const Statement *s : run.statements)
        if (!read_tables(session, *s, run.view.variables, requests, outs))
            return;
    if (requests.empty()) // every variable, one way
        for (size_t c = 0; c < run.view.variables.size(); ++c)
            requests.push_back({{c}, run.line(), {}, 0});
    Table table;
    if (!run.read(table))
        return;
    const ShownValues shown(table, &session.formats);
    std::vector<std::unique_ptr<OutputDataset>> outputs(outs.size());
    for (const TableRequest &request : requests) {
        if (request.output == 0)
            continue;
        OutRequest &out = outs[request.output - 1];
        DatasetReference out_ref;
        if (!run.output_name(out.statement, out.option, out_ref))
            return;
        if (out_ref.is_null)
            continue;
        std::vector<Variable> vars;
        for (size_t c : request.columns) {
            vars.push_back(table.columns[c]);
            vars.back().label.clear();
        }
        vars.push_back({"COUNT", VarType::Numeric, number_length, "Frequency Count"});
        vars.push_back({"PERCENT", VarType::Numeric, number_length, "Percent of Total Frequency"});
        auto &output = outputs[request.output - 1];
        output = run.make_output(out_ref);
        if (!output->create(std::move(vars)))
            return;
    }
    if (run.flag("NOPRINT"))
        for (TableRequest &request : requests)
            request.options.print = false;
    if (std::any_of(requests.begin(), requests.end(), [](const TableRequest &r) { return r.options.print; })) {
        session.listing.begin_page(session.titles, session.footnotes);
        session.listing.line(centered("The FREQ Procedure"));
        session.listing.line("");
    }
    std::vector<size_t> all(table.rows);
    std::iota(all.begin(), all.end(), size_t{0});
    for (const TableRequest &request : requests) {
        const std::vector<size_t> &c = request.columns;
        if (request.options.print)
            print_table(session, table, shown, c, all, request.options);
        if (request.output && outputs[request.output - 1])
            write_counts(table, shown, c, request.options, *outputs[request.output - 1]);
    }
    run.note_read();
    for (auto &output : outputs)
        if (output && !output->failed())
            output->commit();
}

} // namespace quill::host
