// Results at the selected lambda on the scale of the input data. A predictor's coefficient and
// standard error are the standardized ones times s_j = 1 / sqrt(var_j), the factor that
// standardized the column (the same one both ways, so that a column in small units gets its
// exact slope); with an intercept column the intercept is b_0 + sum_j b_j c_j with
// c_j = -mean_j s_j, and its variance is the quadratic form c' cov c over the full standardized
// covariance matrix.
#include "estimation/unstd_results.h"

#include <cmath>

#include "estimation/cov_mat.h"
#include "records/session_failure.h"
#include "support/allocation.h"

namespace quill::engine {

namespace {
constexpr const char* where = "run_calculate_scad_unstdresults in MOD scad_types";
}  // namespace

int run_calculate_scad_unstdresults(scad_session& session, error_trail& trail) {
    const scad_dataset& ds = session.dataset;
    const scad_settings& st = session.settings;
    const scad_stdresults& std_res = session.stdresults;
    scad_unstdresults& res = session.unstdresults;
    if (ds.is_null || session.initialfit.is_null || std_res.is_null)
        return fail_reset(session, trail, where, "The standardized results are not ready yet.");
    if (nullify_scad_unstdresults(res, trail) != 0)
        return fail_status_reset(session, trail, status_deallocation, where);

    const int n = ds.n;
    const int p = ds.p;
    const int G = std_res.betas.extent(0);
    dbl1 s, c;
    if (dbl1_alloc(res.beta, p, trail, {}, "beta") != 0 ||
        dbl1_alloc(res.se, p, trail, {}, "se") != 0 ||
        dbl2_alloc(res.betas, G, p + 1, trail, {}, {}, "betas") != 0 ||
        dbl1_alloc(s, p + 1, trail, {}, "s") != 0 || dbl1_alloc(c, p + 1, trail, {}, "c") != 0)
        return fail_status_reset(session, trail, status_allocation, where);

    const int q = has_intercept_column(st) ? p + 1 : p;
    if (ds.x_center.extent(0) != p || ds.x_scale.extent(0) != p ||
        std_res.beta.extent(0) != q || std_res.se.extent(0) != q ||
        std_res.cov_mat.extent(0) != std_res.cov_index.extent(0) ||
        std_res.cov_mat.extent(1) != std_res.cov_index.extent(0) || std_res.betas.extent(1) != q)
        return fail_status_reset(session, trail, status_not_conformable, where);
    for (int j = 1; j <= p; ++j)
        if (ds.x_scale(j) < 0.0) return fail_status_reset(session, trail, status_sqrt_negative, where);
    s(1) = 1.0;
    c(1) = 1.0;
    for (int j = 1; j <= p; ++j) {
        s(j + 1) = 1.0 / std::sqrt(ds.x_scale(j));
        c(j + 1) = -ds.x_center(j) * s(j + 1);
    }

    if (has_intercept_column(st)) {
        for (int j = 1; j <= p; ++j) {
            res.beta(j) = s(j + 1) * std_res.beta(j + 1);
            res.se(j) = s(j + 1) * std_res.se(j + 1);
            for (int g = 1; g <= G; ++g) res.betas(g, j + 1) = std_res.betas(g, j + 1) * s(j + 1);
        }
        double intercept = 0.0;
        for (int j = 1; j <= q; ++j) intercept += std_res.beta(j) * c(j);
        res.intercept = intercept;
        // Column by column (the path is column-major); each grid value still sums over j in
        // order.
        for (int g = 1; g <= G; ++g) res.betas(g, 1) = 0.0;
        for (int j = 1; j <= q; ++j)
            for (int g = 1; g <= G; ++g) res.betas(g, 1) += std_res.betas(g, j) * c(j);
        const double variance = covariance_quadratic_form(std_res, c.data());
        // No constant is added: 1e-15 would be most of the variance of an intercept known to
        // 3e-8, as a Poisson intercept is when the counts are near 1e9.
        res.intercept_se = std::sqrt(std::fmax(variance, 0.0));
    } else {
        if (st.center_y && st.model_based_se != 1)
            return fail_reset(session, trail, where,
                              "There was an unexpected option when calculating the intercept "
                              "standard error");
        for (int j = 1; j <= p; ++j) {
            res.beta(j) = std_res.beta(j) * s(j + 1);
            res.se(j) = std_res.se(j) * s(j + 1);
            for (int g = 1; g <= G; ++g) res.betas(g, j + 1) = std_res.betas(g, j) * s(j + 1);
        }
        if (st.center_y) {
            double shift = 0.0;
            for (int j = 1; j <= p; ++j) shift += ds.x_center(j) * std_res.beta(j) * s(j + 1);
            res.intercept = ds.y_mean - shift;
            // Each grid value's intercept, by the same rule as the selected one.
            for (int g = 1; g <= G; ++g) res.betas(g, 1) = 0.0;
            for (int j = 1; j <= p; ++j)
                for (int g = 1; g <= G; ++g)
                    res.betas(g, 1) += ds.x_center(j) * std_res.betas(g, j) * s(j + 1);
            for (int g = 1; g <= G; ++g) res.betas(g, 1) = ds.y_mean - res.betas(g, 1);
            const double variance = covariance_quadratic_form(std_res, c.data() + 1);
            res.intercept_se = std::sqrt(std::fmax(variance + std_res.sigma2 / n, 0.0));
        } else {
            res.intercept = 0.0;
            res.intercept_se = 0.0;
            for (int g = 1; g <= G; ++g) res.betas(g, 1) = 0.0;
        }
    }
    res.is_null = false;
    return 0;
}

}  // namespace quill::engine
