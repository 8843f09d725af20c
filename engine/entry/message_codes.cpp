#include "message_codes.h"

#include <cstddef>
#include <string>

namespace quill::engine {

namespace {

// Copies `text` (cut to length - 1 characters) and blanks, then the terminator after the last
// non-blank character.
void store(const char* text, std::size_t text_length, int32_t* codes, int32_t length) noexcept {
    const std::size_t room = static_cast<std::size_t>(length) - 1;
    std::size_t last = 0;  // one past the last non-blank character
    for (std::size_t i = 0; i < static_cast<std::size_t>(length); ++i) {
        const unsigned char c = i < room && i < text_length ? static_cast<unsigned char>(text[i]) : ' ';
        codes[i] = c;
        if (c != ' ') last = i + 1;
    }
    codes[last] = 0;
}

}  // namespace

void write_message_codes(const error_trail& trail, int32_t* codes, int32_t length) {
    std::string buffer(static_cast<std::size_t>(length) - 1, ' ');
    // No platform is named, so lines are separated by carriage return and line feed.
    error_message_text(trail, buffer.data(), static_cast<int>(buffer.size()));
    store(buffer.data(), buffer.size(), codes, length);
}

void write_message_codes(const char* text, int32_t* codes, int32_t length) noexcept {
    std::size_t text_length = 0;
    while (text[text_length] != '\0') ++text_length;
    store(text, text_length, codes, length);
}

}  // namespace quill::engine
