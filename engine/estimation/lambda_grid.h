// The lambda grid: G evenly spaced candidate values, smallest first.
#pragma once

#include "records/scad_session.h"

namespace quill::engine {

int run_calculate_scad_Lgrid(scad_session& session, error_trail& trail);

}  // namespace quill::engine
