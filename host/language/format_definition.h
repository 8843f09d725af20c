// The VALUE and INVALUE statements of PROC FORMAT, read into a user format:
//   VALUE <$>name <(options)> range <, range ...> = 'label' | [format.] ... ;
//   INVALUE <$>name <(options)> range <, range ...> = value | 'text' | _SAME_ | _ERROR_ ... ;
// A range is a value, `low - high` with < beside the - to leave an end out (18-<65, 0<-1), or
// OTHER; a value is a number, a date constant, '.', a quoted text, LOW or HIGH. Options:
// DEFAULT=w (the width when none is given), FUZZ=f, MIN=, MAX= and NOTSORTED (taken, no effect);
// UPCASE and JUST for INVALUE.
#ifndef QUILL_HOST_LANGUAGE_FORMAT_DEFINITION_H
#define QUILL_HOST_LANGUAGE_FORMAT_DEFINITION_H

#include <string>
#include <vector>

#include "language/format_catalog.h"
#include "language/tokenizer.h"

namespace quill::host {

// `tokens` is the whole statement, its keyword first and its ';' last. False with `error` (a
// message without its place) and `at` (the token it is about).
bool parse_format_definition(const std::vector<Token> &tokens, const FormatCatalog &catalog, UserFormat &format,
                             std::string &error, size_t &at);

// A range as PROC FORMAT's FMTLIB shows it: its start and end ("LOW", "18", "'A'", "**OTHER**"),
// with < after the start or before the end when that end is left out.
std::string range_start_text(const FormatRange &range, bool other);
std::string range_end_text(const FormatRange &range, bool other);

} // namespace quill::host

#endif
