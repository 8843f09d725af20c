// The folds are fitted one after the other, each with every thread of the call, so that the
// results do not depend on the number of threads.
#include "estimation/cross_validation.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "estimation/mean_and_weights.h"
#include "records/option_codes.h"
#include "support/fit_progress.h"

namespace quill::engine {

namespace {

cv_rows take_rows(const cv_data& d, const std::vector<int32_t>& folds, int32_t fold,
                  bool held_out) {
    cv_rows r;
    std::vector<int32_t> index;
    for (int32_t i = 0; i < d.n; ++i)
        if ((folds[static_cast<std::size_t>(i)] == fold) == held_out) index.push_back(i);
    r.n = static_cast<int32_t>(index.size());
    r.x.resize(static_cast<std::size_t>(r.n) * static_cast<std::size_t>(d.p));
    for (int32_t c = 0; c < d.p; ++c) {
        const double* column = d.x + static_cast<std::size_t>(c) * d.n;
        double* to = r.x.data() + static_cast<std::size_t>(c) * r.n;
        for (int32_t t = 0; t < r.n; ++t) to[t] = column[index[t]];
    }
    for (int32_t i : index) {
        r.y.push_back(d.y[i]);
        r.w.push_back(d.weights != nullptr ? d.weights[i] : 1.0);
        r.offset.push_back(d.offset != nullptr ? d.offset[i] : 0.0);
    }
    return r;
}

// Adds the held-out losses of fold `fold` (0-based) at every grid value to loss (k x G,
// fold-major) and its weight. A grid value outside the fold's fitted run takes the nearest fit.
void add_held_out_losses(const cv_data& d, const cv_rows& test, const fold_path& path,
                         std::size_t fold, int G, std::vector<double>& loss, double& weight) {
    const int last = path.fitted;
    std::vector<double> eta(static_cast<std::size_t>(test.n));
    for (int32_t t = 0; t < test.n; ++t) weight += test.w[t];
    for (int g = 0; g < G; ++g) {
        const int from = std::min(std::max(g, path.first_fitted - 1), std::max(last, 1) - 1);
        for (int32_t t = 0; t < test.n; ++t) eta[t] = path.intercept[from] + test.offset[t];
        for (int32_t c = 0; c < d.p; ++c) {
            const double b = path.beta[static_cast<std::size_t>(from) + static_cast<std::size_t>(c) * G];
            if (b == 0.0) continue;
            const double* column = test.x.data() + static_cast<std::size_t>(c) * test.n;
            for (int32_t t = 0; t < test.n; ++t) eta[t] += column[t] * b;
        }
        double sum = 0.0;
        for (int32_t t = 0; t < test.n; ++t)
            sum += test.w[t] * family_deviance(d.model_type, test.y[t], eta[t]);
        loss[fold * G + static_cast<std::size_t>(g)] = sum;
    }
}

}  // namespace

int32_t cross_validate(const cv_data& data, const std::vector<int32_t>& folds, int32_t k, int G,
                       const fold_fit& fit, cv_table& table, error_trail& trail) {
    std::vector<double> loss(static_cast<std::size_t>(k) * G, 0.0);
    std::vector<double> weight(static_cast<std::size_t>(k), 0.0);
    fold_path path;
    for (int32_t j = 1; j <= k; ++j) {
        progress_fold(j, k);
        if (fit(take_rows(data, folds, j, false), path, trail) != 0) return j;
        add_held_out_losses(data, take_rows(data, folds, j, true), path,
                            static_cast<std::size_t>(j - 1), G, loss, weight[j - 1]);
    }
    progress_fold(0, k);
    table = summarize_cv(loss, weight, G);
    return 0;
}

}  // namespace quill::engine
