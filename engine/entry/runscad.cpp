// One runscad call: argument checks, local copies of the inputs (a normal response divided by
// its standard deviation), settings, data and the response check, then the estimation and the
// read-out into the caller's arrays, back in the units of the response. Everything the call
// allocates lives in this file's locals and is released when the call returns, on success and
// on failure alike. A failure at any step leaves the trail's lines, which the failure exit
// joins into the caller's message array.
#include "runscad.h"

#include <cmath>
#include <optional>
#include <string>

#include "argument_checks.h"
#include "dataset.h"
#include "estimation/grid_search.h"
#include "estimation/initial_fit.h"
#include "grid_table.h"
#include "message_codes.h"
#include "quill/runscad.h"
#include "readers.h"
#include "records/option_codes.h"
#include "response_scale.h"
#include "result_outputs.h"
#include "settings.h"
#include "support/allocation.h"
#include "support/thread_team.h"
#include "support/trace_lines.h"

namespace quill::engine {

namespace {

constexpr const char* where = "runscad in MOD scad_types";
constexpr uint8_t byte_true = 0xFF;

// The call's own copies of the inputs. The design is not among them: the loader reads the
// caller's array and keeps only its standardized form.
struct input_arrays {
    dbl1 y_vec;
    dbl1 case_weights_vec;
    log1 forcein_vec;
};

int copy_inputs(const runscad_arguments& a, input_arrays& in, error_trail& trail) {
    if (dbl1_alloc(in.y_vec, a.n, trail, {}, "y_vec") != 0) return -1;
    for (int i = 0; i < a.n; ++i) in.y_vec.data()[i] = a.y_vec[i];
    // The normal model fits y - offset; the other models carry the offset into every mean.
    if (a.offset != nullptr && a.model_type == QUILL_MODEL_NORMAL)
        for (int i = 0; i < a.n; ++i) in.y_vec.data()[i] -= a.offset[i];
    // runscad's argument 5 is not read: every observation weighs the same there.
    if (dbl1_alloc(in.case_weights_vec, a.n, trail, {}, "case_weights_vec") != 0) return -1;
    if (a.read_weights)
        for (int i = 0; i < a.n; ++i) in.case_weights_vec.data()[i] = a.case_weights_vec[i];
    else
        in.case_weights_vec.fill(1.0);
    if (log1_alloc(in.forcein_vec, a.p, trail, {}, "forcein_vec") != 0) return -1;
    for (int j = 0; j < a.p; ++j) in.forcein_vec.data()[j] = a.forcein_vec[j] != 0;
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

// The session's grid in the units of the response; an end the caller gave comes back exactly,
// and so does a whole grid given for cross-validation. The call's min and max lambda are set.
int read_grid(const runscad_arguments& a, const response_scale& scale, dbl1& lambda,
              scad_session& session, error_trail& trail) {
    const int grid = a.grid_size;
    if (run_read_scad_Lgrid(lambda, session, trail) != 0) return -1;
    if (!lambda.allocated() || lambda.extent(0) < grid)
        return fail(trail, where, "The lambda grid could not be read.");
    for (int g = 1; g <= grid; ++g) lambda(g) = scale.value(lambda(g));
    if (*a.min_lambda != -1.0) lambda(1) = *a.min_lambda;
    if (grid >= 2 && given_max_lambda(*a.max_lambda)) lambda(grid) = *a.max_lambda;
    if (a.given_grid != nullptr)
        for (int g = 1; g <= grid; ++g) lambda(g) = a.given_grid[g - 1];
    *a.min_lambda = lambda(1);
    *a.max_lambda = lambda(grid);
    return 0;
}

// A grid given in the units of the response, in place of the one the settings would build.
int set_given_grid(const runscad_arguments& a, const response_scale& scale,
                   scad_session& session, error_trail& trail) {
    scad_Lgrid& grid = session.Lgrid;
    if (nullify_scad_Lgrid(grid, trail) != 0 ||
        dbl1_alloc(grid.lambda, a.grid_size, trail, {}, "grid") != 0)
        return fail(trail, where, "The lambda grid could not be set.");
    for (int g = 1; g <= a.grid_size; ++g) grid.lambda(g) = a.given_grid[g - 1] / scale.s;
    grid.is_null = false;
    return 0;
}

// The estimation and the read-out into the caller's arrays, every value carried back to the
// units of the response by `scale`.
int estimate_and_read_out(const runscad_arguments& a, const log1& forcein,
                          const response_scale& scale, scad_session& session,
                          error_trail& trail) {
    if (run_calculate_scad_initialfit(session, trail) != 0) return -1;
    if (a.given_grid != nullptr && set_given_grid(a, scale, session, trail) != 0) return -1;
    if (a.grid_out != nullptr) {
        dbl1 lambda;
        if (run_calculate_scad_Lgrid(session, trail) != 0 ||
            read_grid(a, scale, lambda, session, trail) != 0)
            return -1;
        for (int g = 1; g <= a.grid_size; ++g) a.grid_out[g - 1] = lambda(g);
        return 0;
    }
    if (run_calculate_scad_stdresults(session, trail) != 0 ||
        run_calculate_scad_unstdresults(session, trail) != 0)
        return -1;

    const int grid = a.grid_size;
    result_arrays r;
    if (read_grid(a, scale, r.lambda, session, trail) != 0) return -1;

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
    grid_fit_arrays f;
    if (read_grid_fits(f, session, trail) != 0) return -1;

    // The boundary flags and the coefficients reported as zero are decided on the scaled
    // response, like every other threshold of the fit.
    const bool single_lambda = grid == 1 || r.lambda(1) == r.lambda(grid);
    const boundary_flags flags =
        find_boundary_flags({b, grid, f.fitted, f.tie_run_end, f.selected_shrunk, single_lambda,
                             session.stdresults.first_fitted},
                            forcein, r.beta, r.se, r.betas);
    *a.at_min_lambda = flags.at_min_lambda ? byte_true : 0;
    *a.at_max_lambda = flags.at_max_lambda ? byte_true : 0;
    *a.criterion_out = criterion;
    *a.intercept_out = scale.value(r.intercept);
    *a.intercept_se_out = scale.value(r.intercept_se);
    write_coefficients(r.beta, r.se, r.betas, scale.s, a.beta_out, a.se_out, a.beta_path_out);
    if (a.table)
        write_grid_table(*a.table,
                         {r.lambda, r.bic, session.stdresults.ebic, r.aic, r.gcv, r.df_proj, r.simple_df, f.intercept,
                          f.num_iter, f.converged, f.tied, f.fitted,
                          session.stdresults.first_fitted},
                         a.model_type == QUILL_MODEL_NORMAL,
                         a.option_vector[QUILL_OPT_DFFORMULA] == 1, scale);
    return 0;
}

// Option 7: the start rule in its low byte, the call's controls above it.
struct start_option {
    int32_t rule;
    bool quiet;
    int thread_limit;  // 0: QUILL_THREADS or every core
};

start_option read_start_option(int32_t value) {
    constexpr int32_t known = QUILL_START_RULE_MASK | QUILL_CONTROL_QUIET |
                              QUILL_CONTROL_THREADS(QUILL_MAX_THREAD_LIMIT);
    start_option o{value & QUILL_START_RULE_MASK, (value & QUILL_CONTROL_QUIET) != 0,
                   (value >> QUILL_CONTROL_THREADS_SHIFT) & QUILL_MAX_THREAD_LIMIT};
    // A reserved bit makes the whole value the rule, which the settings check refuses.
    if ((value & ~known) != 0) o.rule = value;
    return o;
}

// A call whose intercept_mode is valid, from the argument checks on; -1 leaves the reason in the
// trail.
int estimate(const runscad_arguments& a, int32_t intercept_mode, error_trail& trail) {
    if (check_runscad_arguments(a, trail) != 0) return -1;

    input_arrays in;
    if (copy_inputs(a, in, trail) != 0) return -1;
    const response_scale scale = scale_response(
        in.y_vec, a.model_type, a.read_weights ? in.case_weights_vec.data() : nullptr);

    const bool omit_intercept = intercept_mode == intercept_omitted;
    const bool center_y = intercept_mode == intercept_centre_y;
    const bool full_likelihood = intercept_mode != intercept_fitted;

    const int32_t* o = a.option_vector;
    std::optional<double> min_lambda;
    std::optional<double> max_lambda;
    if (*a.min_lambda != -1.0) min_lambda = *a.min_lambda / scale.s;
    if (given_max_lambda(*a.max_lambda)) max_lambda = *a.max_lambda / scale.s;
    else if (*a.max_lambda == QUILL_MAX_LAMBDA_FULL) max_lambda = max_lambda_full;

    const start_option start = a.entry == entry_kind::positional
                                   ? read_start_option(o[QUILL_OPT_START])
                                   : start_option{o[QUILL_OPT_START], a.quiet, a.thread_limit};
    const trace_lines_scope trace(!start.quiet);
    // The worker threads live for this call only.
    const thread_team_scope team(engine_thread_count(start.thread_limit));
    scad_session session;
    const scad_settings_input settings{.algorithm = o[QUILL_OPT_ALGORITHM],
                                       .selection = o[QUILL_OPT_SELECTION],
                                       .dfformula = o[QUILL_OPT_DFFORMULA],
                                       .grid_size = o[QUILL_OPT_GRID_SIZE],
                                       .max_iter = o[QUILL_OPT_MAX_ITER],
                                       .model_type = a.model_type,
                                       .robust = o[QUILL_OPT_ROBUST] > 0,
                                       .start = start.rule,
                                       .tolerance = a.tolerance,
                                       .a = a.a,
                                       .ebic_gamma = a.ebic_gamma,
                                       .min_lambda = min_lambda,
                                       .max_lambda = max_lambda,
                                       .omit_intercept = omit_intercept,
                                       .full_likelihood = full_likelihood,
                                       .center_y = center_y};
    if (run_load_scad_settings(settings, session, trail) != 0) return -1;
    session.settings.given_best = a.given_best;
    session.settings.given_criterion = a.given_criterion;
    const matrix_cview raw_x(a.raw_x, a.n, a.p, a.n);
    if (run_load_scad_dataset(raw_x, in.y_vec, in.forcein_vec, in.case_weights_vec, session,
                              trail, a.offset) != 0)
        return -1;
    if (!scad_y_is_allowable(in.y_vec, a.model_type, trail)) return -1;
    if (!scad_design_has_full_rank(session, a.aliased_out, trail)) return -1;

    return estimate_and_read_out(a, in.forcein_vec, scale, session, trail);
}

}  // namespace

void run_scad_call(const runscad_arguments& a) {
    if (a.error_flag == nullptr) return;  // no way to report anything
    *a.error_flag = 0;
    if (a.converged_out) *a.converged_out = 0;
    if (a.intercept_out) *a.intercept_out = 0.0;
    if (a.message_codes == nullptr || a.msg_len < 1) {
        *a.error_flag = byte_true;
        return;
    }

    error_trail trail;
    int status = -1;
    if (a.option_vector == nullptr) {
        fail(trail, where, "The argument option_vector of runscad is a null pointer.");
    } else {
        const int32_t intercept_mode = a.option_vector[QUILL_OPT_INTERCEPT_MODE];
        if (check_intercept_mode(intercept_mode, trail) == 0) status = estimate(a, intercept_mode, trail);
    }
    if (status != 0) {
        write_message_codes(trail, a.message_codes, a.msg_len);
        *a.error_flag = byte_true;
    }
}

void report_unexpected_failure(const runscad_arguments& a) noexcept {
    if (a.error_flag == nullptr) return;
    *a.error_flag = byte_true;
    if (a.message_codes != nullptr && a.msg_len >= 1)
        write_message_codes("The engine stopped on an unexpected internal error.",
                            a.message_codes, a.msg_len);
}

}  // namespace quill::engine
