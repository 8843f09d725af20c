// The working arrays of the LQA fits on one session's data. They are allocated once, before a
// series of fits (the initial fit, the grid), and every fit and pass of the series reuses them:
// nothing is allocated while the grid is fitted. No array here has n elements: the normal
// model's passes read no row of the data, and the others form what they need of each row a
// block of rows at a time.
#pragma once

#include "matrix/row_chunks.h"
#include "records/scad_session.h"

namespace quill::engine {

struct lqa_workspace {
    int n = 0;
    int q = 0;
    bool normal = false;

    // One fit: the penalty's lambdas and the forced-in flags of the q coefficients, the
    // previous pass's coefficients and which of them are alive, and the point that pass
    // started from (a step that overshoots is halved toward it).
    dbl1 lambda_vector, beta_old, beta_prev;
    // The extrapolation between passes (lqa_extrapolation.h): the start of its cycle of two
    // passes and the point it tries.
    dbl1 cycle_start, trial;
    log1 include_indices, forcein_vector;

    // One pass, sized by the alive count k <= q (the alive set never grows within a fit, so
    // each pass works on the first k entries). The alive columns of x are read where they are,
    // through the list of their positions.
    int1 alive;          // 1-based positions of the alive coefficients
    int1 alive_columns;  // the same positions, 0-based, for the kernels
    dbl1 betain, lambda_in, slope, lqa_weight, penalty, xT_y_minus_mu, fitted;
    log1 forced_in;
    dbl2 D;  // the normal model's denominator

    // Logistic and Poisson: per row chunk the chunk's share of D, of the gradient and of the
    // loss, combined in chunk order (D into the first chunk's share, where it is then
    // penalized and factored).
    dbl1 partials;
    int partial_stride = 0;
    row_chunks chunks{0};

    // Logistic and Poisson fits that all start from the same coefficients (the grid's default
    // rule): the unpenalized part of their first pass (the mean, the weights, D and the
    // gradient at the start) does not depend on lambda. It is formed at the first fit and
    // copied at the others, which are recognized by their start, bit for bit.
    bool reuse_first_pass = false;
    bool first_pass_ready = false;
    int first_pass_k = 0;
    dbl1 first_pass_start;  // q
    dbl1 first_pass;        // D (k x k), then the gradient (k), then the loss
    int1 first_pass_index;  // q: where each coefficient's column is in D (1-based; 0: not alive)
    // The passes after the first that take its X'AX instead of forming their own (lqa_fit.cpp),
    // on with the first pass's reuse; how many have run in this workspace.
    bool start_information = false;
    long start_information_passes = 0;
    // The logistic model's X'CX at the start, C the weight's change with eta (lqa_fit.cpp's
    // distance_from_start), laid out as first_pass's D.
    bool start_change_ready = false;
    dbl1 start_change;  // q x q, logistic only

    // The screen of those fits (lqa_screen.h), on with the first pass's reuse: the gradient of
    // the coefficients the last fit reported as 0 (+infinity for the others), the start it
    // came from, the curvatures at the start, and the coefficients the current fit screens out.
    bool screen = false;
    bool screen_ready = false;
    int screen_count = 0;
    dbl1 screen_start;   // q
    dbl1 zero_gradient;  // q
    dbl1 curvature;      // q
    log1 screened;       // q
    int1 zero_columns;   // the 0-based positions of the coefficients at 0, for the kernels
};

// Sizes `ws` for LQA fits on the session's loaded data, with room for the first pass's reuse
// and the screen when `reuse_first_pass` (logistic and Poisson only); a failure is reported under the name of
// the array that could not be had (nothing is reset).
int allocate_lqa_workspace(lqa_workspace& ws, const scad_session& session, error_trail& trail,
                           bool reuse_first_pass = false);

}  // namespace quill::engine
