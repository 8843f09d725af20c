// Penalized fit (SCAD, MCP or the lasso) of the normal model without an intercept column by
// iterated conditional modes: cyclic sweeps over the coefficients on S = C / n (C the stored cross-product), each
// coefficient replaced by its partial solution against the initial fit b^,
//   z_j = beta_old_j - sum_k S(k, j) (beta_k - b^_k),
// thresholded by the penalty's derivative at the coefficient's value before the sweep. A sweep
// costs p^2 operations whatever n is.
#include "estimation/icm_fit.h"

#include <cmath>

#include "estimation/coefficient_change.h"
#include "estimation/penalty.h"
#include "records/option_codes.h"
#include "records/session_failure.h"
#include "support/allocation.h"
#include "support/fit_progress.h"

namespace quill::engine {

namespace {

constexpr const char* where = "run_fit_scad_icm in MOD scad_types";

// One sweep over the coefficients in order, each using those already updated in it.
int sweep(const dbl2& S, const dbl1& beta_hat, const dbl1& lambda_vector, const scad_settings& st,
          const dbl1& beta_old, dbl1& beta) {
    const int p = beta.extent(0);
    for (int j = 1; j <= p; ++j) {
        const double* column = &S(1, j);
        double r = 0.0;
        for (int k = 0; k < p; ++k) r += column[k] * (beta.data()[k] - beta_hat.data()[k]);
        const double z = beta_old(j) - r;
        const double l = lambda_vector(j);
        if (std::fabs(z) < l) {
            beta(j) = 0.0;
            continue;
        }
        const double pen = penalty_at(st, l).icm_threshold(std::fabs(beta_old(j)));
        if (pen < 0.0) return -1;
        beta(j) = z > 0.0 ? z - pen : z + pen;
    }
    return 0;
}

}  // namespace

int allocate_icm_workspace(icm_workspace& ws, const scad_session& session, error_trail& trail) {
    const int p = session.dataset.p;
    ws.S_ready = false;
    if (log1_alloc(ws.forced, p, trail, {}, "run_fit_scad_icm: forcein") != 0)
        return fail_status(trail, status_allocation, where, "run_fit_scad_icm: forcein");
    if (dbl1_alloc(ws.lambda_vector, p, trail, {}, "run_fit_scad_icm: lambda_vector") != 0)
        return fail_status(trail, status_allocation, where, "run_fit_scad_icm: lambda_vector");
    if (dbl1_alloc(ws.beta_old, p, trail, {}, "run_fit_scad_icm: beta_old") != 0 ||
        dbl2_alloc(ws.S, p, p, trail, {}, {}, "run_fit_scad_icm: S") != 0)
        return fail_status(trail, status_allocation, where);
    return 0;
}

int run_fit_scad_icm(double lambda, const dbl1& beta_start, dbl1& beta, int32_t max_iter,
                     int32_t& iterations, bool& converged, scad_session& session,
                     error_trail& trail) {
    icm_workspace ws;
    if (!session.dataset.is_null && allocate_icm_workspace(ws, session, trail) != 0) {
        nullify_scad_session(session, trail);
        return -1;
    }
    return run_fit_scad_icm(lambda, beta_start, beta, max_iter, iterations, converged, session,
                            ws, trail);
}

int run_fit_scad_icm(double lambda, const dbl1& beta_start, dbl1& beta, int32_t max_iter,
                     int32_t& iterations, bool& converged, scad_session& session,
                     icm_workspace& ws, error_trail& trail) {
    const scad_dataset& ds = session.dataset;
    const scad_settings& st = session.settings;
    // The grid is not read: the full path's top is searched by fits before the grid exists.
    if (ds.is_null || session.initialfit.is_null)
        return fail_reset(session, trail, where, "The session is not ready yet.");
    if (lambda < 0.0)
        return fail_reset(session, trail, where, "The requested value of lambda is too small.");
    // Given lambdas are bounded by the settings; a derived grid value may pass that bound.
    if (std::isinf(lambda))
        return fail_reset(session, trail, where, "The requested value of lambda is too large.");

    const int p = ds.p;
    log1& forced = ws.forced;
    dbl1& lambda_vector = ws.lambda_vector;
    if (ds.forcein.extent(0) != p || forced.extent(0) != p || lambda_vector.extent(0) != p ||
        ws.beta_old.extent(0) != p || ws.S.extent(0) != p || ws.S.extent(1) != p)
        return fail_status_reset(session, trail, status_not_conformable, where);
    for (int j = 1; j <= p; ++j) forced(j) = lambda < 1e-15 || ds.forcein(j);
    for (int j = 1; j <= p; ++j) lambda_vector(j) = (ds.forcein(j) ? 0.0 : lambda) + 1e-15;

    iterations = 0;  // sweeps run
    converged = false;
    double change = 1e15;
    const int m = beta_start.extent(0);
    if (beta.extent(0) != m && dbl1_alloc(beta, m, trail, {}, "run_fit_scad_icm: beta") != 0)
        return fail_status_reset(session, trail, status_allocation, where,
                                 "run_fit_scad_icm: beta");
    if (st.model_type != model_normal)
        return fail_reset(session, trail, where,
                          "In the current version of this software, ICM is not available for "
                          "this model.");
    if (has_intercept_column(st))
        return fail_reset(session, trail, where,
                          "There may be a bug in the PROC calling the ICM algorithm.");
    const dbl1& beta_hat = session.initialfit.beta;
    if (m != p || beta_hat.extent(0) != p || ds.xtx.extent(0) != p || ds.xtx.extent(1) != p)
        return fail_status_reset(session, trail, status_not_conformable, where);

    dbl1& beta_old = ws.beta_old;
    dbl2& S = ws.S;
    for (int j = 1; j <= p; ++j) beta(j) = beta_start(j);
    const double n = ds.weight_sum;
    if (!ws.S_ready)
        for (std::size_t e = 0; e < S.size(); ++e) S.data()[e] = ds.xtx.data()[e] / n;
    ws.S_ready = true;

    while (change >= st.tolerance) {
        if (iterations >= max_iter) break;
        for (int j = 1; j <= p; ++j) beta_old(j) = beta(j);
        ++iterations;
        progress_passes(iterations);
        if (sweep(S, beta_hat, lambda_vector, st, beta_old, beta) != 0)
            return fail_reset(session, trail, where,
                              "There may be a bug in the ICM algorithm code.");
        change = largest_change(beta, beta_old);
    }

    for (int j = 1; j <= p; ++j)
        if (std::fabs(beta(j)) <= st.final_threshold && !forced(j)) beta(j) = 0.0;
    converged = change < st.tolerance;
    return 0;
}

}  // namespace quill::engine
