#include "language/formats.h"

#include <gtest/gtest.h>

#include "data/table.h"
#include "host_test_support.h"

namespace quill::host {
namespace {

ValueFormat format_of(const std::string &text, bool informat, std::string &error)
{
    const auto tokens = testing::tokens_of(text);
    size_t pos = 0;
    ValueFormat fmt;
    error.clear();
    if (parse_value_format(tokens, pos, tokens.size(), informat, fmt, error) && pos != tokens.size())
        error = "not all read";
    return fmt;
}

std::string put(double value, const std::string &format)
{
    std::string error, out;
    const ValueFormat fmt = format_of(format, false, error);
    EXPECT_EQ(error, "") << format;
    put_number(value, fmt, out);
    return out;
}

TEST(Formats, NumbersFillTheirWidthAndGiveUpDecimalsThenDigits)
{
    EXPECT_EQ(put(1234.5678, "best12."), "   1234.5678");
    EXPECT_EQ(put(1234.5678, "best."), "   1234.5678");
    EXPECT_EQ(put(-0.5, "3."), " -1");      // halves away from zero
    EXPECT_EQ(put(0.125, "5.2"), " 0.13");
    EXPECT_EQ(put(-0.001, "5.2"), " 0.00"); // no negative zero
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
}

TEST(Formats, InformatsReadTheirWidthWithImpliedDecimals)
{
    std::string error;
    double v = 0;
    EXPECT_TRUE(input_number("  12345678901234", format_of("best.", true, error), v));
    EXPECT_EQ(v, 1234567890);  // 12 columns, two of them blank
    EXPECT_TRUE(input_number("12345", format_of("5.2", true, error), v));
    EXPECT_EQ(v, 123.45);
    EXPECT_TRUE(input_number("1.5", format_of("5.2", true, error), v));
    EXPECT_EQ(v, 1.5);         // a written point wins over the implied one
    EXPECT_TRUE(input_number("2e3", format_of("8.1", true, error), v));
    EXPECT_EQ(v, 2000);
    EXPECT_TRUE(input_number("   .  ", format_of("8.", true, error), v));
    EXPECT_TRUE(is_missing(v));
    EXPECT_TRUE(input_number("", format_of("8.", true, error), v));
    EXPECT_TRUE(is_missing(v));
    EXPECT_FALSE(input_number("12a", format_of("best32.", true, error), v));
    EXPECT_TRUE(is_missing(v));
    std::string out;
    input_text("  hello", format_of("$5.", true, error), out);
    EXPECT_EQ(out, "hel");
}

TEST(Formats, OnlyTheKnownFormatsAndWidths)
{
    std::string error;
    for (const char *bad : {"date9.", "comma8.2", "$char10."}) {
        format_of(bad, false, error);
        EXPECT_NE(error.find("was not found or could not be loaded"), std::string::npos) << bad;
    }
    format_of("best33.", false, error);
    EXPECT_EQ(error, "Width specified for format BEST is invalid");
    format_of("3.3", false, error);
    EXPECT_EQ(error, "Decimal specified for format F is invalid");
    format_of("0.", true, error);
    EXPECT_EQ(error, "Width specified for informat F is invalid");
    format_of("8", false, error);
    EXPECT_EQ(error, "expected a format (w., w.d, BEST., BESTw. or $w.)");
    const ValueFormat text = format_of("$32767.", true, error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(text.width, 32767);
}

} // namespace
} // namespace quill::host
