// PROC TRANSPOSE DATA=ds <OUT=ds> <PREFIX=text> <NAME=name> <LABEL=name> <LET>; <VAR vars;>
// <ID vars;> <BY <DESCENDING> vars;> — turns variables into observations: each VAR variable
// (without VAR, every numeric variable that is not a BY or ID variable) becomes one observation
// per BY group, its name in _NAME_ (NAME=), its label in _LABEL_ (LABEL=; only when a VAR
// variable has one), its values in COL1, COL2, ... (PREFIX1, ... with PREFIX=) in the order of the
// group's observations. With ID, the columns are named by the ID values instead (their formatted
// values joined, after PREFIX=, made valid names as VALIDVARNAME=V7 makes them: '_' before a
// leading digit, '_' for each character a name cannot hold), in the order they first appear; a
// group without a value has a missing value there. An observation whose ID value is missing is
// left out (a WARNING counts them); an ID value twice in one BY group is an ERROR, or with LET a
// WARNING and the last observation's value stands. The columns are numeric when every VAR
// variable is, else character, numbers written in their formats.
#include <algorithm>
#include <map>

#include "base/message_text.h"
#include "base/names.h"
#include "language/format_statement.h"
#include "steps/proc_frame.h"

namespace quill::host {
namespace {

struct Request {
    std::vector<size_t> vars, ids; // columns of the input
    std::string prefix, name = "_NAME_", label = "_LABEL_";
};

std::string trimmed(const std::string &text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool text_option(const ProcRun &run, const char *option, std::string &value)
{
    if (const StepOption *o = run.option(option)) {
        const Token &t = run.value(*o);
        if (t.kind != TokenKind::Name && t.kind != TokenKind::String) {
            run.error(std::string(option) + "= takes a name", o->line);
            return false;
        }
        value = t.text;
    }
    return true;
}

bool read_request(ProcRun &run, Request &request)
{
    if (!text_option(run, "PREFIX", request.prefix) || !text_option(run, "NAME", request.name) ||
        !text_option(run, "LABEL", request.label))
        return false;
    for (const char *option : {"NAME", "LABEL"})
        if (const StepOption *o = run.option(option); o && !is_valid_name(run.value(*o).text)) {
            run.error(std::string(option) + "= takes a valid variable name", o->line);
            return false;
        }
    for (const Statement *s : run.statements) {
        std::vector<int> numbers;
        if (!run.variables(*s, numbers))
            return false;
        auto &into = s->keyword() == "VAR" ? request.vars : request.ids;
        for (int n : numbers)
            into.push_back(static_cast<size_t>(n - 1));
    }
    const auto &variables = run.view.variables;
    auto is_by = [&](size_t c) { return std::any_of(run.by.begin(), run.by.end(), [&](const ByKey &k) { return k.column == c; }); };
    auto is_id = [&](size_t c) { return std::find(request.ids.begin(), request.ids.end(), c) != request.ids.end(); };
    const bool listed = std::any_of(run.statements.begin(), run.statements.end(),
                                    [](const Statement *s) { return s->keyword() == "VAR"; });
    if (!listed)
        for (size_t c = 0; c < variables.size(); ++c)
            if (variables[c].type == VarType::Numeric && !is_by(c) && !is_id(c))
                request.vars.push_back(c);
    return true;
}

// The output's columns: their names, and for each observation of the input the column it fills
// (-1: none, its ID value is missing).
struct Layout {
    std::vector<std::string> names;
    std::vector<long> column_of;
};

bool id_layout(ProcRun &run, const Table &table, const ShownValues &shown, const Request &request,
               const std::vector<size_t> &starts, Layout &layout)
{
    std::map<std::string, size_t> index; // upper-case name -> column
    layout.column_of.assign(table.rows, -1);
    size_t omitted = 0;
    for (size_t g = 0; g + 1 < starts.size(); ++g) {
        std::vector<char> used(layout.names.size(), 0);
        for (size_t r = starts[g]; r < starts[g + 1]; ++r) {
            std::string value;
            bool missing = false;
            for (size_t c : request.ids) {
                const Column &col = table.columns[c];
                missing = missing || (col.type == VarType::Numeric ? is_missing(col.numbers[r]) : trimmed(col.texts[r]).empty());
                value += trimmed(shown(c, r));
            }
            if (missing) {
                ++omitted;
                continue;
            }
            const std::string name = v7_name(request.prefix + value);
            const auto [it, added] = index.emplace(upper_case(name), layout.names.size());
            if (added)
                layout.names.push_back(name);
            used.resize(layout.names.size(), 0);
            if (used[it->second]) {
                const std::string where = run.by.empty() ? "the input data set" : "the same BY group";
                const std::string message = "The ID value " + quoted_excerpt(name) + " occurs twice in " + where;
                if (!run.flag("LET")) {
                    run.error(message, run.line());
                    if (!run.by.empty())
                        run.session.log.note("The above message was for the following BY group: " +
                                             by_line(table, run.by, r, shown.by_text()));
                    return false;
                }
                run.session.log.warning(message + "; the last value is kept (LET)");
            }
            used[it->second] = 1;
            layout.column_of[r] = static_cast<long>(it->second);
        }
    }
    if (omitted > 0)
        run.session.log.warning(std::to_string(omitted) + " observation" + (omitted == 1 ? "" : "s") +
                                " omitted due to missing ID values.");
    return true;
}

void plain_layout(const Table &table, const Request &request, const std::vector<size_t> &starts, Layout &layout)
{
    layout.column_of.assign(table.rows, -1);
    size_t widest = 0;
    for (size_t g = 0; g + 1 < starts.size(); ++g) {
        widest = std::max(widest, starts[g + 1] - starts[g]);
        for (size_t r = starts[g]; r < starts[g + 1]; ++r)
            layout.column_of[r] = static_cast<long>(r - starts[g]);
    }
    for (size_t k = 1; k <= widest; ++k)
        layout.names.push_back((request.prefix.empty() ? std::string("COL") : request.prefix) + std::to_string(k));
}

// The output's variables: the BY variables, _NAME_, _LABEL_ when a VAR variable has a label, then
// the transposed columns. False with an error when two would share a name.
bool output_variables(ProcRun &run, const Table &table, const Request &request, const Layout &layout,
                      bool &labels, bool &numeric, std::vector<Variable> &out)
{
    size_t name_length = 8, label_length = 1, text_length = 1;
    labels = false;
    numeric = true;
    for (size_t v : request.vars) {
        const Column &col = table.columns[v];
        name_length = std::max(name_length, col.name.size());
        labels = labels || !col.label.empty();
        label_length = std::max(label_length, col.label.size());
        numeric = numeric && col.type == VarType::Numeric;
        text_length = std::max(text_length, col.type == VarType::Numeric ? size_t{12} : col.length);
    }
    for (const ByKey &k : run.by)
        out.push_back(table.columns[k.column]);
    out.push_back({request.name, VarType::Character, name_length, "NAME OF FORMER VARIABLE"});
    if (labels)
        out.push_back({request.label, VarType::Character, label_length, "LABEL OF FORMER VARIABLE"});
    for (const std::string &name : layout.names)
        out.push_back({name, numeric ? VarType::Numeric : VarType::Character, numeric ? number_length : text_length});
    NameSet taken;
    for (const Variable &v : out)
        if (!taken.insert(v.name)) {
            run.error("The transposed data set would have two variables named " + v.name, run.line());
            return false;
        }
    return true;
}

bool write_groups(const Table &table, const ShownValues &shown, const Request &request, const Layout &layout,
                  const std::vector<size_t> &starts, const std::vector<ByKey> &by, bool labels, bool numeric,
                  OutputDataset &output)
{
    const size_t first = by.size() + (labels ? 2 : 1);
    Row row;
    row.resize(first + layout.names.size());
    for (size_t g = 0; g + 1 < starts.size(); ++g) {
        for (size_t k = 0; k < by.size(); ++k) {
            const Column &col = table.columns[by[k].column];
            row.numbers[k] = col.type == VarType::Numeric ? col.numbers[starts[g]] : 0;
            row.texts[k] = col.type == VarType::Numeric ? std::string() : col.texts[starts[g]];
        }
        for (size_t v : request.vars) {
            const Column &col = table.columns[v];
            row.texts[by.size()] = col.name;
            if (labels)
                row.texts[by.size() + 1] = col.label;
            std::fill(row.numbers.begin() + static_cast<std::ptrdiff_t>(first), row.numbers.end(), missing_value());
            std::fill(row.texts.begin() + static_cast<std::ptrdiff_t>(first), row.texts.end(), std::string());
            for (size_t r = starts[g]; r < starts[g + 1]; ++r) {
                if (layout.column_of[r] < 0)
                    continue;
                const size_t c = first + static_cast<size_t>(layout.column_of[r]);
                if (numeric)
                    row.numbers[c] = col.numbers[r];
                else if (col.type == VarType::Numeric)
                    row.texts[c] = is_missing(col.numbers[r]) ? std::string() : trimmed(shown(v, r));
                else
                    row.texts[c] = col.texts[r];
            }
            if (!output.write(row))
                return false;
        }
    }
    return true;
}

} // namespace

void run_proc_transpose(ProcRun &run)
{
    Request request;
    if (!read_request(run, request))
        return;
    if (std::count_if(run.statements.begin(), run.statements.end(), [](const Statement *s) { return s->keyword() == "ID"; }) > 1) {
        run.error("PROC TRANSPOSE takes one ID statement", run.line());
        return;
    }
    DatasetReference out_ref;
    if (const StepOption *out = run.option("OUT")) {
        if (!run.output_name(*out, out_ref))
            return;
    } else {
        out_ref.name = run.session.library.default_output();
    }
    Table table;
    if (!run.read(table))
        return;
    const ShownValues shown(table, &run.session.formats);
    std::vector<size_t> starts;
    if (!run.group_starts(table, shown, starts))
        return;
    Layout layout;
    if (request.ids.empty())
        plain_layout(table, request, starts, layout);
    else if (!id_layout(run, table, shown, request, starts, layout))
        return;
    bool labels = false, numeric = true;
    std::vector<Variable> variables;
    if (!output_variables(run, table, request, layout, labels, numeric, variables) || out_ref.is_null)
        return;
    const std::unique_ptr<OutputDataset> output = run.make_output(out_ref);
    if (output->create(std::move(variables)) &&
        write_groups(table, shown, request, layout, starts, run.by, labels, numeric, *output))
        run.commit(*output);
}

} // namespace quill::host
