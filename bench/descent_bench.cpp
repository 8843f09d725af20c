// The descent path (ALGORITHM ICM) on wide synthetic data: one quill_fit call per model, one
// thread, G grid values, BIC; prints the processor seconds of the call (the shared machine's load
// does not enter them) and the elapsed ones and writes the data as CSV when asked,
// so that descent_bench.R times ncvreg on the same rows (bench/descent_bench.sh interleaves them).
// usage: quill_descent_bench [--progress] [--lqa [--warm]] normal|logistic|poisson N P G [CSV]
// --lqa fits the same data by the default (LQA) path, to compare the two where p < n; --warm
// starts each of its grid fits from the fit before (WARMSTART). The passes of all grid fits are
// printed beside the time. --progress hands the call a progress callback that reads a coarse
// monotonic clock at every report, as PROC QUILLFIT's does, to measure what the reports cost.
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "quill/runscad.h"
#include "synthetic_data.h"

int main(int argc, char** argv) {
    const auto flag = [&](const char* name) {
        const bool given = argc > 1 && std::string(argv[1]) == name;
        if (given) {
            --argc;
            ++argv;
        }
        return given;
    };
    const bool progress = flag("--progress");
    const bool lqa = flag("--lqa");
    const bool warm = lqa && flag("--warm");
    quill::bench::model m{};
    if (argc < 5 || !quill::bench::parse_model(argv[1], m)) {
        std::fprintf(stderr, "usage: %s [--progress] [--lqa [--warm]] normal|logistic|poisson N P G [CSV]\n",
                     argv[0]);
        return 2;
    }
    const int n = std::atoi(argv[2]), p = std::atoi(argv[3]), G = std::atoi(argv[4]);
    const quill::bench::synthetic_data d = quill::bench::make_synthetic_data(m, n, p, 2026);
    if (argc > 5) {
        FILE* f = std::fopen(argv[5], "w");
        if (f == nullptr) return 1;
        for (int i = 0; i < n; ++i) {
            std::fprintf(f, "%.17g", d.y[i]);
            for (int j = 0; j < p; ++j) std::fprintf(f, ",%.17g", d.x[i + static_cast<std::size_t>(j) * n]);
            std::fputc('\n', f);
        }
        std::fclose(f);
    }
    std::vector<uint8_t> forcein(p, 0);
    std::vector<double> beta(p), se(p), path(static_cast<std::size_t>(G) * p);
    std::vector<int32_t> message(3001);
    quill_fit_data data{};
    data.size = sizeof data;
    data.p = p;
    data.n = n;
    data.x = d.x.data();
    data.y = d.y.data();
    data.forcein = forcein.data();
    quill_fit_controls c{};
    c.size = sizeof c;
    c.model_type = static_cast<int32_t>(m);
    c.algorithm = lqa ? QUILL_ALGORITHM_LQA : QUILL_ALGORITHM_ICM;
    c.grid_size = G;
    // The LQA path as quill_bench runs it (250 passes, 1e-9); ncvreg's default eps is 1e-4 on a
    // coarser measure than the descent path's 1e-6.
    c.max_iter = lqa ? 250 : 1000;
    c.threads = 1;
    c.tolerance = lqa ? 1e-9 : 1e-6;
    c.a = 3.7;
    c.min_lambda = QUILL_MAX_LAMBDA_AUTOMATIC;
    c.max_lambda = QUILL_MAX_LAMBDA_AUTOMATIC;
    c.ebic_gamma = 0.5;
    c.start = warm ? QUILL_START_PREVIOUS : QUILL_START_UNPENALIZED;
    struct clock_reads {
        long reports = 0;
        double latest = 0.0;
    } reads;
    if (progress) {
        c.progress = [](void* context, const quill_fit_progress*) {
            timespec t{};
            clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
            auto* r = static_cast<clock_reads*>(context);
            r->latest = static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
            ++r->reports;
        };
        c.progress_context = &reads;
    }
    quill_fit_result r{};
    r.size = sizeof r;
    r.beta = beta.data();
    r.se = se.data();
    r.beta_path = path.data();
    std::vector<double> lambda(G), intercept(G), bic(G), aic(G), gcv(G), edf(G);
    std::vector<int32_t> simple_df(G), passes(G);
    std::vector<uint8_t> converged(G), fitted(G), tied(G);
    std::vector<double> ebic(G);
    quill_grid_table table{};
    table.lambda = lambda.data();
    table.intercept = intercept.data();
    table.bic = bic.data();
    table.aic = aic.data();
    table.gcv = gcv.data();
    table.effective_df = edf.data();
    table.simple_df = simple_df.data();
    table.num_iter = passes.data();
    table.converged = converged.data();
    table.fitted = fitted.data();
    table.tied = tied.data();
    table.ebic = ebic.data();
    r.table = &table;
    r.msg_len = 3001;
    r.message_codes = message.data();
    const auto processor = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
    };
    const double cpu_start = processor();
    const auto start = std::chrono::steady_clock::now();
    const int32_t status = quill_fit(&data, &c, &r);
    const double cpu = processor() - cpu_start;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::string text;
    for (int32_t ch : message) {
        if (ch == 0) break;
        text += static_cast<char>(ch);
    }
    long total_passes = 0;
    for (int32_t k : passes) total_passes += k;
    std::printf("quill %s%s %s n=%d p=%d G=%d: %.3f s processor, %.3f s elapsed, selected df %d, "
                "%ld passes%s%s%s\n",
                lqa ? "LQA" : "ICM", warm ? " warm" : "", argv[1], n, p, G, cpu, seconds,
                r.simple_df, total_passes,
                progress ? (", " + std::to_string(reads.reports) + " progress reports").c_str() : "",
                status != 0 ? " FAILED: " : "", status != 0 ? text.c_str() : "");
    return status != 0;
}
