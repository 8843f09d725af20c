// quill_bench: times runscad on synthetic data, one line per run.
//
//   quill_bench                      the fixed set: normal, logistic and Poisson at
//                                    (n, p) = (1000, 20), (10000, 50), (100000, 100), G = 250
//                                    and, for the normal model at the same sizes, the
//                                    centred-response fit by LQA beside the same fit by ICM
//   quill_bench MODEL N P G [FIT]    one run (MODEL: normal, logistic or poisson; FIT: lqa,
//                                    the default, or lqa-centred or icm, both of which centre
//                                    the response instead of fitting an intercept)
//
// Data come from a fixed seed, so every run of the same arguments fits the same data. The
// engine's own trace lines (it names each record it resets on standard output) are kept out of
// the table.
#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "quill/runscad.h"
#include "synthetic_data.h"

namespace {

using quill::bench::model;

constexpr uint64_t data_seed = 20261208;
constexpr int32_t message_length = 3001;

// How a run fits: the algorithm option and the intercept mode of runscad.
enum class fit_kind { lqa, lqa_centred, icm };

struct bench_run {
    model m;
    int n;
    int p;
    int grid_size;
    fit_kind fit = fit_kind::lqa;
};

const char* fit_name(fit_kind f) {
    switch (f) {
        case fit_kind::lqa: return "LQA";
        case fit_kind::lqa_centred: return "LQA-cy";
        case fit_kind::icm: return "ICM-cy";
    }
    return "?";
}

bool parse_fit(const char* text, fit_kind& f) {
    const std::string s(text);
    if (s == "lqa") f = fit_kind::lqa;
    else if (s == "lqa-centred") f = fit_kind::lqa_centred;
    else if (s == "icm") f = fit_kind::icm;
    else return false;
    return true;
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

void run_one(const bench_run& run) {
    const quill::bench::synthetic_data data =
        quill::bench::make_synthetic_data(run.m, run.n, run.p, data_seed);
    const int p = run.p;
    const int G = run.grid_size;

    const std::vector<double> case_weights(run.n, 1.0);
    const std::vector<uint8_t> forcein(p, 0);
    // BIC, COUNT, G, max_iter 250; ICM and the centred response as the run asks.
    const int32_t algorithm = run.fit == fit_kind::icm ? 1 : 0;
    const int32_t intercept_mode = run.fit == fit_kind::lqa ? 0 : 1;
    const int32_t options[8] = {algorithm, 0, 0, G, 250, 0, 0, intercept_mode};
    double min_lambda = -1.0, max_lambda = -1.0;
    std::vector<double> beta(p), se(p), path(static_cast<size_t>(G) * p);
    double intercept = 0.0, intercept_se = 0.0, lambda = 0.0, criterion = 0.0;
    int32_t simple_df = 0, df = 0, best = 0, iterations = 0;
    uint8_t converged = 0, at_max = 0, at_min = 0, error_flag = 0;
    std::vector<int32_t> message(message_length, 0);

    double seconds = 0.0;
    {
        const quiet_standard_output quiet;
        const auto start = std::chrono::steady_clock::now();
        runscad(p, run.n, data.x.data(), data.y.data(), case_weights.data(), forcein.data(),
                options, G, 1e-9, &min_lambda, &max_lambda, static_cast<int32_t>(run.m), 3.7,
                beta.data(), &intercept, se.data(), &intercept_se, path.data(), &lambda,
                &criterion, &simple_df, &df, &best, &iterations, &converged, &at_max, &at_min,
                &error_flag, message_length, message.data());
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    std::printf("%-9s %-6s %7d %4d %5d %9.3f", quill::bench::model_name(run.m),
                fit_name(run.fit), run.n, p, G, seconds);
    if (error_flag != 0) {
        std::printf("  failed: %s\n", message_text(message).c_str());
    } else {
        int nonzero = 0;
        for (double b : beta) nonzero += b != 0.0 ? 1 : 0;
        std::printf(" %12.6g %7d %6d%s\n", lambda, nonzero, iterations,
                    converged != 0 ? "" : "  (not converged)");
    }
    std::fflush(stdout);
}

bool parse_int(const char* text, int& value) {
    const std::string s(text);
    const auto result = std::from_chars(s.data(), s.data() + s.size(), value);
    return result.ec == std::errc() && result.ptr == s.data() + s.size();
}

int usage() {
    std::fprintf(stderr,
                 "usage: quill_bench [MODEL N P G [FIT]]\n"
                 "  MODEL is normal, logistic or poisson; N >= 2, P >= 1 and 1 <= G <= 1000.\n"
                 "  FIT is lqa (default), lqa-centred or icm (normal model only).\n"
                 "  Without arguments the fixed set of nine runs is timed.\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<bench_run> runs;
    if (argc == 1) {
        const int sizes[][2] = {{1000, 20}, {10000, 50}, {100000, 100}};
        for (model m : {model::normal, model::logistic, model::poisson})
            for (const auto& size : sizes) runs.push_back({m, size[0], size[1], 250});
        for (const auto& size : sizes)
            for (fit_kind f : {fit_kind::lqa_centred, fit_kind::icm})
                runs.push_back({model::normal, size[0], size[1], 250, f});
    } else if (argc == 5 || argc == 6) {
        bench_run run{};
        if (!quill::bench::parse_model(argv[1], run.m) || !parse_int(argv[2], run.n) ||
            !parse_int(argv[3], run.p) || !parse_int(argv[4], run.grid_size) || run.n < 2 ||
            run.p < 1 || run.grid_size < 1 || run.grid_size > 1000 ||
            (argc == 6 && !parse_fit(argv[5], run.fit)))
            return usage();
        runs.push_back(run);
    } else {
        return usage();
    }

    std::printf("%-9s %-6s %7s %4s %5s %9s %12s %7s %6s\n", "model", "fit", "n", "p", "G",
                "seconds", "lambda", "nonzero", "iter");
    for (const bench_run& run : runs) run_one(run);
    return 0;
}
