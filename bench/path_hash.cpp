#include "path_hash.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>

#include "engine_run.h"

namespace quill::bench {

namespace {

constexpr int grid_size = 250;

struct hashed_run {
    std::string label;  // e.g. "avx2/2"
    outcome result;
};

// The lines "cell rule hash" of a file written by an earlier check.
bool read_expected(const std::string& file, std::map<std::string, uint64_t>& expected) {
    std::ifstream in(file);
    std::string cell_text, rule;
    std::string hash;
    while (in >> cell_text >> rule >> hash)
        expected[cell_text + " " + rule] = std::stoull(hash, nullptr, 16);
    return in.eof() && !expected.empty();
}

// How far a run that differs from the first one is from it over the whole path: the largest
// change of a coefficient or intercept relative to max(|value|, 1), of a BIC relative to
// max(|BIC|, 1), the grid values whose nonzero sets differ, and whether the selection moved.
void print_path_change(const hashed_run& h, const outcome& first) {
    const outcome& o = h.result;
    if (o.failed || first.failed || o.fitted != first.fitted) {
        std::printf("    %s: not comparable (failed, or %d against %d grid values fitted)\n",
                    h.label.c_str(), o.fitted, first.fitted);
        return;
    }
    const auto relative = [](double a, double b) {
        return std::fabs(a - b) / std::fmax(std::fmax(std::fabs(a), std::fabs(b)), 1.0);
    };
    const int p = first.fitted > 0 ? static_cast<int>(first.path.size()) / first.fitted : 0;
    double coefficient = 0.0, bic = 0.0;
    int sets = 0;
    for (int g = 0; g < first.fitted; ++g) {
        bool same_set = true;
        for (int j = 0; j < p; ++j) {
            const double a = o.path[static_cast<size_t>(g) * p + j];
            const double b = first.path[static_cast<size_t>(g) * p + j];
            coefficient = std::fmax(coefficient, relative(a, b));
            same_set = same_set && (a != 0.0) == (b != 0.0);
        }
        coefficient = std::fmax(coefficient, relative(o.intercepts[g], first.intercepts[g]));
        bic = std::fmax(bic, relative(o.bics[g], first.bics[g]));
        sets += same_set ? 0 : 1;
    }
    const bool selection = o.lambda == first.lambda && o.selected == first.selected;
    std::printf("    %s: largest change %.2g (coefficients), %.2g (BIC); nonzero sets differ at "
                "%d grid values; selection %s\n",
                h.label.c_str(), coefficient, bic, sets, selection ? "same" : "MOVED");
}

}  // namespace

bool check_path_hashes(const hash_request& r) {
    std::map<std::string, uint64_t> expected;
    if (!r.expect.empty() && !read_expected(r.expect, expected)) {
        std::fprintf(stderr, "quill_bench: no hashes in %s\n", r.expect.c_str());
        return false;
    }
    std::ofstream record;
    if (!r.record.empty()) record.open(r.record);
    bool all_same = true;
    std::printf("%-22s %-8s %-18s %-8s %9s %7s  %s\n", "cell", "rule", "hash", "verdict",
                "passes", "fitted", "runs (instruction set/threads)");
    for (const cell& c : r.cells) {
        const synthetic_data data = make_synthetic_data(c.m, c.n, c.p, data_seed);
        for (fit_kind f : {fit_kind::lqa, fit_kind::warm}) {
            std::vector<hashed_run> runs;
            if (r.other)
                for (int t : r.threads)
                    runs.push_back({"other/" + std::to_string(t),
                                    fit(r.other, data, c.m, grid_size, f, t, true)});
            for (const std::string& set : r.instruction_sets) {
                use_own_instruction_set(set);
                for (int t : r.threads)
                    runs.push_back({set + "/" + std::to_string(t),
                                    fit(own_runscad(), data, c.m, grid_size, f, t, true)});
            }
            use_own_instruction_set("");
            const outcome& first = runs.front().result;
            const std::string key = cell_name(c) + " " + fit_name(f);
            bool same = true;
            std::string labels;
            if (!expected.empty()) {
                const auto e = expected.find(key);
                same = e != expected.end() && e->second == first.hash;
                labels = same ? "expected" : "expected DIFFERS";
            }
            for (const hashed_run& h : runs) {
                const bool agrees = h.result.hash == first.hash;
                same = same && agrees;
                char part[64];
                std::snprintf(part, sizeof part, "%s%s%s %.2fs", labels.empty() ? "" : ", ",
                              h.label.c_str(), agrees ? "" : " DIFFERS", h.result.seconds);
                labels += part;
            }
            all_same = all_same && same;
            if (record.is_open()) {
                char line[32];
                std::snprintf(line, sizeof line, "%016" PRIx64, first.hash);
                record << key << " " << line << "\n" << std::flush;
            }
            std::printf("%-22s %-8s %016" PRIx64 "   %-8s %9ld %7d  %s%s\n", cell_name(c).c_str(),
                        fit_name(f), first.hash, same ? "same" : "DIFFERENT", first.passes,
                        first.fitted, labels.c_str(),
                        first.failed ? ("  failed: " + first.message).c_str() : "");
            for (const hashed_run& h : runs)
                if (h.result.hash != first.hash) print_path_change(h, first);
            std::fflush(stdout);
        }
    }
    std::printf("%s\n", all_same ? "every hash agrees" : "SOME HASHES DIFFER");
    if (record.is_open() && !record) {
        std::fprintf(stderr, "quill_bench: cannot write %s\n", r.record.c_str());
        return false;
    }
    return all_same;
}

}  // namespace quill::bench
