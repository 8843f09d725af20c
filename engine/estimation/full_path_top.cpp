// The top of a full-path grid. Two bounds give a first candidate: above max |b_j| / a every
// penalized coefficient of the unpenalized fit is within the penalty's reach, and above
// max |x_j'W0 (y - mu0)| / n the all-zero fit is stationary. The fits themselves decide: near
// the second bound the fit creeps toward zero and may not reach it within the iteration
// limit, so the candidate grows until the fit from the unpenalized coefficients sets every
// penalized coefficient to 0, and the step where it first does is then narrowed to 1 %.
#include "estimation/full_path_top.h"

#include <algorithm>
#include <cmath>

#include "estimation/icm_fit.h"
#include "estimation/lqa_fit.h"
#include "estimation/penalty.h"
#include "estimation/mean_and_weights.h"
#include "records/option_codes.h"
#include "support/allocation.h"
#include "support/fit_progress.h"

namespace quill::engine {

namespace {

constexpr double growth = 1.5;
constexpr double precision = 1.01;  // the top is within this factor of the smallest
constexpr int most_growths = 80;    // 1.5^80 above the bounds: the path does not end

struct penalized_columns {
    int offset = 0;  // 1 when the standardized design has an intercept column first
    int p = 0;
    const log1& forcein;
    bool penalized(int j) const { return !forcein(j); }  // j = 1 .. p
};

// The fit of the intercept and the forced-in columns alone: the unpenalized fit with every
// penalized coefficient set to 0 and held there (a coefficient at 0 never enters a pass).
int null_fit_mean(scad_session& session, const penalized_columns& cols, dbl1& mu0,
                  error_trail& trail) {
    const scad_dataset& ds = session.dataset;
    dbl1 start, beta;
    if (dbl1_alloc(start, session.initialfit.beta.extent(0), trail, {}, "start") != 0) return -1;
    std::copy(session.initialfit.beta.data(),
              session.initialfit.beta.data() + start.extent(0), start.data());
    for (int j = 1; j <= cols.p; ++j)
        if (cols.penalized(j)) start(j + cols.offset) = 0.0;
    int32_t iterations = 0;
    bool converged = false;
    const int32_t limit = std::max(session.settings.max_iter, 1000);
    const progress_fit reported(QUILL_PROGRESS_GRID_TOP, 0, 0.0, limit);
    if (run_fit_scad_lqa(0.0, start, beta, limit, iterations, converged, session, trail) != 0)
        return -1;
    return scad_calculate_mu(ds.x, beta, session.settings.model_type, mu0, trail, mean_offset(ds));
}

// The two bounds of the candidate top.
int lower_bounds(scad_session& session, const penalized_columns& cols, double& bound,
                 error_trail& trail) {
    const scad_dataset& ds = session.dataset;
    const dbl1& b = session.initialfit.beta;
    double largest_b = 0.0;
    for (int j = 1; j <= cols.p; ++j)
        if (cols.penalized(j)) largest_b = std::fmax(largest_b, std::fabs(b(j + cols.offset)));

    dbl1 mu0;
    if (dbl1_alloc(mu0, ds.n, trail, {}, "mu0") != 0 || null_fit_mean(session, cols, mu0, trail) != 0)
        return -1;
    double largest_gradient = 0.0;
    for (int j = 1; j <= cols.p; ++j) {
        if (!cols.penalized(j)) continue;
        const double* x = &ds.x(1, j + cols.offset);
        double g = 0.0;
        for (int i = 0; i < ds.n; ++i)
            g += x[i] * ds.case_weights.data()[i] * (ds.y.data()[i] - mu0.data()[i]);
        largest_gradient = std::fmax(largest_gradient, std::fabs(g));
    }
    bound = std::fmax(penalty_at(session.settings, 0.0).lambda_reaching(largest_b),
                      largest_gradient / ds.weight_sum);
    return 0;
}

// Whether the grid's fit at lambda, started from the unpenalized fit, ends with every
// penalized coefficient exactly 0.
int all_penalized_zero(scad_session& session, const penalized_columns& cols, double lambda,
                       bool& zero, error_trail& trail) {
    const scad_settings& st = session.settings;
    dbl1 beta;
    int32_t iterations = 0;
    bool converged = false;
    const progress_fit reported(QUILL_PROGRESS_GRID_TOP, 0, lambda, st.max_iter);
    const int rc = st.algorithm == algorithm_icm
                       ? run_fit_scad_icm(lambda, session.initialfit.beta, beta, st.max_iter,
                                          iterations, converged, session, trail)
                       : run_fit_scad_lqa(lambda, session.initialfit.beta, beta, st.max_iter,
                                          iterations, converged, session, trail);
    if (rc != 0 || session.is_null) return -1;
    zero = true;
    for (int j = 1; j <= cols.p && zero; ++j)
        if (cols.penalized(j)) zero = beta(j + cols.offset) == 0.0;
    return 0;
}

}  // namespace

int full_path_top(scad_session& session, double& top, error_trail& trail) {
    const scad_dataset& ds = session.dataset;
    const penalized_columns cols{has_intercept_column(session.settings) ? 1 : 0, ds.p, ds.forcein};
    top = -1.0;
    bool any = false;
    for (int j = 1; j <= cols.p; ++j) any = any || cols.penalized(j);
    if (!any) return 0;

    double low = 0.0;
    if (lower_bounds(session, cols, low, trail) != 0 || !std::isfinite(low)) return -1;
    if (!(low > 0.0)) {
        top = 0.0;  // nothing to shrink: every penalized coefficient is 0 already
        return 0;
    }
    bool zero = false;
    if (all_penalized_zero(session, cols, low, zero, trail) != 0) return -1;
    if (zero) {
        top = low;
        return 0;
    }
    double high = low;
    for (int k = 0; k < most_growths && !zero; ++k) {
        low = high;
        high *= growth;
        if (all_penalized_zero(session, cols, high, zero, trail) != 0) return -1;
    }
    if (!zero) return -1;
    while (high > precision * low) {
        const double middle = std::sqrt(low * high);
        if (all_penalized_zero(session, cols, middle, zero, trail) != 0) return -1;
        (zero ? high : low) = middle;
    }
    top = high;
    return 0;
}

}  // namespace quill::engine
