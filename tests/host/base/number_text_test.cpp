#include "base/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "data/table.h"

namespace quill::host {
namespace {

TEST(NumberText, ParseAcceptsOnlyFiniteDecimalNumbers)
{
    double v = 0;
    EXPECT_TRUE(parse_number(" -1.5e3 ", v));
    EXPECT_EQ(v, -1500);
    EXPECT_TRUE(parse_number("+.25", v));
    EXPECT_EQ(v, 0.25);
    for (const char *bad : {"", ".", "-", "inf", "nan", "1e999", "1,5", "0x10", "12abc"})
        EXPECT_FALSE(parse_number(bad, v)) << bad;
    // Out of range: too large is its own answer; too small becomes the nearest double, and a
    // nonzero number that becomes 0 says so. Zero written small and subnormals are numbers.
    EXPECT_EQ(read_number("1e400", v), NumberText::OutOfRange);
    EXPECT_EQ(read_number("-1e400", v), NumberText::OutOfRange);
    EXPECT_EQ(read_number("1e-400", v), NumberText::Underflow);
    EXPECT_EQ(v, 0.0);
    EXPECT_EQ(read_number("-0.0001e-320", v), NumberText::Underflow);
    EXPECT_TRUE(v == 0.0 && std::signbit(v));
    EXPECT_TRUE(parse_number("1e-400", v));
    for (const char *zero : {"0e-400", "-0.000e-999", "000", ".0e5"}) {
        EXPECT_EQ(read_number(zero, v), NumberText::Number) << zero;
        EXPECT_EQ(v, 0.0);
    }
    EXPECT_EQ(read_number("1e-320", v), NumberText::Number);
    EXPECT_GT(v, 0.0);
    EXPECT_EQ(read_number("4.9e-324", v), NumberText::Number);
    EXPECT_GT(v, 0.0);
    EXPECT_EQ(read_number("1e400x", v), NumberText::NotNumber);
}

TEST(NumberText, StorageTextReadsBackExactly)
{
    for (double x : {0.1, 1.0 / 3.0, -2.5e-300, 1e21, 123456789012345678.0}) {
        double back = 0;
        ASSERT_TRUE(parse_number(storage_text(x), back)) << storage_text(x);
        EXPECT_EQ(back, x);
    }
    EXPECT_EQ(storage_text(missing_value()), ".");
}

TEST(NumberText, BestTextFitsItsWidth)
{
    EXPECT_EQ(best_text(1000), "1000");
    EXPECT_EQ(best_text(2.5), "2.5");
    EXPECT_EQ(best_text(1.0 / 3.0), "0.3333333333");
    EXPECT_EQ(best_text(-1.0 / 3.0), "-0.333333333");
    EXPECT_EQ(best_text(1.234567e-200), "1.23457E-200");
    // Exponents as the BEST format writes them, in listings and CATS alike.
    EXPECT_EQ(best_text(1e15), "1E15");
    EXPECT_EQ(best_text(-6.1925281e-17), "-6.19253E-17");
    EXPECT_EQ(best_text(123456789012345.0), "1.2345679E14");
    EXPECT_EQ(best_text(missing_value()), ".");
}

// number_kind decides plain numbers without converting them: it must say what read_number says
// of every text, here every text of up to six characters from the ones that make numbers, and the
// edges of its shortcut.
TEST(NumberText, KindAgreesWithReading)
{
    const std::string alphabet = "019.eE+- ";
    double v = 0;
    std::string text;
    for (size_t length = 1; length <= 6; ++length) {
        size_t combinations = 1;
        for (size_t k = 0; k < length; ++k)
            combinations *= alphabet.size();
        for (size_t c = 0; c < combinations; ++c) {
            text.clear();
            for (size_t k = 0, rest = c; k < length; ++k, rest /= alphabet.size())
                text += alphabet[rest % alphabet.size()];
            ASSERT_EQ(number_kind(text), read_number(text, v)) << "[" << text << "]";
        }
    }
    for (const char *edge : {"1e300", "9.99e300", "1e301", "1.8e308", "1e-300", "0.0001e-297", "1e-320",
                             "000000000000000000001e300", "1.e5", ".5E-3", "-0e99999", "1e0300", "1e00300",
                             "12345678901234567890123456789012345678901234567890",
                             "-0.12345678901234567e-3", "12345678.9x", "1234567\xC3\xA9", "0.00000000000000000000001",
                             "123456789012345678901234567890.5e-330"})
        EXPECT_EQ(number_kind(edge), read_number(edge, v)) << edge;
}

} // namespace
} // namespace quill::host
