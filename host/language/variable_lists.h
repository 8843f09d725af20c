// Variable lists resolved against the variables of a data set: names and name literals, numbered ranges x1-x5,
// positional ranges a--d, typed ranges a-numeric-d / a-character-d / a-char-d, prefixes x:, and
// _NUMERIC_, _CHARACTER_, _CHAR_, _ALL_.
#ifndef QUILL_HOST_VARIABLE_LISTS_H
#define QUILL_HOST_VARIABLE_LISTS_H

#include <string>
#include <vector>

#include "data/table.h"
#include "language/tokenizer.h"

namespace quill::host {

// Appends the 1-based numbers of the variables the tokens name, in list order (duplicates kept).
// On failure returns false with `error` ("Variable ZZ not found." and the like).
bool resolve_variable_list(const std::vector<Token> &tokens, const std::vector<Variable> &variables,
                           std::vector<int> &numbers, std::string &error);

// Splits X12 into the prefix X and the number 12; false when the name does not end in digits
// (at most nine) or is only digits.
bool split_numbered_name(const std::string &name, std::string &prefix, long &number);

} // namespace quill::host

#endif
