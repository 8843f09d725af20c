// Read-out of the lambda grid and of the two result sets into arrays of the caller. A reader
// releases its outputs first and reallocates them on every call; an output whose source array
// is not allocated in the session comes back released.
#include "readers.h"

#include <algorithm>

#include "support/allocation.h"

namespace quill::engine {

namespace {

constexpr const char* lgrid_where = "run_read_scad_Lgrid in MOD scad_types";
constexpr const char* std_where = "run_read_scad_stdresults in MOD scad_types";
constexpr const char* unstd_where = "run_read_scad_unstdresults in MOD scad_types";
constexpr const char* grid_fits_where = "run_read_scad_grid_fits in MOD scad_types";
constexpr const char* ties_where = "run_read_scad_ties in MOD scad_types";

int fail_read(scad_session& session, error_trail& trail, const char* where, const char* sentence) {
    fail(trail, where, sentence);
    nullify_scad_session(session, trail);
    return -1;
}

bool has_data(const scad_session& session) {
    return !session.is_null && !session.dataset.is_null;
}

// Copies the first out.extent() elements of `source`, or releases `out` when there is no source.
template <class T>
void copy_or_release(const engine_array<T, 1>& source, engine_array<T, 1>& out) {
    if (!source.allocated()) {
        out.release();
        return;
    }
    const int count = std::min(out.extent(0), source.extent(0));
    out.fill(T{});
    std::copy(source.data(), source.data() + count, out.data());
}

// Copies columns first_column .. first_column + out.cols - 1 of `source` into `out`, row by row
// over out's rows, or releases `out` when there is no source.
void copy_columns_or_release(const dbl2& source, int first_column, dbl2& out) {
    if (!source.allocated()) {
        out.release();
        return;
    }
    const matrix_cview from(source);
    const matrix_view to(out);
    const int rows = std::min(to.rows, from.rows);
    const int cols = std::min(to.cols, from.cols - first_column);
    out.fill(0.0);
    for (int j = 0; j < cols; ++j)
        std::copy(from.col(first_column + j), from.col(first_column + j) + rows, to.col(j));
}

}  // namespace

int run_read_scad_Lgrid(dbl1& lambda_out, scad_session& session, error_trail& trail) {
    lambda_out.release();
    if (session.Lgrid.is_null)
        return fail_read(session, trail, lgrid_where, "The lambda grid is not yet initialized.");
    if (dbl1_alloc(lambda_out, session.settings.grid_size, trail) != 0)
        return fail_read(session, trail, lgrid_where,
                         "I could not allocate space to copy the lambda grid.");
    copy_or_release(session.Lgrid.lambda, lambda_out);
    return 0;
}

int run_read_scad_stdresults(dbl1& beta, dbl1& se, dbl2* betas, dbl1& gcv, dbl1& aic, dbl1& bic,
                             dbl1& df_proj, int1& simple_df, int32_t& num_iter, int32_t& best,
                             bool& converged, scad_session& session, error_trail& trail) {
    for (dbl1* v : {&beta, &se, &gcv, &aic, &bic, &df_proj}) v->release();
    if (betas != nullptr) betas->release();
    simple_df.release();

    // A missing precondition leaves the session as it is.
    if (!has_data(session))
        return fail(trail, std_where, "There is no data yet, so I cannot provide stdresults.");
    if (session.Lgrid.is_null)
        return fail(trail, std_where,
                    "The lambda grid must be specified in order to provide stdresults.");

    const int p = session.dataset.p;
    const int g = session.settings.grid_size;
    if (dbl1_alloc(beta, p, trail) != 0 || dbl1_alloc(se, p, trail) != 0 ||
        (betas != nullptr && dbl2_alloc(*betas, g, p, trail) != 0) ||
        dbl1_alloc(gcv, g, trail) != 0 ||
        dbl1_alloc(aic, g, trail) != 0 || dbl1_alloc(bic, g, trail) != 0 ||
        dbl1_alloc(df_proj, g, trail) != 0 || int1_alloc(simple_df, g, trail) != 0)
        return fail_read(session, trail, std_where,
                         "I could not allocate the matrices to hold the stdresults (maybe low "
                         "memory?).");

    const scad_stdresults& r = session.stdresults;
    copy_or_release(r.beta, beta);
    copy_or_release(r.se, se);
    if (betas != nullptr) copy_columns_or_release(r.betas, 0, *betas);
    copy_or_release(r.gcv, gcv);
    copy_or_release(r.aic, aic);
    copy_or_release(r.bic, bic);
    copy_or_release(r.df_proj, df_proj);
    copy_or_release(r.simple_df, simple_df);
    num_iter = r.num_iter;
    best = r.best;
    converged = r.converged != 0;
    return 0;
}

int run_read_scad_unstdresults(dbl1& beta, dbl1& se, double& intercept, double& intercept_se,
                               dbl2* betas, scad_session& session, error_trail& trail) {
    beta.release();
    se.release();
    if (betas != nullptr) betas->release();

    if (!has_data(session))
        return fail_read(session, trail, unstd_where,
                         "There is no data yet, so I cannot provide unstdresults.");
    if (session.Lgrid.is_null)
        return fail_read(session, trail, unstd_where,
                         "The lambda grid must be specified in order to provide unstdresults.");

    const int p = session.dataset.p;
    const int g = session.settings.grid_size;
    if (dbl1_alloc(beta, p, trail) != 0 || dbl1_alloc(se, p, trail) != 0 ||
        (betas != nullptr && dbl2_alloc(*betas, g, p, trail) != 0))
        return fail_read(session, trail, unstd_where,
                         "I could not allocate the matrices to hold the unstdresults (maybe low "
                         "memory?).");

    const scad_unstdresults& r = session.unstdresults;
    copy_or_release(r.beta, beta);
    copy_or_release(r.se, se);
    // Column 1 of the stored path is the intercept's; column j of the read-out is predictor j.
    if (betas != nullptr) copy_columns_or_release(r.betas, 1, *betas);
    intercept = r.intercept;
    intercept_se = r.intercept_se;
    return 0;
}

int run_read_scad_grid_fits(dbl1& intercept, int1& num_iter, int1& converged, int32_t& fitted,
                            scad_session& session, error_trail& trail) {
    intercept.release();
    num_iter.release();
    converged.release();

    const scad_stdresults& r = session.stdresults;
    const scad_unstdresults& u = session.unstdresults;
    if (!has_data(session) || r.is_null || u.is_null)
        return fail_read(session, trail, grid_fits_where,
                         "There are no results yet, so I cannot provide the fits of the grid.");
    const int g = session.settings.grid_size;
    if (dbl1_alloc(intercept, g, trail) != 0 || int1_alloc(num_iter, g, trail) != 0 ||
        int1_alloc(converged, g, trail) != 0)
        return fail_read(session, trail, grid_fits_where,
                         "I could not allocate the matrices to hold the fits of the grid (maybe "
                         "low memory?).");

    // Column 1 of the stored path on the input scale is the intercept's.
    if (u.betas.allocated()) {
        const matrix_cview path(u.betas);
        intercept.fill(0.0);
        std::copy(path.col(0), path.col(0) + std::min(g, path.rows), intercept.data());
    } else {
        intercept.release();
    }
    copy_or_release(r.grid_iter, num_iter);
    copy_or_release(r.grid_converged, converged);
    fitted = r.fitted;
    return 0;
}

int run_read_scad_ties(int1& tied, int32_t& tie_run_end, bool& selected_shrunk,
                       scad_session& session, error_trail& trail) {
    tied.release();
    const scad_stdresults& r = session.stdresults;
    if (!has_data(session) || r.is_null)
        return fail_read(session, trail, ties_where,
                         "There are no results yet, so I cannot provide the ties of the selection.");
    if (int1_alloc(tied, session.settings.grid_size, trail) != 0)
        return fail_read(session, trail, ties_where,
                         "I could not allocate the ties of the selection (maybe low memory?).");
    copy_or_release(r.tied, tied);
    tie_run_end = r.tie_run_end;
    selected_shrunk = r.selected_shrunk;
    return 0;
}

}  // namespace quill::engine
