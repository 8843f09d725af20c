// UTF-8, the encoding of every text the host holds: checking a text is well-formed (no stray
// continuation byte, overlong form, surrogate or code point beyond U+10FFFF) and repairing one
// that is not, each ill-formed part becoming U+FFFD as the Unicode standard recommends.
#ifndef QUILL_HOST_BASE_UTF8_TEXT_H
#define QUILL_HOST_BASE_UTF8_TEXT_H

#include <string>
#include <string_view>

namespace quill::host {

// The length of the well-formed character at text[at], or 0 when none begins there.
size_t utf8_character_length(std::string_view text, size_t at);
bool is_valid_utf8(std::string_view text);
// `text` with each maximal ill-formed part replaced by U+FFFD.
std::string repaired_utf8(std::string_view text);

} // namespace quill::host

#endif
