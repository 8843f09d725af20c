// Loading and checking the settings of a session.
#pragma once

#include <optional>

#include "records/scad_session.h"

namespace quill::engine {

// Nullifies the session, then checks and stores each given value in order; an absent value
// leaves its field as it is. The first failing check stops the load. `start` (the start rule of
// the grid fits) is checked right after robust, as in the option vector.
int run_load_scad_settings(std::optional<int32_t> algorithm, std::optional<int32_t> selection,
                           std::optional<int32_t> dfformula, std::optional<int32_t> grid_size,
                           std::optional<int32_t> max_iter, std::optional<bool> robust,
                           int32_t model_type, std::optional<double> tolerance,
                           std::optional<double> threshold, std::optional<double> final_threshold,
                           std::optional<double> a, std::optional<double> min_lambda,
                           std::optional<double> max_lambda, bool omit_intercept,
                           std::optional<bool> full_likelihood, std::optional<bool> center_y,
                           scad_session& session, error_trail& trail,
                           std::optional<int32_t> start = std::nullopt);

}  // namespace quill::engine
