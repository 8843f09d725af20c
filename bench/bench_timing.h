// Timing for the host's benchmark programs: elapsed and processor seconds of a piece of work,
// and the median of repeated runs.
#pragma once

#include <time.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace bench {

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Seconds of processor time of this process, all threads.
inline double processor_seconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

struct Timing {
    std::vector<double> elapsed, processor;
    template <typename Work>
    void time(Work work)
    {
        const double cpu = processor_seconds();
        const auto start = std::chrono::steady_clock::now();
        work();
        elapsed.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        processor.push_back(processor_seconds() - cpu);
    }
};

} // namespace bench
