// Reading macro text: names, quoted strings, the parenthesised arguments of a call, the end of a
// macro statement and the split of arguments at their commas. Quoted strings and hidden
// characters (macro_quoting.h) never end or split anything; %( %) %' %" and %% stand for the
// character itself inside arguments.
#ifndef QUILL_HOST_LANGUAGE_MACRO_TEXT_H
#define QUILL_HOST_LANGUAGE_MACRO_TEXT_H

#include <string>
#include <string_view>
#include <vector>

namespace quill::host {

inline bool macro_name_start(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
inline bool macro_name_char(char c) { return macro_name_start(c) || (c >= '0' && c <= '9'); }
inline bool macro_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// The end of the name that starts at `at`.
size_t macro_name_end(std::string_view text, size_t at);
// The position after the quoted string that opens at `at`; text.size() when it is not closed.
size_t after_quoted(std::string_view text, size_t at);
// The position of the ')' that closes the '(' at `open`; npos when there is none.
size_t closing_parenthesis(std::string_view text, size_t open);
// The position of the ';' that ends the macro statement whose text starts at `at` (a macro
// function's parentheses and quoted strings are passed over); npos when there is none.
size_t macro_statement_end(std::string_view text, size_t at);
// True when `%word` (any case, not followed by a name character) is written at `at`.
bool macro_keyword_at(std::string_view text, size_t at, std::string_view word);
// Skips blanks and /* */ comments.
size_t skip_macro_blanks(std::string_view text, size_t at);
// The arguments of a call, split at the commas outside parentheses and quoted strings.
std::vector<std::string> split_macro_arguments(std::string_view text);
// Without leading and trailing blanks (hidden blanks stay).
std::string trim_macro_blanks(std::string_view text);
std::string macro_upper(std::string_view text);
// A whole number written as text (blanks around it and hidden characters allowed); false when the
// text is not one.
bool macro_whole_number(std::string_view text, long long &value);
// A valid macro variable or macro name: a letter or _, then letters, digits, _; at most 32.
bool valid_macro_name(std::string_view name);

} // namespace quill::host

#endif
