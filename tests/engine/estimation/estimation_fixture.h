// Shared helpers of the estimation tests: reproducible synthetic data, a session loaded
// through the ordinary settings and dataset operations, and small dense solvers written
// independently of the engine for known answers.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "entry/dataset.h"
#include "entry/settings.h"
#include "records/scad_session.h"
#include "support/allocation.h"

namespace quill::engine::testing {

struct data_set {
    int n = 0;
    int p = 0;
    std::vector<double> x;  // n x p, column-major
    std::vector<double> y;
    std::vector<bool> forcein;
};

enum class model { normal = 0, logistic = 1, poisson = 2 };

// Correlated normal predictors (neighbouring columns correlate 0.3), a response from the
// given coefficients (intercept first) and model.
inline data_set synthetic(int n, const std::vector<double>& coef, model m, double noise = 1.0,
                          unsigned seed = 7) {
    data_set d;
    d.n = n;
    d.p = static_cast<int>(coef.size()) - 1;
    d.x.resize(static_cast<std::size_t>(n) * d.p);
    d.y.resize(n);
    d.forcein.assign(d.p, false);
    std::mt19937 gen(seed);
    std::normal_distribution<double> z(0.0, 1.0);
    for (int i = 0; i < n; ++i) {
        double previous = z(gen);
        double eta = coef[0];
        for (int j = 0; j < d.p; ++j) {
            const double v = 0.3 * previous + std::sqrt(1 - 0.09) * z(gen);
            d.x[static_cast<std::size_t>(j) * n + i] = v;
            previous = v;
            eta += coef[j + 1] * v;
        }
        switch (m) {
            case model::normal: d.y[i] = eta + noise * z(gen); break;
            case model::logistic: {
                std::bernoulli_distribution b(1.0 / (1.0 + std::exp(-eta)));
                d.y[i] = b(gen) ? 1.0 : 0.0;
                break;
            }
            case model::poisson: {
                std::poisson_distribution<int> pd(std::exp(eta));
                d.y[i] = pd(gen);
                break;
            }
        }
    }
    return d;
}

struct options {
    int32_t algorithm = 0;
    int32_t selection = 0;
    int32_t dfformula = 0;
    int32_t grid_size = 20;
    int32_t max_iter = 250;
    bool robust = false;
    model type = model::normal;
    double tolerance = 1e-9;
    std::optional<double> threshold;
    std::optional<double> final_threshold;
    double a = 3.7;
    std::optional<double> min_lambda;
    std::optional<double> max_lambda;
    int intercept_mode = 0;  // 0 intercept column, 1 centre y, 2 omit the intercept
    bool full_likelihood = true;
    int32_t start = 0;       // 0 every grid fit from the initial fit, 1 from the previous one
};

// Loads settings and data into s; the test fails when either load fails.
inline void load(scad_session& s, const data_set& d, const options& o = {}) {
    error_trail t;
    ASSERT_EQ(run_load_scad_settings(
                  {.algorithm = o.algorithm, .selection = o.selection, .dfformula = o.dfformula,
                   .grid_size = o.grid_size, .max_iter = o.max_iter,
                   .model_type = static_cast<int32_t>(o.type), .robust = o.robust,
                   .start = o.start, .tolerance = o.tolerance, .threshold = o.threshold,
                   .final_threshold = o.final_threshold, .a = o.a, .min_lambda = o.min_lambda,
                   .max_lambda = o.max_lambda, .omit_intercept = o.intercept_mode == 2,
                   .full_likelihood = o.full_likelihood, .center_y = o.intercept_mode == 1},
                  s, t),
              0);
    dbl2 x;
    dbl1 y, w;
    log1 f;
    ASSERT_EQ(dbl2_alloc(x, d.n, d.p, t), 0);
    ASSERT_EQ(dbl1_alloc(y, d.n, t), 0);
    ASSERT_EQ(dbl1_alloc(w, d.n, t), 0);
    ASSERT_EQ(log1_alloc(f, d.p, t), 0);
    for (std::size_t k = 0; k < d.x.size(); ++k) x.data()[k] = d.x[k];
    for (int i = 0; i < d.n; ++i) y.data()[i] = d.y[i];
    w.fill(1.0);
    for (int j = 0; j < d.p; ++j) f.data()[j] = d.forcein[j];
    ASSERT_EQ(run_load_scad_dataset(x, y, f, w, s, t), 0);
}

inline std::string trimmed(const std::string& line) {
    return line.substr(0, line.find_last_not_of(' ') + 1);
}

inline std::vector<std::string> lines_of(const error_trail& t) {
    std::vector<std::string> out;
    for (const auto& l : t.lines()) out.push_back(trimmed(l));
    return out;
}

inline dbl1 vector_of(const std::vector<double>& v) {
    error_trail t;
    dbl1 a;
    dbl1_alloc(a, static_cast<int>(v.size()), t);
    for (std::size_t i = 0; i < v.size(); ++i) a.data()[i] = v[i];
    return a;
}

using matrix_ld = std::vector<long double>;  // m x m, column-major

// Solves M b = r by Gaussian elimination with partial pivoting in long double.
inline std::vector<double> solve(matrix_ld M, matrix_ld r) {
    const int m = static_cast<int>(r.size());
    auto at = [&](int i, int j) -> long double& { return M[static_cast<std::size_t>(j) * m + i]; };
    for (int c = 0; c < m; ++c) {
        int pivot = c;
        for (int i = c + 1; i < m; ++i)
            if (std::fabs(at(i, c)) > std::fabs(at(pivot, c))) pivot = i;
        for (int j = 0; j < m; ++j) std::swap(at(c, j), at(pivot, j));
        std::swap(r[c], r[pivot]);
        for (int i = c + 1; i < m; ++i) {
            const long double f = at(i, c) / at(c, c);
            for (int j = c; j < m; ++j) at(i, j) -= f * at(c, j);
            r[i] -= f * r[c];
        }
    }
    std::vector<double> b(m);
    for (int i = m - 1; i >= 0; --i) {
        long double s = r[i];
        for (int j = i + 1; j < m; ++j) s -= at(i, j) * b[j];
        b[i] = static_cast<double>(s / at(i, i));
    }
    return b;
}

// X' diag(w) X and X' y for x (n x m, column-major); w = 1 when empty.
inline matrix_ld cross(const std::vector<double>& x, int n, int m,
                       const std::vector<long double>& w = {}) {
    matrix_ld M(static_cast<std::size_t>(m) * m, 0.0L);
    for (int j = 0; j < m; ++j)
        for (int k = 0; k < m; ++k)
            for (int i = 0; i < n; ++i)
                M[static_cast<std::size_t>(k) * m + j] += static_cast<long double>(x[static_cast<std::size_t>(j) * n + i]) *
                                                         x[static_cast<std::size_t>(k) * n + i] * (w.empty() ? 1.0L : w[i]);
    return M;
}

inline matrix_ld cross(const std::vector<double>& x, int n, int m, const std::vector<double>& y) {
    matrix_ld r(m, 0.0L);
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < n; ++i) r[j] += static_cast<long double>(x[static_cast<std::size_t>(j) * n + i]) * y[i];
    return r;
}

// Column c of M^-1.
inline std::vector<double> inverse_column(const matrix_ld& M, int c) {
    matrix_ld e(static_cast<std::size_t>(std::sqrt(static_cast<double>(M.size()))), 0.0L);
    e[c] = 1.0L;
    return solve(M, e);
}

inline std::vector<double> ols(const std::vector<double>& x, const std::vector<double>& y, int n,
                               int m) {
    return solve(cross(x, n, m), cross(x, n, m, y));
}

// Maximum-likelihood fit of a logistic or Poisson model by Newton steps (IRLS) from `start`
// (0 when empty).
inline std::vector<double> irls(const std::vector<double>& x, const std::vector<double>& y,
                                int n, int m, model type, std::vector<double> start = {}) {
    std::vector<double> b = start.empty() ? std::vector<double>(m, 0.0) : std::move(start);
    for (int step = 0; step < 100; ++step) {
        std::vector<long double> w(n);
        std::vector<double> r(n);
        for (int i = 0; i < n; ++i) {
            long double eta = 0.0L;
            for (int j = 0; j < m; ++j) eta += x[static_cast<std::size_t>(j) * n + i] * b[j];
            const long double mu =
                type == model::logistic ? 1.0L / (1.0L + std::exp(-eta)) : std::exp(eta);
            w[i] = type == model::logistic ? mu * (1.0L - mu) : mu;
            r[i] = static_cast<double>(y[i] - mu);
        }
        const std::vector<double> delta = solve(cross(x, n, m, w), cross(x, n, m, r));
        double largest = 0.0;
        for (int j = 0; j < m; ++j) {
            b[j] += delta[j];
            largest = std::fmax(largest, std::fabs(delta[j]));
        }
        if (largest < 1e-13) break;
    }
    return b;
}

// The session's standardized design as a plain vector.
inline std::vector<double> design_of(const scad_session& s) {
    return {s.dataset.x.data(), s.dataset.x.data() + s.dataset.x.size()};
}

}  // namespace quill::engine::testing
