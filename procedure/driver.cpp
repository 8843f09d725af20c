// One run of PROC QUILLFIT: connect to the host, parse and check the statements, read the data,
// call the engine once, then report and write the output data sets. Every path ends through
// the host's end-run operation with a return code.
#include <cstring>

#include "host_link.h"
#include "proc_run.h"
#include "quill/runscad.h"

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

void allocate_message(proc_run &run) {
    run.message_codes = allocate_array<int32_t>(kMessageLength);
    for (int32_t i = 0; i < kMessageLength; ++i) run.message_codes[i] = 32;
    // One byte more than the codes, so the text is terminated even when the engine filled all.
    run.message_text = allocate_array<char>(kMessageLength + 1);
    run.error_flag = 0;
}

void call_engine(proc_run &run) {
    // The per-grid table only when OUTPATH or PLOTS asks for it: without it the call is runscad.
    runscad_path(run.total_cols, run.n, run.design, run.response, run.case_weights,
                 run.design_forcein, run.option_vector, run.grid_size, run.tolerance, &run.min_lambda,
                 &run.max_lambda, run.model_type, run.scad_a, run.betas, &run.intercept,
                 run.std_errs, &run.intercept_se, run.coef_path, &run.selected_lambda,
                 &run.criterion_value, &run.simple_df, &run.effective_df, &run.best_index,
                 &run.iterations, &run.converged, &run.at_max_lambda, &run.at_min_lambda,
                 &run.error_flag, kMessageLength, run.message_codes,
                 run.grid.lambda != nullptr ? &run.grid : nullptr);
    for (int32_t i = 0; i < kMessageLength; ++i)
        run.message_text[i] = static_cast<char>(run.message_codes[i] & 0xFF);
    run.message_text[kMessageLength] = '\0';
}

// The engine's message: one log line per non-empty line, framed by two blank lines.
[[noreturn]] void report_engine_failure(const proc_run &run) {
    host().log("%1zA problem occured during model estimation.  Diagnostic information is as "
               "follows:");
    host().log(" ");
    const char *line = run.message_text;
    while (*line != '\0') {
        const std::size_t length = std::strcspn(line, "\r\n");
        if (length > 0) host().log("   %.*s", static_cast<int>(length), line);
        line += length;
        while (*line == '\r' || *line == '\n') ++line;
    }
    host().log(" ");
    end_run(rc_error);
}

} // namespace

void init_run(proc_run &run) { run = proc_run{}; }

void proc_main() {
    proc_run run;
    init_run(run);

    qh_parse_area area{};
    connect(area);
    // The host has already written its parse errors to the log.
    host().parse(&build_grammar(), 0, &area);
    if (area.status >= QH_PARSE_FAILED || area.proc_record == nullptr) end_run(rc_error);
    run.proc_record = area.proc_record;

    host().log("%8hQUILLFIT: SCAD-penalized regression (normal, logistic and Poisson models)");
    allocate_message(run);
    parse_statements(run);
    read_data(run);
    check_data(run);
    build_design(run);
    allocate_path(run);
    call_engine(run);
    if (run.error_flag != 0) report_engine_failure(run);
    warn_about_fit(run);

    if (!run.noprint) print_summary(run);
    define_outputs(run);
    define_path(run);
    write_outputs(run);
    write_path(run);
    draw_plots(run);
    if (run.read_record != nullptr)
        check_host(host().release_record(run.read_record) == 0, "close the input data set");
    end_run(rc_complete);
}

} // namespace quill::proc
