// Mean vector and variance weights of the normal, logistic and Poisson models, with the
// numerical guards that keep them finite and the weights away from zero.
#pragma once

#include "session/scad_session.h"

namespace quill::engine {

int scad_calculate_mu(matrix_cview x, vector_cview beta, int32_t model_type, vector_view mu,
                      error_trail& trail);

int scad_calculate_fitweights(vector_cview mu, vector_view weights, int32_t model_type,
                              error_trail& trail);

}  // namespace quill::engine
