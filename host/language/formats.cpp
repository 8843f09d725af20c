// Format names and what they stand for: the table of built-in formats and informats with their
// widths, the parsing of NAMEw.d, and the dispatch of writing and reading to the kind's code
// (number_formats.cpp, date_formats.cpp, format_catalog.cpp).
#include "language/formats.h"

#include <algorithm>
#include <cmath>

#include "base/names.h"
#include "base/number_text.h"
#include "data/table.h"
#include "language/format_catalog.h"

namespace quill::host {
namespace {

using Kind = ValueFormat::Kind;

// One built-in format or informat. A width range of 0 .. 0 means it is not one of that use.
struct Builtin {
    const char *name; // without the $ and the width; "" for w.d and $w.
    bool character;
    Kind kind;
    int out_default, out_min, out_max;
    int in_default, in_min, in_max;
    int max_decimals; // 0: no decimals
};

// ORDER: the kinds' rows, any order; names are matched whole.
constexpr Builtin builtins[] = {
    {"", false, Kind::Fixed, 12, 1, 32, 12, 1, 32, 31},
    {"F", false, Kind::Fixed, 12, 1, 32, 12, 1, 32, 31},
    {"BEST", false, Kind::Best, 12, 1, 32, 12, 1, 32, 0},
    {"COMMA", false, Kind::Comma, 6, 1, 32, 1, 1, 32, 31},
    {"DOLLAR", false, Kind::Dollar, 6, 2, 32, 1, 1, 32, 31},
    {"PERCENT", false, Kind::Percent, 6, 4, 32, 6, 1, 32, 31},
    {"E", false, Kind::Exponent, 12, 7, 32, 12, 7, 32, 31},
    {"Z", false, Kind::Zero, 1, 1, 32, 0, 0, 0, 31},
    {"", true, Kind::Text, 1, 1, 32767, 1, 1, 32767, 0},
    {"CHAR", true, Kind::CharText, 1, 1, 32767, 1, 1, 32767, 0},
    {"DATE", false, Kind::Date, 7, 5, 11, 7, 7, 32, 0},
    {"MMDDYY", false, Kind::Mmddyy, 8, 2, 10, 6, 6, 32, 0},
    {"YYMMDD", false, Kind::Yymmdd, 8, 2, 10, 6, 6, 32, 0},
    {"DDMMYY", false, Kind::Ddmmyy, 8, 2, 10, 6, 6, 32, 0},
    {"DATETIME", false, Kind::Datetime, 16, 7, 40, 18, 13, 40, 39},
    {"TIME", false, Kind::Time, 8, 2, 20, 8, 5, 32, 19},
    {"MONYY", false, Kind::Monyy, 5, 5, 7, 5, 5, 32, 0},
    {"YEAR", false, Kind::Year, 4, 2, 32, 0, 0, 0, 0},
    {"WORDDATE", false, Kind::Worddate, 18, 3, 32, 0, 0, 0, 0},
    {"ANYDTDTE", false, Kind::AnyDate, 0, 0, 0, 9, 5, 32, 0},
};

// MMDDYYxw., YYMMDDxw., DDMMYYxw.: the letter x names the separator.
constexpr std::pair<char, char> separator_letters[] = {{'B', ' '}, {'C', ':'}, {'D', '-'},
                                                       {'N', 0},   {'P', '.'}, {'S', '/'}};

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int to_int(std::string_view digits)
{
    long v = 0;
    for (char c : digits) {
        v = v * 10 + (c - '0');
        if (v > 1'000'000)
            return 1'000'000; // out of every range; its exact size does not matter
    }
    return static_cast<int>(v);
}

const Builtin *find_builtin(const std::string &name, bool character, char &separator)
{
    separator = 0;
    for (const Builtin &b : builtins)
        if (b.character == character && name == b.name)
            return &b;
    if (character || name.size() != 7)
        return nullptr;
    for (const auto &[letter, sep] : separator_letters)
        if (name[6] == letter)
            for (const Builtin &b : builtins)
                if ((b.kind == Kind::Mmddyy || b.kind == Kind::Yymmdd || b.kind == Kind::Ddmmyy) &&
                    name.compare(0, 6, b.name) == 0) {
                    separator = sep == 0 ? 'N' : sep;
                    return &b;
                }
    return nullptr;
}

const char *kind_name(Kind kind)
{
    for (const Builtin &b : builtins)
        if (b.kind == kind && (*b.name != 0 || b.character))
            return b.name;
    return "";
}

} // namespace

bool ValueFormat::character() const
{
    return kind == Kind::Text || kind == Kind::CharText || (kind == Kind::User && user && user->character);
}

std::string ValueFormat::name() const
{
    std::string text = character() ? "$" : "";
    if (kind == Kind::User)
        text += user ? user->name : "";
    else if (kind != Kind::Fixed)
        text += kind_name(kind);
    if (separator != 0 && (kind == Kind::Mmddyy || kind == Kind::Yymmdd || kind == Kind::Ddmmyy))
        for (const auto &[letter, sep] : separator_letters)
            if (separator == (sep == 0 ? 'N' : sep))
                text += letter;
    if (width_given)
        text += std::to_string(width);
    text += '.';
    if (decimals > 0)
        text += std::to_string(decimals);
    return text;
}

bool parse_format_text(std::string_view text, bool informat, const FormatCatalog *catalog, ValueFormat &fmt,
                       std::string &error)
{
    const std::string what = informat ? "informat" : "format";
    const bool character = !text.empty() && text.front() == '$';
    if (character)
        text.remove_prefix(1);
    const size_t dot = text.find('.');
    if (dot == std::string_view::npos || text.empty()) {
        error = "expected " + std::string(informat ? "an informat" : "a format");
        return false;
    }
    const std::string_view before = text.substr(0, dot), decimals = text.substr(dot + 1);
    size_t width_start = before.size();
    while (width_start > 0 && is_digit(before[width_start - 1]))
        --width_start;
    const std::string name = upper_case(before.substr(0, width_start));
    const std::string_view width = before.substr(width_start);
    const bool name_ok = name.empty() || is_valid_name(name);
    if (!name_ok || !std::all_of(decimals.begin(), decimals.end(), is_digit)) {
        error = "expected " + std::string(informat ? "an informat" : "a format");
        return false;
    }
    const std::string shown = (character ? "$" : "") + name;
    const std::string label = shown.empty() ? "F" : shown;
    auto invalid = [&](const char *part) {
        error = std::string(part) + " specified for " + what + " " + label + " is invalid";
        return false;
    };
    ValueFormat result;
    result.width_given = !width.empty();
    result.decimals = decimals.empty() ? 0 : to_int(decimals);
    char separator = 0;
    if (const Builtin *b = find_builtin(name, character, separator); b && (informat ? b->in_max : b->out_max) > 0) {
        const int lo = informat ? b->in_min : b->out_min, hi = informat ? b->in_max : b->out_max;
        result.kind = b->kind;
        result.separator = separator;
        result.width = width.empty() ? (informat ? b->in_default : b->out_default) : to_int(width);
        if (name.empty() && !character && width.empty())
            return invalid("Width");
        if (result.width < lo || result.width > hi)
            return invalid("Width");
        if (!decimals.empty() && (b->max_decimals == 0 || result.decimals > b->max_decimals ||
                                  (result.decimals > 0 && result.decimals >= result.width && !informat)))
            return invalid("Decimal");
        // $. takes the length of the value it writes.
        if (character && width.empty())
            result.width = 0;
    } else if (const auto user = catalog && !name.empty() ? catalog->find(name, character, informat) : nullptr) {
        result.kind = Kind::User;
        result.user = user;
        result.width = width.empty() ? user->default_width : to_int(width);
        if (result.width < 1 || result.width > 32767)
            return invalid("Width");
        if (!decimals.empty())
            return invalid("Decimal");
    } else {
        error = "The " + what + " " + shown + " was not found or could not be loaded";
        return false;
    }
    fmt = std::move(result);
    return true;
}

bool format_token_at(const std::vector<Token> &tokens, size_t pos, size_t end)
{
    if (pos < end && is_punct(tokens[pos], '$'))
        ++pos;
    if (pos >= end)
        return false;
    const Token &t = tokens[pos];
    return t.kind == TokenKind::Format ||
           (t.kind == TokenKind::Number && t.source.find_first_of("eE") == std::string::npos && is_digit(t.source[0]) &&
            t.source.find('.') != std::string::npos);
}

bool parse_value_format(const std::vector<Token> &tokens, size_t &pos, size_t end, bool informat,
                        const FormatCatalog *catalog, ValueFormat &fmt, std::string &error)
{
    const std::string expected = informat ? "expected an informat (w.d, BEST., DATE9., $w. ...)"
                                          : "expected a format (w.d, BEST., DATE9., $w. ...)";
    if (!format_token_at(tokens, pos, end)) {
        error = expected;
        return false;
    }
    const bool character = is_punct(tokens[pos], '$');
    const Token &t = tokens[pos + (character ? 1 : 0)];
    if (!parse_format_text((character ? "$" : "") + t.source, informat, catalog, fmt, error)) {
        if (error.rfind("expected", 0) == 0)
            error = expected;
        return false;
    }
    pos += character ? 2 : 1;
    return true;
}

void put_text(std::string_view text, const ValueFormat &fmt, std::string &out)
{
    if (fmt.kind == Kind::User) {
        put_user_text(text, fmt, out);
        return;
    }
    const size_t width = fmt.width > 0 ? static_cast<size_t>(fmt.width) : text.size();
    out.assign(text.substr(0, width));
    out.append(width - out.size(), ' ');
}

namespace {

std::string stripped(const std::string &text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

// COMMAw.d, DOLLARw.d and PERCENTw.d read numbers written with commas, blanks, a dollar sign
// and a percent sign (PERCENT divides by 100 when there is one), negative in parentheses.
bool input_grouped(std::string_view s, const ValueFormat &fmt, double &value)
{
    const bool negative = s.size() >= 2 && s.front() == '(' && s.back() == ')';
    if (negative)
        s = s.substr(1, s.size() - 2);
    std::string digits;
    bool percent = false;
    for (const char c : s) {
        if (c == '%')
            percent = true;
        else if (c != ',' && c != ' ' && c != '$')
            digits += c;
    }
    if (!parse_number(digits, value))
        return false;
    if (digits.find_first_of(".eE") == std::string::npos && fmt.decimals > 0)
        value /= std::pow(10.0, fmt.decimals);
    if (percent && fmt.kind == Kind::Percent)
        value /= 100;
    if (negative)
        value = -value;
    return true;
}

} // namespace

std::string shown_number(double value, const ValueFormat &fmt)
{
    std::string out;
    put_number(value, fmt, out);
    return stripped(out);
}

std::string shown_text(std::string_view text, const ValueFormat &fmt)
{
    std::string out;
    put_text(text, fmt, out);
    return stripped(out);
}

bool input_number(std::string_view text, const ValueFormat &fmt, double &value)
{
    const std::string_view field = fmt.width > 0 ? text.substr(0, static_cast<size_t>(fmt.width)) : text;
    const std::string_view s = trim(field);
    value = missing_value();
    if (fmt.kind == Kind::User)
        return input_user_number(field, fmt, value);
    if (s.empty() || s == ".")
        return true;
    bool ok = false;
    switch (fmt.kind) {
    case Kind::Comma:
    case Kind::Dollar:
    case Kind::Percent: ok = input_grouped(s, fmt, value); break;
    default:
        if (fmt.dated()) {
            ok = input_date_value(s, fmt, value);
            break;
        }
        ok = parse_number(s, value);
        if (ok && fmt.kind == Kind::Fixed && fmt.decimals > 0 && s.find_first_of(".eE") == std::string_view::npos)
            value /= std::pow(10.0, fmt.decimals);
        break;
    }
    if (!ok)
        value = missing_value();
    return ok;
}

bool input_text(std::string_view text, const ValueFormat &fmt, std::string &out)
{
    std::string_view s = fmt.width > 0 ? text.substr(0, static_cast<size_t>(fmt.width)) : text;
    if (fmt.kind == Kind::User)
        return input_user_text(s, fmt, out);
    if (fmt.kind != Kind::CharText)
        while (!s.empty() && s.front() == ' ')
            s.remove_prefix(1);
    out.assign(s);
    return true;
}

} // namespace quill::host
