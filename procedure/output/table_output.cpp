// The printed tables handed to the host as data (the routine table's output_table), so that a
// program's ODS OUTPUT statement can keep them as data sets: ParameterEstimates (the estimates
// table) and FitSummary (the data, model and fit summary above it). A host without the
// operation gets none; NOPRINT prints no table and so hands none over.
#include <array>
#include <string>
#include <vector>

#include "host_link.h"
#include "output/estimates_table.h"
#include "output/report.h"
#include "shown_number.h"

namespace quill::proc {
namespace {

// The columns of one table (at most kColumns); the values stay here, in place, until the host
// has copied them.
class table_builder {
public:
    void number(const char *name, const char *label, std::vector<double> values) {
        rows_ = static_cast<int32_t>(values.size());
        std::vector<double> &kept = numbers_[count_] = std::move(values);
        columns_[count_++] = {name, label, QH_VAR_NUMERIC, kept.data(), nullptr};
    }
    void text(const char *name, const char *label, std::vector<std::string> values) {
        rows_ = static_cast<int32_t>(values.size());
        const std::vector<std::string> &kept = texts_[count_] = std::move(values);
        std::vector<const char *> &pointers = pointers_[count_];
        for (const std::string &v : kept) pointers.push_back(v.c_str());
        columns_[count_++] = {name, label, QH_VAR_CHARACTER, nullptr, pointers.data()};
    }
    void hand_over(const char *table, const qh_by_group *group) {
        const int32_t rc = host().output_table(table, group, static_cast<int32_t>(count_), columns_.data(), rows_);
        check_host(rc == 0, "keep the table %s", table);
    }

private:
    static constexpr std::size_t kColumns = 8;
    std::array<qh_table_column, kColumns> columns_{};
    std::array<std::vector<double>, kColumns> numbers_;
    std::array<std::vector<std::string>, kColumns> texts_;
    std::array<std::vector<const char *>, kColumns> pointers_;
    std::size_t count_ = 0;
    int32_t rows_ = 0;
};

void parameter_estimates(const proc_options &options, const proc_data &data, const proc_fit &fit,
                         const qh_by_group *group) {
    std::vector<std::string> removed;
    const std::vector<estimate_row> rows = estimate_rows(options, data, fit, removed);
    std::vector<std::string> names, levels;
    std::vector<double> frequencies, weights, betas, errors;
    for (const estimate_row &r : rows) {
        names.push_back(r.predictor);
        levels.push_back(r.level);
        frequencies.push_back(r.frequency_value);
        weights.push_back(r.weight_value);
        betas.push_back(r.beta_value);
        errors.push_back(r.std_err_value);
    }
    table_builder table;
    table.text("Variable", "Variable", std::move(names));
    if (options.class_count > 0) {
        table.text("Level", "Level", std::move(levels));
        table.number("Frequency", options.weighted ? "Rows" : "Frequency", std::move(frequencies));
        if (options.weighted) table.number("SumWeights", "Sum of weights", std::move(weights));
    }
    table.number("Estimate", "Beta", std::move(betas));
    table.number("StdErr", "Std. Errs.", std::move(errors));
    table.hand_over("ParameterEstimates", group);
}

// Label1 / cValue1 / nValue1: each line of the summary, its value as text and as a number.
class summary_rows {
public:
    void add(const char *label, double value, const char *shown = nullptr) {
        labels_.push_back(label);
        texts_.push_back(shown ? shown : shown_number(value).text);
        values_.push_back(value);
    }
    void hand_over(const qh_by_group *group) {
        table_builder table;
        table.text("Label1", "Label", std::move(labels_));
        table.text("cValue1", "Value as shown", std::move(texts_));
        table.number("nValue1", "Value", std::move(values_));
        table.hand_over("FitSummary", group);
    }

private:
    std::vector<std::string> labels_, texts_;
    std::vector<double> values_;
};

void fit_summary(const proc_options &options, const proc_data &data, const proc_design &design, const proc_fit &fit,
                 const qh_by_group *group) {
    summary_rows rows;
    rows.add("Observations read", data.nobs);
    rows.add("Observations used", data.n);
    if (options.weighted) rows.add("Sum of weights", design.weight_sum);
    rows.add("Predictors", options.p);
    rows.add("Minimum candidate lambda", fit.min_lambda, lambda_text(fit.min_lambda).text);
    rows.add("Maximum candidate lambda", fit.max_lambda, lambda_text(fit.max_lambda).text);
    rows.add("Selected lambda", fit.selected_lambda, lambda_text(fit.selected_lambda).text);
    static const char *const kCriterion[] = {"BIC", "GCV", "EBIC", "CV error"};
    rows.add(kCriterion[options.selection], fit.criterion_value);
    if (options.selection == selection_cv) rows.add("CV standard error", fit.cv_se);
    rows.add("Simple df", fit.simple_df);
    if (options.df == df_projection) rows.add("Effective df", fit.effective_df);
    rows.add("Iterations", fit.iterations);
    rows.add("Converged", fit.converged ? 1 : 0, fit.converged ? "Yes" : "No");
    rows.hand_over(group);
}

} // namespace

void hand_over_tables(const proc_options &options, const proc_data &data, const proc_design &design,
                      const proc_fit &fit, const qh_by_group *group) {
    if (options.noprint || host().output_table == nullptr) return;
    fit_summary(options, data, design, fit, group);
    parameter_estimates(options, data, fit, group);
}

} // namespace quill::proc
