// Loading the data into a session and checking the response against the model type.
//
// The loader standardizes the design (with a leading column of ones when the model has an
// intercept), forms its weighted cross-products with itself and with the response, and keeps
// copies of the response, the case weights and the forced-in flags. The design itself is not
// copied: the standardized x is the only copy of it the fits need. Any failure resets the whole
// session, so no later step can work on half-loaded data.
#include "dataset.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "estimation/coordinate_descent.h"
#include "matrix/products.h"
#include "matrix/standardize.h"
#include "matrix/symmetric_inverse.h"
#include "records/option_codes.h"
#include "support/allocation.h"

namespace quill::engine {

namespace {

constexpr const char* load_where = "run_load_scad_dataset in MOD scad_types";
constexpr const char* allowable_where = "scad_y_is_allowable in MOD scad_types";
constexpr const char* not_enough_data = "Not enough data in the response variable.";

int fail_load(scad_session& session, error_trail& trail, const char* sentence) {
    fail(trail, load_where, sentence);
    nullify_scad_session(session, trail);
    return -1;
}

int fail_load_status(scad_session& session, error_trail& trail, int32_t code) {
    fail_status(trail, code, load_where);
    nullify_scad_session(session, trail);
    return -1;
}

// A computation under the loader failed (not an allocation): the callee's lines say what went
// wrong, so only the loader's location follows them.
int fail_load_after(scad_session& session, error_trail& trail) {
    fail_after(trail, load_where);
    nullify_scad_session(session, trail);
    return -1;
}

int allocate_dataset(scad_dataset& d, int n, int p, int cols, bool cross_product,
                     error_trail& trail) {
    if (dbl1_alloc(d.y, n, trail, {}, "y") != 0) return -1;
    if (dbl1_alloc(d.case_weights, n, trail, {}, "case_weights") != 0) return -1;
    if (log1_alloc(d.forcein, p, trail, {}, "forcein") != 0) return -1;
    if (dbl2_alloc(d.x, n, cols, trail, {}, {}, "x") != 0) return -1;
    if (cross_product && dbl2_alloc(d.xtx, cols, cols, trail, {}, {}, "xtx") != 0) return -1;
    if (dbl1_alloc(d.x_center, p, trail, {}, "x_center") != 0) return -1;
    if (dbl1_alloc(d.x_scale, p, trail, {}, "x_scale") != 0) return -1;
    if (dbl1_alloc(d.xty, cols, trail, {}, "xty") != 0) return -1;
    return 0;
}

// Exactly on the double: a count of any size is whole (a count above 2^31 is one too), a value
// near a whole number is not.
bool is_whole(double v) { return std::isfinite(v) && v == std::trunc(v); }

}  // namespace

bool is_whole_vector(vector_cview v) {
    for (int i = 0; i < v.size; ++i)
        if (!is_whole(v[i])) return false;
    return true;
}

bool scad_y_is_allowable(const dbl1& y, int32_t model_type, error_trail& trail) {
    if (model_type != model_logistic && model_type != model_poisson) return true;
    const vector_cview v(y);
    double smallest = std::numeric_limits<double>::max();
    double largest = -std::numeric_limits<double>::max();
    for (int i = 0; i < v.size; ++i) {
        smallest = std::min(smallest, v[i]);
        largest = std::max(largest, v[i]);
    }
    if (model_type == model_logistic) {
        if (is_whole_vector(v) && smallest >= 0.0 && largest <= 1.0) return true;
        error_handle(trail, status_custom, allowable_where, nullptr, {}, nullptr,
                     "Numerical y values for a binary logistic regression should be 0's and 1's.");
        return false;
    }
    if (is_whole_vector(v) && smallest >= 0.0) return true;
    error_handle(trail, status_custom, allowable_where, nullptr, {}, nullptr,
                 "Numerical y values for a Poisson logistic regression should be nonnegative "
                 "integers.");
    return false;
}

bool scad_design_has_full_rank(const scad_session& session, uint8_t* aliased_out,
                               error_trail& trail) {
    static constexpr const char* where = "scad_design_has_full_rank in MOD scad_types";
    const scad_dataset& ds = session.dataset;
    const int p = ds.p;
    const int offset = has_intercept_column(session.settings) ? 1 : 0;
    const int q = p + offset;
    if (aliased_out != nullptr) std::fill(aliased_out, aliased_out + p, uint8_t{0});
    // The descent path needs no fit of the full model: more columns than observations, and
    // columns that are combinations of others, are the penalty's to sort out.
    if (uses_descent_path(session.settings)) return true;
    if (p < ds.n && q >= ds.n) {
        fail(trail, where,
             "The full model is saturated: with the intercept it has as many coefficients as there "
             "are observations, so it fits every observation exactly and leaves nothing to judge "
             "a fit by.");
        return false;
    }
    if (q == 0 || q > ds.n) return true;  // the initial fit refuses more columns than rows
    dbl2 scratch;
    log1 aliased;
    if (dbl2_alloc(scratch, q, q, trail, {}, {}, "aliased columns: L") != 0 ||
        log1_alloc(aliased, q, trail, {}, "aliased columns") != 0) {
        fail_status(trail, status_allocation, where);
        return false;
    }
    // A relative 1e-13 of a column's squared length: a correlation with the others of
    // 1 - 5e-14, far beyond any design whose coefficients can be told apart.
    const int count = aliased_columns(matrix_cview(ds.xtx), 1e-13, matrix_view(scratch), aliased, trail);
    if (count < 0) {
        fail_after(trail, where);
        return false;
    }
    if (count == 0) return true;
    std::string columns;
    int named = 0;
    for (int j = 1; j <= p; ++j) {
        if (!aliased(j + offset)) continue;
        if (aliased_out != nullptr) aliased_out[j - 1] = 0xFF;
        columns += (named == 0 ? "" : named + 1 == count ? " and " : ", ") + std::to_string(j);
        ++named;
    }
    const std::string sentence =
        std::string(count == 1 ? "Design column " : "Design columns ") + columns +
        (count == 1 ? " is an exact linear combination" : " are exact linear combinations") +
        " of the intercept and the columns before them (aliased): their coefficients cannot be "
        "told apart.";
    fail(trail, where, sentence.c_str());
    return false;
}

int run_load_scad_dataset(matrix_cview raw_x, const dbl1& y, const log1& forcein,
                          const dbl1& case_weights, scad_session& session, error_trail& trail,
                          const double* offset) {
    // A design without rows may come without storage; its shape is checked below.
    if ((raw_x.data == nullptr && raw_x.rows > 0) || !y.allocated() || !forcein.allocated() ||
        !case_weights.allocated())
        return fail_load(session, trail, "The data handed to the loader are not allocated.");

    const int n = y.extent(0);
    if (n < 2) return fail_load(session, trail, not_enough_data);

    if (nullify_scad_initialfit(session.initialfit, trail) != 0 ||
        nullify_scad_Lgrid(session.Lgrid, trail) != 0 ||
        nullify_scad_stdresults(session.stdresults, trail) != 0 ||
        nullify_scad_unstdresults(session.unstdresults, trail) != 0)
        return fail_load(session, trail, "I could not nullify the existing session.");

    const int p = raw_x.cols;
    // The case weights are read row by row too, so their length is checked with the rest.
    if (raw_x.rows != n || forcein.extent(0) != p || case_weights.extent(0) != n)
        return fail_load_status(session, trail, status_not_conformable);

    scad_dataset& d = session.dataset;
    d.n = n;
    d.p = p;
    const double* yv = y.data();
    const double* wv = case_weights.data();
    d.weighted = false;
    d.weight_sum = 0.0;
    for (int i = 0; i < n; ++i) {
        d.weighted = d.weighted || wv[i] != 1.0;
        d.weight_sum += wv[i];
    }
    // Frequency weights count observations: they must leave more observations than coefficients
    // (weights that sum to 1 are proportions, not counts).
    const int coefficients = has_intercept_column(session.settings) ? p + 1 : p;
    if (d.weighted && !(d.weight_sum > coefficients)) {
        char sentence[200];
        std::snprintf(sentence, sizeof sentence,
                      "The case weights sum to %.6g: as frequency weights they count observations, "
                      "so they must sum to more than the %d coefficients of the model.",
                      d.weight_sum, coefficients);
        return fail_load(session, trail, sentence);
    }
    double sum = 0.0;
    double squares = 0.0;
    if (d.weighted) {
        for (int i = 0; i < n; ++i) sum += wv[i] * yv[i];
        d.y_mean = sum / d.weight_sum;
        for (int i = 0; i < n; ++i) squares += wv[i] * (yv[i] - d.y_mean) * (yv[i] - d.y_mean);
        d.y_spread = std::sqrt(squares) / (d.weight_sum - 1.0);
    } else {
        for (int i = 0; i < n; ++i) sum += yv[i];
        d.y_mean = sum / n;
        for (int i = 0; i < n; ++i) squares += (yv[i] - d.y_mean) * (yv[i] - d.y_mean);
        d.y_spread = std::sqrt(squares) / (n - 1);
    }
    if (d.y_spread < static_cast<double>(1e-20f)) return fail_load(session, trail, not_enough_data);

    const bool intercept = has_intercept_column(session.settings);
    const int cols = intercept ? p + 1 : p;
    // The descent path reads columns, never the p' x p' cross-product (it may not fit in memory).
    const bool cross_product = !uses_descent_path(session.settings);
    if (dbl2_dealloc(d.xtx, trail) != 0) return fail_load_status(session, trail, status_deallocation);
    if (allocate_dataset(d, n, p, cols, cross_product, trail) != 0)
        return fail_load_status(session, trail, status_allocation);

    const double shift = session.settings.center_y ? d.y_mean : 0.0;
    for (int i = 0; i < n; ++i) d.y.data()[i] = yv[i] - shift;
    std::copy(case_weights.data(), case_weights.data() + n, d.case_weights.data());
    std::copy(forcein.data(), forcein.data() + p, d.forcein.data());
    // The normal model's offset is taken off its response before it comes here.
    if (dbl1_dealloc(d.offset, trail) != 0) return fail_load_status(session, trail, status_deallocation);
    if (offset != nullptr && session.settings.model_type != model_normal) {
        if (dbl1_alloc(d.offset, n, trail, {}, "offset") != 0)
            return fail_load_status(session, trail, status_allocation);
        std::copy(offset, offset + n, d.offset.data());
    }

    const matrix_view x(d.x);
    matrix_view standardized = x;
    if (intercept) {
        std::fill(x.col(0), x.col(0) + n, 1.0);
        standardized = x.columns(1, p);
    }
    const int standardized_rc =
        d.weighted ? standardize_weighted_matrix(raw_x, standardized, d.x_center, d.x_scale,
                                                 d.case_weights.data(), d.weight_sum, trail)
                   : standardize_real_matrix(raw_x, standardized, d.x_center, d.x_scale, trail);
    if (standardized_rc != 0) return fail_load_after(session, trail);
    const vector_cview weights(d.case_weights);
    if ((cross_product && premult_by_transpose(d.x, d.xtx, trail, weights) != 0) ||
        mat_mult_transpose_first_by_vector(d.x, d.y, d.xty, trail, weights) != 0)
        return fail_load_after(session, trail);

    d.is_null = false;
    session.is_null = false;
    return 0;
}

}  // namespace quill::engine
