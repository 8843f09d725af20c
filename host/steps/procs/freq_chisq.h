// PROC FREQ's CHISQ option in the listing: the statistics table under a two-way table (and
// Fisher's exact test under a 2x2 one), the test of equal proportions under a one-way table.
#ifndef QUILL_HOST_STEPS_PROCS_FREQ_CHISQ_H
#define QUILL_HOST_STEPS_PROCS_FREQ_CHISQ_H

#include <string>
#include <vector>

#include "base/log_writer.h"

namespace quill::host {

// `counts` row by row, rows * cols; `heading` the table's heading lines ("Table of a by b", and
// "Controlling for ..." under an n-way request).
void print_table_statistics(Listing &listing, const std::vector<double> &counts, size_t rows, size_t cols,
                            const std::vector<std::string> &heading);
// The counts of a one-way table's levels.
void print_equal_proportions(Listing &listing, const std::vector<double> &counts);

} // namespace quill::host

#endif
