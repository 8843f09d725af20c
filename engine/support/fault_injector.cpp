#include "fault_injector.h"

namespace quill::engine::fault_injector {

namespace {
long target = 0;
long seen = 0;
}  // namespace

void fail_allocation_at(long k) {
    target = k;
    seen = 0;
}

void disarm() { target = 0; }

long allocations_seen() { return seen; }

void reset_count() { seen = 0; }

bool next_allocation_fails() {
    ++seen;
    return target > 0 && seen == target;
}

}  // namespace quill::engine::fault_injector
