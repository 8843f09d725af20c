// The output data sets: OUTBETAS (coefficients), OUTERRS (standard errors), OUTINFO (the
// selected fit) and OUTPRED (the input's variables, or its ID variables, and the predicted mean
// per input observation), then OUTPATH
// (outpath.cpp). Every variable is numeric and bound to the address of its value, which the
// host reads at each write.
#include "output/outputs.h"

#include <cmath>
#include <cstring>

#include "data/design_columns.h"
#include "host_link.h"
#include "output/output_writer.h"
#include "output/penalty_text.h"

namespace quill::proc {
namespace {

// Up to this linear predictor the logistic mean is e^eta / (e^eta + 1), as it always was; above
// it 1 / (1 + e^-eta), which does not overflow.
constexpr double kLogisticForm = 20.0;

// PENALTY (its name) and A (its shape; missing for the lasso), so that fits under several
// penalties can be set together.
void define_penalty(const proc_options &options, proc_outputs &outputs) {
    const char *name = penalty_name(options.penalty);
    std::snprintf(outputs.info_penalty, sizeof outputs.info_penalty, "%-5s", name);
    const qh_var_def def{QH_VAR_CHARACTER, 5, "PENALTY", 7, "$", 5};
    check_host(host().define_variable(outputs.records[out_info], &def, 0, outputs.info_penalty, def.length) == 0,
               "define variable PENALTY of the output data set OUTINFO");
    outputs.info_a = options.penalty == penalty_lasso ? host().missing_value('.') : options.scad_a;
    define({outputs.records[out_info], out_info, 12}, &outputs.info_a, "A");
}

void define_info(const proc_options &options, const proc_design &design, const proc_fit &fit,
                 proc_outputs &outputs) {
    const output_set out{outputs.records[out_info], out_info, 12};
    define(out, &fit.selected_lambda, "LAMBDA");
    define(out, &outputs.effective_df, "EFFECTIVE_DF");
    define(out, &outputs.simple_df, "SIMPLE_DF");
    define(out, &outputs.iterations, "NUM_ITER");
    define(out, &fit.criterion_value,
           options.selection == selection_bic    ? "BIC"
           : options.selection == selection_gcv  ? "GCV"
           : options.selection == selection_ebic ? "EBIC"
                                                 : "CV_ERROR");
    define(out, &fit.min_lambda, "MIN_LAMBDA");
    define(out, &fit.max_lambda, "MAX_LAMBDA");
    define(out, &outputs.grid_status, "GRID_STATUS");
    define(out, &outputs.convergence_status, "CONVERGENCE_STATUS");
    define(out, &fit.tied_low, "LAMBDA_TIED_LOW");
    define(out, &fit.tied_high, "LAMBDA_TIED_HIGH");
    define_penalty(options, outputs);
    if (options.weighted) define(out, &design.weight_sum, "SUM_WEIGHTS");
    if (options.selection == selection_cv) {
        outputs.info_cv_folds = fit.cv_folds;
        define(out, &fit.cv_se, "CV_SE");
        define(out, &outputs.info_cv_folds, "CV_FOLDS");
    }
}

// OUTINFO's values that are not the fit's own numbers, set before each fit is written.
void take_info(const proc_options &options, const proc_fit &fit, proc_outputs &outputs) {
    const bool has_effective_df = options.df == df_projection && !std::isnan(fit.effective_df);
    outputs.effective_df = has_effective_df ? fit.effective_df : host().missing_value('.');
    outputs.simple_df = fit.simple_df;
    outputs.iterations = fit.iterations;
    outputs.grid_status = fit.at_max_lambda ? (fit.at_min_lambda ? 1 : 2) : (fit.at_min_lambda ? 3 : 4);
    outputs.convergence_status = fit.converged ? 1 : 2;
}

// The linear predictor of a used observation, from its design row.
double design_eta(const proc_options &options, const proc_data &data, const proc_design &design,
                  const proc_fit &fit, int32_t row) {
    const std::size_t n = static_cast<std::size_t>(design.rows);
    const double *x = design.x + row;
    double eta = 0.0;
    for_each_design_column(options, data, [&](const design_column &c) {
        const double value = x[static_cast<std::size_t>(c.index) * n];
        if (!c.indicator()) eta += fit.betas[c.index] * value;
        else if (value == 1.0) eta += fit.betas[c.index];
    });
    return eta;
}

// The linear predictor of an observation missing only the response, from its held predictors;
// NaN when a CLASS level of it is not in the fit.
double held_eta(const proc_options &options, const proc_data &data, const proc_design &design,
                const proc_fit &fit, int32_t row) {
    const double *values = design.held_rows + static_cast<std::size_t>(row) * static_cast<std::size_t>(options.p);
    for (int32_t i = 0; i < options.p; ++i)
        if (options.predictors[i].is_class && values[i] < 0.0) return std::nan(""); // a level no used observation has
    double eta = 0.0;
    for_each_design_column(options, data, [&](const design_column &c) {
        const double value = values[c.predictor];
        if (!c.indicator()) eta += fit.betas[c.index] * value;
        else if (value == c.level) eta += fit.betas[c.index];
    });
    return eta;
}

// The prediction for input observation o, or the missing value.
double predicted_value(const proc_options &options, const proc_data &data, const proc_design &design,
                       const proc_fit &fit, int32_t o) {
    const double missing = host().missing_value('.');
    const int32_t row = design.row_of[o];
    if (row < 0) return missing;
    double eta = data.excluded[o] ? held_eta(options, data, design, fit, row)
                                  : design_eta(options, data, design, fit, row);
    if (std::isnan(eta)) return missing;
    eta += fit.intercept;
    if (options.has_offset) eta += data.columns[options.offset_index()][o];
    switch (options.model) {
    case model_logistic:
        return eta <= kLogisticForm ? std::exp(eta) / (std::exp(eta) + 1.0) : 1.0 / (1.0 + std::exp(-eta));
    case model_poisson: {
        // Counts near 1e9 have eta near 21: only a mean beyond the largest double is missing.
        const double mu = std::exp(eta);
        return std::isfinite(mu) ? mu : missing;
    }
    default: return eta;
    }
}

void write_single(const proc_options &options, proc_outputs &outputs, output_kind kind, bool complete) {
    if (outputs.records[kind] == nullptr) return;
    write_observation(options, outputs, kind);
    if (complete) release(outputs, kind);
}

void write_predictions(const proc_options &options, const proc_data &data, const proc_design &design,
                       const proc_fit &fit, proc_outputs &outputs, bool complete) {
    if (outputs.records[out_pred] == nullptr) return;
    for (int32_t o = 0; o < data.nobs; ++o) {
        set_carried_values(options, data, outputs, o);
        outputs.predicted = predicted_value(options, data, design, fit, o);
        write_observation(options, outputs, out_pred);
    }
    if (complete) release(outputs, out_pred);
}

// The fit's coefficients and standard errors into their output columns; a column the fit's
// design lacks is missing.
void take_coefficients(const proc_design &design, const proc_fit &fit, proc_outputs &outputs) {
    const double missing = host().missing_value('.');
    for (int32_t k = 0; k < outputs.columns; ++k) outputs.betas[k] = outputs.std_errs[k] = missing;
    for (int32_t k = 0; k < design.columns; ++k) {
        const int32_t column = outputs.column_of[k];
        if (column < 0) continue;
        outputs.betas[column] = fit.betas[k];
        outputs.std_errs[column] = fit.std_errs[k];
    }
}

} // namespace

void define_outputs(const proc_options &options, const proc_data &data, const proc_design &design,
                    const proc_fit &fit, proc_outputs &outputs) {
    const int32_t columns = design_column_count(options, data);
    outputs.columns = columns;
    outputs.betas = allocate_array<double>(columns);
    outputs.std_errs = allocate_array<double>(columns);
    if (open(options, outputs, out_betas, 1 + columns)) {
        const output_set out{outputs.records[out_betas], out_betas, 8};
        define(out, &fit.intercept, "INTERCEPT");
        define_columns(out, options, data, "BETA_%12.12s", "BETA_%12.12s_%14.14s", outputs.betas);
        end_definitions(outputs, out_betas);
    }
    if (open(options, outputs, out_errs, 1 + columns)) {
        const output_set out{outputs.records[out_errs], out_errs, 12};
        define(out, &fit.intercept_se, "STDERR_INT");
        define_columns(out, options, data, "STDERR_%12.12s", "STDERR_%12.12s_%12.12s", outputs.std_errs);
        end_definitions(outputs, out_errs);
    }
    if (open(options, outputs, out_info,
             13 + (options.weighted ? 1 : 0) + (options.selection == selection_cv ? 2 : 0))) {
        define_info(options, design, fit, outputs);
        end_definitions(outputs, out_info);
    }
    if (open(options, outputs, out_pred, options.carried_count + 1)) {
        define_carried_variables(options, outputs);
        define({outputs.records[out_pred], out_pred, 12}, &outputs.predicted, "PREDICTED");
        end_definitions(outputs, out_pred);
    }
    define_path(options, data, outputs);
}

void map_output_columns(const proc_options &options, const proc_data &columns_data, const proc_data &data,
                        proc_outputs &outputs) {
    outputs.column_of = allocate_array<int32_t>(design_column_count(options, data));
    for_each_design_column(options, data, [&](const design_column &c) {
        int32_t found = -1;
        for_each_design_column(options, columns_data, [&](const design_column &w) {
            if (found >= 0 || w.predictor != c.predictor) return;
            if (!c.indicator() || std::memcmp(data.classes[c.predictor].texts[c.level].text,
                                              columns_data.classes[w.predictor].texts[w.level].text, kNameWidth) == 0)
                found = w.index;
        });
        outputs.column_of[c.index] = found;
    });
}

void write_outputs(const proc_options &options, const proc_data &data, const proc_design &design,
                   const proc_fit &fit, proc_outputs &outputs, bool complete) {
    take_coefficients(design, fit, outputs);
    take_info(options, fit, outputs);
    write_single(options, outputs, out_betas, complete);
    write_single(options, outputs, out_errs, complete);
    write_single(options, outputs, out_info, complete);
    write_predictions(options, data, design, fit, outputs, complete);
    write_path(options, design, fit, outputs, complete);
}

void release_outputs(const proc_outputs &outputs) {
    for (int kind = 0; kind < output_count; ++kind)
        if (outputs.records[kind] != nullptr) release(outputs, static_cast<output_kind>(kind));
}

} // namespace quill::proc
