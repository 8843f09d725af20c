#include "base/number_text.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>

namespace quill::host {

NumberText read_number(std::string_view text, double &value)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    // from_chars also takes "inf" and "nan", which are not numbers in a data set.
    const size_t digits_at = !text.empty() && text.front() == '-' ? 1 : 0;
    if (text.size() <= digits_at)
        return NumberText::NotNumber;
    const char first = text[digits_at];
    if (!(first == '.' || (first >= '0' && first <= '9')))
        return NumberText::NotNumber;
    double parsed = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (end != text.data() + text.size() || (ec != std::errc() && ec != std::errc::result_out_of_range))
        return NumberText::NotNumber;
    if (ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone; strtod gives the nearest double or infinity.
        const std::string copy(text);
        parsed = std::strtod(copy.c_str(), nullptr);
    }
    if (!std::isfinite(parsed))
        return NumberText::OutOfRange;
    value = parsed;
    if (parsed == 0) {
        // Zero only when every digit before the exponent is.
        const std::string_view digits = text.substr(0, text.find_first_of("eE"));
        if (digits.find_first_of("123456789") != std::string_view::npos)
            return NumberText::Underflow;
    }
    return NumberText::Number;
}

size_t plain_number_length(std::string_view text)
{
    // -?(d+(.d*)?|.d+)([eE][+-]?d{1,4})? that is zero or whose leading digit stands at 10^-300 to
    // 10^300, taken greedily from the start.
    const char *p = text.data(), *const end = p + text.size();
    const auto digits_from = [end](const char *at) {
        // Eight bytes at a time: the high bit of each byte that is not a digit, exact up to the
        // first such byte (the carries and borrows of digit bytes stay inside them).
        while (end - at >= 8) {
            std::uint64_t bytes;
            std::memcpy(&bytes, at, sizeof bytes);
            const std::uint64_t high = 0x8080808080808080ULL;
            const std::uint64_t others =
                ((bytes - 0x3030303030303030ULL) | (bytes + 0x4646464646464646ULL) | bytes) & high;
            if (others != 0) {
                if constexpr (std::endian::native == std::endian::little)
                    return at + std::countr_zero(others) / 8;
                break;
            }
            at += 8;
        }
        while (at < end && static_cast<unsigned>(*at - '0') < 10)
            ++at;
        return at;
    };
    p += p < end && *p == '-';
    const char *const whole = p, *const whole_end = digits_from(p);
    const char *fraction = whole_end, *fraction_end = whole_end;
    if (fraction < end && *fraction == '.')
        fraction_end = digits_from(++fraction);
    p = fraction_end;
    if (whole == whole_end && fraction == fraction_end)
        return 0;
    long magnitude = 0; // of the leading nonzero digit
    bool nonzero = false;
    const char *lead = whole;
    while (lead < whole_end && *lead == '0')
        ++lead;
    if (lead < whole_end) {
        nonzero = true;
        magnitude = whole_end - lead - 1;
    } else {
        for (lead = fraction; lead < fraction_end && *lead == '0';)
            ++lead;
        nonzero = lead < fraction_end;
        magnitude = fraction - lead - 1;
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        const bool negative = p < end && *p == '-';
        p += p < end && (*p == '-' || *p == '+');
        const char *const exponent_end = digits_from(p);
        if (exponent_end == p || exponent_end - p > 4)
            return 0;
        long exponent = 0;
        for (; p < exponent_end; ++p)
            exponent = exponent * 10 + (*p - '0');
        magnitude += negative ? -exponent : exponent;
    }
    if (nonzero && (magnitude < -300 || magnitude > 300))
        return 0;
    return static_cast<size_t>(p - text.data());
}

NumberText number_kind(std::string_view text)
{
    if (!text.empty() && plain_number_length(text) == text.size())
        return NumberText::Number;
    double ignored;
    return read_number(text, ignored);
}

bool parse_number(std::string_view text, double &value)
{
    const NumberText kind = read_number(text, value);
    return kind == NumberText::Number || kind == NumberText::Underflow;
}

std::string storage_text(double value)
{
    if (std::isnan(value))
        return ".";
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string(".");
}

std::string best_text(double value, int width)
{
    if (std::isnan(value))
        return ".";
    if (value == 0)
        return "0";
    char buffer[64];
    if (std::fabs(value) < 1e15 && value == std::floor(value)) {
        std::snprintf(buffer, sizeof buffer, "%.0f", value);
        if (static_cast<int>(std::string_view(buffer).size()) <= width)
            return buffer;
    }
    // Fewer digits until the text fits; an exponent is written as SAS writes it (1.5E-7, 1E15).
    std::string text;
    for (int digits = width; digits >= 1; --digits) {
        std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
        text = buffer;
        if (const size_t e = text.find('e'); e != std::string::npos) {
            const bool negative = text[e + 1] == '-';
            size_t first = e + 2;
            while (first + 1 < text.size() && text[first] == '0')
                ++first;
            text = text.substr(0, e) + (negative ? "E-" : "E") + text.substr(first);
        }
        if (static_cast<int>(text.size()) <= width)
            break;
    }
    return text;
}

} // namespace quill::host
