// PROC FREQ's CHISQ statistics against scipy.stats (tests/programs/host/freq_chisq.py printed the
// values, run once): the chi-square tail on both sides of its series / continued-fraction split
// and far out, and Fisher's exact test where the two-sided sum must count the mirrored table.
#include <gtest/gtest.h>

#include "steps/contingency_tests.h"

namespace quill::host {
namespace {

TEST(ContingencyTests, ChiSquareUpperTailMatchesScipyOnBothBranchesAndFarOut)
{
    struct Case { double x, df, sf; };
    for (const Case c : {Case{3.841458820694124, 1, 0.049999999999999892}, Case{40, 1, 2.5396285894708634e-10},
                         Case{0.5, 10, 0.99999338828943896}, Case{100, 50, 3.4549313829848709e-05},
                         Case{1e-3, 3, 0.9999915920809419}, Case{250, 4, 6.5096899973757209e-53}})
        EXPECT_NEAR(chi_square_upper(c.x, c.df) / c.sf, 1.0, 1e-10) << c.x << " on " << c.df;
    EXPECT_EQ(chi_square_upper(0, 2), 1.0);
}

TEST(ContingencyTests, FisherCountsTablesAsProbableAsTheOneSeenOnBothSides)
{
    struct Case { std::vector<double> counts; double left, right, two; };
    for (const Case &c : {Case{{3, 1, 1, 3}, 0.98571428571428577, 0.24285714285714283, 0.48571428571428565},
                          Case{{20, 0, 0, 20}, 1, 7.2544445519248438e-12, 1.4508889103849688e-11},
                          Case{{0, 5, 5, 0}, 0.0039682539682539689, 1, 0.0079365079365079378}}) {
        const ContingencyTests t = contingency_tests(c.counts, 2, 2);
        ASSERT_TRUE(t.two_by_two);
        EXPECT_NEAR(t.fisher.left / c.left, 1.0, 1e-9) << c.counts[0];
        EXPECT_NEAR(t.fisher.right / c.right, 1.0, 1e-9) << c.counts[0];
        EXPECT_NEAR(t.fisher.two_sided / c.two, 1.0, 1e-9) << c.counts[0];
    }
}

} // namespace
} // namespace quill::host
