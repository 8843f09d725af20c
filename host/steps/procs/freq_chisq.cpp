#include "steps/procs/freq_chisq.h"

#include "steps/contingency_tests.h"
#include "steps/listing_table.h"

namespace quill::host {
namespace {

std::string probability_text(double p) { return p < 0.0001 ? "<.0001" : fixed_text(p, 4); }

// A label and its value on one line of a small two-column table `width` wide.
std::string labelled(const std::string &label, const std::string &value, size_t width)
{
    return pad_text(label, width - value.size(), false) + value;
}

void print_fisher(Listing &listing, const FisherTest &f)
{
    constexpr size_t width = 34;
    const std::string title = "Fisher's Exact Test";
    listing.line(std::string((width - title.size()) / 2, ' ') + title);
    listing.line(std::string(width, '-'));
    listing.line(labelled("Cell (1,1) Frequency (F)", fixed_text(f.cell, 0), width));
    listing.line(labelled("Left-sided Pr <= F", probability_text(f.left), width));
    listing.line(labelled("Right-sided Pr >= F", probability_text(f.right), width));
    listing.line("");
    listing.line(labelled("Table Probability (P)", probability_text(f.table), width));
    listing.line(labelled("Two-sided Pr <= P", probability_text(f.two_sided), width));
    listing.line("");
}

} // namespace

void print_table_statistics(Listing &listing, const std::vector<double> &counts, size_t rows, size_t cols,
                            const std::vector<std::string> &heading)
{
    for (size_t k = 0; k < heading.size(); ++k)
        listing.line(centered(k == 0 ? "Statistics for " + heading[k] : heading[k]));
    listing.line("");
    if (rows < 2 || cols < 2) {
        listing.line("No statistics are computed: the table has a single row or column.");
        listing.line("");
        return;
    }
    const ContingencyTests t = contingency_tests(counts, rows, cols);
    const std::string df = fixed_text(t.df, 0);
    ListingColumn statistic{"Statistic", false, {}}, dfs{"DF", true, {}}, value{"Value", true, {}}, prob{"Prob", true, {}};
    auto add = [&](const char *name, const std::string &d, double v, const std::string &p) {
        statistic.cells.push_back(name);
        dfs.cells.push_back(d);
        value.cells.push_back(fixed_text(v, 4));
        prob.cells.push_back(p);
    };
    add("Chi-Square", df, t.pearson, probability_text(t.pearson_p));
    add("Likelihood Ratio Chi-Square", df, t.likelihood_ratio, probability_text(t.likelihood_ratio_p));
    if (t.two_by_two)
        add("Continuity Adj. Chi-Square", "1", t.continuity, probability_text(t.continuity_p));
    add("Phi Coefficient", "", t.phi, "");
    add("Contingency Coefficient", "", t.contingency, "");
    add("Cramer's V", "", t.cramers_v, "");
    print_listing_table(listing, {statistic, dfs, value, prob}, true);
    listing.line("");
    if (t.small_expected > 0.2) {
        listing.line("WARNING: " + fixed_text(100 * t.small_expected, 0) + "% of the cells have expected counts less");
        listing.line("         than 5. Chi-Square may not be a valid test.");
        listing.line("");
    }
    if (t.two_by_two)
        print_fisher(listing, t.fisher);
    listing.line("Sample Size = " + fixed_text(t.n, 0));
    listing.line("");
}

void print_equal_proportions(Listing &listing, const std::vector<double> &counts)
{
    if (counts.size() < 2)
        return;
    const double chi = equal_proportions_chi_square(counts), df = static_cast<double>(counts.size() - 1);
    constexpr size_t width = 21;
    listing.line("     Chi-Square Test");
    listing.line("for Equal Proportions");
    listing.line(std::string(width, '-'));
    listing.line(labelled("Chi-Square", fixed_text(chi, 4), width));
    listing.line(labelled("DF", fixed_text(df, 0), width));
    listing.line(labelled("Pr > ChiSq", probability_text(chi_square_upper(chi, df)), width));
    listing.line("");
}

} // namespace quill::host
