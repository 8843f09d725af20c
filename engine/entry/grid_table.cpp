#include "grid_table.h"

#include <limits>

namespace quill::engine {

namespace {

constexpr double missing = std::numeric_limits<double>::quiet_NaN();
constexpr uint8_t byte_true = 0xFF;
constexpr double not_refitted = 1e15;  // the grid search's mark of a criterion never formed

}  // namespace

void write_grid_table(const quill_grid_table& t, const grid_readout& r, bool has_gcv,
                      bool has_effective_df, const response_scale& scale) {
    const int grid = r.lambda.extent(0);
    for (int g = 1; g <= grid; ++g) {
        const int k = g - 1;
        const bool fitted = g >= r.first_fitted && g <= r.fitted;
        if (t.lambda) t.lambda[k] = r.lambda(g);
        if (t.intercept) t.intercept[k] = fitted ? scale.value(r.intercept(g)) : 0.0;
        if (t.bic) t.bic[k] = fitted ? scale.likelihood(r.bic(g)) : missing;
        if (t.aic) t.aic[k] = fitted ? scale.likelihood(r.aic(g)) : missing;
        if (t.gcv) t.gcv[k] = fitted && has_gcv ? scale.gcv(r.gcv(g)) : missing;
        if (t.effective_df) t.effective_df[k] = fitted && has_effective_df ? r.df_proj(g) : missing;
        if (t.simple_df) t.simple_df[k] = fitted ? r.simple_df(g) : 0;
        if (t.num_iter) t.num_iter[k] = fitted ? r.num_iter(g) : 0;
        if (t.converged) t.converged[k] = fitted && r.converged(g) != 0 ? byte_true : 0;
        if (t.fitted) t.fitted[k] = fitted ? byte_true : 0;
        if (t.tied) t.tied[k] = fitted && r.tied(g) != 0 ? byte_true : 0;
        if (t.ebic) t.ebic[k] = fitted ? scale.likelihood(r.ebic(g)) : missing;
        if (t.refit_criterion && r.refit) {
            const double v = (*r.refit)(g);
            t.refit_criterion[k] = !fitted || !(v < not_refitted) ? missing
                                   : r.refit_gcv                  ? scale.gcv(v)
                                                                  : scale.likelihood(v);
        }
    }
}

}  // namespace quill::engine
