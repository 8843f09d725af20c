// The unpenalized refit of one support (support_refit.h): iteratively reweighted least squares
// on the support's columns, each step solved through the Cholesky factor of X_S'WX_S.
#include "estimation/support_refit.h"

#include <algorithm>
#include <cmath>

#include "estimation/mean_and_weights.h"
#include "matrix/cross_product_kernel.h"
#include "records/option_codes.h"
#include "support/allocation.h"
#include "support/fit_progress.h"

namespace quill::engine {

namespace {

constexpr int halvings = 30;
constexpr double converged_change = 1e-12;  // relative change of the loss between steps

bool is_nonzero(double b) { return std::fabs(b) > 1e-15; }

// The loss of the linear predictor in ws.eta (the weighted residual sum of squares / 2 for the
// normal model), its means left in ws.mu.
double loss(const scad_session& session, refit_workspace& ws) {
    const scad_dataset& ds = session.dataset;
    const int n = ds.n;
    if (session.settings.model_type == model_normal) {
        double s = 0.0;
        for (int i = 0; i < n; ++i) {
            const double r = ds.y(i + 1) - ws.eta(i + 1);
            ws.mu(i + 1) = ws.eta(i + 1);
            s += ds.case_weights(i + 1) * r * r;
        }
        return 0.5 * s;
    }
    std::copy(ws.eta.data(), ws.eta.data() + n, ws.mu.data());
    return mean_and_loss(session.settings.model_type, ws.mu.data(), ds.y.data(),
                         ds.case_weights.data(), !ds.weighted, n);
}

void linear_predictor(const scad_session& session, refit_workspace& ws, const double* coef, int k) {
    const scad_dataset& ds = session.dataset;
    const int n = ds.n;
    if (ds.offset.allocated()) std::copy(ds.offset.data(), ds.offset.data() + n, ws.eta.data());
    else ws.eta.fill(0.0);
    for (int c = 0; c < k; ++c) {
        const double* x = &ds.x(1, ws.columns(c + 1) + 1);
        for (int i = 0; i < n; ++i) ws.eta.data()[i] += coef[c] * x[i];
    }
}

// The Newton step's target: the weighted least-squares fit of the working response; false when
// X_S'WX_S is not positive definite.
bool solve_step(const scad_session& session, refit_workspace& ws, int k) {
    const scad_dataset& ds = session.dataset;
    const int n = ds.n;
    const bool normal = session.settings.model_type == model_normal;
    for (int i = 1; i <= n; ++i) {
        const double m = ws.mu(i);
        const double v = normal ? 1.0
                         : session.settings.model_type == model_logistic ? logistic_weight(m)
                                                                         : std::fmax(m, 1e-10);
        const double offset = ds.offset.allocated() ? ds.offset(i) : 0.0;
        ws.weight(i) = ds.case_weights(i) * v;
        ws.working(i) = normal ? ds.y(i) : ws.eta(i) - offset + (ds.y(i) - m) / v;
    }
    const detail::column_set S(matrix_cview(ds.x), ws.columns.data(), k);
    const vector_cview w(ws.weight.data(), n);
    matrix_view C(ws.cross.data(), k, k, k);
    detail::zero_matrix(C);
    detail::accumulate_cross_product(S, S, &w, C, true);
    detail::transpose_times_vector(S, vector_cview(ws.working.data(), n), &w, ws.rhs.data(), 0, n);
    if (detail::cholesky_factor(C) != -1) return false;
    double* b = ws.rhs.data();
    for (int i = 0; i < k; ++i) {  // L u = rhs, then L' b = u
        for (int j = 0; j < i; ++j) b[i] -= C.data[i + j * k] * b[j];
        b[i] /= C.data[i + i * k];
    }
    for (int i = k - 1; i >= 0; --i) {
        for (int j = i + 1; j < k; ++j) b[i] -= C.data[j + i * k] * b[j];
        b[i] /= C.data[i + i * k];
    }
    return std::all_of(b, b + k, [](double v) { return std::isfinite(v); });
}

}  // namespace

int allocate_refit_workspace(refit_workspace& ws, int n, int q, error_trail& trail) {
    if (dbl2_alloc(ws.cross, q, q, trail, {}, {}, "refit: cross") != 0 ||
        dbl1_alloc(ws.rhs, q, trail, {}, "refit: rhs") != 0 ||
        dbl1_alloc(ws.coef, q, trail, {}, "refit: coef") != 0 ||
        dbl1_alloc(ws.eta, n, trail, {}, "refit: eta") != 0 ||
        dbl1_alloc(ws.mu, n, trail, {}, "refit: mu") != 0 ||
        dbl1_alloc(ws.weight, n, trail, {}, "refit: weight") != 0 ||
        dbl1_alloc(ws.working, n, trail, {}, "refit: working") != 0 ||
        int1_alloc(ws.columns, q, trail, {}, "refit: columns") != 0)
        return -1;
    return 0;
}

bool refit_support(const scad_session& session, const double* start, int stride,
                   refit_workspace& ws, dbl1& beta) {
    const scad_dataset& ds = session.dataset;
    const int q = beta.extent(0);
    const int offset = q - ds.p;
    int k = 0;
    for (int j = 1; j <= q; ++j) {
        const double b = start[static_cast<std::ptrdiff_t>(j - 1) * stride];
        if (j <= offset || ds.forcein(j - offset) || is_nonzero(b)) {
            ws.columns(k + 1) = j - 1;
            ws.coef(k + 1) = b;
            ++k;
        }
    }
    if (k >= ds.weight_sum) return false;  // as many coefficients as observations: saturated
    linear_predictor(session, ws, ws.coef.data(), k);
    double current = loss(session, ws);
    bool converged = false;
    for (int step = 0; step < refit_most_steps && !converged; ++step) {
        progress_passes(step + 1);
        if (!solve_step(session, ws, k)) return false;
        // The step from coef towards the target in rhs, halved while the loss rises.
        double trial = current;
        for (int h = 0; h <= halvings; ++h) {
            linear_predictor(session, ws, ws.rhs.data(), k);
            trial = loss(session, ws);
            // The normal model's target is its least-squares fit: taken as it is.
            if (session.settings.model_type == model_normal ||
                trial <= current + 1e-13 * std::fabs(current))
                break;
            if (h == halvings) return false;
            for (int c = 1; c <= k; ++c) ws.rhs(c) = 0.5 * (ws.rhs(c) + ws.coef(c));
        }
        converged = session.settings.model_type == model_normal ||
                    std::fabs(current - trial) <= converged_change * (std::fabs(trial) + 0.1);
        current = trial;
        std::copy(ws.rhs.data(), ws.rhs.data() + k, ws.coef.data());
    }
    if (!converged) return false;
    beta.fill(0.0);
    for (int c = 1; c <= k; ++c) beta(ws.columns(c) + 1) = ws.coef(c);
    return true;
}

}  // namespace quill::engine
