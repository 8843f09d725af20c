// The folds of cross-validation: drawn from a seed, or the caller's ids checked. Fold 0 is no
// fold (an observation of weight 0).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quill::engine {

// splitmix64: the next 64-bit value from `state`, which it advances.
uint64_t splitmix64_next(uint64_t& state);

// The n observations' folds, 1 to k, for the m of positive weight (weights null: all n):
// Fisher-Yates over their indices driven by splitmix64(seed), position t to fold (t mod k) + 1.
// k must be from 2 to m (cv_fold_count checks it).
std::vector<int32_t> draw_folds(int32_t n, const double* weights, int32_t k, uint64_t seed);

// The number of folds of a call without fold ids: `wanted`, or 10 (at most m) when it is 0;
// m counts the observations used (of positive weight).
// "" when it is from 2 to m, else why not.
std::string cv_fold_count(int32_t wanted, int32_t m, int32_t& k);

// The caller's ids as folds (0 for an observation of weight 0), k their largest. "" when every
// fold from 1 to k holds an observation of positive weight, k >= 2 and `wanted` is 0 or k.
std::string take_folds(int32_t n, const int32_t* ids, const double* weights, int32_t wanted,
                       std::vector<int32_t>& folds, int32_t& k);

}  // namespace quill::engine
