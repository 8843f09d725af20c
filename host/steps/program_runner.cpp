#include "steps/program_runner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "base/memory_shortage.h"
#include "base/message_text.h"
#include "base/names.h"
#include "modules/ods_tables.h"
#include "steps/data_step/data_step.h"
#include "steps/global_statements.h"
#include "steps/step_table.h"

namespace quill::host {

ProgramRunner::ProgramRunner(Session &session, ModuleLoader &modules, std::string program)
    : session_(session), modules_(modules), program_(std::move(program)),
      macros_(session.log, session.macro_symbols, session.macro_options,
               MacroHooks{[this](int line) { echo_through(line); },
                          [this](const std::string &ref) {
                              const auto it = session_.filerefs.find(ref);
                              return it == session_.filerefs.end() ? std::string() : it->second;
                          },
                          [this](const std::string &name, const std::vector<std::string> &args, std::string &result) {
                              return macro_host_function(session_, name, args, result);
                          }})
{
    size_t start = 0;
    while (start <= program_.size()) {
        size_t end = program_.find('\n', start);
        if (end == std::string::npos)
            end = program_.size();
        std::string line = program_.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (end < program_.size() || !line.empty())
            lines_.push_back(std::move(line));
        start = end + 1;
    }
    start_automatic_variables(session_.macro_symbols);
    macros_.push_program(program_);
}

void ProgramRunner::echo_through(int line)
{
    char number[16];
    while (echoed_ < line && echoed_ < static_cast<int>(lines_.size())) {
        std::snprintf(number, sizeof number, "%-10d ", echoed_ + 1);
        session_.log.plain(number + lines_[static_cast<size_t>(echoed_)]);
        ++echoed_;
    }
}

bool ProgramRunner::read_statement(Statement &statement)
{
    if (have_pending_) {
        statement = std::move(pending_);
        have_pending_ = false;
        return true;
    }
    return read_raw_statement(statement);
}

namespace {
// The statement's tokens, each placed where its characters stand in the program (text a macro
// generated stands at the line of the macro's call).
void place_tokens(const StatementText &text, std::vector<Token> &tokens)
{
    std::vector<size_t> line_starts{0};
    for (size_t i = 0; i < text.text.size(); ++i)
        if (text.text[i] == '\n')
            line_starts.push_back(i + 1);
    for (Token &t : tokens) {
        const size_t line = std::min(static_cast<size_t>(std::max(t.line, 1)), line_starts.size());
        const size_t offset = line_starts[line - 1] + static_cast<size_t>(std::max(t.column, 1) - 1);
        auto origin = std::upper_bound(text.origins.begin(), text.origins.end(), offset,
                                       [](size_t at, const TextOrigin &o) { return at < o.offset; });
        if (origin != text.origins.begin())
            --origin;
        t.line = origin->line;
        t.column = origin->column + static_cast<int>(offset - origin->offset);
    }
}
} // namespace

bool ProgramRunner::read_raw_statement(Statement &statement)
{
    StatementText text;
    while (macros_.next_statement(text)) {
        statement = Statement{};
        std::vector<Token> tokens;
        Tokenizer tokenizer(text.text);
        for (Token t = tokenizer.next(); t.kind != TokenKind::End; t = tokenizer.next())
            tokens.push_back(std::move(t));
        if (tokens.empty())
            continue; // blanks and comments after the last statement
        place_tokens(text, tokens);
        for (Token &t : tokens) {
            if (t.kind == TokenKind::Error) {
                session_.log.error(at_line(t.text, t.line));
                statement.bad = true;
                continue;
            }
            statement.tokens.push_back(std::move(t));
        }
        if (statement.tokens.empty() || statement.tokens.back().kind != TokenKind::Semicolon) {
            // The last statement may lack its ';': every statement ends with one all the same.
            Token end_of_statement = tokens.back();
            end_of_statement.kind = TokenKind::Semicolon;
            end_of_statement.text.assign(1, ';');
            end_of_statement.source.clear();
            statement.tokens.push_back(std::move(end_of_statement));
        }
        return true;
    }
    return false;
}

bool ProgramRunner::is_global(const std::string &keyword) const
{
    if (keyword == "OPTIONS" || keyword == "LIBNAME" || keyword == "FILENAME" || keyword == "TITLE" ||
        keyword == "FOOTNOTE" || keyword == "ODS")
        return true;
    for (const std::string_view stem : {"TITLE", "FOOTNOTE"})
        if (keyword.size() > stem.size() && keyword.compare(0, stem.size(), stem) == 0 &&
            keyword.find_first_not_of("0123456789", stem.size()) == std::string::npos)
            return true;
    return false;
}

void ProgramRunner::run_global(const Statement &statement)
{
    if (statement.bad)
        return;
    const std::string keyword = statement.keyword();
    if (keyword == "OPTIONS")
        run_options(session_, statement);
    else if (keyword == "LIBNAME")
        run_libname(session_, statement);
    else if (keyword == "FILENAME")
        run_filename(session_, statement);
    else if (keyword == "ODS")
        run_ods(session_, statement);
    else
        run_title(session_, statement);
}

bool ProgramRunner::ends_step(const Statement &statement)
{
    const std::string keyword = statement.keyword();
    if (keyword != "RUN" && keyword != "QUIT")
        return false;
    // `run = 1;`, `run + x;`, `run{1} = 0;`: a variable or an array of that name, not the statement.
    const Token &next = statement.tokens[1];
    for (const char c : {'=', '+', '{', '[', '('})
        if (is_punct(next, c))
            return false;
    return true;
}

bool ProgramRunner::starts_step(const Statement &statement)
{
    const std::string keyword = statement.keyword();
    // `data = "x";` in a DATA step assigns the variable DATA.
    return (keyword == "DATA" || keyword == "PROC") && !is_punct(statement.tokens[1], '=');
}

void ProgramRunner::collect_step(Step &step, bool data_step)
{
    Statement s;
    while (!stop_ && read_statement(s)) {
        const std::string keyword = s.keyword();
        if (ends_step(s)) {
            step.cancelled = keyword == "RUN" && s.tokens.size() == 3 && s.tokens[1].kind == TokenKind::Name &&
                             upper_case(s.tokens[1].text) == "CANCEL";
            return;
        }
        if (starts_step(s)) {
            pending_ = std::move(s);
            have_pending_ = true;
            return;
        }
        if (keyword == "ENDSAS") {
            stop_ = true;
            return;
        }
        if (is_global(keyword)) {
            run_global(s);
            continue;
        }
        if (data_step && (keyword == "DATALINES" || keyword == "CARDS") && s.tokens.size() == 2) {
            step.has_data_lines = true;
            if (!macros_.take_data_lines(step.data_lines, step.first_data_line))
                step.head.bad = true; // a macro generated them: the step does not run
            return; // the data end the step
        }
        step.body.push_back(std::move(s));
    }
}

void ProgramRunner::step_finished(const std::string &what, double seconds, bool failed, int warnings_before)
{
    set_step_status(failed, warnings_before);
    if (failed) {
        failed_steps_ = true;
        session_.log.note("The step " + what + " stopped because of errors.");
    }
    char timing[64];
    std::snprintf(timing, sizeof timing, "      real time           %.2f seconds", seconds);
    session_.listing.close_page();
    session_.log.note(what + " used (Total process time):");
    session_.log.plain(timing);
    session_.log.plain("");
}

void ProgramRunner::set_step_status(bool failed, int warnings_before)
{
    const int code = failed ? 1012 : session_.log.warnings() > warnings_before ? 4 : 0;
    MacroSymbols &symbols = session_.macro_symbols;
    symbols.set_automatic("SYSERR", std::to_string(code));
    const std::string *cc = symbols.find("SYSCC");
    if (!cc || std::atoi(cc->c_str()) < code)
        symbols.set_automatic("SYSCC", std::to_string(code));
    const auto last = session_.library.last();
    symbols.set_automatic("SYSLAST", last ? upper_case(last->display) : "_NULL_");
}

template <typename Body>
void ProgramRunner::guarded(const std::string &step, int line, Body body)
{
    try {
        body();
    } catch (const std::bad_alloc &shortage) {
        session_.log.error(at_line(memory_shortage_message(step, shortage), line));
    }
}

void ProgramRunner::run_proc_step(Step &step)
{
    const auto started = std::chrono::steady_clock::now();
    const int errors_before = session_.log.errors();
    const int warnings_before = session_.log.warnings();
    const Statement &head = step.head;
    std::string name;
    if (head.tokens.size() >= 2 && head.tokens[1].kind == TokenKind::Name)
        name = upper_case(head.tokens[1].text);
    bool failed = false;
    if (name.empty()) {
        session_.log.error(at_line("A procedure name is expected after PROC", head.line()));
        failed = true;
    } else if (step.bad()) {
        failed = true;
    } else if (const ProcRow *row = find_host_procedure(name)) {
        guarded("PROC " + name, head.line(), [&] { run_host_procedure(session_, step, *row); });
    } else {
        bool found = false;
        std::string error;
        const LoadedModule *module = modules_.find(name, found, error);
        if (!module) {
            session_.log.error(found ? error : at_line("Procedure " + name + " not found.", head.line()));
            if (!found)
                session_.log.note(procedures_note(modules_.available()));
            failed = true;
        } else if (const int rc = run_module_step(session_, *module, step, name); rc != 0) {
            session_.log.note("Procedure " + name + " ended with return code " + std::to_string(rc) + ".");
            failed = true;
        }
    }
    close_ods_requests(session_);
    failed = failed || session_.log.errors() > errors_before;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    step_finished("PROCEDURE " + (name.empty() ? std::string("?") : name), seconds, failed, warnings_before);
}

const ProcRow *ProgramRunner::statement_procedure(const Statement &head)
{
    if (head.keyword() != "PROC" || head.bad || head.tokens.size() < 2 || head.tokens[1].kind != TokenKind::Name)
        return nullptr;
    const ProcRow *row = find_host_procedure(upper_case(head.tokens[1].text));
    return row && row->start ? row : nullptr;
}

void ProgramRunner::run_statement_step(Step &step, const ProcRow &row)
{
    const auto started = std::chrono::steady_clock::now();
    const int errors_before = session_.log.errors();
    const int warnings_before = session_.log.warnings();
    const std::string what = "PROC " + std::string(row.name);
    ProcRun run(session_, step, std::string(row.name));
    std::unique_ptr<StatementProcedure> procedure;
    guarded(what, step.head.line(), [&] { procedure = open_statement_procedure(run, row); });
    Statement s;
    while (!stop_ && read_statement(s)) {
        const std::string keyword = s.keyword();
        if (keyword == "QUIT" && ends_step(s))
            break;
        if (starts_step(s)) {
            pending_ = std::move(s);
            have_pending_ = true;
            break;
        }
        if (keyword == "ENDSAS") {
            stop_ = true;
            break;
        }
        if (is_global(keyword))
            run_global(s);
        else if (procedure && !s.bad)
            guarded(what, s.line(), [&] { procedure->statement(s); });
    }
    if (procedure)
        guarded(what, step.head.line(), [&] { procedure->finish(); });
    close_ods_requests(session_);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    step_finished("PROCEDURE " + std::string(row.name), seconds, session_.log.errors() > errors_before, warnings_before);
}

int ProgramRunner::run()
{
    Statement s;
    while (!stop_ && read_statement(s)) {
        const std::string keyword = s.keyword();
        if (starts_step(s)) {
            Step step;
            step.head = std::move(s);
            if (const ProcRow *row = statement_procedure(step.head)) {
                run_statement_step(step, *row);
                continue;
            }
            collect_step(step, keyword == "DATA");
            if (step.cancelled) {
                // The step was written to be skipped: nothing is read, run or replaced.
                session_.log.warning(keyword == "PROC" ? "The procedure was not executed at the user's request."
                                                       : "Data step not executed at user's request.");
                continue;
            }
            if (keyword == "PROC") {
                run_proc_step(step);
                continue;
            }
            const auto started = std::chrono::steady_clock::now();
            const int errors_before = session_.log.errors();
            const int warnings_before = session_.log.warnings();
            if (!step.bad())
                guarded("The DATA step", step.head.line(), [&] { run_data_step(session_, step); });
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            step_finished("DATA statement", seconds, step.bad() || session_.log.errors() > errors_before, warnings_before);
        } else if (keyword == "ENDSAS") {
            stop_ = true;
        } else if (is_global(keyword)) {
            run_global(s);
        } else if (ends_step(s) || s.bad ||
                   (s.tokens.size() == 1 && s.tokens[0].kind == TokenKind::Semicolon)) {
            continue;
        } else {
            const std::string what = keyword.empty() ? quoted_excerpt(s.tokens.front().source) : keyword;
            session_.log.error(at_line("Statement " + what + " is not valid outside a DATA or PROC step.", s.line()));
        }
    }
    if (!stop_)
        echo_through(static_cast<int>(lines_.size())); // trailing comments; nothing after ENDSAS
    if (session_.log.errors() > 0 || failed_steps_)
        return 2;
    return session_.log.warnings() > 0 ? 1 : 0;
}

} // namespace quill::host
