// Resets of the session and its records. Each writes its own name as a trace line when it
// starts (support/trace_lines.h). A release that fails reports status 201 with the reset's
// location.
#include "scad_session.h"

#include "support/allocation.h"
#include "support/trace_lines.h"

namespace quill::engine {

namespace {

void announce(const char* name) { trace_line(name); }

constexpr const char* dataset_where = "nullify_scad_dataset in MOD scad_types";
constexpr const char* initialfit_where = "nullify_scad_initialfit in MOD scad_types";
constexpr const char* lgrid_where = "nullify_scad_Lgrid in MOD scad_types";
constexpr const char* stdresults_where = "nullify_scad_stdresults in MOD scad_types";
constexpr const char* unstdresults_where = "nullify_scad_unstdresults in MOD scad_types";
constexpr const char* session_where = "nullify_scad_session in MOD scad_types";

int release_failed(error_trail& trail, const char* where) {
    return fail_status(trail, status_deallocation, where);
}

}  // namespace

void nullify_scad_settings(scad_settings& settings) {
    announce("nullify_scad_settings");
    // max_iter, model_type and model_based_se survive a reset.
    const scad_settings defaults;
    settings.algorithm = defaults.algorithm;
    settings.selection = defaults.selection;
    settings.dfformula = defaults.dfformula;
    settings.grid_size = defaults.grid_size;
    settings.start = defaults.start;
    settings.tolerance = defaults.tolerance;
    settings.threshold = defaults.threshold;
    settings.final_threshold = defaults.final_threshold;
    settings.penalty = defaults.penalty;
    settings.a = defaults.a;
    settings.min_lambda = defaults.min_lambda;
    settings.max_lambda = defaults.max_lambda;
    settings.omit_intercept = defaults.omit_intercept;
    settings.full_likelihood = defaults.full_likelihood;
    settings.center_y = defaults.center_y;
}

int nullify_scad_dataset(scad_dataset& dataset, error_trail& trail) {
    announce("nullify_scad_dataset");
    dataset.is_null = true;
    dataset.n = 0;
    dataset.p = 0;
    if (dbl1_dealloc(dataset.y, trail) != 0 || dbl2_dealloc(dataset.x, trail) != 0 ||
        dbl2_dealloc(dataset.xtx, trail) != 0 || dbl1_dealloc(dataset.xty, trail) != 0 ||
        dbl1_dealloc(dataset.case_weights, trail) != 0 || dbl1_dealloc(dataset.offset, trail) != 0 ||
        log1_dealloc(dataset.forcein, trail) != 0)
        return release_failed(trail, dataset_where);
    return 0;
}

int nullify_scad_initialfit(scad_initialfit& initialfit, error_trail& trail) {
    announce("nullify_scad_initialfit");
    initialfit.is_null = true;
    initialfit.singular = false;
    initialfit.sigma2 = -1.0;
    if (dbl1_dealloc(initialfit.beta, trail) != 0 || dbl1_dealloc(initialfit.mu, trail) != 0)
        return release_failed(trail, initialfit_where);
    return 0;
}

int nullify_scad_Lgrid(scad_Lgrid& grid, error_trail& trail) {
    announce("nullify_scad_Lgrid");
    grid.is_null = true;
    if (dbl1_dealloc(grid.lambda, trail) != 0) return release_failed(trail, lgrid_where);
    return 0;
}

int nullify_scad_stdresults(scad_stdresults& results, error_trail& trail) {
    announce("nullify_scad_stdresults");
    results.is_null = true;
    results.best = -1;
    results.num_iter = 0;
    results.converged = 0;
    results.fitted = 0;
    results.first_fitted = 1;
    results.path_stop = 0;
    results.path_stop_index = 0;
    results.tie_run_end = 0;
    results.selected_shrunk = false;
    // cov_mat is left allocated: it is reallocated whenever it is computed.
    if (dbl2_dealloc(results.betas, trail) != 0 || dbl1_dealloc(results.beta, trail) != 0 ||
        dbl1_dealloc(results.se, trail) != 0 || dbl1_dealloc(results.gcv, trail) != 0 || dbl1_dealloc(results.ebic, trail) != 0 ||
        dbl1_dealloc(results.refit_criterion, trail) != 0 ||
        dbl1_dealloc(results.aic, trail) != 0 || dbl1_dealloc(results.bic, trail) != 0 ||
        dbl1_dealloc(results.df_proj, trail) != 0 || int1_dealloc(results.simple_df, trail) != 0 ||
        int1_dealloc(results.grid_iter, trail) != 0 ||
        int1_dealloc(results.grid_converged, trail) != 0 ||
        int1_dealloc(results.tied, trail) != 0)
        return release_failed(trail, stdresults_where);
    return 0;
}

int nullify_scad_unstdresults(scad_unstdresults& results, error_trail& trail) {
    announce("nullify_scad_unstdresults");
    results.is_null = true;
    results.intercept = 0.0;
    results.intercept_se = 0.0;
    if (dbl1_dealloc(results.beta, trail) != 0 || dbl1_dealloc(results.se, trail) != 0 ||
        dbl2_dealloc(results.betas, trail) != 0)
        return release_failed(trail, unstdresults_where);
    return 0;
}

int nullify_scad_session(scad_session& session, error_trail& trail) {
    announce("nullify_scad_session");
    session.is_null = true;
    session.state = 0;
    if (nullify_scad_dataset(session.dataset, trail) != 0) return fail_after(trail, session_where);
    return 0;
}

}  // namespace quill::engine
