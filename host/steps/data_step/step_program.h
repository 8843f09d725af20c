// A DATA step compiled once: the program data vector (its variables and their values), the
// executable statements in one vector with children by index, the inputs SET and INPUT read, and
// what the KEEP, DROP, RENAME, RETAIN, LENGTH and LABEL statements say about the output.
#ifndef QUILL_HOST_STEPS_DATA_STEP_STEP_PROGRAM_H
#define QUILL_HOST_STEPS_DATA_STEP_STEP_PROGRAM_H

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/dataset_view.h"
#include "language/dataset_reference.h"
#include "language/expression.h"
#include "modules/session.h"
#include "steps/data_step/put_statement.h"
#include "steps/data_step/infile_statement.h"
#include "steps/step.h"

namespace quill::host {

struct Pdv {
    std::vector<Variable> variables;
    std::vector<char> retained;  // kept from one iteration to the next
    std::vector<char> automatic; // _N_, _ERROR_, END=, never written
    std::vector<char> shown;     // automatic, yet in the observation's values (IN=, FIRST., LAST.)
    std::vector<char> assigned;  // given a value somewhere in the step
    std::vector<double> initial; // RETAIN's initial numbers (missing when none)
    std::vector<std::string> initial_text;
    std::unordered_map<std::string, int> slots; // upper-case name -> slot
    Row values;

    int find(const std::string &name) const;
    int add(const std::string &name, VarType type, size_t length);
    // _N_, _ERROR_, END=, IN=, FIRST. and LAST.: retained, never written.
    int add_automatic(const std::string &name);
};

enum class StmtKind {
    Nothing, Assign, Sum, If, SubsetIf, Block, DoRange, DoWhile, DoUntil, Select, Output, Delete, Stop, Leave,
    Continue, Return, Read, Put, Call
};

enum class CallRoutine { Symput, Symputx, Missing, Sortn, Streaminit };

// One item of an iterative DO's list: start <TO stop <BY step>> <WHILE | UNTIL (condition)>.
struct DoItem {
    int start = -1, stop = -1, by = -1; // stop -1: the start value alone, for one pass
    int condition = -1;                 // WHILE or UNTIL (-1 none), until when `until`
    bool until = false;
};

struct Stmt {
    StmtKind kind = StmtKind::Nothing;
    Token at;                    // the statement's first token
    int target = -1;             // the variable assigned or the loop index
    int element = -1;            // the array reference assigned, in place of target
    int expr = -1, expr2 = -1, expr3 = -1; // value / condition; CALL's arguments
    std::vector<DoItem> items;   // an iterative DO's list, in order
    int then_branch = -1, else_branch = -1;
    std::vector<int> children;   // a block's statements; SELECT's WHEN statements
    std::vector<std::vector<int>> when_values; // SELECT: the values (or conditions) of each WHEN
    std::vector<int> outputs;    // OUTPUT: the data sets named (empty: every one)
    int reader = -1;             // Read: which input
    int put = -1;                // Put: its items in StepProgram::puts
    CallRoutine routine = CallRoutine::Symput; // Call: name expr, value expr2, scope expr3 (-1 none)
    std::vector<int> arguments;  // CALL MISSING, SORTN: the variables; STREAMINIT: the seed
};

// A variable of the BY statement and the slots of its FIRST. and LAST. variables.
struct ByVariable {
    int slot = -1;
    bool descending = false;
    int first_slot = -1, last_slot = -1;
};

// One SET statement (data sets read one after another, or interleaved by the BY variables), one
// MERGE statement (side by side, matched by the BY variables), or the INPUT statement with its lines.
struct Reader {
    struct Input {
        DatasetReference ref;
        DatasetView view;
        std::vector<std::pair<size_t, int>> to_slots; // source column -> PDV slot
        std::unique_ptr<RowCursor> cursor;
        Row rows[2];
        int current = 0;  // the buffer last delivered
        long long read = 0;
        bool started = false, ended = false;
        int in_slot = -1;                 // IN=
        std::vector<size_t> key_columns;  // the source column of each BY variable
        bool ahead = false;               // the other buffer holds the next row (SET with BY, MERGE)
        bool cleared = false;             // MERGE without BY: its variables were set missing at its end
        long long group_rows = 0;         // MERGE: the rows read in the current BY group
    };
    std::vector<Input> inputs;
    int end_slot = -1; // END=
    bool merge = false;
    std::vector<ByVariable> by;
    Row last_key;              // the BY values of the last observation (SET) or group (MERGE)
    bool has_last_key = false;
    bool in_group = false;     // MERGE: a BY group is being read
    bool repeats_noted = false;
    bool grouped() const { return merge || !by.empty(); }
    std::vector<int> slots; // every slot it sets
    // The look-ahead: the input and buffer of the next row, none when at the end.
    int next_input = -1, next_buffer = 0, last_input = -1;
    bool primed = false;
};

struct StepOutput {
    DatasetReference ref;
    std::vector<int> slots; // the PDV slot of each output variable
    std::vector<Variable> variables;
};

struct StepProgram {
    Pdv pdv;
    ExpressionSet expressions;
    std::vector<Stmt> statements;
    std::vector<int> top; // the step's statements in order
    std::vector<Reader> readers;
    int input_reader = -1;             // the reader of the INPUT statement
    std::optional<InfileRequest> infile;  // the INFILE statement
    RawRecords records;                // the lines INPUT's observations took
    std::vector<StepOutput> outputs;
    std::vector<std::vector<PutItem>> puts;
    std::vector<ValueFormat> formats;                // the variables' formats, where they have one
    std::vector<const ValueFormat *> shown_formats;  // per variable: into `formats`, or null
    bool has_output_statement = false;
    int n_slot = -1, error_slot = -1;
    std::vector<Token> where; // a WHERE statement, applied to every SET input
    // Statement-level lists, resolved when the step is compiled.
    std::vector<Token> keep, drop;
    bool has_keep = false;
    std::vector<std::pair<Token, Token>> renames;
    std::vector<std::pair<Token, std::string>> labels; // LABEL statements: name = 'text'
};

// How deeply DO, SELECT and IF-THEN may nest: compiling and running recurse that deep. A chain of
// ELSE IF is one level, however long.
inline constexpr int max_statement_nesting = 256;

// After the statements are read, the program data vector settled in one place: labels applied,
// each output's variables by the KEEP, DROP and RENAME statements and options, a note for each
// variable never given a value, the values sized. False when an error was logged.
bool settle_program_data_vector(Session &session, const Step &step, StepProgram &program);

// Compiles the DATA step; false when an error was logged. Inputs are opened (described) here.
bool compile_step(Session &session, const Step &step, StepProgram &program);

} // namespace quill::host

#endif
