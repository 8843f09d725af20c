// Reading the input data set into the run's data, and the checks of what was read.
#ifndef QUILL_PROC_DATA_READ_DATA_H
#define QUILL_PROC_DATA_READ_DATA_H

#include "proc_run.h"

namespace quill::proc {

// One pass over the input data set: the read-list variables column by column, the observations
// that cannot enter the fit, a character response as 0/1 and the CLASS predictors coded by
// level; then the data notes in the log.
void read_data(const proc_options &options, proc_data &data);

// The two halves of read_data: the pass over the input, and the coding of what was read (the
// response's event, the CLASS levels, the observations used) with the data notes.
void read_observations(const proc_options &options, proc_data &data);
void code_data(const proc_options &options, proc_data &data);

// Observations first .. first + count - 1 of data read whole, as the data of one BY group: its
// rows of the same columns, to be coded by code_data (which writes only those rows).
proc_data group_slice(const proc_options &options, const proc_data &whole, int32_t first, int32_t count);

// The data problems named before the engine sees the design (data_checks.cpp); an error ends
// the run after every problem is named.
void check_data(const proc_options &options, const proc_data &data);

// Gives back the columns and texts of the predictors and the response once the design holds
// them; the carried variables' (and the model columns they share) stay for OUTPRED.
void release_model_columns(const proc_options &options, proc_data &data);

} // namespace quill::proc

#endif
