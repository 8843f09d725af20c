// SCAD-penalized fit at one lambda by local quadratic approximation. Every pass replaces the
// penalty by a quadratic around the previous coefficients and takes one Newton step on the
// coefficients still alive:
//   beta_new = beta + (X'WX + n Sigma)^-1 (X'W0 (y - mu) - n Sigma beta),
// W = case weight x variance weight, W0 the case weights, Sigma = diag(p'(|b|) / |b|).
// The step is solved through the Cholesky factor of the denominator; its inverse is never
// needed. A coefficient at or below `threshold` leaves the alive set for good (unless the
// caller keeps every coefficient, as the unpenalized fit does). At most max_iter passes run.
// The normal model's pass needs no row of the data: X'WX is cut from the stored cross-product
// and the gradient follows from it and X'W0 y, both formed when the data were loaded.
#include "estimation/lqa_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

#include "estimation/coefficient_change.h"
#include "estimation/mean_and_weights.h"
#include "estimation/scad_slope.h"
#include "matrix/cross_product_kernel.h"
#include "matrix/products.h"
#include "matrix/row_chunks.h"
#include "matrix/symmetric_inverse.h"
#include "records/option_codes.h"
#include "records/session_failure.h"
#include "support/allocation.h"

namespace quill::engine {

namespace {

constexpr const char* where = "run_fit_scad_lqa in MOD scad_types";

// Arrays sized by the alive count. The alive set never grows from one pass to the next (a
// dropped coefficient stays exactly 0), so they are allocated once with room for every
// coefficient and each pass works on its first k entries. The alive columns of x are read
// where they are, through the list of their positions.
struct lqa_workspace {
    int1 alive;          // 1-based positions of the alive coefficients
    int1 alive_columns;  // the same positions, 0-based, for the kernels
    dbl1 betain, lambda_in, scad_slope, lqa_weight, penalty, xT_y_minus_mu, fitted;
    log1 forced_in;
    dbl2 D;
    // Logistic and Poisson: y - mu, and per row chunk the chunk's share of D and of the
    // gradient, combined in chunk order.
    dbl1 residual;
    dbl1 partials;
    int partial_stride = 0;
    row_chunks chunks{0};
};

// Room for the per-chunk shares of a q x q denominator: at most about 128 MB of them.
int chunk_limit(int q) {
    constexpr long most_doubles = 1L << 24;
    const long per_chunk = static_cast<long>(q) * q + q;
    return static_cast<int>(std::clamp(most_doubles / per_chunk, 1L, 64L));
}

// Allocates one working array of the fit; a failure is reported under its label.
template <class Array>
int working_array(Array& a, int size, const char* label, error_trail& trail) {
    const bool ok = [&] {
        if constexpr (std::is_same_v<Array, log1>)
            return log1_alloc(a, size, trail, {}, label) == 0;
        else if constexpr (std::is_same_v<Array, int1>)
            return int1_alloc(a, size, trail, {}, label) == 0;
        else
            return dbl1_alloc(a, size, trail, {}, label) == 0;
    }();
    return ok ? 0 : fail_status(trail, status_allocation, where, label);
}

int allocate_workspace(lqa_workspace& ws, int n, int q, bool normal, error_trail& trail) {
    if (working_array(ws.betain, q, "run_fit_scad_lqa: betain", trail) != 0 ||
        working_array(ws.lambda_in, q, "run_fit_scad_lqa: lambda_in", trail) != 0 ||
        working_array(ws.scad_slope, q, "run_fit_scad_lqa: scad_slope", trail) != 0 ||
        working_array(ws.lqa_weight, q, "run_fit_scad_lqa: lqa_weight", trail) != 0 ||
        working_array(ws.penalty, q, "run_fit_scad_lqa: penalty", trail) != 0 ||
        working_array(ws.xT_y_minus_mu, q, "run_fit_scad_lqa: xT_y_minus_mu", trail) != 0 ||
        working_array(ws.fitted, q, "run_fit_scad_lqa: fitted", trail) != 0 ||
        working_array(ws.alive, q, "run_fit_scad_lqa: alive", trail) != 0 ||
        working_array(ws.alive_columns, q, "run_fit_scad_lqa: alive_columns", trail) != 0 ||
        working_array(ws.forced_in, q, "run_fit_scad_lqa: forced_in", trail) != 0)
        return -1;
    if (dbl2_alloc(ws.D, q, q, trail, {}, {}, "run_fit_scad_lqa: D") != 0)
        return fail_status(trail, status_allocation, where, "run_fit_scad_lqa: D");
    if (normal) return 0;
    ws.partial_stride = q * q + q;
    ws.chunks = row_chunks(n, chunk_limit(q));
    const long partial_size = static_cast<long>(ws.chunks.count()) * ws.partial_stride;
    if (partial_size > std::numeric_limits<int>::max())
        return fail_status(trail, status_allocation, where, "run_fit_scad_lqa: partials");
    return working_array(ws.residual, n, "run_fit_scad_lqa: residual", trail) != 0 ||
                   working_array(ws.partials, static_cast<int>(partial_size),
                                 "run_fit_scad_lqa: partials", trail) != 0
               ? -1
               : 0;
}

// Lists the alive positions.
void list_alive(lqa_workspace& ws, const log1& include) {
    int m = 0;
    for (int j = 1; j <= include.extent(0); ++j) {
        if (!include(j)) continue;
        ++m;
        ws.alive(m) = j;
        ws.alive_columns(m) = j - 1;
    }
}

struct lqa_problem {
    scad_session& session;
    const dbl1& lambda_vector;
    const log1& forcein_vector;
    double lambda_max;  // largest entry of lambda_vector
};

// The unpenalized part of a logistic or Poisson pass: D = X'AX with A the case weight times
// the variance weight at the current mean, and the gradient X'W0 (y - mu), over the alive
// columns. Each chunk of rows forms its mean, weights and residuals and then its share of D
// and of the gradient while its rows are at hand; the shares are added in chunk order.
int glm_information(lqa_problem& pb, lqa_workspace& ws, int k, dbl1& A, dbl1& mu,
                    error_trail& trail) {
    scad_session& session = pb.session;
    const scad_dataset& ds = session.dataset;
    const int32_t model_type = session.settings.model_type;
    const int n = ds.n;
    if (ds.case_weights.extent(0) != n || ds.y.extent(0) != n || mu.extent(0) != n ||
        A.extent(0) != n)
        return fail_status_reset(session, trail, status_not_conformable, where);
    const int last = ws.alive(k);
    if (last > ds.xtx.extent(0) || last > ds.xtx.extent(1))
        return fail_reset(session, trail, where,
                          "Index error in standardized dataset while running LQA.");

    const detail::column_set x(ds.x, ws.alive_columns.data(), k);
    const vector_cview beta(ws.betain.data(), k);
    const vector_cview case_weights(ds.case_weights);
    const vector_cview weights(A);
    const row_chunks& chunks = ws.chunks;
    const int stride = ws.partial_stride;
    chunks.run(static_cast<long>(k) * (k + 4) + 20, [&](int c, int first, int end) {
        detail::times_vector(x, beta, nullptr, mu.data() + first, first, end);
        mean_from_linear_predictor(model_type, mu.data() + first, end - first);
        for (int i = first; i < end; ++i) {
            const double m = mu.data()[i];
            const double w = model_type == model_logistic ? logistic_weight(m) : m;
            A.data()[i] = ds.case_weights.data()[i] * w;
            ws.residual.data()[i] = ds.y.data()[i] - m;
        }
        double* share = ws.partials.data() + static_cast<std::ptrdiff_t>(c) * stride;
        const matrix_view D_share(share, k, k, k);
        detail::zero_matrix(D_share);
        detail::accumulate_cross_product(x, x, &weights, D_share, true, first, end);
        detail::transpose_times_vector(x, vector_cview(ws.residual), &case_weights,
                                       share + k * k, first, end);
    });

    // The shares in chunk order (a share is never -0, so the first one is taken exactly).
    const matrix_view D(ws.D.data(), k, k, k);
    double* gradient = ws.xT_y_minus_mu.data();
    detail::zero_matrix(D);
    std::fill(gradient, gradient + k, 0.0);
    for (int c = 0; c < chunks.count(); ++c) {
        const double* share = ws.partials.data() + static_cast<std::ptrdiff_t>(c) * stride;
        for (int col = 0; col < k; ++col)
            for (int row = col; row < k; ++row) D(row, col) += share[row + col * k];
        for (int j = 0; j < k; ++j) gradient[j] += share[k * k + j];
    }
    detail::mirror_lower(D);
    return 0;
}

// The unpenalized part of a normal-model pass, from the stored cross-product C = X'W0 X and
// X'W0 y alone: D = C(alive, alive) and X'W0 (y - X b) = X'W0 y - D b. A pass thus costs k^2
// operations instead of reading all n rows twice.
int normal_information(lqa_problem& pb, lqa_workspace& ws, int k, error_trail& trail) {
    scad_session& session = pb.session;
    const scad_dataset& ds = session.dataset;
    const int last = ws.alive(k);
    if (last > ds.xtx.extent(0) || last > ds.xtx.extent(1) || last > ds.xty.extent(0))
        return fail_reset(session, trail, where,
                          "Index error in standardized dataset while running LQA.");
    const matrix_view D(ws.D.data(), k, k, k);
    for (int c = 1; c <= k; ++c) {
        const double* column = &ds.xtx(1, ws.alive(c));
        double* to = D.col(c - 1);
        for (int r = 1; r <= k; ++r) to[r - 1] = column[ws.alive(r) - 1];
    }
    const vector_view fitted(ws.fitted.data(), k);  // D b
    if (mat_mult_by_vector(D, vector_cview(ws.betain.data(), k), fitted, trail) != 0)
        return fail_reset(session, trail, where, "Error constructing the denominator.");
    for (int c = 1; c <= k; ++c)
        ws.xT_y_minus_mu(c) = ds.xty(ws.alive(c)) - ws.fitted(c);
    return 0;
}

// One pass on the k alive coefficients. Fills beta (all q entries) from beta_old.
int lqa_pass(lqa_problem& pb, lqa_workspace& ws, int k, const dbl1& beta_old, dbl1& beta,
             dbl1& A, dbl1& mu, error_trail& trail) {
    scad_session& session = pb.session;
    const scad_settings& st = session.settings;
    const double nd = session.dataset.n;

    for (int c = 1; c <= k; ++c) {
        const int j = ws.alive(c);
        ws.betain(c) = beta_old(j);
        ws.lambda_in(c) = pb.lambda_vector(j);
        ws.forced_in(c) = pb.forcein_vector(j);
    }
    const int rc = st.model_type == model_normal ? normal_information(pb, ws, k, trail)
                                      : glm_information(pb, ws, k, A, mu, trail);
    if (rc != 0) return -1;
    const matrix_view D(ws.D.data(), k, k, k);

    for (int c = 1; c <= k; ++c) {
        const double b = std::fabs(ws.betain(c));
        const double l = ws.lambda_in(c);
        ws.scad_slope(c) =
            pb.lambda_max >= 1e-15 ? scad_slope(b, l, st.a, ws.forced_in(c)) : 0.0;
        ws.lqa_weight(c) = lqa_weight(ws.scad_slope(c), l, b);
        ws.penalty(c) = nd * ws.lqa_weight(c);
    }
    if (add_a_diag_matrix_to(D, vector_cview(ws.penalty.data(), k), trail) != 0)
        return fail_reset(session, trail, where, "Error constructing the denominator.");

    for (int c = 1; c <= k; ++c)
        ws.xT_y_minus_mu(c) -= ws.betain(c) * nd * ws.lqa_weight(c);

    // The step D^-1 (X'W0 (y - mu) - n Sigma b) by the Cholesky factor of D, in place.
    const vector_view step(ws.xT_y_minus_mu.data(), k);
    bool singular = true;
    if (symmetric_real_solve(D, step, singular, 1e-15, trail) != 0 || singular)
        return fail_reset(session, trail, where,
                          "Error inverting the denominator matrix despite adding a ridge.");
    for (int c = 1; c <= k; ++c) ws.betain(c) += ws.xT_y_minus_mu(c);

    beta.fill(0.0);
    for (int c = 1; c <= k; ++c) beta(ws.alive(c)) = ws.betain(c);
    return 0;
}

}  // namespace

int run_fit_scad_lqa(double lambda, const dbl1& beta_start, dbl1& beta, int32_t max_iter,
                     int32_t& iterations, bool& converged, scad_session& session,
                     error_trail& trail, bool check_lambda, bool keep_every_coefficient) {
    dbl1_dealloc(beta, trail);
    const scad_dataset& ds = session.dataset;
    const scad_settings& st = session.settings;
    if (ds.is_null) return fail_reset(session, trail, where, "The session is not ready yet.");
    if (check_lambda) {
        if (lambda < 0.0)
            return fail_reset(session, trail, where, "The requested value of lambda is too small.");
        // Given lambdas are bounded by the settings; a derived grid value may pass that bound.
        if (std::isinf(lambda))
            return fail_reset(session, trail, where, "The requested value of lambda is too large.");
    }

    const int n = ds.n;
    const int p = ds.p;
    const bool intercept = has_intercept_column(st);
    const int q = intercept ? p + 1 : p;

    // Every failure from here on resets the session; the arrays go with the scope.
    const auto abandon = [&] {
        nullify_scad_session(session, trail);
        return -1;
    };
    dbl1 A, mu;
    if (working_array(A, n, "run_fit_scad_lqa: A", trail) != 0) return abandon();
    A.fill(1.0);
    if (working_array(mu, n, "run_fit_scad_lqa: mu", trail) != 0) return abandon();
    mu.fill(0.0);

    if (ds.x.extent(0) != n || ds.x.extent(1) != q || ds.forcein.extent(0) != p)
        return fail_status_reset(session, trail, status_not_conformable, where);
    dbl1 lambda_vector, beta_old;
    log1 include_indices, forcein_vector;
    if (working_array(lambda_vector, q, "run_fit_scad_lqa: lambda_vector", trail) != 0 ||
        working_array(beta_old, q, "run_fit_scad_lqa: beta_old", trail) != 0 ||
        working_array(beta, q, "run_fit_scad_lqa: beta", trail) != 0 ||
        working_array(include_indices, q, "run_fit_scad_lqa: include_indices", trail) != 0 ||
        working_array(forcein_vector, q, "run_fit_scad_lqa: forcein_vector", trail) != 0)
        return abandon();
    const int offset = intercept ? 1 : 0;
    if (intercept) forcein_vector(1) = true;
    for (int j = 1; j <= p; ++j) forcein_vector(j + offset) = ds.forcein(j);
    include_indices.fill(false);
    beta.fill(0.0);

    double lambda_max = std::numeric_limits<double>::lowest();
    for (int j = 1; j <= q; ++j) {
        lambda_vector(j) = (forcein_vector(j) ? 0.0 : lambda) + 1e-15;
        lambda_max = std::fmax(lambda_max, lambda_vector(j));
    }

    if (beta_start.extent(0) != q)
        return fail_status_reset(session, trail, status_not_conformable, where);
    for (int j = 1; j <= q; ++j) beta_old(j) = beta_start(j);
    iterations = 0;
    converged = false;
    double change = 1e15;

    lqa_workspace ws;
    if (allocate_workspace(ws, n, q, st.model_type == model_normal, trail) != 0) return abandon();
    lqa_problem pb{session, lambda_vector, forcein_vector, lambda_max};

    while (change >= st.tolerance) {
        if (iterations >= max_iter) break;
        ++iterations;
        int k = 0;
        for (int j = 1; j <= q; ++j) {
            include_indices(j) = keep_every_coefficient ||
                                 std::fabs(beta_old(j)) > st.threshold || forcein_vector(j);
            k += include_indices(j) ? 1 : 0;
        }
        if (k == 0) {
            for (int j = 1; j <= q; ++j) beta_old(j) = beta(j);
            change = 0.0;
            break;
        }
        list_alive(ws, include_indices);
        if (ws.alive(k) > ds.x.extent(1))
            return fail_reset(session, trail, where,
                              "Index error in standardized dataset while running LQA.");
        if (lqa_pass(pb, ws, k, beta_old, beta, A, mu, trail) != 0) return -1;

        change = largest_change(beta, beta_old);
        for (int j = 1; j <= q; ++j) beta_old(j) = beta(j);
    }

    if (!keep_every_coefficient)
        for (int j = 1; j <= q; ++j)
            if (std::fabs(beta(j)) <= st.final_threshold && !forcein_vector(j)) beta(j) = 0.0;
    converged = change < st.tolerance;
    return 0;
}

}  // namespace quill::engine
