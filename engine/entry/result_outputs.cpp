// Boundary flags and the final copy of the coefficients. A coefficient is zero where the fit
// set it to zero (its thresholds work on the standardized scale), never because of its size on
// the input scale.
#include "result_outputs.h"

#include <cmath>

namespace quill::engine {

boundary_flags find_boundary_flags(const selection_place& place, const log1& forcein,
                                   const dbl1& beta, const dbl1& se, matrix_cview path) {
    const int p = forcein.extent(0);
    // A fit selected at the first grid value that equals the fits below it (nothing shrunk) is
    // no reason to look lower; a tied run that ends before the last grid value has been seen
    // to end.
    boundary_flags flags{place.best == 1 && place.selected_shrunk,
                         place.tie_run_end == place.grid_size && place.fitted == place.grid_size};
    if (place.single_lambda) return {};

    // At the smallest lambda every penalized coefficient was already zero: the grid starts
    // too high, whatever the selection.
    int forced = 0;
    bool penalized_nonzero = false;
    for (int j = 1; j <= p; ++j) {
        if (forcein(j))
            ++forced;
        else if (j <= path.cols && path.rows >= place.first_fitted &&
                 path(place.first_fitted - 1, j - 1) != 0.0)
            penalized_nonzero = true;
    }
    if (!penalized_nonzero && forced < p) flags.at_min_lambda = true;

    // At the largest lambda the flag stays only when some coefficient is neither forced in,
    // zero nor clearly significant: a larger lambda could still change the fit.
    int settled = 0;
    for (int j = 1; j <= p; ++j) {
        const double b = std::fabs(beta(j));
        if (forcein(j) || b == 0.0 || b > 3.0 * se(j)) ++settled;
    }
    if (settled == p) flags.at_max_lambda = false;
    return flags;
}

void write_coefficients(const dbl1& beta, const dbl1& se, matrix_cview path, double scale,
                        double* beta_out, double* se_out, double* beta_path_out) {
    const int p = beta.extent(0);
    for (int j = 0; j < p; ++j) {
        const double b = beta.data()[j];
        const double s = se.data()[j];
        // A coefficient reported as 0 has no spread: its standard error is 0 as well.
        const bool zero = b == 0.0;
        se_out[j] = zero ? 0.0 : s * scale;
        beta_out[j] = zero ? 0.0 : b * scale;
    }
    for (int j = 0; j < path.cols; ++j) {
        const double* from = path.col(j);
        double* to = beta_path_out + static_cast<std::ptrdiff_t>(j) * path.rows;
        for (int g = 0; g < path.rows; ++g) to[g] = from[g] * scale;
    }
}

}  // namespace quill::engine
