// The struct entry: the caller's sized structs read into the engine's request (runscad.h), the
// one form every entry runs, and the result struct written back, member by member.
#pragma once

#include <cstdint>

#include "quill/runscad.h"

namespace quill::engine {

// 0 on success; -1 on failure, with the error flag and the message in *result when it can be
// written.
int32_t run_struct_call(const quill_fit_data* data, const quill_fit_controls* controls,
                        quill_fit_result* result);

// Last resort of the boundary: the unexpected failure reported in *result when it can be
// written. Allocates nothing.
void report_struct_failure(quill_fit_result* result) noexcept;

}  // namespace quill::engine
