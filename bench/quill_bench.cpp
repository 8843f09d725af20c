// quill_bench: times runscad on synthetic data, and a large CSV data set through PROC QUILLFIT.
//
//   quill_bench [--against DIR] [--runs N] [--threads LIST] [--cells LIST] [--isa SET]
//               [--csv-rows N] [--work DIR] [--set engine|csv]
//       The fixed set of cells (bench_cells.cpp), G = 250, each with both start rules (default:
//       every grid value from the unpenalized fit; warm: from the previous grid value's fit)
//       and each thread count of LIST (default: all cores); then a CSV data set of N rows
//       (default 1000000; 0 leaves it out) with 20 predictors through PROC QUILLFIT. With
//       --against, every run is also made with the build in DIR (its libquill.so, quill and
//       quillfit.so), interleaved with this build's runs on the same data, and the ratios are
//       shown. Times are medians of N runs (default 3). --cells chooses some of the cells
//       (MODEL or MODEL:NxP, comma-separated), --isa the instruction set of this build's
//       kernels, --set one of the two parts alone.
//   quill_bench --hash [--against DIR] [--threads LIST] [--cells LIST] [--isa LIST]
//                      [--record FILE] [--expect FILE]
//       The bits-identical check: a hash of every output of runscad_path, the grid table
//       included, per cell and start rule, at each thread count of LIST (default 1,2) and with
//       each instruction set of this build (default: every one the processor runs), with
//       --against the other build's at the same thread counts, and with --expect the hashes
//       that --record wrote in an earlier run. The status is 1 when a hash differs.
//   quill_bench MODEL N P G [FIT]
//       One run. MODEL: normal, logistic or poisson; FIT: lqa (the default), warm (the warm
//       start), or lqa-centred or icm (both centre the response instead of fitting an
//       intercept); cv or cv-warm time one path (BIC) against 10-fold cross-validation with
//       that start rule: `quill_bench MODEL N P G cv [DIR [RUNS]]` with another build's
//       folder DIR interleaves the two builds and compares their CV results bit for bit.
//
// Data come from a fixed seed, so every run of the same arguments fits the same data. This
// build's engine is linked in (the same objects as its libquill.so), so that its kernels'
// instruction set can be chosen.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_cells.h"
#include "cv_run.h"
#include "data/csv/csv_store.h"
#include "engine_entry.h"
#include "engine_run.h"
#include "path_hash.h"
#include "proc_run.h"
#include "synthetic_data.h"

namespace {

using namespace quill::bench;

constexpr int grid_size = 250;

bool parse_int(const std::string& s, int& value) {
    const auto result = std::from_chars(s.data(), s.data() + s.size(), value);
    return result.ec == std::errc() && result.ptr == s.data() + s.size();
}

std::vector<std::string> split(const std::string& list) {
    std::vector<std::string> items;
    for (std::size_t at = 0; at <= list.size();) {
        const std::size_t comma = std::min(list.find(',', at), list.size());
        items.push_back(list.substr(at, comma - at));
        at = comma + 1;
    }
    return items;
}

// Sets QUILL_THREADS for a child run (0: unset, all cores).
void use_threads(int threads) {
    if (threads > 0)
        setenv("QUILL_THREADS", std::to_string(threads).c_str(), 1);
    else
        unsetenv("QUILL_THREADS");
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// One row of the CV table: `name` is the build.
void print_cv_row(const char* name, model m, bool warm, int n, int p, int G, const cv_timing& t) {
    std::printf("%-9s %-7s %7d %4d %5d %9.3f %9.3f %7.2f %9.3f %9.3f %7.2f", model_name(m),
                warm ? "cv-warm" : "cv", n, p, G, t.path_seconds, t.cv_seconds,
                t.cv_seconds / t.path_seconds, t.path_cpu_seconds, t.cv_cpu_seconds,
                t.cv_cpu_seconds / t.path_cpu_seconds);
    if (t.failed)
        std::printf("  failed: %s  %s\n", t.message.c_str(), name);
    else
        std::printf(" %12.6g %7d %9.4g %9.3g  %s\n", t.lambda, t.nonzero, t.cv_error, t.cv_se, name);
}

// `quill_bench MODEL N P G cv|cv-warm [DIR [RUNS]]`: one path (BIC) against 10-fold
// cross-validation; with DIR, this build and DIR's libquill.so in turn, RUNS rounds (default 3),
// then the median processor-time ratio of each and whether their CV tables and coefficients
// are the same bits.
int cv_run(model m, int n, int p, int G, bool warm, const std::string& against, int runs) {
    const auto data = make_synthetic_data(m, n, p, data_seed);
    std::vector<quill_fit_function> builds{own_quill_fit()};
    std::vector<std::string> names{"this build"};
    if (!against.empty()) {
        std::string error;
        const quill_fit_function other = load_quill_fit(against, error);
        if (other == nullptr) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        builds.push_back(other);
        names.push_back(against);
    }
    std::printf("%-9s %-7s %7s %4s %5s %9s %9s %7s %9s %9s %7s %12s %7s %9s %9s  %s\n", "model",
                "fit", "n", "p", "G", "path s", "cv s", "ratio", "path cpu", "cv cpu", "cpu x",
                "lambda", "nonzero", "cv error", "cv se", "build");
    std::vector<std::vector<double>> ratios(builds.size());
    std::vector<cv_timing> last(builds.size());
    for (int r = 0; r < (against.empty() ? 1 : runs); ++r)
        for (std::size_t b = 0; b < builds.size(); ++b) {
            last[b] = time_cv(data, m, G, warm, 10, builds[b]);
            ratios[b].push_back(last[b].cv_cpu_seconds / last[b].path_cpu_seconds);
            print_cv_row(names[b].c_str(), m, warm, n, p, G, last[b]);
        }
    if (builds.size() < 2) return 0;
    for (std::size_t b = 0; b < builds.size(); ++b)
        std::printf("median cpu ratio, 10 folds / one path: %.2f  %s\n", median(ratios[b]),
                    names[b].c_str());
    const bool same = last[0].table == last[1].table && last[0].beta == last[1].beta;
    std::printf("CV table and coefficients: %s\n", same ? "the same bits" : "DIFFERENT");
    return 0;
}

int single_run(char** argv, int argc) {
    model m{};
    int n = 0, p = 0, G = 0;
    fit_kind f = fit_kind::lqa;
    if (argc >= 6 && argc <= 8 && (std::string(argv[5]) == "cv" || std::string(argv[5]) == "cv-warm")) {
        int runs = 3;
        if (!parse_model(argv[1], m) || !parse_int(argv[2], n) || !parse_int(argv[3], p) ||
            !parse_int(argv[4], G) || n < 2 || p < 1 || G < 1 || G > QUILL_MAX_GRID_SIZE ||
            (argc == 8 && (!parse_int(argv[7], runs) || runs < 1)))
            return -1;
        return cv_run(m, n, p, G, std::string(argv[5]) == "cv-warm", argc >= 7 ? argv[6] : "", runs);
    }
    if (!parse_model(argv[1], m) || !parse_int(argv[2], n) || !parse_int(argv[3], p) ||
        !parse_int(argv[4], G) || n < 2 || p < 1 || G < 1 || G > QUILL_MAX_GRID_SIZE ||
        (argc == 6 && !parse_fit(argv[5], f)))
        return -1;
    const auto data = make_synthetic_data(m, n, p, data_seed);
    const outcome o = fit(own_runscad(), data, m, G, f, -1, true);
    std::printf("%-9s %-7s %7s %4s %5s %9s %12s %7s %6s %8s\n", "model", "fit", "n", "p", "G",
                "seconds", "lambda", "nonzero", "iter", "passes");
    std::printf("%-9s %-7s %7d %4d %5d %9.3f", model_name(m), fit_name(f), n, p, G, o.seconds);
    if (o.failed)
        std::printf("  failed: %s\n", o.message.c_str());
    else
        std::printf(" %12.6g %7d %6d %8ld%s\n", o.lambda, o.nonzero(), o.iterations, o.passes,
                    o.converged ? "" : "  (not converged)");
    return 0;
}

struct settings {
    std::string against;          // another build folder, or empty
    int runs = 3;
    std::vector<int> threads;     // empty: the mode's default
    std::vector<cell> cells = all_cells();
    std::vector<std::string> instruction_sets;  // empty: the measured one (timing), all (hash)
    int csv_rows = 1000000;
    std::filesystem::path work;
    std::string set = "all";
    bool hash = false;
    std::string expect, record;  // files of hashes
};

// One timed variant of a cell: whose engine, which start rule, how many threads.
struct variant {
    bool other;
    fit_kind fit;
    int threads;
    std::vector<double> seconds, cpu_seconds;
    outcome last;
};

void engine_set(const settings& s, runscad_function other) {
    const std::vector<int> threads = s.threads.empty() ? std::vector<int>{0} : s.threads;
    std::vector<std::vector<variant>> table(s.cells.size());
    for (auto& variants : table)
        for (int t : threads)
            for (bool is_other : {true, false}) {
                if (is_other && !other) continue;
                for (fit_kind f : {fit_kind::lqa, fit_kind::warm})
                    variants.push_back({is_other, f, t, {}, {}, {}});
            }
    // Interleaved: every variant of a cell once, cell after cell, then again.
    for (int run = 0; run < s.runs; ++run) {
        for (std::size_t c = 0; c < s.cells.size(); ++c) {
            const cell& ce = s.cells[c];
            const auto data = make_synthetic_data(ce.m, ce.n, ce.p, data_seed);
            for (variant& v : table[c]) {
                v.last = fit(v.other ? other : own_runscad(), data, ce.m, grid_size, v.fit,
                             v.threads, false);
                v.seconds.push_back(v.last.seconds);
                v.cpu_seconds.push_back(v.last.cpu_seconds);
            }
            std::fprintf(stderr, "run %d of %d: %s done\n", run + 1, s.runs, cell_name(ce).c_str());
        }
    }

    std::printf("%-9s %7s %4s %-8s %-6s %7s %9s %8s %9s %8s %12s %7s %5s %16s\n", "model", "n",
                "p", "rule", "build", "threads", "seconds", "x faster", "cpu s", "x less", "lambda",
                "nonzero", "iter", "BIC");
    for (std::size_t c = 0; c < s.cells.size(); ++c) {
        const cell& ce = s.cells[c];
        for (const variant& v : table[c]) {
            const double t = median(v.seconds);
            const std::string thread_text = v.threads == 0 ? "all" : std::to_string(v.threads);
            std::printf("%-9s %7d %4d %-8s %-6s %7s %9.3f ", model_name(ce.m), ce.n, ce.p,
                        fit_name(v.fit), v.other ? "other" : "this", thread_text.c_str(), t);
            const variant* before = nullptr;
            for (const variant& o : table[c])
                if (o.other && o.fit == v.fit && o.threads == v.threads) before = &o;
            const double cpu = median(v.cpu_seconds);
            if (before && !v.other)
                std::printf("%8.2f %9.3f %8.2f ", median(before->seconds) / t, cpu,
                            median(before->cpu_seconds) / cpu);
            else
                std::printf("%8s %9.3f %8s ", "", cpu, "");
            if (v.last.failed)
                std::printf(" failed: %s\n", v.last.message.c_str());
            else
                std::printf("%12.6g %7d %5d %16.10f%s\n", v.last.lambda, v.last.nonzero(),
                            v.last.iterations, v.last.criterion,
                            v.last.converged ? "" : " (not converged)");
        }
        // Whether the warm start keeps the default's predictors, and its BIC against the
        // default's; and whether this build selects what the other one did.
        const variant* plain = nullptr;
        const variant* warm = nullptr;
        const variant* before = nullptr;
        for (const variant& v : table[c]) {
            if (!v.other && v.fit == fit_kind::lqa) plain = &v;
            if (!v.other && v.fit == fit_kind::warm) warm = &v;
            if (v.other && v.fit == fit_kind::lqa) before = &v;
        }
        if (plain && warm && !plain->last.failed && !warm->last.failed)
            std::printf("    warm start: %s predictors, BIC %+.3g relative to the default's\n",
                        warm->last.selected == plain->last.selected ? "the same" : "other",
                        (warm->last.criterion - plain->last.criterion) /
                            std::fabs(plain->last.criterion));
        if (before && plain && !plain->last.failed && !before->last.failed) {
            const outcome& b = before->last;
            std::printf("    against the other build: %s predictors, %s lambda, BIC %+.3g "
                        "relative, %s iteration count\n",
                        b.selected == plain->last.selected ? "the same" : "other",
                        b.lambda == plain->last.lambda ? "the same" : "another",
                        (plain->last.criterion - b.criterion) / std::fabs(b.criterion),
                        b.iterations == plain->last.iterations ? "the same" : "another");
        }
    }
}

// The CSV data set through PROC QUILLFIT: reading alone (this build's reader), the whole step
// in a child process (wall time, peak memory), and runscad alone on the same data.
void csv_set(const settings& s, runscad_function other) {
    const int p = 20;
    const int csv_threads = s.threads.empty() ? 0 : s.threads.back();
    std::filesystem::create_directories(s.work);
    const auto data = make_synthetic_data(model::normal, s.csv_rows, p, data_seed);
    const std::filesystem::path csv = s.work / "big.csv";
    const std::filesystem::path program = s.work / "big.sas";
    std::string error;
    if (!write_csv(csv, data, error) ||
        !write_program(program, s.work, "big", p, error)) {
        std::printf("CSV run left out: %s\n", error.c_str());
        return;
    }
    const double megabytes = static_cast<double>(std::filesystem::file_size(csv)) / 1e6;
    const double design_mb = static_cast<double>(data.x.size()) * sizeof(double) / 1e6;

    std::vector<double> reading, proc_own, proc_other, peak_own, peak_other, fit_own, fit_other;
    for (int run = 0; run < s.runs; ++run) {
        // The fits first: after the reading and the child runs this process's memory is laid
        // out worse for a fit of this size than quill's is, and the fit would take longer.
        for (int side = 0; side < (other ? 2 : 1); ++side) {
            const outcome o = fit(side == 0 ? own_runscad() : other, data,
                                  model::normal, grid_size, fit_kind::lqa, csv_threads, false);
            (side == 0 ? fit_own : fit_other).push_back(o.seconds);
        }
        {
            quill::host::Table table;
            quill::host::ReadMessages messages;
            const auto begin = std::chrono::steady_clock::now();
            if (!quill::host::read_csv_file(csv, table, error, messages)) {
                std::printf("CSV run left out: %s\n", error.c_str());
                return;
            }
            reading.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
        }
        use_threads(csv_threads);
        const std::string own_folder = std::filesystem::canonical("/proc/self/exe").parent_path();
        for (int side = 0; side < (other ? 2 : 1); ++side) {
            const child_run r =
                run_quill(side == 0 ? own_folder : s.against, program);
            if (!r.ok) {
                std::printf("CSV run failed: %s\n", r.error.c_str());
                return;
            }
            (side == 0 ? proc_own : proc_other).push_back(r.seconds);
            (side == 0 ? peak_own : peak_other).push_back(r.peak_mb);
        }
        use_threads(0);
    }
    std::printf("\nCSV data set: %d rows, %d predictors, %.0f MB of text, %.0f MB as doubles\n",
                s.csv_rows, p, megabytes, design_mb);
    std::printf("  reading alone (this build's reader): %.2f s, %.0f MB/s\n", median(reading),
                megabytes / median(reading));
    for (int side = 0; side < (other ? 2 : 1); ++side) {
        const double total = median(side == 0 ? proc_own : proc_other);
        const double fitting = median(side == 0 ? fit_own : fit_other);
        const double peak = median(side == 0 ? peak_own : peak_other);
        std::printf("  %-5s PROC QUILLFIT %.2f s (fit alone %.2f s, the rest %.2f s), peak memory "
                    "%.0f MB = %.1f x the design\n",
                    side == 0 ? "this" : "other", total, fitting, total - fitting, peak,
                    peak / design_mb);
    }
}

int usage() {
    std::fprintf(stderr,
                 "usage: quill_bench [--against DIR] [--runs N] [--threads LIST] [--cells LIST]\n"
                 "                   [--isa SET] [--csv-rows N] [--work DIR] [--set engine|csv]\n"
                 "       quill_bench --hash [--against DIR] [--threads LIST] [--cells LIST] "
                 "[--isa LIST]\n"
                 "                          [--record FILE] [--expect FILE]\n"
                 "       quill_bench MODEL N P G [FIT]\n"
                 "       quill_bench MODEL N P G cv|cv-warm [DIR [RUNS]]\n"
                 "  MODEL is normal, logistic or poisson; N >= 2, P >= 1 and 1 <= G <= 1000.\n"
                 "  FIT is lqa (default), warm, lqa-centred or icm (the last two: normal only),\n"
                 "  or cv or cv-warm (one path against 10-fold cross-validation; with DIR, also\n"
                 "  DIR's libquill.so, interleaved RUNS times (3), its results compared).\n"
                 "  LIST is comma-separated: thread counts (1,2), cells (poisson,normal:2000x20)\n"
                 "  or instruction sets (avx512f,avx2,sse2).\n");
    return 2;
}

bool parse_settings(int argc, char** argv, settings& s) {
    s.work = std::filesystem::temp_directory_path() / "quill_bench";
    for (int i = 1; i < argc; ++i) {
        const std::string key = argv[i];
        if (key == "--hash") {
            s.hash = true;
            continue;
        }
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (key == "--against") {
            s.against = value;
        } else if (key == "--runs") {
            if (!parse_int(value, s.runs) || s.runs < 1) return false;
        } else if (key == "--csv-rows") {
            if (!parse_int(value, s.csv_rows) || s.csv_rows < 0) return false;
        } else if (key == "--work") {
            s.work = value;
        } else if (key == "--set") {
            if (value != "engine" && value != "csv") return false;
            s.set = value;
        } else if (key == "--expect") {
            s.expect = value;
        } else if (key == "--record") {
            s.record = value;
        } else if (key == "--cells") {
            if (!choose_cells(value, s.cells)) return false;
        } else if (key == "--isa") {
            const std::vector<std::string> runnable = own_instruction_sets();
            s.instruction_sets = split(value);
            for (const std::string& set : s.instruction_sets)
                if (std::find(runnable.begin(), runnable.end(), set) == runnable.end()) {
                    std::fprintf(stderr, "quill_bench: this processor cannot run %s\n", set.c_str());
                    return false;
                }
        } else if (key == "--threads") {
            s.threads.clear();
            for (const std::string& item : split(value)) {
                int t = 0;
                if (!parse_int(item, t) || t < 1) return false;
                s.threads.push_back(t);
            }
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "--peak-of") return peak_of(argc - 2, argv + 2);
    if (argc >= 5 && argv[1][0] != '-') {
        if (argc > 8) return usage();
        return single_run(argv, argc) == 0 ? 0 : usage();
    }
    settings s;
    if (!parse_settings(argc, argv, s)) return usage();
    runscad_function other = nullptr;
    if (!s.against.empty()) {
        std::string error;
        other = load_runscad(s.against, error);
        if (!other) {
            std::fprintf(stderr, "quill_bench: %s\n", error.c_str());
            return 1;
        }
    }
    if (s.hash) {
        hash_request r{s.cells, s.threads.empty() ? std::vector<int>{1, 2} : s.threads,
                       s.instruction_sets.empty() ? own_instruction_sets() : s.instruction_sets,
                       other, s.expect, s.record};
        return check_path_hashes(r) ? 0 : 1;
    }
    if (s.instruction_sets.size() > 1) return usage();
    if (!s.instruction_sets.empty()) use_own_instruction_set(s.instruction_sets.front());
    if (s.set != "csv") engine_set(s, other);
    if (s.set != "engine" && s.csv_rows > 0) csv_set(s, other);
    return 0;
}
