// Loading the data into a session: the standardized design, its cross-products and copies of
// the other inputs.
#pragma once

#include "records/scad_session.h"

namespace quill::engine {

// raw_x is read, not kept: only its standardized form stays in the session.
int run_load_scad_dataset(matrix_cview raw_x, const dbl1& y, const log1& forcein,
                          const dbl1& case_weights, scad_session& session, error_trail& trail,
                          const double* offset = nullptr);

// Whether the response suits the model type (logistic: 0/1, Poisson: non-negative integers).
bool scad_y_is_allowable(const dbl1& y, int32_t model_type, error_trail& trail);

// Every element a finite whole number, exactly on the double.
bool is_whole_vector(vector_cview v);

}  // namespace quill::engine
