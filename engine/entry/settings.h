// Loading and checking the settings of a session.
#pragma once

#include <optional>

#include "quill/runscad.h"
#include "records/scad_session.h"

namespace quill::engine {

// The values of one settings load, in the order they are checked; an absent value leaves its
// field of the session as it is. `start` (the start rule of the grid fits) is checked right
// after robust, as in the option vector.
struct scad_settings_input {
    std::optional<int32_t> algorithm = std::nullopt;
    std::optional<int32_t> selection = std::nullopt;
    std::optional<int32_t> dfformula = std::nullopt;
    std::optional<int32_t> grid_size = std::nullopt;
    std::optional<int32_t> max_iter = std::nullopt;
    int32_t model_type = 0;
    std::optional<bool> robust = std::nullopt;
    std::optional<int32_t> start = std::nullopt;
    std::optional<double> tolerance = std::nullopt;
    std::optional<double> threshold = std::nullopt;
    std::optional<double> final_threshold = std::nullopt;
    std::optional<int32_t> penalty = std::nullopt;
    std::optional<double> a = std::nullopt;
    std::optional<double> ebic_gamma = std::nullopt;
    bool refit = false;
    std::optional<double> min_lambda = std::nullopt;
    std::optional<double> max_lambda = std::nullopt;
    bool omit_intercept = false;
    std::optional<bool> full_likelihood = std::nullopt;
    std::optional<bool> center_y = std::nullopt;
};

// A max_lambda that is a value, not a request for a rule (automatic or the full path).
bool given_max_lambda(double v);

// The settings a request's controls ask for, with a normal response divided by `scale`: a given
// end of the grid is in the response's units.
scad_settings_input settings_input(const quill_fit_controls& c, double scale);

// Nullifies the session, then checks and stores each given value in order. The first failing
// check stops the load.
int run_load_scad_settings(const scad_settings_input& in, scad_session& session,
                           error_trail& trail);

}  // namespace quill::engine
