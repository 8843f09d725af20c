// Runs a SAS-language program: reads it statement by statement, echoes the source lines to the
// log with their numbers, executes global statements (OPTIONS, LIBNAME, FILENAME, TITLE, FOOTNOTE) at once and each
// step (DATA, PROC PRINT, a module procedure) when it is complete, and keeps going after a
// failed step as a batch run does.
#ifndef QUILL_HOST_PROGRAM_RUNNER_H
#define QUILL_HOST_PROGRAM_RUNNER_H

#include <string>
#include <vector>

#include "language/tokenizer.h"
#include "modules/module_loader.h"
#include "modules/session.h"
#include "steps/macro_variables.h"

namespace quill::host {

struct Statement {
    std::vector<Token> tokens; // up to and including the ';'
    bool bad = false;          // the tokenizer reported an error in it (already logged)
    int line() const { return tokens.empty() ? 0 : tokens.front().line; }
    std::string keyword() const; // the first token upper-cased when it is a name, else ""
};

// The statements of one DATA or PROC step, and the data lines of a DATALINES statement.
struct Step {
    Statement head; // DATA ... ; or PROC name ... ;
    std::vector<Statement> body;
    bool has_data_lines = false;
    std::vector<std::string> data_lines;
    int first_data_line = 0;
    bool cancelled = false; // ended by RUN CANCEL: nothing of it runs
    bool bad() const;
};

class ProgramRunner {
public:
    ProgramRunner(Session &session, ModuleLoader &modules, std::string program);
    // Runs the whole program; returns the exit status: 0 clean, 1 warnings, 2 errors.
    int run();

private:
    // The next statement with its macro variable references resolved; macro statements are run.
    bool read_statement(Statement &statement);
    bool read_raw_statement(Statement &statement);
    void echo_through(int line);
    bool is_global(const std::string &keyword) const;
    // RUN or QUIT as a statement, not a variable or array of that name being assigned.
    static bool ends_step(const Statement &statement);
    void run_global(const Statement &statement);
    // Reads the body of a step up to RUN/QUIT, the next step or the end of the program.
    void collect_step(Step &step, bool data_step);
    void run_proc_step(Step &step);
    // Runs a step's body; memory the system refuses ends the step with an error, not the process.
    template <typename Body>
    void guarded(const std::string &step, int line, Body body);
    void step_finished(const std::string &what, double seconds, bool failed);

    Session &session_;
    ModuleLoader &modules_;
    std::string program_;
    std::vector<std::string> lines_;
    Tokenizer tokenizer_;
    int echoed_ = 0;
    bool have_pending_ = false;
    Statement pending_;
    bool stop_ = false;
    bool failed_steps_ = false;
    MacroVariables macros_;
};

// Step bodies, one file each.
void run_data_step(Session &session, const Step &step);
void run_proc_print(Session &session, const Step &step);
void run_proc_contents(Session &session, const Step &step);
void run_proc_sort(Session &session, const Step &step);
void run_proc_means(Session &session, const Step &step);
void run_proc_freq(Session &session, const Step &step);
void run_proc_import(Session &session, const Step &step);
void run_proc_export(Session &session, const Step &step);
void run_proc_format(Session &session, const Step &step);
void run_options(Session &session, const Statement &statement);
void run_libname(Session &session, const Statement &statement);
void run_filename(Session &session, const Statement &statement);
void run_title(Session &session, const Statement &statement);
// ODS: a note that this host does not run it.
void run_not_supported(Session &session, const Statement &statement);

} // namespace quill::host

#endif
