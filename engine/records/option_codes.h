// The codes runscad's options and model type take, as the settings hold them; the engine tests
// them by these names only.
#pragma once

#include <cstdint>

#include "quill/runscad.h"

namespace quill::engine {

inline constexpr int32_t model_normal = QUILL_MODEL_NORMAL, model_logistic = QUILL_MODEL_LOGISTIC,
                         model_poisson = QUILL_MODEL_POISSON;
inline constexpr int32_t algorithm_lqa = 0, algorithm_icm = 1;
inline constexpr int32_t selection_bic = 0, selection_gcv = 1, selection_ebic = 2;
inline constexpr int32_t df_count = 0, df_projection = 1;
// The largest problem the projection formula for df takes.
inline constexpr int32_t max_projection_columns = QUILL_MAX_PROJECTION_COLUMNS,
                         max_projection_rows = QUILL_MAX_PROJECTION_ROWS;
inline constexpr int32_t start_unpenalized = 0, start_previous = 1;
inline constexpr int32_t penalty_scad = QUILL_PENALTY_SCAD, penalty_mcp = QUILL_PENALTY_MCP,
                         penalty_lasso = QUILL_PENALTY_LASSO;
inline constexpr int32_t intercept_fitted = 0, intercept_centre_y = 1, intercept_omitted = 2;
// The settings' max_lambda that asks for the grid to reach where every penalized coefficient is 0.
inline constexpr double max_lambda_full = QUILL_MAX_LAMBDA_FULL;

}  // namespace quill::engine
