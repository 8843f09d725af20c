#include "language/format_catalog.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/number_text.h"
#include "data/table.h"
#include "language/expression.h"

namespace quill::host {
namespace {

std::string_view trim_right(std::string_view s)
{
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

bool in_numeric_range(const FormatRange &r, double v, double fuzz)
{
    if (r.missing || is_missing(v))
        return r.missing && is_missing(v);
    if (r.low == r.high && !r.low_excluded && !r.high_excluded)
        return std::fabs(v - r.low) <= fuzz * std::max(1.0, std::fabs(r.low));
    const bool above = r.low_excluded ? v > r.low : v >= r.low;
    const bool below = r.high_excluded ? v < r.high : v <= r.high;
    return above && below;
}

bool in_text_range(const FormatRange &r, std::string_view text)
{
    const bool above = r.lowest || (r.low_excluded ? compare_text(text, r.low_text) > 0 : compare_text(text, r.low_text) >= 0);
    const bool below = r.highest || (r.high_excluded ? compare_text(text, r.high_text) < 0 : compare_text(text, r.high_text) <= 0);
    return above && below;
}

// The label in the format's width: cut, or padded with blanks on the right.
void label_in_width(std::string_view label, int width, std::string &out)
{
    const size_t w = static_cast<size_t>(std::max(width, 1));
    out.assign(label.substr(0, w));
    out.append(w - out.size(), ' ');
}

// A label given as [format.]: the value in that format, in the outer format's width.
void nested_number(double value, const FormatRange &r, int width, std::string &out)
{
    std::string inner;
    put_number(value, *r.nested, inner);
    label_in_width(inner, width, out);
}

std::string upper(std::string_view text)
{
    std::string s(text);
    for (char &c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The text an informat matches: its options applied.
std::string informat_text(std::string_view text, const UserFormat &f)
{
    std::string_view s = trim_right(text);
    if (f.just)
        while (!s.empty() && s.front() == ' ')
            s.remove_prefix(1);
    return f.upcase ? upper(s) : std::string(s);
}

} // namespace

const FormatRange *UserFormat::find(double value, bool with_other) const
{
    // The ranges are few and ordered; a linear walk is as fast as a search for them.
    for (const FormatRange &r : ranges)
        if (!r.text && in_numeric_range(r, value, fuzz))
            return &r;
    return has_other && with_other ? &other : nullptr;
}

const FormatRange *UserFormat::find(std::string_view text, bool with_other) const
{
    for (const FormatRange &r : ranges)
        if (r.text && in_text_range(r, text))
            return &r;
    return has_other && with_other ? &other : nullptr;
}

void FormatCatalog::define(std::shared_ptr<const UserFormat> format)
{
    const std::string key = std::string(format->informat ? "I" : "F") + (format->character ? "$" : "") + format->name;
    formats_[key] = std::move(format);
}

std::shared_ptr<const UserFormat> FormatCatalog::find(std::string_view name, bool character, bool informat) const
{
    const auto it = formats_.find(std::string(informat ? "I" : "F") + (character ? "$" : "") + upper(name));
    return it == formats_.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<const UserFormat>> FormatCatalog::all() const
{
    std::vector<std::shared_ptr<const UserFormat>> list;
    for (const auto &[key, format] : formats_)
        list.push_back(format);
    return list;
}

void put_user_number(double value, const ValueFormat &fmt, std::string &out)
{
    const UserFormat &f = *fmt.user;
    const FormatRange *r = f.find(value);
    if (!r) {
        out = best_in_width(value, fmt.width);
        return;
    }
    if (r->target == FormatRange::Target::Format)
        nested_number(value, *r, fmt.width, out);
    else
        label_in_width(r->label, fmt.width, out);
}

void put_user_text(std::string_view text, const ValueFormat &fmt, std::string &out)
{
    const UserFormat &f = *fmt.user;
    const FormatRange *r = f.find(text);
    if (!r) {
        label_in_width(text, fmt.width, out);
        return;
    }
    if (r->target == FormatRange::Target::Format) {
        std::string inner;
        put_text(text, *r->nested, inner);
        label_in_width(inner, fmt.width, out);
        return;
    }
    label_in_width(r->label, fmt.width, out);
}

bool input_user_number(std::string_view text, const ValueFormat &fmt, double &value)
{
    const UserFormat &f = *fmt.user;
    const std::string s = informat_text(text, f);
    const std::string_view trimmed = std::string_view(s).substr(std::min(s.size(), s.find_first_not_of(' ')));
    double number = missing_value();
    const bool is_number = trimmed.empty() || trimmed == "." || parse_number(trimmed, number);
    // Quoted ranges first, then numeric ones for text that is a number, then OTHER.
    const FormatRange *r = f.find(s, false);
    if (!r && is_number)
        r = f.find(number, false);
    if (!r && f.has_other)
        r = &f.other;
    value = missing_value();
    if (!r || r->target == FormatRange::Target::Same) {
        value = number;
        return is_number;
    }
    if (r->target == FormatRange::Target::Error)
        return false;
    value = r->number;
    return true;
}

bool input_user_text(std::string_view text, const ValueFormat &fmt, std::string &out)
{
    const UserFormat &f = *fmt.user;
    const std::string s = informat_text(text, f);
    const FormatRange *r = f.find(s);
    if (r && r->target == FormatRange::Target::Error)
        return false;
    if (!r || r->target == FormatRange::Target::Same) {
        const size_t first = s.find_first_not_of(' ');
        out = first == std::string::npos ? std::string() : s.substr(first);
        return true;
    }
    out = r->label;
    return true;
}

} // namespace quill::host
