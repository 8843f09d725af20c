// The screen of the logistic and Poisson LQA fits of a grid that all start from one point (the
// default rule's unpenalized fit). That start has every coefficient alive, so without a screen
// each fit carries through all its passes the coefficients it will report as 0; at the small
// lambdas of a grid most of them settle between the drop threshold and the final threshold,
// and are zeroed only at the end. A coefficient the fit before reported as 0 is screened out of
// this one when, with every other coefficient as that fit left it, it could not reach the final
// threshold on its own: its gradient c_j = |x_j'W0 (y - mu)| over its curvature h_j = x_j'A x_j
// (the largest value one Newton step from 0 gives it; the penalty only takes from that) is at
// most the final threshold. The curvatures are those of the shared first pass, at the start. A
// screened coefficient leaves after that first pass. Once the passes converge, the same test is
// made where the fit will be reported: one that fails it is put back at its start and the passes
// resume, so no slope is kept out of a fit it would enter above the final threshold.
//
// Whether 0 is optimal for a coefficient (c_j within n lambda) is no test here: where SCAD has
// more than one local optimum, a coefficient kept out from the first pass on may settle the
// others at another optimum than the fit that carries it would (the top of a full grid kept a
// slope that the unscreened fit lets go), and the screen is to cost passes, not move fits.
#pragma once

#include "estimation/lqa_workspace.h"
#include "records/scad_session.h"

namespace quill::engine {

// What the screen of one fit asks: the forced-in coefficients (never screened) and the
// settings' thresholds.
struct screen_rule {
    const log1& forcein;
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
