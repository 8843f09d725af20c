#include "support/fit_progress.h"

namespace quill::engine {

namespace {

thread_local progress_scope* current = nullptr;  // the running call's, when it has a callback

}  // namespace

progress_scope::progress_scope(quill_progress_callback callback, void* context, int32_t grid_size)
    : callback(callback), context(context), previous_(current) {
    state.size = sizeof(quill_fit_progress);
    state.grid_size = grid_size;
    current = callback != nullptr ? this : nullptr;
}

progress_scope::~progress_scope() { current = previous_; }

void progress_lambda_unit(double scale) {
    if (current != nullptr) current->lambda_unit = scale;
}

void progress_fold(int32_t fold, int32_t folds) {
    if (current == nullptr) return;
    current->state.fold = fold;
    current->state.folds = folds;
}

progress_fit::progress_fit(int32_t stage, int32_t grid_value, double lambda, int32_t max_passes) {
    if (current == nullptr) return;
    quill_fit_progress& s = current->state;
    outer_ = s;
    s.stage = stage;
    s.grid_value = grid_value;
    s.lambda = lambda * current->lambda_unit;
    s.passes = 0;
    s.max_passes = max_passes;
    ++current->fits_open;
    current->callback(current->context, &s);
}

// The outer fit's place comes back; the call's count of passes and its fold stay as they are.
progress_fit::~progress_fit() {
    if (current == nullptr) return;
    quill_fit_progress& s = current->state;
    outer_.total_passes = s.total_passes;
    outer_.fold = s.fold;
    outer_.folds = s.folds;
    s = outer_;
    --current->fits_open;
}

void progress_passes(int32_t passes) {
    if (current == nullptr || current->fits_open == 0) return;
    quill_fit_progress& s = current->state;
    if (passes <= s.passes) return;
    s.total_passes += passes - s.passes;
    s.passes = passes;
    current->callback(current->context, &s);
}

}  // namespace quill::engine
