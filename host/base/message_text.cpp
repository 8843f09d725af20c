#include "base/message_text.h"

#include "base/name_text.h"

namespace quill::host {

std::string excerpt(std::string_view text, size_t limit)
{
    if (text.size() <= limit)
        return std::string(text);
    return std::string(utf8_prefix(text, limit - 3)) + "...";
}

std::string quoted_excerpt(std::string_view text)
{
    std::string quoted(1, '"');
    quoted += excerpt(text);
    quoted += '"';
    return quoted;
}

} // namespace quill::host
