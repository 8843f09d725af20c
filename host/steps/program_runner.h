// Runs a SAS-language program: reads it statement by statement, echoes the source lines to the
// log with their numbers, executes global statements (OPTIONS, LIBNAME, FILENAME, TITLE, FOOTNOTE) at once and each
// step (DATA, PROC PRINT, a module procedure) when it is complete, and keeps going after a
// failed step as a batch run does.
#ifndef QUILL_HOST_PROGRAM_RUNNER_H
#define QUILL_HOST_PROGRAM_RUNNER_H

#include <string>
#include <vector>

#include "language/macro/macro_processor.h"
#include "language/tokenizer.h"
#include "modules/module_loader.h"
#include "modules/session.h"
#include "steps/proc_frame.h"
#include "steps/step.h"

namespace quill::host {

class ProgramRunner {
public:
    ProgramRunner(Session &session, ModuleLoader &modules, std::string program);
    // Runs the whole program; returns the exit status: 0 clean, 1 warnings, 2 errors.
    int run();

private:
    // The next statement as the macro processor hands it out, in tokens.
    bool read_statement(Statement &statement);
    bool read_raw_statement(Statement &statement);
    // The step ended: SYSERR (0, 4 after warnings, 1012 after errors), SYSCC and SYSLAST.
    void set_step_status(bool failed, int warnings_before);
    void echo_through(int line);
    bool is_global(const std::string &keyword) const;
    // RUN or QUIT as a statement, not a variable or array of that name being assigned.
    static bool ends_step(const Statement &statement);
    // DATA or PROC as a statement, not a variable of that name being assigned.
    static bool starts_step(const Statement &statement);
    void run_global(const Statement &statement);
    // Reads the body of a step up to RUN/QUIT, the next step or the end of the program.
    void collect_step(Step &step, bool data_step);
    void run_proc_step(Step &step);
    // The host procedure that runs statement by statement which `head` starts, or nullptr.
    static const ProcRow *statement_procedure(const Statement &head);
    // Runs such a procedure, handing it each statement as it is read, up to QUIT, the next step or
    // the end of the program.
    void run_statement_step(Step &step, const ProcRow &row);
    // Runs a step's body; memory the system refuses ends the step with an error, not the process.
    template <typename Body>
    void guarded(const std::string &step, int line, Body body);
    void step_finished(const std::string &what, double seconds, bool failed, int warnings_before);

    Session &session_;
    ModuleLoader &modules_;
    std::string program_;
    std::vector<std::string> lines_;
    MacroProcessor macros_;
    int echoed_ = 0;
    bool have_pending_ = false;
    Statement pending_;
    bool stop_ = false;
    bool failed_steps_ = false;
};

// %SYSFUNC(EXIST(name)): false for any function but the host's own.
bool macro_host_function(Session &session, const std::string &name, const std::vector<std::string> &args,
                         std::string &result);
// The automatic macro variables a run starts with (SYSDATE9, SYSDAY, SYSSCP ...).
void start_automatic_variables(MacroSymbols &symbols);

} // namespace quill::host

#endif
