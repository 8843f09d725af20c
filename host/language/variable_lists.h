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

} // namespace quill::host

#endif
