// The calendar of SAS values: a date is days since 1 January 1960, a time seconds since
// midnight, a datetime seconds since 1 January 1960 at midnight (proleptic Gregorian calendar,
// no time zones, no leap seconds). The date functions' arithmetic: parts of a date, intervals
// counted and advanced (INTCK, INTNX) and differences in years (YRDIF).
#ifndef QUILL_HOST_LANGUAGE_CALENDAR_H
#define QUILL_HOST_LANGUAGE_CALENDAR_H

#include <string_view>

namespace quill::host {

constexpr double seconds_per_day = 86400;

struct CivilDate {
    long year = 1960;
    int month = 1; // 1 .. 12
    int day = 1;   // 1 .. 31
};

bool leap_year(long year);
int days_in_month(long year, int month);
// Days since 1 January 1960 of a civil date (any day, month and year in range).
long days_from_civil(long year, int month, int day);
CivilDate civil_from_days(long days);
// The date of a valid civil date; false for 31 April, 29 February 2023 and the like.
bool date_of(long year, int month, int day, long &days);
// A two-digit year as YEARCUTOFF=1926 reads it: 26 .. 99 are 1926 .. 1999, 0 .. 25 are 2000 .. 2025.
long full_year(long two_digits);
// 1 for Sunday .. 7 for Saturday.
int weekday_of(long days);

// An interval of INTCK and INTNX: a unit, how many of them make one interval (MONTH2) and the
// sub-unit where an interval starts (YEAR.7: years starting in July; WEEK.2: weeks starting on
// Monday). DT units and HOUR, MINUTE, SECOND (or DTHOUR ...) count datetimes (or times); the
// others dates.
struct Interval {
    enum class Unit : unsigned char { Day, Week, Month, Qtr, Semiyear, Year, Hour, Minute, Second };
    Unit unit = Unit::Day;
    bool datetime = false; // DTDAY .. DTYEAR, HOUR, MINUTE, SECOND: the values are datetimes
    long multiple = 1;
    long shift = 1;
};
// "month", "MONTH2", "year.7", "dtqtr", "week.2"; false for any other text.
bool parse_interval(std::string_view text, Interval &interval);

enum class Alignment : unsigned char { Begin, Middle, End, Same };
// 'b'/'beginning', 'm'/'middle', 'e'/'end', 's'/'same'/'sameday'; false for any other text.
bool parse_alignment(std::string_view text, Alignment &alignment);

// INTCK: the number of interval boundaries crossed from `from` to `to` (discrete), or the
// number of whole intervals between them counted from `from` (continuous, method 'C').
// The values must be finite.
double interval_count(const Interval &interval, double from, double to, bool continuous);
// INTNX: the interval `n` intervals after the one holding `start` (n truncated), at the
// alignment's point of it; Same keeps the place within the interval (a day past the end of a
// shorter month becomes its last day). Missing (NaN) when the result is out of range.
double interval_advance(const Interval &interval, double start, double n, Alignment alignment);

enum class YearBasis : unsigned char { Age, ActAct, Thirty360, Act360, Act365 };
// 'AGE', 'ACT/ACT' (or 'ACTUAL'), '30/360' (or '360'), 'ACT/360', 'ACT/365'; false otherwise.
bool parse_year_basis(std::string_view text, YearBasis &basis);
// YRDIF: the years from `from` to `to` (dates) under the basis.
double year_difference(long from, long to, YearBasis basis);

} // namespace quill::host

#endif
