// The call's progress (quill_fit_controls.progress): which fit runs and how many passes it has
// made, handed to the caller's callback as each fit and each pass starts. The reporter belongs to
// the calling thread and lasts for its scope, as the trace lines' switch does: a worker thread
// has none, so no worker ever calls back. Without a callback a report costs one test.
#pragma once

#include <cstdint>

#include "quill/runscad.h"

namespace quill::engine {

// The caller's callback for one call, or none (null).
class progress_scope {
public:
    progress_scope(quill_progress_callback callback, void* context, int32_t grid_size);
    ~progress_scope();
    progress_scope(const progress_scope&) = delete;
    progress_scope& operator=(const progress_scope&) = delete;

    quill_progress_callback callback;
    void* context;
    double lambda_unit = 1.0;
    quill_fit_progress state{};
    int fits_open = 0;  // passes are reported only within a fit

private:
    progress_scope* previous_;
};

// The units of the reported lambdas: the fitted data's response scale (lambda on the
// standardized scale times `scale`).
void progress_lambda_unit(double scale);

// Cross-validation: the fold whose path is fitted (0: the full data's) of `folds`.
void progress_fold(int32_t fold, int32_t folds);

// One fit, reported as it starts. A fit that runs inside another (the descent path's start inside
// its first grid value) hands the report back to the outer one, at the passes it had, as it ends.
class progress_fit {
public:
    // lambda on the standardized scale; grid_value as quill_fit_progress names it.
    progress_fit(int32_t stage, int32_t grid_value, double lambda, int32_t max_passes);
    ~progress_fit();
    progress_fit(const progress_fit&) = delete;
    progress_fit& operator=(const progress_fit&) = delete;

private:
    quill_fit_progress outer_{};
};

// The fit under way has started its pass number `passes` (counted from its start); reported when
// that is more than the last report showed, the call's total growing by the difference.
void progress_passes(int32_t passes);

}  // namespace quill::engine
