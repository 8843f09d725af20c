// One runscad_path call on synthetic data, timed, with what it gave: the selection, and (when
// asked) a hash of every output, the whole grid table included, and the passes of all grid fits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine_entry.h"
#include "synthetic_data.h"

namespace quill::bench {

inline constexpr uint64_t data_seed = 20261208;

// How a run fits: the algorithm option, the start rule and the intercept mode of runscad.
enum class fit_kind { lqa, warm, lqa_centred, icm };

const char* fit_name(fit_kind f);
bool parse_fit(const std::string& s, fit_kind& f);

struct outcome {
    double seconds = 0.0;      // elapsed
    double cpu_seconds = 0.0;  // processor time of the whole process (every thread)
    bool failed = false;
    std::string message;
    double lambda = 0.0;
    double criterion = 0.0;
    int iterations = 0;
    bool converged = false;
    std::vector<bool> selected;  // nonzero coefficients
    // With the table only:
    uint64_t hash = 0;  // of every output of the call, bit for bit
    long passes = 0;    // of all grid fits
    int fitted = 0;     // grid values fitted
    // With the table, for comparing two builds' paths: each fitted grid value's coefficients
    // (p each, input scale), intercept and BIC, in grid order.
    std::vector<double> path, intercepts, bics;

    int nonzero() const;
};

// Fits with BIC, COUNT, max_iter 250, a = 3.7, tolerance 1e-9, nothing forced in. The thread
// count goes through QUILL_THREADS, which every build reads (0: unset, every core; below 0: as
// the environment has it); the environment is left as it was.
outcome fit(runscad_function entry, const synthetic_data& data, model m, int G, fit_kind f,
            int threads, bool with_table);

}  // namespace quill::bench
