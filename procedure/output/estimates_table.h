// The estimates table of the listing report, and the listing helpers it shares with the report.
#ifndef QUILL_PROC_OUTPUT_ESTIMATES_TABLE_H
#define QUILL_PROC_OUTPUT_ESTIMATES_TABLE_H

#include <cstddef>
#include <string>
#include <vector>

#include "proc_run.h"

namespace quill::proc {

// Characters a text shows (UTF-8 aware), not its bytes.
std::size_t display_width(const std::string &text);

// One listing line holding `text`, which is never read as a format.
void list_line(const std::string &text);

// A row of the estimates table: its texts as printed (the predictor's name on its first row only)
// and the values behind them (missing where a column has none; a reference level's estimate 0).
struct estimate_row {
    std::string name, level, frequency, weight, beta, std_err;
    std::string predictor;
    double frequency_value, weight_value, beta_value, std_err_value;
};

// The intercept and the non-zero coefficients in MODEL order; the names whose coefficient is zero
// go to `removed`.
std::vector<estimate_row> estimate_rows(const proc_options &options, const proc_data &data, const proc_fit &fit,
                                        std::vector<std::string> &removed);

// The table of the intercept and the non-zero coefficients, then the line naming the zero ones.
void print_estimates(const proc_options &options, const proc_data &data, const proc_fit &fit);

} // namespace quill::proc

#endif
