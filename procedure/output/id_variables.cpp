// The ID variables of OUTPRED, so that the predictions can be merged back: each keeps its name
// and type and takes the input observation's value, ahead of PREDICTED. Also the warning given
// before an output data set replaces the input.
#include <cstring>
#include <string>

#include "host_link.h"
#include "output/output_writer.h"
#include "proc_run.h"

namespace quill::proc {

void define_id_variables(const proc_options &options, proc_outputs &outputs) {
    outputs.id_numbers = allocate_array<double>(options.id_count);
    outputs.id_texts = allocate_array<name33>(options.id_count);
    for (int32_t j = 0; j < options.id_count; ++j) {
        const trimmed name(options.ids[j].name.text);
        const int32_t length = static_cast<int32_t>(std::strlen(name.text));
        const bool numeric = options.ids[j].type == QH_VAR_NUMERIC;
        const qh_var_def def = numeric ? qh_var_def{QH_VAR_NUMERIC, 8, name.text, length, "BEST", 12}
                                       : qh_var_def{QH_VAR_CHARACTER, kNameWidth, name.text, length, "$", kNameWidth};
        const void *value = numeric ? static_cast<const void *>(&outputs.id_numbers[j])
                                    : static_cast<const void *>(outputs.id_texts[j].text);
        check_host(host().define_variable(outputs.records[out_pred], &def, 0, value, def.length) == 0,
                   "define variable %s of the output data set OUTPRED", name.text);
    }
}

void set_id_values(const proc_options &options, const proc_data &data, proc_outputs &outputs, int32_t o) {
    for (int32_t j = 0; j < options.id_count; ++j) {
        const int32_t v = options.p + 1 + j;
        if (options.ids[j].type == QH_VAR_NUMERIC) outputs.id_numbers[j] = data.columns[v][o];
        else outputs.id_texts[j] = data.texts[v][o];
    }
}

void warn_if_input(const proc_options &options, qh_dataset *output, const char *option) {
    const std::string where = dataset_name(output, QH_DSNAME_LOCATION);
    if (where.empty() || where != dataset_name(options.input, QH_DSNAME_LOCATION)) return;
    host().log("%2zThe %s= data set %s is the DATA= data set; the input data will be replaced.", option,
               dataset_name(output, QH_DSNAME_DISPLAY).c_str());
}

} // namespace quill::proc
