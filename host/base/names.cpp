#include "base/names.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

namespace quill::host {

std::string upper_case(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string lower_case(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool same_name(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool is_valid_name(std::string_view name)
{
    if (name.empty() || name.size() > max_name_length)
        return false;
    if (!(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_'))
        return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
            return false;
    return true;
}

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
    if (name.size() > max_name_length)
        name.resize(max_name_length);
    return name;
}

std::string v7_name(std::string_view text)
{
    std::string name;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char u = static_cast<unsigned char>(text[i]);
        if (u < 0x80) {
            name.push_back(std::isalnum(u) || u == '_' ? static_cast<char>(u) : '_');
            continue;
        }
        name.push_back('_'); // one for the whole UTF-8 character
        while (i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80)
            ++i;
    }
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0])))
        name.insert(name.begin(), '_');
    if (name.size() > max_name_length)
        name.resize(max_name_length);
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

bool is_storable_name(std::string_view name)
{
    if (name.empty() || name.size() > max_name_length || name.front() == ' ' || name.back() == ' ')
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const unsigned char u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

std::string_view utf8_prefix(std::string_view text, size_t bytes)
{
    if (text.size() <= bytes)
        return text;
    size_t cut = bytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut; // text[cut] continues a character that began before the cut
    // Bytes that never began a character are not UTF-8: they are cut where the limit falls.
    return text.substr(0, cut > 0 ? cut : bytes);
}

bool NameSet::contains(std::string_view name) const { return upper_.count(upper_case(name)) != 0; }

bool NameSet::insert(std::string_view name) { return upper_.insert(upper_case(name)).second; }

std::string NameSet::claim(std::string_view name)
{
    if (insert(name))
        return std::string(name);
    long &next = next_suffix_.try_emplace(upper_case(name), 2).first->second;
    for (;; ++next) {
        const std::string suffix = std::to_string(next);
        std::string candidate(utf8_prefix(name, max_name_length - suffix.size()));
        candidate += suffix;
        if (insert(candidate))
            return candidate;
    }
}

} // namespace quill::host
