// One-line shape failures of the matrix methods: the status line, the names of the offending
// arguments when given, and the location.
#pragma once

#include "support/error_trail.h"

namespace quill::engine {

inline int fail_shape(error_trail& trail, int32_t code, const char* where,
                      const char* argument_names = nullptr) {
    error_handle(trail, code, where, nullptr, {}, nullptr, argument_names);
    return -1;
}

}  // namespace quill::engine
