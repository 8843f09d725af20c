// The per-grid table of runscad_path, filled from the read-outs of one call.
#pragma once

#include "quill/runscad.h"
#include "response_scale.h"
#include "support/engine_array.h"

namespace quill::engine {

// The read-outs, every array with one entry per grid value, on the scaled response but for the
// grid, which is in the units of the response.
struct grid_readout {
    const dbl1& lambda;
    const dbl1& bic;
    const dbl1& ebic;
    const dbl1& aic;
    const dbl1& gcv;
    const dbl1& df_proj;
    const int1& simple_df;
    const dbl1& intercept;
    const int1& num_iter;
    const int1& converged;  // 0 false, -1 true
    const int1& tied;       // 0 false, -1 true
    int fitted;             // the last grid value fitted
    int first_fitted = 1;   // the first one (above 1 when a descent path stopped early)
    const dbl1* refit = nullptr;  // the refits' criterion, with refit
    bool refit_gcv = false;       // which is GCV (else BIC or EBIC)
};

// Writes every member of the table that is not null, on the scale of the data. NaN stands for
// what does not exist: the criteria and df of a grid value that was not fitted, GCV unless
// has_gcv, the effective df unless has_effective_df.
void write_grid_table(const quill_grid_table& table, const grid_readout& r, bool has_gcv,
                      bool has_effective_df, const response_scale& scale);

}  // namespace quill::engine
