#include "kkt_check.h"

#include <cmath>

#include <gtest/gtest.h>

namespace quill::engine::testing_support {

double penalty_derivative(int32_t penalty, double t, double lambda, double a) {
    if (penalty == QUILL_PENALTY_LASSO) return lambda;
    if (penalty == QUILL_PENALTY_MCP) return t <= a * lambda ? lambda - t / a : 0.0;
    if (t <= lambda) return lambda;
    if (t <= a * lambda) return (a * lambda - t) / (a - 1.0);
    return 0.0;
}

double kkt_violation(const quill_fit_call& c, int g) {
    const int n = c.n, p = c.p, G = c.controls.grid_size;
    const int model = c.controls.model_type;
    std::vector<double> w(n, 1.0), r(n);
    if (!c.weights.empty()) w = c.weights;
    double W = 0.0;
    for (double v : w) W += v;
    for (int i = 0; i < n; ++i) {
        double eta = c.intercept[g] + (c.offset.empty() ? 0.0 : c.offset[i]);
        for (int j = 0; j < p; ++j) eta += c.x[i + j * n] * c.path[g + j * G];
        const double mu = model == 0 ? eta : model == 1 ? 1.0 / (1.0 + std::exp(-eta)) : std::exp(eta);
        r[i] = c.y[i] - mu;
    }
    double worst = 0.0;
    double sum = 0.0;
    for (int i = 0; i < n; ++i) sum += w[i] * r[i];
    worst = std::fabs(sum) / W;
    const double lambda = c.lambda[g], a = c.controls.a;
    for (int j = 0; j < p; ++j) {
        const double* x = &c.x[static_cast<std::size_t>(j) * n];
        double mean = 0.0, ss = 0.0, grad = 0.0;
        for (int i = 0; i < n; ++i) mean += w[i] * x[i] / W;
        for (int i = 0; i < n; ++i) ss += w[i] * (x[i] - mean) * (x[i] - mean);
        const double sd = std::sqrt(ss / (W - 1.0));
        for (int i = 0; i < n; ++i) grad += w[i] * (x[i] - mean) / sd * r[i] / W;
        const double b = c.path[g + j * G] * sd;
        double v = 0.0;
        if (c.forcein[j]) v = std::fabs(grad);
        else if (b == 0.0) v = std::fmax(0.0, std::fabs(grad) - lambda);
        else v = std::fabs(grad - std::copysign(penalty_derivative(c.controls.penalty, std::fabs(b), lambda, a), b));
        worst = std::fmax(worst, v);
    }
    return worst;
}

void expect_path_solution(const quill_fit_call& c, const double* want_path, double kkt_limit) {
    const int G = c.controls.grid_size, p = c.p;
    for (int g = 0; g < G; ++g) {
        const double* want = &want_path[g * (p + 1)];
        EXPECT_NEAR(c.intercept[g], want[0], 1e-6) << c.controls.penalty << " " << g;
        for (int j = 0; j < p; ++j)
            EXPECT_NEAR(c.path[g + j * G], want[j + 1], 1e-6) << c.controls.penalty << " " << g << " " << j;
        EXPECT_LT(kkt_violation(c, g), kkt_limit) << c.controls.penalty << " " << g;
    }
}

}  // namespace quill::engine::testing_support
