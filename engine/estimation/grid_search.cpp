// The grid search: every grid value is fitted from the initial fit or, with the start rule 1,
// from the fit at the previous grid value (which has fewer alive coefficients and is nearer the
// answer, so it takes fewer and cheaper passes). Each fit is evaluated by BIC, GCV and AIC with
// COUNT or PROJECTION degrees of freedom, and the value with the smallest criterion named by
// `selection` is chosen: the first one within the tie limit of the smallest (fit_criteria.h), NaN
// never. The grid values tied with it are marked for the caller. The loop stops early once a fit
// sets every coefficient to zero: larger lambdas can only do the same. The covariance is then
// computed at the selected value. Each grid value's pass count and convergence flag stay in the
// record beside its criteria.
#include "estimation/grid_search.h"

#include <algorithm>
#include <cmath>

#include "estimation/descent_path.h"
#include "estimation/fit_criteria.h"
#include "estimation/icm_fit.h"
#include "estimation/initial_fit.h"
#include "estimation/lqa_fit.h"
#include "estimation/penalty.h"
#include "estimation/mean_and_weights.h"
#include "estimation/support_refit.h"
#include "records/option_codes.h"
#include "records/session_failure.h"
#include "support/allocation.h"
#include "support/fit_progress.h"

namespace quill::engine {

namespace {

constexpr const char* where = "run_calculate_scad_stdresults in MOD scad_types";
constexpr const char* unrecognized = "Unrecognized option";
constexpr double not_fitted = 1e15;

// ln C(m, k), the number of models of k of the m penalized columns.
double ln_choose(int m, int k) {
    return std::lgamma(m + 1.0) - std::lgamma(k + 1.0) - std::lgamma(m - k + 1.0);
}

int allocate_results(scad_stdresults& res, int G, int q, error_trail& trail) {
    if (dbl2_alloc(res.betas, G, q, trail, {}, {}, "betas") != 0 ||
        dbl1_alloc(res.beta, q, trail, {}, "beta") != 0 ||
        dbl1_alloc(res.se, q, trail, {}, "se") != 0 ||
        dbl1_alloc(res.gcv, G, trail, {}, "gcv") != 0 ||
        dbl1_alloc(res.aic, G, trail, {}, "aic") != 0 ||
        dbl1_alloc(res.bic, G, trail, {}, "bic") != 0 ||
        dbl1_alloc(res.ebic, G, trail, {}, "ebic") != 0 ||
        dbl1_alloc(res.df_proj, G, trail, {}, "df_proj") != 0 ||
        int1_alloc(res.simple_df, G, trail, {}, "simple_df") != 0 ||
        int1_alloc(res.tied, G, trail, {}, "tied") != 0)
        return -1;
    res.betas.fill(0.0);
    res.beta.fill(0.0);
    res.se.fill(0.0);
    res.gcv.fill(not_fitted);
    res.aic.fill(not_fitted);
    res.bic.fill(not_fitted);
    res.ebic.fill(not_fitted);
    res.df_proj.fill(0.0);
    res.simple_df.fill(0);
    res.tied.fill(0);
    return 0;
}

// Everything the grid's fits and criteria work in, allocated before the first grid value so
// that none is allocated while the grid is fitted.
struct grid_workspace {
    lqa_workspace lqa;
    icm_workspace icm;
    descent_workspace descent;
    dbl1 coefficients, mu, previous;
    int1 mu_columns;       // scratch of the mean: the columns with a nonzero coefficient
    dbl1 mu_coefficients;  // and their coefficients
};

int allocate_grid_workspace(grid_workspace& w, const scad_session& session, int q,
                            error_trail& trail) {
    const scad_settings& st = session.settings;
    const int n = session.dataset.n;
    if (dbl1_alloc(w.coefficients, q, trail, {}, "beta_temp") != 0 ||
        dbl1_alloc(w.mu, n, trail, {}, "mu") != 0 ||
        (st.start == start_previous && dbl1_alloc(w.previous, q, trail, {}, "beta_previous") != 0) ||
        int1_alloc(w.mu_columns, q, trail, {}, "scad_calculate_mu: columns") != 0 ||
        dbl1_alloc(w.mu_coefficients, q, trail, {}, "scad_calculate_mu: coefficients") != 0)
        return -1;
    if (uses_descent_path(st)) return allocate_descent_workspace(w.descent, session, trail, true);
    if (st.algorithm == algorithm_icm) return allocate_icm_workspace(w.icm, session, trail);
    // Every fit of the default rule starts from the initial fit.
    if (st.algorithm == algorithm_lqa)
        return allocate_lqa_workspace(w.lqa, session, trail, st.start == start_unpenalized);
    return 0;
}

bool is_nonzero(double b) { return std::fabs(b) > 1e-15; }

// The ties of the selection (scad_stdresults): the grid values whose criterion is within the
// tie limit and whose nonzero set is the selected one's, and the end of the unbroken run of tied
// criteria from the selected value on.
void mark_ties(scad_stdresults& res, const dbl1& criterion, double limit) {
    const int G = criterion.extent(0);
    const int q = res.betas.extent(1);
    const int best = res.best;
    for (int g = 1; g <= G; ++g) {
        bool same = criterion(g) <= limit;
        for (int j = 1; j <= q && same; ++j)
            same = is_nonzero(res.betas(g, j)) == is_nonzero(res.betas(best, j));
        res.tied(g) = same ? -1 : 0;
    }
    int end = best;
    while (end < G && criterion(end + 1) <= limit) ++end;
    res.tie_run_end = end;
}

// Whether the penalty still shrinks a selected penalized coefficient: nonzero, within its reach
// (below a * lambda on the standardized scale; every size for the lasso), and moved from the unpenalized fit by more than half its standard
// error. A shrinkage well within the coefficient's noise (0.1 standard error, with counts near
// 1e9) is no reason to try smaller lambdas.
bool still_shrunk(const scad_stdresults& res, const scad_session& session) {
    const int q = res.beta.extent(0);
    const int offset = has_intercept_column(session.settings) ? 1 : 0;
    const double shrink_limit = penalty_at(session.settings, session.Lgrid.lambda(res.best)).reach();
    const dbl1& unpenalized = session.initialfit.beta;
    for (int j = 1 + offset; j <= q; ++j) {
        const double b = res.beta(j);
        if (session.dataset.forcein(j - offset) || !is_nonzero(b) || !(std::fabs(b) < shrink_limit))
            continue;
        if (std::fabs(b - unpenalized(j)) > 0.5 * res.se(j)) return true;
    }
    return false;
}

// A selection made by the caller on a criterion of its own (cross-validation's error): the
// given grid value, with the ties read on that criterion around the selected value. A value past
// the early stop selects the last fitted one, whose fit it shares; those values are never tied.
int select_given(scad_stdresults& res, const scad_session& session, const path_request& given,
                 error_trail& trail) {
    const int G = session.settings.grid_size;
    if (res.fitted < 1 || given.given_criterion == nullptr) return -1;
    dbl1 criterion;
    if (dbl1_alloc(criterion, G, trail, {}, "given criterion") != 0) return -1;
    for (int g = 1; g <= G; ++g)
        criterion(g) = g >= res.first_fitted && g <= res.fitted ? given.given_criterion[g - 1]
                                                                : not_fitted;
    res.best = std::max(res.first_fitted, std::min(given.given_best, res.fitted));
    for (int j = 1; j <= res.betas.extent(1); ++j) res.beta(j) = res.betas(res.best, j);
    const double v = criterion(res.best);
    const double tolerance = tie_width(v);
    // The one-standard-error rule selects above the least error: a lower error is no tie.
    for (int g = 1; g <= G; ++g)
        if (criterion(g) < v - tolerance) criterion(g) = not_fitted;
    mark_ties(res, criterion, v + tolerance);
    return 0;
}

int fit_at(double lambda, const dbl1& start, grid_workspace& w, int32_t& iterations,
           bool& converged, scad_session& session, error_trail& trail) {
    const int32_t max_iter = session.settings.max_iter;
    if (session.settings.algorithm == algorithm_icm)
        return run_fit_scad_icm(lambda, start, w.coefficients, max_iter, iterations, converged,
                                session, w.icm, trail);
    // A grid value of exactly 0 is the unpenalized fit, which drops and zeroes nothing.
    return run_fit_scad_lqa(lambda, start, w.coefficients, max_iter, iterations, converged,
                            session, w.lqa, trail, true, lambda == 0.0);
}

int prepare(scad_session& session, error_trail& trail) {
    const scad_settings& st = session.settings;
    const scad_dataset& ds = session.dataset;
    if (st.dfformula == df_projection && (ds.p > max_projection_columns || ds.n > max_projection_rows))
        return fail_reset(session, trail, where,
                          "The dataset is too big to use the projection formula for df.");
    if (ds.is_null) return fail_reset(session, trail, where, "The session is not ready yet.");
    if (session.initialfit.is_null && run_calculate_scad_initialfit(session, trail) != 0)
        return fail_reset(session, trail, where, "The initial fit is not ready yet.");
    // A grid of another length than grid_size cannot be indexed by it: build it afresh.
    const bool grid_ready =
        !session.Lgrid.is_null && session.Lgrid.lambda.extent(0) == st.grid_size;
    if (!grid_ready && run_calculate_scad_Lgrid(session, trail) != 0)
        return fail_reset(session, trail, where, "The lambda grid is not ready yet.");
    if (nullify_scad_stdresults(session.stdresults, trail) != 0)
        return fail_reset(session, trail, where, "I could not nullify existing stdresults.");
    return 0;
}

bool same_support(const dbl2& betas, int g, int h) {
    for (int j = 1; j <= betas.extent(1); ++j)
        if (is_nonzero(betas(g, j)) != is_nonzero(betas(h, j))) return false;
    return true;
}

// With REFIT: each fitted grid value's nonzero set refitted without penalty and the selection's
// criterion taken on the refit (a set equal to the one above it shares its refit); not_fitted
// where the set has no unpenalized fit.
int refit_path(scad_stdresults& res, scad_session& session, int penalized, error_trail& trail) {
    const scad_settings& st = session.settings;
    const scad_dataset& ds = session.dataset;
    const int G = st.grid_size;
    const int q = res.betas.extent(1);
    refit_workspace ws;
    dbl1 beta, mu, coefficients;
    int1 columns;
    if (dbl1_alloc(res.refit_criterion, G, trail, {}, "refit criterion") != 0 ||
        allocate_refit_workspace(ws, ds.n, q, trail) != 0 ||
        dbl1_alloc(beta, q, trail, {}, "refit beta") != 0 ||
        dbl1_alloc(mu, ds.n, trail, {}, "refit mu") != 0 ||
        dbl1_alloc(coefficients, q, trail, {}, "refit coefficients") != 0 ||
        int1_alloc(columns, q, trail, {}, "refit columns") != 0)
        return -1;
    res.refit_criterion.fill(not_fitted);
    int previous = 0;
    for (int g = res.first_fitted; g <= res.fitted; ++g) {
        if (previous > 0 && same_support(res.betas, previous, g)) {
            res.refit_criterion(g) = res.refit_criterion(previous);
            continue;
        }
        previous = g;
        const progress_fit reported(QUILL_PROGRESS_REFIT, g, session.Lgrid.lambda(g),
                                    refit_most_steps);
        if (!refit_support(session, &res.betas(g, 1), G, ws, beta)) continue;
        if (scad_calculate_mu(ds.x, beta, st.model_type, mu, columns, coefficients, trail,
                              mean_offset(ds)) != 0)
            return -1;
        int nonzero = 0, penalized_nonzero = 0;
        for (int j = 1; j <= q; ++j) {
            if (!is_nonzero(beta(j))) continue;
            ++nonzero;
            if (j > q - ds.p && !ds.forcein(j - (q - ds.p))) ++penalized_nonzero;
        }
        fit_criteria c;
        if (!scad_calculate_criteria(st.model_type, st.full_likelihood, ds.y, mu, nonzero, c,
                                     ds.weighted ? ds.case_weights.data() : nullptr,
                                     ds.weight_sum))
            return -1;
        res.refit_criterion(g) = st.selection == selection_gcv    ? c.gcv
                                 : st.selection == selection_ebic
                                     ? c.bic + 2.0 * st.ebic_gamma * ln_choose(penalized, penalized_nonzero)
                                     : c.bic;
    }
    return 0;
}

// The refit of the selected grid value's nonzero set in res.beta.
int take_selected_refit(scad_stdresults& res, scad_session& session, error_trail& trail) {
    refit_workspace ws;
    const int q = res.betas.extent(1);
    if (allocate_refit_workspace(ws, session.dataset.n, q, trail) != 0) return -1;
    const progress_fit reported(QUILL_PROGRESS_REFIT, res.best, session.Lgrid.lambda(res.best),
                                refit_most_steps);
    if (!(res.refit_criterion(res.best) < not_fitted) ||
        !refit_support(session, &res.betas(res.best, 1), session.settings.grid_size, ws, res.beta))
        return fail(trail, where, "No nonzero set of the path has an unpenalized fit to select by REFIT.");
    return 0;
}

// The selection: the caller's, or the least criterion of the settings' kind, with its ties.
int select(scad_stdresults& res, scad_session& session, const path_request& request,
           error_trail& trail) {
    const scad_settings& st = session.settings;
    if (request.given_best > 0) {
        if (select_given(res, session, request, trail) != 0)
            return fail_reset(session, trail, where, "The given selection does not fit the grid.");
        return 0;
    }
    const dbl1& criterion = st.refit                         ? res.refit_criterion
                            : st.selection == selection_gcv  ? res.gcv
                            : st.selection == selection_ebic ? res.ebic
                                                             : res.bic;
    res.best = st.grid_size < 2 ? 1 : scad_smallest_criterion(criterion);
    for (int j = 1; j <= res.betas.extent(1); ++j) res.beta(j) = res.betas(res.best, j);
    mark_ties(res, criterion, scad_tie_limit(criterion));
    return 0;
}

}  // namespace

int run_calculate_scad_stdresults(scad_session& session, error_trail& trail,
                                  const path_request& request) {
    if (prepare(session, trail) != 0) return -1;
    const scad_settings& st = session.settings;
    const scad_dataset& ds = session.dataset;
    scad_stdresults& res = session.stdresults;
    const int p = ds.p;
    const int G = st.grid_size;
    const int q = has_intercept_column(st) ? p + 1 : p;

    grid_workspace w;
    const dbl1& coefficients = w.coefficients;
    dbl1& mu = w.mu;
    dbl1& previous = w.previous;
    const bool warm = st.start == start_previous;
    int1& iterations = res.grid_iter;
    int1& converged = res.grid_converged;
    if (allocate_grid_workspace(w, session, q, trail) != 0 ||
        int1_alloc(iterations, G, trail, {}, "iterations") != 0 ||
        int1_alloc(converged, G, trail, {}, "converged") != 0 ||
        allocate_results(res, G, q, trail) != 0)
        return fail_status_reset(session, trail, status_allocation, where);
    iterations.fill(1);
    converged.fill(-1);
    int penalized = 0;  // the penalized design columns, for EBIC's model-space term
    for (int j = 1; j <= p; ++j) penalized += ds.forcein(j) ? 0 : 1;

    // The descent path runs down from the top, each fit from the one above it, and stops where
    // the model saturates; every other fit runs up and stops where all coefficients are 0.
    const bool descent = uses_descent_path(st);
    for (int step = 1; step <= G; ++step) {
        const int g = descent ? G + 1 - step : step;
        const double lambda = session.Lgrid.lambda(g);
        if (st.algorithm != algorithm_lqa && st.algorithm != algorithm_icm)
            return fail_reset(session, trail, where, unrecognized);
        bool fit_converged = false;
        const dbl1& start = warm && g > 1 ? previous : session.initialfit.beta;
        const progress_fit reported(QUILL_PROGRESS_GRID, step, lambda, st.max_iter);
        const int rc = descent ? descent_fit_grid_value(session, g, w.descent, w.coefficients,
                                                        iterations(g), fit_converged, trail)
                               : fit_at(lambda, start, w, iterations(g), fit_converged, session, trail);
        if (rc != 0 || session.is_null)
            return fail_reset(session, trail, where, "The initial fit could not be calculated.");
        progress_passes(iterations(g));
        converged(g) = fit_converged ? -1 : 0;

        bool all_zero = true;  // a NaN coefficient is not zero
        int32_t nonzero = 0, penalized_nonzero = 0;
        for (int j = 1; j <= q; ++j) {
            const double b = coefficients(j);
            res.betas(g, j) = b;
            nonzero += std::fabs(b) > 1e-15 ? 1 : 0;
            if (j > q - p && !ds.forcein(j - (q - p)) && std::fabs(b) > 1e-15) ++penalized_nonzero;
            all_zero = all_zero && std::fabs(b) < 1e-15;
        }
        if (warm) std::copy(coefficients.data(), coefficients.data() + q, previous.data());
        if (scad_calculate_mu(ds.x, coefficients, st.model_type, mu, w.mu_columns,
                              w.mu_coefficients, trail, mean_offset(ds)) != 0)
            return fail_reset(session, trail, where, "Error calculating standardized results");
        res.simple_df(g) = nonzero;

        double df = 0.0;
        if (st.dfformula == df_projection) {
            if (run_calculate_scad_cov_mat(coefficients, lambda, true, res.df_proj(g), session,
                                           trail) != 0)
                return fail_reset(session, trail, where, "Error calculating df_proj_trace");
            df = res.df_proj(g);
        } else if (st.dfformula == df_count) {
            res.df_proj(g) = 0.0;
            df = nonzero;
        } else {
            return fail_reset(session, trail, where, unrecognized);
        }

        fit_criteria c;
        if (!scad_calculate_criteria(st.model_type, st.full_likelihood, ds.y, mu, df, c,
                                     ds.weighted ? ds.case_weights.data() : nullptr,
                                     ds.weight_sum))
            return fail_reset(session, trail, where, unrecognized);
        res.gcv(g) = c.gcv;
        res.aic(g) = c.aic;
        res.bic(g) = c.bic;
        res.ebic(g) = c.bic + 2.0 * st.ebic_gamma * ln_choose(penalized, penalized_nonzero);
        res.fitted = descent ? G : g;
        res.first_fitted = descent ? g : 1;

        if (!descent) {
            if (all_zero) break;
            continue;
        }
        // A saturated fit's criteria mean nothing (a residual variance of 0, coefficients running
        // off): the path ends at the fit above it, unless it is the first.
        res.path_stop = descent_stop(session, w.descent, fit_converged);
        if (res.path_stop != QUILL_PATH_STOP_NONE) {
            res.path_stop_index = g;
            if (g < G) {
                res.first_fitted = g + 1;
                res.gcv(g) = res.aic(g) = res.bic(g) = res.ebic(g) = not_fitted;
            }
            break;
        }
    }

    // The fits' arrays go before the covariance takes its own.
    w = grid_workspace{};

    if (st.model_type != model_normal && st.selection == selection_gcv)
        return fail_reset(session, trail, where,
                          "The GCV fit criterion can only be used with the normal model "
                          "(identity link) type.");
    if (st.refit && refit_path(res, session, penalized, trail) != 0)
        return fail_reset(session, trail, where, "The refits of the path failed.");
    if (select(res, session, request, trail) != 0) return -1;
    if (st.refit && take_selected_refit(res, session, trail) != 0) return fail_after_reset(session, trail, where);
    if (request.covariance) {
        // A refit is unpenalized: its covariance is that of lambda 0.
        const double lambda = st.refit ? 0.0 : session.Lgrid.lambda(res.best);
        if (run_calculate_scad_cov_mat(res.beta, lambda, st.dfformula == df_projection,
                                       res.df_proj(res.best), session, trail) != 0)
            return fail_reset(session, trail, where, "I could not calculate the covariance matrix.");
        res.selected_shrunk = !st.refit && still_shrunk(res, session);
    }
    res.is_null = false;
    res.num_iter = iterations(res.best);
    res.converged = converged(res.best);
    return 0;
}

}  // namespace quill::engine
