// OUTPATH: the whole lambda path as a data set, one observation per grid value in grid order,
// with the fit statistics the engine computed there and the coefficients on the scale of the
// data, named as in OUTBETAS. A grid value the engine did not fit (it stops once every
// coefficient is zero) has zero coefficients and missing statistics.
#include <cmath>
#include <iterator>

#include "output/output_writer.h"
#include "proc_run.h"

namespace quill::proc {
namespace {

// ORDER path_stat: the statistics ahead of the coefficients in each OUTPATH observation.
enum path_stat : int {
    ps_lambda, ps_bic, ps_aic, ps_gcv, ps_simple_df, ps_effective_df, ps_num_iter, ps_converged,
    ps_selected, ps_intercept, path_stat_count
};
constexpr const char *kPathStatNames[] = {"LAMBDA",    "BIC",          "AIC",      "GCV",
                                          "SIMPLE_DF", "EFFECTIVE_DF", "NUM_ITER", "CONVERGED",
                                          "SELECTED",  "INTERCEPT"};
static_assert(std::size(kPathStatNames) == path_stat_count, "one name per OUTPATH statistic");

// The engine marks what does not exist with NaN; the data set holds the host's missing value.
double or_missing(double value) { return std::isnan(value) ? host().missing_value('.') : value; }

// Grid value g (0-based) into the bound row.
void fill_row(const proc_options &options, const proc_design &design, const proc_fit &fit,
              proc_outputs &outputs, int32_t g) {
    const fit_path &t = fit.path;
    const double missing = host().missing_value('.');
    const bool fitted = t.fitted[g] != 0;
    const bool selected = g + 1 == fit.best_index;
    double *row = outputs.path_row;
    row[ps_lambda] = t.lambda[g];
    row[ps_bic] = fitted ? or_missing(t.bic[g]) : missing;
    row[ps_aic] = fitted ? or_missing(t.aic[g]) : missing;
    row[ps_gcv] = fitted ? or_missing(t.gcv[g]) : missing;
    row[ps_simple_df] = fitted ? t.simple_df[g] : missing;
    row[ps_effective_df] = fitted ? or_missing(t.effective_df[g]) : missing;
    row[ps_num_iter] = fitted ? t.num_iter[g] : missing;
    row[ps_converged] = fitted ? (t.converged[g] != 0 ? 1.0 : 0.0) : missing;
    row[ps_selected] = selected ? 1.0 : 0.0;
    // The selected row repeats OUTBETAS, which holds the engine's reported coefficients (zeroed
    // where tiny); the other rows are the path as fitted.
    row[ps_intercept] = selected ? fit.intercept : fitted ? t.intercept[g] : missing;
    outputs.path_ebic = fitted && t.ebic != nullptr ? or_missing(t.ebic[g]) : missing;
    outputs.path_refit = fitted && t.refit != nullptr ? or_missing(t.refit[g]) : missing;
    // Every grid value has a CV error: the folds' paths reach past the full path's early stop.
    outputs.path_cv_error = t.cv_error != nullptr ? or_missing(t.cv_error[g]) : missing;
    outputs.path_cv_se = t.cv_se != nullptr ? or_missing(t.cv_se[g]) : missing;
    double *betas = row + path_stat_count;
    for (int32_t k = 0; k < outputs.columns; ++k) betas[k] = missing; // a column this fit lacks
    const std::size_t rows = static_cast<std::size_t>(options.grid_size);
    for (int32_t k = 0; k < design.columns; ++k)
        if (outputs.column_of[k] >= 0)
            betas[outputs.column_of[k]] = selected ? fit.betas[k] : fit.coef_path[g + static_cast<std::size_t>(k) * rows];
}

} // namespace

void define_path(const proc_options &options, const proc_data &data, proc_outputs &outputs) {
    const bool ebic = options.selection == selection_ebic;
    const bool cv = options.selection == selection_cv;
    const bool refit = options.refit;
    if (!open(options, outputs, out_path,
              path_stat_count + (ebic ? 1 : 0) + (cv ? 2 : 0) + (refit ? 1 : 0) + outputs.columns))
        return;
    outputs.path_row = allocate_array<double>(path_stat_count + static_cast<std::size_t>(outputs.columns));
    const output_set out{outputs.records[out_path], out_path, 12};
    for (int s = 0; s < path_stat_count; ++s) define(out, &outputs.path_row[s], "%s", kPathStatNames[s]);
    if (ebic) define(out, &outputs.path_ebic, "EBIC");
    if (refit) define(out, &outputs.path_refit, "REFIT_%s", options.selection == selection_gcv ? "GCV" : ebic ? "EBIC" : "BIC");
    if (cv) {
        define(out, &outputs.path_cv_error, "CV_ERROR");
        define(out, &outputs.path_cv_se, "CV_SE");
    }
    define_columns(out, options, data, "BETA_%12.12s", "BETA_%12.12s_%14.14s", outputs.path_row + path_stat_count);
    end_definitions(outputs, out_path);
}

void write_path(const proc_options &options, const proc_design &design, const proc_fit &fit,
                proc_outputs &outputs, bool complete) {
    if (outputs.records[out_path] == nullptr) return;
    for (int32_t g = 0; g < fit.path.rows; ++g) {
        fill_row(options, design, fit, outputs, g);
        write_observation(options, outputs, out_path);
    }
    if (complete) release(outputs, out_path);
}

} // namespace quill::proc
