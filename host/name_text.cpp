#include "name_text.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

#include "table.h"

namespace quill::host {

void remove_pattern_text(char *text, int32_t length, const char *pattern)
{
    if (!text || length <= 0 || !pattern || !*pattern)
        return;
    const size_t n = std::strlen(pattern);
    std::string kept;
    for (int32_t i = 0; i < length;) {
        if (static_cast<size_t>(length - i) >= n && std::memcmp(text + i, pattern, n) == 0) {
            i += static_cast<int32_t>(n);
            continue;
        }
        kept.push_back(text[i++]);
    }
    std::memset(text, ' ', static_cast<size_t>(length));
    std::memcpy(text, kept.data(), kept.size());
}

void trim_name_text(char *text, int32_t length)
{
    if (!text || length < 0)
        return;
    int32_t end = 0;
    while (end < length && text[end] != '\0')
        ++end;
    while (end > 0 && text[end - 1] == ' ')
        --end;
    text[end] = '\0';
}

std::string valid_name(std::string_view text)
{
    const size_t zero = text.find('\0');
    if (zero != std::string_view::npos)
        text = text.substr(0, zero);
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    std::string name;
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        name.push_back(std::isalnum(u) || c == '_' ? static_cast<char>(std::toupper(u)) : '_');
    }
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0])))
        name.insert(name.begin(), '_');
    if (name.size() > max_text_length)
        name.resize(max_text_length);
    return name;
}

void valid_name_text(char *text, int32_t length)
{
    if (!text || length <= 0)
        return;
    std::string name = valid_name(std::string_view(text, static_cast<size_t>(length)));
    if (name.size() > static_cast<size_t>(length))
        name.resize(static_cast<size_t>(length));
    std::memset(text, ' ', static_cast<size_t>(length));
    std::memcpy(text, name.data(), name.size());
    text[length] = '\0';
}

std::string free_name(const std::string &name, const std::vector<std::string> &taken)
{
    auto used = [&](const std::string &candidate) {
        return std::any_of(taken.begin(), taken.end(), [&](const std::string &t) { return same_name(t, candidate); });
    };
    if (!used(name))
        return name;
    for (long k = 2;; ++k) {
        const std::string suffix = std::to_string(k);
        const std::string candidate = name.substr(0, std::min(name.size(), max_text_length - suffix.size())) + suffix;
        if (!used(candidate))
            return candidate;
    }
}

} // namespace quill::host
