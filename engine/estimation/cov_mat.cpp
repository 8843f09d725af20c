// Covariance of one penalized fit, from the penalized information matrix of the coefficients
// that are not zero (the reduced model), with Sigma = diag(p'(|b_j|) / |b_j|):
//   model-based  cov = sigma2 (X'WX + n Sigma)^-1
//   robust       cov = (X'WX + n Sigma)^-1 X' diag(w r^2) X (X'WX + n Sigma)^-1, r = y - mu
//   effective df = trace((X'WX + n Sigma)^-1 X'WX),
// the effective number of parameters; for the normal model it is the trace of the smoother
// X (X'X + n Sigma)^-1 X'.
// Excluded coefficients keep zero rows and columns and the standard error sqrt(1e-20) = 1e-10.
#include "estimation/cov_mat.h"

#include <cmath>
#include <utility>

#include "estimation/coordinate_descent.h"
#include "estimation/mean_and_weights.h"
#include "estimation/penalty.h"
#include "matrix/products.h"
#include "matrix/symmetric_inverse.h"
#include "records/option_codes.h"
#include "records/session_failure.h"
#include "support/allocation.h"

namespace quill::engine {

namespace {

constexpr const char* where = "run_calculate_scad_cov_mat in MOD scad_types";
constexpr const char* no_information = "I could not create a penalized information matrix.";
constexpr const char* index_error =
    "Index error in standardized dataset while calculating covariance matrix.";

// The sandwich of the score residuals y - mu: the same form for the three canonical links.
bool robust_se(const scad_settings& st) { return st.model_based_se == 0; }

// Each squared residual counted as often as its observation's frequency weight.
double residual_sum_of_squares(const scad_dataset& ds, const dbl1& mu) {
    const dbl1& y = ds.y;
    double rss = 0.0;
    if (ds.weighted)
        for (int i = 1; i <= y.extent(0); ++i)
            rss += ds.case_weights(i) * (y(i) - mu(i)) * (y(i) - mu(i));
    else
        for (int i = 1; i <= y.extent(0); ++i) rss += (y(i) - mu(i)) * (y(i) - mu(i));
    return rss;
}

// The variance estimate when no coefficient is included: the rule of the general case with
// k = 0, without the error-df refusal.
double sigma2_without_coefficients(const scad_session& session, const dbl1& mu) {
    const scad_settings& st = session.settings;
    if (robust_se(st)) return -1.0;
    if (st.model_type != model_normal) return 1.0;
    const double n = session.dataset.weight_sum;
    const double rss = residual_sum_of_squares(session.dataset, mu);
    return st.center_y ? rss / (n - 1) : rss / n;
}

// The included coefficients and the k x k matrices built on them.
struct reduced_model {
    int k = 0;
    int1 idx;
    log1 forced_r;
    dbl1 b_r, l_r, slope, penalty;
    dbl2 X_r;
    matrix_cview x_r;  // X_r, or x itself when every coefficient is included
    dbl2 A, Ainv, S, C_r;
};

int allocate_reduced(reduced_model& r, const dbl2& x, bool need_columns, error_trail& trail) {
    const int k = r.k;
    if (int1_alloc(r.idx, k, trail) != 0 || log1_alloc(r.forced_r, k, trail) != 0 ||
        dbl1_alloc(r.b_r, k, trail) != 0 || dbl1_alloc(r.l_r, k, trail) != 0 ||
        dbl1_alloc(r.slope, k, trail) != 0 || dbl1_alloc(r.penalty, k, trail) != 0 ||
        dbl2_alloc(r.A, k, k, trail) != 0 || dbl2_alloc(r.Ainv, k, k, trail) != 0 ||
        dbl2_alloc(r.S, k, k, trail) != 0 || dbl2_alloc(r.C_r, k, k, trail) != 0)
        return -1;
    r.x_r = matrix_cview(x);
    if (need_columns && k != x.extent(1)) {
        if (dbl2_alloc(r.X_r, x.extent(0), k, trail, {}, {}, "X_r") != 0) return -1;
        r.x_r = matrix_cview(r.X_r);
    }
    return 0;
}

// Gathers the k included coefficients: positions, values, lambdas and flags, and their
// columns of x when a product over the n rows needs them.
int build_reduced(scad_session& session, const dbl1& beta, const log1& included,
                  const log1& forced, double lambda, bool need_columns, reduced_model& r,
                  error_trail& trail) {
    const scad_dataset& ds = session.dataset;
    const int k = r.k;
    if (allocate_reduced(r, ds.x, need_columns, trail) != 0)
        return fail_reset(session, trail, where,
                          "I could not allocate something in the reduced model.");
    for (int j = 1, m = 0; j <= beta.extent(0); ++j)
        if (included(j)) r.idx(++m) = j;
    if (ds.x.extent(1) != beta.extent(0) || r.idx(k) > ds.x.extent(1))
        return fail_reset(session, trail, where, index_error);
    const int n = ds.n;
    if (r.X_r.allocated())
        for (int c = 1; c <= k; ++c) {
            const double* from = &ds.x(1, r.idx(c));
            double* to = &r.X_r(1, c);
            for (int i = 0; i < n; ++i) to[i] = from[i];
        }
    for (int c = 1; c <= k; ++c) {
        const int j = r.idx(c);
        r.forced_r(c) = forced(j);
        r.b_r(c) = beta(j);
        r.l_r(c) = forced(j) ? 1e-15 : lambda;
    }
    return 0;
}

// Ainv = (H + n diag(p'(|b|) / |b|))^-1 over the included coefficients, with H = X_r' W X_r
// (W the case weight times the variance weight), cut from the stored x'x for the normal model.
int invert_penalized_information(scad_session& session, reduced_model& r, const dbl1& mu,
                                 dbl1& W, error_trail& trail) {
    const scad_dataset& ds = session.dataset;
    const scad_settings& st = session.settings;
    const int n = ds.n;
    const int k = r.k;
    if (scad_calculate_fitweights(mu, W, st.model_type, trail) != 0 ||
        ds.case_weights.extent(0) != n)
        return fail_reset(session, trail, where, no_information);
    for (int i = 1; i <= n; ++i) W(i) = ds.case_weights(i) * W(i);

    if (st.model_type != model_normal || !ds.xtx.allocated()) {
        if (real_cross_product(r.x_r, r.A, vector_cview(W), trail) != 0)
            return fail_reset(session, trail, where, no_information);
    } else {
        if (r.idx(k) > ds.xtx.extent(0) || r.idx(k) > ds.xtx.extent(1))
            return fail_reset(session, trail, where, index_error);
        for (int c = 1; c <= k; ++c)
            for (int rr = 1; rr <= k; ++rr) r.A(rr, c) = ds.xtx(r.idx(rr), r.idx(c));
    }

    double l_max = r.l_r(1);
    for (int c = 2; c <= k; ++c) l_max = std::fmax(l_max, r.l_r(c));
    for (int c = 1; c <= k; ++c) {
        const double b = std::fabs(r.b_r(c));
        const double l = r.l_r(c);
        r.slope(c) = l_max < 1e-15 ? 0.0 : penalty_at(st, l).slope(b, r.forced_r(c));
        r.penalty(c) = ds.weight_sum * lqa_weight(r.slope(c), l, b);
    }
    if (add_a_diag_matrix_to(r.A, r.penalty, trail) != 0)
        return fail_reset(session, trail, where, no_information);
    bool singular = true;
    if (symmetric_real_inverse(r.A, r.Ainv, singular, nullptr, 1e-15, trail) != 0 || singular)
        return fail_reset(session, trail, where,
                          "I could not invert a penalized information matrix.");
    return 0;
}

// C_r, the covariance of the included coefficients, and sigma2.
int included_covariance(scad_session& session, reduced_model& r, const dbl1& mu, dbl1& W,
                        error_trail& trail) {
    const scad_dataset& ds = session.dataset;
    const scad_settings& st = session.settings;
    scad_stdresults& res = session.stdresults;
    const int n = ds.n;
    const int k = r.k;
    if (robust_se(st)) {
        res.sigma2 = -1.0;
        for (int i = 1; i <= n; ++i)
            W(i) = (ds.y(i) - mu(i)) * (ds.y(i) - mu(i)) * ds.case_weights(i);
        if (real_cross_product(r.x_r, r.S, vector_cview(W), trail) != 0 ||
            mat_mult_pre_and_post(r.S, r.Ainv, r.C_r, trail) != 0)
            return fail_reset(session, trail, where, "I could not calculate a cross-product.");
        return 0;
    }
    if (st.model_type == model_normal) {
        const double count = ds.weight_sum;
        if (count <= (uses_descent_path(st) ? k + 1 : ds.p + 1))
            return fail_reset(session, trail, where,
                              "The error df was too small to calculate a variance estimate.");
        const double rss = residual_sum_of_squares(ds, mu);
        res.sigma2 = st.center_y ? rss / (count - k - 1) : rss / (count - k);
    } else {
        res.sigma2 = 1.0;
    }
    for (int c = 1; c <= k; ++c)
        for (int rr = 1; rr <= k; ++rr) r.C_r(rr, c) = res.sigma2 * r.Ainv(rr, c);
    return 0;
}

}  // namespace

int run_calculate_scad_cov_mat(const dbl1& beta, double lambda, bool compute_trace, double& df,
                               scad_session& session, error_trail& trail) {
    const scad_dataset& ds = session.dataset;
    const scad_settings& st = session.settings;
    scad_stdresults& res = session.stdresults;
    if (ds.is_null) return fail_reset(session, trail, where, "The session is not ready yet.");
    const int n = ds.n;
    const int p = ds.p;
    // The descent path's fits keep fewer nonzero coefficients than observations (checked below).
    const bool descent = uses_descent_path(st);
    if (p >= n && !descent)
        return fail_reset(session, trail, where, "Since p >= n, we cannot get standard errors.");
    if (lambda < 0.0) return fail_reset(session, trail, where, "Lambda cannot be negative.");
    // Given lambdas are bounded by the settings; a derived grid value may pass that bound.
    if (std::isinf(lambda)) return fail_reset(session, trail, where, "Lambda is too big.");

    const bool intercept = has_intercept_column(st);
    const int q = intercept ? p + 1 : p;
    if (beta.extent(0) != q || ds.forcein.extent(0) != p)
        return fail_status_reset(session, trail, status_not_conformable, where);

    log1 forced, included;
    dbl1 d, mu, W;
    // The grid search sizes se; a direct call may find it unsized. The covariance starts with an
    // empty support.
    const bool se_sized = res.se.extent(0) == q;
    if (log1_alloc(forced, q, trail) != 0 || log1_alloc(included, q, trail) != 0 ||
        dbl1_alloc(d, q, trail) != 0 || dbl1_alloc(mu, n, trail) != 0 ||
        dbl1_alloc(W, n, trail) != 0 ||
        dbl2_alloc(res.cov_mat, 0, 0, trail, {}, {}, "cov_mat") != 0 ||
        int1_alloc(res.cov_index, 0, trail, {}, "cov_index") != 0 ||
        (!se_sized && dbl1_alloc(res.se, q, trail, {}, "se") != 0))
        return fail_reset(session, trail, where,
                          "I could not allocate something in the beginning of the procedure.");
    const int offset = intercept ? 1 : 0;
    if (intercept) forced(1) = true;
    for (int j = 1; j <= p; ++j) forced(j + offset) = ds.forcein(j);
    res.se.fill(0.0);
    d.fill(0.0);
    df = 0.0;

    reduced_model r;
    for (int j = 1; j <= q; ++j) {
        included(j) = std::fabs(beta(j)) > 1e-15;
        r.k += included(j) ? 1 : 0;
    }

    if (scad_calculate_mu(ds.x, beta, st.model_type, mu, trail, mean_offset(ds)) != 0)
        return fail_reset(session, trail, where, no_information);
    if (r.k == 0) {
        res.sigma2 = sigma2_without_coefficients(session, mu);
        return 0;
    }
    const int k = r.k;
    if (descent && k >= n)
        return fail_reset(session, trail, where, "Since p >= n, we cannot get standard errors.");

    // Without the stored cross-product the normal model's block is formed from the columns.
    const bool need_columns = st.model_type != model_normal || robust_se(st) || !ds.xtx.allocated();
    if (build_reduced(session, beta, included, forced, lambda, need_columns, r, trail) != 0 ||
        invert_penalized_information(session, r, mu, W, trail) != 0 ||
        included_covariance(session, r, mu, W, trail) != 0)
        return -1;

    for (int c = 1; c <= k; ++c) d(r.idx(c)) = r.C_r(c, c);
    std::swap(res.cov_mat, r.C_r);
    std::swap(res.cov_index, r.idx);
    double d_min = 0.0;
    for (int j = 1; j <= q; ++j) {
        d(j) += 1e-20;
        d_min = j == 1 ? d(j) : std::fmin(d_min, d(j));
    }
    if (d_min < 0.0) return fail_status_reset(session, trail, status_sqrt_negative, where);
    for (int j = 1; j <= q; ++j) res.se(j) = std::sqrt(d(j));

    // trace(Ainv H) with H = A - n Sigma is k - trace(Ainv n Sigma): exactly k when no
    // included coefficient is penalized.
    if (compute_trace) {
        df = k;
        for (int c = 1; c <= k; ++c) df -= r.Ainv(c, c) * r.penalty(c);
    }
    return 0;
}

double covariance_quadratic_form(const scad_stdresults& res, const double* v) {
    const int k = res.cov_index.allocated() ? res.cov_index.extent(0) : 0;
    double s = 0.0;
    for (int c = 1; c <= k; ++c) {
        const double vc = v[res.cov_index(c) - 1];
        if (vc == 0.0) continue;
        const double* column = &res.cov_mat(1, c);
        double t = 0.0;
        for (int rr = 1; rr <= k; ++rr) t += column[rr - 1] * v[res.cov_index(rr) - 1];
        s += vc * t;
    }
    return s;
}

}  // namespace quill::engine
