// The grammar-driven statement parser: interprets a procedure's grammar descriptor over the tokens
// of its step and reports the actions the match reached, each with the tokens it applies to.
// Performing them (records, data sets, variable lists, numbers, texts, flags) is the run's business
// (modules/statement_actions.h). Errors go to the log.
#ifndef QUILL_HOST_LANGUAGE_STATEMENT_PARSER_H
#define QUILL_HOST_LANGUAGE_STATEMENT_PARSER_H

#include <string>
#include <vector>

#include "api/grammar_descriptor.h"
#include "api/statement_records.h"
#include "base/log_writer.h"
#include "language/tokenizer.h"

namespace quill::host {

constexpr int16_t parse_status_syntax = QH_PARSE_FAILED;      // the program is at fault
constexpr int16_t parse_status_grammar = QH_PARSE_FAILED + 1; // the procedure's grammar is at fault

struct MatchedAction {
    int action;        // index into the grammar's actions
    size_t begin, end; // tokens of the symbol written just before the action
};

// Matches `tokens` against `grammar`; returns 0 with the actions reached, in order, or a parse
// status after logging what is wrong (`proc_name` names the procedure in messages).
int16_t match_statements(const qh_grammar &grammar, const std::vector<Token> &tokens, const std::string &proc_name,
                         LogWriter &log, std::vector<MatchedAction> &actions);

} // namespace quill::host

#endif
