// The engine's inputs, built in run memory: the column-major design matrix over the used
// observations (one column per numeric predictor, one indicator per non-reference CLASS level),
// the response, the case weights (the WEIGHT values, or 1) and the force-in bytes. Predictions are made from the design
// and from the few observations that miss only the response, whose predictors are kept here,
// so that the read columns can be given back and the fit runs beside two copies of the data
// (the design and the engine's standardized one).
#include "data/design_matrix.h"

#include <algorithm>

#include "data/design_columns.h"
#include "host_link.h"

namespace quill::proc {
namespace {

void fill_design(const proc_options &options, const proc_data &data, proc_design &design) {
    const std::size_t n = static_cast<std::size_t>(design.rows);
    for_each_design_column(options, data, [&](const design_column &c) {
        const double *values = data.columns[c.predictor];
        double *column = design.x + static_cast<std::size_t>(c.index) * n;
        std::size_t row = 0;
        if (c.indicator()) {
            for (int32_t o = 0; o < data.nobs; ++o)
                if (!data.excluded[o]) column[row++] = values[o] == c.level ? 1.0 : 0.0;
            design.forcein[c.index] = 0;
        } else {
            for (int32_t o = 0; o < data.nobs; ++o)
                if (!data.excluded[o]) column[row++] = values[o];
            design.forcein[c.index] = options.predictors[c.predictor].forced_in ? 1 : 0;
        }
    });
}

// Maps each observation to its design row, or for one missing only the response to its row of
// held_rows (a copy of its predictors).
void keep_prediction_rows(const proc_options &options, const proc_data &data, proc_design &design) {
    design.row_of = allocate_array<int32_t>(data.nobs);
    int32_t used = 0, held = 0;
    for (int32_t o = 0; o < data.nobs; ++o) {
        if (!data.excluded[o]) design.row_of[o] = used++;
        else if (data.response_only_missing[o]) design.row_of[o] = held++;
        else design.row_of[o] = -1;
    }
    const std::size_t p = static_cast<std::size_t>(options.p);
    design.held_rows = allocate_array<double>(static_cast<std::size_t>(held) * p);
    for (int32_t o = 0; o < data.nobs; ++o)
        if (data.excluded[o] && data.response_only_missing[o])
            for (std::size_t i = 0; i < p; ++i)
                design.held_rows[static_cast<std::size_t>(design.row_of[o]) * p + i] = data.columns[i][o];
}

// FOLD: the distinct ids of the used observations, in increasing order, become folds 1 to k.
void number_folds(const proc_options &options, const proc_data &data, proc_design &design) {
    const double *ids = data.columns[options.fold_index()];
    const std::size_t n = static_cast<std::size_t>(design.rows);
    double *sorted = allocate_unfilled<double>(n);
    std::size_t row = 0;
    for (int32_t o = 0; o < data.nobs; ++o)
        if (!data.excluded[o]) sorted[row++] = ids[o];
    std::sort(sorted, sorted + n);
    const std::size_t k = static_cast<std::size_t>(std::unique(sorted, sorted + n) - sorted);
    if (k < 2)
        fail("%1zThe FOLD variable %s takes one value among the %d observations used; "
             "cross-validation needs at least 2 folds (line %d).",
             trimmed(options.fold.name.text).text, design.rows, options.fold_line);
    design.folds = allocate_unfilled<int32_t>(n);
    design.fold_count = static_cast<int32_t>(k);
    row = 0;
    for (int32_t o = 0; o < data.nobs; ++o)
        if (!data.excluded[o])
            design.folds[row++] = static_cast<int32_t>(std::lower_bound(sorted, sorted + k, ids[o]) - sorted) + 1;
    release_array(sorted);
}

} // namespace

void build_design(const proc_options &options, const proc_data &data, proc_design &design) {
    design.rows = data.n;
    design.columns = design_column_count(options, data);
    check_design_size(options, design.rows, design.columns);
    const std::size_t n = static_cast<std::size_t>(design.rows);
    const std::size_t cols = static_cast<std::size_t>(design.columns);
    if (cols != 0 && n > SIZE_MAX / sizeof(double) / cols)
        fail("%1zThe data are too large to be held in memory.");

    // Every row of each of these is written below.
    design.x = allocate_unfilled<double>(n * cols);
    design.response = allocate_unfilled<double>(n);
    design.case_weights = allocate_unfilled<double>(n);
    design.forcein = allocate_array<uint8_t>(cols);
    fill_design(options, data, design);

    const double *y = data.columns[options.p];
    const double *w = options.weighted ? data.columns[options.weight_index()] : nullptr;
    const double *offset = options.has_offset ? data.columns[options.offset_index()] : nullptr;
    if (offset != nullptr) design.offset = allocate_array<double>(n);
    std::size_t row = 0;
    design.weight_sum = 0.0;
    for (int32_t o = 0; o < data.nobs; ++o)
        if (!data.excluded[o]) {
            design.response[row] = y[o];
            design.case_weights[row] = w != nullptr ? w[o] : 1.0;
            design.weight_sum += design.case_weights[row];
            if (offset != nullptr) design.offset[row] = offset[o];
            ++row;
        }
    if (options.has_fold) number_folds(options, data, design);
    keep_prediction_rows(options, data, design);
}

} // namespace quill::proc
