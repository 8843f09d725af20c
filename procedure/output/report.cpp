// print_summary: the listing report of a successful fit (data set, response and model summary,
// the lambda range warnings, the criterion and the table of non-zero estimates).
#include <cstring>

#include "host_link.h"
#include "output/estimates_table.h"
#include "output/report.h"
#include "output/penalty_text.h"
#include "proc_run.h"
#include "shown_number.h"

namespace quill::proc {
namespace {

template <typename... Args>
void line(const char *format, Args... args) {
    host().list_text(format, args...);
    host().list_end_line();
}
void empty_line() { host().list_end_line(); }

void title() {
    host().title(0, nullptr, 0);
    char buffer[256];
    std::memset(buffer, ' ', sizeof buffer);
    const int32_t length = host().format_into(
        buffer, 256, "%9tPROC QUILLFIT -- Data and Model Summary and Fit Statistics");
    host().title(1, buffer, length);
}

void forced_in(const proc_options &options) {
    if (options.forcein_count == 0) return;
    name33 first = options.forceins[0].name;
    host().name_text(first.text, kNameWidth, QH_TEXT_TRIM);
    first.text[kNameWidth] = '\0';
    if (options.forcein_count == 1) {
        line("Predictor forced in:          %s", first.text);
        return;
    }
    host().list_text("Predictors forced in:         %s", first.text);
    for (int32_t f = 1; f < options.forcein_count; ++f) {
        const char *name = options.forceins[f].name.text;
        host().list_text(" %.*s", static_cast<int>(std::strcspn(name, " ")), name);
    }
    empty_line();
}

void model_lines(const proc_options &options, const proc_data &data) {
    static const char *const kModelType[] = {
        "Model type:  Normal (linear model, numerical outcome, identity link)",
        "Model type:  Logistic (generalized linear model, binary outcome, logit link)",
        "Model type:  Poisson (generalized linear model, count outcome, log link)",
    };
    line("%s", kModelType[options.model]);
    if (data.character_response) line("Value modeled as Y=1:  %s", trimmed(data.event_text.text).text);
    line("Penalty:  %s", penalty_text(options).c_str());
}

// Why the small end is flagged: the grid starts where every penalized coefficient has already
// left, or the selected first value still shrinks a coefficient.
bool penalized_all_zero_at_first(const proc_design &design, const proc_fit &fit, int32_t grid_size) {
    const std::size_t rows = static_cast<std::size_t>(grid_size);
    for (int32_t k = 0; k < design.columns; ++k)
        if (design.forcein[k] == 0 && fit.coef_path[static_cast<std::size_t>(k) * rows] != 0.0) return false;
    return true;
}

void fit_lines(const proc_options &options, const proc_design &design, const proc_fit &fit) {
    if (options.details) {
        line("Minimum candidate lambda:     %15s", lambda_text(fit.min_lambda).text);
        line("Maximum candidate lambda:     %15s", lambda_text(fit.max_lambda).text);
    }
    grid_warning warnings[2];
    const int count = grid_end_warnings(design, fit, options.grid_size, warnings);
    for (int w = 0; w < count; ++w) line("Warning: %s %s", warnings[w].warning, warnings[w].reason);
    if (options.selection == selection_cv) {
        const char *rule = options.cv_one_se ? "1SE" : "MIN";
        if (options.has_fold)
            line("Selection:  cross-validation over the %d folds of %s, rule %s", fit.cv_folds,
                 trimmed(options.fold.name.text).text, rule);
        else
            line("Selection:  %d-fold cross-validation (SEED %.0f), rule %s", fit.cv_folds,
                 options.cv_seed, rule);
    }
    if (options.refit)
        line("Selection:  %s of the unpenalized refits of the path's nonzero sets (REFIT)",
             options.selection == selection_gcv ? "GCV" : options.selection == selection_ebic ? "EBIC" : "BIC");
    line("Selected lambda:              %15s", lambda_text(fit.selected_lambda).text);
    if (fit.tied_low < fit.tied_high)
        line("Criterion tied for lambda in [%s, %s]", lambda_text(fit.tied_low).text,
             lambda_text(fit.tied_high).text);
    if (options.details) {
        line("Simple df:                        %8d", fit.simple_df);
        // The engine's real value, as OUTINFO and OUTPATH hold it.
        if (options.df == df_projection) line("Effective df:                 %15.4f", fit.effective_df);
    }
    if (options.selection == selection_cv) {
        line("CV error:                     %15.4f", fit.criterion_value);
        line("CV standard error:            %15.4f", fit.cv_se);
    } else {
        line(options.selection == selection_bic    ? "BIC:                          %15.4f"
             : options.selection == selection_gcv ? "GCV:                          %15.4f"
                                                  : "EBIC:                         %15.4f",
             fit.criterion_value);
    }
    empty_line();
    if (fit.converged) line("Converged in %d iterations.", fit.iterations);
    else line("Warning: Failed to converge after %d iterations.", fit.iterations);
    empty_line();
}

} // namespace

int grid_end_warnings(const proc_design &design, const proc_fit &fit, int32_t grid_size,
                      grid_warning (&out)[2]) {
    int count = 0;
    if (fit.at_max_lambda)
        out[count++] = {"The maximum candidate lambda appears to be too low.",
                        "Larger values of lambda were not tried; MAXLAMBDA FULL extends the grid to "
                        "where every penalized coefficient is 0."};
    if (fit.at_min_lambda)
        out[count++] = {"The minimum candidate lambda appears to be too high.",
                        penalized_all_zero_at_first(design, fit, grid_size)
                            ? "Every penalized coefficient is already 0 at the smallest lambda tried; "
                              "a smaller MINLAMBDA lets predictors enter."
                            : "The fit at the smallest lambda tried still shrinks a selected "
                              "coefficient; a smaller MINLAMBDA may change the fit."};
    return count;
}

void print_summary(const proc_options &options, const proc_data &data, const proc_design &design,
                   const proc_fit &fit, const char *by_heading) {
    title();
    host().list_begin_report();
    if (by_heading != nullptr) line("%s", by_heading);
    line(" ");
    list_line("Data set:  " + dataset_name(options.input, QH_DSNAME_DISPLAY));
    list_line(std::string("Response variable:  ") + trimmed(options.response.name.text).text);
    if (data.nobs != data.n) {
        line("Number of observations read:       %7ld", static_cast<long>(data.nobs));
        line("Number of observations used:       %7ld", static_cast<long>(data.n));
    } else {
        line("Number of observations:            %7ld", static_cast<long>(data.n));
    }
    if (options.has_offset)
        list_line(std::string("Offset variable:  ") + trimmed(options.offset.name.text).text);
    if (options.weighted) {
        list_line(std::string("Weight variable:  ") + trimmed(options.weight.name.text).text);
        line("Sum of weights:             %14.6g", design.weight_sum);
    }
    line("Number of predictors:                  %3d", options.p);
    forced_in(options);
    model_lines(options, data);
    empty_line();
    fit_lines(options, design, fit);

    line("Final Estimates:");
    // Model-based errors are the default and go unsaid; the sandwich is named.
    if (options.robust) line("Standard errors: robust (sandwich of the score residuals y - mu)");
    empty_line();
    print_estimates(options, data, fit);
}

} // namespace quill::proc
