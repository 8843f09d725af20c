// The screen of the logistic and Poisson LQA fits of a grid that all start from one point (the
// default rule's unpenalized fit). That start has every coefficient alive, so without a screen
// each fit carries through all its passes the columns it will report as 0: those that creep
// down to the drop threshold, and (at small lambdas) those that settle below the final
// threshold and are zeroed at the end. The grid rises in lambda; a coefficient reported as 0 by
// the fit before is screened out of this one when, with every other coefficient as that fit
// left it, 0 remains its place at this lambda: its gradient c_j = |x_j'W0 (y - mu)| is within
// n lambda (the condition for 0 to be optimal), or c_j / h_j, the largest value it could take
// on its own (h_j = x_j'A x_j, its curvature), is within the final threshold. A screened
// coefficient leaves after the first pass, which stays the shared one. Once the passes converge
// the same test is made at the fit's point: one that fails it is put back at its start and the
// passes resume, so a wrong screen costs passes, never a coefficient.
#pragma once

#include "estimation/lqa_workspace.h"
#include "records/scad_session.h"

namespace quill::engine {

// What the screen of one fit asks: its penalties (q entries, forced-in coefficients never
// screened), the case weights' sum n, and the settings' thresholds.
struct screen_rule {
    const dbl1& lambda_vector;
    const log1& forcein;
    double weight_sum;
    double threshold;
    double final_threshold;
};

// Marks ws.screened for a fit from `start`, from the record of the fit before when it started
// from the same point; returns how many. The curvatures are those of the shared first pass.
int choose_screened(lqa_workspace& ws, const dbl1& start, const screen_rule& rule);

// Forms ws.zero_gradient at `point`: c_j for every coefficient that is 0 there and not forced
// in, +infinity for the others. Summed chunk by chunk in chunk order, so the bits do not depend
// on the threads.
void form_zero_gradient(const scad_session& session, lqa_workspace& ws, const dbl1& point,
                        const log1& forcein);

// The screened coefficients that fail the test on ws.zero_gradient: each is unmarked and set to
// its start value in `point`. Returns how many.
int restore_violators(lqa_workspace& ws, const dbl1& start, const screen_rule& rule, dbl1& point);

// Keeps ws.zero_gradient as the record for the next fit from `start`.
void keep_screen_record(lqa_workspace& ws, const dbl1& start);

}  // namespace quill::engine
