// The host's text operations on fixed-length names: removing a pattern, trimming, making a valid
// name, and finding a free name for a variable whose name is taken.
#ifndef QUILL_HOST_NAME_TEXT_H
#define QUILL_HOST_NAME_TEXT_H

#include <cstdint>
#include <string>
#include <vector>

namespace quill::host {

// Removes every occurrence of `pattern` from text[0, length), blank-filling the end.
void remove_pattern_text(char *text, int32_t length, const char *pattern);
// Trims trailing blanks of text[0, length) and puts the zero byte after the last character.
void trim_name_text(char *text, int32_t length);
// Makes text[0, length) a valid name: surrounding blanks dropped, upper case, any character that
// cannot stand in a name becomes '_', '_' before a leading digit, at most 32 characters; the rest
// is blank-filled and text[length] becomes the zero byte.
void valid_name_text(char *text, int32_t length);
std::string valid_name(std::string_view text);
// `name`, or when it is taken (case-insensitively), name with a numeric suffix replacing its tail
// so that it stays within 32 characters.
std::string free_name(const std::string &name, const std::vector<std::string> &taken);

} // namespace quill::host

#endif
