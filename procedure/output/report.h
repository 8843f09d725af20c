// What the procedure says about a fit: the log warnings about numbers that need care, and the
// listing report.
#ifndef QUILL_PROC_OUTPUT_REPORT_H
#define QUILL_PROC_OUTPUT_REPORT_H

#include "proc_run.h"

namespace quill::proc {

// Warnings about a fit the engine returned without an error (fit_warnings.cpp), written whether
// or not the report is printed.
void warn_about_fit(const proc_options &options, const proc_data &data, const proc_design &design,
                    const proc_fit &fit);

// The warnings about the lambda grid's ends (report.cpp): each as its warning and its reason.
// warn_about_fit writes them to the log, with or without NOPRINT (a NOPRINT step in a loop is
// where they are needed most); print_summary lists them. Returns how many (0 to 2).
struct grid_warning {
    const char *warning;
    const char *reason;
};
int grid_end_warnings(const proc_design &design, const proc_fit &fit, int32_t grid_size,
                      grid_warning (&out)[2]);

// A design the engine refused for aliased columns (fit.aliased_design): an ERROR naming them,
// then the step (or under BY the group) ends (fit_warnings.cpp).
[[noreturn]] void refuse_aliased_columns(const proc_options &options, const proc_data &data,
                                         const proc_fit &fit);

// The listing report of a successful fit (report.cpp); under BY the group's heading (the host's
// dashed BY line) tops it.
void print_summary(const proc_options &options, const proc_data &data, const proc_design &design,
                   const proc_fit &fit, const char *by_heading = nullptr);

// The printed tables as data for the host (table_output.cpp): FitSummary and ParameterEstimates,
// for the program's ODS OUTPUT statement; none under NOPRINT or from a host without the
// routine table's output_table. Under BY `group` is the group's.
void hand_over_tables(const proc_options &options, const proc_data &data, const proc_design &design,
                      const proc_fit &fit, const qh_by_group *group = nullptr);

} // namespace quill::proc

#endif
