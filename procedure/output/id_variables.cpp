// The ID variables of OUTPRED, so that the predictions can be merged back: each keeps its name
// and type and takes the input observation's value, ahead of PREDICTED. Also the warning given
// before an output data set replaces the input.
#include <cstring>
#include <string>

#include "host_link.h"
#include "proc_run.h"

namespace quill::proc {

void define_id_variables(proc_run &run) {
    run.id_number_values = allocate_array<double>(run.id_count);
    run.id_text_values = allocate_array<name33>(run.id_count);
    for (int32_t j = 0; j < run.id_count; ++j) {
        const trimmed name(run.id_names[j].text);
        const int32_t length = static_cast<int32_t>(std::strlen(name.text));
        const bool numeric = run.id_types[j] == QH_VAR_NUMERIC;
        const qh_var_def def = numeric ? qh_var_def{QH_VAR_NUMERIC, 8, name.text, length, "BEST", 12}
                                       : qh_var_def{QH_VAR_CHARACTER, kNameWidth, name.text, length, "$", kNameWidth};
        const void *value = numeric ? static_cast<const void *>(&run.id_number_values[j])
                                    : static_cast<const void *>(run.id_text_values[j].text);
        check_host(host().define_variable(run.out_rec[out_pred], &def, 0, value, def.length) == 0,
                   "define variable %s of the output data set OUTPRED", name.text);
    }
}

void set_id_values(proc_run &run, int32_t o) {
    for (int32_t j = 0; j < run.id_count; ++j) {
        const int32_t v = run.p + 1 + j;
        if (run.id_types[j] == QH_VAR_NUMERIC) run.id_number_values[j] = run.columns[v][o];
        else run.id_text_values[j] = run.obs_texts[v][o];
    }
}

void warn_if_input(const proc_run &run, qh_dataset *output, const char *option) {
    const std::string where = dataset_name(output, QH_DSNAME_LOCATION);
    if (where.empty() || where != dataset_name(run.input, QH_DSNAME_LOCATION)) return;
    host().log("%2zThe %s= data set %s is the DATA= data set; the input data will be replaced.", option,
               dataset_name(output, QH_DSNAME_DISPLAY).c_str());
}

} // namespace quill::proc
