// One run of a procedure module: the step's tokens, the run's memory, the data sets and records
// the procedure opened, its titles and the listing line it is building. The routine table's
// functions reach the current run through current_run().
//
// An input data set is described when the statements are parsed and read through its read
// records: each has a cursor of its own, so every record (and every pass) sees each observation.
// An output data set is written through its write record's OutputDataset.
#ifndef QUILL_HOST_RUN_CONTEXT_H
#define QUILL_HOST_RUN_CONTEXT_H

#include <memory>
#include <string>
#include <vector>

#include "api/statement_records.h"
#include "base/names.h"
#include "data/dataset_view.h"
#include "data/graphics_file.h"
#include "data/output_dataset.h"
#include "language/dataset_reference.h"
#include "language/tokenizer.h"
#include "modules/run_arena.h"
#include "modules/session.h"

// The host's halves of the opaque types of the interface.
struct qh_dataset {
    quill::host::DatasetName name;
    int mode = 0;                     // QH_DS_INPUT or QH_DS_OUTPUT
    bool is_null = false;             // _NULL_: writes are accepted and dropped
    quill::host::DatasetView input;   // input: the source and the variables its options keep
    std::vector<bool> selected;       // input: the variables select_variables named (empty: all)
    std::vector<qh_record *> readers; // input: its read records, as they were opened
    size_t counted = 0;               // input: observations read_next passed with no read record
    quill::host::DatasetReference reference; // as the step named it: the note about an input, an output's options
    size_t observations_read = 0;     // input: the most observations one pass over it reached
    bool noted = false;               // input: "There were N observations read" is in the log
    qh_record *writer = nullptr;      // output: the record that writes it
};

struct qh_record {
    struct Binding {
        int column;   // 0-based, among the variables the data set's options keep
        void *buffer;
        int length;
        std::shared_ptr<const quill::host::ValueFormat> format; // QH_BIND_FORMATTED: the text it writes
    };
    struct Definition {
        std::string name;
        quill::host::VarType type;
        const void *value;
        int length;
        std::string format; // display format: BEST12.
    };
    qh_dataset *dataset = nullptr;
    bool writing = false;
    int declared = 0; // the variable count given when it was opened
    std::vector<Binding> bindings;
    std::vector<Definition> definitions;
    quill::host::NameSet names; // of the definitions
    bool definitions_ended = false;
    bool released = false;
    bool failed = false; // its file could not be created or written: every later operation fails
    // Reading: the record's own pass over the data set, made at its first read_next, and the
    // observation it reached.
    std::unique_ptr<quill::host::RowCursor> cursor;
    size_t position = 0; // the observations this pass has delivered
    bool has_row = false;
    bool at_end = false;
    // Writing: the data set being written once the definitions end.
    std::unique_ptr<quill::host::OutputDataset> output;
    bool row_pending = false;
    long long observations = 0;
    // The observation read, or captured for write_dataset.
    quill::host::Row row;
};

namespace quill::host {

// Thrown by the end-run operation; caught around the procedure body.
struct RunEnded {
    int return_code;
};

class RunContext {
public:
    RunContext(Session &session, std::string proc_name, std::vector<Token> step_tokens, int step_line);
    ~RunContext();
    RunContext(const RunContext &) = delete;
    RunContext &operator=(const RunContext &) = delete;

    Session &session() { return session_; }
    LogWriter &log() { return session_.log; }
    const std::string &proc_name() const { return proc_name_; }
    const std::vector<Token> &step_tokens() const { return step_tokens_; }
    int step_line() const { return step_line_; }
    int step_number() const { return step_number_; } // among the steps of this procedure
    RunArena &arena() { return arena_; }

    // Data sets of the run. Errors are returned for the caller to log.
    qh_dataset *open_input(const DatasetReference &ref, std::string &error);
    qh_dataset *open_output(const DatasetReference &ref, std::string &error);
    qh_dataset *default_dataset(int mode, std::string &error);
    qh_record *new_record(qh_dataset *ds, bool writing, int declared);
    bool owns(const qh_dataset *ds) const;
    bool owns(const qh_record *rec) const;
    // Graphics files of the run; one still open when the run ends is removed.
    qh_graphics_file *new_graphics_file();
    bool owns(const qh_graphics_file *file) const;
    void drop(qh_graphics_file *file);

    // Finishes an output record: the file is renamed into place and noted in the log, after the
    // note about what was read.
    bool commit(qh_record *rec);
    // "There were N observations read from the data set X." (and its WHERE line) for each input
    // not yet noted: before the first output is committed, or when the run ends.
    void note_inputs();
    // The end of the run: with return code 0 unfinished outputs are completed, otherwise dropped.
    void finish(int return_code);

    // The tables handed over by output_table that ODS OUTPUT asked for, one per table name, kept
    // until the run ends; and the BY variables of the run's by_groups, which start them under BY.
    struct OdsTable {
        std::string name; // upper case
        std::vector<Variable> variables;
        std::vector<Row> rows;
    };
    std::vector<OdsTable> ods_tables;
    std::vector<Variable> by_variables;

    std::vector<std::string> titles;  // the procedure's own titles, shown below the program's
    std::string listing_line;         // text appended since the last end of line
    bool listing_line_open = false;

private:
    Session &session_;
    std::string proc_name_;
    std::vector<Token> step_tokens_;
    int step_line_;
    int step_number_;
    RunArena arena_;
    std::vector<std::unique_ptr<qh_dataset>> datasets_;
    std::vector<std::unique_ptr<qh_record>> records_;
    std::vector<std::unique_ptr<qh_graphics_file>> graphics_files_;
};

// The run in progress, or nullptr between runs.
RunContext *current_run();
void set_current_run(RunContext *run);

} // namespace quill::host

#endif
