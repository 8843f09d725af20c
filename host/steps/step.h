// A step as the program runner collects it: the statements of one DATA or PROC step (each a
// list of tokens up to its ';') and the data lines of a DATALINES statement. Every step reads
// this; the runner builds it and sits above the steps it runs.
#ifndef QUILL_HOST_STEPS_STEP_H
#define QUILL_HOST_STEPS_STEP_H

#include <string>
#include <vector>

#include "language/tokenizer.h"

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

} // namespace quill::host

#endif
