// The frame of every PROC step: what each procedure would otherwise repeat. It reads the PROC
// statement's options by the procedure's rows (flag | NAME=value | NAME=data set), opens DATA=
// or _LAST_ through the step's WHERE statement, gives its variables the formats of the step's
// FORMAT and INFORMAT statements, reads BY, checks the other statements against the procedure's
// list, and writes the one "observations read" note with its WHERE line. A procedure's body then
// deals only with its own options and statements. Module procedures get the WHERE, FORMAT and
// INFORMAT statements and the note through the same frame.
#ifndef QUILL_HOST_STEPS_PROC_FRAME_H
#define QUILL_HOST_STEPS_PROC_FRAME_H

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/by_group_order.h"
#include "data/output_dataset.h"
#include "language/dataset_reference.h"
#include "modules/module_loader.h"
#include "modules/session.h"
#include "steps/step.h"

namespace quill::host {

// One option as a statement gives it: NAME alone, or NAME=value; the value is one token, or a
// data set name with its parenthesised option group.
struct StepOption {
    std::string name; // upper case
    bool has_value = false;
    size_t begin = 0, end = 0; // the value's tokens in the statement
    int line = 0;
};

// The options of `statement` from token `first` up to the end or a '/', whichever comes first
// (`stop` receives where reading stopped), each matched against `rows`: space-separated
// "NAME" (a flag), "NAME=" (one token) and "NAME=ds" (a data set). False with an error logged
// ("... is not supported by this host in PROC <proc>") when one does not match.
bool read_options(Session &session, const Statement &statement, size_t first, std::string_view rows,
                  const std::string &proc, std::vector<StepOption> &options, size_t *stop = nullptr);

class ProcRun;
class ShownValues;

// A procedure that runs each statement as soon as its ';' is read (PROC SQL), so that what one
// statement does (a macro variable it sets, a table it creates) is there for the next. The frame
// opens it with the PROC statement; the runner then hands it the statements one at a time, RUN
// among them, and QUIT, the next step or the program's end closes it.
class StatementProcedure {
public:
    virtual ~StatementProcedure() = default;
    virtual void statement(const Statement &statement) = 0;
    virtual void finish() {}
};

// A procedure of the host: its body and what the frame reads for it.
using ProcBody = void (*)(ProcRun &run);
using StatementProcedureStart = std::unique_ptr<StatementProcedure> (*)(ProcRun &run);
struct ProcRow {
    std::string_view name;
    ProcBody run;                // the whole step, once collected (null for a statement-at-a-time one)
    std::string_view options;    // "DATA=ds OUT=ds NODUPKEY": NAME flags, NAME= values, NAME=ds data sets
    std::string_view statements; // its own statements, BY among them when it takes BY groups
    StatementProcedureStart start = nullptr; // set for a procedure that runs statement by statement
    bool library_members = false; // DATA=lib._ALL_ names every member of a library (run.members_of)
};

// Runs one step of a host procedure through the frame.
void run_host_procedure(Session &session, const Step &step, const ProcRow &row);
// Opens a statement-at-a-time procedure with the options of `run`'s PROC statement; nullptr
// (after an error) when they are not the procedure's.
std::unique_ptr<StatementProcedure> open_statement_procedure(ProcRun &run, const ProcRow &row);

class ProcRun {
public:
    ProcRun(Session &session, const Step &step, std::string name) : session(session), step(step), name(std::move(name)) {}

    Session &session;
    const Step &step;
    const std::string name;                  // PRINT
    std::vector<StepOption> options;         // of the PROC statement, as given
    std::vector<const Statement *> statements; // the procedure's own statements, in order
    std::vector<Token> where;                // the WHERE statement's condition (empty: none)
    std::vector<std::vector<Token>> formats; // the FORMAT and INFORMAT statements, each whole
    bool has_input = false;                  // the procedure reads DATA= (or _LAST_)
    DatasetReference input;
    DatasetView view;                        // the input through its options and WHERE
    std::vector<ByKey> by;                   // the BY statements' keys, columns of `view`
    std::string members_of;                  // DATA=lib._ALL_ (row.library_members): the libref; no input then

    // The last option of that name, or nullptr.
    const StepOption *option(std::string_view option_name) const;
    bool flag(std::string_view option_name) const { return option(option_name) != nullptr; }
    // The token of an option's value (one token).
    const Token &value(const StepOption &o) const { return step.head.tokens[o.begin]; }
    int line() const { return step.head.line(); }
    // An ERROR with "(line N)", unless the message already names its place.
    void error(const std::string &message, int at_line) const;

    // The data set an OUT= option of the PROC statement (or of `statement`) names, with its data
    // set options (those an output takes). False with an error logged.
    bool output_name(const StepOption &option, DatasetReference &ref) const { return output_name(step.head, option, ref); }
    bool output_name(const Statement &statement, const StepOption &option, DatasetReference &ref) const;
    // The output data set `ref` names, its options applied as it is written.
    std::unique_ptr<OutputDataset> make_output(const DatasetReference &ref) const;
    // The variables a statement lists after its keyword (up to `end`, the ';' when 0), as
    // numbers of `view`'s variables. False with an error logged.
    bool variables(const Statement &statement, std::vector<int> &numbers, size_t end = 0) const;

    // Reads the input (or a view of it that keeps fewer variables) into `table`; the
    // observations read are noted before the first output is committed, or when the step ends.
    bool read(Table &table) { return read(view, table); }
    bool read(const DatasetView &input_view, Table &table);
    // The first row of each BY group of `table` read from the input (of its formatted values;
    // the whole table without BY), then table.rows. False after an error when the table is not
    // sorted by the BY variables.
    bool group_starts(const Table &table, const ShownValues &shown, std::vector<size_t> &starts) const;
    // The note about the observations read, now (once).
    void note_read();
    // Commits an output data set, the note about what was read going first.
    bool commit(OutputDataset &output);

private:
    long long observations_read_ = -1; // -1: nothing read yet
    bool noted_ = false;
};
// Runs one step of a module procedure: the WHERE statement filters its input, FORMAT and
// INFORMAT format it, and the rest of the step goes to the module. Returns its return code.
int run_module_step(Session &session, const LoadedModule &module, const Step &step, const std::string &name);

} // namespace quill::host

#endif
