// check_data: the data problems the procedure can name before the engine sees the design: too
// few usable observations, a constant response, and numeric predictors that do not vary among
// the observations used. Every such variable gets its own error line; then the run ends. A
// CLASS predictor with a single level is only warned about, and a 0/1 response of the normal
// model gets a note suggesting the logistic one. Frequency weights must sum to more than the
// model's coefficients.
#include "data/design_columns.h"
#include "data/read_data.h"
#include "host_link.h"
#include "proc_run.h"
#include "shown_number.h"

namespace quill::proc {
namespace {

// The first used observation, or -1.
int32_t first_used(const proc_data &data) {
    for (int32_t o = 0; o < data.nobs; ++o)
        if (!data.excluded[o]) return o;
    return -1;
}

bool constant_column(const proc_data &data, const double *values, int32_t first) {
    for (int32_t o = first + 1; o < data.nobs; ++o)
        if (!data.excluded[o] && values[o] != values[first]) return false;
    return true;
}

// A numeric response that takes only the values 0 and 1 among the observations used.
bool zero_one_response(const proc_data &data, const double *y) {
    for (int32_t o = 0; o < data.nobs; ++o)
        if (!data.excluded[o] && y[o] != 0.0 && y[o] != 1.0) return false;
    return true;
}

// Frequency weights count observations: their sum is the sample size, which must exceed the
// coefficients (the intercept and the design columns). Weights that are proportions (sum 1)
// would otherwise reach the grid as a sample of one.
void check_weight_sum(const proc_options &options, const proc_data &data) {
    const double *w = data.columns[options.weight_index()];
    double sum = 0.0;
    for (int32_t o = 0; o < data.nobs; ++o)
        if (!data.excluded[o]) sum += w[o];
    const int32_t coefficients = design_column_count(options, data) + 1;
    if (sum > coefficients) return;
    fail("%1zThe weights (WEIGHT %s) of the %d observations used sum to %s: frequency weights count "
         "observations, so they must sum to more than the %d coefficients of the model. Weights "
         "that are proportions can be multiplied by the number of observations.",
         trimmed(options.weight.name.text).text, data.n, shown_number(sum).text, coefficients);
}

} // namespace

void check_data(const proc_options &options, const proc_data &data) {
    if (data.n < 2)
        fail("%1zThe fit needs at least 2 observations with no missing value in the MODEL "
             "variables; there are %d.",
             data.n);
    if (options.selection == selection_cv && !options.has_fold && options.cv_folds > data.n)
        fail("%1zFOLDS %s is out of range: FOLDS must be from 2 to %d, the observations used "
             "(line %d).",
             shown_number(options.cv_folds_given).text, data.n, options.cv_folds_line);
    const int32_t first = first_used(data);
    bool refused = false;

    const double *y = data.columns[options.p];
    if (constant_column(data, y, first)) {
        const trimmed text(data.character_response ? data.texts[options.p][first].text : "");
        const shown_number number(y[first]);
        host().log("%1zThe response %s has the same value, %s, in all %d observations used; there "
                   "is nothing to model.",
                   trimmed(options.response.name.text).text,
                   data.character_response ? text.text : number.text, data.n);
        refused = true;
    } else if (options.model == model_normal && !data.character_response && zero_one_response(data, y)) {
        host().log("%3zThe response %s takes only the values 0 and 1; it is fitted by the normal "
                   "linear model. DIST LOGISTIC fits the logistic model of a binary response.",
                   trimmed(options.response.name.text).text);
    }
    for (int32_t i = 0; i < options.p; ++i) {
        const trimmed name(options.predictors[i].var.name.text);
        const class_coding &coding = data.classes[i];
        // A CLASS predictor with one level has no indicator column, so it leaves the fit
        // quietly unless the user is told.
        if (options.predictors[i].is_class && coding.count == 1) {
            host().log("%2zCLASS predictor %s has the single level %s in all %d observations "
                       "used; it is left out of the fit.",
                       name.text, trimmed(coding.texts[0].text).text, data.n);
        } else if (!options.predictors[i].is_class && constant_column(data, data.columns[i], first)) {
            host().log("%1zPredictor %s has the same value, %s, in all %d observations used; its "
                       "coefficient cannot be estimated.",
                       name.text, shown_number(data.columns[i][first]).text, data.n);
            refused = true;
        }
    }
    if (refused) end_fit(rc_error);
    if (options.weighted) check_weight_sum(options, data);
}

} // namespace quill::proc
