// The statistics PROC MEANS reports, computed the way SAS defines them: STD with n - 1 in the
// denominator, quantiles by SAS's default definition 5 (the average of the two middle values when
// n·p is whole, the next value up otherwise).
#ifndef QUILL_HOST_STEPS_SUMMARY_STATISTICS_H
#define QUILL_HOST_STEPS_SUMMARY_STATISTICS_H

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

namespace quill::host {

// ORDER: summary_statistic_names follows this enum.
enum class Statistic {
    N, NMiss, Mean, Std, Min, Max, Sum, Median, Q1, Q3, Var, StdErr, Range, CV, CSS, USS, P1, P5, P10, P90, P95, P99,
    Count
};
constexpr size_t statistic_count = static_cast<size_t>(Statistic::Count);

struct StatisticName {
    std::string_view keyword; // as a program writes it
    std::string_view header;  // over its column in the listing
    std::string_view suffix;  // of an output variable named by AUTONAME: x_StdDev
};
extern const std::array<StatisticName, statistic_count> summary_statistic_names;

// The statistics' keywords, aliases too, as the step table's rows of PROC MEANS and SUMMARY list
// them among their options (a string literal, so that a row can append it; a test checks it
// against statistic_for).
#define QUILL_STATISTIC_OPTIONS \
    "N NMISS MEAN STD STDDEV MIN MAX SUM MEDIAN P50 Q1 P25 Q3 P75 VAR STDERR RANGE CV CSS USS P1 P5 P10 P90 P95 P99"

// The statistic a keyword names (STDDEV for STD, P50 for MEDIAN, P25 and P75 for Q1 and Q3);
// false when none does.
bool statistic_for(std::string_view keyword, Statistic &statistic);

// MEDIAN, Q1, Q3 and the percentiles: they need the values sorted.
bool is_quantile(Statistic statistic);

using Summary = std::array<double, statistic_count>;

// The statistics of the values (missing ones included, counted by NMISS). `values` is reordered
// and cut to the values present; statistics of no values are missing (but N and NMISS).
Summary summarize(std::vector<double> &values, bool quantiles);

// The value at proportion p of the sorted values x (n > 0), by definition 5.
double quantile_definition5(const std::vector<double> &sorted, double p);

} // namespace quill::host

#endif
