// print_summary: the listing report of a successful fit (data set, response and model summary,
// the lambda range warnings, the criterion and the table of non-zero estimates).
#include <cstring>

#include "host_link.h"
#include "output/estimates_table.h"
#include "output/report.h"
#include "proc_run.h"

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
}

// The same warning in the listing and, as "%1zWarning: ...", in the log.
void lambda_warning(const char *listing_text, const char *log_text) {
    line("%s", listing_text);
    host().log(log_text);
    host().log(" ");
}

void fit_lines(const proc_options &options, const proc_fit &fit) {
    if (options.details) {
        line("Minimum candidate lambda:     %15.4f", fit.min_lambda);
        line("Maximum candidate lambda:     %15.4f", fit.max_lambda);
    }
    if (fit.at_max_lambda)
        lambda_warning("Warning: The maximum candidate lambda appears to be too low.",
                       "%1zWarning: The maximum candidate lambda appears to be too low.");
    if (fit.at_min_lambda)
        lambda_warning("Warning: The minimum candidate lambda appears to be too high.",
                       "%1zWarning: The minimum candidate lambda appears to be too high.");
    line("Selected lambda:              %15.4f", fit.selected_lambda);
    if (options.details) {
        line("Simple df:                        %8d", fit.simple_df);
        // The report counts the intercept.
        if (options.df == df_projection) line("Effective df:                     %8d", fit.effective_df + 1);
    }
    line(options.selection == selection_bic ? "BIC:                          %15.4f" : "GCV:                          %15.4f",
         fit.criterion_value);
    empty_line();
    if (fit.converged) line("Converged in %d iterations.", fit.iterations);
    else line("Warning: Failed to converge after %d iterations.", fit.iterations);
    empty_line();
}

} // namespace

void print_summary(const proc_options &options, const proc_data &data, const proc_fit &fit) {
    title();
    host().list_begin_report();
    line(" ");
    list_line("Data set:  " + dataset_name(options.input, QH_DSNAME_DISPLAY));
    list_line(std::string("Response variable:  ") + trimmed(options.response.name.text).text);
    if (data.nobs != data.n) {
        line("Number of observations read:       %7ld", static_cast<long>(data.nobs));
        line("Number of observations used:       %7ld", static_cast<long>(data.n));
    } else {
        line("Number of observations:            %7ld", static_cast<long>(data.n));
    }
    line("Number of predictors:                  %3d", options.p);
    forced_in(options);
    model_lines(options, data);
    empty_line();
    fit_lines(options, fit);

    line("Final Estimates:");
    empty_line();
    print_estimates(options, data, fit);
}

} // namespace quill::proc
