// The unpenalized fit of the full model: the start and reference of every grid fit.
#pragma once

#include "records/scad_session.h"

namespace quill::engine {

int run_calculate_scad_initialfit(scad_session& session, error_trail& trail);

}  // namespace quill::engine
