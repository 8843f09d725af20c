// Penalized fit (SCAD, MCP or the lasso) at one lambda by local quadratic approximation. Every
// pass replaces the penalty by a quadratic around the previous coefficients and takes one
// Newton step on the coefficients still alive:
//   beta_new = beta + (X'WX + n Sigma)^-1 (X'W0 (y - mu) - n Sigma beta),
// W = case weight x variance weight, W0 the case weights, Sigma = diag(p'(|b|) / |b|).
// The step is solved through the Cholesky factor of the denominator; its inverse is never
// needed. A coefficient at or below `threshold` leaves the alive set for good (unless the
// caller keeps every coefficient, as the unpenalized fit does). At most max_iter passes run.
// The normal model's pass needs no row of the data: X'WX is cut from the stored cross-product
// and the gradient follows from it and X'W0 y, both formed when the data were loaded.
//
// Every pass also forms the penalized objective at its point, the negative log-likelihood
// (half the residual sum of squares for the normal model) plus n sum p(|b_j|). A logistic or
// Poisson Newton step can overshoot: where the objective at the new point is not finite or has
// risen, the step is halved until it is neither, as glm.fit does. The normal model's passes
// lower it by construction (the quadratic majorizes the penalty), so they are not checked.
//
// Between the passes of a penalized fit an extrapolation (lqa_extrapolation.h) jumps along the
// sequence of points where it closes in linearly, and is kept only where it lowers the objective.
// The fit still ends on a plain pass whose change is below the tolerance.
//
// The fits of a grid that all start from the unpenalized fit screen out, after their shared
// first pass, the coefficients the fit before reported as 0 that could not pass the final
// threshold, checked again once the passes converge (lqa_screen.h). While many columns are still
// alive, their next passes take the first pass's X'AX, formed at the start, instead of forming
// their own: what falls from the unpenalized fit is mostly the coefficients on their way out,
// which move the information little (run_passes).
#include "estimation/lqa_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>

#include "estimation/coefficient_change.h"
#include "estimation/lqa_extrapolation.h"
#include "estimation/lqa_screen.h"
#include "estimation/mean_and_weights.h"
#include "estimation/penalty.h"
#include "matrix/cross_product_kernel.h"
#include "matrix/products.h"
#include "matrix/row_chunks.h"
#include "matrix/symmetric_inverse.h"
#include "records/option_codes.h"
#include "records/session_failure.h"
#include "support/allocation.h"
#include "support/fit_progress.h"

namespace quill::engine {

namespace {

constexpr const char* where = "run_fit_scad_lqa in MOD scad_types";

// Room for the per-chunk shares of a q x q denominator: at most about 128 MB of them. The limit
// sets the chunks, and with them the order of the sums: it stays as it is.
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

// What a pass forms at its point: the loss alone (a trial point), the loss and the gradient (a
// pass that takes the denominator of the shared first pass), or those and X'AX. Or, for the
// logistic model, the loss and X'CX with C the case weight times the variance weight times
// (1 - 2 mu)^2, the square of its logarithm's derivative in eta (distance_from_start).
enum class pass_part { loss, gradient, information, weight_change };

struct lqa_problem {
    scad_session& session;
    const dbl1& lambda_vector;
    const log1& forcein_vector;
    double lambda_max;  // largest entry of lambda_vector
};

constexpr int row_block = detail::cross_product_row_block;

// A Poisson block over few columns, from its linear predictors: the weights, the residuals and
// the loss terms formed together, and the loss summed in the sweep that forms the block's part
// of D and of the gradient, where its additions, each waiting on the one before, overlap the
// sweep's work. The operations and their order are those of mean_and_loss and the general sweep
// below, so are the bits (a row left out adds +0 where mean_and_loss skips it: the same sum).
double poisson_few_columns(const detail::column_set& rows, const double* eta, const double* y,
                           const double* case_weights, int m, matrix_view D_share,
                           double* gradient_sums) {
    double weight[row_block], residual[row_block], term[row_block];
    detail::poisson_rows(eta, y, case_weights, m, weight, residual, term);
    double loss = 0.0;
    detail::cross_product_and_gradient(rows, weight, case_weights, residual, D_share,
                                       gradient_sums, 0, m, term, &loss);
    return loss;
}

// One block of rows [b0, b0 + m) of a chunk's sweep: the linear predictor, the mean and the
// loss of its rows on the stack, then (beyond the loss) their residuals and the block's part of
// the gradient's running sums, and with `information` their weights and the block's part of the
// chunk's share of D. Returns the block's loss.
double sweep_block(const detail::column_set& x, vector_cview beta, const scad_dataset& ds,
                   int32_t model_type, int b0, int m, matrix_view D_share, double* gradient_sums,
                   pass_part part) {
    const bool information = part == pass_part::information;
    double mu[row_block], weight[row_block], residual[row_block];
    detail::column_set rows = x;
    rows.data += b0;
    rows.rows = m;
    detail::times_vector(rows, beta, nullptr, mu, 0, m);
    if (const double* offset = mean_offset(ds))
        for (int i = 0; i < m; ++i) mu[i] += offset[b0 + i];
    const double* case_weights = ds.case_weights.data() + b0;
    const double* y = ds.y.data() + b0;
    if (information && model_type == model_poisson && x.cols <= detail::small_cross_columns)
        return poisson_few_columns(rows, mu, y, case_weights, m, D_share, gradient_sums);
    const double loss =
        mean_and_loss(model_type, mu, y, case_weights, !ds.weighted, m, part != pass_part::loss);
    if (part == pass_part::loss) return loss;
    if (part == pass_part::weight_change) {
        for (int i = 0; i < m; ++i) {
            const double slope = 1.0 - 2.0 * mu[i];
            weight[i] = case_weights[i] * logistic_weight(mu[i]) * slope * slope;
        }
        const vector_cview block_weights(weight, m);
        detail::accumulate_cross_product(rows, rows, &block_weights, D_share, true, 0, m);
        return loss;
    }
    const vector_cview block_case_weights(case_weights, m);
    if (part == pass_part::gradient) {
        for (int i = 0; i < m; ++i) residual[i] = y[i] - mu[i];
        detail::continue_transpose_times_vector(rows, vector_cview(residual, m),
                                                &block_case_weights, gradient_sums, 0, m);
        return loss;
    }
    for (int i = 0; i < m; ++i) {
        const double w = model_type == model_logistic ? logistic_weight(mu[i]) : mu[i];
        weight[i] = case_weights[i] * w;
        residual[i] = y[i] - mu[i];
    }
    if (detail::cross_product_and_gradient(rows, weight, case_weights, residual, D_share,
                                           gradient_sums, 0, m))
        return loss;
    const vector_cview block_weights(weight, m);
    detail::accumulate_cross_product(rows, rows, &block_weights, D_share, true, 0, m);
    detail::continue_transpose_times_vector(rows, vector_cview(residual, m), &block_case_weights,
                                            gradient_sums, 0, m);
    return loss;
}

// The unpenalized part of a logistic or Poisson pass: D = X'AX with A the case weight times
// the variance weight at the current mean, and the gradient X'W0 (y - mu), over the alive
// columns, and the loss. Each chunk of rows is swept a block of rows at a time, every row read
// once: the block's mean, weights and residuals are formed and its part of the chunk's share
// of D and of the gradient added while its rows are at hand. The shares are added in chunk
// order. `part` says what is formed beyond the loss, by the same sums.
int glm_information(lqa_problem& pb, lqa_workspace& ws, int k, pass_part part, double& loss,
                    error_trail& trail) {
    const bool information = part == pass_part::information || part == pass_part::weight_change;
    const bool gradient_too = part == pass_part::information || part == pass_part::gradient;
    scad_session& session = pb.session;
    const scad_dataset& ds = session.dataset;
    const int32_t model_type = session.settings.model_type;
    const int n = ds.n;
    if (ds.case_weights.extent(0) != n || ds.y.extent(0) != n)
        return fail_status_reset(session, trail, status_not_conformable, where);
    const int last = ws.alive(k);
    if (last > ds.xtx.extent(0) || last > ds.xtx.extent(1))
        return fail_reset(session, trail, where,
                          "Index error in standardized dataset while running LQA.");

    const detail::column_set x(ds.x, ws.alive_columns.data(), k);
    const vector_cview beta(ws.betain.data(), k);
    const row_chunks& chunks = ws.chunks;
    const int stride = ws.partial_stride;
    const long cost = information ? static_cast<long>(k) * (k + 4) + 20
                                  : (gradient_too ? 3 : 1) * static_cast<long>(k) + 20;
    chunks.run(cost, [&](int c, int first, int end) {
        double* share = ws.partials.data() + static_cast<std::ptrdiff_t>(c) * stride;
        const matrix_view D_share(share, k, k, k);
        double* gradient = share + static_cast<std::ptrdiff_t>(k) * k;
        double chunk_loss = 0.0;
        if (information) detail::zero_matrix(D_share);
        if (gradient_too)
            std::fill(gradient, gradient + 2 * k, 0.0);  // the even and odd rows' sums
        for (int b0 = first; b0 < end; b0 += row_block)
            chunk_loss += sweep_block(x, beta, ds, model_type, b0, std::min(row_block, end - b0),
                                      D_share, gradient, part);
        share[stride - 1] = chunk_loss;
        if (gradient_too)
            for (int j = 0; j < k; ++j) gradient[j] = gradient[2 * j] + gradient[2 * j + 1];
    });
    loss = 0.0;
    for (int c = 0; c < chunks.count(); ++c)
        loss += ws.partials.data()[static_cast<std::ptrdiff_t>(c) * stride + stride - 1];
    if (!gradient_too && !information) return 0;

    // The shares in chunk order, D into the first share's place: a share is never -0, so the
    // first one stands for 0 + itself exactly.
    const matrix_view D(ws.partials.data(), k, k, k);
    double* gradient = ws.xT_y_minus_mu.data();
    std::fill(gradient, gradient + k, 0.0);
    if (gradient_too)
        for (int j = 0; j < k; ++j) gradient[j] += ws.partials.data()[k * k + j];
    for (int c = 1; c < chunks.count(); ++c) {
        const double* share = ws.partials.data() + static_cast<std::ptrdiff_t>(c) * stride;
        if (information)
            for (int col = 0; col < k; ++col)
                for (int row = col; row < k; ++row) D(row, col) += share[row + col * k];
        if (gradient_too)
            for (int j = 0; j < k; ++j) gradient[j] += share[k * k + j];
    }
    if (information) detail::mirror_lower(D);
    return 0;
}

// The denominator of a pass on k alive coefficients.
matrix_view denominator(lqa_workspace& ws, int k) {
    return matrix_view(ws.normal ? ws.D.data() : ws.partials.data(), k, k, k);
}

// The first pass of a fit from the shared start: its unpenalized part copied when it was formed
// before at the same start, bit for bit (true); the alive set follows from the start.
bool reuse_first_pass(lqa_workspace& ws, int k, const dbl1& beta_start, double& loss) {
    const std::size_t start_bytes = static_cast<std::size_t>(ws.q) * sizeof(double);
    const bool same_start =
        ws.first_pass_ready && ws.first_pass_k == k &&
        std::memcmp(ws.first_pass_start.data(), beta_start.data(), start_bytes) == 0;
    if (!same_start) return false;
    const std::ptrdiff_t kk = static_cast<std::ptrdiff_t>(k) * k;
    const double* from = ws.first_pass.data();
    std::copy(from, from + kk, denominator(ws, k).data);
    std::copy(from + kk, from + kk + k, ws.xT_y_minus_mu.data());
    loss = from[kk + k];
    return true;
}

// Keeps the unpenalized part of a first pass just formed, for the fits to come.
void keep_first_pass(lqa_workspace& ws, int k, const dbl1& beta_start, double loss) {
    std::copy(beta_start.data(), beta_start.data() + ws.q, ws.first_pass_start.data());
    const std::ptrdiff_t kk = static_cast<std::ptrdiff_t>(k) * k;
    const double* D = denominator(ws, k).data;
    double* to = ws.first_pass.data();
    std::copy(D, D + kk, to);
    std::copy(ws.xT_y_minus_mu.data(), ws.xT_y_minus_mu.data() + k, to + kk);
    to[kk + k] = loss;
    ws.first_pass_k = k;
    ws.first_pass_index.fill(0);
    for (int c = 1; c <= k; ++c) ws.first_pass_index(ws.alive(c)) = c;
    ws.first_pass_ready = true;
    ws.start_change_ready = false;
}

// How far the weights at `point` are from the start's, to first order: the weighted root mean
// square of their relative change, d log w / d eta times the change of eta. That is the root of
// (b - b0)' X'CX (b - b0) over the sum of the weights (the mean of X'AX's diagonal, the columns
// being standardized), where C = A for the Poisson model (the weight is the mean) and the
// logistic model's X'CX is formed once a start (weight_change).
double distance_from_start(const lqa_workspace& ws, const dbl1& point, const dbl1& start) {
    const int k0 = ws.first_pass_k;
    const double* H = ws.first_pass.data();
    const double* C = ws.start_change_ready ? ws.start_change.data() : H;
    double form = 0.0, trace = 0.0;
    for (int c = 1; c <= ws.q; ++c) {
        const int a = ws.first_pass_index(c);
        if (a == 0) continue;
        trace += H[static_cast<std::ptrdiff_t>(a - 1) * k0 + a - 1];
        const double* column = C + static_cast<std::ptrdiff_t>(a - 1) * k0;
        double row_sum = 0.0;
        for (int r = 1; r <= ws.q; ++r) {
            const int b = ws.first_pass_index(r);
            if (b != 0) row_sum += column[b - 1] * (point(r) - start(r));
        }
        form += (point(c) - start(c)) * row_sum;
    }
    return trace > 0.0 ? std::sqrt(std::fmax(form, 0.0) / (trace / k0)) : 0.0;
}

// The denominator of a pass that takes the first pass's X'AX, formed at the fit's start, over
// the alive columns in place of the one at its point (all of them were alive at the start).
void start_denominator(lqa_workspace& ws, int k) {
    const matrix_view D = denominator(ws, k);
    const int k0 = ws.first_pass_k;
    const double* H = ws.first_pass.data();
    for (int c = 1; c <= k; ++c) {
        const int from = ws.first_pass_index(ws.alive(c));
        const double* column = H + static_cast<std::ptrdiff_t>(from - 1) * k0;
        double* to = D.col(c - 1);
        for (int r = 1; r <= k; ++r) to[r - 1] = column[ws.first_pass_index(ws.alive(r)) - 1];
    }
}

// The unpenalized part of a normal-model pass, from the stored cross-product C = X'W0 X and
// X'W0 y alone: D = C(alive, alive) and X'W0 (y - X b) = X'W0 y - D b. A pass thus costs k^2
// operations instead of reading all n rows twice. The loss b'Cb / 2 - b'X'W0 y is half the
// residual sum of squares less its constant y'W0 y / 2.
int normal_information(lqa_problem& pb, lqa_workspace& ws, int k, double& loss,
                       error_trail& trail) {
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
    loss = 0.0;
    for (int c = 1; c <= k; ++c) {
        ws.xT_y_minus_mu(c) = ds.xty(ws.alive(c)) - ws.fitted(c);
        loss += ws.betain(c) * (0.5 * ws.fitted(c) - ds.xty(ws.alive(c)));
    }
    return 0;
}

// Gathers the k alive coefficients of `point` and forms the unpenalized part of a pass there
// (`part`: D and the gradient, the gradient with the start's D, or the loss alone); `start` names
// the fit's start on its first pass, null on the others. Returns the objective at the point: the
// loss plus n times the penalty of the alive coefficients.
int information_at(lqa_problem& pb, lqa_workspace& ws, int k, const dbl1& point,
                   const dbl1* start, pass_part part, double& objective, error_trail& trail) {
    const bool information = part == pass_part::information;
    scad_session& session = pb.session;
    const scad_settings& st = session.settings;
    for (int c = 1; c <= k; ++c) {
        const int j = ws.alive(c);
        ws.betain(c) = point(j);
        ws.lambda_in(c) = pb.lambda_vector(j);
        ws.forced_in(c) = pb.forcein_vector(j);
    }
    double loss = 0.0;
    const bool shared_start = start && ws.reuse_first_pass && information;
    if (!(shared_start && reuse_first_pass(ws, k, *start, loss))) {
        const int rc = st.model_type == model_normal
                           ? normal_information(pb, ws, k, loss, trail)
                           : glm_information(pb, ws, k, part, loss, trail);
        if (rc != 0) return -1;
        if (shared_start) keep_first_pass(ws, k, *start, loss);
        if (part == pass_part::gradient) start_denominator(ws, k);
    }
    double penalty = 0.0;
    if (pb.lambda_max >= 1e-15)
        for (int c = 1; c <= k; ++c)
            penalty += penalty_at(st, ws.lambda_in(c)).value(std::fabs(ws.betain(c)), ws.forced_in(c));
    objective = loss + session.dataset.weight_sum * penalty;
    return 0;
}

// The Newton step of a pass whose information information_at has formed: fills beta (all q
// entries) from the gathered coefficients.
int take_step(lqa_problem& pb, lqa_workspace& ws, int k, dbl1& beta, error_trail& trail) {
    scad_session& session = pb.session;
    const scad_settings& st = session.settings;
    const double nd = session.dataset.weight_sum;
    const matrix_view D = denominator(ws, k);

    for (int c = 1; c <= k; ++c) {
        const double b = std::fabs(ws.betain(c));
        const double l = ws.lambda_in(c);
        ws.slope(c) =
            pb.lambda_max >= 1e-15 ? penalty_at(st, l).slope(b, ws.forced_in(c)) : 0.0;
        ws.lqa_weight(c) = lqa_weight(ws.slope(c), l, b);
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

// Marks the alive coefficients of `point` and lists them; returns their number k (0: none).
int mark_alive(lqa_problem& pb, lqa_workspace& ws, const dbl1& point, bool keep_every_coefficient) {
    const double threshold = pb.session.settings.threshold;
    int k = 0;
    for (int j = 1; j <= ws.q; ++j) {
        ws.include_indices(j) = keep_every_coefficient || std::fabs(point(j)) > threshold ||
                                pb.forcein_vector(j);
        k += ws.include_indices(j) ? 1 : 0;
    }
    if (k > 0) list_alive(ws, ws.include_indices);
    return k;
}

// What one fit asks of its passes.
struct lqa_run {
    double lambda;
    int32_t max_iter;
    bool keep_every_coefficient;
};

// A step that raises the objective by no more than this share of it has not overshot: the
// objective is a sum of n terms whose rounding must not start a halving.
double allowed_rise(double objective) { return 1e-9 * (std::fabs(objective) + 1.0); }

// Halvings of one step before the fit gives up on it: 2^-40 of a step is below any tolerance.
constexpr int most_halvings = 40;

// A fit whose objective stays infinite however short the step: a Poisson mean beyond the
// largest double (a linear predictor above ln DBL_MAX = 709.78) names its observation.
int refuse_overflow(lqa_problem& pb, const lqa_run& run, const dbl1& point, error_trail& trail) {
    scad_session& session = pb.session;
    const scad_dataset& ds = session.dataset;
    char lambda_text[32];
    std::snprintf(lambda_text, sizeof lambda_text, "%.6g", run.lambda);
    const std::string fit = run.lambda == 0.0 ? std::string("The unpenalized fit")
                                              : std::string("The fit at lambda ") + lambda_text;
    std::string sentence = fit + " cannot be completed: its penalized deviance is not a finite "
                                 "number however short the step.";
    dbl1 mu;
    if (session.settings.model_type == model_poisson &&
        dbl1_alloc(mu, ds.n, trail, {}, "run_fit_scad_lqa: mu") == 0 &&
        scad_calculate_mu(ds.x, point, model_poisson, mu, trail, mean_offset(ds)) == 0)
        for (int i = 1; i <= ds.n; ++i)
            if (!std::isfinite(mu(i))) {
                sentence = fit + " cannot be completed: the Poisson mean of observation " +
                           std::to_string(i) +
                           " overflows (its linear predictor exceeds 709.78, beyond which "
                           "e^eta is no finite double).";
                break;
            }
    return fail_reset(session, trail, where, sentence.c_str());
}

// What a pass's start is compared with: the objective at the previous pass's start and how
// many coefficients were alive there.
struct previous_point {
    double objective;
    int k;
};

// The alive set and the information at ws.beta_old, the point a pass starts from. For the
// logistic and Poisson models the step that led there (from ws.beta_prev) is halved while the
// objective there is not finite or has risen above the previous one. A step that dropped a
// coefficient is exempt from the rise: the drop at `threshold` is the fit's rule, not the step's
// overshoot, and it moves the objective by about n lambda times the dropped value. Returns k,
// the alive count (0: none alive), or -1 on failure.
int settle_point(lqa_problem& pb, lqa_workspace& ws, const lqa_run& run, const dbl1* start,
                 const previous_point* previous, pass_part part, double& objective, bool& halved,
                 error_trail& trail) {
    dbl1& point = ws.beta_old;
    for (int halvings = 0;; ++halvings) {
        halved = halvings > 0;
        const int k = mark_alive(pb, ws, point, run.keep_every_coefficient);
        if (k == 0) return 0;
        if (ws.alive(k) > pb.session.dataset.x.extent(1))
            return fail_reset(pb.session, trail, where,
                              "Index error in standardized dataset while running LQA.");
        if (information_at(pb, ws, k, point, start, part, objective, trail) != 0) return -1;
        // A start whose objective is not finite has no shorter step to fall back on.
        if (previous == nullptr && !ws.normal && !std::isfinite(objective))
            return refuse_overflow(pb, run, point, trail);
        const bool rise_counts = previous != nullptr && k == previous->k;
        if (ws.normal || previous == nullptr || (std::isfinite(objective) && !rise_counts) ||
            objective <= previous->objective + allowed_rise(previous->objective))
            return k;
        if (halvings == most_halvings) {
            if (!std::isfinite(objective)) return refuse_overflow(pb, run, point, trail);
            return k;  // no shorter step lowers it: the step is lost in rounding
        }
        for (int j = 1; j <= ws.q; ++j) point(j) = 0.5 * (ws.beta_prev(j) + point(j));
    }
}

// The extrapolation between the passes of a penalized fit: every second plain pass ends a cycle
// whose three points (its start, ws.beta_prev and ws.beta_old) give a trial point, taken in
// place of ws.beta_old when the objective there is no higher than at ws.beta_prev. The step
// length may grow fourfold after each step taken at its limit and shrinks back after a refusal.
struct acceleration {
    bool on = false;
    bool cycle_started = false;  // ws.cycle_start holds the start of the cycle's first pass
    double limit = 4.0;
};

void copy_point(const dbl1& from, dbl1& to) {
    std::copy(from.data(), from.data() + from.extent(0), to.data());
}

int try_extrapolation(lqa_problem& pb, lqa_workspace& ws, acceleration& accel,
                      previous_point& previous, error_trail& trail) {
    double step = 0.0;
    if (!lqa_extrapolate(ws.cycle_start, ws.beta_prev, ws.beta_old, ws.forcein_vector, accel.limit,
                         ws.trial, step))
        return 0;
    const int k = mark_alive(pb, ws, ws.trial, false);
    if (k == 0) return 0;  // the plain passes decide whether every coefficient leaves
    double objective = 0.0;
    if (information_at(pb, ws, k, ws.trial, nullptr, pass_part::loss, objective, trail) != 0)
        return -1;
    if (!(objective <= previous.objective)) {
        accel.limit = std::fmax(4.0, accel.limit / 4.0);
        return 0;
    }
    if (step == accel.limit) accel.limit *= 4.0;
    copy_point(ws.trial, ws.beta_old);
    copy_point(ws.trial, ws.beta_prev);
    previous = {objective, k};
    return 0;
}

// The logistic model's X'CX at the start for distance_from_start, over the columns of the
// first pass, which ws.alive still lists after it; once a start.
int form_start_change(lqa_problem& pb, lqa_workspace& ws, int k, const dbl1& start,
                      error_trail& trail) {
    double objective = 0.0;
    if (information_at(pb, ws, k, start, nullptr, pass_part::weight_change, objective, trail) != 0)
        return -1;
    const double* C = denominator(ws, k).data;
    std::copy(C, C + static_cast<std::ptrdiff_t>(k) * k, ws.start_change.data());
    ws.start_change_ready = true;
    return 0;
}

// The passes of a fit from the shared start that take the first pass's X'AX, formed there, in
// place of the one at their point (start_denominator): the gradient and the loss at the point
// cost a sweep of 2k operations a row where X'AX costs k(k + 1) / 2 more. A fit from the
// unpenalized fit spends its first passes shrinking the coefficients it will drop, with many of
// them still alive, and its information changes little meanwhile (the dropped ones are small),
// so such a pass moves almost as a Newton pass does. They run from the second pass while
//   - more than a few columns are alive (at small_cross_columns or fewer, a pass's X'AX costs
//     about what its mean does, and the Newton pass converges faster),
//   - the weights are near the start's (distance_from_start at most start_information_reach:
//     their relative change has a weighted root mean square of about a quarter at most, so
//     each such pass still takes most of the way; where a fit moves far from the start, as at
//     the top of a grid on well-separated data, its Newton passes may settle at another of the
//     penalty's local optima than passes on the start's information would),
//   - no step was halved (the start's information overshoots: Newton passes take over),
//   - the change is at least start_information_end (or the tolerance if larger), and
//   - at most start_information_most of them have run (they converge linearly).
// Then plain passes finish the fit, so its convergence test and fixed point are theirs: a fit
// never ends on such a pass while it has passes left.
struct start_information_run {
    bool on = false;
    int passes = 0;
};
constexpr double start_information_end = 1e-6;
constexpr double start_information_reach = 0.25;
constexpr int start_information_most = 30;

// The passes of one fit from ws.beta_old on; beta holds the last pass's coefficients and
// `change` its largest change. A penalized fit extrapolates between its passes; the unpenalized
// fit, whose Newton steps converge fast, does not.
int run_passes(lqa_problem& pb, lqa_workspace& ws, const lqa_run& run, const dbl1& beta_start,
               dbl1& beta, int32_t& iterations, double& change, error_trail& trail) {
    const double tolerance = pb.session.settings.tolerance;
    double objective = 0.0;
    previous_point previous{0.0, 0};
    acceleration accel;
    accel.on = !run.keep_every_coefficient;
    start_information_run borrowed;
    const double borrowed_end = std::fmax(start_information_end, tolerance);
    bool plain_pass_due = false;  // the last pass took the start's information
    while (change >= tolerance || plain_pass_due) {
        if (iterations >= run.max_iter) break;
        ++iterations;
        progress_passes(iterations);
        const bool first = iterations == 1;
        bool halved = false;
        plain_pass_due = borrowed.on;
        const pass_part part = borrowed.on ? pass_part::gradient : pass_part::information;
        if (borrowed.on) ++ws.start_information_passes;
        const int k = settle_point(pb, ws, run, first ? &beta_start : nullptr,
                                   first ? nullptr : &previous, part, objective, halved, trail);
        if (k < 0) return -1;
        if (k == 0) {
            // Nothing is alive: the fit ends at this point (all 0 on the first pass).
            if (!first) std::copy(ws.beta_old.data(), ws.beta_old.data() + ws.q, beta.data());
            change = 0.0;
            break;
        }
        if (take_step(pb, ws, k, beta, trail) != 0) return -1;
        if (first && ws.screen_count > 0)
            for (int j = 1; j <= ws.q; ++j)
                if (ws.screened(j)) beta(j) = 0.0;
        change = largest_change(beta, ws.beta_old);
        copy_point(ws.beta_old, ws.beta_prev);
        copy_point(beta, ws.beta_old);
        previous = {objective, k};
        if (first) {
            borrowed.on = ws.start_information && !run.keep_every_coefficient;
            if (borrowed.on && !ws.start_change_ready && k == ws.first_pass_k &&
                pb.session.settings.model_type == model_logistic &&
                form_start_change(pb, ws, k, beta_start, trail) != 0)
                return -1;
        } else if (borrowed.on)
            borrowed.on = ++borrowed.passes < start_information_most && !halved &&
                          change >= borrowed_end;
        borrowed.on = borrowed.on && k > detail::small_cross_columns &&
                      distance_from_start(ws, beta, beta_start) <= start_information_reach;
        if (borrowed.on) continue;
        if (!accel.on || !(change >= tolerance) || iterations >= run.max_iter) continue;
        // A halved step is no plain pass: a cycle starts afresh where it ended.
        if (accel.cycle_started && !halved) {
            accel.cycle_started = false;
            if (try_extrapolation(pb, ws, accel, previous, trail) != 0) return -1;
        } else {
            copy_point(ws.beta_prev, ws.cycle_start);
            accel.cycle_started = true;
        }
    }
    return 0;
}

// Zeroes the penalized coefficients of `beta` at or below the final threshold.
void zero_below_final_threshold(const scad_settings& st, const log1& forcein, dbl1& beta) {
    for (int j = 1; j <= beta.extent(0); ++j)
        if (std::fabs(beta(j)) <= st.final_threshold && !forcein(j)) beta(j) = 0.0;
}

// The passes of a fit with the screen of a grid's fits from one start (lqa_screen.h): the
// screened coefficients leave after the first pass; once the passes converge, the gradients are
// formed where the fit will be reported (its point, the final threshold applied), and each
// screened coefficient that fails the test there is put back at its start and the passes
// resume. The gradients at the end are kept for the next fit's screen.
int run_fit_passes(lqa_problem& pb, lqa_workspace& ws, const lqa_run& run, const dbl1& beta_start,
                   dbl1& beta, int32_t& iterations, double& change, error_trail& trail) {
    ws.screen_count = 0;
    if (!ws.screen || run.keep_every_coefficient)
        return run_passes(pb, ws, run, beta_start, beta, iterations, change, trail);
    const scad_settings& st = pb.session.settings;
    const screen_rule rule{pb.forcein_vector, st.threshold, st.final_threshold};
    choose_screened(ws, beta_start, rule);
    for (;;) {
        if (run_passes(pb, ws, run, beta_start, beta, iterations, change, trail) != 0) return -1;
        copy_point(beta, ws.trial);
        zero_below_final_threshold(st, pb.forcein_vector, ws.trial);
        form_zero_gradient(pb.session, ws, ws.trial, pb.forcein_vector);
        if (!(change < st.tolerance) || ws.screen_count == 0) break;
        // ws.beta_old is the fit's point: the passes resume from it.
        if (restore_violators(ws, beta_start, rule, ws.beta_old) == 0) break;
        change = 1e15;
    }
    keep_screen_record(ws, beta_start);
    return 0;
}

}  // namespace

int allocate_lqa_workspace(lqa_workspace& ws, const scad_session& session, error_trail& trail,
                           bool reuse_first_pass) {
    const scad_dataset& ds = session.dataset;
    const int n = ds.n;
    const int q = has_intercept_column(session.settings) ? ds.p + 1 : ds.p;
    ws.n = n;
    ws.q = q;
    ws.normal = session.settings.model_type == model_normal;
    if (working_array(ws.lambda_vector, q, "run_fit_scad_lqa: lambda_vector", trail) != 0 ||
        working_array(ws.beta_old, q, "run_fit_scad_lqa: beta_old", trail) != 0 ||
        working_array(ws.beta_prev, q, "run_fit_scad_lqa: beta_prev", trail) != 0 ||
        working_array(ws.cycle_start, q, "run_fit_scad_lqa: cycle_start", trail) != 0 ||
        working_array(ws.trial, q, "run_fit_scad_lqa: trial", trail) != 0 ||
        working_array(ws.include_indices, q, "run_fit_scad_lqa: include_indices", trail) != 0 ||
        working_array(ws.forcein_vector, q, "run_fit_scad_lqa: forcein_vector", trail) != 0 ||
        working_array(ws.betain, q, "run_fit_scad_lqa: betain", trail) != 0 ||
        working_array(ws.lambda_in, q, "run_fit_scad_lqa: lambda_in", trail) != 0 ||
        working_array(ws.slope, q, "run_fit_scad_lqa: scad_slope", trail) != 0 ||
        working_array(ws.lqa_weight, q, "run_fit_scad_lqa: lqa_weight", trail) != 0 ||
        working_array(ws.penalty, q, "run_fit_scad_lqa: penalty", trail) != 0 ||
        working_array(ws.xT_y_minus_mu, q, "run_fit_scad_lqa: xT_y_minus_mu", trail) != 0 ||
        working_array(ws.fitted, q, "run_fit_scad_lqa: fitted", trail) != 0 ||
        working_array(ws.alive, q, "run_fit_scad_lqa: alive", trail) != 0 ||
        working_array(ws.alive_columns, q, "run_fit_scad_lqa: alive_columns", trail) != 0 ||
        working_array(ws.forced_in, q, "run_fit_scad_lqa: forced_in", trail) != 0)
        return -1;
    if (ws.normal) {
        if (dbl2_alloc(ws.D, q, q, trail, {}, {}, "run_fit_scad_lqa: D") != 0)
            return fail_status(trail, status_allocation, where, "run_fit_scad_lqa: D");
        return 0;
    }
    ws.reuse_first_pass = reuse_first_pass;
    ws.start_information = reuse_first_pass;
    ws.start_information_passes = 0;
    ws.start_change_ready = false;
    ws.first_pass_ready = false;
    ws.screen = reuse_first_pass;
    ws.screen_ready = false;
    if (reuse_first_pass &&
        (working_array(ws.first_pass_start, q, "run_fit_scad_lqa: first_pass_start", trail) != 0 ||
         working_array(ws.first_pass, q * q + q + 1, "run_fit_scad_lqa: first_pass", trail) != 0 ||
         working_array(ws.first_pass_index, q, "run_fit_scad_lqa: first_pass_index", trail) != 0 ||
         (session.settings.model_type == model_logistic &&
          working_array(ws.start_change, q * q, "run_fit_scad_lqa: start_change", trail) != 0) ||
         working_array(ws.screen_start, q, "run_fit_scad_lqa: screen_start", trail) != 0 ||
         working_array(ws.zero_gradient, q, "run_fit_scad_lqa: zero_gradient", trail) != 0 ||
         working_array(ws.curvature, q, "run_fit_scad_lqa: curvature", trail) != 0 ||
         working_array(ws.screened, q, "run_fit_scad_lqa: screened", trail) != 0 ||
         working_array(ws.zero_columns, q, "run_fit_scad_lqa: zero_columns", trail) != 0))
        return -1;
    // D's share, then the gradient's two sums a column, then the loss.
    ws.partial_stride = q * q + 2 * q + 1;
    ws.chunks = row_chunks(n, chunk_limit(q));
    const long partial_size = static_cast<long>(ws.chunks.count()) * ws.partial_stride;
    if (partial_size > std::numeric_limits<int>::max())
        return fail_status(trail, status_allocation, where, "run_fit_scad_lqa: partials");
    return working_array(ws.partials, static_cast<int>(partial_size), "run_fit_scad_lqa: partials",
                         trail);
}

int run_fit_scad_lqa(double lambda, const dbl1& beta_start, dbl1& beta, int32_t max_iter,
                     int32_t& iterations, bool& converged, scad_session& session,
                     error_trail& trail, bool check_lambda, bool keep_every_coefficient) {
    lqa_workspace ws;
    if (!session.dataset.is_null && allocate_lqa_workspace(ws, session, trail) != 0) {
        nullify_scad_session(session, trail);
        return -1;
    }
    return run_fit_scad_lqa(lambda, beta_start, beta, max_iter, iterations, converged, session,
                            ws, trail, check_lambda, keep_every_coefficient);
}

int run_fit_scad_lqa(double lambda, const dbl1& beta_start, dbl1& beta, int32_t max_iter,
                     int32_t& iterations, bool& converged, scad_session& session,
                     lqa_workspace& ws, error_trail& trail, bool check_lambda,
                     bool keep_every_coefficient) {
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

    // Every failure from here on resets the session.
    const auto abandon = [&] {
        nullify_scad_session(session, trail);
        return -1;
    };
    if (ds.x.extent(0) != n || ds.x.extent(1) != q || ds.forcein.extent(0) != p ||
        ws.n != n || ws.q != q || ws.normal != (st.model_type == model_normal))
        return fail_status_reset(session, trail, status_not_conformable, where);
    if (beta.extent(0) != q && working_array(beta, q, "run_fit_scad_lqa: beta", trail) != 0)
        return abandon();
    dbl1& lambda_vector = ws.lambda_vector;
    log1& forcein_vector = ws.forcein_vector;
    const int offset = intercept ? 1 : 0;
    if (intercept) forcein_vector(1) = true;
    for (int j = 1; j <= p; ++j) forcein_vector(j + offset) = ds.forcein(j);
    ws.include_indices.fill(false);
    beta.fill(0.0);

    double lambda_max = std::numeric_limits<double>::lowest();
    for (int j = 1; j <= q; ++j) {
        lambda_vector(j) = (forcein_vector(j) ? 0.0 : lambda) + 1e-15;
        lambda_max = std::fmax(lambda_max, lambda_vector(j));
    }

    if (beta_start.extent(0) != q)
        return fail_status_reset(session, trail, status_not_conformable, where);
    for (int j = 1; j <= q; ++j) ws.beta_old(j) = beta_start(j);
    iterations = 0;
    converged = false;
    double change = 1e15;

    lqa_problem pb{session, lambda_vector, forcein_vector, lambda_max};
    const lqa_run run{lambda, max_iter, keep_every_coefficient};
    if (run_fit_passes(pb, ws, run, beta_start, beta, iterations, change, trail) != 0) return -1;

    if (!keep_every_coefficient) zero_below_final_threshold(st, forcein_vector, beta);
    converged = change < st.tolerance;
    return 0;
}

}  // namespace quill::engine
