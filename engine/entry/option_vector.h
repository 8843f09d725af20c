// The positional entries' option vector read into the struct entry's controls: the eight options
// by name, and the start option's upper bits (the trace switch and the thread limit) into
// members of their own.
#pragma once

#include <cstdint>

#include "quill/runscad.h"

namespace quill::engine {

// `options` holds eight elements; min_lambda and max_lambda are the values the caller's
// arguments point to. EBIC's gamma is 0.5, and no cross-validation control is set.
quill_fit_controls controls_from_options(const int32_t* options, int32_t model_type,
                                         double tolerance, double a, double min_lambda,
                                         double max_lambda);

}  // namespace quill::engine
