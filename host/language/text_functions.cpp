// COMPRESS, COALESCEC, TRANWRD, PROPCASE, FIND, COUNTW, INPUTN and PUTN. The characters COMPRESS
// and COUNTW take are the ones listed plus the classes their modifiers name: 'a' letters, 'd'
// digits, 's' white space (blank, tab, line feed, carriage return, vertical tab, form feed),
// 'p' punctuation, 'l' lower-case and 'u' upper-case letters, 'n' letters, digits and the
// underscore; 'i' adds the other case of the characters listed, 'k' keeps the characters
// instead of removing them (COMPRESS).
#include <array>
#include <cctype>
#include <cmath>

#include "language/expression.h"
#include "language/functions.h"

namespace quill::host {
namespace {

using CharSet = std::array<bool, 256>;

CharSet char_set(std::string_view chars, std::string_view modifiers)
{
    CharSet set{};
    const bool fold = modifiers.find_first_of("iI") != std::string_view::npos;
    for (const char c : chars) {
        const auto u = static_cast<unsigned char>(c);
        set[u] = true;
        if (fold)
            set[static_cast<unsigned char>(std::toupper(u))] = set[static_cast<unsigned char>(std::tolower(u))] = true;
    }
    for (int c = 0; c < 256; ++c) {
        for (const char m : modifiers) {
            switch (std::tolower(static_cast<unsigned char>(m))) {
            case 'a': set[c] = set[c] || std::isalpha(c); break;
            case 'd': set[c] = set[c] || std::isdigit(c); break;
            case 's': set[c] = set[c] || std::isspace(c); break;
            case 'p': set[c] = set[c] || std::ispunct(c); break;
            case 'l': set[c] = set[c] || std::islower(c); break;
            case 'u': set[c] = set[c] || std::isupper(c); break;
            case 'n': set[c] = set[c] || std::isalnum(c) || c == '_'; break;
            default: break;
            }
        }
    }
    return set;
}

bool has_modifier(std::string_view modifiers, char m)
{
    for (const char c : modifiers)
        if (std::tolower(static_cast<unsigned char>(c)) == m)
            return true;
    return false;
}

std::string_view trim_right(std::string_view s)
{
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

constexpr std::string_view word_delimiters = " !$%&()*+,-./;<^|";

// FIND: where `sub` starts in `s` (from 1), searching right from `start` or, when it is
// negative, left from -start; 0 when it is not there.
size_t find_from(std::string_view s, std::string_view sub, double start, bool fold)
{
    auto same = [&](size_t at) {
        for (size_t k = 0; k < sub.size(); ++k) {
            const auto a = static_cast<unsigned char>(s[at + k]), b = static_cast<unsigned char>(sub[k]);
            if (fold ? std::tolower(a) != std::tolower(b) : a != b)
                return false;
        }
        return true;
    };
    if (sub.empty() || sub.size() > s.size())
        return 0;
    const size_t last = s.size() - sub.size();
    if (start >= 0) {
        for (size_t at = start >= 1 ? static_cast<size_t>(start) - 1 : 0; at <= last; ++at)
            if (same(at))
                return at + 1;
        return 0;
    }
    const double from = -start - 1;
    for (size_t at = from < static_cast<double>(last) ? static_cast<size_t>(from) : last;; --at) {
        if (same(at))
            return at + 1;
        if (at == 0)
            return 0;
    }
}

} // namespace

double ExpressionSet::call_text_number(const Node &n, const Row &row) const
{
    Place &p = places_[static_cast<size_t>(n.place)];
    auto arg = [&](int k) { return args_[static_cast<size_t>(n.first + k)]; };
    auto invalid = [&](const char *name) {
        ++p.failed;
        event(std::string("Invalid argument to function ") + name + " at line " + std::to_string(p.line) + " column " +
              std::to_string(p.column) + ".");
        return missing_value();
    };
    switch (n.function) {
    case fn_find: {
        std::string_view s = text(arg(0), row), sub = text(arg(1), row), modifiers;
        double start = 1;
        for (int k = 2; k < n.count; ++k) {
            if (type(arg(k)) == VarType::Numeric)
                start = number(arg(k), row);
            else
                modifiers = text(arg(k), row);
        }
        if (is_missing(start) || start == 0)
            return invalid("FIND");
        if (has_modifier(modifiers, 't')) {
            s = trim_right(s);
            sub = trim_right(sub);
        }
        return static_cast<double>(find_from(s, sub, start, has_modifier(modifiers, 'i')));
    }
    case fn_countw: {
        const std::string_view s = text(arg(0), row);
        // The delimiters listed and those the modifiers name; neither: the default ones.
        const std::string_view chars = n.count > 1 ? text(arg(1), row) : std::string_view();
        const std::string_view modifiers = n.count > 2 ? trim_right(text(arg(2), row)) : std::string_view();
        const CharSet set = char_set(chars.empty() && modifiers.empty() ? word_delimiters : chars, modifiers);
        double words = 0;
        bool inside = false;
        for (const char c : s) {
            const bool delimiter = set[static_cast<unsigned char>(c)];
            if (!delimiter && !inside)
                ++words;
            inside = !delimiter;
        }
        return words;
    }
    case fn_inputn: {
        ValueFormat fmt;
        std::string error;
        double v = missing_value();
        const double w = n.count > 2 ? number(arg(2), row) : missing_value();
        const double d = n.count > 3 ? number(arg(3), row) : missing_value();
        if (!parse_format_text(trim_right(text(arg(1), row)), true, formats_, fmt, error) || fmt.character())
            return invalid("INPUTN");
        if (!is_missing(w) && w >= 1 && w <= 32767)
            fmt.width = static_cast<int>(w);
        if (!is_missing(d) && d >= 0 && d <= 31)
            fmt.decimals = static_cast<int>(d);
        if (!input_number(text(arg(0), row), fmt, v))
            return invalid("INPUTN");
        return v;
    }
    default: return missing_value();
    }
}

const std::string &ExpressionSet::call_text_more(const Node &n, const Row &row) const
{
    Place &p = places_[static_cast<size_t>(n.place)];
    auto arg = [&](int k) { return args_[static_cast<size_t>(n.first + k)]; };
    std::string &out = n.result;
    out.clear();
    switch (n.function) {
    case fn_compress: {
        const std::string_view s = text(arg(0), row);
        const std::string_view chars = n.count > 1 ? text(arg(1), row) : std::string_view();
        const std::string_view modifiers = n.count > 2 ? trim_right(text(arg(2), row)) : std::string_view();
        // Without characters or modifiers, the blanks go.
        const CharSet set = char_set(chars.empty() && modifiers.empty() ? std::string_view(" ") : chars, modifiers);
        const bool keep = has_modifier(modifiers, 'k');
        for (const char c : s)
            if (set[static_cast<unsigned char>(c)] == keep)
                out.push_back(c);
        break;
    }
    case fn_coalescec:
        for (int k = 0; k < n.count; ++k)
            if (const std::string &v = text(arg(k), row); v.find_first_not_of(' ') != std::string::npos) {
                out.assign(v);
                break;
            }
        break;
    case fn_tranwrd: {
        const std::string_view s = text(arg(0), row), target = text(arg(1), row), replacement = text(arg(2), row);
        if (target.empty()) {
            out.assign(s);
            break;
        }
        size_t at = 0;
        for (size_t found; (found = s.find(target, at)) != std::string_view::npos; at = found + target.size())
            out.append(s.substr(at, found - at)).append(replacement);
        out.append(s.substr(at));
        break;
    }
    case fn_propcase: {
        const std::string_view delimiters = n.count > 1 ? text(arg(1), row) : std::string_view(" /-(.\t");
        bool start = true;
        for (const char c : text(arg(0), row)) {
            const auto u = static_cast<unsigned char>(c);
            out.push_back(static_cast<char>(start ? std::toupper(u) : std::tolower(u)));
            start = delimiters.find(c) != std::string_view::npos;
        }
        break;
    }
    case fn_putn: {
        ValueFormat fmt;
        std::string error;
        const std::string_view name = trim_right(text(arg(1), row));
        const double w = n.count > 2 ? number(arg(2), row) : missing_value();
        const double d = n.count > 3 ? number(arg(3), row) : missing_value();
        if (!parse_format_text(name, false, formats_, fmt, error) || fmt.character()) {
            ++p.failed;
            event("Invalid argument to function PUTN at line " + std::to_string(p.line) + " column " +
                  std::to_string(p.column) + ".");
            break;
        }
        if (!is_missing(w) && w >= 1 && w <= 32)
            fmt.width = static_cast<int>(w);
        if (!is_missing(d) && d >= 0 && d <= 31)
            fmt.decimals = static_cast<int>(d);
        put_number(number(arg(0), row), fmt, out);
        break;
    }
    default: break;
    }
    if (out.size() > n.length)
        out.resize(n.length);
    return out;
}

} // namespace quill::host
