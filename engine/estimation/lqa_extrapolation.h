// The extrapolation step that accelerates the LQA fixed-point passes (a squared extrapolation,
// SQUAREM's third step length). LQA closes in on a coefficient linearly while it sits where the
// SCAD penalty bends (between lambda and a lambda) and while an irrelevant one creeps toward the
// drop threshold; from three successive points of the plain passes the step extrapolates along
// the sequence toward the same fixed point. The caller keeps it only where it lowers the
// penalized objective, and ends every fit with plain passes, so the convergence test and the
// fixed point are those of the plain passes.
#pragma once

#include "support/engine_array.h"

namespace quill::engine {

// From theta0, theta1 = M(theta0) and theta2 = M(theta1) (q entries each) forms
//   trial = theta0 + 2 s r + s^2 v,  r = theta1 - theta0,  v = theta2 - 2 theta1 + theta0,
// with the step length s = |r| / |v| held at most `limit` (s = 1 gives theta2). A coefficient
// that is 0 in theta2 stays 0. Returns false, leaving `trial` undefined, when s <= 1 (nothing
// to gain), when a value is not finite, or when a penalized coefficient (penalized(j)) would
// change sign: a coefficient crossing 0 passes the penalty's kink, which the passes never jump.
// `step` receives s.
bool lqa_extrapolate(const dbl1& theta0, const dbl1& theta1, const dbl1& theta2,
                     const log1& forced, double limit, dbl1& trial, double& step);

}  // namespace quill::engine
