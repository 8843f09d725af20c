#include "base/shown_text.h"

#include <algorithm>

namespace quill::host {
namespace {

bool hidden(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return (u < 0x20 && c != '\t' && c != '\f') || u == 0x7F;
}

} // namespace

std::string_view shown_text(std::string_view line, std::string &buffer)
{
    auto at = std::find_if(line.begin(), line.end(), hidden);
    if (at == line.end())
        return line; // the usual case: no copy
    static constexpr char hex[] = "0123456789ABCDEF";
    buffer.assign(line.begin(), at);
    for (; at != line.end(); ++at) {
        if (!hidden(*at)) {
            buffer.push_back(*at);
            continue;
        }
        const unsigned char u = static_cast<unsigned char>(*at);
        buffer += {'\\', 'x', hex[u >> 4], hex[u & 0xF]};
    }
    return buffer;
}

} // namespace quill::host
