#include "language/formats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/names.h"
#include "base/number_text.h"
#include "data/table.h"

namespace quill::host {
namespace {

constexpr int max_number_width = 32;
constexpr int max_text_width = 32767;

bool all_digits(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

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

std::string_view trim(std::string_view s)
{
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

// The number with d decimals, halves away from zero (a rounding error short of a half counts as
// the half, as the ROUND function does).
std::string fixed_text(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    const double q = std::fabs(value) * scale;
    double r = std::floor(q);
    if (q - r >= 0.5 - 1e-12 * std::max(1.0, q))
        r += 1;
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, r == 0 ? 0.0 : std::copysign(r / scale, value));
    return buffer;
}

} // namespace

bool parse_value_format(const std::vector<Token> &tokens, size_t &pos, size_t end, bool informat, ValueFormat &fmt,
                       std::string &error)
{
    const std::string what = informat ? "informat" : "format";
    const std::string article = informat ? "an informat" : "a format";
    auto invalid = [&](const char *part, const std::string &name) {
        error = std::string(part) + " specified for " + what + " " + name + " is invalid";
        return false;
    };
    if (pos >= end) {
        error = "expected " + article;
        return false;
    }
    const bool character = is_punct(tokens[pos], '$');
    const size_t at = pos + (character ? 1 : 0);
    if (at >= end) {
        error = "expected " + article;
        return false;
    }
    const Token &t = tokens[at];
    std::string name, width, decimals;
    bool dotted = false;
    if (t.kind == TokenKind::Number || t.kind == TokenKind::Format) {
        const std::string &s = t.source;
        size_t i = 0;
        while (i < s.size() && !(s[i] >= '0' && s[i] <= '9') && s[i] != '.')
            ++i;
        name = upper_case(s.substr(0, i));
        const size_t dot = s.find('.', i);
        dotted = dot != std::string::npos;
        width = s.substr(i, dotted ? dot - i : std::string::npos);
        decimals = dotted ? s.substr(dot + 1) : "";
    }
    if (!dotted || !all_digits(width) || !all_digits(decimals)) {
        error = "expected " + article + " (w., w.d, BEST., BESTw. or $w.)";
        return false;
    }
    const std::string shown = (character ? "$" : "") + name;
    if (character ? !name.empty() : !(name.empty() || name == "F" || name == "BEST")) {
        error = "The " + what + " " + shown + " was not found or could not be loaded";
        return false;
    }
    const std::string label = shown.empty() ? "F" : shown;
    if (character) {
        fmt.kind = ValueFormat::Kind::Text;
        fmt.width = width.empty() ? 0 : to_int(width);
        if (fmt.width < 1 || fmt.width > max_text_width)
            return invalid("Width", label);
        if (!decimals.empty())
            return invalid("Decimal", label);
    } else if (name == "BEST") {
        fmt.kind = ValueFormat::Kind::Best;
        fmt.width = width.empty() ? 12 : to_int(width);
        if (fmt.width < 1 || fmt.width > max_number_width)
            return invalid("Width", label);
        if (!decimals.empty())
            return invalid("Decimal", label);
    } else {
        fmt.kind = ValueFormat::Kind::Fixed;
        fmt.width = width.empty() ? 0 : to_int(width);
        fmt.decimals = decimals.empty() ? 0 : to_int(decimals);
        if (fmt.width < 1 || fmt.width > max_number_width)
            return invalid("Width", label);
        if (fmt.decimals > 31 || (fmt.decimals > 0 && fmt.decimals >= fmt.width && !informat))
            return invalid("Decimal", label);
    }
    pos = at + 1;
    return true;
}

void put_number(double value, const ValueFormat &fmt, std::string &out)
{
    const size_t width = static_cast<size_t>(fmt.width);
    std::string text;
    if (is_missing(value)) {
        text = ".";
    } else if (fmt.kind == ValueFormat::Kind::Fixed && std::fabs(value) < 1e32) {
        for (int d = fmt.decimals; d >= 0 && (text.empty() || text.size() > width); --d)
            text = fixed_text(value, d);
    }
    if (text.empty() || text.size() > width)
        text = best_text(value, fmt.width);
    if (text.size() > width)
        text.assign(width, '*');
    out.assign(width - text.size(), ' ');
    out.append(text);
}

void put_text(std::string_view text, const ValueFormat &fmt, std::string &out)
{
    const size_t width = static_cast<size_t>(fmt.width);
    out.assign(text.substr(0, width));
    out.append(width - out.size(), ' ');
}

bool input_number(std::string_view text, const ValueFormat &fmt, double &value)
{
    const std::string_view s = trim(text.substr(0, static_cast<size_t>(fmt.width)));
    value = missing_value();
    if (s.empty() || s == ".")
        return true;
    if (!parse_number(s, value)) {
        value = missing_value();
        return false;
    }
    if (fmt.kind == ValueFormat::Kind::Fixed && fmt.decimals > 0 && s.find_first_of(".eE") == std::string_view::npos)
        value /= std::pow(10.0, fmt.decimals);
    return true;
}

void input_text(std::string_view text, const ValueFormat &fmt, std::string &out)
{
    std::string_view s = text.substr(0, static_cast<size_t>(fmt.width));
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    out.assign(s);
}

} // namespace quill::host
