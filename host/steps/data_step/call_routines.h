// The CALL routines of the DATA step. CALL SYMPUT and CALL SYMPUTX: a macro variable set from a
// value of the running observation, there at once for SYMGET and for the statements after the
// step. CALL MISSING, CALL SORTN and CALL STREAMINIT act on the observation and the step.
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

// MISSING: each variable named set missing (blank). SORTN: the values of the variables named
// put in ascending order, missing values first, into the variables in the order named.
// STREAMINIT: the seed of RAND's stream. An element subscript out of range halts the
// expressions (the step reports it).
void run_call_routine(const ExpressionSet &expressions, Row &row, const Stmt &call);

} // namespace quill::host

#endif
