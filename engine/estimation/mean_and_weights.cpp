// Mean vector and variance weights of the three model types. The linear predictor is formed a
// block of rows at a time on the stack and turned into the mean at once, so no temporary of n
// elements is needed; blocks of rows are shared among the engine's threads (each row is its
// own sum, so the result does not depend on how they are shared). Only the columns whose
// coefficient is not zero are read: a penalized fit has few, and x(t, j) * 0 added to a sum
// changes at most the sign of a zero sum, which no mean depends on. The exponential is the
// kernels' own, several rows at a time and the same on every processor.
#include "estimation/mean_and_weights.h"

#include <cmath>

#include "matrix/cross_product_kernel.h"
#include "matrix/row_chunks.h"
#include "records/option_codes.h"
#include "support/allocation.h"

namespace quill::engine {

namespace {

constexpr const char* mu_where = "scad_calculate_mu in MOD scad_types";
constexpr const char* weights_where = "scad_calculate_fitweights in MOD scad_types";

constexpr int block = detail::cross_product_row_block;

// mu(t) for the rows [t0, t1) from their linear predictors.
void mean_of_rows(detail::column_set x, vector_cview beta, int32_t model_type, vector_view mu,
                  int t0, int t1, const double* offset) {
    double eta[block];
    for (int b0 = t0; b0 < t1; b0 += block) {
        const int m = t1 - b0 < block ? t1 - b0 : block;
        detail::times_vector(x, beta, nullptr, eta, b0, b0 + m);
        if (offset)
            for (int i = 0; i < m; ++i) eta[i] += offset[b0 + i];
        mean_from_linear_predictor(model_type, eta, m);
        for (int i = 0; i < m; ++i) mu[b0 + i] = eta[i];
    }
}

}  // namespace

int scad_calculate_mu(matrix_cview x, vector_cview beta, int32_t model_type, vector_view mu,
                      error_trail& trail, const double* offset) {
    if (beta.size != x.cols || mu.size != x.rows)
        return fail_status(trail, status_not_conformable, mu_where, "mu");
    int1 columns;
    dbl1 coefficients;
    if (int1_alloc(columns, beta.size, trail, {}, "scad_calculate_mu: columns") != 0 ||
        dbl1_alloc(coefficients, beta.size, trail, {}, "scad_calculate_mu: coefficients") != 0)
        return fail_status(trail, status_allocation, mu_where, "mu");
    return scad_calculate_mu(x, beta, model_type, mu, columns, coefficients, trail, offset);
}

int scad_calculate_mu(matrix_cview x, vector_cview beta, int32_t model_type, vector_view mu,
                      int1& columns, dbl1& coefficients, error_trail& trail,
                      const double* offset) {
    if (beta.size != x.cols || mu.size != x.rows || columns.extent(0) < beta.size ||
        coefficients.extent(0) < beta.size)
        return fail_status(trail, status_not_conformable, mu_where, "mu");
    if (model_type != model_normal && model_type != model_logistic &&
        model_type != model_poisson) return 0;  // mu left as it is

    int count = 0;
    for (int j = 0; j < beta.size; ++j) {
        if (beta[j] == 0.0) continue;
        columns.data()[count] = j;
        coefficients.data()[count++] = beta[j];
    }
    const detail::column_set used(x, columns.data(), count);
    const vector_cview used_beta(coefficients.data(), count);
    row_chunks(x.rows).run(count + 20, [&](int, int first, int end) {
        mean_of_rows(used, used_beta, model_type, mu, first, end, offset);
    });
    return 0;
}

void mean_from_linear_predictor(int32_t model_type, double* values, int m) {
    if (model_type == model_normal) return;
    double exp_eta[block];
    for (int b0 = 0; b0 < m; b0 += block) {
        double* v = values + b0;
        const int count = m - b0 < block ? m - b0 : block;
        detail::exp_rows(v, exp_eta, count);
        if (model_type == model_logistic) {
            detail::logistic_mean_rows(v, exp_eta, v, count);
        } else {
            // The Poisson mean has no cap short of overflow (above eta = 709.78 it is infinite,
            // which the fits refuse): a count above 1e10 is fitted as it is.
            for (int i = 0; i < count; ++i) v[i] = exp_eta[i];
        }
    }
}

namespace {

constexpr double ln2 = 0.69314718055994530942;
constexpr double linear_above = 37.0;      // e^-37 is below half an ulp of 37
constexpr double rescale_above = 0x1p900;  // a factor is at most e^37 < 2^54

// One row of weight 1: its share y eta of the loss goes into `sum`, and ln(1 + e^eta) either into
// `sum` (above eta = 37 it is eta to the last bit) or, as the factor 1 + e^eta, into `product`.
inline void unit_row(double eta, double e, double y, double& sum, double& product) {
    const bool linear = eta > linear_above;
    sum += (linear ? eta : 0.0) - y * eta;
    product *= linear ? 1.0 : 1.0 + e;
}

// Scales `product` into [0.5, 1) by a power of 2 kept in `exponent`, once it is large.
inline void rescale(double& product, int& exponent) {
    if (product <= rescale_above) return;
    int scale = 0;
    product = std::frexp(product, &scale);
    exponent += scale;
}

// The logistic loss of `count` rows, sum w (ln(1 + e^eta) - y eta), from their linear
// predictors and exponentials. The factors 1 + e^eta of rows of weight 1 are multiplied up and
// their logarithm taken once, so that a pass takes no logarithm per row; four running sums and
// products (the rows modulo 4) keep the operations from waiting on one another, and are combined
// in a fixed order. With every weight 1 the groups of four rows go to the kernels, which keep
// the four side by side by the same rule. Rows of other weights take their own logarithm; rows
// of weight 0 add nothing.
double logistic_loss(const double* eta, const double* exp_eta, const double* y, const double* w,
                     bool unit_weights, int count) {
    double sums[4] = {0.0, 0.0, 0.0, 0.0}, products[4] = {1.0, 1.0, 1.0, 1.0};
    int exponent = 0;
    int i = 0;
    if (unit_weights) {
        i = count / 4 * 4;
        detail::logistic_unit_rows(eta, exp_eta, y, i, sums, products, &exponent);
    }
    double& s0 = sums[0];
    double& p0 = products[0];
    for (; i < count; ++i) {
        if (w[i] == 0.0) continue;
        if (w[i] == 1.0) {
            unit_row(eta[i], exp_eta[i], y[i], s0, p0);
            rescale(p0, exponent);
            continue;
        }
        const double softplus = eta[i] > linear_above ? eta[i] : std::log1p(exp_eta[i]);
        s0 += w[i] * (softplus - y[i] * eta[i]);
    }
    // One logarithm for the four products: their fractions multiplied, their powers of 2 added.
    int e0 = 0, e1 = 0, e2 = 0, e3 = 0;
    const double fractions = (std::frexp(products[0], &e0) * std::frexp(products[1], &e1)) *
                             (std::frexp(products[2], &e2) * std::frexp(products[3], &e3));
    exponent += (e0 + e1) + (e2 + e3);
    return ((sums[0] + sums[1]) + (sums[2] + sums[3])) + (std::log(fractions) + exponent * ln2);
}

}  // namespace

double mean_and_loss(int32_t model_type, double* values, const double* y, const double* w,
                     bool unit_weights, int m, bool means) {
    double exp_eta[block];
    double loss = 0.0;
    for (int b0 = 0; b0 < m; b0 += block) {
        double* v = values + b0;
        const int count = m - b0 < block ? m - b0 : block;
        detail::exp_rows(v, exp_eta, count);
        if (model_type == model_logistic) {
            loss += logistic_loss(v, exp_eta, y + b0, w + b0, unit_weights, count);
            if (means) detail::logistic_mean_rows(v, exp_eta, v, count);
        } else {
            for (int i = 0; i < count; ++i) {
                // A left-out observation (weight 0) may have an infinite mean.
                if (w[b0 + i] != 0.0) loss += w[b0 + i] * (exp_eta[i] - y[b0 + i] * v[i]);
                if (means) v[i] = exp_eta[i];
            }
        }
    }
    return loss;
}

int scad_calculate_fitweights(vector_cview mu, vector_view weights, int32_t model_type,
                              error_trail& trail) {
    if (weights.size != mu.size)
        return fail_status(trail, status_not_conformable, weights_where, "mu");
    const int n = mu.size;
    switch (model_type) {
        case 0:
            for (int i = 0; i < n; ++i) weights[i] = 1.0;
            break;
        case 1:
            for (int i = 0; i < n; ++i) weights[i] = logistic_weight(mu[i]);
            break;
        case 2:
            for (int i = 0; i < n; ++i) weights[i] = mu[i];
            break;
        default:
            break;  // other codes leave the weights as they are
    }
    return 0;
}

namespace {

double x_log_x(double v) { return v > 0.0 ? v * std::log(v) : 0.0; }

}  // namespace

double family_deviance(int32_t model_type, double y, double eta) {
    if (model_type == model_logistic) {
        const double softplus = eta > 0.0 ? eta + std::log1p(std::exp(-eta)) : std::log1p(std::exp(eta));
        return 2.0 * (x_log_x(y) + x_log_x(1.0 - y) - (y * eta - softplus));
    }
    if (model_type == model_poisson) return 2.0 * (x_log_x(y) - y * eta - y + std::exp(eta));
    const double r = y - eta;
    return r * r;
}

}  // namespace quill::engine
