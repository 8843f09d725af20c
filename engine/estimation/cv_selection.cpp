#include "estimation/cv_selection.h"

#include <cmath>
#include <limits>

#include "estimation/fit_criteria.h"
#include "quill/runscad.h"

namespace quill::engine {

cv_table summarize_cv(const std::vector<double>& loss, const std::vector<double>& weight, int G) {
    const std::size_t k = weight.size();
    double total = 0.0;
    for (double w : weight) total += w;
    cv_table t;
    t.error.assign(static_cast<std::size_t>(G), 0.0);
    t.se.assign(static_cast<std::size_t>(G), 0.0);
    for (int g = 0; g < G; ++g) {
        double sum = 0.0;
        for (std::size_t j = 0; j < k; ++j) sum += loss[j * G + g];
        const double mean = sum / total;
        double spread = 0.0;
        for (std::size_t j = 0; j < k; ++j) {
            const double d = loss[j * G + g] / weight[j] - mean;
            spread += weight[j] * d * d;
        }
        t.error[g] = mean;
        t.se[g] = std::sqrt(spread / total / static_cast<double>(k - 1));
    }
    return t;
}

int pick_cv(const cv_table& t, int eligible, int32_t rule) {
    double least = std::numeric_limits<double>::infinity();
    for (int g = 0; g < eligible; ++g)
        if (t.error[g] < least) least = t.error[g];  // NaN never
    if (!std::isfinite(least)) return -1;
    const double limit = least + tie_width(least);
    int best = 0;
    while (!(t.error[best] <= limit)) ++best;
    if (rule != QUILL_CV_RULE_1SE) return best;
    const double bound = t.error[best] + t.se[best];
    int chosen = best;
    for (int g = best + 1; g < eligible; ++g)
        if (t.error[g] <= bound) chosen = g;
    return chosen;
}

}  // namespace quill::engine
