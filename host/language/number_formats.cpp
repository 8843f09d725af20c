// The numeric formats: w.d, BESTw., COMMAw.d, DOLLARw.d, PERCENTw.d, Ew.d and Zw.d. Each writes
// exactly w characters, right-aligned; a value that does not fit gives up decimals first, then
// its grouping, then is written as BESTw. writes it, and fills the width with * when even that
// is too wide. Halves round away from zero.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/number_text.h"
#include "data/table.h"
#include "language/format_catalog.h"
#include "language/formats.h"

namespace quill::host {
namespace {

using Kind = ValueFormat::Kind;

// The number with d decimals, halves away from zero (a rounding error short of a half counts as
// the half, as the ROUND function does).
std::string fixed_text(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    const double q = std::fabs(value) * scale;
    double r = std::floor(q);
    if (q - r >= 0.5 - half_tolerance(q))
        r += 1;
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, r == 0 ? 0.0 : std::copysign(r / scale, value));
    return buffer;
}

// `digits` (no sign) with a comma between each group of three before the decimal point.
std::string grouped(const std::string &digits)
{
    const size_t point = std::min(digits.find('.'), digits.size());
    std::string out;
    for (size_t i = 0; i < point; ++i) {
        if (i > 0 && (point - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    out.append(digits, point, std::string::npos);
    return out;
}

std::string right_aligned(const std::string &text, size_t width)
{
    if (text.size() > width)
        return std::string(width, '*');
    return std::string(width - text.size(), ' ') + text;
}

// w.d: fewer decimals until the number fits, then BESTw.
std::string fixed_in_width(double value, int width, int decimals)
{
    std::string text;
    if (std::fabs(value) < 1e32)
        for (int d = decimals; d >= 0 && (text.empty() || static_cast<int>(text.size()) > width); --d)
            text = fixed_text(value, d);
    if (text.empty() || static_cast<int>(text.size()) > width)
        text = best_text(value, width);
    return right_aligned(text, static_cast<size_t>(width));
}

// COMMAw.d and DOLLARw.d: -$1,234.50; without room, fewer decimals, then w.d.
std::string grouped_in_width(double value, const ValueFormat &fmt)
{
    const bool dollar = fmt.kind == Kind::Dollar;
    if (std::fabs(value) < 1e32)
        for (int d = fmt.decimals; d >= 0; --d) {
            const std::string digits = fixed_text(std::fabs(value), d);
            const bool negative = value < 0 && digits.find_first_not_of("0.") != std::string::npos;
            std::string text = negative ? "-" : "";
            text.append(dollar ? "$" : "").append(grouped(digits));
            if (static_cast<int>(text.size()) <= fmt.width)
                return right_aligned(text, static_cast<size_t>(fmt.width));
        }
    return fixed_in_width(value, fmt.width, fmt.decimals);
}

// PERCENTw.d: 100 times the value in w - 3 columns, then %, in parentheses when negative (a
// blank in their place otherwise).
std::string percent_in_width(double value, const ValueFormat &fmt)
{
    const double scaled = std::fabs(value) * 100;
    if (!std::isfinite(scaled))
        return std::string(static_cast<size_t>(fmt.width), '*');
    const std::string inner = fixed_in_width(scaled, fmt.width - 3, fmt.decimals);
    if (inner.find('*') != std::string::npos)
        return std::string(static_cast<size_t>(fmt.width), '*');
    return (value < 0 ? "(" : " ") + inner + (value < 0 ? "%)" : "% ");
}

// Ew.d: a sign column, one digit, w - 7 decimals (or d), E and a signed exponent of two digits
// or more.
std::string exponent_in_width(double value, const ValueFormat &fmt)
{
    int decimals = fmt.decimals > 0 ? fmt.decimals : fmt.width - 7;
    for (; decimals >= 0; --decimals) {
        // The mantissa rounded as w.d rounds, carried into the exponent at 10.
        int exponent = value == 0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(value))));
        std::string mantissa = fixed_text(std::fabs(value) / std::pow(10.0, exponent), decimals);
        if (mantissa.rfind("10", 0) == 0)
            mantissa = fixed_text(std::fabs(value) / std::pow(10.0, ++exponent), decimals);
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        const std::string text = std::string(value < 0 ? "-" : " ").append(mantissa).append(buffer);
        if (static_cast<int>(text.size()) <= fmt.width)
            return right_aligned(text, static_cast<size_t>(fmt.width));
    }
    return std::string(static_cast<size_t>(fmt.width), '*');
}

// Zw.d: w.d with leading zeros.
std::string zeros_in_width(double value, const ValueFormat &fmt)
{
    if (std::fabs(value) < 1e32) {
        const std::string digits = fixed_text(std::fabs(value), fmt.decimals);
        const bool negative = value < 0 && digits.find_first_not_of("0.") != std::string::npos;
        const size_t room = static_cast<size_t>(fmt.width) - (negative ? 1 : 0);
        if (digits.size() <= room)
            return std::string(negative ? "-" : "").append(room - digits.size(), '0').append(digits);
    }
    return fixed_in_width(value, fmt.width, fmt.decimals);
}

} // namespace

std::string best_in_width(double value, int width)
{
    return right_aligned(best_text(value, width), static_cast<size_t>(width));
}

void put_number(double value, const ValueFormat &fmt, std::string &out)
{
    if (fmt.kind == Kind::User) {
        put_user_number(value, fmt, out);
        return;
    }
    const int width = fmt.width > 0 ? fmt.width : 12;
    if (is_missing(value) || !std::isfinite(value)) {
        out = right_aligned(is_missing(value) ? "." : best_text(value, width), static_cast<size_t>(width));
        return;
    }
    switch (fmt.kind) {
    case Kind::Fixed: out = fixed_in_width(value, width, fmt.decimals); return;
    case Kind::Comma:
    case Kind::Dollar: out = grouped_in_width(value, fmt); return;
    case Kind::Percent: out = percent_in_width(value, fmt); return;
    case Kind::Exponent: out = exponent_in_width(value, fmt); return;
    case Kind::Zero: out = zeros_in_width(value, fmt); return;
    default:
        if (fmt.dated())
            put_date_value(value, fmt, out);
        else
            out = best_in_width(value, width);
        return;
    }
}

} // namespace quill::host
