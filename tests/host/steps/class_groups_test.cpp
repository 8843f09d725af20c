// CLASS groups against the order they must reproduce: a stable sort of the rows by their class
// values (compare_rows), missing values dropped.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "steps/by_groups.h"
#include "steps/class_groups.h"

namespace quill::host {
namespace {

TEST(ClassGroups, SameOrderAndGroupsAsAStableSortByTheValues)
{
    // Numbers with 0 and -0 (one level), missing values, and texts of shared prefixes and
    // bytes above 127; the third column has so many levels that the codes are renumbered.
    std::mt19937 random(7);
    const double numbers[] = {0.0, -0.0, 2.5, -1.0, 1e300, missing_value(), 3.0};
    const char *texts[] = {"b", "ab", "a", "", "\xc3\xa9t\xc3\xa9", "B", "a "};
    Table table;
    table.rows = 3000;
    table.columns.resize(3);
    table.columns[1].type = VarType::Character;
    for (size_t r = 0; r < table.rows; ++r) {
        table.columns[0].numbers.push_back(numbers[random() % 7]);
        table.columns[1].texts.push_back(texts[random() % 7]);
        table.columns[2].numbers.push_back(static_cast<double>(random() % 2000));
    }
    for (const std::vector<size_t> &classes : std::vector<std::vector<size_t>>{{0}, {1}, {1, 0}, {0, 1, 2}, {2, 1}}) {
        std::vector<size_t> rows(table.rows);
        std::iota(rows.begin(), rows.end(), size_t{0});
        std::shuffle(rows.begin(), rows.end(), random); // the rows' own order is what ties keep
        std::vector<ByKey> keys;
        for (size_t c : classes)
            keys.push_back({c, false});
        auto in = [&](size_t c) { return std::find(classes.begin(), classes.end(), c) != classes.end(); };
        std::vector<size_t> expected;
        for (size_t r : rows)
            if (!(in(0) && is_missing(table.columns[0].numbers[r])) && !(in(1) && table.columns[1].texts[r].empty()))
                expected.push_back(r);
        std::stable_sort(expected.begin(), expected.end(),
                         [&](size_t a, size_t b) { return compare_rows(table, keys, a, b) < 0; });

        std::vector<std::pair<size_t, size_t>> groups;
        class_groups(table, classes, rows, groups);
        EXPECT_EQ(rows, expected);
        ASSERT_FALSE(groups.empty());
        EXPECT_EQ(groups.front().first, 0u);
        EXPECT_EQ(groups.back().second, rows.size());
        for (size_t g = 0; g < groups.size(); ++g) {
            const auto [b, e] = groups[g];
            ASSERT_LT(b, e);
            for (size_t i = b + 1; i < e; ++i)
                EXPECT_EQ(compare_rows(table, keys, rows[b], rows[i]), 0);
            if (g > 0) {
                EXPECT_EQ(groups[g - 1].second, b);
                EXPECT_LT(compare_rows(table, keys, rows[b - 1], rows[b]), 0);
            }
        }
    }
}

} // namespace
} // namespace quill::host
