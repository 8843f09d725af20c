// The output data sets and the plots of a successful fit.
#ifndef QUILL_PROC_OUTPUT_OUTPUTS_H
#define QUILL_PROC_OUTPUT_OUTPUTS_H

#include "proc_run.h"

namespace quill::proc {

// Opens every output data set asked for and defines its variables (OUTBETAS, OUTERRS, OUTINFO,
// OUTPRED, then OUTPATH), the BY variables first: the coefficient columns are those of `data`'s
// design (under BY the whole data set's CLASS levels). The fit and the design are bound by
// address and filled later; every fit written goes into these same objects.
void define_outputs(const proc_options &options, const proc_data &data, const proc_design &design,
                    const proc_fit &fit, proc_outputs &outputs);

// Maps the design columns of `data` (a BY group's, or the same data as define_outputs was given)
// to the output columns, found by predictor and CLASS level.
void map_output_columns(const proc_options &options, const proc_data &columns_data, const proc_data &data,
                        proc_outputs &outputs);

// The BY variables' values of a group, for the observations written next.
void set_by_values(const proc_options &options, const qh_by_group &group, proc_outputs &outputs);

// Writes the observations of one fit in the order the data sets were defined; with
// `complete` each data set is completed at once, otherwise by release_outputs after the last fit.
void write_outputs(const proc_options &options, const proc_data &data, const proc_design &design,
                   const proc_fit &fit, proc_outputs &outputs, bool complete);
void release_outputs(const proc_outputs &outputs);

// PLOTS=: the coefficient path and the criterion against lambda (plots.cpp).
// Under BY, `group` (from 1) and its BY line name each group's files and plots.
void draw_plots(const proc_options &options, const proc_data &data, const proc_design &design,
                const proc_fit &fit, int32_t group = 0, const char *by_line = nullptr);

} // namespace quill::proc

#endif
