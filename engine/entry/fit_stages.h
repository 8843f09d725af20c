// The stages of one fit inside a call: the data loaded into a session, and the read-out of the
// fitted session into the caller's arrays. An ordinary call loads and reads out once;
// cross-validation loads each fold's data and the full data within the same call.
#pragma once

#include <cstdint>

#include "records/scad_session.h"
#include "response_scale.h"
#include "runscad.h"
#include "support/engine_array.h"
#include "support/error_trail.h"

namespace quill::engine {

// One data set's session with the call's own copies of its inputs (a normal response divided by
// its standard deviation). The design is not copied: the loader keeps only its standardized form.
struct loaded_fit {
    dbl1 y;
    dbl1 case_weights;
    log1 forcein;
    response_scale scale;
    scad_session session;
};

// Copies the inputs, loads the settings and the data into f.session and checks the response and
// the design's rank. `r` has passed the argument checks.
int load_fit(const fit_request& r, loaded_fit& f, error_trail& trail);

// Replaces the session's grid by `grid` (G values in the units of the response).
int set_given_grid(int G, const double* grid, loaded_fit& f, error_trail& trail);

// The session's grid in the units of the response; an end the caller gave comes back exactly,
// and so does a whole `grid` given (or null). The call's min and max lambda are set.
int read_grid(const fit_request& r, const double* grid, loaded_fit& f, dbl1& lambda,
              error_trail& trail);

// The fitted session (its standardized and unstandardized results computed) read out into the
// caller's arrays and table, every value carried back to the units of the response; `grid` as
// for read_grid.
int read_out(const fit_request& r, const double* grid, loaded_fit& f, error_trail& trail);

}  // namespace quill::engine
