// check_data: the data problems the procedure can name before the engine sees the design: too
// few usable observations, a constant response, and numeric predictors that do not vary among
// the observations used. Every such variable gets its own error line; then the run ends. A
// CLASS predictor with a single level is only warned about.
#include "host_link.h"
#include "proc_run.h"
#include "shown_number.h"

namespace quill::proc {
namespace {

// The first used observation, or -1.
int32_t first_used(const proc_run &run) {
    for (int32_t o = 0; o < run.nobs; ++o)
        if (!run.excluded[o]) return o;
    return -1;
}

bool constant_column(const proc_run &run, const double *values, int32_t first) {
    for (int32_t o = first + 1; o < run.nobs; ++o)
        if (!run.excluded[o] && values[o] != values[first]) return false;
    return true;
}

} // namespace

void check_data(const proc_run &run) {
    if (run.n < 2)
        fail("%1zThe fit needs at least 2 observations with no missing value in the MODEL "
             "variables; there are %d.",
             run.n);
    const int32_t first = first_used(run);
    bool refused = false;

    const double *y = run.columns[run.p];
    if (constant_column(run, y, first)) {
        const trimmed text(run.character_response ? run.obs_texts[run.p][first].text : "");
        const shown_number number(y[first]);
        host().log("%1zThe response %s has the same value, %s, in all %d observations used; there "
                   "is nothing to model.",
                   trimmed(run.response_name.text).text,
                   run.character_response ? text.text : number.text, run.n);
        refused = true;
    }
    for (int32_t i = 0; i < run.p; ++i) {
        const trimmed name(run.predictor_names[i].text);
        // A CLASS predictor with one level has no indicator column, so it leaves the fit
        // quietly unless the user is told.
        if (run.is_class[i] && run.class_levels[i] == 1) {
            host().log("%2zCLASS predictor %s has the single level %s in all %d observations "
                       "used; it is left out of the fit.",
                       name.text, trimmed(run.level_texts[i][0].text).text, run.n);
        } else if (!run.is_class[i] && constant_column(run, run.columns[i], first)) {
            host().log("%1zPredictor %s has the same value, %s, in all %d observations used; its "
                       "coefficient cannot be estimated.",
                       name.text, shown_number(run.columns[i][first]).text, run.n);
            refused = true;
        }
    }
    if (refused) end_run(rc_error);
}

} // namespace quill::proc
