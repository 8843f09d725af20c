// The design: the engine's inputs over the used observations, built from the options and data.
#ifndef QUILL_PROC_DATA_DESIGN_MATRIX_H
#define QUILL_PROC_DATA_DESIGN_MATRIX_H

#include <cstdint>

#include "proc_run.h"

namespace quill::proc {

// The design matrix with its column layout (data/design_columns.h), the response, unit case
// weights, the force-in bytes, and the predictor values that the predictions of observations
// missing only the response need once the read columns are given back.
void build_design(const proc_options &options, const proc_data &data, proc_design &design);

// The cost of a design of this size made visible before it is built (design_size.cpp): a note
// for a wide one (and on the LQA path, for one wide beside its observations, that ALGORITHM ICM
// is the path for it), an error for one whose fit cannot fit in memory.
void check_design_size(const proc_options &options, int32_t rows, int32_t columns);

} // namespace quill::proc

#endif
