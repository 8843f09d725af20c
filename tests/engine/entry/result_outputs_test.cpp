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
    return {best, grid, grid, run_end, shrunk, false};
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
    // A coefficient is compared with its own standard error, whatever its units: before, 1e-20
    // counted as zero and 1e-10 was added to the standard error, on the input scale.
    const std::vector<row> rows{
        {{0.0, 4.0}, {1.0, 1.0}, false},            // zero and significant
        {{0.0, 3.0}, {1.0, 1.0}, true},             // exactly 3 is not above 3
        {{1e-21, 3.5}, {1e-22, 1.0}, false},        // 10 standard errors, in small units
        {{1e-21, 3.5}, {1.0, 1.0}, true},           // not zero: the fit did not set it to 0
        {{3.1e-12, 3.5}, {1e-12, 1.0}, false},      // above 3 standard errors of 1e-12
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
    EXPECT_FALSE(find_boundary_flags({1, 2, 1, 2, false, false}, none, beta, se, path).at_max_lambda);
}

// Only the fit's zeros are reported as 0: before, a coefficient or a standard error below 1e-6
// on the input scale was.
TEST(CoefficientCopy, OnlyTheFitsZerosReportZero) {
    const dbl1 beta = vec({0.0, 9e-7, 5.0, -2.0});
    const dbl1 se = vec({1e-10, 1.0, 9e-7, 1.0});
    const dbl2 path = path_of({{1, 2, 3, 4}, {5, 6, 7, 8}});
    std::vector<double> b(4), s(4), p(8);
    write_coefficients(beta, se, path, 2.0, b.data(), s.data(), p.data());
    EXPECT_EQ(b, (std::vector<double>{0.0, 1.8e-6, 10.0, -4.0}));
    // A coefficient reported as 0 has the standard error 0, not the covariance's remainder.
    EXPECT_EQ(s, (std::vector<double>{0.0, 2.0, 1.8e-6, 2.0}));
    EXPECT_EQ(p, (std::vector<double>{2, 10, 4, 12, 6, 14, 8, 16}));  // column by column
}

}  // namespace
}  // namespace quill::engine
