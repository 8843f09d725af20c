#include "entry/result_outputs.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/allocation.h"

namespace quill::engine {
namespace {

dbl1 vec(const std::vector<double>& v) {
    error_trail t;
    dbl1 a;
    dbl1_alloc(a, static_cast<int>(v.size()), t);
    for (std::size_t i = 0; i < v.size(); ++i) a.data()[i] = v[i];
    return a;
}

log1 flags(const std::vector<bool>& v) {
    error_trail t;
    log1 a;
    log1_alloc(a, static_cast<int>(v.size()), t);
    for (std::size_t i = 0; i < v.size(); ++i) a.data()[i] = v[i];
    return a;
}

// A G x p path from its rows.
dbl2 path_of(const std::vector<std::vector<double>>& rows) {
    error_trail t;
    dbl2 a;
    const int g = static_cast<int>(rows.size());
    const int p = static_cast<int>(rows[0].size());
    dbl2_alloc(a, g, p, t);
    for (int i = 1; i <= g; ++i)
        for (int j = 1; j <= p; ++j) a(i, j) = rows[i - 1][j - 1];
    return a;
}

// Selected at `best` of `grid` values, all fitted, the tied run ending at `run_end`.
selection_place at(int best, int grid, int run_end, bool shrunk = false) {
    return {best, grid, grid, run_end, shrunk};
}

TEST(BoundaryFlags, SmallEndWhenNoPenalizedCoefficientSurvivesTheSmallestLambda) {
    const dbl1 beta = vec({0.0, 0.0, 1.0});
    const dbl1 se = vec({1.0, 1.0, 1.0});
    // Selected at grid value 2 of 3; at grid value 1 only the forced-in column is nonzero.
    const log1 forced = flags({false, false, true});
    const dbl2 path = path_of({{0.0, 0.0, 2.0}, {0.0, 0.0, 1.0}, {0.0, 0.0, 1.0}});
    EXPECT_TRUE(find_boundary_flags(at(2, 3, 2), forced, beta, se, path).at_min_lambda);

    // A penalized column alive at the smallest lambda clears it.
    const dbl2 alive = path_of({{0.0, 0.1, 2.0}, {0.0, 0.0, 1.0}, {0.0, 0.0, 1.0}});
    EXPECT_FALSE(find_boundary_flags(at(2, 3, 2), forced, beta, se, alive).at_min_lambda);

    // Selected at the first grid value: flagged only while the penalty still shrinks a selected
    // coefficient; a fit equal to the unpenalized one, or with every column forced in, is not.
    EXPECT_FALSE(find_boundary_flags(at(1, 3, 1), forced, beta, se, alive).at_min_lambda);
    EXPECT_TRUE(find_boundary_flags(at(1, 3, 1, true), forced, beta, se, alive).at_min_lambda);
    const log1 all_forced = flags({true, true, true});
    EXPECT_FALSE(find_boundary_flags(at(2, 3, 2), all_forced, beta, se, path).at_min_lambda);
    EXPECT_FALSE(find_boundary_flags(at(1, 3, 1), all_forced, beta, se, path).at_min_lambda);
}

TEST(BoundaryFlags, LargeEndClearedOnlyWhenEveryColumnIsSettled) {
    const log1 none = flags({false, false});
    const dbl2 path = path_of({{1.0, 1.0}, {1.0, 1.0}});
    struct row {
        std::vector<double> beta, se;
        bool at_max;
    };
    const double tiny = static_cast<double>(1e-20f);
    const std::vector<row> rows{
        {{0.0, 4.0}, {1.0, 1.0}, false},           // zero and significant
        {{0.0, 3.0}, {1.0, 1.0}, true},            // exactly 3 is not above 3
        {{tiny * 0.99, 3.5}, {1.0, 1.0}, false},   // below the single-precision 1e-20
        {{tiny * 1.01, 3.5}, {1.0, 1.0}, true},
        {{1e-9, 3.5}, {0.0, 1.0}, false},          // 1e-9 / (0 + 1e-10) is above 3
    };
    for (const row& r : rows) {
        const boundary_flags f = find_boundary_flags(at(2, 2, 2), none, vec(r.beta), vec(r.se), path);
        EXPECT_EQ(f.at_max_lambda, r.at_max) << r.beta[0] << " " << r.beta[1];
    }
    const dbl1 beta = vec({0.0, 1.0});
    const dbl1 se = vec({1.0, 1.0});
    // The tied run from the selected grid value reaches the last one: flagged wherever the
    // selection sits; a run that ends before it is not, nor a grid the fit left early.
    EXPECT_TRUE(find_boundary_flags(at(1, 2, 2), none, beta, se, path).at_max_lambda);
    EXPECT_FALSE(find_boundary_flags(at(1, 2, 1), none, beta, se, path).at_max_lambda);
    EXPECT_FALSE(find_boundary_flags({1, 2, 1, 2, false}, none, beta, se, path).at_max_lambda);
}

TEST(CoefficientCopy, SmallCoefficientsAndSmallErrorsReportZero) {
    const double limit = static_cast<double>(1e-6f);  // 9.999999974752427e-07
    const dbl1 beta = vec({limit * 0.999999, limit * 1.000001, 5.0, -2.0});
    const dbl1 se = vec({1.0, 1.0, limit * 0.999999, 1.0});
    const dbl2 path = path_of({{1, 2, 3, 4}, {5, 6, 7, 8}});
    std::vector<double> b(4), s(4), p(8);
    write_coefficients(beta, se, path, 1.0, b.data(), s.data(), p.data());
    EXPECT_EQ(b, (std::vector<double>{0.0, limit * 1.000001, 0.0, -2.0}));
    // A coefficient reported as 0 has the standard error 0, not the covariance's remainder.
    EXPECT_EQ(s, (std::vector<double>{0.0, 1.0, 0.0, 1.0}));
    EXPECT_EQ(p, (std::vector<double>{1, 5, 2, 6, 3, 7, 4, 8}));  // column by column
}

}  // namespace
}  // namespace quill::engine
