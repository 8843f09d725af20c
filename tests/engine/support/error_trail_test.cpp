#include "support/error_trail.h"

#include <gtest/gtest.h>

#include <string>

namespace quill::engine {
namespace {

std::string trimmed(const std::string& line) { return line.substr(0, line.find_last_not_of(' ') + 1); }

std::string joined(const error_trail& trail, int length, const char* platform = nullptr) {
    std::string text(length, '?');
    error_message_text(trail, text.data(), length, platform);
    return text;
}

TEST(ErrorTrail, HandleAddsLinesInOrder) {
    error_trail t;
    error_handle(t, 200, "dbl2_alloc in MOD dynamic_allocation", "lqa_fit.cpp", 12, "raw_x", "first",
                 "second");
    ASSERT_TRUE(t.error_occurred());
    const std::vector<std::string> want = {"Unable to allocate memory for object", "first", "second",
                                           "FILE: lqa_fit.cpp", "LINE: 12", "raw_x",
                                           "OCCURRED IN: dbl2_alloc in MOD dynamic_allocation"};
    ASSERT_EQ(t.lines().size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(t.lines()[i].size(), 80u);
        EXPECT_EQ(trimmed(t.lines()[i]), want[i]);
    }
}

TEST(ErrorTrail, CustomCodeAndUnknownCode) {
    error_trail t;
    error_handle(t, 1000, "op in MOD scad_types", nullptr, {}, nullptr, "Something failed.");
    ASSERT_EQ(t.lines().size(), 2u);
    EXPECT_EQ(trimmed(t.lines()[0]), "Something failed.");
    error_handle(t, 999);
    EXPECT_EQ(trimmed(t.lines()[2]), "Unknown error code.");
    error_reset(t);
    EXPECT_FALSE(t.error_occurred());
    EXPECT_TRUE(t.lines().empty());
}

TEST(ErrorTrail, LongTextContinuesOnFurtherLines) {
    const auto stored = [](const std::string& text) {
        error_trail t;
        error_add_line(text, t);
        std::vector<std::string> got;
        for (const std::string& line : t.lines()) {
            EXPECT_EQ(line.size(), 80u);
            got.push_back(trimmed(line));
        }
        return got;
    };
    using lines = std::vector<std::string>;
    const std::string sentence =
        "The GCV fit criterion can only be used with the normal model (identity link) type.";
    EXPECT_EQ(stored(sentence), (lines{sentence.substr(0, 76), "type."}));
    // A blank at column 81 breaks right there; the blanks opening a continuation are dropped.
    const std::string a(80, 'a');
    EXPECT_EQ(stored(a + "   bcd"), (lines{a, "bcd"}));
    EXPECT_EQ(stored(a + "   "), (lines{a}));
    // No blank in the first 80 characters: cut at 80, as often as needed.
    EXPECT_EQ(stored(std::string(170, 'x')),
              (lines{std::string(80, 'x'), std::string(80, 'x'), std::string(10, 'x')}));
    EXPECT_EQ(stored("ab " + std::string(79, 'y')), (lines{"ab", std::string(79, 'y')}));
}

TEST(ErrorTrail, JoiningFollowsThePlatformAndRemembersIt) {
    error_trail t;
    EXPECT_EQ(joined(t, 10), std::string(10, ' '));
    error_add_line("ab", t);
    error_add_line("cd", t);
    EXPECT_EQ(joined(t, 10), "ab\r\ncd    ");
    EXPECT_EQ(joined(t, 10, "UNIX"), "ab\ncd     ");
    EXPECT_EQ(joined(t, 10, "MAC"), "ab\rcd     ");
    EXPECT_EQ(joined(t, 10), "ab\r\ncd    ");  // no platform given: back to PC
}

TEST(ErrorTrail, NearlyFullTextDropsWholeLines) {
    error_trail t;
    error_add_line("abcdef", t);
    error_add_line("xyz", t);
    EXPECT_EQ(joined(t, 9), "abcdef   ");    // 9 <= 6 + 3: the second line is dropped
    EXPECT_EQ(joined(t, 10), "abcdef\r\nxy");  // cut to the room left
}

}  // namespace
}  // namespace quill::engine
