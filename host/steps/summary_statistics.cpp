#include "steps/summary_statistics.h"

#include <algorithm>
#include <cmath>

#include "data/table.h"

namespace quill::host {

const std::array<StatisticName, statistic_count> summary_statistic_names = {{
    {"N", "N", "N"},
    {"NMISS", "N Miss", "NMiss"},
    {"MEAN", "Mean", "Mean"},
    {"STD", "Std Dev", "StdDev"},
    {"MIN", "Minimum", "Min"},
    {"MAX", "Maximum", "Max"},
    {"SUM", "Sum", "Sum"},
    {"MEDIAN", "Median", "Median"},
    {"Q1", "Lower Quartile", "Q1"},
    {"Q3", "Upper Quartile", "Q3"},
    {"VAR", "Variance", "Var"},
    {"STDERR", "Std Error", "StdErr"},
    {"RANGE", "Range", "Range"},
    {"CV", "Coeff of Variation", "CV"},
    {"CSS", "Corrected SS", "CSS"},
    {"USS", "Uncorrected SS", "USS"},
    {"P1", "1st Pctl", "P1"},
    {"P5", "5th Pctl", "P5"},
    {"P10", "10th Pctl", "P10"},
    {"P90", "90th Pctl", "P90"},
    {"P95", "95th Pctl", "P95"},
    {"P99", "99th Pctl", "P99"},
}};

bool is_quantile(Statistic statistic)
{
    switch (statistic) {
    case Statistic::Median:
    case Statistic::Q1:
    case Statistic::Q3:
    case Statistic::P1:
    case Statistic::P5:
    case Statistic::P10:
    case Statistic::P90:
    case Statistic::P95:
    case Statistic::P99: return true;
    default: return false;
    }
}

bool statistic_for(std::string_view keyword, Statistic &statistic)
{
    const std::string_view aliases[][2] = {{"STDDEV", "STD"}, {"P50", "MEDIAN"}, {"P25", "Q1"}, {"P75", "Q3"}};
    for (const auto &alias : aliases)
        if (keyword == alias[0])
            keyword = alias[1];
    for (size_t i = 0; i < statistic_count; ++i)
        if (summary_statistic_names[i].keyword == keyword) {
            statistic = static_cast<Statistic>(i);
            return true;
        }
    return false;
}

double quantile_definition5(const std::vector<double> &sorted, double p)
{
    const size_t n = sorted.size();
    const double np = static_cast<double>(n) * p;
    const double whole = std::floor(np);
    const size_t j = static_cast<size_t>(whole); // x(j) is sorted[j - 1]
    if (np > whole)
        return sorted[std::min(j, n - 1)];
    if (j == 0)
        return sorted[0];
    return j >= n ? sorted[n - 1] : (sorted[j - 1] + sorted[j]) / 2;
}

Summary summarize(std::vector<double> &values, bool quantiles)
{
    Summary s;
    s.fill(missing_value());
    const size_t total = values.size();
    const auto present_end = std::partition(values.begin(), values.end(), [](double v) { return !is_missing(v); });
    const size_t n = static_cast<size_t>(present_end - values.begin());
    values.resize(n);
    auto at = [&](Statistic k) -> double & { return s[static_cast<size_t>(k)]; };
    at(Statistic::N) = static_cast<double>(n);
    at(Statistic::NMiss) = static_cast<double>(total - n);
    if (n == 0)
        return s;
    double sum = 0, uncorrected = 0, low = values[0], high = values[0];
    for (double v : values) {
        sum += v;
        uncorrected += v * v;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    const double mean = sum / static_cast<double>(n);
    at(Statistic::Sum) = sum;
    at(Statistic::Mean) = mean;
    at(Statistic::Min) = low;
    at(Statistic::Max) = high;
    at(Statistic::Range) = high - low;
    at(Statistic::USS) = uncorrected;
    double squares = 0;
    for (double v : values)
        squares += (v - mean) * (v - mean);
    at(Statistic::CSS) = squares;
    if (n > 1) {
        const double variance = squares / static_cast<double>(n - 1);
        at(Statistic::Var) = variance;
        at(Statistic::Std) = std::sqrt(variance);
        at(Statistic::StdErr) = std::sqrt(variance / static_cast<double>(n));
        if (mean != 0)
            at(Statistic::CV) = 100 * std::sqrt(variance) / mean;
    }
    if (quantiles) {
        std::sort(values.begin(), values.end());
        at(Statistic::Median) = quantile_definition5(values, 0.5);
        at(Statistic::Q1) = quantile_definition5(values, 0.25);
        at(Statistic::Q3) = quantile_definition5(values, 0.75);
        const std::pair<Statistic, double> percentiles[] = {{Statistic::P1, 0.01},  {Statistic::P5, 0.05},
                                                            {Statistic::P10, 0.10}, {Statistic::P90, 0.90},
                                                            {Statistic::P95, 0.95}, {Statistic::P99, 0.99}};
        for (const auto &[k, p] : percentiles)
            at(k) = quantile_definition5(values, p);
    }
    return s;
}

} // namespace quill::host
