// check_design_size: the cost of a design made visible before it is built. A wide design (a
// CLASS predictor with many levels) gets a note with its size, so that a long fit is expected;
// one whose fit cannot fit in this machine's memory is refused before anything is allocated.
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

} // namespace

void check_design_size(int32_t rows, int32_t columns, int32_t grid_size) {
    if (columns > kWideDesign)
        host().log("%3zThe design has %d columns (CLASS indicators included) and %d observations; "
                   "a fit this wide can take a long time.",
                   columns, rows);
    const double needed = fit_bytes(rows, columns, grid_size);
    const double available = memory_bytes();
    if (available > 0.0 && needed > available)
        fail("%1zThe design has %d columns and %d observations: its fit needs about %.1f GB of "
             "memory, more than the %.1f GB available.",
             columns, rows, needed / kGigabyte, available / kGigabyte);
}

} // namespace quill::proc
