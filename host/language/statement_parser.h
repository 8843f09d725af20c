// The grammar-driven statement parser: interprets a procedure's grammar descriptor over the tokens
// of its step, then runs the actions the match reached (records, data sets, variable lists,
// numbers, texts, flags). Errors go to the log; the procedure sees records only when all is well.
#ifndef QUILL_HOST_STATEMENT_PARSER_H
#define QUILL_HOST_STATEMENT_PARSER_H

#include <vector>

#include "api/grammar_descriptor.h"
#include "api/statement_records.h"
#include "modules/run_context.h"

namespace quill::host {

constexpr int16_t parse_status_syntax = QH_PARSE_FAILED;   // the program is at fault
constexpr int16_t parse_status_grammar = QH_PARSE_FAILED + 1; // the procedure's grammar is at fault

// Parses run.step_tokens() and fills `area`; returns the status it leaves there.
int16_t parse_step(const qh_grammar *grammar, RunContext &run, qh_parse_area &area);

} // namespace quill::host

#endif
