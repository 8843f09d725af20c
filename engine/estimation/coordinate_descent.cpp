// Coordinate descent at one lambda (coordinate_descent.h). The sweeps read the standardized
// columns with unit stride and keep the residual and the linear predictor current, so an update
// costs 2n operations; a column whose coefficient stays 0 costs one inner product.
#include "estimation/coordinate_descent.h"

#include <algorithm>
#include <cmath>

#include "estimation/mean_and_weights.h"
#include "estimation/penalty.h"
#include "matrix/cross_product_kernel.h"
#include "support/allocation.h"
#include "support/fit_progress.h"
#include "support/thread_team.h"

namespace quill::engine {

namespace {

constexpr int halvings = 30;          // a step halved this often has stopped making progress
constexpr int columns_per_task = 64;  // gradient columns per task: a task's work is n * 64
constexpr double kkt_slack = 1e-12;   // relative: the check must not chase rounding
constexpr double rounding = 1e-14;    // relative rounding of a sum of n loss terms
// The normal model works on cross products up to this many columns (and no more than its rows):
// forming them costs n q^2, about what q / 2 grid values of the column-by-column sweeps cost.
// Beyond it, while forming them costs at most cross_product_work operations (a quarter of a
// second or so): the small lambdas of a grid on such a design take hundreds of sweeps each,
// and an update there costs q operations against 2n (n = 2000, q = 1001: 27 s to 6.4 s).
constexpr int cross_product_columns = 500;
constexpr double cross_product_work = 1e10;

bool cross_products_pay(int n, int q) {
    return q <= n && (q <= cross_product_columns ||
                      static_cast<double>(n) * q * q <= cross_product_work);
}

bool normal_model(const scad_session& s) { return s.settings.model_type == 0; }

const double* case_weights(const scad_dataset& ds) {
    return ds.weighted ? ds.case_weights.data() : nullptr;
}

double dot(const double* x, const double* w, const double* r, int n) {
    double s0 = 0.0, s1 = 0.0;
    int i = 0;
    if (w == nullptr) {
        for (; i + 1 < n; i += 2) {
            s0 += x[i] * r[i];
            s1 += x[i + 1] * r[i + 1];
        }
        for (; i < n; ++i) s0 += x[i] * r[i];
    } else {
        for (; i + 1 < n; i += 2) {
            s0 += x[i] * w[i] * r[i];
            s1 += x[i + 1] * w[i + 1] * r[i + 1];
        }
        for (; i < n; ++i) s0 += x[i] * w[i] * r[i];
    }
    return s0 + s1;
}

// The logistic and Poisson quantities at the means in ws.mu: weights (case weight times
// variance weight) and working residuals (y - mu) / variance.
void weights_from_means(const scad_session& session, descent_workspace& ws) {
    const scad_dataset& ds = session.dataset;
    const bool logistic = session.settings.model_type == 1;
    for (int i = 0; i < ds.n; ++i) {
        const double m = ws.mu.data()[i];
        const double v = logistic ? logistic_weight(m) : std::fmax(m, 1e-10);
        ws.weight.data()[i] = ds.case_weights.data()[i] * v;
        ws.resid.data()[i] = (ds.y.data()[i] - m) / v;
    }
}

// The logistic or Poisson loss at the linear predictor `eta`, its means left in `mu`.
double loss_at(const scad_session& session, const double* eta, double* mu) {
    const scad_dataset& ds = session.dataset;
    std::copy(eta, eta + ds.n, mu);
    return mean_and_loss(session.settings.model_type, mu, ds.y.data(), ds.case_weights.data(),
                         !ds.weighted, ds.n);
}

// The residuals of the current linear predictor; for the logistic and Poisson models first the
// means, the loss and the weights of the quadratic approximation there. New weights make every
// column's curvature stale.
void approximate(const scad_session& session, descent_workspace& ws) {
    const scad_dataset& ds = session.dataset;
    const int n = ds.n;
    if (!normal_model(session)) {
        ws.loss = loss_at(session, ws.eta.data(), ws.mu.data());
        weights_from_means(session, ws);
        ++ws.weighting;
        return;
    }
    // The cross-product mode keeps the gradient instead of the residuals.
    if (!ws.gram.allocated())
        for (int i = 0; i < n; ++i) ws.resid.data()[i] = ds.y.data()[i] - ws.eta.data()[i];
    if (ws.weighting == 0) {
        std::copy(ds.case_weights.data(), ds.case_weights.data() + n, ws.weight.data());
        ws.weighting = 1;
    }
}

double coefficient_penalty(const descent_workspace& ws, int j, double b, const penalty& pen) {
    return pen.value(std::fabs(b), ws.unpenalized(j) != 0);
}

// x_j'Wx_j / n under the current weights, formed when a column first needs it after a reweighting.
double curvature(const scad_session& session, descent_workspace& ws, int j) {
    if (ws.weighted_at(j) != ws.weighting) {
        const scad_dataset& ds = session.dataset;
        const double* x = &ds.x(1, j);
        ws.curvature(j) = dot(x, ws.weight.data(), x, ds.n) / ds.weight_sum;
        ws.weighted_at(j) = ws.weighting;
    }
    return ws.curvature(j);
}

// The sweep of the cross-product mode: the gradient of every column follows each update.
double gram_sweep(descent_workspace& ws, const penalty& pen, bool nonzero_only) {
    const int q = ws.beta.extent(0);
    double* g = ws.gradient.data();
    double change = 0.0;
    for (int j = 1; j <= q; ++j) {
        if (!ws.strong(j)) continue;
        const double b = ws.beta(j);
        if (nonzero_only && b == 0.0 && !ws.unpenalized(j)) continue;
        const double* column = &ws.gram(1, j);
        const double v = column[j - 1];
        if (!(v > 0.0)) continue;
        const double z = g[j - 1] + v * b;
        const double d = (ws.unpenalized(j) ? z / v : coordinate_minimum(z, v, b, pen)) - b;
        if (d == 0.0) continue;
        for (int k = 0; k < q; ++k) g[k] -= d * column[k];
        ws.beta(j) = b + d;
        change = std::fmax(change, std::fabs(d) * std::sqrt(v));
    }
    return change;
}

// One sweep over the strong columns (or only those with a nonzero coefficient) of the penalized
// weighted least squares at fixed weights; each update is that problem's exact minimum along the
// coordinate. The largest change of a coefficient, measured by its curvature.
double sweep(const scad_session& session, descent_workspace& ws, const penalty& pen,
             bool nonzero_only) {
    if (ws.gram.allocated()) return gram_sweep(ws, pen, nonzero_only);
    const scad_dataset& ds = session.dataset;
    const int n = ds.n;
    double change = 0.0;
    double* r = ws.resid.data();
    double* eta = ws.eta.data();
    for (int j = 1; j <= ws.beta.extent(0); ++j) {
        if (!ws.strong(j)) continue;
        const double b = ws.beta(j);
        if (nonzero_only && b == 0.0 && !ws.unpenalized(j)) continue;
        const double v = curvature(session, ws, j);
        if (!(v > 0.0)) continue;
        const double* x = &ds.x(1, j);
        const double z = dot(x, ws.weight.data(), r, n) / ds.weight_sum + v * b;
        const double d = (ws.unpenalized(j) ? z / v : coordinate_minimum(z, v, b, pen)) - b;
        if (d == 0.0) continue;
        for (int i = 0; i < n; ++i) {
            r[i] -= d * x[i];
            eta[i] += d * x[i];
        }
        ws.beta(j) = b + d;
        change = std::fmax(change, std::fabs(d) * std::sqrt(v));
    }
    return change;
}

// Sweeps of the quadratic problem until a full sweep changes nothing beyond the tolerance: full
// sweeps alternate with sweeps of the nonzero coefficients alone. `sweeps` counts on from the
// fit's earlier sweeps; the progress is reported as each full sweep starts (a sweep of the
// nonzero coefficients alone can be too short to report).
bool fit_quadratic(const scad_session& session, descent_workspace& ws, const penalty& pen,
                   int32_t limit, int32_t& sweeps) {
    const double tol = session.settings.tolerance;
    for (int32_t done = 0; done < limit;) {
        ++done, ++sweeps;
        progress_passes(sweeps);
        if (sweep(session, ws, pen, false) < tol) return true;
        while (done < limit) {
            ++done, ++sweeps;
            if (sweep(session, ws, pen, true) < tol) break;
        }
    }
    return false;
}

double objective(const scad_session& session, const descent_workspace& ws, const penalty& pen) {
    double f = ws.loss / session.dataset.weight_sum;
    for (int j = 1; j <= ws.beta.extent(0); ++j)
        if (ws.beta(j) != 0.0) f += coefficient_penalty(ws, j, ws.beta(j), pen);
    return f;
}

// The logistic or Poisson step from the fit saved in beta_old and step_eta to the quadratic
// problem's solution in beta and eta, halved until the objective does not rise; the loss at the
// step taken is left in ws.loss. False when no step lowers it (the saved fit is put back).
bool controlled_step(const scad_session& session, descent_workspace& ws, const penalty& pen,
                     double before) {
    const int n = session.dataset.n;
    const int q = ws.beta.extent(0);
    double* eta = ws.eta.data();
    const double* eta_old = ws.step_eta.data();
    for (int h = 0; h <= halvings; ++h) {
        ws.loss = loss_at(session, eta, ws.step_mu.data());
        // Near the optimum a step's gain is below the objective's rounding: that is no rise.
        if (objective(session, ws, pen) <= before + rounding * std::fabs(before)) return true;
        for (int i = 0; i < n; ++i) eta[i] = 0.5 * (eta[i] + eta_old[i]);
        for (int j = 1; j <= q; ++j) ws.beta(j) = 0.5 * (ws.beta(j) + ws.beta_old(j));
    }
    std::copy(eta_old, eta_old + n, eta);
    std::copy(ws.beta_old.data(), ws.beta_old.data() + q, ws.beta.data());
    ws.loss = loss_at(session, eta, ws.step_mu.data());
    return false;
}

// The fit of the strong set. The normal model's loss is its own quadratic; the logistic and
// Poisson models solve the penalized quadratic approximation at the current fit, step towards its
// solution under step control, and approximate again, until the solution moves no coefficient
// beyond the tolerance. At that fixed point the approximation's gradient is the loss's, so the
// fit meets the objective's own stationarity conditions.
bool fit_strong_set(const scad_session& session, descent_workspace& ws, const penalty& pen,
                    int32_t limit, int32_t& sweeps) {
    approximate(session, ws);
    if (normal_model(session)) return fit_quadratic(session, ws, pen, limit, sweeps);
    const int n = session.dataset.n;
    const int q = ws.beta.extent(0);
    const double tol = session.settings.tolerance;
    // MAXITER counts the sweeps of all the approximations together: a fit whose objective keeps
    // falling without end (the data separate) costs no more than that.
    const int32_t first = sweeps;
    while (sweeps - first < limit) {
        const double before = objective(session, ws, pen);
        std::copy(ws.beta.data(), ws.beta.data() + q, ws.beta_old.data());
        std::copy(ws.eta.data(), ws.eta.data() + n, ws.step_eta.data());
        const bool solved = fit_quadratic(session, ws, pen, limit - (sweeps - first), sweeps);
        double change = 0.0;
        for (int j = 1; j <= q; ++j)
            if (ws.strong(j))
                change = std::fmax(change, std::fabs(ws.beta(j) - ws.beta_old(j)) *
                                               std::sqrt(ws.curvature(j)));
        const bool still = solved && change < tol;
        if (!controlled_step(session, ws, pen, before) || still) return still;
        approximate(session, ws);
    }
    return false;
}

// The gradient x_j'W0(y - mu) / n of every column at the current fit, in tasks of columns: each
// column's sum is formed by one task in a fixed order, whatever the number of threads.
void full_gradient(const scad_session& session, descent_workspace& ws) {
    const scad_dataset& ds = session.dataset;
    const int n = ds.n;
    if (ws.gram.allocated()) {  // the gradient is current: the linear predictor is brought up
        const int q = ws.beta.extent(0);
        if (ds.offset.allocated()) std::copy(ds.offset.data(), ds.offset.data() + n, ws.eta.data());
        else ws.eta.fill(0.0);
        for (int j = 1; j <= q; ++j) {
            const double b = ws.beta(j);
            if (b == 0.0) continue;
            const double* x = &ds.x(1, j);
            for (int i = 0; i < n; ++i) ws.eta.data()[i] += b * x[i];
        }
        return;
    }
    double* r = ws.mu.data();  // y - mu, in the means' array
    std::copy(ws.eta.data(), ws.eta.data() + n, r);
    if (!normal_model(session)) mean_from_linear_predictor(session.settings.model_type, r, n);
    for (int i = 0; i < n; ++i) r[i] = ds.y.data()[i] - r[i];
    const int q = ws.beta.extent(0);
    const vector_cview weights(ds.case_weights.data(), n);
    const vector_cview* w = ds.weighted ? &weights : nullptr;
    const matrix_cview x(ds.x);
    const int tasks = (q + columns_per_task - 1) / columns_per_task;
    run_tasks(tasks, [&](int t) {
        const int first = t * columns_per_task;
        const int count = std::min(q - first, columns_per_task);
        double* g = ws.gradient.data() + first;
        detail::transpose_times_vector(x.columns(first, count), vector_cview(r, n), w, g, 0, n);
        for (int j = 0; j < count; ++j) g[j] /= ds.weight_sum;
    });
}

// Columns outside the strong set whose zero coefficient breaks |g_j| <= lambda join it.
bool add_violators(descent_workspace& ws, double lambda) {
    bool any = false;
    for (int j = 1; j <= ws.beta.extent(0); ++j)
        if (!ws.strong(j) && std::fabs(ws.gradient(j)) > lambda * (1.0 + kkt_slack)) {
            ws.strong(j) = 1;
            any = true;
        }
    return any;
}

}  // namespace

int allocate_descent_workspace(descent_workspace& ws, const scad_session& session,
                               error_trail& trail, bool cross_products) {
    const scad_dataset& ds = session.dataset;
    const int n = ds.n;
    const int q = has_intercept_column(session.settings) ? ds.p + 1 : ds.p;
    if (dbl1_alloc(ws.beta, q, trail, {}, "descent: beta") != 0 ||
        dbl1_alloc(ws.beta_old, q, trail, {}, "descent: beta_old") != 0 ||
        dbl1_alloc(ws.eta, n, trail, {}, "descent: eta") != 0 ||
        dbl1_alloc(ws.resid, n, trail, {}, "descent: resid") != 0 ||
        dbl1_alloc(ws.weight, n, trail, {}, "descent: weight") != 0 ||
        dbl1_alloc(ws.mu, n, trail, {}, "descent: mu") != 0 ||
        dbl1_alloc(ws.curvature, q, trail, {}, "descent: curvature") != 0 ||
        dbl1_alloc(ws.gradient, q, trail, {}, "descent: gradient") != 0 ||
        dbl1_alloc(ws.step_mu, n, trail, {}, "descent: step_mu") != 0 ||
        dbl1_alloc(ws.step_eta, n, trail, {}, "descent: step_eta") != 0 ||
        int1_alloc(ws.strong, q, trail, {}, "descent: strong") != 0 ||
        int1_alloc(ws.unpenalized, q, trail, {}, "descent: unpenalized") != 0 ||
        int1_alloc(ws.weighted_at, q, trail, {}, "descent: weighted_at") != 0)
        return -1;
    const int offset = q - ds.p;
    for (int j = 1; j <= q; ++j) ws.unpenalized(j) = j <= offset || ds.forcein(j - offset) ? 1 : 0;
    ws.curvature.fill(0.0);
    ws.weighted_at.fill(-1);
    ws.weighting = 0;
    if (!cross_products || !normal_model(session) || !cross_products_pay(n, q)) return 0;
    if (dbl2_alloc(ws.gram, q, q, trail, {}, {}, "descent: gram") != 0 ||
        dbl1_alloc(ws.gram_y, q, trail, {}, "descent: gram_y") != 0)
        return -1;
    const matrix_cview x(ds.x);
    const vector_cview weights(ds.case_weights.data(), n);
    const vector_cview* w = ds.weighted ? &weights : nullptr;
    ws.gram.fill(0.0);
    detail::accumulate_cross_product(x, x, w, matrix_view(ws.gram), true);
    detail::mirror_lower(matrix_view(ws.gram));
    for (int j = 1; j <= q; ++j)
        for (int k = 1; k <= q; ++k) ws.gram(k, j) /= ds.weight_sum;
    double* r = ws.resid.data();  // y - offset
    for (int i = 0; i < n; ++i) r[i] = ds.y.data()[i] - (ds.offset.allocated() ? ds.offset.data()[i] : 0.0);
    detail::transpose_times_vector(x, vector_cview(r, n), w, ws.gram_y.data(), 0, n);
    for (int j = 1; j <= q; ++j) ws.gram_y(j) /= ds.weight_sum;
    return 0;
}

void descent_null_fit(const scad_session& session, descent_workspace& ws, double& lambda_max) {
    const scad_dataset& ds = session.dataset;
    const int n = ds.n;
    const int q = ws.beta.extent(0);
    ws.beta.fill(0.0);
    if (ds.offset.allocated())
        std::copy(ds.offset.data(), ds.offset.data() + n, ws.eta.data());
    else
        ws.eta.fill(0.0);
    for (int j = 1; j <= q; ++j) ws.strong(j) = ws.unpenalized(j);
    if (ws.gram.allocated()) std::copy(ws.gram_y.data(), ws.gram_y.data() + q, ws.gradient.data());
    int32_t sweeps = 0;
    // Its own limit: the fit every lambda starts from must be finished.
    const int32_t limit = std::max(session.settings.max_iter, 1000);
    const progress_fit reported(QUILL_PROGRESS_START, 0, 0.0, limit);
    fit_strong_set(session, ws, penalty_at(session.settings, 0.0), limit, sweeps);
    progress_passes(sweeps);
    full_gradient(session, ws);
    lambda_max = 0.0;
    for (int j = 1; j <= q; ++j)
        if (!ws.unpenalized(j)) lambda_max = std::fmax(lambda_max, std::fabs(ws.gradient(j)));
    ws.previous_lambda = lambda_max;
    ws.null_deviance = descent_deviance(session, ws);
    ws.started = true;
}

void descent_fit_at(const scad_session& session, double lambda, descent_workspace& ws,
                    int32_t& iterations, bool& converged) {
    // The strong rule: a column whose gradient at the previous fit is below
    // 2 lambda - lambda_previous is expected to stay at 0.
    const double cut = 2.0 * lambda - ws.previous_lambda;
    const penalty pen = penalty_at(session.settings, lambda);
    for (int j = 1; j <= ws.beta.extent(0); ++j)
        ws.strong(j) = ws.unpenalized(j) || ws.beta(j) != 0.0 || std::fabs(ws.gradient(j)) >= cut;
    iterations = 0;
    converged = true;
    do {
        // Each fit of the strong set may run max_iter sweeps; `iterations` counts them all.
        converged =
            fit_strong_set(session, ws, pen, session.settings.max_iter, iterations) && converged;
        full_gradient(session, ws);
    } while (add_violators(ws, lambda));
    ws.previous_lambda = lambda;
}

double descent_deviance(const scad_session& session, const descent_workspace& ws) {
    const scad_dataset& ds = session.dataset;
    const double* w = case_weights(ds);
    const double* y = ds.y.data();
    const double* eta = ws.eta.data();
    const int32_t model = session.settings.model_type;
    double d = 0.0;
    for (int i = 0; i < ds.n; ++i) d += (w ? w[i] : 1.0) * family_deviance(model, y[i], eta[i]);
    return d;
}

}  // namespace quill::engine
