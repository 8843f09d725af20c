// PROC PRINT DATA=ds <NOOBS> <LABEL> <N>; <VAR list;> <ID list;> <SUM list;> <BY <DESCENDING> vars;> — prints
// a data set to the listing on a new page, one line per observation, numbers right-aligned and
// texts left-aligned; with BY, each BY group under its BY line (the data must be sorted by the BY
// variables). LABEL heads the columns with the variables' labels, N counts the observations, SUM
// totals columns (each BY group and the whole), ID prints its variables first in place of the Obs
// column. Values and totals are shown in the variables'
// formats; BY groups are of formatted values.
#include <algorithm>

#include "base/number_text.h"
#include "language/format_statement.h"
#include "language/variable_lists.h"
#include "steps/listing_table.h"
#include "steps/proc_frame.h"

namespace quill::host {
namespace {

// The columns printed (numbers of the input's variables, from 1), the ID columns first, and those
// totalled.
bool read_columns(ProcRun &run, std::vector<int> &columns, std::vector<int> &ids, std::vector<int> &summed)
{
    for (const Statement *s : run.statements) {
        std::vector<Token> list(s->tokens.begin() + 1, s->tokens.end() - 1);
        std::string error;
        const std::string keyword = s->keyword();
        if (!resolve_variable_list(list, run.view.variables, keyword == "SUM" ? summed : keyword == "ID" ? ids : columns,
                                   error)) {
            run.session.log.error(error);
            return false;
        }
    }
    for (const int c : summed)
        if (run.view.variables[static_cast<size_t>(c - 1)].type != VarType::Numeric) {
            run.error("Variable " + run.view.variables[static_cast<size_t>(c - 1)].name + " in the SUM statement is character",
                      run.line());
            return false;
        }
    // Without VAR every variable but the BY and ID ones; VAR prints what it names, an ID variable too.
    if (columns.empty())
        for (size_t c = 0; c < run.view.variables.size(); ++c)
            if (std::none_of(run.by.begin(), run.by.end(), [&](const ByKey &k) { return k.column == c; }) &&
                std::find(ids.begin(), ids.end(), static_cast<int>(c) + 1) == ids.end())
                columns.push_back(static_cast<int>(c) + 1);
    // A summed variable the VAR statement leaves out is printed after the others, as it is totalled.
    for (const int c : summed)
        if (std::find(columns.begin(), columns.end(), c) == columns.end())
            columns.push_back(c);
    columns.insert(columns.begin(), ids.begin(), ids.end());
    return true;
}

// The printing of a table read whole: two passes over the cells, one for the widths and one to
// print, so that nothing but the data set itself is held.
class Printer {
public:
    // The ID columns lead `columns` and take the place of the Obs column.
    Printer(ProcRun &run, const Table &table, const ShownValues &shown, std::vector<int> columns,
            const std::vector<int> &summed, bool ids)
        : run_(run), table_(table), shown_(shown), columns_(std::move(columns)), listing_(run.session.listing)
    {
        obs_column_ = !run.flag("NOOBS") && !ids;
        labels_ = run.flag("LABEL") || run.flag("L");
        totalled_.resize(columns_.size());
        for (size_t k = 0; k < columns_.size(); ++k)
            totalled_[k] = std::find(summed.begin(), summed.end(), columns_[k]) != summed.end();
        any_total_ = !summed.empty();
    }

    void print(const std::vector<size_t> &starts)
    {
        measure(starts);
        listing_.begin_page(run_.session.titles, run_.session.footnotes);
        const bool by = !run_.by.empty();
        for (size_t g = 0; g + 1 < starts.size(); ++g) {
            if (by) {
                if (g > 0)
                    listing_.line("");
                listing_.line(by_heading(by_line(table_, run_.by, starts[g], shown_.by_text())));
                listing_.line("");
            }
            listing_.line(header());
            listing_.line("");
            for (size_t r = starts[g]; r < starts[g + 1]; ++r)
                observation(r);
            if (any_total_ && by) {
                sum_line('-', 0, 0);
                sum_line('\0', starts[g], starts[g + 1]);
            }
            if (run_.flag("N") && by) {
                listing_.line("");
                listing_.line("N = " + std::to_string(starts[g + 1] - starts[g]));
            }
        }
        if (any_total_) {
            sum_line('=', 0, 0);
            sum_line('\0', 0, table_.rows);
        }
        if (run_.flag("N")) {
            listing_.line("");
            listing_.line((by ? "Total N = " : "N = ") + std::to_string(table_.rows));
        }
    }

private:
    const Column &column(size_t k) const { return table_.columns[static_cast<size_t>(columns_[k] - 1)]; }
    std::string cell(size_t k, size_t row) const { return shown_(static_cast<size_t>(columns_[k] - 1), row); }
    const std::string &heading(size_t k) const
    {
        const Column &col = column(k);
        return labels_ && !col.label.empty() ? col.label : col.name;
    }
    std::string total(size_t k, size_t first, size_t last) const
    {
        double sum = 0;
        for (size_t r = first; r < last; ++r)
            if (!is_missing(column(k).numbers[r]))
                sum += column(k).numbers[r];
        return shown_value(column(k), shown_.format(static_cast<size_t>(columns_[k] - 1)), sum, std::string());
    }
    void measure(const std::vector<size_t> &starts)
    {
        obs_width_ = std::max<size_t>(3, std::to_string(table_.rows).size());
        widths_.assign(columns_.size(), 0);
        for (size_t k = 0; k < columns_.size(); ++k) {
            widths_[k] = heading(k).size();
            for (size_t r = 0; r < table_.rows; ++r)
                widths_[k] = std::max(widths_[k], cell(k, r).size());
            if (totalled_[k])
                for (size_t g = 0; g + 1 < starts.size(); ++g)
                    widths_[k] = std::max({widths_[k], total(k, starts[g], starts[g + 1]).size(),
                                           total(k, 0, table_.rows).size()});
        }
    }
    std::string header() const
    {
        std::string line = obs_column_ ? pad_text("Obs", obs_width_, true) : std::string();
        for (size_t k = 0; k < columns_.size(); ++k)
            line += (line.empty() ? "" : "   ") + pad_text(heading(k), widths_[k], column(k).type == VarType::Numeric);
        return line;
    }
    void observation(size_t r)
    {
        std::string line = obs_column_ ? pad_text(std::to_string(r + 1), obs_width_, true) : std::string();
        for (size_t k = 0; k < columns_.size(); ++k)
            line += (obs_column_ || k > 0 ? "   " : "") + pad_text(cell(k, r), widths_[k], column(k).type == VarType::Numeric);
        emit(line);
    }
    // A line under the summed columns: their rule (`mark`) or their totals over [first, last).
    void sum_line(char mark, size_t first, size_t last)
    {
        std::string line = obs_column_ ? std::string(obs_width_, ' ') : std::string();
        for (size_t k = 0; k < columns_.size(); ++k)
            line += (obs_column_ || k > 0 ? "   " : "") +
                    (totalled_[k] ? pad_text(mark ? std::string(widths_[k], mark) : total(k, first, last), widths_[k], true)
                                  : std::string(widths_[k], ' '));
        emit(line);
    }
    void emit(std::string line)
    {
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        listing_.line(line);
    }

    ProcRun &run_;
    const Table &table_;
    const ShownValues &shown_;
    std::vector<int> columns_;
    Listing &listing_;
    bool obs_column_ = true, labels_ = false, any_total_ = false;
    std::vector<char> totalled_;
    size_t obs_width_ = 3;
    std::vector<size_t> widths_;
};

} // namespace

void run_proc_print(ProcRun &run)
{
    std::vector<int> columns, ids, summed;
    if (!read_columns(run, columns, ids, summed))
        return;
    Table table;
    if (!run.read(table))
        return;
    const ShownValues shown(table, &run.session.formats);
    std::vector<size_t> starts;
    if (!run.group_starts(table, shown, starts))
        return;
    Printer(run, table, shown, std::move(columns), summed, !ids.empty()).print(starts);
}

} // namespace quill::host
