// The top of a grid that covers the whole path (max_lambda_full): the smallest lambda at which
// the fit started from the unpenalized fit sets every penalized coefficient to 0.
#pragma once

#include "records/scad_session.h"

namespace quill::engine {

// Finds the top by fitting, on the standardized scale, with the grid's fit routine and
// iteration limit: it is at least max |b_j| / a (b the unpenalized fit, every penalized
// coefficient then within the penalty's reach) and at least max |x_j'W0 (y - mu0)| / n (mu0 the
// fit of the intercept and forced-in columns alone, where the all-zero fit is stationary), and
// is found to within 1 %. `top` is -1 when no column is penalized. -1 when a fit failed (it has
// reset the session and left its lines in the trail) or no lambda up to 1.5^80 times the bounds
// ends the path (nothing in the trail).
int full_path_top(scad_session& session, double& top, error_trail& trail);

}  // namespace quill::engine
