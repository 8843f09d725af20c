#include "cv_folds.h"

#include <algorithm>
#include <utility>

namespace quill::engine {

namespace {

bool used(const double* weights, int32_t i) { return weights == nullptr || weights[i] > 0.0; }

}  // namespace

uint64_t splitmix64_next(uint64_t& state) {
    state += 0x9E3779B97F4A7C15ULL;
    uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::vector<int32_t> draw_folds(int32_t n, const double* weights, int32_t k, uint64_t seed) {
    std::vector<int32_t> order;
    for (int32_t i = 0; i < n; ++i)
        if (used(weights, i)) order.push_back(i);
    uint64_t state = seed;
    for (std::size_t i = order.size(); i-- > 1;) {
        const uint64_t u = splitmix64_next(state);
        std::swap(order[i], order[static_cast<std::size_t>(u % (i + 1))]);
    }
    std::vector<int32_t> folds(static_cast<std::size_t>(n), 0);
    for (std::size_t t = 0; t < order.size(); ++t)
        folds[static_cast<std::size_t>(order[t])] = static_cast<int32_t>(t % k) + 1;
    return folds;
}

std::string cv_fold_count(int32_t wanted, int32_t m, int32_t& k) {
    k = wanted != 0 ? wanted : std::min<int32_t>(10, m);
    if (k >= 2 && k <= m) return "";
    return "The number of folds (" + std::to_string(k) + ") must be from 2 to " +
           std::to_string(m) + ", the observations used.";
}

std::string take_folds(int32_t n, const int32_t* ids, const double* weights, int32_t wanted,
                       std::vector<int32_t>& folds, int32_t& k) {
    folds.assign(static_cast<std::size_t>(n), 0);
    k = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (!used(weights, i)) continue;
        if (ids[i] < 1)
            return "The fold id of observation " + std::to_string(i + 1) + " (" +
                   std::to_string(ids[i]) + ") is below 1.";
        folds[static_cast<std::size_t>(i)] = ids[i];
        k = std::max(k, ids[i]);
    }
    if (k < 2) return "The fold ids name fewer than 2 folds.";
    const auto m = static_cast<int32_t>(std::count_if(folds.begin(), folds.end(),
                                                      [](int32_t f) { return f != 0; }));
    if (k > m)  // some fold is then empty; checked first so that a huge id allocates nothing
        return "The largest fold id (" + std::to_string(k) + ") exceeds the " + std::to_string(m) +
               " observations of positive weight.";
    if (wanted != 0 && wanted != k)
        return "The number of folds (" + std::to_string(wanted) + ") is not the largest fold id (" +
               std::to_string(k) + ").";
    std::vector<bool> held(static_cast<std::size_t>(k) + 1, false);
    for (int32_t f : folds) held[static_cast<std::size_t>(f)] = true;
    for (int32_t j = 1; j <= k; ++j)
        if (!held[static_cast<std::size_t>(j)])
            return "Fold " + std::to_string(j) + " of " + std::to_string(k) +
                   " has no observation of positive weight.";
    return "";
}

}  // namespace quill::engine
