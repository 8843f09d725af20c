// read_data: one pass over the input data set. Keeps the model's variables column by column,
// marks the observations that cannot enter the fit, turns a character response into 0/1 and
// codes the CLASS predictors, then writes the data notes.
#include <cmath>
#include <cstring>

#include "data/class_levels.h"
#include "data/read_data.h"
#include "host_link.h"
#include "proc_run.h"
#include "shown_number.h"

namespace quill::proc {
namespace {

struct row_buffers {
    double *numbers;    // per read-list variable
    name33 *texts;      // per read-list variable
    int32_t *types;
    int32_t *formatted; // per read-list variable: a CLASS predictor read as its format writes it
};

// A CLASS predictor with a display format is read as its formatted value, as SAS procedures
// form their levels; a host without the operation has no formats to give.
bool has_format(const proc_options &options, int32_t number) {
    char name[64];
    return host().variable_format != nullptr &&
           host().variable_format(options.input, number, name, static_cast<int32_t>(sizeof name)) > 0;
}

int32_t type_of(const proc_options &options, int32_t v) {
    if (v < options.p) return options.predictors[v].var.type;
    if (options.weighted && v == options.weight_index()) return options.weight.type;
    if (options.has_offset && v == options.offset_index()) return options.offset.type;
    if (options.has_fold && v == options.fold_index()) return options.fold.type;
    return v == options.p ? options.response.type : options.carried[v - options.p - 1].type;
}

bool carried_index(const proc_options &options, int32_t v) {
    return v > options.p && v <= options.p + options.carried_count;
}

// The model variable whose column carried variable v can share: a numeric predictor that is not
// CLASS or a numeric response keeps its values as read. -1 when there is none.
int32_t shared_source(const proc_options &options, int32_t v) {
    const variable &carried = options.carried[v - options.p - 1];
    if (carried.type != QH_VAR_NUMERIC) return -1;
    for (int32_t i = 0; i < options.p; ++i)
        if (!options.predictors[i].is_class && options.predictors[i].var.number == carried.number) return i;
    if (options.response.type == QH_VAR_NUMERIC && options.response.number == carried.number) return options.p;
    return -1;
}

row_buffers prepare_reading(const proc_options &options, proc_data &data) {
    const int32_t vars = options.read_count();
    row_buffers row{allocate_array<double>(vars), allocate_array<name33>(vars), allocate_array<int32_t>(vars),
                    allocate_array<int32_t>(vars)};
    data.nobs = options.announced_obs;
    data.excluded = allocate_array<int32_t>(data.nobs);
    data.response_only_missing = allocate_array<int32_t>(data.nobs);
    data.columns = allocate_array<double *>(vars);
    data.texts = allocate_array<name33 *>(vars);
    data.shares = allocate_array<int32_t>(vars);
    data.classes = allocate_array<class_coding>(options.p);
    for (int32_t i = 0; i < options.p; ++i) data.classes[i] = class_coding{};
    for (int32_t v = 0; v < vars; ++v) {
        row.types[v] = type_of(options, v);
        data.shares[v] = carried_index(options, v) ? shared_source(options, v) : -1;
        const bool text_kept = v < options.p ? options.predictors[v].is_class : row.types[v] != QH_VAR_NUMERIC;
        // A column of numbers as read gets each observation's value as it is stored; the others
        // are coded later, some rows only.
        if (data.shares[v] < 0)
            data.columns[v] = text_kept || row.types[v] != QH_VAR_NUMERIC ? allocate_array<double>(data.nobs)
                                                                          : allocate_unfilled<double>(data.nobs);
        if (text_kept) data.texts[v] = allocate_array<name33>(data.nobs);
    }

    check_host(host().select_variables(options.input, QH_SELECT_VARIABLES, vars, options.read_list,
                                       options.input_var_info) == 0,
               "select the variables to read");
    data.read_record = host().open_read(options.input, vars);
    check_host(data.read_record != nullptr, "open the input data set for reading");
    for (int32_t v = 0; v < vars; ++v) {
        row.formatted[v] = v < options.p && options.predictors[v].is_class && has_format(options, options.read_list[v]);
        const bool number = row.types[v] == QH_VAR_NUMERIC && !row.formatted[v];
        void *buffer = number ? static_cast<void *>(&row.numbers[v]) : row.texts[v].text;
        check_host(host().bind_variable(data.read_record, options.read_list[v], 0, buffer, number ? 8 : kNameWidth,
                                        row.formatted[v] ? QH_BIND_FORMATTED : QH_BIND_NATIVE) == 0,
                   "bind variable %d of the input data set", options.read_list[v]);
    }
    check_host(host().end_binding(data.read_record) == 0, "bind the variables of the input data set");
    return row;
}

// Copies a fetched text, keeping its zero byte.
void take_text(const name33 &from, name33 &to) {
    std::memcpy(to.text, from.text, kNameWidth);
    to.text[kNameWidth] = '\0';
}

void store_observation(const proc_options &options, proc_data &data, const row_buffers &row, int32_t o) {
    int32_t &excluded = data.excluded[o];
    for (int32_t v = 0; v < options.p; ++v) {
        const double value = row.numbers[v];
        if (!options.predictors[v].is_class) {
            data.columns[v][o] = value;
            if (host().is_missing(value)) excluded = 1;
        } else if (row.types[v] == QH_VAR_NUMERIC && !row.formatted[v]) {
            if (host().is_missing(value)) {
                excluded = 1;
                std::memset(data.texts[v][o].text, ' ', kNameWidth);
            } else {
                numeric_level_text(value, data.texts[v][o]);
            }
        } else {
            // A formatted level is the format's text as written; a plain text is upper-cased.
            name33 &text = data.texts[v][o];
            take_text(row.texts[v], text);
            if (is_blank(text)) excluded = 1;
            if (!row.formatted[v]) upper_case(text);
        }
    }

    // A missing offset leaves the observation out like a missing predictor: no prediction.
    if (options.has_offset) {
        const int32_t k = options.offset_index();
        const double value = row.numbers[k];
        data.columns[k][o] = value;
        if (host().is_missing(value)) excluded = 1;
        else if (!std::isfinite(value))
            fail("%1zThe OFFSET= variable %s is not a finite number at observation %d.",
                 trimmed(options.offset.name.text).text, o + 1);
    }

    // A missing fold id leaves the observation out like a missing predictor.
    if (options.has_fold) {
        const int32_t k = options.fold_index();
        const double value = row.numbers[k];
        data.columns[k][o] = value;
        if (host().is_missing(value)) excluded = 1;
        else if (!(value >= 1.0 && value <= 2147483647.0 && value == std::floor(value)))
            fail("%1zThe FOLD variable %s must hold whole numbers of at least 1; observation %d has %s "
                 "(line %d).",
                 trimmed(options.fold.name.text).text, o + 1, shown_number(value).text, options.fold_line);
    }

    // The response comes last, so "response only missing" means every predictor is present.
    const int32_t r = options.p;
    bool missing = false;
    if (row.types[r] == QH_VAR_NUMERIC) {
        data.columns[r][o] = row.numbers[r];
        missing = host().is_missing(row.numbers[r]);
    } else {
        if (options.model != model_logistic)
            fail("%1zA character-valued variable cannot be used as a response variable for this "
                 "kind of model.");
        data.character_response = true;
        name33 &text = data.texts[r][o];
        take_text(row.texts[r], text);
        missing = is_blank(text);
        upper_case(text);
    }
    if (missing) {
        if (!excluded) data.response_only_missing[o] = 1;
        excluded = 1;
    }

    // A weight that is missing, zero or negative leaves an otherwise complete observation out
    // of the fit, still predicted; one that is not a number at all is an error.
    if (options.weighted) {
        const int32_t k = options.weight_index();
        const double w = row.numbers[k];
        data.columns[k][o] = w;
        const bool absent = host().is_missing(w);
        if (!absent && !std::isfinite(w))
            fail("%1zThe WEIGHT variable %s is not a finite number at observation %d.",
                 trimmed(options.weight.name.text).text, o + 1);
        if (!excluded && (absent || w <= 0.0)) {
            data.response_only_missing[o] = 2; // counted by code_data
            excluded = 1;
        }
    }

    // Carried variables are kept as they are, for OUTPRED; a shared column is already stored.
    for (int32_t v = r + 1; v <= r + options.carried_count; ++v) {
        if (data.shares[v] >= 0) continue;
        if (row.types[v] == QH_VAR_NUMERIC) data.columns[v][o] = row.numbers[v];
        else take_text(row.texts[v], data.texts[v][o]);
    }
}

// The event of a character response is its largest text (smallest with YDESCENDING); blank
// responses take no part, so a missing value never becomes the event.
void code_event(const proc_options &options, proc_data &data) {
    const int32_t r = options.p;
    const name33 *texts = data.texts[r];
    for (int32_t o = 0; o < data.nobs; ++o) {
        if (is_blank(texts[o])) continue;
        const int order = data.has_event ? compare_texts(texts[o], data.event_text) : 0;
        if (!data.has_event || (options.y_descending ? order < 0 : order > 0)) {
            data.event_text = texts[o];
            data.has_event = true;
        }
    }
    if (!data.has_event) return;
    data.event_text.text[kNameWidth] = '\0';
    host().log("%3z Success event (Y=1): %s", trimmed(data.event_text.text).text);
    for (int32_t o = 0; o < data.nobs; ++o)
        data.columns[r][o] = compare_texts(texts[o], data.event_text) == 0 ? 1.0 : 0.0;
}

void write_notes(const proc_options &options, const proc_data &data) {
    const int32_t excluded = data.nobs - data.n - data.weight_dropped;
    host().log("%3z %d observations read.", data.nobs);
    const char *what = options.has_offset && options.has_fold ? "predictors, response, offset or fold"
                       : options.has_offset                  ? "predictors, response or offset"
                       : options.has_fold                    ? "predictors, response or fold"
                                                             : "predictors or response";
    if (excluded > 0)
        host().log("%3z %d had missing values in the %s, and will not be used.", excluded, what);
    if (data.weight_dropped > 0)
        host().log("%3z %d had a missing, zero or negative weight, and will not be used.", data.weight_dropped);
    for (int32_t i = 0; i < options.p; ++i) {
        if (!options.predictors[i].is_class) continue;
        const int32_t levels = data.classes[i].count;
        host().log("%3z Class predictor %s had %ld levels.", trimmed(options.predictors[i].var.name.text).text,
                   static_cast<long>(levels));
        if (levels > 20)
            host().log("%2z More than %2d levels in a class predictor may result in unstable estimates.", 20);
    }
}

} // namespace

void read_data(const proc_options &options, proc_data &data) {
    read_observations(options, data);
    code_data(options, data);
}

void read_observations(const proc_options &options, proc_data &data) {
    const row_buffers row = prepare_reading(options, data);
    int32_t read = 0;
    // Reading on to the end lets the host drop its copy of the data before the fit.
    while (host().read_next(options.input)) {
        if (read == data.nobs) break;
        check_host(host().fetch(data.read_record, 0) == 0, "read observation %d of the input data set", read + 1);
        store_observation(options, data, row, read);
        ++read;
    }
    // Observations the host announced but did not deliver are not data.
    data.nobs = read;
    for (int32_t v = options.p + 1; v < options.read_count(); ++v)
        if (data.shares[v] >= 0) data.columns[v] = data.columns[data.shares[v]];
}

void code_data(const proc_options &options, proc_data &data) {
    data.weight_dropped = 0;
    for (int32_t o = 0; o < data.nobs; ++o)
        if (data.response_only_missing[o] == 2) ++data.weight_dropped;
    if (data.character_response) code_event(options, data);
    for (int32_t i = 0; i < options.p; ++i)
        if (options.predictors[i].is_class) code_class_predictor(options, data, i);

    data.n = 0;
    for (int32_t o = 0; o < data.nobs; ++o)
        if (!data.excluded[o]) ++data.n;
    write_notes(options, data);
}

proc_data group_slice(const proc_options &options, const proc_data &whole, int32_t first, int32_t count) {
    const int32_t vars = options.read_count();
    proc_data group;
    group.nobs = count;
    group.excluded = whole.excluded + first;
    group.response_only_missing = whole.response_only_missing + first;
    group.columns = allocate_array<double *>(vars);
    group.texts = allocate_array<name33 *>(vars);
    for (int32_t v = 0; v < vars; ++v) {
        if (whole.columns[v] != nullptr) group.columns[v] = whole.columns[v] + first;
        if (whole.texts[v] != nullptr) group.texts[v] = whole.texts[v] + first;
    }
    group.shares = whole.shares;
    group.classes = allocate_array<class_coding>(options.p);
    for (int32_t i = 0; i < options.p; ++i) group.classes[i] = class_coding{};
    group.character_response = whole.character_response;
    return group;
}

void release_model_columns(const proc_options &options, proc_data &data) {
    for (int32_t v = 0; v <= options.p; ++v) {
        bool carried = false;
        for (int32_t c = options.p + 1; c < options.read_count(); ++c) carried = carried || data.shares[c] == v;
        if (!carried) release_array(data.columns[v]);
        release_array(data.texts[v]);
        data.columns[v] = nullptr;
        data.texts[v] = nullptr;
    }
}

} // namespace quill::proc
