// One run of PROC QUILLFIT: connect to the host, parse and check the statements, read the data,
// build the design, call the engine once, then report and write the output data sets. Under BY
// the data are read once and each BY group is coded, fitted, reported and written on its own.
// Every path ends through the host's end-run operation with a return code.
#include <cstring>

#include "data/class_levels.h"
#include "data/design_matrix.h"
#include "data/read_data.h"
#include "engine_call.h"
#include "host_link.h"
#include "output/outputs.h"
#include "output/report.h"
#include "proc_run.h"
#include "statements/statements.h"

namespace quill::proc {
namespace {

// The digit after "TLKTDBG=" in the host's DEBUG option selects a debug level.
int debug_level(const char *debug_option) {
    if (debug_option == nullptr) return 0;
    const char *at = std::strstr(debug_option, "TLKTDBG=");
    if (at == nullptr) return 0;
    const char digit = at[8];
    return (digit >= '0' && digit <= '9') ? digit - '0' : 0;
}

// Loads the host's procedure interface module and lets it fill the routine table.
void connect(qh_parse_area &area) {
    const qh_interface_vector &vector = interface_vector();
    // A run that ended inside a BY group left these on.
    count_group_messages(false);
    set_group_running(false);
    host() = qh_routines{};
    qh_proci_entry entry = nullptr;
    if (debug_level(vector.debug_option) != 0) {
        entry = vector.load_module("SASPROCD");
        if (entry == nullptr)
            vector.log("%3zCannot load the SASPROCD module. Since this is a debug-only module, "
                       "an attempt is made to load SASPROCI instead.");
    }
    if (entry == nullptr) entry = vector.load_module("SASPROCI");
    if (entry == nullptr) {
        vector.log("%1zCannot load the SASPROCI module. The user-written item cannot function "
                   "without it.");
        end_run(rc_interface_missing); // the table is empty: the vector's end_run
    }
    entry(&host(), &area);
}

// One BY group: its rows of the data read, coded, checked, fitted, reported and written. A
// problem of its data or fit is reported and the group is skipped; false then. The log names
// the group below any error or warning it wrote.
bool run_group(proc_run &run, const proc_data &whole, const qh_by_group &group, int32_t number) {
    const proc_options &options = run.options;
    bool fitted = false;
    count_group_messages(true);
    set_group_running(true);
    try {
        proc_data data = group_slice(options, whole, group.first, group.count);
        code_data(options, data);
        check_data(options, data);
        run.design = proc_design{};
        build_design(options, data, run.design);
        run.fit = proc_fit{};
        fit_model(options, run.design, run.fit);
        if (run.fit.aliased_design) refuse_aliased_columns(options, data, run.fit);
        warn_about_fit(options, data, run.design, run.fit);
        if (!options.noprint) print_summary(options, data, run.design, run.fit, group.heading);
        hand_over_tables(options, data, run.design, run.fit, &group);
        map_output_columns(options, whole, data, run.outputs);
        set_by_values(options, group, run.outputs);
        write_outputs(options, data, run.design, run.fit, run.outputs, false);
        draw_plots(options, data, run.design, run.fit, number, group.line);
        fitted = true;
    } catch (const group_failed &) {
    }
    release_group_memory();
    set_group_running(false);
    const bool said = group_messages() > 0;
    count_group_messages(false);
    if (said) {
        host().log("%3zThe above message was for the following BY group:");
        host().log("      %s", group.line);
    }
    return fitted;
}

// BY groups: the host checks the order and gives the groups before anything is read or opened.
// The output data sets take the CLASS levels of the whole data set as their columns. A run with
// a failed group ends with an error after the last group; the groups fitted stay in the outputs.
[[noreturn]] void run_by_groups(proc_run &run) {
    const proc_options &options = run.options;
    const qh_by_group *groups = nullptr;
    const int32_t count = host().by_groups(options.input, options.by_count, options.by_variables, &groups);
    if (count < 0) end_run(rc_error); // the host has written why
    proc_data &whole = run.data;
    read_observations(options, whole);
    int32_t covered = 0;
    for (int32_t g = 0; g < count; ++g)
        covered = groups[g].first == covered && groups[g].count > 0 ? covered + groups[g].count : -1;
    check_host(count > 0 ? covered == whole.nobs : whole.nobs == 0, "divide the input data set into BY groups");
    if (count == 0) { // no observations: the checks say so
        code_data(options, whole);
        check_data(options, whole);
    }
    for (int32_t i = 0; i < options.p; ++i)
        if (options.predictors[i].is_class) code_class_predictor(options, whole, i);
    define_outputs(options, whole, run.design, run.fit, run.outputs);

    int32_t failed = 0;
    for (int32_t g = 0; g < count; ++g)
        if (!run_group(run, whole, groups[g], g + 1)) ++failed;
    if (failed < count) release_outputs(run.outputs);
    if (whole.read_record != nullptr)
        check_host(host().release_record(whole.read_record) == 0, "close the input data set");
    if (failed == 0) end_run(rc_complete);
    if (failed < count)
        host().log("%1z%d of the %d BY groups could not be fitted; the output data sets hold the other %d.",
                   failed, count, count - failed);
    else
        host().log("%1zNone of the %d BY groups could be fitted.", count);
    end_run(rc_error);
}

} // namespace

void proc_main() {
    qh_parse_area area{};
    connect(area);
    // The host has already written its parse errors to the log.
    host().parse(&build_grammar(), 0, &area);
    if (area.status >= QH_PARSE_FAILED || area.proc_record == nullptr) end_run(rc_error);

    host().log("%8hQUILLFIT: SCAD-penalized regression (normal, logistic and Poisson models)");
    proc_run run;
    const proc_options &options = run.options;
    parse_statements(area.proc_record, run.options);
    if (options.by_count > 0) run_by_groups(run);
    read_data(options, run.data);
    check_data(options, run.data);
    build_design(options, run.data, run.design);
    // The design holds the model's data now; the fit runs without the read columns.
    release_model_columns(options, run.data);
    fit_model(options, run.design, run.fit);
    if (run.fit.aliased_design) refuse_aliased_columns(options, run.data, run.fit);
    warn_about_fit(options, run.data, run.design, run.fit);

    if (!options.noprint) print_summary(options, run.data, run.design, run.fit);
    hand_over_tables(options, run.data, run.design, run.fit);
    define_outputs(options, run.data, run.design, run.fit, run.outputs);
    map_output_columns(options, run.data, run.data, run.outputs);
    write_outputs(options, run.data, run.design, run.fit, run.outputs, true);
    draw_plots(options, run.data, run.design, run.fit);
    if (run.data.read_record != nullptr)
        check_host(host().release_record(run.data.read_record) == 0, "close the input data set");
    end_run(rc_complete);
}

} // namespace quill::proc
