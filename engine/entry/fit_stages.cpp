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
#include "support/fit_progress.h"

namespace quill::engine {

namespace {

constexpr const char* where = "runscad in MOD scad_types";
constexpr uint8_t byte_true = 0xFF;

int copy_inputs(const fit_request& r, loaded_fit& in, error_trail& trail) {
    const quill_fit_data& a = r.data;
    if (dbl1_alloc(in.y, a.n, trail, {}, "y_vec") != 0) return -1;
    for (int i = 0; i < a.n; ++i) in.y.data()[i] = a.y[i];
    // The normal model fits y - offset; the other models carry the offset into every mean.
    if (a.offset != nullptr && r.controls.model_type == QUILL_MODEL_NORMAL)
        for (int i = 0; i < a.n; ++i) in.y.data()[i] -= a.offset[i];
    // runscad's argument 5 is not read: every observation weighs the same there.
    if (dbl1_alloc(in.case_weights, a.n, trail, {}, "case_weights_vec") != 0) return -1;
    if (a.weights != nullptr)
        for (int i = 0; i < a.n; ++i) in.case_weights.data()[i] = a.weights[i];
    else
        in.case_weights.fill(1.0);
    if (log1_alloc(in.forcein, a.p, trail, {}, "forcein_vec") != 0) return -1;
    for (int j = 0; j < a.p; ++j) in.forcein.data()[j] = a.forcein[j] != 0;
    return 0;
}

// The read-outs of the session, local to the call; all but the grid on the scaled response.
struct result_arrays {
    dbl1 lambda;
    dbl1 beta, se, gcv, aic, bic, df_proj;
    int1 simple_df;
    int32_t num_iter = 0;
    int32_t best = -1;
    bool converged = false;
    double intercept = 0.0;
    double intercept_se = 0.0;
};

// A result that is not a finite number must not be handed out as a success.
int refuse_non_finite(error_trail& trail, const std::string& what) {
    return fail(trail, where, (what + " is not a finite number.").c_str());
}

// criterion is on the scale of the data already.
int check_finite_results(int p, const result_arrays& r, double criterion,
                         const response_scale& scale, error_trail& trail) {
    for (int j = 1; j <= p; ++j) {
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

int load_fit(const fit_request& r, loaded_fit& f, error_trail& trail) {
    const quill_fit_data& a = r.data;
    const quill_fit_controls& c = r.controls;
    if (copy_inputs(r, f, trail) != 0) return -1;
    f.scale = scale_response(f.y, c.model_type, a.weights != nullptr ? f.case_weights.data() : nullptr);
    progress_lambda_unit(f.scale.s);

    if (run_load_scad_settings(settings_input(c, f.scale.s), f.session, trail) != 0) return -1;
    const matrix_cview raw_x(a.x, a.n, a.p, a.n);
    if (run_load_scad_dataset(raw_x, f.y, f.forcein, f.case_weights, f.session, trail,
                              a.offset) != 0)
        return -1;
    if (!scad_y_is_allowable(f.y, c.model_type, trail)) return -1;
    if (!scad_design_has_full_rank(f.session, r.out.aliased, trail)) return -1;
    return 0;
}

int set_given_grid(int G, const double* grid, loaded_fit& f, error_trail& trail) {
    scad_Lgrid& lgrid = f.session.Lgrid;
    if (nullify_scad_Lgrid(lgrid, trail) != 0 || dbl1_alloc(lgrid.lambda, G, trail, {}, "grid") != 0)
        return fail(trail, where, "The lambda grid could not be set.");
    for (int g = 1; g <= G; ++g) lgrid.lambda(g) = grid[g - 1] / f.scale.s;
    lgrid.is_null = false;
    return 0;
}

int read_grid(const fit_request& r, const double* grid, loaded_fit& f, dbl1& lambda,
              error_trail& trail) {
    const quill_fit_controls& c = r.controls;
    const int G = c.grid_size;
    if (run_read_scad_Lgrid(lambda, f.session, trail) != 0) return -1;
    if (!lambda.allocated() || lambda.extent(0) < G)
        return fail(trail, where, "The lambda grid could not be read.");
    for (int g = 1; g <= G; ++g) lambda(g) = f.scale.value(lambda(g));
    if (c.min_lambda != -1.0) lambda(1) = c.min_lambda;
    if (G >= 2 && given_max_lambda(c.max_lambda)) lambda(G) = c.max_lambda;
    if (grid != nullptr)
        for (int g = 1; g <= G; ++g) lambda(g) = grid[g - 1];
    *r.out.min_lambda = lambda(1);
    *r.out.max_lambda = lambda(G);
    return 0;
}

int read_out(const fit_request& req, const double* given_grid, loaded_fit& f,
             error_trail& trail) {
    const fit_outputs& a = req.out;
    const quill_fit_controls& c = req.controls;
    scad_session& session = f.session;
    const response_scale& scale = f.scale;
    const log1& forcein = f.forcein;
    const int grid = c.grid_size;
    result_arrays r;
    if (read_grid(req, given_grid, f, r.lambda, trail) != 0) return -1;

    // The path is read where the session keeps it: a copy would be as large as the design.
    if (run_read_scad_stdresults(r.beta, r.se, nullptr, r.gcv, r.aic, r.bic, r.df_proj,
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
    *a.lambda = r.lambda(b);
    *a.best_index = b;
    if (a.path_stop != nullptr) *a.path_stop = session.stdresults.path_stop;
    if (a.path_stop_index != nullptr) *a.path_stop_index = session.stdresults.path_stop_index;
    *a.num_iter = r.num_iter;
    *a.simple_df = r.simple_df(b);
    *a.df = static_cast<int32_t>(df_proj);  // truncation toward zero
    *a.converged = r.converged ? byte_true : 0;
    const int32_t selection = c.selection;
    const dbl1& ebic = session.stdresults.ebic;
    if (selection == selection_ebic && !(ebic.allocated() && ebic.extent(0) >= b))
        return fail(trail, where, "The grid search did not select a lambda.");
    const dbl1& refit = session.stdresults.refit_criterion;
    const double criterion = session.settings.refit
                                 ? (selection == selection_gcv ? scale.gcv(refit(b))
                                                               : scale.likelihood(refit(b)))
                             : selection == selection_bic ? scale.likelihood(r.bic(b))
                             : selection == selection_gcv ? scale.gcv(r.gcv(b))
                                                          : scale.likelihood(ebic(b));

    if (run_read_scad_unstdresults(r.beta, r.se, r.intercept, r.intercept_se, nullptr, session,
                                   trail) != 0)
        return -1;
    // Column 1 of the stored path is the intercept's; the caller's column j is predictor j.
    const dbl2& stored_path = session.unstdresults.betas;
    const int p = req.data.p;
    if (!r.beta.allocated() || !r.se.allocated() || !stored_path.allocated() ||
        stored_path.extent(0) != grid || stored_path.extent(1) != p + 1)
        return fail(trail, where, "The results on the input scale could not be read.");
    if (check_finite_results(p, r, criterion, scale, trail) != 0) return -1;
    grid_fit_arrays fits;
    if (read_grid_fits(fits, session, trail) != 0) return -1;

    // The boundary flags and the coefficients reported as zero are decided on the scaled
    // response, like every other threshold of the fit.
    const bool single_lambda = grid == 1 || r.lambda(1) == r.lambda(grid);
    const matrix_cview path = matrix_cview(stored_path).columns(1, p);
    const boundary_flags flags =
        find_boundary_flags({b, grid, fits.fitted, fits.tie_run_end, fits.selected_shrunk, single_lambda,
                             session.stdresults.first_fitted},
                            forcein, r.beta, r.se, path);
    *a.at_min_lambda = flags.at_min_lambda ? byte_true : 0;
    *a.at_max_lambda = flags.at_max_lambda ? byte_true : 0;
    *a.criterion = criterion;
    *a.intercept = scale.value(r.intercept);
    *a.intercept_se = scale.value(r.intercept_se);
    write_coefficients(r.beta, r.se, path, scale.s, a.beta, a.se, a.beta_path);
    if (a.table)
        write_grid_table(*a.table,
                         {r.lambda, r.bic, session.stdresults.ebic, r.aic, r.gcv, r.df_proj,
                          r.simple_df, fits.intercept, fits.num_iter, fits.converged, fits.tied,
                          fits.fitted, session.stdresults.first_fitted,
                          session.settings.refit ? &session.stdresults.refit_criterion : nullptr,
                          selection == selection_gcv},
                         c.model_type == QUILL_MODEL_NORMAL,
                         c.dfformula == 1, scale);
    return 0;
}

}  // namespace quill::engine
