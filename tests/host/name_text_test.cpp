#include "name_text.h"

#include <gtest/gtest.h>

#include <cstring>

#include "number_text.h"
#include "table.h"

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

TEST(NameText, FreeNamesStayWithin32Characters)
{
    EXPECT_EQ(free_name("N", {"X"}), "N");
    EXPECT_EQ(free_name("N", {"n", "N2"}), "N3");
    const std::string long_name(32, 'B');
    const std::string renamed = free_name(long_name, {long_name});
    EXPECT_EQ(renamed, std::string(31, 'B') + "2");
    EXPECT_EQ(free_name(long_name, {long_name, renamed}).size(), 32u);
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
