// check_design_size: the cost of a design made visible before it is built. A wide design (a
// CLASS predictor with many levels) gets a note with its size, so that a long fit is expected,
// and on the LQA path, when it is also wide beside the observations, a note that ALGORITHM ICM
// is the path for it; one whose fit cannot fit in this machine's memory is refused before
// anything is allocated.
#include <sys/resource.h>
#include <unistd.h>

#include "data/design_matrix.h"
#include "host_link.h"

namespace quill::proc {
namespace {

constexpr int32_t kWideDesign = 200; // design columns from which the size is noted
constexpr double kGigabyte = 1e9;

// Bytes a fit takes at its peak: the design here and the engine's copies of it (n x c each),
// its cross-product and the square working matrices of a fit and its covariance (c x c each),
// and the coefficient path here and in the engine's results (G x c each).
double fit_bytes(double n, double c, double grid) {
    return sizeof(double) * (4.0 * n * c + 6.0 * c * c + 3.0 * grid * c);
}

// The physical memory, or the address space limit when one is set and smaller.
double memory_bytes() {
    double bytes =
        static_cast<double>(sysconf(_SC_PHYS_PAGES)) * static_cast<double>(sysconf(_SC_PAGE_SIZE));
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        static_cast<double>(limit.rlim_cur) < bytes)
        bytes = static_cast<double>(limit.rlim_cur);
    return bytes;
}

// Every LQA fit starts from the unpenalized fit of all the columns, and each of its passes
// solves for every nonzero coefficient at once (about p^3 / 3 operations, and n p^2 more to
// reweight a logistic or Poisson fit). With more than one column for every 4 observations that
// start is slow to find or does not exist: a logistic fit's maximum likelihood estimate ceases
// to exist with high probability somewhere below p = n / 2 (beyond it even random labels are
// separable by a hyperplane; the stronger the signal, the lower the ratio), and it is far from
// the truth well before.
// The start then runs to its iteration limit and every grid value takes hundreds of those
// passes. ALGORITHM ICM needs no unpenalized fit and sweeps one column at a time.
bool lqa_start_is_the_problem(int32_t rows, int32_t columns) {
    return columns > kWideDesign && static_cast<int64_t>(columns) * 4 > rows;
}

} // namespace

void check_design_size(const proc_options &options, int32_t rows, int32_t columns) {
    if (columns > kWideDesign)
        host().log("%3zThe design has %d columns (CLASS indicators included) and %d observations; "
                   "a fit this wide can take a long time.",
                   columns, rows);
    if (options.algorithm == algorithm_lqa && lqa_start_is_the_problem(rows, columns))
        host().log("%3zALGORITHM ICM is the path for a design with more than one column for every "
                   "4 observations: each LQA fit starts from the unpenalized fit of all %d columns, "
                   "which is then far from the truth or, for a logistic or Poisson response, slow "
                   "to find or nonexistent (as when the predictors separate the response), and "
                   "each LQA pass solves for all the nonzero coefficients at once. ICM starts with "
                   "every penalized coefficient 0 and sweeps one column at a time.",
                   columns);
    const int32_t grid_size = options.grid_size;
    const double needed = fit_bytes(rows, columns, grid_size);
    const double available = memory_bytes();
    if (available > 0.0 && needed > available)
        fail("%1zThe design has %d columns and %d observations: its fit needs about %.1f GB of "
             "memory, more than the %.1f GB available.",
             columns, rows, needed / kGigabyte, available / kGigabyte);
}

} // namespace quill::proc
