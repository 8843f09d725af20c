// warn_about_fit: log warnings about a fit the engine returned without an error but whose
// numbers need care, written whether or not the report is printed. A selected fit that stopped
// at the iteration limit; a logistic response separated by the selected predictors, for which
// the maximum likelihood estimate does not exist and the estimates run off with the iterations;
// and a selection at an end of the lambda grid.
#include <cctype>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "data/design_columns.h"
#include "host_link.h"
#include "output/report.h"
#include "proc_run.h"
#include "shown_number.h"

namespace quill::proc {
namespace {

constexpr const char *kNoEstimate =
    "The maximum likelihood estimate may not exist, so the estimates and standard errors are not "
    "reliable.";

void warn_convergence(const proc_options &options, const proc_fit &fit) {
    if (fit.converged) return;
    host().log("%2zThe fit at the selected lambda stopped without converging after %d iteration%s, "
               "so the estimates are those of its last iteration. A larger MAXITER (now %d) may "
               "let it converge.",
               fit.iterations, fit.iterations == 1 ? "" : "s", options.max_iter);
}

// True when the selected fit's linear predictor is positive for every event and negative for
// every non-event: a hyperplane that separates the responses completely.
bool classifies_every_observation(const proc_design &design, const proc_fit &fit) {
    const std::size_t n = static_cast<std::size_t>(design.rows);
    double *eta = allocate_array<double>(n);
    for (std::size_t r = 0; r < n; ++r) eta[r] = fit.intercept;
    for (int32_t k = 0; k < design.columns; ++k) {
        const double beta = fit.betas[k];
        if (beta == 0.0) continue;
        const double *x = design.x + static_cast<std::size_t>(k) * n;
        for (std::size_t r = 0; r < n; ++r) eta[r] += beta * x[r];
    }
    for (std::size_t r = 0; r < n; ++r)
        if (design.response[r] > 0.5 ? !(eta[r] > 0.0) : !(eta[r] < 0.0)) return false;
    return true;
}

enum separation { separation_none, separation_quasi, separation_complete };

// How one design column separates the responses together with the intercept: completely when
// every event lies above every non-event (or below), quasi-completely when the two groups meet
// only at one boundary value, returned in `boundary`.
separation column_separation(const proc_design &design, const double *x, double &boundary) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    double low[2] = {inf, inf}, high[2] = {-inf, -inf};
    for (int32_t r = 0; r < design.rows; ++r) {
        const int event = design.response[r] > 0.5 ? 1 : 0;
        if (x[r] < low[event]) low[event] = x[r];
        if (x[r] > high[event]) high[event] = x[r];
    }
    if (high[0] < low[1] || high[1] < low[0]) return separation_complete;
    boundary = high[0] == low[1] ? high[0] : high[1];
    return high[0] == low[1] || high[1] == low[0] ? separation_quasi : separation_none;
}

// "predictor X" or "level L of CLASS predictor G" for design column k.
struct column_name {
    char text[128] = "";
    column_name(const proc_options &options, const proc_data &data, int32_t k) {
        for_each_design_column(options, data, [&](const design_column &c) {
            if (c.index != k) return;
            const trimmed name(options.predictors[c.predictor].var.name.text);
            if (c.indicator())
                std::snprintf(text, sizeof text, "level %s of CLASS predictor %s",
                              trimmed(data.classes[c.predictor].texts[c.level].text).text, name.text);
            else
                std::snprintf(text, sizeof text, "predictor %s", name.text);
        });
    }
};

// Complete separation by the fit as a whole; otherwise the first selected column that
// separates the responses on its own, completely or quasi-completely.
void warn_separation(const proc_options &options, const proc_data &data, const proc_design &design,
                     const proc_fit &fit) {
    if (classifies_every_observation(design, fit)) {
        host().log("%2zComplete separation: the selected fit classifies every observation "
                   "correctly. %s",
                   kNoEstimate);
        return;
    }
    int32_t quasi = -1;
    double quasi_boundary = 0.0;
    for (int32_t k = 0; k < design.columns; ++k) {
        if (fit.betas[k] == 0.0) continue;
        double boundary = 0.0;
        const separation found =
            column_separation(design, design.x + static_cast<std::size_t>(k) * design.rows, boundary);
        if (found == separation_complete) {
            host().log("%2zComplete separation: %s alone separates the two response values. %s",
                       column_name(options, data, k).text, kNoEstimate);
            return;
        }
        if (found == separation_quasi && quasi < 0) {
            quasi = k;
            quasi_boundary = boundary;
        }
    }
    if (quasi >= 0)
        host().log("%2zQuasi-complete separation: %s separates the two response values, apart "
                   "from ties at %s. %s",
                   column_name(options, data, quasi).text, shown_number(quasi_boundary).text, kNoEstimate);
}

} // namespace

void refuse_aliased_columns(const proc_options &options, const proc_data &data, const proc_fit &fit) {
    std::vector<std::string> names;
    for_each_design_column(options, data, [&](const design_column &c) {
        if (fit.aliased[c.index] != 0) names.push_back(column_name(options, data, c.index).text);
    });
    std::string list;
    for (std::size_t k = 0; k < names.size(); ++k)
        list += (k == 0 ? "" : k + 1 == names.size() ? " and " : ", ") + names[k];
    list[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(list[0])));
    const bool one = names.size() == 1;
    host().log("%1z%s %s of the intercept and the design columns before %s in the MODEL statement "
               "(aliased): %s cannot be told apart. Leave %s out, or choose which to keep.",
               list.c_str(), one ? "is an exact linear combination" : "are exact linear combinations",
               one ? "it" : "them", one ? "its coefficient and theirs" : "their coefficients",
               one ? "it" : "them");
    end_fit(rc_error);
}

namespace {

// ALGORITHM ICM fits the path from the top down and stops where the model saturates; the fit
// where it stopped and the grid values below it have no fit.
void note_saturated_path(const proc_options &options, const proc_design &design, const proc_fit &fit) {
    const int32_t stop = fit.stop_index;
    if (fit.stop == path_stop::none || stop < 1 || stop > fit.path.rows || fit.path.lambda == nullptr)
        return;
    const lambda_text at(fit.path.lambda[stop - 1]);
    char why[256];
    if (fit.stop == path_stop::nonzero)
        std::snprintf(why, sizeof why, "its fit has %d nonzero coefficients for %d observations, so "
                      "the model is saturated.", static_cast<int>(design.rows) - 1,
                      static_cast<int>(design.rows));
    else if (fit.stop == path_stop::deviance)
        std::snprintf(why, sizeof why, "its fit explains more than 99.9%% of the deviance of the "
                      "intercept-only fit, so the model is saturated.");
    else
        std::snprintf(why, sizeof why, "its fit did not converge within MAXITER=%d sweeps as the "
                      "coefficients grew without bound, as when the predictors separate the "
                      "response.", static_cast<int>(options.max_iter));
    // At the top of the grid the stopping fit is the only one, and it is kept.
    host().log("%3zThe path stopped at lambda = %s (grid value %d of %d): %s Lambdas %s %s were "
               "not fitted.",
               at.text, stop, fit.path.rows, why, stop == fit.path.rows ? "below" : "from", at.text);
}

} // namespace

void warn_about_fit(const proc_options &options, const proc_data &data, const proc_design &design,
                    const proc_fit &fit) {
    if (options.algorithm == algorithm_icm) note_saturated_path(options, design, fit);
    warn_convergence(options, fit);
    if (options.model == model_logistic) warn_separation(options, data, design, fit);
    grid_warning warnings[2];
    const int count = grid_end_warnings(design, fit, options.grid_size, warnings);
    for (int w = 0; w < count; ++w) {
        host().log("%1zWarning: %s %s", warnings[w].warning, warnings[w].reason);
        host().log(" ");
    }
}

} // namespace quill::proc
