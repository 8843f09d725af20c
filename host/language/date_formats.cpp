// Date, time and datetime formats and informats. Each format writes its widest form that fits
// in w (DATE9. 01JAN2024, DATE7. 01JAN24, DATE5. 01JAN), right-aligned. The informats read a
// date written with or without separators (- / . blank), month names in any case, and two-digit
// years as YEARCUTOFF=1926 reads them; ANYDTDTE reads any of the date forms, and datetimes.
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>

#include "data/table.h"
#include "language/calendar.h"
#include "language/formats.h"

namespace quill::host {
namespace {

using Kind = ValueFormat::Kind;

constexpr std::array<const char *, 12> month_names = {"January", "February", "March",     "April",   "May",      "June",
                                                      "July",    "August",   "September", "October", "November", "December"};

std::string two(long n)
{
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%02ld", n < 0 ? -n : n);
    return buffer;
}

std::string four(long year)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04ld", year);
    return buffer;
}

std::string month_abbreviation(int month, bool upper)
{
    std::string name(month_names[static_cast<size_t>(month - 1)], 3);
    if (upper)
        for (char &c : name)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

std::string right_aligned(const std::string &text, int width)
{
    const size_t w = static_cast<size_t>(width);
    return text.size() > w ? std::string(w, '*') : std::string(w - text.size(), ' ') + text;
}

// MMDDYY, YYMMDD and DDMMYY: the date's parts in the kind's order, with or without separators.
std::string numeric_date(const CivilDate &c, const ValueFormat &fmt)
{
    const char own = fmt.kind == Kind::Yymmdd ? '-' : '/';
    const char sep = fmt.separator == 0 ? own : fmt.separator;
    const std::string s = sep == 'N' ? std::string() : std::string(1, sep);
    const int w = fmt.width;
    // 10: four-digit year and separators; 8: two-digit year; 6: no separators; 5 and 4: two
    // parts with and without one; 2: one part. Without separators, 8 holds the four-digit year.
    const bool full_year = sep == 'N' ? w >= 8 : w >= 10;
    const std::string between = w >= 8 || w == 5 ? s : std::string();
    const std::string year = full_year ? four(c.year) : two(c.year % 100);
    const std::string m = two(c.month), d = two(c.day);
    const bool ymd = fmt.kind == Kind::Yymmdd;
    const std::string first = ymd ? year : fmt.kind == Kind::Ddmmyy ? d : m;
    const std::string second = ymd ? m : fmt.kind == Kind::Ddmmyy ? m : d, third = ymd ? d : year;
    if (w >= 6)
        return first + between + second + between + third;
    return w >= 4 ? first + between + second : first;
}

std::string date_text(long days, const ValueFormat &fmt)
{
    const CivilDate c = civil_from_days(days);
    const int w = fmt.width;
    switch (fmt.kind) {
    case Kind::Date:
        if (w >= 11)
            return two(c.day) + "-" + month_abbreviation(c.month, true) + "-" + four(c.year);
        return two(c.day) + month_abbreviation(c.month, true) + (w >= 9 ? four(c.year) : w >= 7 ? two(c.year % 100) : "");
    case Kind::Monyy: return month_abbreviation(c.month, true) + (w >= 7 ? four(c.year) : two(c.year % 100));
    case Kind::Year: return w >= 4 ? four(c.year) : two(c.year % 100);
    case Kind::Worddate: {
        const std::string day_year = std::string(" ") + std::to_string(c.day) + ", " + four(c.year);
        const std::string full = month_names[static_cast<size_t>(c.month - 1)] + day_year;
        if (static_cast<int>(full.size()) <= w)
            return full;
        const std::string shorter = month_abbreviation(c.month, false) + day_year;
        return static_cast<int>(shorter.size()) <= w ? shorter : month_abbreviation(c.month, false);
    }
    default: return numeric_date(c, fmt);
    }
}

// h:mm:ss with `parts` parts (1: h, 2: h:mm, 3: h:mm:ss) and `decimals` decimals of the seconds
// (cut, not rounded); hours are not padded.
std::string clock_text(double seconds, int parts, int decimals_wanted, bool pad_hours)
{
    // Digits past the ninth are zeros (a double holds no more of a day's seconds).
    const int decimals = std::min(decimals_wanted, 9);
    const bool negative = seconds < 0;
    seconds = std::fabs(seconds);
    const double scale = std::pow(10.0, decimals);
    const double ticks = std::floor(seconds * scale + 1e-7);
    const long whole = static_cast<long>(std::floor(ticks / scale));
    const long hours = whole / 3600, minutes = whole / 60 % 60, secs = whole % 60;
    std::string text = negative ? "-" : "";
    text += pad_hours ? two(hours) : std::to_string(hours);
    if (parts >= 2)
        text.append(":").append(two(minutes));
    if (parts >= 3) {
        text.append(":").append(two(secs));
        if (decimals > 0) {
            const long fraction = static_cast<long>(ticks - static_cast<double>(whole) * scale);
            char buffer[48];
            std::snprintf(buffer, sizeof buffer, ".%0*ld", decimals, fraction);
            text.append(buffer).append(static_cast<size_t>(decimals_wanted - decimals), '0');
        }
    }
    return text;
}

std::string datetime_text(double value, const ValueFormat &fmt)
{
    const double days = std::floor(value / seconds_per_day);
    const double clock = value - days * seconds_per_day;
    const CivilDate c = civil_from_days(static_cast<long>(days));
    const int decimals = fmt.decimals, room = fmt.width - (decimals > 0 ? decimals + 1 : 0);
    const std::string date = two(c.day) + month_abbreviation(c.month, true);
    if (room >= 19)
        return date + four(c.year) + ":" + clock_text(clock, 3, decimals, true);
    const std::string short_date = date + two(c.year % 100);
    if (room >= 16)
        return short_date + ":" + clock_text(clock, 3, decimals, true);
    const int parts = fmt.width >= 13 ? 2 : fmt.width >= 10 ? 1 : 0;
    return parts == 0 ? short_date : short_date + ":" + clock_text(clock, parts, 0, true);
}

std::string time_text(double value, const ValueFormat &fmt)
{
    const int room = fmt.width - (fmt.decimals > 0 ? fmt.decimals + 1 : 0);
    if (room >= 8 || (room >= 7 && value > -36000 && value < 36000))
        return clock_text(value, 3, fmt.decimals, false);
    return clock_text(value, fmt.width >= 5 ? 2 : 1, 0, false);
}

} // namespace

void put_date_value(double value, const ValueFormat &fmt, std::string &out)
{
    if (is_missing(value)) {
        out = right_aligned(".", fmt.width);
        return;
    }
    // Years 1582 .. 20000, as SAS keeps them; beyond, the field is stars.
    const double day = fmt.kind == Kind::Datetime ? value / seconds_per_day : value;
    if (fmt.kind != Kind::Time && !(day >= -138061 && day <= 6589335)) {
        out.assign(static_cast<size_t>(fmt.width), '*');
        return;
    }
    std::string text;
    if (fmt.kind == Kind::Datetime)
        text = datetime_text(value, fmt);
    else if (fmt.kind == Kind::Time)
        text = std::fabs(value) < 1e15 ? time_text(value, fmt) : std::string(static_cast<size_t>(fmt.width) + 1, '*');
    else
        text = date_text(static_cast<long>(std::floor(value)), fmt);
    out = right_aligned(text, fmt.width);
}

namespace {

// A cursor over the text an informat reads, upper-cased, blanks around it removed.
class DateReader {
public:
    explicit DateReader(std::string_view text)
    {
        for (const char c : text)
            s_ += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        while (!s_.empty() && s_.back() == ' ')
            s_.pop_back();
        while (pos_ < s_.size() && s_[pos_] == ' ')
            ++pos_;
    }
    bool done() const { return pos_ >= s_.size(); }
    size_t pos() const { return pos_; }
    void reset(size_t pos) { pos_ = pos; }
    bool digits(size_t min_count, size_t max_count, long &value, size_t *count = nullptr)
    {
        const size_t start = pos_;
        value = 0;
        while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_])) && pos_ - start < max_count)
            value = value * 10 + (s_[pos_++] - '0');
        if (count)
            *count = pos_ - start;
        return pos_ - start >= min_count;
    }
    // One of - / . blank : (any of `which`), skipped when there; true when one was.
    bool separator(const char *which = "-/. ")
    {
        if (pos_ < s_.size() && std::string_view(which).find(s_[pos_]) != std::string_view::npos) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool word(const char *w)
    {
        const std::string_view v(w);
        if (s_.compare(pos_, v.size(), v) != 0)
            return false;
        pos_ += v.size();
        return true;
    }
    // JAN .. DEC, or the month's full name.
    bool month(int &m)
    {
        for (int k = 12; k >= 1; --k) {
            std::string full = month_names[static_cast<size_t>(k - 1)];
            for (char &c : full)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (word(full.c_str()) || word(full.substr(0, 3).c_str())) {
                m = k;
                return true;
            }
        }
        return false;
    }
    // A year of two or four digits.
    bool year(long &y)
    {
        size_t count = 0;
        if (!digits(2, 4, y, &count) || count == 3)
            return false;
        if (count == 2)
            y = full_year(y);
        return true;
    }

private:
    std::string s_;
    size_t pos_ = 0;
};

bool make_date(long y, long m, long d, double &value)
{
    long days = 0;
    if (!date_of(y, static_cast<int>(m), static_cast<int>(d), days))
        return false;
    value = static_cast<double>(days);
    return true;
}

// ddMONyy(yy), with or without separators.
bool read_date_words(DateReader &r, double &value)
{
    long d = 0, y = 0;
    int m = 0;
    if (!r.digits(1, 2, d))
        return false;
    r.separator();
    if (!r.month(m))
        return false;
    r.separator();
    return r.year(y) && make_date(y, m, d, value);
}

// MONyy(yy): the first day of the month.
bool read_month_year(DateReader &r, double &value)
{
    long y = 0;
    int m = 0;
    if (!r.month(m))
        return false;
    r.separator();
    return r.year(y) && make_date(y, m, 1, value);
}

// Month d, yyyy (as WORDDATE writes it).
bool read_word_date(DateReader &r, double &value)
{
    long d = 0, y = 0;
    int m = 0;
    if (!r.month(m))
        return false;
    r.separator(" .");
    if (!r.digits(1, 2, d))
        return false;
    r.separator(",");
    r.separator(" ");
    return r.year(y) && make_date(y, m, d, value);
}

// Three numbers in the kind's order, with separators, or packed digits (mmddyy, yyyymmdd).
bool read_numeric_date(DateReader &r, Kind kind, double &value)
{
    const size_t start = r.pos();
    long a = 0, b = 0, y = 0;
    size_t count = 0;
    if (kind == Kind::Yymmdd) {
        if (r.digits(2, 4, y, &count) && count != 3 && r.separator() && r.digits(1, 2, a) && r.separator() &&
            r.digits(1, 2, b))
            return make_date(count == 2 ? full_year(y) : y, a, b, value);
        r.reset(start);
        if (!r.digits(6, 8, y, &count) || count == 7)
            return false;
        const long year = count == 8 ? y / 10000 : full_year(y / 10000);
        return make_date(year, y / 100 % 100, y % 100, value);
    }
    const bool day_first = kind == Kind::Ddmmyy;
    if (r.digits(1, 2, a) && r.separator() && r.digits(1, 2, b) && r.separator() && r.year(y))
        return day_first ? make_date(y, b, a, value) : make_date(y, a, b, value);
    r.reset(start);
    if (!r.digits(6, 8, y, &count) || count == 7)
        return false;
    const long first = count == 8 ? y / 1000000 : y / 10000, second = count == 8 ? y / 10000 % 100 : y / 100 % 100;
    const long year = count == 8 ? y % 10000 : full_year(y % 100);
    return day_first ? make_date(year, second, first, value) : make_date(year, first, second, value);
}

// h:mm(:ss(.ss)) with AM or PM after it.
bool read_clock(DateReader &r, double &seconds)
{
    long h = 0, m = 0;
    if (!r.digits(1, 2, h) || !r.separator(":") || !r.digits(1, 2, m) || m > 59)
        return false;
    double s = 0;
    if (r.separator(":")) {
        long whole = 0;
        if (!r.digits(1, 2, whole) || whole > 59)
            return false;
        s = static_cast<double>(whole);
        if (r.separator(".")) {
            size_t count = 0;
            long fraction = 0;
            r.digits(0, 9, fraction, &count);
            s += static_cast<double>(fraction) / std::pow(10.0, static_cast<double>(count));
        }
    }
    r.separator(" ");
    if (r.word("PM") && h < 12)
        h += 12;
    else if (r.word("AM") && h == 12)
        h = 0;
    seconds = static_cast<double>(h * 3600 + m * 60) + s;
    return true;
}

// A date as DATE, DATETIME's date part or ISO 8601 writes it, a time after it (: or blank, or T).
bool read_datetime(DateReader &r, double &value)
{
    double days = 0, clock = 0;
    const size_t start = r.pos();
    if (!read_date_words(r, days)) {
        r.reset(start);
        if (!read_numeric_date(r, Kind::Yymmdd, days))
            return false;
    }
    if (!r.done()) {
        r.separator(": T");
        if (!read_clock(r, clock))
            return false;
    }
    value = days * seconds_per_day + clock;
    return true;
}

bool read_any_date(DateReader &r, double &value)
{
    const size_t start = r.pos();
    const auto attempt = [&](auto read) {
        r.reset(start);
        return read() && r.done();
    };
    double datetime = 0;
    if (attempt([&] { return read_date_words(r, value); }) || attempt([&] { return read_month_year(r, value); }) ||
        attempt([&] { return read_word_date(r, value); }) ||
        // Month first, as DATESTYLE=MDY reads 10/11/12; a day over 12 first is read day first.
        attempt([&] { return read_numeric_date(r, Kind::Mmddyy, value); }) ||
        attempt([&] { return read_numeric_date(r, Kind::Ddmmyy, value); }) ||
        attempt([&] { return read_numeric_date(r, Kind::Yymmdd, value); }))
        return true;
    if (attempt([&] { return read_datetime(r, datetime); })) {
        value = std::floor(datetime / seconds_per_day);
        return true;
    }
    return false;
}

} // namespace

bool input_date_value(std::string_view text, const ValueFormat &fmt, double &value)
{
    DateReader r(text);
    bool ok = false;
    switch (fmt.kind) {
    case Kind::Date: ok = read_date_words(r, value); break;
    case Kind::Monyy: ok = read_month_year(r, value); break;
    case Kind::Mmddyy:
    case Kind::Yymmdd:
    case Kind::Ddmmyy: ok = read_numeric_date(r, fmt.kind, value); break;
    case Kind::Datetime: ok = read_datetime(r, value); break;
    case Kind::Time: {
        const bool negative = r.separator("-");
        ok = read_clock(r, value);
        if (negative)
            value = -value;
        break;
    }
    case Kind::AnyDate: ok = read_any_date(r, value); break;
    default: break;
    }
    return ok && r.done();
}

} // namespace quill::host
