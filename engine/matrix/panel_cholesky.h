// The lower Cholesky factor of a large matrix, its work shared among the team's threads.
#pragma once

#include "support/engine_array.h"

namespace quill::engine {

// Y (square) is replaced by its lower Cholesky factor with the bits detail::cholesky_factor
// gives, at any number of threads; the upper triangle is not touched. Returns -1, or the first
// column whose pivot is not positive (Y then partly factored).
int cholesky_factor_in_panels(matrix_view Y);

}  // namespace quill::engine
