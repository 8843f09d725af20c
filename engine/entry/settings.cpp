// Loading the settings: every given value is checked in a fixed order and stored at once, so a
// failure leaves the values before it in place. Integer codes are compared as unsigned values,
// which makes a negative code fail like a too-large one; a NaN fails every check.
#include "settings.h"

#include <cstdint>
#include <limits>
#include <string>

#include "quill/runscad.h"
#include "records/option_codes.h"

namespace quill::engine {

namespace {

constexpr const char* where = "run_load_scad_settings in MOD scad_types";

bool code_at_most(int32_t value, uint32_t largest) {
    return static_cast<uint32_t>(value) <= largest;
}

bool strictly_inside_unit(double v) { return v > 0.0 && v < 1.0; }

// Adds the lines of a failed load and resets the session; always -1.
int fail_load(scad_session& session, error_trail& trail, const std::string& sentence) {
    fail(trail, where, sentence.c_str());
    nullify_scad_session(session, trail);
    return -1;
}

int invalid(scad_session& session, error_trail& trail, const char* field) {
    std::string line = "Invalid input for ";
    std::string name = field;
    name.resize(20, ' ');
    return fail_load(session, trail, line + name);
}

}  // namespace

bool given_max_lambda(double v) {
    return v != QUILL_MAX_LAMBDA_AUTOMATIC && v != QUILL_MAX_LAMBDA_FULL;
}

scad_settings_input settings_input(const quill_fit_controls& c, double scale) {
    std::optional<double> min_lambda;
    std::optional<double> max_lambda;
    if (c.min_lambda != -1.0) min_lambda = c.min_lambda / scale;
    if (given_max_lambda(c.max_lambda)) max_lambda = c.max_lambda / scale;
    else if (c.max_lambda == QUILL_MAX_LAMBDA_FULL) max_lambda = max_lambda_full;
    return {.algorithm = c.algorithm,
            .selection = c.selection,
            .dfformula = c.dfformula,
            .grid_size = c.grid_size,
            .max_iter = c.max_iter,
            .model_type = c.model_type,
            .robust = c.robust > 0,
            .start = c.start,
            .tolerance = c.tolerance,
            .penalty = c.penalty,
            .a = c.a,
            .ebic_gamma = c.ebic_gamma,
            .refit = c.refit != 0,
            .min_lambda = min_lambda,
            .max_lambda = max_lambda,
            .omit_intercept = c.intercept_mode == intercept_omitted,
            .full_likelihood = c.intercept_mode != intercept_fitted,
            .center_y = c.intercept_mode == intercept_centre_y};
}

int run_load_scad_settings(const scad_settings_input& in, scad_session& session,
                           error_trail& trail) {
    // The values by their names, as the checks below read them.
    const auto &algorithm = in.algorithm, &selection = in.selection, &dfformula = in.dfformula,
               &grid_size = in.grid_size, &max_iter = in.max_iter, &start = in.start;
    const auto &robust = in.robust, &full_likelihood = in.full_likelihood, &center_y = in.center_y;
    const auto &tolerance = in.tolerance, &threshold = in.threshold,
               &final_threshold = in.final_threshold, &a = in.a, &min_lambda = in.min_lambda,
               &max_lambda = in.max_lambda;
    const int32_t model_type = in.model_type;
    const bool omit_intercept = in.omit_intercept;
    if (nullify_scad_session(session, trail) != 0) {
        fail(trail, where, "I could not nullify the current intermediate results.");
        nullify_scad_session(session, trail);
        return -1;
    }
    scad_settings& s = session.settings;

    if (algorithm) {
        if (!code_at_most(*algorithm, algorithm_icm)) return invalid(session, trail, "algorithm");
        s.algorithm = *algorithm;
    }
    if (selection) {
        if (!code_at_most(*selection, selection_ebic)) return invalid(session, trail, "selection");
        s.selection = *selection;
    }
    if (in.ebic_gamma) {
        if (!(*in.ebic_gamma >= 0.0 && *in.ebic_gamma <= 1.0))
            return invalid(session, trail, "ebic_gamma");
        s.ebic_gamma = *in.ebic_gamma;
    }
    s.refit = in.refit;
    if (dfformula) {
        if (!code_at_most(*dfformula, df_projection)) return invalid(session, trail, "dfformula");
        s.dfformula = *dfformula;
    }
    if (grid_size) {
        if (!code_at_most(*grid_size, QUILL_MAX_GRID_SIZE) || *grid_size < 1)
            return invalid(session, trail, "grid_size");
        s.grid_size = *grid_size;
    }
    if (max_iter) {
        // Signed on purpose: a negative limit would make every fit run no pass at all.
        if (*max_iter < 1) return invalid(session, trail, "max_iter");
        s.max_iter = *max_iter;
    }
    if (!code_at_most(model_type, model_poisson)) return invalid(session, trail, "model_type");
    s.model_type = model_type;

    // The sandwich with the score residuals y - mu holds for the three canonical links alike.
    s.model_based_se = robust.value_or(false) ? 0 : 1;

    if (start) {
        if (!code_at_most(*start, start_previous)) return invalid(session, trail, "start");
        s.start = *start;
    }

    if (tolerance) {
        if (!strictly_inside_unit(*tolerance)) return invalid(session, trail, "tolerance");
        s.tolerance = *tolerance;
    }
    if (threshold) {
        if (!strictly_inside_unit(*threshold)) return invalid(session, trail, "threshold");
        s.threshold = *threshold;
    }
    if (final_threshold) {
        if (!strictly_inside_unit(*final_threshold))
            return invalid(session, trail, "final_threshold");
        s.final_threshold = *final_threshold;
    }
    if (in.penalty) {
        if (!code_at_most(*in.penalty, penalty_lasso)) return invalid(session, trail, "penalty");
        s.penalty = *in.penalty;
    }
    // SCAD's shape is above 2, MCP's gamma above 1; the lasso has none and never reads it.
    if (a && s.penalty != penalty_lasso) {
        const double least = s.penalty == penalty_mcp ? 1.0 : 2.0;
        if (!(*a > least && *a < std::numeric_limits<double>::max()))
            return invalid(session, trail, "a");
        s.a = *a;
    }
    if (min_lambda) {
        if (!(*min_lambda >= 0.0 && *min_lambda < 10000.0))
            return invalid(session, trail, "min_lambda");
        s.min_lambda = *min_lambda;
    }
    if (max_lambda) {
        const bool full = *max_lambda == max_lambda_full;
        if (!full && !(*max_lambda >= s.min_lambda && *max_lambda < 10000.0))
            return invalid(session, trail, "max_lambda");
        s.max_lambda = *max_lambda;
    }
    s.omit_intercept = omit_intercept;
    if (full_likelihood) s.full_likelihood = *full_likelihood;
    if (center_y) s.center_y = *center_y;

    if (s.omit_intercept && s.center_y)
        return fail_load(session, trail, "Cannot specify both omit_intercept and center_y.");
    if (s.model_type != model_normal) {
        if (s.omit_intercept)
            return fail_load(session, trail,
                             "QUILLFIT cannot omit the intercept in a nonlinear model.");
        if (s.center_y)
            return fail_load(session, trail,
                             "QUILLFIT cannot center the response variable in a nonlinear model.");
    }
    return 0;
}

}  // namespace quill::engine
