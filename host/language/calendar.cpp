#include "language/calendar.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

namespace quill::host {
namespace {

// Days from 1 March of year 0 (Howard Hinnant's days_from_civil).
long days_from_epoch0(long y, int m, int d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
}

const long epoch_1960 = days_from_epoch0(1960, 1, 1);

long floor_div(long a, long b)
{
    const long q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Months since January 1960 of a date.
long month_index(long days)
{
    const CivilDate c = civil_from_days(days);
    return (c.year - 1960) * 12 + (c.month - 1);
}

long first_of_month(long months)
{
    return days_from_civil(1960 + floor_div(months, 12), static_cast<int>(months - 12 * floor_div(months, 12)) + 1, 1);
}

// How an interval divides the line of its values: months for the month units, else the value's
// own unit (days for dates, seconds for datetimes and times).
struct Grid {
    bool by_months = false;
    long span = 1;   // sub-units in one interval
    long origin = 0; // a sub-unit where an interval begins
};

Grid grid_of(const Interval &iv)
{
    Grid g;
    switch (iv.unit) {
    case Interval::Unit::Month: g.by_months = true; g.span = 1; break;
    case Interval::Unit::Qtr: g.by_months = true; g.span = 3; break;
    case Interval::Unit::Semiyear: g.by_months = true; g.span = 6; break;
    case Interval::Unit::Year: g.by_months = true; g.span = 12; break;
    case Interval::Unit::Day: g.span = 1; break;
    case Interval::Unit::Week: g.span = 7; g.origin = -5; break; // Sunday 27 December 1959
    case Interval::Unit::Hour: g.span = 3600; break;
    case Interval::Unit::Minute: g.span = 60; break;
    case Interval::Unit::Second: g.span = 1; break;
    }
    // The shift counts sub-units (months, days, hours ...) from 1.
    const long sub = iv.unit == Interval::Unit::Hour ? 3600 : iv.unit == Interval::Unit::Minute ? 60 : 1;
    g.origin += (iv.shift - 1) * sub;
    g.span *= iv.multiple;
    return g;
}

bool time_unit(const Interval &iv)
{
    return iv.unit == Interval::Unit::Hour || iv.unit == Interval::Unit::Minute || iv.unit == Interval::Unit::Second;
}

// The value on the interval's grid: a month index, a day, or a second.
long grid_position(const Interval &iv, const Grid &g, double value)
{
    if (time_unit(iv))
        return static_cast<long>(std::floor(value));
    const long days = static_cast<long>(std::floor(iv.datetime ? value / seconds_per_day : value));
    return g.by_months ? month_index(days) : days;
}

long interval_index(const Grid &g, long position) { return floor_div(position - g.origin, g.span); }

// The first value (date, datetime or second) of interval `index`.
double interval_begin(const Interval &iv, const Grid &g, long index)
{
    const long position = index * g.span + g.origin;
    if (time_unit(iv))
        return static_cast<double>(position);
    const long days = g.by_months ? first_of_month(position) : position;
    return iv.datetime ? static_cast<double>(days) * seconds_per_day : static_cast<double>(days);
}

// The value `index` intervals on at the same place within its interval as `start`.
double same_place(const Interval &iv, const Grid &g, double start, long index)
{
    const long from = interval_index(g, grid_position(iv, g, start));
    if (time_unit(iv) || !g.by_months)
        return interval_begin(iv, g, index) + (start - interval_begin(iv, g, from));
    const double day_seconds = iv.datetime ? start - std::floor(start / seconds_per_day) * seconds_per_day : 0;
    const long days = static_cast<long>(std::floor(iv.datetime ? start / seconds_per_day : start));
    const CivilDate c = civil_from_days(days);
    const long months = month_index(days) - (from * g.span + g.origin) + index * g.span + g.origin;
    const long year = 1960 + floor_div(months, 12);
    const int month = static_cast<int>(months - 12 * floor_div(months, 12)) + 1;
    const long target = days_from_civil(year, month, std::min(c.day, days_in_month(year, month)));
    return iv.datetime ? static_cast<double>(target) * seconds_per_day + day_seconds : static_cast<double>(target);
}

std::string upper_trimmed(std::string_view text)
{
    std::string s;
    for (char c : text)
        if (c != ' ')
            s += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool read_count(const std::string &s, size_t &pos, long &value)
{
    const size_t start = pos;
    value = 0;
    while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos])) && pos - start < 6)
        value = value * 10 + (s[pos++] - '0');
    return pos > start && value > 0;
}

// The day of a date in the 30/360 count: the last day of any month is the 30th.
int day_30_360(long days)
{
    const CivilDate c = civil_from_days(days);
    return c.day == days_in_month(c.year, c.month) ? 30 : c.day;
}

// The date `years` years after `from`, on its month and day (the 29th of February becomes the
// 28th in a common year).
long anniversary(const CivilDate &from, long years)
{
    const long year = from.year + years;
    return days_from_civil(year, from.month, std::min(from.day, days_in_month(year, from.month)));
}

double age_in_years(long from, long to)
{
    const CivilDate birth = civil_from_days(from);
    long years = civil_from_days(to).year - birth.year;
    if (anniversary(birth, years) > to)
        --years;
    const long last = anniversary(birth, years), next = anniversary(birth, years + 1);
    return static_cast<double>(years) + static_cast<double>(to - last) / static_cast<double>(next - last);
}

double actual_years(long from, long to)
{
    const long y1 = civil_from_days(from).year, y2 = civil_from_days(to).year;
    auto year_days = [](long y) { return leap_year(y) ? 366.0 : 365.0; };
    if (y1 == y2)
        return static_cast<double>(to - from) / year_days(y1);
    return static_cast<double>(days_from_civil(y1 + 1, 1, 1) - from) / year_days(y1) + static_cast<double>(y2 - y1 - 1) +
           static_cast<double>(to - days_from_civil(y2, 1, 1)) / year_days(y2);
}

} // namespace

bool leap_year(long year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(long year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leap_year(year) ? 29 : days[month - 1];
}

long days_from_civil(long year, int month, int day) { return days_from_epoch0(year, month, day) - epoch_1960; }

CivilDate civil_from_days(long days)
{
    // Howard Hinnant's civil_from_days.
    const long z = days + epoch_1960;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    CivilDate c;
    c.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    c.year = yoe + era * 400 + (c.month <= 2);
    return c;
}

bool date_of(long year, int month, int day, long &days)
{
    if (month < 1 || month > 12 || day < 1 || day > days_in_month(year, month) || year < -9999 || year > 99999)
        return false;
    days = days_from_civil(year, month, day);
    return true;
}

long full_year(long two_digits) { return two_digits < 26 ? 2000 + two_digits : 1900 + two_digits; }

int weekday_of(long days)
{
    const long since_sunday = days + 5; // 27 December 1959 was a Sunday
    return static_cast<int>(since_sunday - 7 * floor_div(since_sunday, 7)) + 1;
}

bool parse_interval(std::string_view text, Interval &interval)
{
    static constexpr std::pair<const char *, Interval::Unit> units[] = {
        {"DAY", Interval::Unit::Day},       {"WEEK", Interval::Unit::Week},         {"MONTH", Interval::Unit::Month},
        {"QTR", Interval::Unit::Qtr},       {"SEMIYEAR", Interval::Unit::Semiyear}, {"YEAR", Interval::Unit::Year},
        {"HOUR", Interval::Unit::Hour},     {"MINUTE", Interval::Unit::Minute},     {"SECOND", Interval::Unit::Second}};
    const std::string s = upper_trimmed(text);
    Interval iv;
    size_t pos = 0;
    if (s.rfind("DT", 0) == 0) {
        iv.datetime = true;
        pos = 2;
    }
    size_t name_end = pos;
    while (name_end < s.size() && std::isalpha(static_cast<unsigned char>(s[name_end])))
        ++name_end;
    const std::string name = s.substr(pos, name_end - pos);
    bool found = false;
    for (const auto &[word, unit] : units)
        if (name == word) {
            iv.unit = unit;
            found = true;
        }
    if (!found)
        return false;
    iv.datetime = iv.datetime || time_unit(iv);
    pos = name_end;
    if (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos])) && !read_count(s, pos, iv.multiple))
        return false;
    if (pos < s.size() && s[pos] == '.') {
        ++pos;
        if (!read_count(s, pos, iv.shift))
            return false;
    }
    // A shift names a sub-unit of one interval.
    const long subunits = iv.unit == Interval::Unit::Week ? 7 : iv.unit == Interval::Unit::Qtr ? 3 :
                          iv.unit == Interval::Unit::Semiyear ? 6 : iv.unit == Interval::Unit::Year ? 12 : 1;
    if (pos != s.size() || iv.shift > subunits * iv.multiple)
        return false;
    interval = iv;
    return true;
}

bool parse_alignment(std::string_view text, Alignment &alignment)
{
    const std::string s = upper_trimmed(text);
    if (s == "B" || s == "BEGINNING" || s == "BEGIN")
        alignment = Alignment::Begin;
    else if (s == "M" || s == "MIDDLE")
        alignment = Alignment::Middle;
    else if (s == "E" || s == "END")
        alignment = Alignment::End;
    else if (s == "S" || s == "SAME" || s == "SAMEDAY")
        alignment = Alignment::Same;
    else
        return false;
    return true;
}

double interval_count(const Interval &interval, double from, double to, bool continuous)
{
    const Grid g = grid_of(interval);
    const long a = interval_index(g, grid_position(interval, g, from));
    const long b = interval_index(g, grid_position(interval, g, to));
    long count = b - a;
    if (continuous) {
        // The whole intervals from `from`: the same place `count` intervals on must not pass `to`.
        if (count > 0 && same_place(interval, g, from, a + count) > to)
            --count;
        else if (count < 0 && same_place(interval, g, from, a + count) < to)
            ++count;
    }
    return static_cast<double>(count);
}

double interval_advance(const Interval &interval, double start, double n, Alignment alignment)
{
    const Grid g = grid_of(interval);
    if (std::fabs(n) > 1e7)
        return std::nan("");
    const long index = interval_index(g, grid_position(interval, g, start)) + static_cast<long>(n);
    const double begin = interval_begin(interval, g, index);
    // The last value of the interval: a day before the next one begins, or a second for datetimes.
    const double end = interval_begin(interval, g, index + 1) - 1;
    switch (alignment) {
    case Alignment::Begin: return begin;
    case Alignment::End: return end;
    case Alignment::Middle: return std::floor((begin + end) / 2);
    case Alignment::Same: return same_place(interval, g, start, index);
    }
    return begin;
}

bool parse_year_basis(std::string_view text, YearBasis &basis)
{
    const std::string s = upper_trimmed(text);
    if (s == "AGE")
        basis = YearBasis::Age;
    else if (s == "ACT/ACT" || s == "ACTUAL")
        basis = YearBasis::ActAct;
    else if (s == "30/360" || s == "360")
        basis = YearBasis::Thirty360;
    else if (s == "ACT/360")
        basis = YearBasis::Act360;
    else if (s == "ACT/365")
        basis = YearBasis::Act365;
    else
        return false;
    return true;
}

double year_difference(long from, long to, YearBasis basis)
{
    switch (basis) {
    case YearBasis::Act360: return static_cast<double>(to - from) / 360;
    case YearBasis::Act365: return static_cast<double>(to - from) / 365;
    case YearBasis::Thirty360: {
        const CivilDate a = civil_from_days(from), b = civil_from_days(to);
        const long days = 360 * (b.year - a.year) + 30 * (b.month - a.month) + (day_30_360(to) - day_30_360(from));
        return static_cast<double>(days) / 360;
    }
    case YearBasis::ActAct: return from <= to ? actual_years(from, to) : -actual_years(to, from);
    case YearBasis::Age: return from <= to ? age_in_years(from, to) : -age_in_years(to, from);
    }
    return 0;
}

} // namespace quill::host
