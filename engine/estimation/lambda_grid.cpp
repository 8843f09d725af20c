// The lambda grid: G values evenly spaced from the smallest to the largest lambda. An end the
// user did not give is derived from n and the initial fit's variance estimate s^2:
//   smallest = s / (sqrt(n) * 20),  largest = (5 / sqrt(n)) * s * sqrt(ln n);
// or, for the full path, the largest is where every penalized coefficient has left the fit
// (full_path_top.h), never below the smallest.
#include "estimation/lambda_grid.h"

#include <cmath>

#include "estimation/descent_path.h"
#include "estimation/full_path_top.h"
#include "records/option_codes.h"
#include "records/session_failure.h"
#include "support/allocation.h"

namespace quill::engine {

namespace {
constexpr const char* where = "run_calculate_scad_Lgrid in MOD scad_types";
constexpr const char* bad_indexing = "There is something wrong with the lambda grid indexing.";
}  // namespace

int run_calculate_scad_Lgrid(scad_session& session, error_trail& trail) {
    scad_Lgrid& grid = session.Lgrid;
    if (nullify_scad_Lgrid(grid, trail) != 0)
        return fail_reset(session, trail, where, "I could not nullify the existing grid.");
    if (nullify_scad_stdresults(session.stdresults, trail) != 0)
        return fail_reset(session, trail, where, "I could not nullify the existing stdresults.");
    if (session.is_null)
        return fail_reset(session, trail, where, "The session is currently nullified.");
    if (session.dataset.is_null)
        return fail_reset(session, trail, where, "There does not appear to be any data yet.");
    if (session.initialfit.is_null)
        return fail_reset(session, trail, where, "The initial fit must be calculated first.");

    const int G = session.settings.grid_size;
    if (G < 1) return fail_reset(session, trail, where, bad_indexing);
    if (uses_descent_path(session.settings)) return run_calculate_descent_grid(session, trail);
    if (dbl1_alloc(grid.lambda, G, trail, {}, "grid") != 0)
        return fail_status_reset(session, trail, status_allocation, where);

    const int n = session.dataset.n;
    if (n < 2) return fail_reset(session, trail, where, "The dataset is too small to do a regression.");
    const double sigma2 = session.initialfit.sigma2;
    if (!(sigma2 >= 0.0))
        return fail_reset(session, trail, where, "The initial fit must be calculated first.");
    const double s = std::sqrt(sigma2);
    // Weighted, n is the sum of the weights (the number of rows with each repeated w times).
    const double count = session.dataset.weight_sum;
    const double root_n = std::sqrt(count);

    const double min_lambda = session.settings.min_lambda;
    const double max_lambda = session.settings.max_lambda;
    grid.lambda(1) = min_lambda >= 0.0 ? min_lambda : s / (root_n * 20.0);
    if (G >= 2) {
        double top = -1.0;
        if (max_lambda == max_lambda_full && full_path_top(session, top, trail) != 0)
            return fail_reset(session, trail, where,
                              "I could not find the lambda at which every penalized coefficient "
                              "is 0.");
        if (top >= 0.0) top = std::fmax(top, grid.lambda(1));
        grid.lambda(G) = max_lambda >= 0.0 ? max_lambda
                         : top >= 0.0      ? top
                                           : (5.0 / root_n) * s * std::sqrt(std::log(count));
    }
    if (G >= 3) {
        const double step = (grid.lambda(G) - grid.lambda(1)) / (G - 1);
        if (step < 0.0) {
            fail_reset(session, trail, where,
                       "There is something wrong with the settings for the grid (maybe "
                       "max_lambda < min_lambda ).");
            return fail_reset(session, trail, where, bad_indexing);
        }
        for (int i = 2; i <= G - 1; ++i) grid.lambda(i) = (i - 1) * step + grid.lambda(1);
    }

    if (grid.lambda.extent(0) != G) return fail_reset(session, trail, where, bad_indexing);
    grid.is_null = false;
    return 0;
}

}  // namespace quill::engine
