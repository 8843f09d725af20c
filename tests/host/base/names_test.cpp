#include "base/names.h"

#include <gtest/gtest.h>

#include <cstring>


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

} // namespace
} // namespace quill::host
