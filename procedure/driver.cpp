// One run of PROC QUILLFIT: connect to the host, parse and check the statements, read the data,
// build the design, call the engine once, then report and write the output data sets. Every
// path ends through the host's end-run operation with a return code.
#include <cstring>

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
    read_data(options, run.data);
    check_data(options, run.data);
    build_design(options, run.data, run.design);
    // The design holds the model's data now; the fit runs without the read columns.
    release_model_columns(options, run.data);
    fit_model(options, run.design, run.fit);
    warn_about_fit(options, run.data, run.design, run.fit);

    if (!options.noprint) print_summary(options, run.data, run.design, run.fit);
    define_outputs(options, run.data, run.design, run.fit, run.outputs);
    write_outputs(options, run.data, run.design, run.fit, run.outputs);
    draw_plots(options, run.data, run.design, run.fit);
    if (run.data.read_record != nullptr)
        check_host(host().release_record(run.data.read_record) == 0, "close the input data set");
    end_run(rc_complete);
}

} // namespace quill::proc
