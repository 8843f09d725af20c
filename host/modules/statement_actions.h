// Performing the actions a statement match reached (language/statement_parser.h): statement
// records in run memory, data sets opened (an input is described, not yet read), variable lists
// resolved against the input's variables, numbers, texts and flags stored. The procedure sees
// records only when every action succeeded.
#ifndef QUILL_HOST_MODULES_STATEMENT_ACTIONS_H
#define QUILL_HOST_MODULES_STATEMENT_ACTIONS_H

#include "api/grammar_descriptor.h"
#include "api/statement_records.h"
#include "language/statement_parser.h"
#include "modules/run_context.h"

namespace quill::host {

// Parses run.step_tokens() and fills `area`; returns the status it leaves there (0, or
// parse_status_syntax or parse_status_grammar).
int16_t parse_step(const qh_grammar *grammar, RunContext &run, qh_parse_area &area);

} // namespace quill::host

#endif
