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

// The listing report of a successful fit (report.cpp); under BY the group's heading (the host's
// dashed BY line) tops it.
void print_summary(const proc_options &options, const proc_data &data, const proc_design &design,
                   const proc_fit &fit, const char *by_heading = nullptr);

} // namespace quill::proc

#endif
