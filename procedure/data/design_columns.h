// The one walk from the MODEL predictors to the design columns. A numeric predictor gives one
// column; a CLASS predictor one indicator per level but its reference, in level order; the
// columns follow the predictors' MODEL order. The design, its coefficients and standard errors,
// the output variables, the estimates table and the plots' lines all follow this walk.
#ifndef QUILL_PROC_DATA_DESIGN_COLUMNS_H
#define QUILL_PROC_DATA_DESIGN_COLUMNS_H

#include <cstdint>

#include "proc_run.h"

namespace quill::proc {

struct design_column {
    int32_t index;     // its place in the design, and in the coefficients of the fit
    int32_t predictor; // the MODEL predictor it comes from
    int32_t level;     // the CLASS level it indicates, or -1 for a numeric predictor's column
    bool indicator() const { return level >= 0; }
};

// Calls visit(design_column) for every design column, in design order.
template <typename Visit>
void for_each_design_column(const proc_options &options, const proc_data &data, Visit &&visit) {
    int32_t index = 0;
    for (int32_t i = 0; i < options.p; ++i) {
        if (!options.predictors[i].is_class) {
            visit(design_column{index++, i, -1});
            continue;
        }
        const class_coding &coding = data.classes[i];
        for (int32_t level = 0; level < coding.count; ++level)
            if (level != coding.reference) visit(design_column{index++, i, level});
    }
}

inline int32_t design_column_count(const proc_options &options, const proc_data &data) {
    int32_t count = 0;
    for_each_design_column(options, data, [&](const design_column &) { ++count; });
    return count;
}

} // namespace quill::proc

#endif
