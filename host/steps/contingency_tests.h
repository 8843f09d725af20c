// The tests of PROC FREQ's CHISQ option on a table of counts: Pearson's and the likelihood-ratio
// chi-square, for a 2x2 table the continuity-adjusted one and Fisher's exact test, the measures of
// association built on Pearson's, and the chi-square test of equal proportions of a one-way table.
#ifndef QUILL_HOST_STEPS_CONTINGENCY_TESTS_H
#define QUILL_HOST_STEPS_CONTINGENCY_TESTS_H

#include <cstddef>
#include <vector>

namespace quill::host {

// Pr(X > x) for X chi-square with `df` degrees of freedom (df > 0); 1 for x <= 0.
double chi_square_upper(double x, double df);

struct FisherTest {
    double cell = 0;       // n11, the (1,1) cell
    double left = 0;       // Pr(N11 <= n11) under the margins
    double right = 0;      // Pr(N11 >= n11)
    double table = 0;      // Pr(N11 = n11)
    double two_sided = 0;  // the tables no more probable than this one
};

struct ContingencyTests {
    double df = 0;
    double pearson = 0, pearson_p = 1;
    double likelihood_ratio = 0, likelihood_ratio_p = 1;
    double continuity = 0, continuity_p = 1; // 2x2 only
    double phi = 0, contingency = 0, cramers_v = 0;
    double small_expected = 0; // the share of cells whose expected count is below 5
    double n = 0;
    bool two_by_two = false;
    FisherTest fisher;         // 2x2 only
};

// `counts` holds rows * cols counts row by row; every row and column total is above 0.
ContingencyTests contingency_tests(const std::vector<double> &counts, size_t rows, size_t cols);

// Pearson's chi-square of `counts` against equal proportions, with k - 1 degrees of freedom.
double equal_proportions_chi_square(const std::vector<double> &counts);

} // namespace quill::host

#endif
