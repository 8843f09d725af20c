// PROC PRINT DATA=ds <NOOBS> <LABEL> <N>; <VAR list;> <SUM list;> <WHERE expression;> <BY <DESCENDING>
// vars;> — prints a data set to the listing on a new page, one line per observation, numbers
// right-aligned and texts left-aligned; with BY, each BY group under its BY line (the data must be
// sorted by the BY variables). LABEL heads the columns with the variables' labels, N counts the
// observations, SUM totals columns (each BY group and the whole).
#include <algorithm>

#include "base/message_text.h"
#include "base/names.h"
#include "base/number_text.h"
#include "language/dataset_reference.h"
#include "language/format_statement.h"
#include "language/variable_lists.h"
#include "steps/by_groups.h"
#include "steps/proc_support.h"
#include "steps/program_runner.h"

namespace quill::host {
namespace {

std::string pad(const std::string &text, size_t width, bool right)
{
    if (text.size() >= width)
        return text;
    const std::string blanks(width - text.size(), ' ');
    return right ? blanks + text : text + blanks;
}

} // namespace

void run_proc_print(Session &session, const Step &step)
{
    const auto &t = step.head.tokens;
    const size_t end = t.size() - 1; // the ';'
    DatasetReference ref;
    bool have_data = false, obs_column = true, labels = false, count = false;
    std::string error;
    for (size_t i = 2; i < end;) {
        const std::string option = t[i].kind == TokenKind::Name ? upper_case(t[i].text) : std::string();
        if (option == "DATA" && i + 2 < end + 1 && is_punct(t[i + 1], '=')) {
            const size_t stop = dataset_tokens_end(t, i + 2, end);
            if (!parse_dataset_reference(t, i + 2, stop, session.library, ref, error)) {
                session.log.error(at_line(error, t[i].line));
                return;
            }
            have_data = true;
            i = stop;
        } else if (option == "NOOBS") {
            obs_column = false;
            ++i;
        } else if (option == "LABEL" || option == "L") {
            labels = true;
            ++i;
        } else if (option == "N") {
            count = true;
            ++i;
        } else {
            session.log.error(at_line("Option " + quoted_excerpt(t[i].source) + " is not known to PROC PRINT", t[i].line));
            return;
        }
    }
    if (!have_data) {
        if (!session.library.last()) {
            session.log.error(at_line("PROC PRINT has no data set to print: give DATA=", step.head.line()));
            return;
        }
        ref.name = *session.library.last();
    }
    if (ref.is_null) {
        session.log.error(at_line("_NULL_ cannot be printed", step.head.line()));
        return;
    }
    std::vector<Token> where;
    for (const Statement &s : step.body)
        if (s.keyword() == "WHERE")
            where.assign(s.tokens.begin() + 1, s.tokens.end() - 1);
    DatasetView view;
    if (!open_for_reading(ref, session.library, session.log, view, error, where)) {
        // An error in an expression already names its place.
        session.log.error(error.find(" at line ") != std::string::npos ? error : at_line(error, step.head.line()));
        return;
    }
    std::vector<int> columns, summed;
    std::vector<ByKey> by;
    for (const Statement &s : step.body) {
        if (s.keyword() == "WHERE")
            continue;
        if (s.keyword() == "BY") {
            if (!read_by_statement(session, s, view.variables, by))
                return;
            continue;
        }
        if (s.keyword() == "FORMAT" || s.keyword() == "INFORMAT") {
            if (!apply_format_statement(s.tokens, session.formats, view.variables, error)) {
                session.log.error(error);
                return;
            }
            continue;
        }
        if (s.keyword() != "VAR" && s.keyword() != "SUM")
            return unknown_statement(session, s, "PRINT");
        std::vector<Token> list(s.tokens.begin() + 1, s.tokens.end() - 1);
        if (!resolve_variable_list(list, view.variables, s.keyword() == "SUM" ? summed : columns, error)) {
            session.log.error(error);
            return;
        }
    }
    for (const int c : summed)
        if (view.variables[static_cast<size_t>(c - 1)].type != VarType::Numeric) {
            session.log.error(at_line("Variable " + view.variables[static_cast<size_t>(c - 1)].name +
                                          " in the SUM statement is character",
                                      step.head.line()));
            return;
        }
    if (columns.empty())
        for (size_t c = 0; c < view.variables.size(); ++c)
            if (std::none_of(by.begin(), by.end(), [&](const ByKey &k) { return k.column == c; }))
                columns.push_back(static_cast<int>(c) + 1);
    // A summed variable the VAR statement leaves out is printed after the others, as it is totalled.
    for (const int c : summed)
        if (std::find(columns.begin(), columns.end(), c) == columns.end())
            columns.push_back(c);
    Table table;
    if (!read_view(view, table, error)) {
        session.log.error(at_line(error, step.head.line()));
        return;
    }
    const ShownValues shown(table, &session.formats);
    std::vector<size_t> starts = {0, table.rows};
    if (!by.empty() && !by_group_starts(table, by, ref.name.display, starts, error, shown.by_text())) {
        session.log.error(at_line(error, step.head.line()));
        return;
    }

    // Two passes over the cells, one for the widths and one to print, so that nothing but the
    // data set itself is held.
    auto cell = [&](size_t k, size_t row) { return shown(static_cast<size_t>(columns[k] - 1), row); };
    auto heading = [&](size_t k) -> const std::string & {
        const Column &col = table.columns[static_cast<size_t>(columns[k] - 1)];
        return labels && !col.label.empty() ? col.label : col.name;
    };
    std::vector<char> totalled(columns.size(), 0);
    for (size_t k = 0; k < columns.size(); ++k)
        totalled[k] = std::find(summed.begin(), summed.end(), columns[k]) != summed.end();
    auto total = [&](size_t k, size_t first, size_t last) {
        double sum = 0;
        for (size_t r = first; r < last; ++r)
            if (!is_missing(table.columns[static_cast<size_t>(columns[k] - 1)].numbers[r]))
                sum += table.columns[static_cast<size_t>(columns[k] - 1)].numbers[r];
        const size_t c = static_cast<size_t>(columns[k] - 1);
        return shown_value(table.columns[c], shown.format(c), sum, std::string());
    };
    const size_t obs_width = std::max<size_t>(3, std::to_string(table.rows).size());
    std::vector<size_t> widths(columns.size());
    for (size_t k = 0; k < columns.size(); ++k) {
        widths[k] = heading(k).size();
        for (size_t r = 0; r < table.rows; ++r)
            widths[k] = std::max(widths[k], cell(k, r).size());
        if (totalled[k])
            for (size_t g = 0; g + 1 < starts.size(); ++g)
                widths[k] = std::max({widths[k], total(k, starts[g], starts[g + 1]).size(), total(k, 0, table.rows).size()});
    }
    // A line under the summed columns: their rule (`mark`) or their totals over [first, last).
    auto sum_line = [&](char mark, size_t first, size_t last) {
        std::string line = obs_column ? std::string(obs_width, ' ') : std::string();
        for (size_t k = 0; k < columns.size(); ++k)
            line += (obs_column || k > 0 ? "   " : "") +
                    (totalled[k] ? pad(mark ? std::string(widths[k], mark) : total(k, first, last), widths[k], true)
                                 : std::string(widths[k], ' '));
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        session.listing.line(line);
    };
    session.listing.begin_page(session.titles, session.footnotes);
    std::string header = obs_column ? pad("Obs", obs_width, true) : std::string();
    for (size_t k = 0; k < columns.size(); ++k) {
        const Column &col = table.columns[static_cast<size_t>(columns[k] - 1)];
        header += (header.empty() ? "" : "   ") + pad(heading(k), widths[k], col.type == VarType::Numeric);
    }
    for (size_t g = 0; g + 1 < starts.size(); ++g) {
        if (!by.empty()) {
            if (g > 0)
                session.listing.line("");
            session.listing.line(by_heading(by_line(table, by, starts[g], shown.by_text())));
            session.listing.line("");
        }
        session.listing.line(header);
        session.listing.line("");
        for (size_t r = starts[g]; r < starts[g + 1]; ++r) {
            std::string line = obs_column ? pad(std::to_string(r + 1), obs_width, true) : std::string();
            for (size_t k = 0; k < columns.size(); ++k) {
                const bool numeric = table.columns[static_cast<size_t>(columns[k] - 1)].type == VarType::Numeric;
                line += (obs_column || k > 0 ? "   " : "") + pad(cell(k, r), widths[k], numeric);
            }
            while (!line.empty() && line.back() == ' ')
                line.pop_back();
            session.listing.line(line);
        }
        if (!summed.empty() && !by.empty()) {
            sum_line('-', 0, 0);
            sum_line('\0', starts[g], starts[g + 1]);
        }
        if (count && !by.empty()) {
            session.listing.line("");
            session.listing.line("N = " + std::to_string(starts[g + 1] - starts[g]));
        }
    }
    if (!summed.empty()) {
        sum_line('=', 0, 0);
        sum_line('\0', 0, table.rows);
    }
    if (count) {
        session.listing.line("");
        session.listing.line((by.empty() ? "N = " : "Total N = ") + std::to_string(table.rows));
    }
    note_observations_read(session.log, static_cast<long long>(table.rows), ref, where);
}

} // namespace quill::host
