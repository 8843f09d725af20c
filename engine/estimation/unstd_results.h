// The results at the selected lambda carried back to the scale of the input data.
#pragma once

#include "records/scad_session.h"

namespace quill::engine {

int run_calculate_scad_unstdresults(scad_session& session, error_trail& trail);

}  // namespace quill::engine
