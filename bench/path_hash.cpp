#include "path_hash.h"

#include <cinttypes>
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
