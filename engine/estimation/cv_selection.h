// Cross-validation's error table and its selection rules (the formulas are in quill/runscad.h).
#pragma once

#include <cstdint>
#include <vector>

namespace quill::engine {

struct cv_table {
    std::vector<double> error, se;  // one per grid value
};

// loss[j * G + g]: fold j's weighted sum of held-out losses at grid value g (0-based);
// weight[j]: the weight of fold j (k = weight.size() >= 2).
cv_table summarize_cv(const std::vector<double>& loss, const std::vector<double>& weight, int G);

// The selected grid value (0-based) among the first `eligible`: QUILL_CV_RULE_MIN the first
// within the tie width of the least error, QUILL_CV_RULE_1SE the last whose error is at
// most that one's error plus its standard error (tie_width, estimation/fit_criteria.h). -1 when
// no error is finite.
int pick_cv(const cv_table& t, int eligible, int32_t rule);

}  // namespace quill::engine
