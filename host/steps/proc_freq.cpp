// PROC FREQ DATA=ds; TABLES request ... </ NOCUM NOPERCENT NOROW NOCOL OUT=ds>; — one-way tables
// (frequency, percent, cumulative frequency and percent of each value) and two-way tables (a
// crosstabulation whose cells hold frequency, percent, row and column percent), values in
// ascending order, missing values counted apart ("Frequency Missing = n"). OUT= writes the last
// table's values with COUNT and PERCENT.
#include <algorithm>

#include "base/message_text.h"
#include "base/names.h"
#include "base/number_text.h"
#include "data/output_dataset.h"
#include "language/variable_lists.h"
#include "steps/by_groups.h"
#include "steps/proc_support.h"

namespace quill::host {
namespace {

struct TableRequest {
    std::vector<size_t> columns; // one or two
    int line = 0;
};

struct FreqOptions {
    bool cum = true, percent = true, row = true, col = true;
    bool has_out = false;
    StepOption out;      // OUT=, its tokens in `statement`
    Statement statement;
};

// The distinct values of one column in SAS's order, and each row's level (-1 when missing).
struct Levels {
    std::vector<size_t> first_row; // a row holding each level, levels in order
    std::vector<long> level_of;    // per row
};

Levels levels_of(const Table &table, size_t column)
{
    const Column &col = table.columns[column];
    Levels levels;
    levels.level_of.assign(table.rows, -1);
    std::vector<size_t> present;
    for (size_t r = 0; r < table.rows; ++r)
        if (col.type == VarType::Numeric ? !is_missing(col.numbers[r]) : !col.texts[r].empty())
            present.push_back(r);
    const std::vector<ByKey> key = {{column, false}};
    std::stable_sort(present.begin(), present.end(), [&](size_t a, size_t b) { return compare_rows(table, key, a, b) < 0; });
    for (size_t i = 0; i < present.size(); ++i) {
        if (i == 0 || compare_rows(table, key, present[i - 1], present[i]) != 0)
            levels.first_row.push_back(present[i]);
        levels.level_of[present[i]] = static_cast<long>(levels.first_row.size()) - 1;
    }
    return levels;
}

std::string value_text(const Column &col, size_t row)
{
    return col.type == VarType::Numeric ? best_text(col.numbers[row]) : col.texts[row];
}

std::string percent_text(double part, double whole) { return fixed_text(whole > 0 ? 100 * part / whole : missing_value(), 2); }

void one_way(Session &session, const Table &table, size_t column, const FreqOptions &options, OutputDataset *output)
{
    const Levels levels = levels_of(table, column);
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
        value.cells.push_back(value_text(col, levels.first_row[k]));
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
    if (missing > 0) {
        session.listing.line("");
        session.listing.line(centered("Frequency Missing = " + fixed_text(missing, 0)));
    }
    session.listing.line("");
    if (!output)
        return;
    Row row;
    row.resize(3);
    for (size_t k = 0; k < counts.size(); ++k) {
        if (col.type == VarType::Numeric)
            row.numbers[0] = col.numbers[levels.first_row[k]];
        else
            row.texts[0] = col.texts[levels.first_row[k]];
        row.numbers[1] = counts[k];
        row.numbers[2] = 100 * counts[k] / total;
        if (!output->write(row))
            return;
    }
}

void two_way(Session &session, const Table &table, size_t a, size_t b, const FreqOptions &options, OutputDataset *output)
{
    const Levels rows = levels_of(table, a), cols = levels_of(table, b);
    const size_t nr = rows.first_row.size(), nc = cols.first_row.size();
    std::vector<double> counts(nr * nc, 0), row_total(nr, 0), col_total(nc, 0);
    double total = 0, missing = 0;
    for (size_t r = 0; r < table.rows; ++r) {
        const long i = rows.level_of[r], j = cols.level_of[r];
        if (i < 0 || j < 0) {
            ++missing;
            continue;
        }
        ++counts[static_cast<size_t>(i) * nc + static_cast<size_t>(j)];
        ++row_total[static_cast<size_t>(i)];
        ++col_total[static_cast<size_t>(j)];
        ++total;
    }
    const Column &ca = table.columns[a], &cb = table.columns[b];
    Listing &listing = session.listing;
    listing.line(centered("Table of " + ca.name + " by " + cb.name));
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
        label_width = std::max(label_width, value_text(ca, rows.first_row[i]).size());
    size_t cell_width = 8;
    for (size_t j = 0; j < nc; ++j)
        cell_width = std::max(cell_width, value_text(cb, cols.first_row[j]).size() + 1);
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
                line += pad_text(value_text(cb, cols.first_row[j]), cell_width, true) + "|";
            line += "  Total";
        }
        listing.line(line);
    }
    listing.line(rule);
    for (size_t i = 0; i < nr; ++i) {
        std::vector<std::string> lines(legend.size());
        lines[0] = pad_text(value_text(ca, rows.first_row[i]), label_width, false) + "|";
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
    if (missing > 0) {
        listing.line("");
        listing.line(centered("Frequency Missing = " + fixed_text(missing, 0)));
    }
    listing.line("");
    if (!output)
        return;
    Row row;
    row.resize(4);
    for (size_t i = 0; i < nr; ++i)
        for (size_t j = 0; j < nc; ++j) {
            if (counts[i * nc + j] == 0)
                continue;
            if (ca.type == VarType::Numeric)
                row.numbers[0] = ca.numbers[rows.first_row[i]];
            else
                row.texts[0] = ca.texts[rows.first_row[i]];
            if (cb.type == VarType::Numeric)
                row.numbers[1] = cb.numbers[cols.first_row[j]];
            else
                row.texts[1] = cb.texts[cols.first_row[j]];
            row.numbers[2] = counts[i * nc + j];
            row.numbers[3] = 100 * counts[i * nc + j] / total;
            if (!output->write(row))
                return;
        }
}

// TABLES a b*c ... </ options>;
bool read_tables(Session &session, const Statement &s, const std::vector<Variable> &variables,
                 std::vector<TableRequest> &requests, FreqOptions &options)
{
    const auto &t = s.tokens;
    const size_t end = t.size() - 1;
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
        if (request.columns.size() > 2) {
            session.log.error(at_line("Only one- and two-way tables are made here", request.line));
            return false;
        }
        requests.push_back(std::move(request));
    }
    if (requests.empty()) {
        session.log.error(at_line("TABLES needs variables", s.line()));
        return false;
    }
    if (i < end) {
        options.statement = s; // OUT='s tokens are read from it later
        std::vector<StepOption> list;
        if (!read_step_options(session, options.statement, i + 1, "FREQ", list))
            return false;
        for (const StepOption &o : list) {
            if (o.name == "NOCUM" && !o.has_value)
                options.cum = false;
            else if (o.name == "NOPERCENT" && !o.has_value)
                options.percent = false;
            else if (o.name == "NOROW" && !o.has_value)
                options.row = false;
            else if (o.name == "NOCOL" && !o.has_value)
                options.col = false;
            else if (o.name == "OUT" && o.has_value) {
                options.out = o;
                options.has_out = true;
            } else {
                unknown_option(session, o, "FREQ");
                return false;
            }
        }
    }
    return true;
}

} // namespace

void run_proc_freq(Session &session, const Step &step)
{
    std::vector<StepOption> head_options;
    if (!read_step_options(session, step.head, 2, "FREQ", head_options))
        return;
    const StepOption *data = nullptr;
    for (const StepOption &o : head_options) {
        if (o.name == "DATA" && o.has_value)
            data = &o;
        else
            return unknown_option(session, o, "FREQ");
    }
    DatasetReference ref;
    DatasetView view;
    if (!open_step_input(session, step.head, data, "FREQ", ref, view))
        return;
    std::vector<TableRequest> requests;
    FreqOptions options;
    for (const Statement &s : step.body) {
        if (s.keyword() != "TABLES" && s.keyword() != "TABLE")
            return unknown_statement(session, s, "FREQ");
        if (!read_tables(session, s, view.variables, requests, options))
            return;
    }
    if (requests.empty()) // every variable, one way
        for (size_t c = 0; c < view.variables.size(); ++c)
            requests.push_back({{c}, step.head.line()});
    Table table;
    std::string error;
    if (!read_view(view, table, error)) {
        session.log.error(at_line(error, step.head.line()));
        return;
    }
    std::unique_ptr<OutputDataset> output;
    if (options.has_out) {
        DatasetReference out_ref;
        if (!step_output_name(session, options.statement, options.out, out_ref))
            return;
        if (!out_ref.is_null) {
            std::vector<Variable> vars;
            for (size_t c : requests.back().columns) {
                vars.push_back(table.columns[c]);
                vars.back().label.clear();
            }
            vars.push_back({"COUNT", VarType::Numeric, number_length, "Frequency Count"});
            vars.push_back({"PERCENT", VarType::Numeric, number_length, "Percent of Total Frequency"});
            output = std::make_unique<OutputDataset>(session.library, session.log, out_ref.name);
            if (!output->create(std::move(vars)))
                return;
        }
    }
    session.listing.begin_page(session.titles, session.footnotes);
    session.listing.line(centered("The FREQ Procedure"));
    session.listing.line("");
    for (size_t k = 0; k < requests.size(); ++k) {
        OutputDataset *out = k + 1 == requests.size() ? output.get() : nullptr;
        if (requests[k].columns.size() == 1)
            one_way(session, table, requests[k].columns[0], options, out);
        else
            two_way(session, table, requests[k].columns[0], requests[k].columns[1], options, out);
    }
    note_observations_read(session.log, static_cast<long long>(table.rows), ref);
    if (output && !output->failed())
        output->commit();
}

} // namespace quill::host
