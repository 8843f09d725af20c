// The unpenalized fit of the full model on the standardized data: weighted least squares for
// the normal model; for the logistic and Poisson models a least-squares start followed by the
// LQA fit at lambda 0 that keeps every coefficient (no drop, no final zeroing). Its coefficients start every grid fit and its variance estimate sets the
// scale of the default lambda grid.
#include "estimation/initial_fit.h"

#include <algorithm>
#include <cmath>

#include "estimation/descent_path.h"
#include "estimation/lqa_fit.h"
#include "estimation/mean_and_weights.h"
#include "matrix/least_squares.h"
#include "records/option_codes.h"
#include "records/session_failure.h"
#include "support/allocation.h"
#include "support/fit_progress.h"

namespace quill::engine {

namespace {

constexpr const char* where = "run_calculate_scad_initialfit in MOD scad_types";
constexpr const char* singular_design =
    "The design matrix is singular (some of the predictors are redundant).";
constexpr const char* no_mu = "I could not calculate the mean vector mu.";
constexpr const char* out_of_memory =
    "The fit ran out of memory: the unpenalized fit could not allocate its working arrays.";

// Why the unpenalized fit failed: the design is blamed only when memory did not run out.
const char* start_failure(const error_trail& trail) {
    return trail.holds_allocation_failure() ? out_of_memory : singular_design;
}

// The least-squares start of the logistic and Poisson fits, with a light ridge: the centred
// response regressed on the design (logistic), or ln(y + 0.5) (Poisson), whose slopes are on
// the scale of the linear predictor whatever the size of the counts.
int glm_start(const scad_dataset& ds, int32_t model_type, dbl1& z, dbl1& start, bool& singular,
              error_trail& trail) {
    if (model_type == model_poisson) {
        for (int i = 1; i <= ds.n; ++i) z(i) = std::log(ds.y(i) + 0.5);
        if (const double* offset = mean_offset(ds))
            for (int i = 1; i <= ds.n; ++i) z(i) -= offset[i - 1];
    } else {
        double sum = 0.0;
        if (ds.weighted)
            for (int i = 1; i <= ds.n; ++i) sum += ds.case_weights(i) * ds.y(i);
        else
            for (int i = 1; i <= ds.n; ++i) sum += ds.y(i);
        const double mean = sum / ds.weight_sum;
        for (int i = 1; i <= ds.n; ++i) z(i) = ds.y(i) - mean;
    }
    return least_squares_regression(ds.x, z, start, singular, trail,
                                    vector_cview(ds.case_weights), 1e-5, true);
}

}  // namespace

int run_calculate_scad_initialfit(scad_session& session, error_trail& trail) {
    // The descent path needs no fit of the full model, which may not exist.
    if (uses_descent_path(session.settings)) return run_calculate_descent_nullfit(session, trail);
    scad_initialfit& fit = session.initialfit;
    if (nullify_scad_initialfit(fit, trail) != 0) return fail_after_reset(session, trail, where);
    const scad_dataset& ds = session.dataset;
    const scad_settings& st = session.settings;
    if (session.is_null || ds.is_null)
        return fail_reset(session, trail, where, "The dataset is not yet initialized.");
    const int32_t max_passes = st.model_type == model_normal ? 0 : std::max(st.max_iter, 1000);
    const progress_fit reported(QUILL_PROGRESS_START, 0, 0.0, max_passes);

    const int n = ds.n;
    const int p = ds.p;
    const int q = has_intercept_column(st) ? p + 1 : p;
    dbl1 start;
    if (dbl1_alloc(start, q, trail, {}, "initial_beta") != 0 ||
        dbl1_alloc(fit.beta, q, trail, {}, "initial_beta") != 0 ||
        dbl1_alloc(fit.mu, n, trail, {}, "mu") != 0)
        return fail_status_reset(session, trail, status_allocation, where);
    start.fill(0.0);
    fit.beta.fill(0.0);

    if (p >= n) {
        fit.singular = true;
        return fail_reset(session, trail, where,
                          "The full model has more parameters than there are observations "
                          "(too many predictors and/or too many classes).");
    }

    if (st.model_type == model_normal) {
        const int rc = least_squares_regression(ds.x, ds.y, start, fit.singular, trail,
                                                vector_cview(ds.case_weights), 1e-10, true);
        std::copy(start.data(), start.data() + q, fit.beta.data());
        if (rc != 0) {
            fit.singular = true;
            return fail_reset(session, trail, where, start_failure(trail));
        }
    } else {
        dbl1 z;
        if (dbl1_alloc(z, n, trail, {}, "z") != 0)
            return fail_status_reset(session, trail, status_allocation, where);
        // A failed start is reported at once: an LQA fit from undefined values means nothing.
        if (glm_start(ds, st.model_type, z, start, fit.singular, trail) != 0) {
            fit.singular = true;
            return fail_reset(session, trail, where, start_failure(trail));
        }
        int32_t iterations = 0;
        bool converged = false;
        // Every coefficient stays in: a slope whose start or a pass comes near zero is not
        // thereby small at the maximum, and one dropped here would be gone for the whole path.
        if (run_fit_scad_lqa(0.0, start, fit.beta, max_passes, iterations,
                             converged, session, trail, false, true) != 0) {
            fit.singular = true;
            return fail_reset(session, trail, where, start_failure(trail));
        }
    }

    if (scad_calculate_mu(ds.x, fit.beta, st.model_type, fit.mu, trail, mean_offset(ds)) != 0)
        return fail_reset(session, trail, where, no_mu);

    double sum = 0.0;
    const double tiny = static_cast<double>(1e-10f);  // single precision, as always used
    for (int i = 1; i <= n; ++i) {
        const double mu = fit.mu(i);
        double term;
        switch (st.model_type) {
            case 0: term = (ds.y(i) - mu) * (ds.y(i) - mu); break;
            case 1: term = (1.0000000001 - mu) * (mu + tiny); break;
            default: term = mu + tiny; break;
        }
        sum += ds.weighted ? ds.case_weights(i) * term : term;
    }
    const double count = ds.weight_sum;
    fit.sigma2 = st.model_type == model_normal ? sum / (count - p) : sum / count;
    fit.is_null = false;
    return 0;
}

}  // namespace quill::engine
