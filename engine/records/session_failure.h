// Failure reports of the estimation operations. Each adds the failure's lines to the trail and
// then resets the whole session, so that a later step finds it not ready instead of computing
// on partial results.
#pragma once

#include "records/scad_session.h"

namespace quill::engine {

inline int fail_reset(scad_session& session, error_trail& trail, const char* where,
                      const char* sentence) {
    fail(trail, where, sentence);
    nullify_scad_session(session, trail);
    return -1;
}

inline int fail_status_reset(scad_session& session, error_trail& trail, int32_t code,
                             const char* where, const char* object_name = nullptr) {
    fail_status(trail, code, where, object_name);
    nullify_scad_session(session, trail);
    return -1;
}

// After a callee that already explained the failure: only this operation's location.
inline int fail_after_reset(scad_session& session, error_trail& trail, const char* where) {
    fail_after(trail, where);
    nullify_scad_session(session, trail);
    return -1;
}

}  // namespace quill::engine
