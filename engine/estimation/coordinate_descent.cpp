// Coordinate descent at one lambda (coordinate_descent.h). The sweeps read the standardized
// columns with unit stride and keep the residual and the linear predictor current, so an update
// costs 2n operations; a column whose coefficient stays 0 costs one inner product.
#include "estimation/coordinate_descent.h"

#include <algorithm>
#include <cmath>

#include "estimation/mean_and_weights.h"
#include "estimation/penalty.h"
#include "support/allocation.h"
#include "support/thread_team.h"

namespace quill::engine {

namespace {

constexpr int halvings = 30;          // a step halved this often has stopped making progress
constexpr int columns_per_task = 64;  // gradient columns per task: a task's work is n * 64
constexpr double kkt_slack = 1e-12;   // relative: the check must not chase rounding
constexpr double rounding = 1e-14;    // relative rounding of a sum of n loss terms

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

// The residuals (normal model, whose curvature is fixed and formed once) or the means, weights,
// residuals and loss (logistic and Poisson) of the current linear predictor.
void approximate(const scad_session& session, descent_workspace& ws) {
    const scad_dataset& ds = session.dataset;
    const int n = ds.n;
    if (!normal_model(session)) {
        ws.loss = loss_at(session, ws.eta.data(), ws.mu.data());
        weights_from_means(session, ws);
        return;
    }
    for (int i = 0; i < n; ++i) ws.resid.data()[i] = ds.y.data()[i] - ws.eta.data()[i];
    if (ws.curvature_fixed) return;
    std::copy(ds.case_weights.data(), ds.case_weights.data() + n, ws.weight.data());
    for (int j = 1; j <= ws.beta.extent(0); ++j) {
        const double* x = &ds.x(1, j);
        ws.curvature(j) = dot(x, ws.weight.data(), x, n) / ds.weight_sum;
    }
    ws.curvature_fixed = true;
}

double coefficient_penalty(const descent_workspace& ws, int j, double b, const penalty& pen) {
    return pen.value(std::fabs(b), ws.unpenalized(j) != 0);
}

// A logistic or Poisson update of coefficient j by d: a Newton step of the coordinate, halved
// until the objective does not rise; the step taken (0 when none lowers it).
double glm_step(const scad_session& session, descent_workspace& ws, int j, double d,
                const penalty& pen) {
    const scad_dataset& ds = session.dataset;
    const int n = ds.n;
    const double* x = &ds.x(1, j);
    const double b = ws.beta(j);
    const double before = ws.loss / ds.weight_sum + coefficient_penalty(ws, j, b, pen);
    for (int h = 0; h <= halvings; ++h, d *= 0.5) {
        for (int i = 0; i < n; ++i) ws.step_eta.data()[i] = ws.eta.data()[i] + d * x[i];
        const double loss = loss_at(session, ws.step_eta.data(), ws.step_mu.data());
        // Near the optimum a step's gain is below the objective's rounding: that is no rise.
        if (loss / ds.weight_sum + coefficient_penalty(ws, j, b + d, pen) <=
            before + rounding * std::fabs(before)) {
            ws.loss = loss;
            std::swap(ws.eta, ws.step_eta);
            std::swap(ws.mu, ws.step_mu);
            weights_from_means(session, ws);
            return d;
        }
    }
    return 0.0;
}

// The step along the objective's own slope at b: the loss gradient g less the penalty's
// derivative (for b = 0, what of g exceeds lambda), over the curvature.
double local_step(const descent_workspace& ws, int j, double g, double v, const penalty& pen) {
    const double b = ws.beta(j);
    if (ws.unpenalized(j)) return g / v;
    const double lambda = pen.lambda;
    if (b == 0.0) return std::fabs(g) > lambda ? (g - std::copysign(lambda, g)) / v : 0.0;
    return (g - std::copysign(pen.derivative(std::fabs(b)), b)) / v;
}

// One sweep over the strong columns (or only those with a nonzero coefficient); the largest
// change of a coefficient, measured by its curvature. Each update minimizes the objective along
// the coordinate: exactly for the normal model, by a controlled Newton step of the coordinate for
// the logistic and Poisson models (whose weights follow every update).
double sweep(const scad_session& session, descent_workspace& ws, const penalty& pen,
             bool nonzero_only) {
    const scad_dataset& ds = session.dataset;
    const int n = ds.n;
    const bool normal = normal_model(session);
    double change = 0.0;
    for (int j = 1; j <= ws.beta.extent(0); ++j) {
        if (!ws.strong(j)) continue;
        const double b = ws.beta(j);
        if (nonzero_only && b == 0.0 && !ws.unpenalized(j)) continue;
        const double* x = &ds.x(1, j);
        const double* W = ws.weight.data();
        if (!normal) ws.curvature(j) = dot(x, W, x, n) / ds.weight_sum;
        const double v = ws.curvature(j);
        if (!(v > 0.0)) continue;
        const double z = dot(x, W, ws.resid.data(), n) / ds.weight_sum + v * b;
        const double nb = ws.unpenalized(j) ? z / v : coordinate_minimum(z, v, pen);
        double d = nb - b;
        if (d == 0.0) continue;
        if (normal) {
            double* r = ws.resid.data();
            double* eta = ws.eta.data();
            for (int i = 0; i < n; ++i) {
                r[i] -= d * x[i];
                eta[i] += d * x[i];
            }
        } else {
            const double taken = glm_step(session, ws, j, d, pen);
            // The approximation's minimum may lie across a piece of the penalty from where the
            // objective's does (weak curvature): then a Newton step on the objective's own slope.
            d = taken != 0.0 ? taken
                              : glm_step(session, ws, j, local_step(ws, j, z - v * b, v, pen), pen);
        }
        ws.beta(j) = b + d;
        change = std::fmax(change, std::fabs(d) * std::sqrt(v));
    }
    return change;
}

// Sweeps until a full sweep of the strong set changes nothing beyond the tolerance: full sweeps
// alternate with sweeps of the nonzero coefficients alone.
bool fit_strong_set(const scad_session& session, descent_workspace& ws, const penalty& pen,
                    int32_t limit, int32_t& sweeps) {
    const double tol = session.settings.tolerance;
    approximate(session, ws);
    while (sweeps < limit) {
        ++sweeps;
        if (sweep(session, ws, pen, false) < tol) return true;
        while (sweeps < limit) {
            ++sweeps;
            if (sweep(session, ws, pen, true) < tol) break;
        }
    }
    return false;
}

// The gradient x_j'W0(y - mu) / n of every column at the current fit, in tasks of columns: each
// column's sum is formed by one task in a fixed order, whatever the number of threads.
void full_gradient(const scad_session& session, descent_workspace& ws) {
    const scad_dataset& ds = session.dataset;
    const int n = ds.n;
    double* r = ws.mu.data();  // y - mu, in the means' array
    std::copy(ws.eta.data(), ws.eta.data() + n, r);
    if (!normal_model(session)) mean_from_linear_predictor(session.settings.model_type, r, n);
    for (int i = 0; i < n; ++i) r[i] = ds.y.data()[i] - r[i];
    const int q = ws.beta.extent(0);
    const double* w = case_weights(ds);
    const int tasks = (q + columns_per_task - 1) / columns_per_task;
    run_tasks(tasks, [&](int t) {
        const int last = std::min(q, (t + 1) * columns_per_task);
        for (int j = t * columns_per_task + 1; j <= last; ++j)
            ws.gradient(j) = dot(&ds.x(1, j), w, r, n) / ds.weight_sum;
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
                               error_trail& trail) {
    const scad_dataset& ds = session.dataset;
    const int n = ds.n;
    const int q = has_intercept_column(session.settings) ? ds.p + 1 : ds.p;
    if (dbl1_alloc(ws.beta, q, trail, {}, "descent: beta") != 0 ||
        dbl1_alloc(ws.eta, n, trail, {}, "descent: eta") != 0 ||
        dbl1_alloc(ws.resid, n, trail, {}, "descent: resid") != 0 ||
        dbl1_alloc(ws.weight, n, trail, {}, "descent: weight") != 0 ||
        dbl1_alloc(ws.mu, n, trail, {}, "descent: mu") != 0 ||
        dbl1_alloc(ws.curvature, q, trail, {}, "descent: curvature") != 0 ||
        dbl1_alloc(ws.gradient, q, trail, {}, "descent: gradient") != 0 ||
        dbl1_alloc(ws.step_mu, n, trail, {}, "descent: step_mu") != 0 ||
        dbl1_alloc(ws.step_eta, n, trail, {}, "descent: step_eta") != 0 ||
        int1_alloc(ws.strong, q, trail, {}, "descent: strong") != 0 ||
        int1_alloc(ws.unpenalized, q, trail, {}, "descent: unpenalized") != 0)
        return -1;
    const int offset = q - ds.p;
    for (int j = 1; j <= q; ++j) ws.unpenalized(j) = j <= offset || ds.forcein(j - offset) ? 1 : 0;
    ws.curvature.fill(0.0);
    ws.curvature_fixed = false;
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
    int32_t sweeps = 0;
    // Its own limit: the fit every lambda starts from must be finished.
    fit_strong_set(session, ws, penalty_at(session.settings, 0.0), std::max(session.settings.max_iter, 1000), sweeps);
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
        int32_t sweeps = 0;
        converged = fit_strong_set(session, ws, pen, session.settings.max_iter, sweeps) && converged;
        iterations += sweeps;
        full_gradient(session, ws);
    } while (add_violators(ws, lambda));
    ws.previous_lambda = lambda;
}

double descent_deviance(const scad_session& session, descent_workspace& ws) {
    const scad_dataset& ds = session.dataset;
    const int n = ds.n;
    const double* w = case_weights(ds);
    const double* y = ds.y.data();
    double d = 0.0;
    if (normal_model(session)) {
        for (int i = 0; i < n; ++i) {
            const double r = y[i] - ws.eta.data()[i];
            d += (w ? w[i] : 1.0) * r * r;
        }
        return d;
    }
    std::copy(ws.eta.data(), ws.eta.data() + n, ws.mu.data());
    const double loss = mean_and_loss(session.settings.model_type, ws.mu.data(), y,
                                      ds.case_weights.data(), !ds.weighted, n);
    double saturated = 0.0;  // the Poisson model's y ln y - y, 0 ln 0 = 0; 0 for a 0/1 response
    if (session.settings.model_type == 2)
        for (int i = 0; i < n; ++i)
            saturated += (w ? w[i] : 1.0) * (y[i] > 0.0 ? y[i] * std::log(y[i]) - y[i] : 0.0);
    return 2.0 * (loss + saturated);
}

}  // namespace quill::engine
