// Checks of runscad's arguments that keep the call from reading outside the caller's arrays or
// computing on numbers that are not numbers: sizes, null pointers and non-finite data.
#pragma once

#include "runscad.h"
#include "support/error_trail.h"

namespace quill::engine {

// 0 for an intercept mode of 0 to 2; otherwise -1 with "Invalid input for intercept_mode".
int check_intercept_mode(int32_t intercept_mode, error_trail& trail);

// 0 when the request can be used; otherwise -1 with one sentence and runscad's location.
int check_fit_request(const fit_request& request, error_trail& trail);

}  // namespace quill::engine
