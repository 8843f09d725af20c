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

int32_t grid_rows(const proc_run &run) { return run.grid_size > 0 && run.grid_size <= 1000 ? run.grid_size : 0; }

// The engine marks what does not exist with NaN; the data set holds the host's missing value.
double or_missing(double value) { return std::isnan(value) ? host().missing_value('.') : value; }

// Grid value g (0-based) into the bound row.
void fill_row(proc_run &run, int32_t g) {
    const quill_grid_table &t = run.grid;
    const double missing = host().missing_value('.');
    const bool fitted = t.fitted[g] != 0;
    const bool selected = g + 1 == run.best_index;
    double *row = run.path_row;
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
    row[ps_intercept] = selected ? run.intercept : fitted ? t.intercept[g] : missing;
    double *betas = row + path_stat_count;
    const std::size_t rows = static_cast<std::size_t>(run.grid_size);
    for (int32_t k = 0; k < run.total_cols; ++k)
        betas[k] = selected ? run.betas[k] : run.coef_path[g + static_cast<std::size_t>(k) * rows];
}

} // namespace

void allocate_path(proc_run &run) {
    const bool wanted = run.out_ds[out_path] != nullptr || run.plot_path || run.plot_criterion;
    const std::size_t rows = static_cast<std::size_t>(grid_rows(run));
    if (!wanted || rows == 0) return;
    quill_grid_table &t = run.grid;
    t.lambda = allocate_array<double>(rows);
    t.intercept = allocate_array<double>(rows);
    t.bic = allocate_array<double>(rows);
    t.aic = allocate_array<double>(rows);
    t.gcv = allocate_array<double>(rows);
    t.effective_df = allocate_array<double>(rows);
    t.simple_df = allocate_array<int32_t>(rows);
    t.num_iter = allocate_array<int32_t>(rows);
    t.converged = allocate_array<uint8_t>(rows);
    t.fitted = allocate_array<uint8_t>(rows);
}

void define_path(proc_run &run) {
    if (!open(run, out_path, path_stat_count + run.total_cols)) return;
    run.path_row = allocate_array<double>(path_stat_count + static_cast<std::size_t>(run.total_cols));
    const output_set out{run, out_path, 12};
    for (int s = 0; s < path_stat_count; ++s) define(out, &run.path_row[s], "%s", kPathStatNames[s]);
    define_columns(out, "BETA_%12.12s", "BETA_%12.12s_%14.14s", run.path_row + path_stat_count);
    end_definitions(run, out_path);
}

void write_path(proc_run &run) {
    if (run.out_rec[out_path] == nullptr) return;
    for (int32_t g = 0; g < grid_rows(run); ++g) {
        fill_row(run, g);
        write_observation(run, out_path);
    }
    release(run, out_path);
}

} // namespace quill::proc
