// One runscad call: the argument checks, then the call's controls, its trace lines and worker
// threads, and the fit's stages (fit_stages.h): the data loaded, the estimation, the read-out.
// A failure at any step leaves the trail's lines, which the failure exit joins into the caller's
// message array.
#include "runscad.h"

#include "argument_checks.h"
#include "estimation/grid_search.h"
#include "estimation/initial_fit.h"
#include "fit_stages.h"
#include "message_codes.h"
#include "quill/runscad.h"
#include "support/thread_team.h"
#include "support/trace_lines.h"

namespace quill::engine {

namespace {

constexpr const char* where = "runscad in MOD scad_types";
constexpr uint8_t byte_true = 0xFF;

// A call whose option vector and intercept_mode are valid, from the argument checks on; -1
// leaves the reason in the trail.
int estimate(const runscad_arguments& a, error_trail& trail) {
    if (check_runscad_arguments(a, trail) != 0) return -1;
    const call_controls controls = read_call_controls(a);
    const trace_lines_scope trace(!controls.quiet);
    // The worker threads live for this call only.
    const thread_team_scope team(engine_thread_count(controls.thread_limit));
    loaded_fit f;
    if (load_fit(a, controls.rule, f, trail) != 0 ||
        run_calculate_scad_initialfit(f.session, trail) != 0 ||
        run_calculate_scad_stdresults(f.session, trail) != 0 ||
        run_calculate_scad_unstdresults(f.session, trail) != 0)
        return -1;
    return read_out(a, nullptr, f, trail);
}

}  // namespace

int begin_call(const runscad_arguments& a, error_trail& trail) {
    if (a.option_vector == nullptr)
        return fail(trail, where, "The argument option_vector of runscad is a null pointer.");
    return check_intercept_mode(a.option_vector[QUILL_OPT_INTERCEPT_MODE], trail);
}

void run_scad_call(const runscad_arguments& a) {
    if (a.error_flag == nullptr) return;  // no way to report anything
    *a.error_flag = 0;
    if (a.converged_out) *a.converged_out = 0;
    if (a.intercept_out) *a.intercept_out = 0.0;
    if (a.message_codes == nullptr || a.msg_len < 1) {
        *a.error_flag = byte_true;
        return;
    }

    error_trail trail;
    if (begin_call(a, trail) != 0 || estimate(a, trail) != 0) {
        write_message_codes(trail, a.message_codes, a.msg_len);
        *a.error_flag = byte_true;
    }
}

void report_unexpected_failure(const runscad_arguments& a) noexcept {
    if (a.error_flag == nullptr) return;
    *a.error_flag = byte_true;
    if (a.message_codes != nullptr && a.msg_len >= 1)
        write_message_codes("The engine stopped on an unexpected internal error.",
                            a.message_codes, a.msg_len);
}

}  // namespace quill::engine
