// The PUT statement: the step's values written to the log as the statement runs. List output
// (a value, then a blank), named output (x=1 and a blank), formatted output (x 8.2, exactly the
// format's width), quoted text (as it stands, no blank after it), _ALL_, and the pointer controls / (a new line), @n (column n) and +n.
#ifndef QUILL_HOST_STEPS_DATA_STEP_PUT_STATEMENT_H
#define QUILL_HOST_STEPS_DATA_STEP_PUT_STATEMENT_H

#include <string>
#include <vector>

#include "language/expression.h"
#include "language/formats.h"

namespace quill::host {

struct PutItem {
    enum class Kind : unsigned char { Text, Value, Named, Formatted, NamedFormatted, All, NewLine, Column, Advance };
    Kind kind = Kind::Text;
    std::string text; // Text: the constant
    int node = -1;    // Value, Named, Formatted: a variable or an array element
    int slot = -1;    // the variable's slot; -1 for an element, whose variable is known as it runs
    ValueFormat format;
    long amount = 0; // Column: n of @n; Advance: n of +n
};

// The step's variables: the names named output writes, and what _ALL_ writes (every variable
// but the automatic ones as name=value, then the shown automatic ones, then _ERROR_ and _N_).
struct PutVariables {
    const std::vector<Variable> *variables = nullptr;
    const std::vector<char> *automatic = nullptr;
    const std::vector<char> *shown = nullptr; // IN=, FIRST. and LAST.
    int error_slot = -1, n_slot = -1;
    // Per variable: the format its values are written with in list and named output (null: BEST12.
    // for numbers, texts as they are).
    const std::vector<const ValueFormat *> *formats = nullptr;
};

// The lines one PUT statement writes for the current values (a PUT with no items writes one
// empty line).
std::vector<std::string> put_lines(const std::vector<PutItem> &items, const ExpressionSet &expressions,
                                   const Row &values, const PutVariables &all);

} // namespace quill::host

#endif
