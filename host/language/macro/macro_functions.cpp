#include "language/macro/macro_functions.h"

#include <cctype>
#include <cstdlib>

#include "language/macro/macro_quoting.h"
#include "language/macro/macro_text.h"

namespace quill::host {
namespace {

std::string out_of_range(const std::string &name, int argument)
{
    return "Argument " + std::to_string(argument) + " to macro function %" + name + " is out of range.";
}

std::string not_a_number(const std::string &name, int argument)
{
    return "Argument " + std::to_string(argument) + " to macro function %" + name + " is not a number.";
}

// %SCAN(text, n <, delimiters>): the n-th word; n < 0 counts from the end.
MacroFunctionResult scan(const std::string &name, const std::vector<std::string> &args)
{
    MacroFunctionResult r;
    long long n = 0;
    if (!macro_whole_number(args[1], n)) {
        r.error = not_a_number(name, 2);
        return r;
    }
    const std::string delimiters = args.size() > 2 ? unmask_text(args[2]) : std::string(" .<(+&!$*);^-/,%|");
    const std::string plain = unmask_text(args[0]);
    std::vector<std::pair<size_t, size_t>> words;
    for (size_t i = 0; i < plain.size();) {
        while (i < plain.size() && delimiters.find(plain[i]) != std::string::npos)
            ++i;
        const size_t start = i;
        while (i < plain.size() && delimiters.find(plain[i]) == std::string::npos)
            ++i;
        if (i > start)
            words.emplace_back(start, i - start);
    }
    const long long count = static_cast<long long>(words.size());
    const long long k = n > 0 ? n - 1 : count + n;
    if (n != 0 && k >= 0 && k < count)
        r.value = args[0].substr(words[static_cast<size_t>(k)].first, words[static_cast<size_t>(k)].second);
    return r;
}

// %SUBSTR(text, position <, length>).
MacroFunctionResult substr(const std::string &name, const std::vector<std::string> &args)
{
    MacroFunctionResult r;
    long long position = 0, length = 0;
    if (!macro_whole_number(args[1], position)) {
        r.error = not_a_number(name, 2);
        return r;
    }
    const long long size = static_cast<long long>(args[0].size());
    if (position < 1 || position > size) {
        r.error = out_of_range(name, 2);
        return r;
    }
    length = size - position + 1;
    if (args.size() > 2) {
        long long asked = 0;
        if (!macro_whole_number(args[2], asked)) {
            r.error = not_a_number(name, 3);
            return r;
        }
        if (asked < 0 || asked > length)
            r.warning = out_of_range(name, 3);
        else
            length = asked;
    }
    r.value = args[0].substr(static_cast<size_t>(position - 1), static_cast<size_t>(length));
    return r;
}

std::string cased(std::string text, bool upper)
{
    for (char &c : text)
        c = static_cast<char>(upper ? std::toupper(static_cast<unsigned char>(c)) : std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A blank, hidden or not: %TRIM(%STR(a  )) trims.
bool blank(char c) { return c == ' ' || c == mask_char(' '); }

std::string compressed(const std::string &text)
{
    std::string out;
    for (const char c : text)
        if (!(blank(c) && (out.empty() || blank(out.back()))))
            out += c;
    while (!out.empty() && blank(out.back()))
        out.pop_back();
    return out;
}

std::string left(const std::string &text)
{
    size_t first = 0;
    while (first < text.size() && blank(text[first]))
        ++first;
    return text.substr(first);
}

std::string trimmed(const std::string &text)
{
    size_t last = text.size();
    while (last > 0 && blank(text[last - 1]))
        --last;
    return text.substr(0, last);
}

struct Shape {
    const char *name;
    size_t least, most;
};
constexpr Shape shapes[] = {
    {"SCAN", 2, 3}, {"SUBSTR", 2, 3}, {"UPCASE", 1, 1}, {"LOWCASE", 1, 1}, {"LENGTH", 1, 1},
    {"INDEX", 2, 2}, {"LEFT", 1, 1}, {"TRIM", 1, 1}, {"CMPRES", 1, 1},
};

} // namespace

std::string macro_argument_count_error(const std::string &name, size_t count, size_t least, size_t most)
{
    if (count < least)
        return "Macro function %" + name + " has too few arguments.";
    if (count > most)
        return "Macro function %" + name + " has too many arguments. The excess arguments will be ignored.";
    return {};
}

MacroFunctionResult apply_text_function(const std::string &name, const std::vector<std::string> &given)
{
    MacroFunctionResult r;
    const bool quoted = name.size() > 1 && name[0] == 'Q';
    const std::string base = quoted ? name.substr(1) : name;
    const Shape *shape = nullptr;
    for (const Shape &s : shapes)
        if (base == s.name && (!quoted || (base != "LENGTH" && base != "INDEX")))
            shape = &s;
    if (!shape)
        return r;
    r.known = true;
    // One argument of a one-argument function is the whole text, commas and all.
    std::vector<std::string> args = given;
    if (shape->most == 1 && args.size() > 1) {
        r.error = macro_argument_count_error(name, args.size(), 1, 1);
        return r;
    }
    if (const std::string e = macro_argument_count_error(name, args.size(), shape->least, shape->most); !e.empty()) {
        r.error = e;
        return r;
    }
    if (base == "SCAN")
        r = scan(name, args);
    else if (base == "SUBSTR")
        r = substr(name, args);
    else if (base == "UPCASE" || base == "LOWCASE")
        r.value = cased(args[0], base == "UPCASE");
    else if (base == "LENGTH")
        r.value = std::to_string(args[0].size());
    else if (base == "INDEX") {
        const size_t at = unmask_text(args[0]).find(unmask_text(args[1]));
        r.value = std::to_string(at == std::string::npos || args[1].empty() ? 0 : at + 1);
    } else if (base == "LEFT")
        r.value = left(args[0]);
    else if (base == "TRIM")
        r.value = trimmed(args[0]);
    else
        r.value = compressed(args[0]);
    r.known = true;
    if (!quoted)
        r.value = unmask_text(r.value);
    return r;
}

} // namespace quill::host
