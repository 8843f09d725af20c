#include "steps/proc_frame.h"

#include <algorithm>

#include "base/message_text.h"
#include "base/names.h"
#include "language/format_statement.h"
#include "language/output_options.h"
#include "language/variable_lists.h"
#include "steps/by_groups.h"

namespace quill::host {
namespace {

enum class OptionKind { Flag, Value, Dataset };

// The kind `rows` gives the option `name`; false when it has no row for it.
bool option_kind(std::string_view rows, std::string_view name, OptionKind &kind)
{
    while (!rows.empty()) {
        const size_t blank = rows.find(' ');
        const std::string_view row = rows.substr(0, blank);
        rows = blank == std::string_view::npos ? std::string_view() : rows.substr(blank + 1);
        const size_t equals = row.find('=');
        if (row.substr(0, equals) != name)
            continue;
        kind = equals == std::string_view::npos ? OptionKind::Flag
               : row.substr(equals + 1) == "ds" ? OptionKind::Dataset
                                                : OptionKind::Value;
        return true;
    }
    return false;
}

bool listed(std::string_view words, std::string_view word)
{
    while (!words.empty()) {
        const size_t blank = words.find(' ');
        if (words.substr(0, blank) == word)
            return true;
        words = blank == std::string_view::npos ? std::string_view() : words.substr(blank + 1);
    }
    return false;
}

// The statements every PROC step has from the frame, whatever the procedure: WHERE condition;
// (a later one replaces an earlier one), and FORMAT and INFORMAT, which give the input's
// variables their formats for the step. False for any other statement.
bool frame_statement(const Statement &statement, std::vector<Token> &where, std::vector<std::vector<Token>> &formats)
{
    const std::string keyword = statement.keyword();
    if (keyword == "FORMAT" || keyword == "INFORMAT") {
        formats.push_back(statement.tokens);
        return true;
    }
    if (keyword != "WHERE")
        return false;
    where.assign(statement.tokens.begin() + 1, statement.tokens.end() - 1);
    return true;
}

// LABEL var='text' ...; in a PROC step labels the input's variables for that step. It only changes
// how output looks, so what it cannot use is a WARNING and the step runs.
void apply_labels(ProcRun &run, const std::vector<const Statement *> &labels)
{
    for (const Statement *s : labels) {
        const auto &t = s->tokens;
        for (size_t i = 1; i + 1 < t.size(); i += 3) {
            if (i + 2 >= t.size() || !is_punct(t[i + 1], '=') || t[i + 2].kind != TokenKind::String) {
                run.session.log.warning(at_line("The LABEL statement takes name='label' pairs; the rest of it is ignored",
                                                s->line()));
                break;
            }
            auto &variables = run.view.variables;
            const auto it = std::find_if(variables.begin(), variables.end(),
                                         [&](const Variable &v) { return same_name(v.name, t[i].text); });
            if (it == variables.end())
                run.session.log.warning(at_line("The variable " + t[i].text + " in the LABEL statement is not on the data set",
                                                s->line()));
            else
                it->label = t[i + 2].text;
        }
    }
}

// Sorts the step's body: WHERE into run.where, FORMAT and INFORMAT into run.formats, BY into
// `by_statements`, LABEL into `labels`, the procedure's own statements into run.statements. False
// (after an error for each) when a statement is not one of the procedure's.
bool sort_statements(ProcRun &run, const ProcRow &row, std::vector<const Statement *> &by_statements,
                     std::vector<const Statement *> &labels)
{
    bool ok = true;
    for (const Statement &s : run.step.body) {
        const std::string keyword = s.keyword();
        if (frame_statement(s, run.where, run.formats))
            continue;
        if (keyword == "LABEL") {
            labels.push_back(&s);
        } else if (!keyword.empty() && listed(row.statements, keyword)) {
            (keyword == "BY" ? by_statements : run.statements).push_back(&s);
        } else {
            const std::string what = keyword.empty() ? quoted_excerpt(s.tokens.front().source) : keyword;
            run.error("The " + what + " statement is not supported by this host in PROC " + run.name, s.line());
            ok = false;
        }
    }
    return ok;
}

// DATA= or _LAST_, read through its options and the WHERE statement.
bool open_input(ProcRun &run)
{
    Session &session = run.session;
    std::string error;
    if (const StepOption *data = run.option("DATA")) {
        if (!parse_dataset_reference(run.step.head.tokens, data->begin, data->end, session.library, run.input, error)) {
            run.error(error, data->line);
            return false;
        }
    } else if (!default_input(session.library, run.input, error)) {
        run.error(error, run.line());
        return false;
    }
    if (run.input.is_null) {
        run.error("_NULL_ cannot be read by PROC " + run.name, run.line());
        return false;
    }
    if (!open_for_reading(run.input, session.library, session.log, run.view, error, run.where)) {
        run.error(error, run.line());
        return false;
    }
    for (const std::vector<Token> &statement : run.formats)
        if (!apply_format_statement(statement, session.formats, run.view.variables, error)) {
            run.error(error, statement.front().line);
            return false;
        }
    return run.has_input = true;
}

// DATA=lib._ALL_ (or _ALL_, for WORK): the libref, upper case; empty for a data set.
std::string all_members_libref(const ProcRun &run)
{
    const StepOption *data = run.option("DATA");
    if (!data)
        return std::string();
    if (data->end - data->begin != 1)
        return std::string();
    const Token &name = run.step.head.tokens[data->begin];
    const std::string upper = upper_case(name.text);
    if (name.kind == TokenKind::Name && upper == "_ALL_")
        return "WORK";
    const size_t dot = upper.find('.');
    return name.kind == TokenKind::Compound && upper.substr(dot + 1) == "_ALL_" ? upper.substr(0, dot) : std::string();
}

} // namespace

bool read_options(Session &session, const Statement &statement, size_t first, std::string_view rows,
                  const std::string &proc, std::vector<StepOption> &options, size_t *stop)
{
    const auto &t = statement.tokens;
    const size_t end = t.size() - 1; // the ';'
    size_t i = first;
    for (; i < end && !is_punct(t[i], '/');) {
        StepOption option;
        OptionKind kind = OptionKind::Flag;
        option.name = t[i].kind == TokenKind::Name ? upper_case(t[i].text) : std::string();
        option.line = t[i].line;
        if (option.name.empty() || !option_kind(rows, option.name, kind)) {
            session.log.error(at_line("The option " + quoted_excerpt(t[i].source) + " is not supported by this host in PROC " + proc,
                                      t[i].line));
            return false;
        }
        const bool given_value = i + 1 < end && is_punct(t[i + 1], '=');
        if (given_value != (kind != OptionKind::Flag)) {
            session.log.error(at_line(given_value ? "Option " + option.name + " of PROC " + proc + " takes no value"
                                                  : "Option " + option.name + " of PROC " + proc + " needs a value: " +
                                                        option.name + "=",
                                      t[i].line));
            return false;
        }
        ++i;
        if (given_value) {
            if (i + 1 >= end) {
                session.log.error(at_line("A value is expected after " + option.name + "=", t[i].line));
                return false;
            }
            option.has_value = true;
            option.begin = i + 1;
            option.end = kind == OptionKind::Dataset ? dataset_tokens_end(t, i + 1, end) : i + 2;
            i = option.end;
        }
        options.push_back(std::move(option));
    }
    if (stop)
        *stop = i;
    return true;
}

const StepOption *ProcRun::option(std::string_view option_name) const
{
    for (auto it = options.rbegin(); it != options.rend(); ++it)
        if (it->name == option_name)
            return &*it;
    return nullptr;
}

void ProcRun::error(const std::string &message, int at) const
{
    // An error in an expression (a WHERE) or a FORMAT statement already names its place.
    const bool placed = message.find(" at line ") != std::string::npos || message.find(" (line ") != std::string::npos;
    session.log.error(placed ? message : at_line(message, at));
}

bool ProcRun::output_name(const Statement &statement, const StepOption &o, DatasetReference &ref) const
{
    std::string message;
    if (!parse_dataset_reference(statement.tokens, o.begin, o.end, session.library, ref, message)) {
        error(message, o.line);
        return false;
    }
    if (const std::string problem = output_options_problem(ref); !problem.empty()) {
        error(problem, o.line);
        return false;
    }
    return true;
}

bool ProcRun::variables(const Statement &statement, std::vector<int> &numbers, size_t end) const
{
    const auto &t = statement.tokens;
    std::vector<Token> list(t.begin() + 1, t.begin() + static_cast<std::ptrdiff_t>(end ? end : t.size() - 1));
    std::string message;
    if (!resolve_variable_list(list, view.variables, numbers, message)) {
        error(message, statement.line());
        return false;
    }
    return true;
}

bool ProcRun::read(const DatasetView &input_view, Table &table)
{
    std::string message;
    if (!read_view(input_view, table, message)) {
        error(message, line());
        return false;
    }
    observations_read_ = static_cast<long long>(table.rows);
    return true;
}

bool ProcRun::group_starts(const Table &table, const ShownValues &shown, std::vector<size_t> &starts) const
{
    starts = {0, table.rows};
    std::string message;
    if (!by.empty() && !by_group_starts(table, by, input.name.display, starts, message, shown.by_text())) {
        error(message, line());
        return false;
    }
    return true;
}

void ProcRun::note_read()
{
    if (observations_read_ < 0 || noted_)
        return;
    noted_ = true;
    note_observations_read(session.log, observations_read_, input, where);
}

std::unique_ptr<OutputDataset> ProcRun::make_output(const DatasetReference &ref) const
{
    return quill::host::make_output(session.library, session.log, ref);
}

bool ProcRun::commit(OutputDataset &output)
{
    note_read();
    return output.commit();
}

void run_host_procedure(Session &session, const Step &step, const ProcRow &row)
{
    ProcRun run(session, step, std::string(row.name));
    std::vector<const Statement *> by_statements, labels;
    if (!read_options(session, step.head, 2, row.options, run.name, run.options) ||
        !sort_statements(run, row, by_statements, labels))
        return;
    if (OptionKind kind; option_kind(row.options, "DATA", kind)) {
        if (row.library_members && !(run.members_of = all_members_libref(run)).empty()) {
            if (!run.where.empty() || !run.formats.empty() || !by_statements.empty()) {
                run.error("PROC " + run.name + " DATA=" + run.members_of + "._ALL_ reads no data set for WHERE, FORMAT or BY",
                          run.line());
                return;
            }
        } else if (!open_input(run))
            return;
        apply_labels(run, labels);
    } else if (!run.where.empty() || !run.formats.empty()) {
        run.error("PROC " + run.name + " reads no data set for " + (run.where.empty() ? "FORMAT to format" : "WHERE to filter"),
                  run.line());
        return;
    } else if (!labels.empty()) {
        session.log.note(at_line("PROC " + run.name + " reads no data set; the LABEL statement is ignored", labels.front()->line()));
    }
    for (const Statement *s : by_statements)
        if (!read_by_statement(session, *s, run.view.variables, run.by))
            return;
    const int errors = session.log.errors();
    row.run(run);
    if (session.log.errors() == errors)
        run.note_read();
}

std::unique_ptr<StatementProcedure> open_statement_procedure(ProcRun &run, const ProcRow &row)
{
    if (!read_options(run.session, run.step.head, 2, row.options, run.name, run.options))
        return nullptr;
    return row.start(run);
}

int run_module_step(Session &session, const LoadedModule &module, const Step &step, const std::string &name)
{
    // WHERE, FORMAT and INFORMAT are the host's: they filter the input and give its variables
    // their formats before the procedure sees it.
    std::vector<Token> tokens(step.head.tokens.begin() + 1, step.head.tokens.end());
    std::vector<Token> where;
    std::vector<std::vector<Token>> formats;
    for (const Statement &s : step.body)
        if (!frame_statement(s, where, formats))
            tokens.insert(tokens.end(), s.tokens.begin(), s.tokens.end());
    session.step_where = std::move(where);
    session.step_formats = std::move(formats);
    const int rc = run_module_procedure(session, module, name, std::move(tokens), step.head.line());
    session.step_where.clear();
    session.step_formats.clear();
    return rc;
}

} // namespace quill::host
