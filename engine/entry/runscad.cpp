// One call: the argument checks, then the call's trace lines and worker threads, and the fit's
// stages (fit_stages.h): the data loaded, the estimation, the read-out. A failure at any step
// leaves the trail's lines, which the failure exit joins into the caller's message array.
#include "runscad.h"

#include "argument_checks.h"
#include "cv_call.h"
#include "estimation/grid_search.h"
#include "estimation/initial_fit.h"
#include "fit_stages.h"
#include "message_codes.h"
#include "support/fit_progress.h"
#include "support/thread_team.h"
#include "support/trace_lines.h"

namespace quill::engine {

namespace {

constexpr uint8_t byte_true = 0xFF;

// A call whose intercept_mode is valid, from the argument checks on; -1 leaves the reason in
// the trail.
int estimate(const fit_request& r, error_trail& trail) {
    if (check_fit_request(r, trail) != 0) return -1;
    const trace_lines_scope trace(r.controls.trace != 0);
    const progress_scope progress(r.controls.progress, r.controls.progress_context,
                                  r.controls.grid_size);
    // The worker threads live for this call only.
    const thread_team_scope team(engine_thread_count(r.controls.threads));
    loaded_fit f;
    if (load_fit(r, f, trail) != 0 || run_calculate_scad_initialfit(f.session, trail) != 0 ||
        run_calculate_scad_stdresults(f.session, trail) != 0 ||
        run_calculate_scad_unstdresults(f.session, trail) != 0)
        return -1;
    return read_out(r, nullptr, f, trail);
}

}  // namespace

bool open_call(const fit_outputs& out) {
    if (out.error_flag == nullptr) return false;  // no way to report anything
    *out.error_flag = 0;
    if (out.converged) *out.converged = 0;
    if (out.intercept) *out.intercept = 0.0;
    if (out.message_codes == nullptr || out.msg_len < 1) {
        *out.error_flag = byte_true;
        return false;
    }
    return true;
}

void report_failure(const fit_outputs& out, const error_trail& trail) {
    write_message_codes(trail, out.message_codes, out.msg_len);
    *out.error_flag = byte_true;
}

void run_fit(const fit_request& r) {
    if (r.entry == entry_kind::structs && r.controls.selection == QUILL_SELECTION_CV)
        return run_cross_validation(r);
    if (!open_call(r.out)) return;
    error_trail trail;
    if (check_intercept_mode(r.controls.intercept_mode, trail) != 0 || estimate(r, trail) != 0)
        report_failure(r.out, trail);
}

void report_unexpected_failure(const fit_outputs& out) noexcept {
    if (out.error_flag == nullptr) return;
    *out.error_flag = byte_true;
    if (out.message_codes != nullptr && out.msg_len >= 1)
        write_message_codes("The engine stopped on an unexpected internal error.",
                            out.message_codes, out.msg_len);
}

}  // namespace quill::engine
