// The statistics of PROC MEANS at their limiting cases: one value, n·p whole and not, missing values.
#include <gtest/gtest.h>

#include "data/table.h"
#include "steps/summary_statistics.h"

namespace quill::host {
namespace {

double at(const Summary &s, Statistic k) { return s[static_cast<size_t>(k)]; }

TEST(SummaryStatistics, DefinitionFiveAndSampleDeviationAtTheirEdges)
{
    std::vector<double> one = {4};
    Summary s = summarize(one, true);
    EXPECT_EQ(at(s, Statistic::N), 1);
    EXPECT_TRUE(is_missing(at(s, Statistic::Std))); // n - 1 = 0
    EXPECT_EQ(at(s, Statistic::Q1), 4);
    EXPECT_EQ(at(s, Statistic::Q3), 4);
    EXPECT_TRUE(is_missing(at(s, Statistic::Var)) && is_missing(at(s, Statistic::StdErr)) &&
                is_missing(at(s, Statistic::CV)));
    EXPECT_EQ(at(s, Statistic::CSS), 0);
    EXPECT_EQ(at(s, Statistic::USS), 16);
    EXPECT_EQ(at(s, Statistic::Range), 0);

    // n = 4: n·p whole at 1/4, 1/2, 3/4, so each quantile averages two neighbours.
    std::vector<double> four = {7, missing_value(), 1, 3, 5, missing_value()};
    s = summarize(four, true);
    EXPECT_EQ(at(s, Statistic::N), 4);
    EXPECT_EQ(at(s, Statistic::NMiss), 2);
    EXPECT_EQ(at(s, Statistic::Q1), 2);
    EXPECT_EQ(at(s, Statistic::Median), 4);
    EXPECT_EQ(at(s, Statistic::Q3), 6);
    EXPECT_DOUBLE_EQ(at(s, Statistic::Std), std::sqrt(20.0 / 3));
    EXPECT_EQ(at(s, Statistic::Sum), 16);
    EXPECT_DOUBLE_EQ(at(s, Statistic::Var), 20.0 / 3);
    EXPECT_DOUBLE_EQ(at(s, Statistic::StdErr), std::sqrt(5.0 / 3));
    EXPECT_DOUBLE_EQ(at(s, Statistic::CV), 25 * std::sqrt(20.0 / 3));
    EXPECT_EQ(at(s, Statistic::CSS), 20);
    EXPECT_EQ(at(s, Statistic::USS), 84);
    EXPECT_EQ(at(s, Statistic::Range), 6);
    EXPECT_EQ(at(s, Statistic::P1), 1); // n·p below 1: the smallest value
    EXPECT_EQ(at(s, Statistic::P10), 1);
    EXPECT_EQ(at(s, Statistic::P90), 7);
    EXPECT_EQ(at(s, Statistic::P99), 7);

    // n = 5: never whole, so the next value up.
    std::vector<double> five = {50, 10, 40, 20, 30};
    s = summarize(five, true);
    EXPECT_EQ(at(s, Statistic::Q1), 20);
    EXPECT_EQ(at(s, Statistic::Median), 30);
    EXPECT_EQ(at(s, Statistic::Q3), 40);

    std::vector<double> none = {missing_value()};
    s = summarize(none, true);
    EXPECT_EQ(at(s, Statistic::N), 0);
    EXPECT_EQ(at(s, Statistic::NMiss), 1);
    EXPECT_TRUE(is_missing(at(s, Statistic::Mean)) && is_missing(at(s, Statistic::Median)));

    Statistic k;
    EXPECT_TRUE(statistic_for("STDDEV", k) && k == Statistic::Std);
    EXPECT_TRUE(statistic_for("P75", k) && k == Statistic::Q3);
    EXPECT_TRUE(statistic_for("CV", k) && k == Statistic::CV);
    EXPECT_FALSE(statistic_for("CLM", k));
}

} // namespace
} // namespace quill::host
