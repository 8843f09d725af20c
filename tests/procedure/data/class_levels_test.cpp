// The text form of numeric CLASS values and the heap sort of level tables.
#include "data/class_levels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace quill::proc {
namespace {

std::string text_of(double v) {
    name33 t;
    numeric_level_text(v, t);
    EXPECT_EQ(t.text[kNameWidth], '\0');
    return std::string(t.text, kNameWidth);
}
std::string padded(const std::string &s) { return s + std::string(kNameWidth - s.size(), ' '); }
name33 make(const std::string &s) {
    name33 t;
    std::snprintf(t.text, sizeof t.text, "%-32s", s.c_str());
    return t;
}

TEST(LevelText, WholeAndFractionalNumbers) {
    EXPECT_EQ(text_of(3.0), padded("3"));
    EXPECT_EQ(text_of(2.5), padded("2.500000"));
    EXPECT_EQ(text_of(-4.0), padded("-4"));
    EXPECT_EQ(text_of(-2.5), padded("-2.500000"));
    EXPECT_EQ(text_of(7.00000000001), padded("7"));      // within 1e-10 of a whole number
    EXPECT_EQ(text_of(2147483647.0), padded("2147483647"));
    // Beyond 32 bits distinct values keep distinct texts instead of wrapping onto others.
    EXPECT_EQ(text_of(4294967296.0), padded("4294967296"));
    EXPECT_NE(text_of(4294967296.0), text_of(0.0));
    EXPECT_EQ(text_of(1e300).size(), 32u);
}

TEST(LevelText, CaseAndBlanks) {
    name33 t = make("ab c");
    upper_case(t);
    EXPECT_EQ(std::string(t.text, 4), "AB C");
    EXPECT_TRUE(is_blank(make("")));
    EXPECT_FALSE(is_blank(make(" x")));
}

TEST(SortLevels, MatchesAStableReferenceAndKeepsFrequencies) {
    std::mt19937 random(7);
    for (int32_t count : {0, 1, 2, 3, 7, 17, 200}) {
        std::vector<name33> texts;
        std::vector<int32_t> freqs;
        for (int32_t i = 0; i < count; ++i) {
            texts.push_back(make(std::to_string(random() % 1000) + "_" + std::to_string(i)));
            freqs.push_back(i);
        }
        std::vector<std::pair<std::string, int32_t>> expected;
        for (int32_t i = 0; i < count; ++i) expected.emplace_back(texts[i].text, freqs[i]);
        std::sort(expected.begin(), expected.end());

        sort_levels(texts.data(), freqs.data(), count, false);
        for (int32_t i = 0; i < count; ++i) {
            EXPECT_EQ(texts[i].text, expected[i].first);
            EXPECT_EQ(freqs[i], expected[i].second);
        }
        sort_levels(texts.data(), freqs.data(), count, true);
        for (int32_t i = 0; i < count; ++i) EXPECT_EQ(freqs[i], expected[count - 1 - i].second);
    }
}

TEST(SortLevels, NumbersSortAsText) {
    std::vector<name33> texts;
    for (double v : {2.0, 10.0, 1.0}) {
        texts.emplace_back();
        numeric_level_text(v, texts.back());
    }
    std::vector<int32_t> freqs{5, 6, 7};
    sort_levels(texts.data(), freqs.data(), 3, false);
    EXPECT_EQ(std::string(texts[0].text, 2), "1 ");
    EXPECT_EQ(std::string(texts[1].text, 2), "10");
    EXPECT_EQ(std::string(texts[2].text, 2), "2 ");
    EXPECT_EQ(freqs, (std::vector<int32_t>{7, 6, 5}));
}

} // namespace
} // namespace quill::proc
