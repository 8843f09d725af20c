// The descent path's null fit, grid and per-grid fits (descent_path.h).
#include "estimation/descent_path.h"

#include <algorithm>
#include <cmath>

#include "estimation/mean_and_weights.h"
#include "records/option_codes.h"
#include "records/session_failure.h"
#include "support/allocation.h"

namespace quill::engine {

namespace {

constexpr const char* nullfit_where = "run_calculate_scad_initialfit in MOD scad_types";
constexpr const char* grid_where = "run_calculate_scad_Lgrid in MOD scad_types";
constexpr const char* bad_indexing = "There is something wrong with the lambda grid indexing.";

// The peers' default bottoms of the grid: near the unpenalized fit when it exists, higher when
// the columns outnumber the observations and the path saturates early.
constexpr double bottom_many_rows = 0.001;
constexpr double bottom_many_columns = 0.05;

}  // namespace

int run_calculate_descent_nullfit(scad_session& session, error_trail& trail) {
    scad_initialfit& fit = session.initialfit;
    if (nullify_scad_initialfit(fit, trail) != 0) return fail_after_reset(session, trail, nullfit_where);
    const scad_dataset& ds = session.dataset;
    if (session.is_null || ds.is_null)
        return fail_reset(session, trail, nullfit_where, "The dataset is not yet initialized.");
    descent_workspace ws;
    if (allocate_descent_workspace(ws, session, trail) != 0 ||
        dbl1_alloc(fit.beta, ws.beta.extent(0), trail, {}, "initial_beta") != 0 ||
        dbl1_alloc(fit.mu, ds.n, trail, {}, "mu") != 0)
        return fail_status_reset(session, trail, status_allocation, nullfit_where);
    double lambda_max = 0.0;
    descent_null_fit(session, ws, lambda_max);
    std::copy(ws.beta.data(), ws.beta.data() + ws.beta.extent(0), fit.beta.data());
    std::copy(ws.eta.data(), ws.eta.data() + ds.n, fit.mu.data());
    mean_from_linear_predictor(session.settings.model_type, fit.mu.data(), ds.n);
    // The null fit's variance: the residual variance, or the mean variance weight.
    double s = 0.0;
    for (int i = 1; i <= ds.n; ++i) {
        const double m = fit.mu(i);
        const double v = session.settings.model_type == model_normal ? (ds.y(i) - m) * (ds.y(i) - m)
                         : session.settings.model_type == model_logistic ? m * (1.0 - m)
                                                                          : m;
        s += ds.case_weights(i) * v;
    }
    fit.sigma2 = s / ds.weight_sum;
    if (!std::isfinite(fit.sigma2) || !std::isfinite(lambda_max))
        return fail_reset(session, trail, nullfit_where,
                          "The fit of the intercept and the forced-in columns alone failed.");
    fit.is_null = false;
    return 0;
}

int run_calculate_descent_grid(scad_session& session, error_trail& trail) {
    scad_Lgrid& grid = session.Lgrid;
    const int G = session.settings.grid_size;
    descent_workspace ws;
    if (allocate_descent_workspace(ws, session, trail) != 0 ||
        dbl1_alloc(grid.lambda, G, trail, {}, "grid") != 0)
        return fail_status_reset(session, trail, status_allocation, grid_where);
    double lambda_max = 0.0;
    descent_null_fit(session, ws, lambda_max);
    const scad_settings& st = session.settings;
    const scad_dataset& ds = session.dataset;
    const double top = st.max_lambda >= 0.0 ? st.max_lambda : lambda_max;
    const double fraction = ds.n > ds.p ? bottom_many_rows : bottom_many_columns;
    const double bottom = st.min_lambda >= 0.0 ? st.min_lambda : fraction * top;
    grid.lambda(1) = bottom;
    if (G >= 2) grid.lambda(G) = top;
    if (G >= 3) {
        if (top < bottom) {
            fail_reset(session, trail, grid_where,
                       "There is something wrong with the settings for the grid (maybe "
                       "max_lambda < min_lambda ).");
            return fail_reset(session, trail, grid_where, bad_indexing);
        }
        const bool logarithmic = bottom > 0.0;
        const double ratio = logarithmic ? std::log(top / bottom) / (G - 1) : 0.0;
        const double step = (top - bottom) / (G - 1);
        for (int i = 2; i <= G - 1; ++i)
            grid.lambda(i) = logarithmic ? bottom * std::exp((i - 1) * ratio) : bottom + (i - 1) * step;
    }
    for (int i = 1; i <= G; ++i)
        if (!std::isfinite(grid.lambda(i))) return fail_reset(session, trail, grid_where, bad_indexing);
    grid.is_null = false;
    return 0;
}

int descent_fit_grid_value(scad_session& session, int g, descent_workspace& ws, dbl1& beta,
                           int32_t& iterations, bool& converged, error_trail& trail) {
    static constexpr const char* where = "run_fit_scad_icm in MOD scad_types";
    const double lambda = session.Lgrid.lambda(g);
    if (!(lambda >= 0.0))
        return fail_reset(session, trail, where, "The requested value of lambda is too small.");
    if (std::isinf(lambda))
        return fail_reset(session, trail, where, "The requested value of lambda is too large.");
    if (!ws.started) {
        double lambda_max = 0.0;
        descent_null_fit(session, ws, lambda_max);
    }
    descent_fit_at(session, lambda, ws, iterations, converged);
    const int q = ws.beta.extent(0);
    if (beta.extent(0) != q) return fail_status_reset(session, trail, status_not_conformable, where);
    for (int j = 1; j <= q; ++j) {
        if (!std::isfinite(ws.beta(j)))
            return fail_reset(session, trail, where,
                              "The coordinate descent fit did not give finite coefficients.");
        beta(j) = ws.beta(j);
    }
    return 0;
}

int32_t descent_stop(const scad_session& session, descent_workspace& ws, bool converged) {
    const scad_dataset& ds = session.dataset;
    const int offset = ws.beta.extent(0) - ds.p;
    int nonzero = 0;
    for (int j = 1 + offset; j <= ws.beta.extent(0); ++j) nonzero += ws.beta(j) != 0.0 ? 1 : 0;
    if (nonzero >= ds.n - 1) return QUILL_PATH_STOP_NONZERO;
    if (ws.null_deviance > 0.0 && 1.0 - descent_deviance(session, ws) / ws.null_deviance > 0.999)
        return QUILL_PATH_STOP_DEVIANCE;
    if (!converged && session.settings.model_type != model_normal) return QUILL_PATH_STOP_DIVERGED;
    return QUILL_PATH_STOP_NONE;
}

}  // namespace quill::engine
