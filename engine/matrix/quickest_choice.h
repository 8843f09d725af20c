// The quickest of a few ways to do the same work, by timing them here and now: each runs in
// turn, round after round, and each keeps its best round, so that a slice of time the system
// gave to other work does not decide. Ties go to the earlier way.
#pragma once

#include <chrono>
#include <vector>

namespace quill::engine::detail {

// run(c) does the work the c-th way, for c in [0, count); returns the quickest c.
template <class Run>
int quickest_choice(int count, int rounds, Run&& run) {
    using clock = std::chrono::steady_clock;
    std::vector<clock::duration> best(static_cast<std::size_t>(count), clock::duration::max());
    for (int round = 0; round < rounds; ++round)
        for (int c = 0; c < count; ++c) {
            const clock::time_point start = clock::now();
            run(c);
            const clock::duration took = clock::now() - start;
            if (took < best[c]) best[c] = took;
        }
    int quickest = 0;
    for (int c = 1; c < count; ++c)
        if (best[c] < best[quickest]) quickest = c;
    return quickest;
}

}  // namespace quill::engine::detail
