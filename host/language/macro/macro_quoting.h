// Macro quoting: %STR, %NRSTR, %QUOTE and their kin hide characters that would otherwise act
// (a semicolon ending a statement, a comma splitting arguments, & and % starting a reference).
// A hidden character is stored as one control byte of its own, so a quoted text keeps its length
// (%LENGTH and %SUBSTR count it as written); the text is unmasked where it leaves the macro
// processor: in a generated statement, %PUT, SYMGET and the unquoting functions.
#ifndef QUILL_HOST_LANGUAGE_MACRO_QUOTING_H
#define QUILL_HOST_LANGUAGE_MACRO_QUOTING_H

#include <string>
#include <string_view>

namespace quill::host {

// The byte that stands for `c` hidden; `c` itself when it is not a character that quoting hides.
char mask_char(char c);
// The character a hidden byte stands for; any other byte itself.
char unmask_char(char c);
// True for a byte that stands for a hidden character.
bool is_masked(char c);
// Every character quoting hides in `text`, hidden; `with_triggers` also hides & and %.
std::string mask_text(std::string_view text, bool with_triggers = true);
// The characters as written.
std::string unmask_text(std::string_view text);

} // namespace quill::host

#endif
