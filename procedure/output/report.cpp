// print_summary: the listing report of a successful fit (data set, response and model summary,
// the lambda range warnings, the criterion and the table of non-zero estimates). It works on a
// copy of the run record, so the effective df it adjusts never reaches the output data sets.
#include <cstring>

#include "output/estimates_table.h"
#include "host_link.h"
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

void forced_in(const proc_run &run) {
    if (run.forcein_count == 0) return;
    name33 first = run.forcein_names[0];
    host().name_text(first.text, kNameWidth, QH_TEXT_TRIM);
    first.text[kNameWidth] = '\0';
    if (run.forcein_count == 1) {
        line("Predictor forced in:          %s", first.text);
        return;
    }
    host().list_text("Predictors forced in:         %s", first.text);
    for (int32_t f = 1; f < run.forcein_count; ++f) {
        const char *name = run.forcein_names[f].text;
        host().list_text(" %.*s", static_cast<int>(std::strcspn(name, " ")), name);
    }
    empty_line();
}

void model_lines(const proc_run &run) {
    static const char *const kModelType[] = {
        "Model type:  Normal (linear model, numerical outcome, identity link)",
        "Model type:  Logistic (generalized linear model, binary outcome, logit link)",
        "Model type:  Poisson (generalized linear model, count outcome, log link)",
    };
    line("%s", kModelType[run.model_type]);
    if (run.character_response) line("Value modeled as Y=1:  %s", trimmed(run.event_text.text).text);
}

// The same warning in the listing and, as "%1zWarning: ...", in the log.
void lambda_warning(const char *listing_text, const char *log_text) {
    line("%s", listing_text);
    host().log(log_text);
    host().log(" ");
}

void fit_lines(const proc_run &run) {
    if (run.details) {
        line("Minimum candidate lambda:     %15.4f", run.min_lambda);
        line("Maximum candidate lambda:     %15.4f", run.max_lambda);
    }
    if (run.at_max_lambda)
        lambda_warning("Warning: The maximum candidate lambda appears to be too low.",
                       "%1zWarning: The maximum candidate lambda appears to be too low.");
    if (run.at_min_lambda)
        lambda_warning("Warning: The minimum candidate lambda appears to be too high.",
                       "%1zWarning: The minimum candidate lambda appears to be too high.");
    line("Selected lambda:              %15.4f", run.selected_lambda);
    if (run.details) {
        line("Simple df:                        %8d", run.simple_df);
        if (run.dfformula == df_projection) line("Effective df:                     %8d", run.effective_df);
    }
    line(run.selection == selection_bic ? "BIC:                          %15.4f" : "GCV:                          %15.4f",
         run.criterion_value);
    empty_line();
    if (run.converged) line("Converged in %d iterations.", run.iterations);
    else line("Warning: Failed to converge after %d iterations.", run.iterations);
    empty_line();
}

} // namespace

void print_summary(proc_run run) {
    title();
    host().list_begin_report();
    line(" ");
    list_line("Data set:  " + dataset_name(run.input, QH_DSNAME_DISPLAY));
    list_line(std::string("Response variable:  ") + trimmed(run.response_name.text).text);
    if (run.nobs != run.n) {
        line("Number of observations read:       %7ld", static_cast<long>(run.nobs));
        line("Number of observations used:       %7ld", static_cast<long>(run.n));
    } else {
        line("Number of observations:            %7ld", static_cast<long>(run.n));
    }
    line("Number of predictors:                  %3d", run.p);
    forced_in(run);
    model_lines(run);
    empty_line();

    run.effective_df += 1; // the report counts the intercept
    fit_lines(run);

    line("Final Estimates:");
    empty_line();
    print_estimates(run);
}

} // namespace quill::proc
