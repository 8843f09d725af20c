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

// Whether the loaded design has full rank. A design column that is an exact linear combination
// of the intercept and the columns before it (aliased, as glm() reports it) refuses the fit with
// a sentence naming the columns: their coefficients cannot be told apart, and a selection among
// them would be arbitrary. aliased_out (p bytes, or null) gets 0xFF for each such column, else 0.
// A model with as many coefficients as observations is refused as saturated.
bool scad_design_has_full_rank(const scad_session& session, uint8_t* aliased_out,
                               error_trail& trail);

// Every element a finite whole number, exactly on the double.
bool is_whole_vector(vector_cview v);

}  // namespace quill::engine
