// Message text: text from a program or a data file quoted in a message (a long one is cut, with
// an ellipsis, so that a huge token cannot become a huge log line), and the place in the program
// a message is about.
#ifndef QUILL_HOST_MESSAGE_TEXT_H
#define QUILL_HOST_MESSAGE_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>

namespace quill::host {

constexpr size_t excerpt_length = 64;
constexpr size_t path_excerpt_length = 256; // file paths are longer as a rule

// `text`, or its first characters and "..." when it is longer than `limit` bytes.
std::string excerpt(std::string_view text, size_t limit = excerpt_length);
// The excerpt in double quotes.
std::string quoted_excerpt(std::string_view text);
// "message (line N)." for messages about a place in the program.
std::string at_line(std::string message, int line);

} // namespace quill::host

#endif
