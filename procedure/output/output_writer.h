// Defining and writing the variables of an output data set: shared by the data sets of one
// observation, OUTPRED and OUTPATH. Every variable is numeric and bound to the address of its
// value, which the host reads at each write; every host result is checked.
#ifndef QUILL_PROC_OUTPUT_OUTPUT_WRITER_H
#define QUILL_PROC_OUTPUT_OUTPUT_WRITER_H

#include <cstdio>
#include <cstring>

#include "data/design_columns.h"
#include "host_link.h"
#include "proc_run.h"

namespace quill::proc {

struct output_set {
    qh_record *record;
    output_kind kind;
    int32_t format_width;
};

// Formats, prepares through the host and defines one variable bound to `value`.
template <typename... Args>
void define(const output_set &out, const double *value, const char *pattern, Args... args) {
    char *name = allocate_array<char>(kNameBytes);
    std::snprintf(name, kNameBytes, pattern, args...);
    const bool per_column = out.kind == out_betas || out.kind == out_errs || out.kind == out_path;
    if (per_column) host().remove_pattern(name, static_cast<int32_t>(std::strlen(name)), " ");
    int32_t length = static_cast<int32_t>(std::strlen(name));
    while (length > 0 && name[length - 1] == ' ') --length;
    name[length] = '\0';
    host().name_text(name, length, QH_TEXT_VALID_NAME);
    const qh_var_def def{QH_VAR_NUMERIC, 8, name, length, "BEST", out.format_width};
    check_host(host().define_variable(out.record, &def, 0, value, 8) == 0,
               "define variable %s of the output data set %s", name, kOutputOptions[out.kind]);
}

// A WARNING before an output data set that is the DATA= data set replaces it (carried_variables.cpp).
void warn_if_input(const proc_options &options, qh_dataset *output, const char *option);

// The BY variables, ahead of every other variable of an output data set (carried_variables.cpp).
void define_by_variables(const proc_options &options, proc_outputs &outputs, output_kind kind);

// Opens the output data set `kind` for writing when it was asked for, and defines its BY
// variables; `variables` counts the others.
inline bool open(const proc_options &options, proc_outputs &outputs, output_kind kind, int32_t variables) {
    qh_dataset *ds = options.outputs[kind];
    if (ds == nullptr) return false;
    warn_if_input(options, ds, kOutputOptions[kind]);
    outputs.records[kind] = host().open_write(ds, options.by_count + variables);
    check_host(outputs.records[kind] != nullptr, "open the output data set %s", kOutputOptions[kind]);
    define_by_variables(options, outputs, kind);
    return true;
}

inline void end_definitions(const proc_outputs &outputs, output_kind kind) {
    check_host(host().end_definitions(outputs.records[kind]) == 0, "create the output data set %s",
               kOutputOptions[kind]);
}

inline void write_observation(const proc_options &options, const proc_outputs &outputs, output_kind kind) {
    check_host(host().write_record(outputs.records[kind], 0) == 0 &&
                   host().write_dataset(options.outputs[kind], 0) == 0,
               "write an observation of the output data set %s", kOutputOptions[kind]);
}

inline void release(const proc_outputs &outputs, output_kind kind) {
    check_host(host().release_record(outputs.records[kind]) == 0, "complete the output data set %s",
               kOutputOptions[kind]);
}

// One variable per design column, named from the predictor (and the level of a CLASS column).
inline void define_columns(const output_set &out, const proc_options &options, const proc_data &data,
                           const char *numeric_pattern, const char *level_pattern, const double *values) {
    for_each_design_column(options, data, [&](const design_column &c) {
        const char *name = options.predictors[c.predictor].var.name.text;
        if (c.indicator())
            define(out, &values[c.index], level_pattern, name, data.classes[c.predictor].texts[c.level].text);
        else
            define(out, &values[c.index], numeric_pattern, name);
    });
}

// The variables OUTPRED carries (carried_variables.cpp): defined before PREDICTED, set to
// observation o's values.
void define_carried_variables(const proc_options &options, proc_outputs &outputs);
void set_carried_values(const proc_options &options, const proc_data &data, proc_outputs &outputs, int32_t o);

// OUTPATH (outpath.cpp): one observation per grid value.
void define_path(const proc_options &options, const proc_data &data, proc_outputs &outputs);
void write_path(const proc_options &options, const proc_design &design, const proc_fit &fit,
                proc_outputs &outputs, bool complete);

} // namespace quill::proc

#endif
