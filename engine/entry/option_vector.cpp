#include "option_vector.h"

namespace quill::engine {

quill_fit_controls controls_from_options(const int32_t* o, int32_t model_type, double tolerance,
                                         double a, double min_lambda, double max_lambda) {
    constexpr int32_t known = QUILL_START_RULE_MASK | QUILL_CONTROL_QUIET |
                              QUILL_CONTROL_THREADS(QUILL_MAX_THREAD_LIMIT);
    const int32_t start = o[QUILL_OPT_START];
    quill_fit_controls c{};
    c.size = sizeof c;
    c.model_type = model_type;
    c.algorithm = o[QUILL_OPT_ALGORITHM];
    c.selection = o[QUILL_OPT_SELECTION];
    c.dfformula = o[QUILL_OPT_DFFORMULA];
    c.grid_size = o[QUILL_OPT_GRID_SIZE];
    c.max_iter = o[QUILL_OPT_MAX_ITER];
    c.robust = o[QUILL_OPT_ROBUST];
    // A reserved bit makes the whole value the rule, which the settings check refuses.
    c.start = (start & ~known) != 0 ? start : start & QUILL_START_RULE_MASK;
    c.intercept_mode = o[QUILL_OPT_INTERCEPT_MODE];
    c.threads = (start >> QUILL_CONTROL_THREADS_SHIFT) & QUILL_MAX_THREAD_LIMIT;
    c.trace = (start & QUILL_CONTROL_QUIET) != 0 ? 0 : 1;
    c.tolerance = tolerance;
    c.a = a;
    c.min_lambda = min_lambda;
    c.max_lambda = max_lambda;
    c.ebic_gamma = 0.5;
    return c;
}

}  // namespace quill::engine
