// The output data sets and the plots of a successful fit.
#ifndef QUILL_PROC_OUTPUT_OUTPUTS_H
#define QUILL_PROC_OUTPUT_OUTPUTS_H

#include "proc_run.h"

namespace quill::proc {

// Opens every output data set asked for and defines its variables (OUTBETAS, OUTERRS, OUTINFO,
// OUTPRED, then OUTPATH); then writes their observations in the same order.
void define_outputs(const proc_options &options, const proc_data &data, const proc_design &design,
                    const proc_fit &fit, proc_outputs &outputs);
void write_outputs(const proc_options &options, const proc_data &data, const proc_design &design,
                   const proc_fit &fit, proc_outputs &outputs);

// PLOTS=: the coefficient path and the criterion against lambda (plots.cpp).
void draw_plots(const proc_options &options, const proc_data &data, const proc_design &design,
                const proc_fit &fit);

} // namespace quill::proc

#endif
