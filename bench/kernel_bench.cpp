// quill_kernel_bench: times the engine's hot kernels on their own, on one thread, with each
// instruction set the processor runs (or those --isa names):
//   - the weighted cross product X' diag(w) X that every logistic and Poisson pass forms, at
//     k = 20 to 400 columns, in GF/s (k (k + 1) n operations: a product and a sum per entry of
//     the lower triangle and row);
//   - X' diag(w) u and X beta at n = 100000, p = 100, and the symmetric inverse at p = 100;
//   - the Cholesky factor of X'X at p = 1000 (normal 2000 x 1000: the factor is the pass), by
//     the unblocked kernel and a panel at a time (the same bits), both on this one thread;
//   - one LQA pass of a logistic or Poisson fit (the mean, the weights, X'AX and X'r, the step)
//     at the sizes of the benchmark's cells, in microseconds.
// Each line gives the best of several repetitions, in processor time of the running thread: on a
// machine shared with other work, elapsed time would count the slices given to others. The first
// line names the set the engine measured quickest at its first use, and what that cost.
//
//   quill_kernel_bench [--isa LIST]
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "entry/dataset.h"
#include "entry/settings.h"
#include "estimation/lqa_fit.h"
#include "matrix/cross_product_kernel.h"
#include "matrix/panel_cholesky.h"
#include "matrix/products.h"
#include "matrix/symmetric_inverse.h"
#include "support/allocation.h"
#include "support/trace_lines.h"
#include "synthetic_data.h"

namespace {

using namespace quill::engine;
namespace bench = quill::bench;

constexpr uint64_t seed = 20261208;

double thread_seconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double best_seconds(const std::function<void()>& work, int repetitions = 5) {
    double best = 1e300;
    for (int rep = 0; rep < repetitions; ++rep) {
        const double start = thread_seconds();
        work();
        best = std::min(best, thread_seconds() - start);
    }
    return best;
}

void cross_products() {
    const struct {
        int n, k;
    } sizes[] = {{100000, 20}, {100000, 50}, {100000, 100}, {20000, 200}, {10000, 400}};
    for (const auto& s : sizes) {
        const bench::synthetic_data data =
            bench::make_synthetic_data(bench::model::logistic, s.n, s.k, seed);
        std::vector<double> w(s.n), xtwx(static_cast<size_t>(s.k) * s.k);
        for (int i = 0; i < s.n; ++i) w[i] = 0.25 - 0.001 * (i % 100);
        error_trail trail;
        const double seconds = best_seconds([&] {
            real_cross_product(matrix_cview(data.x.data(), s.n, s.k, s.n),
                               matrix_view(xtwx.data(), s.k, s.k, s.k), vector_cview(w.data(), s.n),
                               trail);
        });
        const double operations = static_cast<double>(s.n) * s.k * (s.k + 1);
        std::printf("  X' diag(w) X      n %7d  k %4d  %10.6f s  %6.1f GF/s\n", s.n, s.k, seconds,
                    operations / seconds / 1e9);
    }
}

void other_kernels() {
    const int n = 100000, p = 100;
    const bench::synthetic_data data = bench::make_synthetic_data(bench::model::logistic, n, p, seed);
    std::vector<double> w(n), xtwx(static_cast<size_t>(p) * p), inverse(xtwx.size()), xtu(p),
        beta(p, 0.01), xb(n);
    for (int i = 0; i < n; ++i) w[i] = 0.25 - 0.001 * (i % 100);
    const matrix_cview X(data.x.data(), n, p, n);
    const matrix_view C(xtwx.data(), p, p, p);
    error_trail trail;
    bool singular = true;
    real_cross_product(X, C, vector_cview(w.data(), n), trail);
    const double xtw_u = best_seconds([&] {
        mat_mult_transpose_first_by_vector(X, vector_cview(data.y.data(), n), vector_view(xtu.data(), p),
                                           trail, vector_cview(w.data(), n));
    });
    const double x_beta = best_seconds(
        [&] { mat_mult_by_vector(X, vector_cview(beta.data(), p), vector_view(xb.data(), n), trail); });
    const double invert = best_seconds([&] {
        symmetric_real_inverse(C, matrix_view(inverse.data(), p, p, p), singular, nullptr, 1e-15, trail);
    });
    std::printf("  X' diag(w) u      n %7d  p %4d  %10.6f s\n", n, p, xtw_u);
    std::printf("  X beta            n %7d  p %4d  %10.6f s\n", n, p, x_beta);
    std::printf("  symmetric inverse            p %4d  %10.6f s%s\n", p, invert, singular ? "  (singular)" : "");
}

void cholesky_factors() {
    const int n = 2000, p = 1000;
    const bench::synthetic_data data = bench::make_synthetic_data(bench::model::normal, n, p, seed);
    std::vector<double> gram(static_cast<size_t>(p) * p), factor(gram.size());
    error_trail trail;
    real_cross_product(matrix_cview(data.x.data(), n, p, n), matrix_view(gram.data(), p, p, p),
                       std::nullopt, trail);
    const matrix_view Y(factor.data(), p, p, p);
    const double unblocked = best_seconds([&] {
        factor = gram;
        detail::cholesky_factor(Y);
    });
    const double panels = best_seconds([&] {
        factor = gram;
        cholesky_factor_in_panels(Y);
    });
    std::printf("  Cholesky factor              p %4d  %10.6f s unblocked, %10.6f s in panels\n", p,
                unblocked, panels);
}

// One pass: a fit limited to a single pass (max_iter 1; a fit runs at most max_iter passes) in a
// workspace of its own, from a start with `alive` coefficients (the intercept among them) away
// from zero. A run that made no pass says so rather than timing nothing.
void lqa_passes() {
    const struct {
        bench::model m;
        int n, p, alive;
    } sizes[] = {{bench::model::poisson, 2000, 20, 6},     {bench::model::poisson, 2000, 20, 21},
                 {bench::model::logistic, 10000, 50, 6},   {bench::model::logistic, 10000, 50, 51},
                 {bench::model::logistic, 100000, 100, 101}, {bench::model::logistic, 10000, 400, 401}};
    const trace_lines_scope quiet(false);
    for (const auto& s : sizes) {
        const bench::synthetic_data data = bench::make_synthetic_data(s.m, s.n, s.p, seed);
        scad_session session;
        error_trail trail;
        scad_settings_input settings;
        settings.model_type = static_cast<int32_t>(s.m);
        dbl1 y, w, start, beta;
        log1 forcein;
        if (run_load_scad_settings(settings, session, trail) != 0 ||
            dbl1_alloc(y, s.n, trail) != 0 || dbl1_alloc(w, s.n, trail) != 0 ||
            log1_alloc(forcein, s.p, trail) != 0 || dbl1_alloc(start, s.p + 1, trail) != 0)
            return;
        std::copy(data.y.begin(), data.y.end(), y.data());
        w.fill(1.0);
        forcein.fill(false);
        if (run_load_scad_dataset(matrix_cview(data.x.data(), s.n, s.p, s.n), y, forcein, w,
                                  session, trail) != 0)
            return;
        start.fill(0.0);
        for (int j = 1; j <= s.alive; ++j) start(j) = 0.05 / j;
        lqa_workspace ws;
        if (allocate_lqa_workspace(ws, session, trail) != 0) return;
        int32_t iterations = 0;
        bool converged = false;
        // Small passes are timed 50 at a time: reading the thread's clock costs about a
        // microsecond here, which would otherwise count in each.
        const bool small = s.n * s.alive < 1000000;
        const int repetitions = small ? 20 : 10, batch = small ? 50 : 1;
        const double seconds = best_seconds(
                                   [&] {
                                       for (int b = 0; b < batch; ++b)
                                           run_fit_scad_lqa(0.01, start, beta, 1, iterations,
                                                            converged, session, ws, trail);
                                   },
                                   repetitions) /
                               batch;
        if (iterations != 1) {
            std::printf("  LQA pass %-8s  n %7d  k %4d  no pass ran\n", bench::model_name(s.m), s.n, s.alive);
            continue;
        }
        std::printf("  LQA pass %-8s  n %7d  k %4d  %10.1f us\n", bench::model_name(s.m), s.n,
                    s.alive, seconds * 1e6);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> sets;
    for (const char* name : detail::runnable_instruction_sets()) sets.emplace_back(name);
    if (argc == 3 && std::string(argv[1]) == "--isa") {
        sets.clear();
        for (std::string list = argv[2]; !list.empty();) {
            const std::size_t comma = std::min(list.find(','), list.size());
            sets.push_back(list.substr(0, comma));
            list.erase(0, comma == list.size() ? comma : comma + 1);
        }
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: quill_kernel_bench [--isa LIST]  (LIST: avx512f,avx2,sse2)\n");
        return 2;
    }
    // The first use of a kernel measures which set is quickest here.
    const double start = thread_seconds();
    const char* measured = detail::measured_instruction_set();
    std::printf("measured quickest here: %s kernels (the measurement took %.0f us)\n", measured,
                (thread_seconds() - start) * 1e6);
    for (const std::string& set : sets) {
        if (!detail::use_instruction_set(set.c_str())) {
            std::fprintf(stderr, "quill_kernel_bench: this processor cannot run %s\n", set.c_str());
            return 2;
        }
        std::printf("%s kernels, one thread\n", set.c_str());
        cross_products();
        other_kernels();
        cholesky_factors();
        lqa_passes();
    }
    detail::use_instruction_set(nullptr);
    return 0;
}
