#include "base/message_text.h"

#include "base/names.h"

namespace quill::host {

std::string excerpt(std::string_view text, size_t limit)
{
    if (text.size() <= limit)
        return std::string(text);
    return std::string(utf8_prefix(text, limit - 3)) + "...";
}

std::string at_line(std::string message, int line)
{
    if (!message.empty() && message.back() == '.')
        message.pop_back();
    return message + " (line " + std::to_string(line) + ").";
}

std::string quoted_excerpt(std::string_view text)
{
    std::string quoted(1, '"');
    quoted += excerpt(text);
    quoted += '"';
    return quoted;
}

} // namespace quill::host
