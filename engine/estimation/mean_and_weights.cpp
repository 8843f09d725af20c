// Mean vector and variance weights of the three model types. The guards (the exponential clamp
// at ln 1e10, 1 + 1e-11 in the logistic mean, 1e-10 and 1 + 1e-10 in the logistic weight) keep
// the quantities finite and the weights away from zero; they are part of the results.
#include "estimation/mean_and_weights.h"

#include <cmath>

#include "matrix/products.h"
#include "support/allocation.h"

namespace quill::engine {

namespace {

constexpr const char* mu_where = "scad_calculate_mu in MOD scad_types";
constexpr const char* weights_where = "scad_calculate_fitweights in MOD scad_types";

constexpr double exp_clamp_argument = 23.025850929940457;  // ln 1e10
constexpr double exp_clamp_value = 1e10;

}  // namespace

int scad_calculate_mu(matrix_cview x, vector_cview beta, int32_t model_type, vector_view mu,
                      error_trail& trail) {
    if (beta.size != x.cols || mu.size != x.rows)
        return fail_status(trail, status_not_conformable, mu_where, "mu");
    const int n = x.rows;

    dbl1 xb;
    if (dbl1_alloc(xb, n, trail, {}, "scad_calculate_mu: xb") != 0)
        return fail_status(trail, status_allocation, mu_where, "mu");
    if (mat_mult_by_vector(x, beta, xb, trail) != 0) return fail_after(trail, mu_where);

    if (model_type == 0) {
        for (int i = 0; i < n; ++i) mu[i] = xb(i + 1);
        return 0;
    }
    if (model_type != 1 && model_type != 2) return 0;  // other codes leave mu as it is

    dbl1 exb;
    if (dbl1_alloc(exb, n, trail, {}, "scad_calculate_mu: exb") != 0)
        return fail_status(trail, status_allocation, mu_where, "mu");
    const double* eta = xb.data();
    double* e = exb.data();
    for (int i = 0; i < n; ++i)
        e[i] = eta[i] > exp_clamp_argument ? exp_clamp_value : std::exp(eta[i]);

    if (model_type == 1) {
        for (int i = 0; i < n; ++i) mu[i] = e[i] / (e[i] + 1.00000000001);
    } else {
        for (int i = 0; i < n; ++i) mu[i] = e[i];
    }
    return 0;
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
            for (int i = 0; i < n; ++i) weights[i] = (mu[i] + 1e-10) * (1.0000000001 - mu[i]);
            break;
        case 2:
            for (int i = 0; i < n; ++i) weights[i] = mu[i];
            break;
        default:
            break;  // other codes leave the weights as they are
    }
    return 0;
}

}  // namespace quill::engine
