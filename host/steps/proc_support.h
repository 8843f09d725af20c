// What the host's own procedures share: reading the PROC statement's options, opening the input
// data set (DATA= or _LAST_), naming an output data set, and printing a table to the listing.
#ifndef QUILL_HOST_STEPS_PROC_SUPPORT_H
#define QUILL_HOST_STEPS_PROC_SUPPORT_H

#include <string>
#include <vector>

#include "language/dataset_reference.h"
#include "steps/program_runner.h"

namespace quill::host {

// One option of a statement: NAME alone, or NAME=value; the value is one token, or a data set
// name with its parenthesised option group.
struct StepOption {
    std::string name;         // upper case
    bool has_value = false;
    size_t begin = 0, end = 0; // the value's tokens in the statement
    int line = 0;
};

// The options of `statement` from token `first` up to the end or a '/', whichever comes first
// (`stop` receives where reading stopped). False with an error logged when a token is not an
// option.
bool read_step_options(Session &session, const Statement &statement, size_t first, const char *proc,
                       std::vector<StepOption> &options, size_t *stop = nullptr);

// The input data set: the DATA= option's, or _LAST_. False with an error logged.
bool open_step_input(Session &session, const Statement &statement, const StepOption *data, const char *proc,
                     DatasetReference &ref, DatasetView &view);

// The data set an OUT= option names. False with an error logged.
bool step_output_name(Session &session, const Statement &statement, const StepOption &out, DatasetReference &ref);

// The variables a statement lists after its keyword (up to `end`, the ';' when 0). False with an
// error logged.
bool step_variables(Session &session, const Statement &statement, const std::vector<Variable> &variables,
                    std::vector<int> &numbers, size_t end = 0);

// "Statement X is not known to PROC P" for a statement of a step's body.
void unknown_statement(Session &session, const Statement &statement, const char *proc);
void unknown_option(Session &session, const StepOption &option, const char *proc);

// A table for the listing: a header row, a rule of dashes under it when asked for, then the rows;
// right-aligned columns for numbers. Columns are separated by two blanks and trailing blanks cut.
struct ListingColumn {
    std::string header;
    bool right = true;
    std::vector<std::string> cells;
};
void print_listing_table(Listing &listing, const std::vector<ListingColumn> &columns, bool rule, size_t indent = 0);

std::string pad_text(const std::string &text, size_t width, bool right);
// A line centered on the listing's width (80 columns), for a procedure's heading.
std::string centered(const std::string &text);

// A number with `decimals` decimals, or "." when missing.
std::string fixed_text(double value, int decimals);

} // namespace quill::host

#endif
