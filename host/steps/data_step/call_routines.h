// CALL SYMPUT and CALL SYMPUTX in the DATA step: a macro variable set from a value of the
// running observation, there at once for SYMGET and for the statements after the step.
#ifndef QUILL_HOST_STEPS_DATA_STEP_CALL_ROUTINES_H
#define QUILL_HOST_STEPS_DATA_STEP_CALL_ROUTINES_H

#include <string>

#include "language/expression.h"
#include "language/macro/macro_symbols.h"
#include "steps/data_step/step_program.h"

namespace quill::host {

// SYMPUT: the name trimmed, a text value as it is, a number as BEST12. writes it (right-aligned).
// SYMPUTX: the value trimmed, a number as BEST32. without blanks; the scope 'G' (global), 'L'
// (the innermost local table), 'F' (where the name exists, else as SYMPUT). Returns the ERROR
// text when the name is not a valid macro variable name or the value too long; empty when set.
std::string run_symput(MacroSymbols &symbols, const ExpressionSet &expressions, const Row &row, const Stmt &call);

} // namespace quill::host

#endif
