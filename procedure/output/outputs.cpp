// The output data sets: OUTBETAS (coefficients), OUTERRS (standard errors), OUTINFO (the
// selected fit) and OUTPRED (a predicted value per input observation). Every variable is
// numeric and bound to the address of its value, which the host reads at each write.
#include <cmath>

#include "host_link.h"
#include "output/output_writer.h"
#include "proc_run.h"

namespace quill::proc {
namespace {

// A linear predictor above this overflows the logistic and Poisson means in practice.
constexpr double kLargestEta = 20.0;

void define_info(proc_run &run) {
    const output_set out{run, out_info, 12};
    run.effective_df_value = run.dfformula == df_projection ? run.effective_df : host().missing_value('.');
    run.simple_df_value = run.simple_df;
    run.iterations_value = run.iterations;
    run.grid_status = run.at_max_lambda ? (run.at_min_lambda ? 1 : 2) : (run.at_min_lambda ? 3 : 4);
    run.convergence_status = run.converged ? 1 : 2;
    define(out, &run.selected_lambda, "LAMBDA");
    define(out, &run.effective_df_value, "EFFECTIVE_DF");
    define(out, &run.simple_df_value, "SIMPLE_DF");
    define(out, &run.iterations_value, "NUM_ITER");
    define(out, &run.criterion_value, run.selection == selection_bic ? "BIC" : "GCV");
    define(out, &run.min_lambda, "MIN_LAMBDA");
    define(out, &run.max_lambda, "MAX_LAMBDA");
    define(out, &run.grid_status, "GRID_STATUS");
    define(out, &run.convergence_status, "CONVERGENCE_STATUS");
}

// The linear predictor of a used observation, from its design row.
double design_eta(const proc_run &run, int32_t row) {
    const std::size_t n = static_cast<std::size_t>(run.n);
    const double *x = run.design + row;
    double eta = 0.0;
    int32_t k = 0;
    for (int32_t i = 0; i < run.p; ++i) {
        if (!run.is_class[i]) {
            eta += run.betas[k] * x[static_cast<std::size_t>(k) * n];
            ++k;
            continue;
        }
        for (int32_t c = 0; c < run.design_cols[i]; ++c, ++k)
            if (x[static_cast<std::size_t>(k) * n] == 1.0) eta += run.betas[k];
    }
    return eta;
}

// The linear predictor of an observation missing only the response, from its held predictors;
// NaN when a CLASS level of it is not in the fit.
double held_eta(const proc_run &run, int32_t row) {
    const double *values = run.held_rows + static_cast<std::size_t>(row) * static_cast<std::size_t>(run.p);
    double eta = 0.0;
    int32_t k = 0;
    for (int32_t i = 0; i < run.p; ++i) {
        const double value = values[i];
        if (!run.is_class[i]) {
            eta += run.betas[k++] * value;
            continue;
        }
        if (value < 0.0) return std::nan(""); // a level no used observation has
        for (int32_t level = 0; level < run.class_levels[i]; ++level) {
            if (level == run.reference_level[i]) continue;
            if (value == level) eta += run.betas[k];
            ++k;
        }
    }
    return eta;
}

// The prediction for input observation o, or the missing value.
double predicted_value(const proc_run &run, int32_t o) {
    const double missing = host().missing_value('.');
    if (run.row_of[o] < 0) return missing;
    double eta = run.excluded[o] ? held_eta(run, run.row_of[o]) : design_eta(run, run.row_of[o]);
    if (std::isnan(eta)) return missing;
    eta += run.intercept;
    switch (run.model_type) {
    case model_logistic: return eta <= kLargestEta ? std::exp(eta) / (std::exp(eta) + 1.0) : 1.0;
    case model_poisson: return eta <= kLargestEta ? std::exp(eta) : missing;
    default: return eta;
    }
}

void write_single(proc_run &run, output_kind kind) {
    if (run.out_rec[kind] == nullptr) return;
    write_observation(run, kind);
    release(run, kind);
}

} // namespace

void define_outputs(proc_run &run) {
    if (open(run, out_betas, 1 + run.total_cols)) {
        const output_set out{run, out_betas, 8};
        define(out, &run.intercept, "INTERCEPT");
        define_columns(out, "BETA_%12.12s", "BETA_%12.12s_%14.14s", run.betas);
        end_definitions(run, out_betas);
    }
    if (open(run, out_errs, 1 + run.total_cols)) {
        const output_set out{run, out_errs, 12};
        define(out, &run.intercept_se, "STDERR_INT");
        define_columns(out, "STDERR_%12.12s", "STDERR_%12.12s_%12.12s", run.std_errs);
        end_definitions(run, out_errs);
    }
    if (open(run, out_info, 9)) {
        define_info(run);
        end_definitions(run, out_info);
    }
    if (open(run, out_pred, run.id_count + 1)) {
        define_id_variables(run);
        define({run, out_pred, 12}, &run.predicted, "PREDICTED");
        end_definitions(run, out_pred);
    }
}

void write_outputs(proc_run &run) {
    write_single(run, out_betas);
    write_single(run, out_errs);
    write_single(run, out_info);
    if (run.out_rec[out_pred] == nullptr) return;
    for (int32_t o = 0; o < run.nobs; ++o) {
        set_id_values(run, o);
        run.predicted = predicted_value(run, o);
        write_observation(run, out_pred);
    }
    release(run, out_pred);
}

} // namespace quill::proc
