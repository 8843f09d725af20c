#include "base/names.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "base/number_text.h"
#include "data/table.h"

namespace quill::host {
namespace {

TEST(NameText, RemovePatternBlankFillsTheEnd)
{
    char text[] = "BETA_ lcavol     ";
    remove_pattern_text(text, 17, " ");
    EXPECT_STREQ(text, "BETA_lcavol      ");
    char abab[] = "abXabXab";
    remove_pattern_text(abab, 8, "ab");
    EXPECT_STREQ(abab, "XX      ");
}

TEST(NameText, TrimPutsTheZeroAfterTheLastCharacter)
{
    char text[34];
    std::memset(text, ' ', 33);
    std::memcpy(text, "lcavol", 6);
    text[33] = '\0';
    trim_name_text(text, 33);
    EXPECT_STREQ(text, "lcavol");
    char blank[] = "    ";
    trim_name_text(blank, 4);
    EXPECT_STREQ(blank, "");
}

TEST(NameText, ValidNames)
{
    EXPECT_EQ(valid_name("beta_lcavol"), "BETA_LCAVOL");
    EXPECT_EQ(valid_name("  my var-2  "), "MY_VAR_2");
    EXPECT_EQ(valid_name("2nd"), "_2ND");
    EXPECT_EQ(valid_name(""), "_");
    EXPECT_EQ(valid_name(std::string(40, 'a')), std::string(32, 'A'));
    // In place: trailing blanks are padding, not characters to replace.
    char text[] = "STDERR_x y      ";
    valid_name_text(text, 16);
    EXPECT_STREQ(text, "STDERR_X_Y      ");
}

TEST(NameText, ClaimedNamesAreUniqueAndStayWithin32Bytes)
{
    NameSet names;
    EXPECT_EQ(names.claim("N"), "N");
    EXPECT_TRUE(names.insert("N2"));
    EXPECT_FALSE(names.insert("n"));
    EXPECT_EQ(names.claim("n"), "n3");
    const std::string long_name(32, 'B');
    EXPECT_EQ(names.claim(long_name), long_name);
    EXPECT_EQ(names.claim(long_name), std::string(31, 'B') + "2");
    EXPECT_EQ(names.claim(long_name).size(), 32u);
    // A suffix never cuts a UTF-8 character in two.
    const std::string accents = std::string(30, 'a') + "\xC3\xA9"; // 30 letters and an e-acute
    EXPECT_EQ(names.claim(accents), accents);
    EXPECT_EQ(names.claim(accents), std::string(30, 'a') + "2");
    EXPECT_EQ(utf8_prefix(accents, 31), std::string(30, 'a'));

    for (const char *good : {"x", "my var", "caf\xC3\xA9", "'quoted'"})
        EXPECT_TRUE(is_storable_name(good)) << good;
    for (const std::string &bad : std::vector<std::string>{"", " a", "a ", "  ", "tab\there", std::string(33, 'x')})
        EXPECT_FALSE(is_storable_name(bad)) << bad;
}

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
    EXPECT_LE(best_text(1.234567e-200).size(), 12u);
    EXPECT_EQ(best_text(missing_value()), ".");
}

} // namespace
} // namespace quill::host
