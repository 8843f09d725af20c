// warn_about_fit: log warnings about a fit the engine returned without an error but whose
// numbers need care, written whether or not the report is printed. A selected fit that stopped
// at the iteration limit; and a logistic response separated by the selected predictors, for
// which the maximum likelihood estimate does not exist and the estimates run off with the
// iterations.
#include <cstdio>
#include <limits>

#include "host_link.h"
#include "proc_run.h"
#include "shown_number.h"

namespace quill::proc {
namespace {

constexpr const char *kNoEstimate =
    "The maximum likelihood estimate may not exist, so the estimates and standard errors are not "
    "reliable.";

void warn_convergence(const proc_run &run) {
    if (run.converged) return;
    host().log("%2zThe fit at the selected lambda stopped without converging after %d iterations, "
               "so the estimates are those of its last iteration. A larger MAXITER (now %d) may "
               "let it converge.",
               run.iterations, run.max_iter);
}

// True when the selected fit's linear predictor is positive for every event and negative for
// every non-event: a hyperplane that separates the responses completely.
bool classifies_every_observation(const proc_run &run) {
    const std::size_t n = static_cast<std::size_t>(run.n);
    double *eta = allocate_array<double>(n);
    for (std::size_t r = 0; r < n; ++r) eta[r] = run.intercept;
    for (int32_t k = 0; k < run.total_cols; ++k) {
        const double beta = run.betas[k];
        if (beta == 0.0) continue;
        const double *x = run.design + static_cast<std::size_t>(k) * n;
        for (std::size_t r = 0; r < n; ++r) eta[r] += beta * x[r];
    }
    for (std::size_t r = 0; r < n; ++r)
        if (run.response[r] > 0.5 ? !(eta[r] > 0.0) : !(eta[r] < 0.0)) return false;
    return true;
}

enum separation { separation_none, separation_quasi, separation_complete };

// How one design column separates the responses together with the intercept: completely when
// every event lies above every non-event (or below), quasi-completely when the two groups meet
// only at one boundary value, returned in `boundary`.
separation column_separation(const proc_run &run, const double *x, double &boundary) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    double low[2] = {inf, inf}, high[2] = {-inf, -inf};
    for (int32_t r = 0; r < run.n; ++r) {
        const int event = run.response[r] > 0.5 ? 1 : 0;
        if (x[r] < low[event]) low[event] = x[r];
        if (x[r] > high[event]) high[event] = x[r];
    }
    if (high[0] < low[1] || high[1] < low[0]) return separation_complete;
    boundary = high[0] == low[1] ? high[0] : high[1];
    return high[0] == low[1] || high[1] == low[0] ? separation_quasi : separation_none;
}

// "predictor X" or "level L of CLASS predictor G" for design column k. The indicators of a
// CLASS predictor follow its levels in order; the reference level is the last and has none.
struct column_name {
    char text[128] = "";
    column_name(const proc_run &run, int32_t k) {
        for (int32_t i = 0; i < run.p; ++i) {
            if (k >= run.design_cols[i]) {
                k -= run.design_cols[i];
                continue;
            }
            const trimmed name(run.predictor_names[i].text);
            if (run.is_class[i])
                std::snprintf(text, sizeof text, "level %s of CLASS predictor %s",
                              trimmed(run.level_texts[i][k].text).text, name.text);
            else
                std::snprintf(text, sizeof text, "predictor %s", name.text);
            return;
        }
    }
};

// Complete separation by the fit as a whole; otherwise the first selected column that
// separates the responses on its own, completely or quasi-completely.
void warn_separation(const proc_run &run) {
    if (classifies_every_observation(run)) {
        host().log("%2zComplete separation: the selected fit classifies every observation "
                   "correctly. %s",
                   kNoEstimate);
        return;
    }
    int32_t quasi = -1;
    double quasi_boundary = 0.0;
    for (int32_t k = 0; k < run.total_cols; ++k) {
        if (run.betas[k] == 0.0) continue;
        double boundary = 0.0;
        const separation found =
            column_separation(run, run.design + static_cast<std::size_t>(k) * run.n, boundary);
        if (found == separation_complete) {
            host().log("%2zComplete separation: %s alone separates the two response values. %s",
                       column_name(run, k).text, kNoEstimate);
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
                   column_name(run, quasi).text, shown_number(quasi_boundary).text, kNoEstimate);
}

} // namespace

void warn_about_fit(const proc_run &run) {
    warn_convergence(run);
    if (run.model_type == model_logistic) warn_separation(run);
}

} // namespace quill::proc
