// PROC MEANS DATA=ds <statistics> <MAXDEC=n> <NWAY> <NOPRINT>; VAR vars; CLASS vars; BY vars;
// OUTPUT OUT=ds <stat(vars)=names ...>; — summary statistics of numeric variables, by default N,
// MEAN, STD, MIN and MAX of every numeric variable that is not a BY or CLASS variable. With CLASS,
// one line per combination of class values (observations with a missing class value are left
// out); with BY, one table per BY group. OUTPUT writes, per BY group, the overall line (_TYPE_ 0)
// and each combination of class variables (_TYPE_ its bits, the last class variable lowest), with
// _FREQ_ the observations summarized; without statistics it writes SAS's default _STAT_ rows.
#include <algorithm>
#include <numeric>

#include "base/message_text.h"
#include "base/names.h"
#include "base/number_text.h"
#include "language/format_statement.h"
#include "language/variable_lists.h"
#include "data/output_dataset.h"
#include "steps/class_groups.h"
#include "steps/listing_table.h"
#include "steps/procs/means.h"
#include "steps/summary_statistics.h"

namespace quill::host {
namespace {

struct OutputStat {
    Statistic statistic;
    size_t variable; // index into the VAR variables
    std::string name;
};

struct MeansRequest {
    std::vector<Statistic> statistics;
    int maxdec = -1; // -1: 7 decimals
    bool nway = false;
    bool print = true; // NOPRINT: the output data set only
    std::vector<size_t> vars;      // table columns analysed
    std::vector<size_t> classes;   // table columns
    std::vector<ByKey> by;
    bool has_output = false;
    DatasetReference out_ref;
    std::vector<OutputStat> output_stats;
};

// stat(var ...)=name ... | stat=name ... (names for the VAR variables in order) | stat= (the
// variables' own names) </ AUTONAME> (var_Stat for the variables given no name).
bool read_output_statement(ProcRun &run, const Statement &s, MeansRequest &request)
{
    Session &session = run.session;
    const std::vector<Variable> &variables = run.view.variables;
    const auto &t = s.tokens;
    size_t end = t.size() - 1;
    bool autoname = false;
    for (size_t k = 1; k < end; ++k)
        if (is_punct(t[k], '/')) {
            for (size_t o = k + 1; o < end; ++o) {
                if (t[o].kind != TokenKind::Name || upper_case(t[o].text) != "AUTONAME") {
                    session.log.error(at_line("The OUTPUT option " + quoted_excerpt(t[o].source) +
                                                  " is not supported by this host; it takes AUTONAME",
                                              t[o].line));
                    return false;
                }
                autoname = true;
            }
            end = k;
            break;
        }
    size_t i = 1;
    for (; i < end;) {
        const std::string word = t[i].kind == TokenKind::Name ? upper_case(t[i].text) : std::string();
        if (word == "OUT" && i + 2 < end && is_punct(t[i + 1], '=')) {
            StepOption out{"OUT", true, i + 2, dataset_tokens_end(t, i + 2, end), t[i].line};
            if (!run.output_name(s, out, request.out_ref))
                return false;
            request.has_output = true;
            i = out.end;
            continue;
        }
        Statistic statistic;
        if (word.empty() || !statistic_for(word, statistic)) {
            session.log.error(at_line("OUTPUT takes OUT= and stat(variables)=names; " + quoted_excerpt(t[i].source) +
                                          " is neither",
                                      t[i].line));
            return false;
        }
        ++i;
        std::vector<size_t> of;
        if (i < end && is_punct(t[i], '(')) {
            size_t close = i + 1;
            while (close < end && !is_punct(t[close], ')'))
                ++close;
            std::vector<int> numbers;
            std::string error;
            const std::vector<Token> list(t.begin() + static_cast<std::ptrdiff_t>(i + 1),
                                          t.begin() + static_cast<std::ptrdiff_t>(close));
            if (close >= end || !resolve_variable_list(list, variables, numbers, error)) {
                session.log.error(at_line(error.empty() ? "A ')' is missing in OUTPUT" : error, t[i].line));
                return false;
            }
            for (int n : numbers) {
                const auto at = std::find(request.vars.begin(), request.vars.end(), static_cast<size_t>(n - 1));
                if (at == request.vars.end()) {
                    session.log.error(at_line("Variable " + variables[static_cast<size_t>(n - 1)].name +
                                                  " of OUTPUT is not an analysis variable",
                                              t[i].line));
                    return false;
                }
                of.push_back(static_cast<size_t>(at - request.vars.begin()));
            }
            i = close + 1;
        } else {
            for (size_t k = 0; k < request.vars.size(); ++k)
                of.push_back(k);
        }
        if (i >= end || !is_punct(t[i], '=')) {
            session.log.error(at_line("OUTPUT needs names after " + word + "(...)=", t[i - 1].line));
            return false;
        }
        ++i;
        size_t named = 0;
        for (; i < end && t[i].kind == TokenKind::Name && named < of.size() &&
               !(i + 1 < end && (is_punct(t[i + 1], '=') || is_punct(t[i + 1], '(')));
             ++i, ++named)
            request.output_stats.push_back({statistic, of[named], t[i].text});
        // Variables left without a name: their own names when none was given, var_Stat under AUTONAME.
        if (named == 0 || autoname)
            for (size_t k = named; k < of.size(); ++k) {
                const std::string &own = variables[request.vars[of[k]]].name;
                request.output_stats.push_back(
                    {statistic, of[k],
                     autoname ? own + "_" + std::string(summary_statistic_names[static_cast<size_t>(statistic)].suffix)
                              : own});
            }
    }
    if (!request.has_output) {
        session.log.error(at_line("OUTPUT needs OUT=", s.line()));
        return false;
    }
    return true;
}

// An output name already taken (by a BY or CLASS variable, _TYPE_, _FREQ_ or an earlier
// statistic) keeps the first: the later one is left out with a warning, as `MEAN= STD=` would
// otherwise name two variables alike.
void drop_repeated_output_names(Session &session, const Table &table, MeansRequest &request)
{
    NameSet taken;
    for (const ByKey &key : request.by)
        taken.insert(table.columns[key.column].name);
    for (size_t column : request.classes)
        taken.insert(table.columns[column].name);
    taken.insert("_TYPE_");
    taken.insert("_FREQ_");
    std::vector<OutputStat> kept;
    for (OutputStat &o : request.output_stats) {
        if (taken.insert(o.name))
            kept.push_back(std::move(o));
        else
            session.log.warning("Variable " + o.name + " already exists on file " + request.out_ref.name.display + ".");
    }
    request.output_stats = std::move(kept);
}

std::string stat_text(Statistic k, double value, int maxdec)
{
    if (k == Statistic::N || k == Statistic::NMiss)
        return fixed_text(value, 0);
    return fixed_text(value, maxdec < 0 ? 7 : maxdec);
}

class MeansRun {
public:
    MeansRun(Session &session, const Table &table, const ShownValues &shown, const MeansRequest &request)
        : session_(session), table_(table), shown_(shown), request_(request)
    {
        for (Statistic k : request.statistics)
            quantiles_ = quantiles_ || is_quantile(k);
        for (const OutputStat &o : request.output_stats)
            quantiles_ = quantiles_ || is_quantile(o.statistic);
    }

    std::vector<Summary> summarize_rows(const std::vector<size_t> &rows, size_t begin, size_t end)
    {
        std::vector<Summary> out;
        for (size_t v : request_.vars) {
            values_.clear();
            const std::vector<double> &numbers = table_.columns[v].numbers;
            for (size_t i = begin; i < end; ++i)
                values_.push_back(numbers[rows[i]]);
            out.push_back(summarize(values_, quantiles_));
        }
        return out;
    }

    void print_group(std::vector<size_t> rows)
    {
        std::vector<ListingColumn> columns;
        std::vector<std::pair<size_t, size_t>> groups;
        if (request_.classes.empty())
            groups.push_back({0, rows.size()});
        else
            formatted_groups(request_.classes, rows, groups);
        const bool many = request_.vars.size() > 1;
        const bool counts = request_.vars.empty(); // SUMMARY without VAR: the observations only
        for (size_t c : request_.classes)
            columns.push_back({table_.columns[c].name, table_.columns[c].type == VarType::Numeric, {}});
        if (!request_.classes.empty() || counts)
            columns.push_back({"N Obs", true, {}});
        if (many)
            columns.push_back({"Variable", false, {}});
        const size_t first_stat = columns.size();
        if (!counts)
            for (Statistic k : request_.statistics)
                columns.push_back({std::string(summary_statistic_names[static_cast<size_t>(k)].header), true, {}});
        for (const auto &[b, e] : groups) {
            const std::vector<Summary> summaries = summarize_rows(rows, b, e);
            for (size_t v = 0; v < std::max<size_t>(1, request_.vars.size()); ++v) {
                size_t k = 0;
                for (size_t c : request_.classes)
                    columns[k++].cells.push_back(v ? std::string() : shown_(c, rows[b]));
                if (!request_.classes.empty() || counts)
                    columns[k++].cells.push_back(v ? std::string() : std::to_string(e - b));
                if (counts)
                    continue;
                if (many)
                    columns[k++].cells.push_back(table_.columns[request_.vars[v]].name);
                for (size_t s = 0; s < request_.statistics.size(); ++s) {
                    const Statistic stat = request_.statistics[s];
                    columns[first_stat + s].cells.push_back(
                        stat_text(stat, summaries[v][static_cast<size_t>(stat)], request_.maxdec));
                }
            }
        }
        Listing &listing = session_.listing;
        if (!many && !counts) {
            const Column &var = table_.columns[request_.vars[0]];
            listing.line(centered("Analysis Variable : " + var.name + (var.label.empty() ? "" : " " + var.label)));
            listing.line("");
        }
        print_listing_table(listing, columns, true);
        listing.line("");
    }

    // Every _TYPE_ of one BY group, in order.
    bool write_group(OutputDataset &output, const std::vector<size_t> &by_rows)
    {
        const size_t k = request_.classes.size();
        const size_t types = request_.nway ? 1 : size_t{1} << k;
        for (size_t n = 0; n < types; ++n) {
            const size_t type = request_.nway ? (size_t{1} << k) - 1 : n;
            std::vector<size_t> in;
            for (size_t j = 0; j < k; ++j)
                if (type & (size_t{1} << (k - 1 - j)))
                    in.push_back(request_.classes[j]);
            std::vector<size_t> rows = by_rows;
            std::vector<std::pair<size_t, size_t>> groups;
            if (in.empty())
                groups.push_back({0, rows.size()});
            else
                formatted_groups(in, rows, groups);
            for (const auto &[b, e] : groups) {
                const std::vector<Summary> summaries = summarize_rows(rows, b, e);
                const size_t first = b < rows.size() ? rows[b] : (by_rows.empty() ? 0 : by_rows[0]);
                if (!write_lines(output, first, in, type, e - b, summaries))
                    return false;
            }
        }
        return true;
    }

    std::vector<Variable> output_variables() const
    {
        std::vector<Variable> vars;
        for (const ByKey &key : request_.by)
            vars.push_back(table_.columns[key.column]);
        for (size_t c : request_.classes)
            vars.push_back(table_.columns[c]);
        vars.push_back({"_TYPE_"});
        vars.push_back({"_FREQ_"});
        if (request_.output_stats.empty() && !request_.vars.empty()) {
            vars.push_back({"_STAT_", VarType::Character, 8});
            for (size_t v : request_.vars)
                vars.push_back({table_.columns[v].name});
        } else {
            for (const OutputStat &o : request_.output_stats)
                vars.push_back({o.name});
        }
        for (Variable &v : vars)
            v.label.clear();
        return vars;
    }

private:
    // The groups of the class variables' values; of their formatted values where they have formats
    // (each group where its smallest values fall).
    void formatted_groups(const std::vector<size_t> &classes, std::vector<size_t> &rows,
                          std::vector<std::pair<size_t, size_t>> &groups) const
    {
        class_groups(table_, classes, rows, groups);
        if (std::none_of(classes.begin(), classes.end(), [&](size_t c) { return shown_.format(c) != nullptr; }))
            return;
        join_groups(rows, groups, [&](size_t row) {
            std::string key;
            for (size_t c : classes)
                key.append(shown_(c, row)).push_back('\0');
            return key;
        });
    }

    bool write_lines(OutputDataset &output, size_t first, const std::vector<size_t> &in, size_t type, size_t freq,
                     const std::vector<Summary> &summaries)
    {
        const std::vector<Variable> &vars = output.variables();
        row_.resize(vars.size());
        size_t c = 0;
        auto copy = [&](size_t column, bool present) {
            const Column &col = table_.columns[column];
            if (col.type == VarType::Numeric)
                row_.numbers[c] = present ? col.numbers[first] : missing_value();
            else
                row_.texts[c] = present ? col.texts[first] : std::string();
            ++c;
        };
        for (const ByKey &key : request_.by)
            copy(key.column, true);
        for (size_t column : request_.classes)
            copy(column, std::find(in.begin(), in.end(), column) != in.end());
        row_.numbers[c++] = static_cast<double>(type);
        row_.numbers[c++] = static_cast<double>(freq);
        if (!request_.output_stats.empty() || request_.vars.empty()) {
            for (const OutputStat &o : request_.output_stats)
                row_.numbers[c++] = summaries[o.variable][static_cast<size_t>(o.statistic)];
            return output.write(row_);
        }
        const Statistic defaults[] = {Statistic::N, Statistic::Min, Statistic::Max, Statistic::Mean, Statistic::Std};
        for (Statistic k : defaults) {
            row_.texts[c] = std::string(summary_statistic_names[static_cast<size_t>(k)].keyword);
            for (size_t v = 0; v < request_.vars.size(); ++v)
                row_.numbers[c + 1 + v] = summaries[v][static_cast<size_t>(k)];
            if (!output.write(row_))
                return false;
        }
        return true;
    }

    Session &session_;
    const Table &table_;
    const ShownValues &shown_;
    const MeansRequest &request_;
    bool quantiles_ = false;
    std::vector<double> values_;
    Row row_;
};

// The PROC statement's options: MAXDEC=, NWAY, NOPRINT (PRINT) and the statistics to print.
bool read_means_options(ProcRun &run, const MeansStyle &style, MeansRequest &request)
{
    request.print = style.prints;
    for (const StepOption &o : run.options) {
        Statistic statistic;
        if (o.name == "MAXDEC") {
            const std::string &value = run.value(o).text;
            if (value.size() != 1 || value[0] < '0' || value[0] > '8') {
                run.error("MAXDEC= takes a whole number from 0 to 8", o.line);
                return false;
            }
            request.maxdec = value[0] - '0';
        } else if (o.name == "NWAY") {
            request.nway = true;
        } else if (o.name == "NOPRINT" || o.name == "PRINT") {
            request.print = o.name == "PRINT";
        } else if (statistic_for(o.name, statistic)) {
            request.statistics.push_back(statistic);
        }
    }
    if (request.statistics.empty())
        request.statistics = {Statistic::N, Statistic::Mean, Statistic::Std, Statistic::Min, Statistic::Max};
    return true;
}

// VAR and CLASS; OUTPUT is read once the analysis variables are known. Without VAR, every
// numeric variable that is not a BY or CLASS variable, or (SUMMARY) none: the counts only.
bool read_means_statements(ProcRun &run, const MeansStyle &style, MeansRequest &request,
                           const Statement *&output_statement)
{
    const std::vector<Variable> &variables = run.view.variables;
    bool has_var = false;
    for (const Statement *s : run.statements) {
        const std::string keyword = s->keyword();
        if (keyword == "OUTPUT") {
            output_statement = s;
            continue;
        }
        std::vector<int> numbers;
        if (!run.variables(*s, numbers))
            return false;
        for (int n : numbers) {
            const size_t c = static_cast<size_t>(n - 1);
            if (keyword == "VAR" && variables[c].type != VarType::Numeric) {
                run.error("Variable " + variables[c].name + " in list does not match type prescribed for this list", s->line());
                return false;
            }
            (keyword == "VAR" ? request.vars : request.classes).push_back(c);
        }
        has_var = has_var || keyword == "VAR";
    }
    if (!has_var && style.every_numeric)
        for (size_t c = 0; c < variables.size(); ++c) {
            const bool grouping = std::find(request.classes.begin(), request.classes.end(), c) != request.classes.end() ||
                                  std::any_of(request.by.begin(), request.by.end(), [&](const ByKey &k) { return k.column == c; });
            if (variables[c].type == VarType::Numeric && !grouping)
                request.vars.push_back(c);
        }
    if (request.vars.empty() && style.every_numeric) {
        run.error("PROC " + run.name + " has no numeric variable to analyse", run.line());
        return false;
    }
    return true;
}

// The input as far as the step uses it: its analysis, CLASS and BY variables, the request
// renumbered to count among them.
DatasetView used_view(const ProcRun &run, MeansRequest &request)
{
    std::vector<size_t> used = request.vars;
    used.insert(used.end(), request.classes.begin(), request.classes.end());
    for (const ByKey &key : request.by)
        used.push_back(key.column);
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    DatasetView view{run.view.source, {}, {}};
    std::vector<size_t> place(run.view.variables.size());
    for (size_t k = 0; k < used.size(); ++k) {
        view.columns.push_back(run.view.columns[used[k]]);
        view.variables.push_back(run.view.variables[used[k]]);
        place[used[k]] = k;
    }
    for (size_t &c : request.vars)
        c = place[c];
    for (size_t &c : request.classes)
        c = place[c];
    for (ByKey &key : request.by)
        key.column = place[key.column];
    return view;
}

} // namespace

void run_means_or_summary(ProcRun &run, const MeansStyle &style)
{
    Session &session = run.session;
    MeansRequest request;
    request.by = run.by;
    const Statement *output_statement = nullptr;
    if (!read_means_options(run, style, request) || !read_means_statements(run, style, request, output_statement))
        return;
    if (!request.print && !output_statement && !style.prints) {
        session.log.warning("Neither the PRINT option nor a valid output statement has been given.");
        return;
    }
    if (output_statement && !read_output_statement(run, *output_statement, request))
        return;
    Table table;
    if (!run.read(used_view(run, request), table))
        return;
    const ShownValues shown(table, &session.formats);
    std::vector<size_t> starts = {0, table.rows};
    std::string error;
    if (!request.by.empty() &&
        !by_group_starts(table, request.by, run.input.name.display, starts, error, shown.by_text())) {
        run.error(error, run.line());
        return;
    }
    drop_repeated_output_names(session, table, request);
    MeansRun means(session, table, shown, request);
    std::unique_ptr<OutputDataset> output;
    if (request.has_output && !request.out_ref.is_null) {
        output = run.make_output(request.out_ref);
        if (!output->create(means.output_variables()))
            return;
    }
    if (request.print) {
        session.listing.begin_page(session.titles, session.footnotes);
        session.listing.line(centered("The " + run.name + " Procedure"));
        session.listing.line("");
    }
    for (size_t g = 0; g + 1 < starts.size(); ++g) {
        std::vector<size_t> rows(starts[g + 1] - starts[g]);
        std::iota(rows.begin(), rows.end(), starts[g]);
        if (request.print && !request.by.empty()) {
            session.listing.line(by_heading(by_line(table, request.by, starts[g], shown.by_text())));
            session.listing.line("");
        }
        if (request.print)
            means.print_group(rows);
        if (output && !means.write_group(*output, rows))
            return;
    }
    run.note_read();
    if (output)
        output->commit();
}

void run_proc_means(ProcRun &run) { run_means_or_summary(run, {true, true}); }

} // namespace quill::host
