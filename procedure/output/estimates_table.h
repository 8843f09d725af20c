// The estimates table of the listing report, and the listing helpers it shares with the report.
#ifndef QUILL_PROC_OUTPUT_ESTIMATES_TABLE_H
#define QUILL_PROC_OUTPUT_ESTIMATES_TABLE_H

#include <cstddef>
#include <string>

#include "proc_run.h"

namespace quill::proc {

// Characters a text shows (UTF-8 aware), not its bytes.
std::size_t display_width(const std::string &text);

// One listing line holding `text`, which is never read as a format.
void list_line(const std::string &text);

// The table of the intercept and the non-zero coefficients, then the line naming the zero ones.
void print_estimates(const proc_options &options, const proc_data &data, const proc_fit &fit);

} // namespace quill::proc

#endif
