// A data set as a program names it: a one- or two-level name, _LAST_ or a quoted file path,
// optionally followed by its data set options: KEEP= and DROP= lists, RENAME=(old=new ...),
// WHERE=(expression), FIRSTOBS=n and OBS=n|MAX, IN=var (a variable of the DATA step that
// reads the data set, so only SET and MERGE take it) and LABEL='text' (the label of a data set
// written; output_options.h says what an output data set does with its options). An input applies them in the order SAS does:
// KEEP= and DROP= first, then RENAME=, then WHERE= (on the new names), then FIRSTOBS= and OBS=
// (counting the observations WHERE= lets through).
#ifndef QUILL_HOST_DATASET_REFERENCE_H
#define QUILL_HOST_DATASET_REFERENCE_H

#include <string>
#include <vector>

#include "base/log_writer.h"
#include "data/dataset_library.h"
#include "data/dataset_view.h"
#include "language/tokenizer.h"

namespace quill::host {

// The end of a data set name starting at tokens[i]: the name, then a parenthesised option group.
size_t dataset_tokens_end(const std::vector<Token> &tokens, size_t i, size_t end);

struct DatasetReference {
    DatasetName name;
    bool is_null = false;            // _NULL_: nothing is written
    std::vector<Token> keep, drop;   // variable lists of the options
    bool has_keep = false, has_drop = false;
    std::vector<std::pair<Token, Token>> renames; // old = new
    std::vector<Token> where;                     // the expression, without its parentheses
    long long firstobs = 1;                       // the first observation read
    long long obs = -1;                           // the last observation read; -1 for MAX
    Token in_name;                                // IN=: the variable's name
    bool has_in = false;
    std::string label;                            // LABEL=: the data set's label
    // Any option an output data set cannot take (all but KEEP=, DROP= and RENAME=).
    bool has_input_only_options() const { return !where.empty() || firstobs != 1 || obs != -1; }
    bool has_options() const { return has_keep || has_drop || !renames.empty() || has_in || has_input_only_options(); }
};

// The refusal of IN= wherever it does not apply.
inline constexpr char in_option_misplaced[] = "IN= is taken only by the data sets a DATA step's SET or MERGE statement reads";

// The input of a step that names none: _LAST_, the data set most recently created. False with
// `error` when no data set has been created yet.
bool default_input(const DatasetLibrary &library, DatasetReference &ref, std::string &error);

// Reads tokens[begin, end). mode_output selects how a one-level name without a data set behind
// it is treated (only inputs fall back to _LAST_ for the name _LAST_).
bool parse_dataset_reference(const std::vector<Token> &tokens, size_t begin, size_t end, DatasetLibrary &library,
                        DatasetReference &ref, std::string &error);
// Renames variables (old = new pairs); false with `error` when an old name is not there or two
// variables would share a name.
bool apply_renames(const std::vector<std::pair<Token, Token>> &renames, std::vector<Variable> &variables,
                   std::string &error);
// Applies KEEP=, DROP= and RENAME= to the variables of a view.
bool apply_dataset_options(const DatasetReference &ref, DatasetView &view, std::string &error);
// Opens the data set `ref` names for reading, as its options show it; the notes about what was
// read go to the log. False with `error` when it cannot be read or an option does not apply.
// `extra_where` is the tokens of a WHERE statement of the step (empty when it has none), applied
// with the WHERE= option.
bool open_for_reading(const DatasetReference &ref, const DatasetLibrary &library, LogWriter &log, DatasetView &view,
                      std::string &error, const std::vector<Token> &extra_where = {});

// The condition of WHERE= and of a WHERE statement as the log shows it ("" when neither is
// given): the tokens as written, a blank only between two names or constants, around AND, OR,
// NOT and IN and after a comma; both together as (option) and (statement).
std::string where_text(const std::vector<Token> &where, const std::vector<Token> &extra_where = {});
// "There were N observations read from the data set X." and, when a WHERE chose them, the
// condition on the line below ("      WHERE age>=18;").
void note_observations_read(LogWriter &log, long long count, const DatasetReference &ref,
                            const std::vector<Token> &extra_where = {});

} // namespace quill::host

#endif
