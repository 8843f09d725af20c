// The engine's inputs, built in run memory: the column-major design matrix over the used
// observations (one column per numeric predictor, one indicator per non-reference CLASS level),
// the response, unit case weights, the force-in bytes, the option vector and the output arrays.
// Once the design holds the data, the columns read are given back: predictions are made from
// the design and from the few observations that miss only the response, so the fit runs beside
// two copies of the data (the design and the engine's standardized one).
#include "host_link.h"
#include "proc_run.h"

namespace quill::proc {
namespace {

void fill_design(proc_run &run) {
    const std::size_t n = static_cast<std::size_t>(run.n);
    double *column = run.design;
    int32_t k = 0;
    for (int32_t i = 0; i < run.p; ++i) {
        const double *values = run.columns[i];
        if (!run.is_class[i]) {
            std::size_t row = 0;
            for (int32_t o = 0; o < run.nobs; ++o)
                if (!run.excluded[o]) column[row++] = values[o];
            run.design_forcein[k++] = run.forcein[i];
            column += n;
            continue;
        }
        for (int32_t level = 0; level < run.class_levels[i]; ++level) {
            if (level == run.reference_level[i]) continue;
            std::size_t row = 0;
            for (int32_t o = 0; o < run.nobs; ++o)
                if (!run.excluded[o]) column[row++] = values[o] == level ? 1.0 : 0.0;
            run.design_forcein[k++] = 0;
            column += n;
        }
    }
}

// Maps each observation to its design row, or for one missing only the response to its row of
// held_rows (a copy of its predictors), then gives back the predictor and response columns.
void keep_prediction_rows(proc_run &run) {
    run.row_of = allocate_array<int32_t>(run.nobs);
    int32_t used = 0, held = 0;
    for (int32_t o = 0; o < run.nobs; ++o) {
        if (!run.excluded[o]) run.row_of[o] = used++;
        else if (run.response_only_missing[o]) run.row_of[o] = held++;
        else run.row_of[o] = -1;
    }
    const std::size_t p = static_cast<std::size_t>(run.p);
    run.held_rows = allocate_array<double>(static_cast<std::size_t>(held) * p);
    for (int32_t o = 0; o < run.nobs; ++o)
        if (run.excluded[o] && run.response_only_missing[o])
            for (std::size_t i = 0; i < p; ++i)
                run.held_rows[static_cast<std::size_t>(run.row_of[o]) * p + i] = run.columns[i][o];
    for (int32_t v = 0; v <= run.p; ++v) {
        release_array(run.columns[v]);
        release_array(run.obs_texts[v]);
        run.columns[v] = nullptr;
        run.obs_texts[v] = nullptr;
    }
}

} // namespace

void build_design(proc_run &run) {
    run.total_cols = 0;
    for (int32_t i = 0; i < run.p; ++i) run.total_cols += run.design_cols[i];
    check_design_size(run);
    const std::size_t n = static_cast<std::size_t>(run.n);
    const std::size_t cols = static_cast<std::size_t>(run.total_cols);
    if (cols != 0 && n > SIZE_MAX / sizeof(double) / cols)
        fail("%1zThe data are too large to be held in memory.");

    run.design = allocate_array<double>(n * cols);
    run.response = allocate_array<double>(n);
    run.case_weights = allocate_array<double>(n);
    run.design_forcein = allocate_array<uint8_t>(cols);
    fill_design(run);

    const double *y = run.columns[run.p];
    std::size_t row = 0;
    for (int32_t o = 0; o < run.nobs; ++o)
        if (!run.excluded[o]) {
            run.response[row] = y[o];
            run.case_weights[row] = 1.0;
            ++row;
        }
    keep_prediction_rows(run);

    const int32_t options[8] = {run.algorithm, run.selection, run.dfformula, run.grid_size,
                                run.max_iter,  run.robust ? 1 : 0,
                                (run.warmstart ? 1 : 0) | engine_controls(), 0};
    for (int k = 0; k < 8; ++k) run.option_vector[k] = options[k];

    run.betas = allocate_array<double>(cols);
    run.std_errs = allocate_array<double>(cols);
    // The path has grid_size rows; the statement checks keep the size within 1 to 1000.
    run.coef_path = allocate_array<double>(static_cast<std::size_t>(run.grid_size) * cols);
}

} // namespace quill::proc
