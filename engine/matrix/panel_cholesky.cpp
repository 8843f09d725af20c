// The factor a block of 64 columns (a panel) at a time, left-looking: the panel's rows less
// their products with every earlier column, its diagonal block factored, then the rows below
// that block solved against it. The first and last steps split the rows into fixed chunks that
// the team's threads take in any order. Every entry still subtracts its products one at a time
// in column order and is then divided by its pivot, exactly as in the unblocked factor, so the
// bits depend neither on the blocking nor on the threads.
#include "matrix/panel_cholesky.h"

#include <algorithm>

#include "matrix/cross_product_kernel.h"
#include "support/thread_team.h"

namespace quill::engine {

namespace {

constexpr int panel_columns = 64;
constexpr int chunk_rows = 64;  // a whole number of tiles at every vector width
// Below this many multiply-subtract pairs a step is done sooner on one thread.
constexpr double parallel_work = 262144.0;

// Runs rows(i0, i1) over the chunks of [first, end), on the team when `work_per_row` pays.
template <class Rows>
void over_row_chunks(int first, int end, double work_per_row, Rows&& rows) {
    const int count = (end - first + chunk_rows - 1) / chunk_rows;
    const auto one = [&](int k) {
        const int i0 = first + k * chunk_rows;
        rows(i0, std::min(end, i0 + chunk_rows));
    };
    if (work_per_row * (end - first) >= parallel_work) {
        run_tasks(count, one);
    } else {
        for (int k = 0; k < count; ++k) one(k);
    }
}

}  // namespace

int cholesky_factor_in_panels(matrix_view Y) {
    const int m = Y.rows;
    if (m < 2 * panel_columns) return detail::cholesky_factor(Y);
    for (int p0 = 0; p0 < m; p0 += panel_columns) {
        const int p1 = std::min(m, p0 + panel_columns);
        const int width = p1 - p0;
        if (p0 > 0)
            over_row_chunks(p0, m, static_cast<double>(p0) * width, [&](int i0, int i1) {
                detail::subtract_column_products(Y, 0, p0, p0, p1, i0, i1);
            });
        const int failed = detail::cholesky_factor(matrix_view(&Y(p0, p0), width, width, Y.ld));
        if (failed >= 0) return p0 + failed;
        over_row_chunks(p1, m, 0.5 * width * width, [&](int i0, int i1) {
            detail::solve_below_block(Y, p0, p1, i0, i1);
        });
    }
    return -1;
}

}  // namespace quill::engine
