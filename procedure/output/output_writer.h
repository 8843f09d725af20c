// Defining and writing the variables of an output data set: shared by the data sets of one
// observation, OUTPRED and OUTPATH. Every variable is numeric and bound to the address of its
// value, which the host reads at each write; every host result is checked.
#ifndef QUILL_PROC_OUTPUT_WRITER_H
#define QUILL_PROC_OUTPUT_WRITER_H

#include <cstdio>
#include <cstring>

#include "host_link.h"
#include "proc_run.h"

namespace quill::proc {

struct output_set {
    proc_run &run;
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
    check_host(host().define_variable(out.run.out_rec[out.kind], &def, 0, value, 8) == 0,
               "define variable %s of the output data set %s", name, kOutputOptions[out.kind]);
}

inline bool open(proc_run &run, output_kind kind, int32_t variables) {
    if (run.out_ds[kind] == nullptr) return false;
    warn_if_input(run, run.out_ds[kind], kOutputOptions[kind]);
    run.out_rec[kind] = host().open_write(run.out_ds[kind], variables);
    check_host(run.out_rec[kind] != nullptr, "open the output data set %s", kOutputOptions[kind]);
    return true;
}

inline void end_definitions(const proc_run &run, output_kind kind) {
    check_host(host().end_definitions(run.out_rec[kind]) == 0, "create the output data set %s",
               kOutputOptions[kind]);
}

inline void write_observation(const proc_run &run, output_kind kind) {
    check_host(host().write_record(run.out_rec[kind], 0) == 0 && host().write_dataset(run.out_ds[kind], 0) == 0,
               "write an observation of the output data set %s", kOutputOptions[kind]);
}

inline void release(const proc_run &run, output_kind kind) {
    check_host(host().release_record(run.out_rec[kind]) == 0, "complete the output data set %s",
               kOutputOptions[kind]);
}

// One variable per design column, named from the predictor (and the level of a CLASS column).
inline void define_columns(const output_set &out, const char *numeric_pattern, const char *level_pattern,
                    const double *values) {
    const proc_run &run = out.run;
    int32_t k = 0;
    for (int32_t i = 0; i < run.p; ++i) {
        const char *name = run.predictor_names[i].text;
        if (!run.is_class[i]) {
            define(out, &values[k++], numeric_pattern, name);
            continue;
        }
        for (int32_t level = 0; level < run.class_levels[i]; ++level)
            if (level != run.reference_level[i])
                define(out, &values[k++], level_pattern, name, run.level_texts[i][level].text);
    }
}

} // namespace quill::proc

#endif
