// read_data: one pass over the input data set. Keeps the model's variables column by column,
// marks the observations that cannot enter the fit, turns a character response into 0/1 and
// codes the CLASS predictors, then writes the data notes.
#include <cstring>

#include "data/class_levels.h"
#include "host_link.h"
#include "proc_run.h"

namespace quill::proc {
namespace {

struct row_buffers {
    double *numbers; // per read-list variable
    name33 *texts;   // per read-list variable
    int32_t *types;
};

int32_t type_of(const proc_run &run, int32_t v) {
    if (v < run.p) return run.predictor_types[v];
    return v == run.p ? run.response_type : run.id_types[v - run.p - 1];
}

row_buffers prepare_reading(proc_run &run) {
    const int32_t vars = run.p + 1 + run.id_count;
    row_buffers row{allocate_array<double>(vars), allocate_array<name33>(vars),
                    allocate_array<int32_t>(vars)};
    run.excluded = allocate_array<int32_t>(run.nobs);
    run.response_only_missing = allocate_array<int32_t>(run.nobs);
    run.columns = allocate_array<double *>(vars);
    run.obs_texts = allocate_array<name33 *>(vars);
    run.level_texts = allocate_array<name33 *>(vars);
    run.level_freqs = allocate_array<int32_t *>(vars);
    for (int32_t v = 0; v < vars; ++v) {
        row.types[v] = type_of(run, v);
        run.columns[v] = allocate_array<double>(run.nobs);
        const bool text_kept = v < run.p ? run.is_class[v] != 0 : row.types[v] != QH_VAR_NUMERIC;
        if (text_kept) run.obs_texts[v] = allocate_array<name33>(run.nobs);
    }

    check_host(host().select_variables(run.input, QH_SELECT_VARIABLES, vars, run.read_list,
                                       run.var_count_info) == 0,
               "select the variables to read");
    run.read_record = host().open_read(run.input, vars);
    check_host(run.read_record != nullptr, "open the input data set for reading");
    for (int32_t v = 0; v < vars; ++v) {
        void *buffer = row.types[v] == QH_VAR_NUMERIC ? static_cast<void *>(&row.numbers[v]) : row.texts[v].text;
        const int32_t length = row.types[v] == QH_VAR_NUMERIC ? 8 : kNameWidth;
        check_host(host().bind_variable(run.read_record, run.read_list[v], 0, buffer, length, QH_BIND_NATIVE) == 0,
                   "bind variable %d of the input data set", run.read_list[v]);
    }
    check_host(host().end_binding(run.read_record) == 0, "bind the variables of the input data set");
    return row;
}

// Copies a fetched text, keeping its zero byte.
void take_text(const name33 &from, name33 &to) {
    std::memcpy(to.text, from.text, kNameWidth);
    to.text[kNameWidth] = '\0';
}

void store_observation(proc_run &run, const row_buffers &row, int32_t o) {
    int32_t &excluded = run.excluded[o];
    for (int32_t v = 0; v < run.p; ++v) {
        const double value = row.numbers[v];
        if (!run.is_class[v]) {
            run.columns[v][o] = value;
            if (host().is_missing(value)) excluded = 1;
        } else if (row.types[v] == QH_VAR_NUMERIC) {
            if (host().is_missing(value)) {
                excluded = 1;
                std::memset(run.obs_texts[v][o].text, ' ', kNameWidth);
            } else {
                numeric_level_text(value, run.obs_texts[v][o]);
            }
        } else {
            name33 &text = run.obs_texts[v][o];
            take_text(row.texts[v], text);
            if (is_blank(text)) excluded = 1;
            upper_case(text);
        }
    }

    // The response comes last, so "response only missing" means every predictor is present.
    const int32_t r = run.p;
    bool missing = false;
    if (row.types[r] == QH_VAR_NUMERIC) {
        run.columns[r][o] = row.numbers[r];
        missing = host().is_missing(row.numbers[r]);
    } else {
        if (run.model_type != model_logistic)
            fail("%1zA character-valued variable cannot be used as a response variable for this "
                 "kind of model.");
        run.character_response = true;
        name33 &text = run.obs_texts[r][o];
        take_text(row.texts[r], text);
        missing = is_blank(text);
        upper_case(text);
    }
    if (missing) {
        if (!excluded) run.response_only_missing[o] = 1;
        excluded = 1;
    }

    // ID variables are kept as they are, for OUTPRED.
    for (int32_t v = r + 1; v <= r + run.id_count; ++v) {
        if (row.types[v] == QH_VAR_NUMERIC) run.columns[v][o] = row.numbers[v];
        else take_text(row.texts[v], run.obs_texts[v][o]);
    }
}

// The event of a character response is its largest text (smallest with YDESCENDING); blank
// responses take no part, so a missing value never becomes the event.
void code_event(proc_run &run) {
    const int32_t r = run.p;
    const name33 *texts = run.obs_texts[r];
    for (int32_t o = 0; o < run.nobs; ++o) {
        if (is_blank(texts[o])) continue;
        const int order = run.has_event ? compare_texts(texts[o], run.event_text) : 0;
        if (!run.has_event || (run.y_descending ? order < 0 : order > 0)) {
            run.event_text = texts[o];
            run.has_event = true;
        }
    }
    if (!run.has_event) return;
    run.event_text.text[kNameWidth] = '\0';
    host().log("%3z Success event (Y=1): %s", trimmed(run.event_text.text).text);
    for (int32_t o = 0; o < run.nobs; ++o)
        run.columns[r][o] = compare_texts(texts[o], run.event_text) == 0 ? 1.0 : 0.0;
}

void write_notes(const proc_run &run) {
    const int32_t excluded = run.nobs - run.n;
    host().log("%3z %d observations read.", run.n + excluded);
    if (excluded > 0)
        host().log("%3z %d had missing values in the predictors or response, and will not be used.", excluded);
    for (int32_t i = 0; i < run.p; ++i) {
        if (!run.is_class[i]) continue;
        host().log("%3z Class predictor %s had %ld levels.", trimmed(run.predictor_names[i].text).text,
                   static_cast<long>(run.class_levels[i]));
        if (run.class_levels[i] > 20)
            host().log("%2z More than %2d levels in a class predictor may result in unstable estimates.", 20);
    }
}

} // namespace

int read_data(proc_run &run) {
    const row_buffers row = prepare_reading(run);
    int32_t read = 0;
    // Reading on to the end lets the host drop its copy of the data before the fit.
    while (host().read_next(run.input)) {
        if (read == run.nobs) break;
        check_host(host().fetch(run.read_record, 0) == 0, "read observation %d of the input data set", read + 1);
        store_observation(run, row, read);
        ++read;
    }
    // Observations the host announced but did not deliver are not data.
    run.nobs = read;

    if (run.character_response) code_event(run);
    for (int32_t i = 0; i < run.p; ++i)
        if (run.is_class[i]) code_class_predictor(run, i);

    // A numeric predictor gives one design column, a CLASS predictor one per non-reference level.
    for (int32_t i = 0; i <= run.p; ++i) {
        run.design_cols[i] = run.is_class[i] ? (run.class_levels[i] > 0 ? run.class_levels[i] - 1 : 0) : 1;
        run.reference_level[i] = run.class_levels[i] - 1;
    }

    run.n = 0;
    for (int32_t o = 0; o < run.nobs; ++o)
        if (!run.excluded[o]) ++run.n;
    write_notes(run);
    return 0;
}

} // namespace quill::proc
