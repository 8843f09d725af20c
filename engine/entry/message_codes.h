// Writing a failure into runscad's message array: one character code per 32-bit element,
// blanks after the text and a 0 element just after its last non-blank character.
#pragma once

#include <cstdint>

#include "support/error_trail.h"

namespace quill::engine {

// Joins the trail (lines separated by carriage return and line feed) into codes[0 .. length),
// keeping the text to length - 1 characters so that the terminating 0 fits. length >= 1.
void write_message_codes(const error_trail& trail, int32_t* codes, int32_t length);

// The same for one fixed text, without allocating: the last-resort report of the boundary.
void write_message_codes(const char* text, int32_t* codes, int32_t length) noexcept;

}  // namespace quill::engine
