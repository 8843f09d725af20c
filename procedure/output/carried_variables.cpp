// The variables OUTPRED carries, so that the predictions can be merged back: the ID variables,
// or without an ID statement every variable of the input data set. Each keeps its name and type
// and takes the input observation's value, ahead of PREDICTED. Also the BY variables that lead
// every output data set, and the warning given before an output data set replaces the input.
#include <cstring>
#include <string>

#include "host_link.h"
#include "output/output_writer.h"
#include "proc_run.h"

namespace quill::proc {

void define_carried_variables(const proc_options &options, proc_outputs &outputs) {
    outputs.carried_numbers = allocate_array<double>(options.carried_count);
    outputs.carried_texts = allocate_array<name33>(options.carried_count);
    for (int32_t j = 0; j < options.carried_count; ++j) {
        const trimmed name(options.carried[j].name.text);
        const int32_t length = static_cast<int32_t>(std::strlen(name.text));
        const bool numeric = options.carried[j].type == QH_VAR_NUMERIC;
        const qh_var_def def = numeric ? qh_var_def{QH_VAR_NUMERIC, 8, name.text, length, "BEST", 12}
                                       : qh_var_def{QH_VAR_CHARACTER, kNameWidth, name.text, length, "$", kNameWidth};
        const void *value = numeric ? static_cast<const void *>(&outputs.carried_numbers[j])
                                    : static_cast<const void *>(outputs.carried_texts[j].text);
        check_host(host().define_variable(outputs.records[out_pred], &def, 0, value, def.length) == 0,
                   "define variable %s of the output data set OUTPRED", name.text);
    }
}

void set_carried_values(const proc_options &options, const proc_data &data, proc_outputs &outputs, int32_t o) {
    for (int32_t j = 0; j < options.carried_count; ++j) {
        const int32_t v = options.p + 1 + j;
        if (options.carried[j].type == QH_VAR_NUMERIC) outputs.carried_numbers[j] = data.columns[v][o];
        else outputs.carried_texts[j] = data.texts[v][o];
    }
}

void define_by_variables(const proc_options &options, proc_outputs &outputs, output_kind kind) {
    if (outputs.by_numbers == nullptr) {
        outputs.by_numbers = allocate_array<double>(options.by_count);
        outputs.by_texts = allocate_array<char *>(options.by_count);
        for (int32_t k = 0; k < options.by_count; ++k)
            if (options.by_variables[k].type != QH_VAR_NUMERIC)
                outputs.by_texts[k] = allocate_array<char>(static_cast<std::size_t>(options.by_variables[k].length) + 1);
    }
    for (int32_t k = 0; k < options.by_count; ++k) {
        const trimmed name(options.by[k].name.text);
        const int32_t length = static_cast<int32_t>(std::strlen(name.text));
        const int32_t bytes = options.by_variables[k].length;
        const bool numeric = options.by_variables[k].type == QH_VAR_NUMERIC;
        const qh_var_def def = numeric ? qh_var_def{QH_VAR_NUMERIC, 8, name.text, length, "BEST", 12}
                                       : qh_var_def{QH_VAR_CHARACTER, bytes, name.text, length, "$", bytes};
        const void *value = numeric ? static_cast<const void *>(&outputs.by_numbers[k])
                                    : static_cast<const void *>(outputs.by_texts[k]);
        check_host(host().define_variable(outputs.records[kind], &def, 0, value, def.length) == 0,
                   "define variable %s of the output data set %s", name.text, kOutputOptions[kind]);
    }
}

void set_by_values(const proc_options &options, const qh_by_group &group, proc_outputs &outputs) {
    // A run without output data sets has nowhere to put them.
    if (outputs.by_numbers == nullptr) return;
    for (int32_t k = 0; k < options.by_count; ++k) {
        if (options.by_variables[k].type == QH_VAR_NUMERIC) outputs.by_numbers[k] = group.numbers[k];
        else std::memcpy(outputs.by_texts[k], group.texts[k], static_cast<std::size_t>(options.by_variables[k].length));
    }
}

void warn_if_input(const proc_options &options, qh_dataset *output, const char *option) {
    const std::string where = dataset_name(output, QH_DSNAME_LOCATION);
    if (where.empty() || where != dataset_name(options.input, QH_DSNAME_LOCATION)) return;
    host().log("%2zThe %s= data set %s is the DATA= data set; the input data will be replaced.", option,
               dataset_name(output, QH_DSNAME_DISPLAY).c_str());
}

} // namespace quill::proc
