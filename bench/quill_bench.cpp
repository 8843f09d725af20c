// quill_bench: times runscad on synthetic data, and a large CSV data set through PROC QUILLFIT.
//
//   quill_bench [--against DIR] [--runs N] [--threads LIST] [--csv-rows N] [--work DIR]
//               [--set engine|csv]
//       The fixed set: normal, logistic and Poisson at (n, p) = (2000, 20), (10000, 50) and
//       (100000, 100), and normal and logistic at n = 10000 with p = 200 and 400, G = 250, each
//       with both start rules (default: every grid value from the unpenalized fit; warm: from
//       the previous grid value's fit) and each thread count of LIST (default: all cores);
//       then a CSV data set of N rows (default 1000000; 0 leaves it out) with 20 predictors
//       through PROC QUILLFIT. With --against, every run is also made with the build in DIR
//       (its libquill.so, quill and quillfit.so), interleaved with this build's runs on the
//       same data, and the ratios are shown. Times are medians of N runs (default 3). --set
//       runs one of the two parts alone.
//   quill_bench MODEL N P G [FIT]
//       One run. MODEL: normal, logistic or poisson; FIT: lqa (the default), warm (the warm
//       start), or lqa-centred or icm (both centre the response instead of fitting an
//       intercept).
//
// Data come from a fixed seed, so every run of the same arguments fits the same data. The
// engine's own trace lines (it names each record it resets on standard output) are kept out of
// the table.
#include <fcntl.h>
#include <unistd.h>

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

#include "data/csv/csv_store.h"
#include "engine_entry.h"
#include "proc_run.h"
#include "synthetic_data.h"

namespace {

using quill::bench::model;
using quill::bench::runscad_function;

constexpr uint64_t data_seed = 20261208;
constexpr int32_t message_length = 3001;
constexpr int grid_size = 250;

// How a run fits: the algorithm option, the start rule and the intercept mode of runscad.
enum class fit_kind { lqa, warm, lqa_centred, icm };

const char* fit_name(fit_kind f) {
    switch (f) {
        case fit_kind::lqa: return "LQA";
        case fit_kind::warm: return "warm";
        case fit_kind::lqa_centred: return "LQA-cy";
        case fit_kind::icm: return "ICM-cy";
    }
    return "?";
}

bool parse_fit(const std::string& s, fit_kind& f) {
    if (s == "lqa") f = fit_kind::lqa;
    else if (s == "warm") f = fit_kind::warm;
    else if (s == "lqa-centred") f = fit_kind::lqa_centred;
    else if (s == "icm") f = fit_kind::icm;
    else return false;
    return true;
}

bool parse_int(const std::string& s, int& value) {
    const auto result = std::from_chars(s.data(), s.data() + s.size(), value);
    return result.ec == std::errc() && result.ptr == s.data() + s.size();
}

// Sends standard output to /dev/null for the lifetime of the object.
class quiet_standard_output {
public:
    quiet_standard_output() {
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        const int null_device = open("/dev/null", O_WRONLY);
        if (saved_ < 0 || null_device < 0 || dup2(null_device, STDOUT_FILENO) < 0) restore();
        if (null_device >= 0) close(null_device);
    }
    ~quiet_standard_output() { restore(); }
    quiet_standard_output(const quiet_standard_output&) = delete;
    quiet_standard_output& operator=(const quiet_standard_output&) = delete;

private:
    void restore() {
        if (saved_ < 0) return;
        std::fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
        saved_ = -1;
    }
    int saved_ = -1;
};

// The message as text: character codes up to the terminating 0, line breaks shown as " | ".
std::string message_text(const std::vector<int32_t>& codes) {
    std::string text;
    for (int32_t c : codes) {
        if (c == 0) break;
        if (c == '\r') continue;
        if (c == '\n') {
            text += " | ";
            continue;
        }
        text += static_cast<char>(c & 0xFF);
    }
    return text;
}

// What one runscad call gave.
struct outcome {
    double seconds = 0.0;
    bool failed = false;
    std::string message;
    double lambda = 0.0;
    double criterion = 0.0;
    int iterations = 0;
    bool converged = false;
    std::vector<bool> selected;  // nonzero coefficients

    int nonzero() const { return static_cast<int>(std::count(selected.begin(), selected.end(), true)); }
};

// Sets QUILL_THREADS for this build's engine (0: unset, all cores).
void use_threads(int threads) {
    if (threads > 0)
        setenv("QUILL_THREADS", std::to_string(threads).c_str(), 1);
    else
        unsetenv("QUILL_THREADS");
}

outcome fit(runscad_function entry, const quill::bench::synthetic_data& data, model m, int G,
            fit_kind f) {
    const int p = data.p;
    const std::vector<double> case_weights(data.n, 1.0);
    const std::vector<uint8_t> forcein(p, 0);
    // BIC, COUNT, G, max_iter 250; the algorithm, start rule and intercept mode as asked.
    const int32_t algorithm = f == fit_kind::icm ? 1 : 0;
    const int32_t start = f == fit_kind::warm ? 1 : 0;
    const int32_t intercept_mode = f == fit_kind::lqa || f == fit_kind::warm ? 0 : 1;
    const int32_t options[8] = {algorithm, 0, 0, G, 250, 0, start, intercept_mode};
    double min_lambda = -1.0, max_lambda = -1.0;
    std::vector<double> beta(p), se(p), path(static_cast<size_t>(G) * p);
    double intercept = 0.0, intercept_se = 0.0, lambda = 0.0, criterion = 0.0;
    int32_t simple_df = 0, df = 0, best = 0, iterations = 0;
    uint8_t converged = 0, at_max = 0, at_min = 0, error_flag = 0;
    std::vector<int32_t> message(message_length, 0);

    outcome o;
    {
        const quiet_standard_output quiet;
        const auto begin = std::chrono::steady_clock::now();
        entry(p, data.n, data.x.data(), data.y.data(), case_weights.data(), forcein.data(),
              options, G, 1e-9, &min_lambda, &max_lambda, static_cast<int32_t>(m), 3.7,
              beta.data(), &intercept, se.data(), &intercept_se, path.data(), &lambda, &criterion,
              &simple_df, &df, &best, &iterations, &converged, &at_max, &at_min, &error_flag,
              message_length, message.data());
        o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    }
    o.failed = error_flag != 0;
    if (o.failed) o.message = message_text(message);
    o.lambda = lambda;
    o.criterion = criterion;
    o.iterations = iterations;
    o.converged = converged != 0;
    for (double b : beta) o.selected.push_back(b != 0.0);
    return o;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

int single_run(char** argv, int argc) {
    model m{};
    int n = 0, p = 0, G = 0;
    fit_kind f = fit_kind::lqa;
    if (!quill::bench::parse_model(argv[1], m) || !parse_int(argv[2], n) ||
        !parse_int(argv[3], p) || !parse_int(argv[4], G) || n < 2 || p < 1 || G < 1 ||
        G > 1000 || (argc == 6 && !parse_fit(argv[5], f)))
        return -1;
    const auto data = quill::bench::make_synthetic_data(m, n, p, data_seed);
    const outcome o = fit(quill::bench::own_runscad(), data, m, G, f);
    std::printf("%-9s %-6s %7s %4s %5s %9s %12s %7s %6s\n", "model", "fit", "n", "p", "G",
                "seconds", "lambda", "nonzero", "iter");
    std::printf("%-9s %-6s %7d %4d %5d %9.3f", quill::bench::model_name(m), fit_name(f), n, p, G,
                o.seconds);
    if (o.failed)
        std::printf("  failed: %s\n", o.message.c_str());
    else
        std::printf(" %12.6g %7d %6d%s\n", o.lambda, o.nonzero(), o.iterations,
                    o.converged ? "" : "  (not converged)");
    return 0;
}

struct settings {
    std::string against;          // another build folder, or empty
    int runs = 3;
    std::vector<int> threads{0};  // 0: all cores
    int csv_rows = 1000000;
    std::filesystem::path work;
    std::string set = "all";
};

struct cell {
    model m;
    int n;
    int p;
};

// One timed variant of a cell: whose engine, which start rule, how many threads.
struct variant {
    std::string name;
    runscad_function entry;
    fit_kind fit;
    int threads;
    std::vector<double> seconds;
    outcome last;
};

void engine_set(const settings& s, runscad_function other) {
    const std::vector<cell> cells{
        {model::normal, 2000, 20},     {model::normal, 10000, 50},  {model::normal, 100000, 100},
        {model::logistic, 2000, 20},   {model::logistic, 10000, 50}, {model::logistic, 100000, 100},
        {model::poisson, 2000, 20},    {model::poisson, 10000, 50},  {model::poisson, 100000, 100},
        {model::normal, 10000, 200},   {model::normal, 10000, 400},  {model::logistic, 10000, 200},
        {model::logistic, 10000, 400}};
    std::vector<std::vector<variant>> table(cells.size());
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (other) table[c].push_back({"other", other, fit_kind::lqa, 0, {}, {}});
        for (int t : s.threads) {
            table[c].push_back({"default", quill::bench::own_runscad(), fit_kind::lqa, t, {}, {}});
            table[c].push_back({"warm", quill::bench::own_runscad(), fit_kind::warm, t, {}, {}});
        }
    }
    // Interleaved: every variant of a cell once, cell after cell, then again.
    for (int run = 0; run < s.runs; ++run) {
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const auto data = quill::bench::make_synthetic_data(cells[c].m, cells[c].n, cells[c].p,
                                                                data_seed);
            for (variant& v : table[c]) {
                use_threads(v.threads);
                v.last = fit(v.entry, data, cells[c].m, grid_size, v.fit);
                v.seconds.push_back(v.last.seconds);
            }
            std::fprintf(stderr, "run %d of %d: %s %d x %d done\n", run + 1, s.runs,
                         quill::bench::model_name(cells[c].m), cells[c].n, cells[c].p);
        }
    }
    use_threads(0);

    std::printf("%-9s %7s %4s %-8s %7s %9s %8s %12s %7s %5s %16s\n", "model", "n", "p", "rule",
                "threads", "seconds", "x faster", "lambda", "nonzero", "iter", "BIC");
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const double reference = other ? median(table[c].front().seconds) : 0.0;
        for (const variant& v : table[c]) {
            const double t = median(v.seconds);
            const std::string threads = v.entry == other ? "-" : v.threads == 0 ? "all"
                                                                               : std::to_string(v.threads);
            std::printf("%-9s %7d %4d %-8s %7s %9.3f ", quill::bench::model_name(cells[c].m),
                        cells[c].n, cells[c].p, v.name.c_str(), threads.c_str(), t);
            if (other && v.entry != other)
                std::printf("%8.2f ", reference / t);
            else
                std::printf("%8s ", "");
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
        for (const variant& v : table[c]) {
            if (v.entry != other && v.fit == fit_kind::lqa) plain = &v;
            if (v.fit == fit_kind::warm) warm = &v;
        }
        if (plain && warm && !plain->last.failed && !warm->last.failed)
            std::printf("    warm start: %s predictors, BIC %+.3g relative to the default's\n",
                        warm->last.selected == plain->last.selected ? "the same" : "other",
                        (warm->last.criterion - plain->last.criterion) /
                            std::fabs(plain->last.criterion));
        if (other && plain && !plain->last.failed && !table[c].front().last.failed) {
            const outcome& before = table[c].front().last;
            std::printf("    against the other build: %s predictors, %s lambda, BIC %+.3g "
                        "relative, %s iteration count\n",
                        before.selected == plain->last.selected ? "the same" : "other",
                        before.lambda == plain->last.lambda ? "the same" : "another",
                        (plain->last.criterion - before.criterion) / std::fabs(before.criterion),
                        before.iterations == plain->last.iterations ? "the same" : "another");
        }
    }
}

// The CSV data set through PROC QUILLFIT: reading alone (this build's reader), the whole step
// in a child process (wall time, peak memory), and runscad alone on the same data.
void csv_set(const settings& s, runscad_function other) {
    const int p = 20;
    std::filesystem::create_directories(s.work);
    const auto data = quill::bench::make_synthetic_data(model::normal, s.csv_rows, p, data_seed);
    const std::filesystem::path csv = s.work / "big.csv";
    const std::filesystem::path program = s.work / "big.sas";
    std::string error;
    if (!quill::bench::write_csv(csv, data, error) ||
        !quill::bench::write_program(program, s.work, "big", p, error)) {
        std::printf("CSV run left out: %s\n", error.c_str());
        return;
    }
    const double megabytes = static_cast<double>(std::filesystem::file_size(csv)) / 1e6;
    const double design_mb = static_cast<double>(data.x.size()) * sizeof(double) / 1e6;

    std::vector<double> reading, proc_own, proc_other, peak_own, peak_other, fit_own, fit_other;
    for (int run = 0; run < s.runs; ++run) {
        // The fits first: after the reading and the child runs this process's memory is laid
        // out worse for a fit of this size than quill's is, and the fit would take longer.
        use_threads(s.threads.back());
        for (int side = 0; side < (other ? 2 : 1); ++side) {
            const outcome o = fit(side == 0 ? quill::bench::own_runscad() : other, data,
                                  model::normal, grid_size, fit_kind::lqa);
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
        use_threads(s.threads.back());
        const std::string own_folder = std::filesystem::canonical("/proc/self/exe").parent_path();
        for (int side = 0; side < (other ? 2 : 1); ++side) {
            const quill::bench::child_run r =
                quill::bench::run_quill(side == 0 ? own_folder : s.against, program);
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
                 "usage: quill_bench [--against DIR] [--runs N] [--threads LIST] [--csv-rows N] "
                 "[--work DIR] [--set engine|csv]\n"
                 "       quill_bench MODEL N P G [FIT]\n"
                 "  MODEL is normal, logistic or poisson; N >= 2, P >= 1 and 1 <= G <= 1000.\n"
                 "  FIT is lqa (default), warm, lqa-centred or icm (the last two: normal only).\n"
                 "  LIST is a comma-separated list of thread counts, for example 1,2.\n");
    return 2;
}

bool parse_settings(int argc, char** argv, settings& s) {
    s.work = std::filesystem::temp_directory_path() / "quill_bench";
    for (int i = 1; i < argc; ++i) {
        const std::string key = argv[i];
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
        } else if (key == "--threads") {
            s.threads.clear();
            for (std::size_t at = 0; at <= value.size();) {
                const std::size_t comma = std::min(value.find(',', at), value.size());
                int t = 0;
                if (!parse_int(value.substr(at, comma - at), t) || t < 1) return false;
                s.threads.push_back(t);
                at = comma + 1;
            }
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "--peak-of") return quill::bench::peak_of(argc - 2, argv + 2);
    if (argc >= 5 && argv[1][0] != '-') {
        if (argc > 6) return usage();
        return single_run(argv, argc) == 0 ? 0 : usage();
    }
    settings s;
    if (!parse_settings(argc, argv, s)) return usage();
    runscad_function other = nullptr;
    if (!s.against.empty()) {
        std::string error;
        other = quill::bench::load_runscad(s.against, error);
        if (!other) {
            std::fprintf(stderr, "quill_bench: %s\n", error.c_str());
            return 1;
        }
    }
    if (s.set != "csv") engine_set(s, other);
    if (s.set != "engine" && s.csv_rows > 0) csv_set(s, other);
    return 0;
}
