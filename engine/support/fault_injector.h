// Test hook: makes the k-th engine array allocation from now fail, so that every allocation
// site's failure path can be driven from a test. Inert unless armed.
#pragma once

namespace quill::engine::fault_injector {

// Arms the injector: the k-th allocation after this call fails (k >= 1); 0 disarms it.
void fail_allocation_at(long k);
void disarm();
// Allocations attempted since the last arm or reset; lets a test count a run's allocations.
long allocations_seen();
void reset_count();

// Called by every allocation; true when this one must fail.
bool next_allocation_fails();

}  // namespace quill::engine::fault_injector
