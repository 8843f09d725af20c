#include "steps/contingency_tests.h"

#include <algorithm>
#include <cmath>

namespace quill::host {
namespace {

// The regularized upper incomplete gamma function Q(a, x): its series below a + 1, its continued
// fraction (modified Lentz) above, each to double precision.
double upper_gamma(double a, double x)
{
    const double log_front = a * std::log(x) - x - std::lgamma(a);
    if (x < a + 1) {
        double term = 1 / a, sum = term;
        for (int k = 1; k < 1000 && std::fabs(term) > std::fabs(sum) * 1e-17; ++k) {
            term *= x / (a + k);
            sum += term;
        }
        return std::max(0.0, 1 - sum * std::exp(log_front));
    }
    constexpr double tiny = 1e-300;
    double b = x + 1 - a, c = 1 / tiny, d = 1 / b, h = d;
    for (int k = 1; k < 1000; ++k) {
        const double an = -k * (k - a);
        b += 2;
        d = an * d + b;
        d = std::fabs(d) < tiny ? tiny : d;
        c = b + an / c;
        c = std::fabs(c) < tiny ? tiny : c;
        d = 1 / d;
        const double step = d * c;
        h *= step;
        if (std::fabs(step - 1) < 1e-16)
            break;
    }
    return std::exp(log_front) * h;
}

double log_choose(double n, double k) { return std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1); }

FisherTest fisher_test(const std::vector<double> &c)
{
    const double r1 = c[0] + c[1], c1 = c[0] + c[2], n = c[0] + c[1] + c[2] + c[3];
    const double low = std::max(0.0, r1 + c1 - n), high = std::min(r1, c1);
    auto probability = [&](double k) { return std::exp(log_choose(c1, k) + log_choose(n - c1, r1 - k) - log_choose(n, r1)); };
    FisherTest test;
    test.cell = c[0];
    test.table = probability(c[0]);
    // A relative margin so that tables as probable as this one, up to rounding, count as such.
    const double bound = test.table * (1 + 1e-7);
    for (double k = low; k <= high; ++k) {
        const double p = probability(k);
        if (k <= c[0])
            test.left += p;
        if (k >= c[0])
            test.right += p;
        if (p <= bound)
            test.two_sided += p;
    }
    test.left = std::min(test.left, 1.0);
    test.right = std::min(test.right, 1.0);
    test.two_sided = std::min(test.two_sided, 1.0);
    return test;
}

} // namespace

double chi_square_upper(double x, double df) { return x <= 0 ? 1 : upper_gamma(df / 2, x / 2); }

ContingencyTests contingency_tests(const std::vector<double> &counts, size_t rows, size_t cols)
{
    ContingencyTests t;
    std::vector<double> row_total(rows, 0), col_total(cols, 0);
    for (size_t i = 0; i < rows; ++i)
        for (size_t j = 0; j < cols; ++j) {
            row_total[i] += counts[i * cols + j];
            col_total[j] += counts[i * cols + j];
            t.n += counts[i * cols + j];
        }
    double small = 0;
    for (size_t i = 0; i < rows; ++i)
        for (size_t j = 0; j < cols; ++j) {
            const double observed = counts[i * cols + j], expected = row_total[i] * col_total[j] / t.n;
            t.pearson += (observed - expected) * (observed - expected) / expected;
            if (observed > 0)
                t.likelihood_ratio += 2 * observed * std::log(observed / expected);
            small += expected < 5;
        }
    t.small_expected = small / static_cast<double>(rows * cols);
    t.df = static_cast<double>((rows - 1) * (cols - 1));
    t.pearson_p = chi_square_upper(t.pearson, t.df);
    t.likelihood_ratio_p = chi_square_upper(t.likelihood_ratio, t.df);
    t.contingency = std::sqrt(t.pearson / (t.pearson + t.n));
    t.cramers_v = std::sqrt(t.pearson / t.n / static_cast<double>(std::min(rows, cols) - 1));
    t.phi = t.cramers_v * (std::min(rows, cols) == 2 ? 1 : std::sqrt(static_cast<double>(std::min(rows, cols) - 1)));
    t.two_by_two = rows == 2 && cols == 2;
    if (t.two_by_two) {
        const double cross = counts[0] * counts[3] - counts[1] * counts[2];
        t.phi = cross / std::sqrt(row_total[0] * row_total[1] * col_total[0] * col_total[1]);
        t.cramers_v = t.phi;
        // Yates: |n11 n22 - n12 n21| less n/2, not below 0.
        const double adjusted = std::max(0.0, std::fabs(cross) - t.n / 2);
        t.continuity = t.n * adjusted * adjusted / (row_total[0] * row_total[1] * col_total[0] * col_total[1]);
        t.continuity_p = chi_square_upper(t.continuity, 1);
        t.fisher = fisher_test(counts);
    }
    return t;
}

double equal_proportions_chi_square(const std::vector<double> &counts)
{
    double n = 0, chi = 0;
    for (double c : counts)
        n += c;
    const double expected = n / static_cast<double>(counts.size());
    for (double c : counts)
        chi += (c - expected) * (c - expected) / expected;
    return chi;
}

} // namespace quill::host
