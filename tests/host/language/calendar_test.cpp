// Expected values from calendar_expected.py (Python's datetime), kept beside this file.
#include "language/calendar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace quill::host {
namespace {

TEST(Calendar, CivilDatesAndWeekdaysAgainstKnownCalendars)
{
    struct Case {
        long year;
        int month, day;
        long days;
        int weekday;
    };
    const Case cases[] = {
        {1960, 1, 1, 0, 6},
        {1959, 12, 31, -1, 5},
        {2000, 2, 29, 14669, 3},
        {2024, 1, 15, 23390, 2},
        {1900, 3, 1, -21855, 5},
        {2100, 12, 31, 51499, 6},
        {1582, 10, 15, -137774, 6},
        {2024, 12, 31, 23741, 3},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(days_from_civil(c.year, c.month, c.day), c.days) << c.year << "-" << c.month << "-" << c.day;
        const CivilDate back = civil_from_days(c.days);
        EXPECT_EQ(back.year, c.year);
        EXPECT_EQ(back.month, c.month);
        EXPECT_EQ(back.day, c.day);
        EXPECT_EQ(weekday_of(c.days), c.weekday) << c.days;
    }
    // Every day from 1582 to 2200 goes there and back.
    for (long d = -137774; d <= 87000; ++d) {
        const CivilDate c = civil_from_days(d);
        ASSERT_EQ(days_from_civil(c.year, c.month, c.day), d);
    }
    long days = 0;
    EXPECT_FALSE(date_of(2023, 2, 29, days));
    EXPECT_FALSE(date_of(2024, 4, 31, days));
    EXPECT_FALSE(date_of(2024, 13, 1, days));
    EXPECT_TRUE(date_of(2000, 2, 29, days));
    EXPECT_FALSE(date_of(1900, 2, 29, days));
    EXPECT_EQ(full_year(25), 2025);
    EXPECT_EQ(full_year(26), 1926);
}

Interval interval(const char *text)
{
    Interval iv;
    EXPECT_TRUE(parse_interval(text, iv)) << text;
    return iv;
}

TEST(Calendar, IntervalsCountedDiscreteAndContinuous)
{
    struct Case {
        const char *unit;
        long from, to;
        double discrete, continuous;
    };
    const Case cases[] = {
        {"day", 23406, 23435, 29, 29},
        {"day", 23390, 23449, 59, 59},
        {"day", 23375, 23376, 1, 1},
        {"day", 23445, 23319, -126, -126},
        {"day", 21730, 23556, 1826, 1826},
        {"day", 23376, 23382, 6, 6},
        {"day", 23381, 23383, 2, 2},
        {"week", 23406, 23435, 4, 4},
        {"week", 23390, 23449, 8, 8},
        {"week", 23375, 23376, 0, 0},
        {"week", 23445, 23319, -18, -18},
        {"week", 21730, 23556, 260, 260},
        {"week", 23376, 23382, 1, 0},
        {"week", 23381, 23383, 1, 0},
        {"month", 23406, 23435, 1, 1},
        {"month", 23390, 23449, 2, 1},
        {"month", 23375, 23376, 1, 0},
        {"month", 23445, 23319, -4, -4},
        {"month", 21730, 23556, 60, 59},
        {"month", 23376, 23382, 0, 0},
        {"month", 23381, 23383, 0, 0},
        {"qtr", 23406, 23435, 0, 0},
        {"qtr", 23390, 23449, 0, 0},
        {"qtr", 23375, 23376, 1, 0},
        {"qtr", 23445, 23319, -1, -1},
        {"qtr", 21730, 23556, 20, 19},
        {"qtr", 23376, 23382, 0, 0},
        {"qtr", 23381, 23383, 0, 0},
        {"year", 23406, 23435, 0, 0},
        {"year", 23390, 23449, 0, 0},
        {"year", 23375, 23376, 1, 0},
        {"year", 23445, 23319, -1, 0},
        {"year", 21730, 23556, 5, 4},
        {"year", 23376, 23382, 0, 0},
        {"year", 23381, 23383, 0, 0},
    };
    for (const Case &c : cases) {
        const Interval iv = interval(c.unit);
        EXPECT_EQ(interval_count(iv, c.from, c.to, false), c.discrete) << c.unit << " " << c.from << " " << c.to;
        EXPECT_EQ(interval_count(iv, c.from, c.to, true), c.continuous) << c.unit << " " << c.from << " " << c.to << " C";
        // The DT intervals count the same days as datetimes, whatever the time of day.
        const Interval dt = interval((std::string("dt") + c.unit).c_str());
        EXPECT_EQ(interval_count(dt, c.from * 86400.0 + 3600, c.to * 86400.0 + 7200, false), c.discrete) << c.unit;
    }
}

TEST(Calendar, IntervalsAdvancedWithEachAlignment)
{
    struct Case {
        const char *unit;
        long start, n;
        char alignment;
        long result;
    };
    const Case cases[] = {
        {"day", 23406, 1, 'b', 23407},
        {"day", 23406, 1, 'm', 23407},
        {"day", 23406, 1, 'e', 23407},
        {"day", 23406, 1, 's', 23407},
        {"day", 23511, -2, 'b', 23509},
        {"day", 23511, -2, 'm', 23509},
        {"day", 23511, -2, 'e', 23509},
        {"day", 23511, -2, 's', 23509},
        {"day", 23435, 12, 'b', 23447},
        {"day", 23435, 12, 'm', 23447},
        {"day", 23435, 12, 'e', 23447},
        {"day", 23435, 12, 's', 23447},
        {"day", 23344, 3, 'b', 23347},
        {"day", 23344, 3, 'm', 23347},
        {"day", 23344, 3, 'e', 23347},
        {"day", 23344, 3, 's', 23347},
        {"week", 23406, 1, 'b', 23410},
        {"week", 23406, 1, 'm', 23413},
        {"week", 23406, 1, 'e', 23416},
        {"week", 23406, 1, 's', 23413},
        {"week", 23511, -2, 'b', 23494},
        {"week", 23511, -2, 'm', 23497},
        {"week", 23511, -2, 'e', 23500},
        {"week", 23511, -2, 's', 23497},
        {"week", 23435, 12, 'b', 23515},
        {"week", 23435, 12, 'm', 23518},
        {"week", 23435, 12, 'e', 23521},
        {"week", 23435, 12, 's', 23519},
        {"week", 23344, 3, 'b', 23361},
        {"week", 23344, 3, 'm', 23364},
        {"week", 23344, 3, 'e', 23367},
        {"week", 23344, 3, 's', 23365},
        {"month", 23406, 1, 'b', 23407},
        {"month", 23406, 1, 'm', 23421},
        {"month", 23406, 1, 'e', 23435},
        {"month", 23406, 1, 's', 23435},
        {"month", 23511, -2, 'b', 23436},
        {"month", 23511, -2, 'm', 23451},
        {"month", 23511, -2, 'e', 23466},
        {"month", 23511, -2, 's', 23450},
        {"month", 23435, 12, 'b', 23773},
        {"month", 23435, 12, 'm', 23786},
        {"month", 23435, 12, 'e', 23800},
        {"month", 23435, 12, 's', 23800},
        {"month", 23344, 3, 'b', 23407},
        {"month", 23344, 3, 'm', 23421},
        {"month", 23344, 3, 'e', 23435},
        {"month", 23344, 3, 's', 23435},
        {"qtr", 23406, 1, 'b', 23467},
        {"qtr", 23406, 1, 'm', 23512},
        {"qtr", 23406, 1, 'e', 23557},
        {"qtr", 23406, 1, 's', 23496},
        {"qtr", 23511, -2, 'b', 23284},
        {"qtr", 23511, -2, 'm', 23329},
        {"qtr", 23511, -2, 'e', 23375},
        {"qtr", 23511, -2, 's', 23329},
        {"qtr", 23435, 12, 'b', 24472},
        {"qtr", 23435, 12, 'm', 24516},
        {"qtr", 23435, 12, 'e', 24561},
        {"qtr", 23435, 12, 's', 24530},
        {"qtr", 23344, 3, 'b', 23558},
        {"qtr", 23344, 3, 'm', 23603},
        {"qtr", 23344, 3, 'e', 23649},
        {"qtr", 23344, 3, 's', 23618},
        {"year", 23406, 1, 'b', 23742},
        {"year", 23406, 1, 'm', 23924},
        {"year", 23406, 1, 'e', 24106},
        {"year", 23406, 1, 's', 23772},
        {"year", 23511, -2, 'b', 22646},
        {"year", 23511, -2, 'm', 22828},
        {"year", 23511, -2, 'e', 23010},
        {"year", 23511, -2, 's', 22780},
        {"year", 23435, 12, 'b', 27759},
        {"year", 23435, 12, 'm', 27941},
        {"year", 23435, 12, 'e', 28124},
        {"year", 23435, 12, 's', 27818},
        {"year", 23344, 3, 'b', 24107},
        {"year", 23344, 3, 'm', 24289},
        {"year", 23344, 3, 'e', 24471},
        {"year", 23344, 3, 's', 24440},
    };
    for (const Case &c : cases) {
        Alignment a;
        ASSERT_TRUE(parse_alignment(std::string(1, c.alignment), a));
        EXPECT_EQ(interval_advance(interval(c.unit), c.start, c.n, a), c.result)
            << c.unit << " " << c.start << " " << c.n << " " << c.alignment;
        const double dt = interval_advance(interval((std::string("dt") + c.unit).c_str()), c.start * 86400.0 + 3600,
                                           c.n, a);
        // A datetime keeps its time of day with 'same', ends at 23:59:59 with 'end'.
        const double day_seconds = c.alignment == 's' ? 3600 : c.alignment == 'e' ? 86399 : 0;
        if (c.alignment != 'm') {
            EXPECT_EQ(dt, c.result * 86400.0 + day_seconds) << c.unit << " " << c.alignment;
        }
    }
}

TEST(Calendar, YearDifferencesUnderEachBasis)
{
    struct Case {
        long from, to;
        const char *basis;
        double years;
    };
    const Case cases[] = {
        {14168, 18309, "AGE", 11.3369863013699},
        {14168, 18309, "ACT/ACT", 11.3369863013691},
        {14168, 18309, "30/360", 11.3333333333333},
        {14168, 18309, "ACT/360", 11.5027777777778},
        {14168, 18309, "ACT/365", 11.3452054794521},
        {14669, 23434, "AGE", 23.9972677595628},
        {14669, 23434, "ACT/ACT", 23.997267759559},
        {14669, 23434, "30/360", 23.9944444444444},
        {14669, 23434, "ACT/360", 24.3472222222222},
        {14669, 23434, "ACT/365", 24.013698630137},
        {0, 23390, "AGE", 64.0382513661202},
        {0, 23390, "ACT/ACT", 64.038251366148},
        {0, 23390, "30/360", 64.0388888888889},
        {0, 23390, "ACT/360", 64.9722222222222},
        {0, 23390, "ACT/365", 64.0821917808219},
        {23375, 23436, "AGE", 0.166666666666667},
        {23375, 23436, "ACT/ACT", 0.166674152256906},
        {23375, 23436, "30/360", 0.169444444444444},
        {23375, 23436, "ACT/360", 0.169444444444444},
        {23375, 23436, "ACT/365", 0.167123287671233},
    };
    for (const Case &c : cases) {
        YearBasis basis;
        ASSERT_TRUE(parse_year_basis(c.basis, basis));
        EXPECT_NEAR(year_difference(c.from, c.to, basis), c.years, 1e-9) << c.from << " " << c.to << " " << c.basis;
        EXPECT_NEAR(year_difference(c.to, c.from, basis), -c.years, 1e-9) << c.basis;
    }
}

TEST(Calendar, IntervalNamesMultiplesAndShifts)
{
    for (const char *bad : {"months", "dtdays", "year13.", "year.13", "qtr.4", "", "week.8", "month0"}) {
        Interval iv;
        EXPECT_FALSE(parse_interval(bad, iv)) << bad;
    }
    // Fiscal years from July: 30 June 2024 and 1 July 2024 are in two of them.
    const Interval fiscal = interval("YEAR.7");
    EXPECT_EQ(interval_count(fiscal, days_from_civil(2024, 6, 30), days_from_civil(2024, 7, 1), false), 1);
    EXPECT_EQ(interval_advance(fiscal, days_from_civil(2024, 3, 1), 0, Alignment::Begin), days_from_civil(2023, 7, 1));
    EXPECT_EQ(interval_advance(fiscal, days_from_civil(2024, 3, 1), 0, Alignment::End), days_from_civil(2024, 6, 30));
    // Two-month intervals from January 1960; weeks from Monday.
    EXPECT_EQ(interval_advance(interval("month2"), days_from_civil(2024, 4, 20), 1, Alignment::Begin),
              days_from_civil(2024, 5, 1));
    EXPECT_EQ(interval_advance(interval("week.2"), days_from_civil(2024, 1, 14), 0, Alignment::Begin),
              days_from_civil(2024, 1, 8));
    // Hours of a datetime, and of a time.
    EXPECT_EQ(interval_count(interval("hour"), 3599, 3600, false), 1);
    EXPECT_EQ(interval_advance(interval("hour"), 5000, 2, Alignment::Begin), 3600 * 3);
    EXPECT_EQ(interval_advance(interval("minute"), 125, 0, Alignment::End), 179);
}

} // namespace
} // namespace quill::host
