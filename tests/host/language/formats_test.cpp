// Expected texts by hand from the formats' rules; the DATETIME, COMMA, DOLLAR and PERCENT rows
// are the examples of the formats' documentation; dates from calendar_expected.py (23390 is
// 15 January 2024, 14609 is 31 December 1999, 23440 is 5 March 2024).
#include "language/formats.h"

#include <gtest/gtest.h>

#include "data/table.h"
#include "host_test_support.h"
#include "language/format_catalog.h"

namespace quill::host {
namespace {

ValueFormat format_of(const std::string &text, bool informat, std::string &error,
                      const FormatCatalog *catalog = nullptr)
{
    const auto tokens = testing::tokens_of(text);
    size_t pos = 0;
    ValueFormat fmt;
    error.clear();
    if (parse_value_format(tokens, pos, tokens.size(), informat, catalog, fmt, error) && pos != tokens.size())
        error = "not all read";
    return fmt;
}

std::string put(double value, const std::string &format, const FormatCatalog *catalog = nullptr)
{
    std::string error, out;
    const ValueFormat fmt = format_of(format, false, error, catalog);
    EXPECT_EQ(error, "") << format;
    put_number(value, fmt, out);
    return out;
}

double read(const std::string &text, const std::string &informat, bool valid = true)
{
    std::string error;
    double v = 0;
    const ValueFormat fmt = format_of(informat, true, error);
    EXPECT_EQ(error, "") << informat;
    EXPECT_EQ(input_number(text, fmt, v), valid) << text << " " << informat;
    return v;
}

TEST(Formats, NumbersFillTheirWidthAndGiveUpDecimalsThenDigits)
{
    EXPECT_EQ(put(1234.5678, "best12."), "   1234.5678");
    EXPECT_EQ(put(1234.5678, "best."), "   1234.5678");
    EXPECT_EQ(put(-0.5, "3."), " -1");      // halves away from zero
    EXPECT_EQ(put(0.125, "5.2"), " 0.13");
    EXPECT_EQ(put(-0.001, "5.2"), " 0.00"); // no negative zero
    // Many decimals round at the true fraction (.4453 here), not a fudged half; 2.345 is stored a
    // hair below 2.345 and still rounds up.
    EXPECT_EQ(put(0.7451947130007645, "16.14"), "0.74519471300076");
    EXPECT_EQ(put(0.764842187284488, "14.12"), "0.764842187284");
    EXPECT_EQ(put(2.345, "4.2"), "2.35");
    EXPECT_EQ(put(1234.5678, "6.2"), "1234.6");
    EXPECT_EQ(put(1234.5678, "4.2"), "1235");
    EXPECT_EQ(put(123456789, "4."), " 1E8");
    EXPECT_EQ(put(-123456789, "3."), "***");
    EXPECT_EQ(put(1.5e-7, "best8."), "  1.5E-7");
    EXPECT_EQ(put(1e300, "f6.1"), " 1E300");
    EXPECT_EQ(put(7, "1."), "7");
    EXPECT_EQ(put(missing_value(), "4.1"), "   .");
    std::string out;
    std::string error;
    put_text("abc", format_of("$5.", false, error), out);
    EXPECT_EQ(out, "abc  ");
    put_text("abcdef", format_of("$2.", false, error), out);
    EXPECT_EQ(out, "ab");
    ValueFormat natural;
    ASSERT_TRUE(parse_format_text("$.", false, nullptr, natural, error));
    put_text("abcdef", natural, out);
    EXPECT_EQ(out, "abcdef"); // $. takes the value's length
}

TEST(Formats, GroupedPercentExponentAndZeroFormats)
{
    EXPECT_EQ(put(23451.23, "comma10.2"), " 23,451.23");
    EXPECT_EQ(put(123451.234, "comma10.2"), "123,451.23");
    EXPECT_EQ(put(1254.71, "dollar10.2"), " $1,254.71");
    EXPECT_EQ(put(-1234567, "comma10."), "-1,234,567");
    EXPECT_EQ(put(-1234.5, "dollar10.2"), "-$1,234.50");
    EXPECT_EQ(put(1234567.891, "comma10.2"), " 1,234,568"); // decimals go first
    EXPECT_EQ(put(999.5, "comma6."), " 1,000");
    EXPECT_EQ(put(0.1, "percent10."), "      10% ");
    EXPECT_EQ(put(1.2, "percent10."), "     120% ");
    EXPECT_EQ(put(-0.05, "percent10."), "(      5%)");
    EXPECT_EQ(put(0.12345, "percent8.2"), " 12.35% ");
    EXPECT_EQ(put(1234.5, "e10."), " 1.235E+03"); // halves away from zero, as everywhere
    EXPECT_EQ(put(-0.000123, "e10."), "-1.230E-04");
    EXPECT_EQ(put(0, "e8."), " 0.0E+00");
    EXPECT_EQ(put(1e-300, "e10."), " 1.00E-300");
    EXPECT_EQ(put(42, "z5."), "00042");
    EXPECT_EQ(put(-42, "z5."), "-0042");
    EXPECT_EQ(put(3.14159, "z8.2"), "00003.14");
    EXPECT_EQ(put(missing_value(), "comma8.2"), "       .");
}

TEST(Formats, DatesTimesAndDatetimesInEveryWidth)
{
    const double d = 23390; // 15 January 2024
    EXPECT_EQ(put(d, "date9."), "15JAN2024");
    EXPECT_EQ(put(d, "date."), "15JAN24");
    EXPECT_EQ(put(d, "date5."), "15JAN");
    EXPECT_EQ(put(d, "date11."), "15-JAN-2024");
    EXPECT_EQ(put(d, "date10."), " 15JAN2024");
    EXPECT_EQ(put(-1, "date9."), "31DEC1959");
    EXPECT_EQ(put(d, "mmddyy10."), "01/15/2024");
    EXPECT_EQ(put(d, "mmddyy8."), "01/15/24");
    EXPECT_EQ(put(d, "mmddyy6."), "011524");
    EXPECT_EQ(put(d, "mmddyy5."), "01/15");
    EXPECT_EQ(put(d, "yymmdd10."), "2024-01-15");
    EXPECT_EQ(put(d, "yymmdd."), "24-01-15");
    EXPECT_EQ(put(d, "yymmddn8."), "20240115");
    EXPECT_EQ(put(d, "yymmdds10."), "2024/01/15");
    EXPECT_EQ(put(d, "ddmmyy10."), "15/01/2024");
    EXPECT_EQ(put(d, "ddmmyyp10."), "15.01.2024");
    EXPECT_EQ(put(d, "monyy7."), "JAN2024");
    EXPECT_EQ(put(d, "monyy."), "JAN24");
    EXPECT_EQ(put(d, "year4."), "2024");
    EXPECT_EQ(put(d, "year2."), "24");
    EXPECT_EQ(put(d, "worddate."), "  January 15, 2024");
    EXPECT_EQ(put(14609, "worddate12."), "Dec 31, 1999");
    EXPECT_EQ(put(missing_value(), "date9."), "        .");
    EXPECT_EQ(put(1e12, "date9."), "*********");
    const double dt = 1668138559; // 10 November 2012, 3:49:19
    EXPECT_EQ(put(dt, "datetime."), "10NOV12:03:49:19");
    EXPECT_EQ(put(dt, "datetime7."), "10NOV12");
    EXPECT_EQ(put(dt, "datetime12."), "  10NOV12:03");
    EXPECT_EQ(put(dt, "datetime18."), "  10NOV12:03:49:19");
    EXPECT_EQ(put(dt, "datetime18.1"), "10NOV12:03:49:19.0");
    EXPECT_EQ(put(dt, "datetime19."), " 10NOV2012:03:49:19");
    EXPECT_EQ(put(dt, "datetime20."), "  10NOV2012:03:49:19");
    EXPECT_EQ(put(36000, "time8."), "10:00:00");
    EXPECT_EQ(put(3725.75, "time8."), " 1:02:05");
    EXPECT_EQ(put(3725.75, "time11.2"), " 1:02:05.75");
    EXPECT_EQ(put(3725, "time5."), " 1:02");
    EXPECT_EQ(put(-3600, "time8."), "-1:00:00");
    EXPECT_EQ(put(90000, "time8."), "25:00:00");
}

TEST(Formats, InformatsReadTheirWidthWithImpliedDecimals)
{
    EXPECT_EQ(read("  12345678901234", "best."), 1234567890); // 12 columns, two of them blank
    EXPECT_EQ(read("12345", "5.2"), 123.45);
    EXPECT_EQ(read("1.5", "5.2"), 1.5); // a written point wins over the implied one
    EXPECT_EQ(read("2e3", "8.1"), 2000);
    EXPECT_TRUE(is_missing(read("   .  ", "8.")));
    EXPECT_TRUE(is_missing(read("", "8.")));
    EXPECT_TRUE(is_missing(read("12a", "best32.", false)));
    EXPECT_EQ(read("$1,234.50", "comma10."), 1234.5);
    EXPECT_EQ(read("(1,234)", "dollar8."), -1234);
    EXPECT_EQ(read("12345", "comma5.2"), 123.45);
    EXPECT_EQ(read("12.5%", "percent6."), 0.125);
    EXPECT_EQ(read("1,234", "comma."), 1); // COMMA's default width is 1
    std::string out, error;
    input_text("  hello", format_of("$5.", true, error), out);
    EXPECT_EQ(out, "hel");
    input_text("  hello", format_of("$char5.", true, error), out);
    EXPECT_EQ(out, "  hel");
}

TEST(Formats, DateInformatsReadTheFormsPeopleWrite)
{
    EXPECT_EQ(read("15JAN2024", "date9."), 23390);
    EXPECT_EQ(read("15jan24", "date7."), 23390);
    EXPECT_EQ(read("15-Jan-2024", "date11."), 23390);
    EXPECT_EQ(read("01/15/2024", "mmddyy10."), 23390);
    EXPECT_EQ(read("1/15/24", "mmddyy10."), 23390);
    EXPECT_EQ(read("011524", "mmddyy6."), 23390);
    EXPECT_EQ(read("01152024", "mmddyy8."), 23390);
    EXPECT_EQ(read("2024-01-15", "yymmdd10."), 23390);
    EXPECT_EQ(read("20240115", "yymmdd8."), 23390);
    EXPECT_EQ(read("15/01/2024", "ddmmyy10."), 23390);
    EXPECT_EQ(read("15.01.2024", "ddmmyy10."), 23390);
    EXPECT_EQ(read("JAN2024", "monyy7."), 23376);
    for (const char *text : {"15JAN2024", "2024-01-15", "01/15/2024", "15/01/2024", "January 15, 2024",
                             "20240115", "15JAN2024:10:30:00"})
        EXPECT_EQ(read(text, "anydtdte32."), 23390) << text;
    EXPECT_EQ(read("03/05/2024", "anydtdte10."), 23440); // month first
    EXPECT_EQ(read("15JAN2024:10:30:15", "datetime20."), 2020933815);
    EXPECT_EQ(read("15jan2024 10:30:15", "datetime20."), 2020933815);
    EXPECT_EQ(read("2024-01-15T10:30:15", "datetime20."), 2020933815);
    EXPECT_EQ(read("10:30", "time8."), 37800);
    EXPECT_EQ(read("1:30:15.5 PM", "time12."), 48615.5);
    EXPECT_EQ(read("12:00 AM", "time8."), 0);
    for (const char *bad : {"31FEB2024", "15XYZ2024", "2024-13-01", "15JAN202"})
        EXPECT_TRUE(is_missing(read(bad, "anydtdte32.", false))) << bad;
    EXPECT_TRUE(is_missing(read("29FEB2023", "date9.", false)));
    EXPECT_TRUE(is_missing(read("25:61", "time8.", false)));
}

TEST(Formats, NamesWidthsAndErrors)
{
    std::string error;
    for (const char *bad : {"date12.", "comma33.2", "percent3.", "dollar1."}) {
        format_of(bad, false, error);
        EXPECT_NE(error.find("Width specified for format"), std::string::npos) << bad;
    }
    for (const char *bad : {"xyz9.", "$date9.", "anydtdte9.", "$abc."}) {
        format_of(bad, false, error);
        EXPECT_NE(error.find("was not found or could not be loaded"), std::string::npos) << bad;
    }
    format_of("z5.", true, error);
    EXPECT_EQ(error, "The informat Z was not found or could not be loaded");
    format_of("best33.", false, error);
    EXPECT_EQ(error, "Width specified for format BEST is invalid");
    format_of("3.3", false, error);
    EXPECT_EQ(error, "Decimal specified for format F is invalid");
    format_of("date9.2", false, error);
    EXPECT_EQ(error, "Decimal specified for format DATE is invalid");
    format_of("0.", true, error);
    EXPECT_EQ(error, "Width specified for informat F is invalid");
    format_of("8", false, error);
    EXPECT_EQ(error, "expected a format (w.d, BEST., DATE9., $w. ...)");
    const ValueFormat text = format_of("$32767.", true, error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(text.width, 32767);
    for (const char *name : {"DATE9.", "COMMA10.2", "8.2", "BEST12.", "$10.", "YYMMDDN8.", "DATETIME.", "$CHAR5."}) {
        ValueFormat fmt;
        ASSERT_TRUE(parse_format_text(name, false, nullptr, fmt, error)) << name;
        EXPECT_EQ(fmt.name(), name);
    }
}

// A catalog holding what PROC FORMAT would make of
//   value agegrp low-<18 = 'Child' 18-<65 = 'Adult' 65-high = 'Senior' . = 'Unknown';
//   value $sex 'M' = 'Male' 'F' = 'Female' other = 'Other';
//   value pct 0 = 'none' other = [percent8.1];
FormatCatalog sample_catalog()
{
    FormatCatalog catalog;
    auto age = std::make_shared<UserFormat>();
    age->name = "AGEGRP";
    const double inf = HUGE_VAL;
    FormatRange r;
    r.low = -inf, r.high = 18, r.high_excluded = true, r.label = "Child";
    age->ranges.push_back(r);
    r.low = 18, r.high = 65, r.label = "Adult";
    age->ranges.push_back(r);
    r.low = 65, r.high = inf, r.high_excluded = false, r.label = "Senior";
    age->ranges.push_back(r);
    FormatRange missing;
    missing.missing = true, missing.label = "Unknown";
    age->ranges.insert(age->ranges.begin(), missing);
    age->default_width = 7;
    catalog.define(age);
    auto sex = std::make_shared<UserFormat>();
    sex->name = "SEX", sex->character = true, sex->default_width = 6;
    FormatRange m;
    m.text = true, m.low_text = m.high_text = "M", m.label = "Male";
    FormatRange f = m;
    f.low_text = f.high_text = "F", f.label = "Female";
    sex->ranges = {f, m};
    sex->has_other = true, sex->other.label = "Other";
    catalog.define(sex);
    auto pct = std::make_shared<UserFormat>();
    pct->name = "PCT", pct->default_width = 8;
    FormatRange zero;
    zero.label = "none";
    pct->ranges = {zero};
    pct->has_other = true, pct->other.target = FormatRange::Target::Format;
    pct->other.nested = std::make_shared<ValueFormat>();
    std::string error;
    parse_format_text("percent8.1", false, nullptr, *pct->other.nested, error);
    catalog.define(pct);
    return catalog;
}

TEST(Formats, UserFormatsMapRangesListsMissingAndOther)
{
    const FormatCatalog catalog = sample_catalog();
    EXPECT_EQ(put(17.999, "agegrp.", &catalog), "Child  ");
    EXPECT_EQ(put(18, "agegrp.", &catalog), "Adult  ");
    EXPECT_EQ(put(64.5, "agegrp.", &catalog), "Adult  ");
    EXPECT_EQ(put(65, "agegrp.", &catalog), "Senior ");
    EXPECT_EQ(put(-1e300, "agegrp.", &catalog), "Child  ");
    EXPECT_EQ(put(missing_value(), "agegrp.", &catalog), "Unknown");
    EXPECT_EQ(put(30, "agegrp3.", &catalog), "Adu");
    EXPECT_EQ(put(0, "pct.", &catalog), "none    ");
    EXPECT_EQ(put(0.125, "pct.", &catalog), "  12.5% ");
    std::string error, out;
    const ValueFormat sex = format_of("$sex.", false, error, &catalog);
    ASSERT_EQ(error, "");
    EXPECT_TRUE(sex.character());
    EXPECT_EQ(sex.name(), "$SEX.");
    put_text("F", sex, out);
    EXPECT_EQ(out, "Female");
    put_text("M  ", sex, out);
    EXPECT_EQ(out, "Male  ");
    put_text("x", sex, out);
    EXPECT_EQ(out, "Other ");
    format_of("sex.", false, error, &catalog); // the numeric format of that name does not exist
    EXPECT_EQ(error, "The format SEX was not found or could not be loaded");
}

} // namespace
} // namespace quill::host
