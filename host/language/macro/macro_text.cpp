#include "language/macro/macro_text.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "language/macro/macro_quoting.h"

namespace quill::host {

size_t macro_name_end(std::string_view text, size_t at)
{
    while (at < text.size() && macro_name_char(text[at]))
        ++at;
    return at;
}

size_t after_quoted(std::string_view text, size_t at)
{
    const size_t close = text.find(text[at], at + 1);
    return close == std::string_view::npos ? text.size() : close + 1;
}

size_t closing_parenthesis(std::string_view text, size_t open)
{
    int depth = 0;
    for (size_t i = open; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 1 < text.size() && std::string_view("()'\"%").find(text[i + 1]) != std::string_view::npos) {
            ++i; // %( %) %' %" %%: the character itself
        } else if (c == '\'' || c == '"') {
            i = after_quoted(text, i) - 1;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')' && --depth == 0) {
            return i;
        }
    }
    return std::string_view::npos;
}

size_t macro_statement_end(std::string_view text, size_t at)
{
    for (size_t i = at; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ';')
            return i;
        if (c == '\'' || c == '"') {
            i = after_quoted(text, i) - 1;
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            const size_t close = text.find("*/", i + 2);
            i = close == std::string_view::npos ? text.size() : close + 1;
        } else if (c == '%' && i + 1 < text.size() && macro_name_start(text[i + 1])) {
            size_t end = macro_name_end(text, i + 1);
            const size_t open = skip_macro_blanks(text, end);
            if (open < text.size() && text[open] == '(') {
                const size_t close = closing_parenthesis(text, open);
                if (close != std::string_view::npos)
                    end = close + 1;
            }
            i = end - 1;
        }
    }
    return std::string_view::npos;
}

bool macro_keyword_at(std::string_view text, size_t at, std::string_view word)
{
    if (at >= text.size() || text[at] != '%' || at + 1 + word.size() > text.size())
        return false;
    for (size_t k = 0; k < word.size(); ++k)
        if (std::toupper(static_cast<unsigned char>(text[at + 1 + k])) != word[k])
            return false;
    const size_t after = at + 1 + word.size();
    return after >= text.size() || !macro_name_char(text[after]);
}

size_t skip_macro_blanks(std::string_view text, size_t at)
{
    for (;;) {
        while (at < text.size() && macro_blank(text[at]))
            ++at;
        if (at + 1 < text.size() && text[at] == '/' && text[at + 1] == '*') {
            const size_t close = text.find("*/", at + 2);
            at = close == std::string_view::npos ? text.size() : close + 2;
            continue;
        }
        return at;
    }
}

std::vector<std::string> split_macro_arguments(std::string_view text)
{
    std::vector<std::string> args;
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\'' || c == '"')
            i = after_quoted(text, i) - 1;
        else if (c == '(')
            ++depth;
        else if (c == ')')
            --depth;
        else if (c == ',' && depth == 0) {
            args.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    args.emplace_back(text.substr(start));
    return args;
}

std::string trim_macro_blanks(std::string_view text)
{
    size_t first = 0, last = text.size();
    while (first < last && macro_blank(text[first]))
        ++first;
    while (last > first && macro_blank(text[last - 1]))
        --last;
    return std::string(text.substr(first, last - first));
}

std::string macro_upper(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool macro_whole_number(std::string_view text, long long &value)
{
    const std::string plain = trim_macro_blanks(unmask_text(text));
    if (plain.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    value = std::strtoll(plain.c_str(), &end, 10);
    return errno == 0 && end == plain.c_str() + plain.size();
}

bool valid_macro_name(std::string_view name)
{
    return !name.empty() && name.size() <= 32 && macro_name_start(name[0]) && macro_name_end(name, 0) == name.size();
}

} // namespace quill::host
