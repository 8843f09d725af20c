#include "steps/program_runner.h"

#include <chrono>
#include <cstdio>

#include "base/memory_shortage.h"
#include "base/message_text.h"
#include "base/names.h"
#include "steps/proc_support.h"

namespace quill::host {

std::string Statement::keyword() const
{
    return !tokens.empty() && tokens.front().kind == TokenKind::Name ? upper_case(tokens.front().text) : std::string();
}

bool Step::bad() const
{
    if (head.bad)
        return true;
    for (const Statement &s : body)
        if (s.bad)
            return true;
    return false;
}

ProgramRunner::ProgramRunner(Session &session, ModuleLoader &modules, std::string program)
    : session_(session), modules_(modules), program_(std::move(program)), tokenizer_(program_)
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
    while (read_raw_statement(statement)) {
        const std::string macro = MacroVariables::macro_keyword(statement.tokens);
        if (macro.empty()) {
            macros_.resolve(session_, statement.tokens);
            return true;
        }
        if (statement.bad)
            continue;
        macros_.run(session_, statement.tokens, lines_);
        if (macro == "MACRO") // the definition is not run: its statements up to %MEND are passed over
            while (read_raw_statement(statement) && MacroVariables::macro_keyword(statement.tokens) != "MEND") {
            }
    }
    return false;
}

bool ProgramRunner::read_raw_statement(Statement &statement)
{
    statement = Statement{};
    for (;;) {
        Token t = tokenizer_.next();
        if (t.kind == TokenKind::End) {
            echo_through(t.line);
            if (statement.tokens.empty())
                return false;
            // The last statement may lack its ';': every statement ends with one all the same.
            Token end_of_statement = t;
            end_of_statement.kind = TokenKind::Semicolon;
            end_of_statement.text.assign(1, ';');
            statement.tokens.push_back(std::move(end_of_statement));
            return true;
        }
        if (t.kind == TokenKind::Error) {
            echo_through(tokenizer_.line());
            session_.log.error(at_line(t.text, t.line));
            statement.bad = true;
            continue;
        }
        const bool end = t.kind == TokenKind::Semicolon;
        statement.tokens.push_back(std::move(t));
        if (end) {
            echo_through(statement.tokens.back().line);
            return true;
        }
    }
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
        run_not_supported(session_, statement);
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
        if (keyword == "DATA" || keyword == "PROC") {
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
            step.data_lines = tokenizer_.take_data_lines(step.first_data_line);
            echo_through(step.first_data_line + static_cast<int>(step.data_lines.size()));
            return; // the data end the step
        }
        step.body.push_back(std::move(s));
    }
}

void ProgramRunner::step_finished(const std::string &what, double seconds, bool failed)
{
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

template <typename Body>
void ProgramRunner::guarded(const std::string &step, int line, Body body)
{
    try {
        body();
    } catch (const std::bad_alloc &shortage) {
        session_.log.error(at_line(memory_shortage_message(step, shortage), line));
    }
}

namespace {
// The procedures the host runs itself; any other name is a module's.
using HostStep = void (*)(Session &, const Step &);
HostStep host_procedure(const std::string &name)
{
    static const std::pair<std::string_view, HostStep> steps[] = {
        {"PRINT", run_proc_print}, {"CONTENTS", run_proc_contents}, {"SORT", run_proc_sort},
        {"MEANS", run_proc_means}, {"FREQ", run_proc_freq},
        {"IMPORT", run_proc_import}, {"EXPORT", run_proc_export}, {"FORMAT", run_proc_format},
    };
    for (const auto &[step_name, run] : steps)
        if (step_name == name)
            return run;
    return nullptr;
}
} // namespace

void ProgramRunner::run_proc_step(Step &step)
{
    const auto started = std::chrono::steady_clock::now();
    const int errors_before = session_.log.errors();
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
    } else if (const auto host_step = host_procedure(name)) {
        guarded("PROC " + name, head.line(), [&] { host_step(session_, step); });
    } else {
        bool found = false;
        std::string error;
        const LoadedModule *module = modules_.find(name, found, error);
        if (!module) {
            session_.log.error(found ? error : at_line("Procedure " + name + " not found.", head.line()));
            if (!found) {
                std::string list = "PRINT";
                for (const std::string &available : modules_.available())
                    list += ", " + available;
                session_.log.note("The procedures this host has are " + list + ".");
            }
            failed = true;
        } else {
            // WHERE, FORMAT and INFORMAT are the host's: they filter the input and give its
            // variables their formats before the procedure sees it.
            std::vector<Token> tokens(head.tokens.begin() + 1, head.tokens.end());
            session_.step_where.clear();
            session_.step_formats.clear();
            for (const Statement &s : step.body)
                if (s.keyword() == "WHERE")
                    session_.step_where.assign(s.tokens.begin() + 1, s.tokens.end() - 1);
                else if (s.keyword() == "FORMAT" || s.keyword() == "INFORMAT")
                    session_.step_formats.push_back(s.tokens);
                else
                    tokens.insert(tokens.end(), s.tokens.begin(), s.tokens.end());
            const int rc = run_module_procedure(session_, *module, name, std::move(tokens), head.line());
            session_.step_where.clear();
            session_.step_formats.clear();
            if (rc != 0) {
                session_.log.note("Procedure " + name + " ended with return code " + std::to_string(rc) + ".");
                failed = true;
            }
        }
    }
    failed = failed || session_.log.errors() > errors_before;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    step_finished("PROCEDURE " + (name.empty() ? std::string("?") : name), seconds, failed);
}

int ProgramRunner::run()
{
    Statement s;
    while (!stop_ && read_statement(s)) {
        const std::string keyword = s.keyword();
        if (keyword == "DATA" || keyword == "PROC") {
            Step step;
            step.head = std::move(s);
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
            if (!step.bad())
                guarded("The DATA step", step.head.line(), [&] { run_data_step(session_, step); });
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            step_finished("DATA statement", seconds, step.bad() || session_.log.errors() > errors_before);
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
