// The stages of a fit inside a call (fit_stages.h). Everything a stage allocates lives in its
// loaded_fit or its locals and is released with them, on success and on failure alike; a failure
// leaves the trail's lines, which the call's failure exit joins into the caller's message array.
#include "fit_stages.h"

#include <cmath>
#include <optional>
#include <string>

#include "dataset.h"
#include "estimation/initial_fit.h"
#include "grid_table.h"
#include "quill/runscad.h"
#include "readers.h"
#include "records/option_codes.h"
#include "result_outputs.h"
#include "settings.h"
#include "support/allocation.h"

namespace quill::engine {

namespace {

constexpr const char* where = "runscad in MOD scad_types";
constexpr uint8_t byte_true = 0xFF;

int copy_inputs(const runscad_arguments& a, loaded_fit& in, error_trail& trail) {
    if (dbl1_alloc(in.y, a.n, trail, {}, "y_vec") != 0) return -1;
    for (int i = 0; i < a.n; ++i) in.y.data()[i] = a.y_vec[i];
    // The normal model fits y - offset; the other models carry the offset into every mean.
    if (a.offset != nullptr && a.model_type == QUILL_MODEL_NORMAL)
        for (int i = 0; i < a.n; ++i) in.y.data()[i] -= a.offset[i];
    // runscad's argument 5 is not read: every observation weighs the same there.
    if (dbl1_alloc(in.case_weights, a.n, trail, {}, "case_weights_vec") != 0) return -1;
    if (a.read_weights)
        for (int i = 0; i < a.n; ++i) in.case_weights.data()[i] = a.case_weights_vec[i];
    else
        in.case_weights.fill(1.0);
    if (log1_alloc(in.forcein, a.p, trail, {}, "forcein_vec") != 0) return -1;
    for (int j = 0; j < a.p; ++j) in.forcein.data()[j] = a.forcein_vec[j] != 0;
    return 0;
}

// The read-outs of the session, local to the call; all but the grid on the scaled response.
struct result_arrays {
    dbl1 lambda;
    dbl1 beta, se, gcv, aic, bic, df_proj;
    dbl2 betas;
    int1 simple_df;
    int32_t num_iter = 0;
    int32_t best = -1;
    bool converged = false;
    double intercept = 0.0;
    double intercept_se = 0.0;
};

// A max_lambda that is a value, not a request for a rule (automatic or the full path).
bool given_max_lambda(double v) { return v != QUILL_MAX_LAMBDA_AUTOMATIC && v != QUILL_MAX_LAMBDA_FULL; }

// A result that is not a finite number must not be handed out as a success.
int refuse_non_finite(error_trail& trail, const std::string& what) {
    return fail(trail, where, (what + " is not a finite number.").c_str());
}

// criterion is on the scale of the data already.
int check_finite_results(const runscad_arguments& a, const result_arrays& r, double criterion,
                         const response_scale& scale, error_trail& trail) {
    for (int j = 1; j <= a.p; ++j) {
        if (!std::isfinite(scale.value(r.beta(j))))
            return refuse_non_finite(trail, "The fitted coefficient of column " + std::to_string(j));
        if (!std::isfinite(scale.value(r.se(j))))
            return refuse_non_finite(trail, "The standard error of column " + std::to_string(j));
    }
    if (!std::isfinite(scale.value(r.intercept)))
        return refuse_non_finite(trail, "The fitted intercept");
    if (!std::isfinite(scale.value(r.intercept_se)))
        return refuse_non_finite(trail, "The standard error of the intercept");
    if (!std::isfinite(criterion))
        return refuse_non_finite(trail, "The selection criterion at the selected lambda");
    return 0;
}

// The per-grid read-outs: the table's, and what the boundary flags need.
struct grid_fit_arrays {
    dbl1 intercept;
    int1 num_iter, converged, tied;
    int32_t fitted = 0;
    int32_t tie_run_end = 0;
    bool selected_shrunk = false;
};

int read_grid_fits(grid_fit_arrays& f, scad_session& session, error_trail& trail) {
    if (run_read_scad_grid_fits(f.intercept, f.num_iter, f.converged, f.fitted, session,
                                trail) != 0 ||
        run_read_scad_ties(f.tied, f.tie_run_end, f.selected_shrunk, session, trail) != 0)
        return -1;
    if (!f.intercept.allocated() || !f.num_iter.allocated() || !f.converged.allocated() ||
        !f.tied.allocated())
        return fail(trail, where, "The fits of the grid could not be read.");
    return 0;
}

}  // namespace

call_controls read_call_controls(const runscad_arguments& a) {
    const int32_t value = a.option_vector[QUILL_OPT_START];
    if (a.entry == entry_kind::structs) return {value, a.quiet, a.thread_limit};
    constexpr int32_t known = QUILL_START_RULE_MASK | QUILL_CONTROL_QUIET |
                              QUILL_CONTROL_THREADS(QUILL_MAX_THREAD_LIMIT);
    call_controls c{value & QUILL_START_RULE_MASK, (value & QUILL_CONTROL_QUIET) != 0,
                    (value >> QUILL_CONTROL_THREADS_SHIFT) & QUILL_MAX_THREAD_LIMIT};
    // A reserved bit makes the whole value the rule, which the settings check refuses.
    if ((value & ~known) != 0) c.rule = value;
    return c;
}

int load_fit(const runscad_arguments& a, int32_t start_rule, loaded_fit& f, error_trail& trail) {
    if (copy_inputs(a, f, trail) != 0) return -1;
    f.scale = scale_response(f.y, a.model_type, a.read_weights ? f.case_weights.data() : nullptr);

    const int32_t intercept_mode = a.option_vector[QUILL_OPT_INTERCEPT_MODE];
    std::optional<double> min_lambda;
    std::optional<double> max_lambda;
    if (*a.min_lambda != -1.0) min_lambda = *a.min_lambda / f.scale.s;
    if (given_max_lambda(*a.max_lambda)) max_lambda = *a.max_lambda / f.scale.s;
    else if (*a.max_lambda == QUILL_MAX_LAMBDA_FULL) max_lambda = max_lambda_full;

    const int32_t* o = a.option_vector;
    const scad_settings_input settings{.algorithm = o[QUILL_OPT_ALGORITHM],
                                       .selection = o[QUILL_OPT_SELECTION],
                                       .dfformula = o[QUILL_OPT_DFFORMULA],
                                       .grid_size = o[QUILL_OPT_GRID_SIZE],
                                       .max_iter = o[QUILL_OPT_MAX_ITER],
                                       .model_type = a.model_type,
                                       .robust = o[QUILL_OPT_ROBUST] > 0,
                                       .start = start_rule,
                                       .tolerance = a.tolerance,
                                       .a = a.a,
                                       .ebic_gamma = a.ebic_gamma,
                                       .min_lambda = min_lambda,
                                       .max_lambda = max_lambda,
                                       .omit_intercept = intercept_mode == intercept_omitted,
                                       .full_likelihood = intercept_mode != intercept_fitted,
                                       .center_y = intercept_mode == intercept_centre_y};
    if (run_load_scad_settings(settings, f.session, trail) != 0) return -1;
    const matrix_cview raw_x(a.raw_x, a.n, a.p, a.n);
    if (run_load_scad_dataset(raw_x, f.y, f.forcein, f.case_weights, f.session, trail,
                              a.offset) != 0)
        return -1;
    if (!scad_y_is_allowable(f.y, a.model_type, trail)) return -1;
    if (!scad_design_has_full_rank(f.session, a.aliased_out, trail)) return -1;
    return 0;
}

int set_given_grid(const runscad_arguments& a, const double* grid, loaded_fit& f,
                   error_trail& trail) {
    scad_Lgrid& lgrid = f.session.Lgrid;
    if (nullify_scad_Lgrid(lgrid, trail) != 0 ||
        dbl1_alloc(lgrid.lambda, a.grid_size, trail, {}, "grid") != 0)
        return fail(trail, where, "The lambda grid could not be set.");
    for (int g = 1; g <= a.grid_size; ++g) lgrid.lambda(g) = grid[g - 1] / f.scale.s;
    lgrid.is_null = false;
    return 0;
}

int read_grid(const runscad_arguments& a, const double* grid, loaded_fit& f, dbl1& lambda,
              error_trail& trail) {
    const int G = a.grid_size;
    if (run_read_scad_Lgrid(lambda, f.session, trail) != 0) return -1;
    if (!lambda.allocated() || lambda.extent(0) < G)
        return fail(trail, where, "The lambda grid could not be read.");
    for (int g = 1; g <= G; ++g) lambda(g) = f.scale.value(lambda(g));
    if (*a.min_lambda != -1.0) lambda(1) = *a.min_lambda;
    if (G >= 2 && given_max_lambda(*a.max_lambda)) lambda(G) = *a.max_lambda;
    if (grid != nullptr)
        for (int g = 1; g <= G; ++g) lambda(g) = grid[g - 1];
    *a.min_lambda = lambda(1);
    *a.max_lambda = lambda(G);
    return 0;
}

int read_out(const runscad_arguments& a, const double* given_grid, loaded_fit& f, error_trail& trail) {
    scad_session& session = f.session;
    const response_scale& scale = f.scale;
    const log1& forcein = f.forcein;
    const int grid = a.grid_size;
    result_arrays r;
    if (read_grid(a, given_grid, f, r.lambda, trail) != 0) return -1;

    if (run_read_scad_stdresults(r.beta, r.se, r.betas, r.gcv, r.aic, r.bic, r.df_proj,
                                 r.simple_df, r.num_iter, r.best, r.converged, session,
                                 trail) != 0)
        return -1;
    const int b = r.best;
    if (b < 1 || b > grid || !r.gcv.allocated() || !r.aic.allocated() || !r.bic.allocated() ||
        !r.df_proj.allocated() || !r.simple_df.allocated())
        return fail(trail, where, "The grid search did not select a lambda.");
    const double df_proj = r.df_proj(b);
    if (!(std::fabs(df_proj) < 2147483647.0))
        return refuse_non_finite(trail, "The degrees of freedom at the selected lambda");
    *a.lambda_out = r.lambda(b);
    *a.best_index_out = b;
    *a.num_iter_out = r.num_iter;
    *a.simple_df_out = r.simple_df(b);
    *a.df_out = static_cast<int32_t>(df_proj);  // truncation toward zero
    *a.converged_out = r.converged ? byte_true : 0;
    const int32_t selection = a.option_vector[QUILL_OPT_SELECTION];
    const dbl1& ebic = session.stdresults.ebic;
    if (selection == selection_ebic && !(ebic.allocated() && ebic.extent(0) >= b))
        return fail(trail, where, "The grid search did not select a lambda.");
    const double criterion = selection == selection_bic    ? scale.likelihood(r.bic(b))
                             : selection == selection_gcv ? scale.gcv(r.gcv(b))
                                                          : scale.likelihood(ebic(b));

    if (run_read_scad_unstdresults(r.beta, r.se, r.intercept, r.intercept_se, r.betas, session,
                                   trail) != 0)
        return -1;
    if (!r.beta.allocated() || !r.se.allocated() || !r.betas.allocated())
        return fail(trail, where, "The results on the input scale could not be read.");
    if (check_finite_results(a, r, criterion, scale, trail) != 0) return -1;
    grid_fit_arrays fits;
    if (read_grid_fits(fits, session, trail) != 0) return -1;

    // The boundary flags and the coefficients reported as zero are decided on the scaled
    // response, like every other threshold of the fit.
    const bool single_lambda = grid == 1 || r.lambda(1) == r.lambda(grid);
    const boundary_flags flags =
        find_boundary_flags({b, grid, fits.fitted, fits.tie_run_end, fits.selected_shrunk, single_lambda},
                            forcein, r.beta, r.se, r.betas);
    *a.at_min_lambda = flags.at_min_lambda ? byte_true : 0;
    *a.at_max_lambda = flags.at_max_lambda ? byte_true : 0;
    *a.criterion_out = criterion;
    *a.intercept_out = scale.value(r.intercept);
    *a.intercept_se_out = scale.value(r.intercept_se);
    write_coefficients(r.beta, r.se, r.betas, scale.s, a.beta_out, a.se_out, a.beta_path_out);
    if (a.table)
        write_grid_table(*a.table,
                         {r.lambda, r.bic, session.stdresults.ebic, r.aic, r.gcv, r.df_proj,
                          r.simple_df, fits.intercept, fits.num_iter, fits.converged, fits.tied,
                          fits.fitted},
                         a.model_type == QUILL_MODEL_NORMAL,
                         a.option_vector[QUILL_OPT_DFFORMULA] == 1, scale);
    return 0;
}


}  // namespace quill::engine
