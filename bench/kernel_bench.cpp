// quill_kernel_bench: times the engine's hot kernels on their own, at the largest size of the
// benchmark set (n = 100000, p = 100): the weighted cross product X' diag(w) X that every
// logistic and Poisson pass forms, X' diag(w) u and X beta that every pass forms, and the
// symmetric inverse of a p x p matrix. Each line gives the best of five repetitions.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "matrix/products.h"
#include "matrix/symmetric_inverse.h"
#include "synthetic_data.h"

namespace {

using namespace quill::engine;

double best_seconds(const std::function<void()>& work) {
    double best = 1e300;
    for (int rep = 0; rep < 5; ++rep) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main() {
    const int n = 100000, p = 100;
    const quill::bench::synthetic_data data =
        quill::bench::make_synthetic_data(quill::bench::model::logistic, n, p, 20261208);
    std::vector<double> w(n), xtwx(static_cast<size_t>(p) * p), inverse(xtwx.size()), xtu(p),
        beta(p, 0.01), xb(n);
    for (int i = 0; i < n; ++i) w[i] = 0.25 - 0.001 * (i % 100);
    const matrix_cview X(data.x.data(), n, p, n);
    const matrix_view C(xtwx.data(), p, p, p);
    error_trail trail;
    bool singular = true;

    const double cross = best_seconds([&] { real_cross_product(X, C, vector_cview(w.data(), n), trail); });
    const double xtw_u = best_seconds([&] {
        mat_mult_transpose_first_by_vector(X, vector_cview(data.y.data(), n), vector_view(xtu.data(), p),
                                           trail, vector_cview(w.data(), n));
    });
    const double x_beta = best_seconds(
        [&] { mat_mult_by_vector(X, vector_cview(beta.data(), p), vector_view(xb.data(), n), trail); });
    const double invert = best_seconds([&] {
        symmetric_real_inverse(C, matrix_view(inverse.data(), p, p, p), singular, nullptr, 1e-15, trail);
    });

    std::printf("kernel                       n     p     seconds\n");
    std::printf("X' diag(w) X           %7d %5d %11.6f\n", n, p, cross);
    std::printf("X' diag(w) u           %7d %5d %11.6f\n", n, p, xtw_u);
    std::printf("X beta                 %7d %5d %11.6f\n", n, p, x_beta);
    std::printf("symmetric inverse      %7s %5d %11.6f%s\n", "", p, invert, singular ? "  (singular)" : "");
    return trail.error_occurred() ? 1 : 0;
}
