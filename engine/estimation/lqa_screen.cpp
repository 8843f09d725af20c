// The screen of a grid's LQA fits from one start (lqa_screen.h).
#include "estimation/lqa_screen.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "estimation/mean_and_weights.h"
#include "matrix/cross_product_kernel.h"

namespace quill::engine {

namespace {

constexpr int row_block = detail::cross_product_row_block;

// One block of rows [b0, b0 + m): the mean at the nonzero coefficients, then the case-weighted
// residuals' products with the zero columns, continuing their even and odd rows' sums.
void gradient_block(const detail::column_set& nonzero, vector_cview beta,
                    const detail::column_set& zero, const scad_dataset& ds, int32_t model_type,
                    int b0, int m, double* sums) {
    double value[row_block];
    detail::column_set rows = nonzero;
    rows.data += b0;
    rows.rows = m;
    if (nonzero.cols > 0)
        detail::times_vector(rows, beta, nullptr, value, 0, m);
    else
        std::fill(value, value + m, 0.0);
    if (const double* offset = mean_offset(ds))
        for (int i = 0; i < m; ++i) value[i] += offset[b0 + i];
    mean_from_linear_predictor(model_type, value, m);
    const double* y = ds.y.data() + b0;
    for (int i = 0; i < m; ++i) value[i] = y[i] - value[i];
    detail::column_set zero_rows = zero;
    zero_rows.data += b0;
    zero_rows.rows = m;
    const vector_cview case_weights(ds.case_weights.data() + b0, m);
    detail::continue_transpose_times_vector(zero_rows, vector_cview(value, m), &case_weights, sums,
                                            0, m);
}

// Whether coefficient j, at 0 with the gradient in ws.zero_gradient, could not pass the final
// threshold on its own (never with a gradient of +infinity or NaN).
bool stays_out(const lqa_workspace& ws, const screen_rule& rule, int j) {
    return ws.zero_gradient(j) <= ws.curvature(j) * rule.final_threshold;
}

}  // namespace

int choose_screened(lqa_workspace& ws, const dbl1& start, const screen_rule& rule) {
    ws.screen_count = 0;
    if (!ws.screen) return 0;
    ws.screened.fill(false);
    const std::size_t start_bytes = static_cast<std::size_t>(ws.q) * sizeof(double);
    if (!ws.screen_ready || !ws.first_pass_ready ||
        std::memcmp(ws.screen_start.data(), start.data(), start_bytes) != 0 ||
        std::memcmp(ws.first_pass_start.data(), start.data(), start_bytes) != 0)
        return 0;
    // The curvatures: the diagonal of the first pass's X'AX, whose columns are those alive at
    // the start, in order. Only those can leave after the first pass.
    const int k = ws.first_pass_k;
    int c = 0;
    for (int j = 1; j <= ws.q; ++j) {
        ws.curvature(j) = 0.0;
        if (!(std::fabs(start(j)) > rule.threshold || rule.forcein(j))) continue;
        if (c == k) return 0;  // not the first pass's columns: no screen
        ws.curvature(j) = ws.first_pass.data()[static_cast<std::ptrdiff_t>(c) * k + c];
        ++c;
    }
    if (c != k) return 0;
    for (int j = 1; j <= ws.q; ++j) {
        const bool out = !rule.forcein(j) && ws.curvature(j) > 0.0 && stays_out(ws, rule, j);
        ws.screened(j) = out;
        ws.screen_count += out ? 1 : 0;
    }
    return ws.screen_count;
}

void form_zero_gradient(const scad_session& session, lqa_workspace& ws, const dbl1& point,
                        const log1& forcein) {
    const scad_dataset& ds = session.dataset;
    int k = 0, z = 0;
    for (int j = 1; j <= ws.q; ++j) {
        ws.zero_gradient(j) = std::numeric_limits<double>::infinity();
        if (point(j) != 0.0) {
            ++k;
            ws.alive_columns(k) = j - 1;
            ws.betain(k) = point(j);
        } else if (!forcein(j)) {
            ++z;
            ws.zero_columns(z) = j - 1;
        }
    }
    if (z == 0) return;

    const detail::column_set nonzero(ds.x, ws.alive_columns.data(), k);
    const detail::column_set zero(ds.x, ws.zero_columns.data(), z);
    const vector_cview beta(ws.betain.data(), k);
    const int32_t model_type = session.settings.model_type;
    const int stride = ws.partial_stride;
    ws.chunks.run(k + z + 20, [&](int c, int first, int end) {
        double* sums = ws.partials.data() + static_cast<std::ptrdiff_t>(c) * stride;
        std::fill(sums, sums + 2 * z, 0.0);
        for (int b0 = first; b0 < end; b0 += row_block)
            gradient_block(nonzero, beta, zero, ds, model_type, b0, std::min(row_block, end - b0),
                           sums);
    });
    for (int c = 1; c <= z; ++c) {
        double g = 0.0;
        for (int chunk = 0; chunk < ws.chunks.count(); ++chunk) {
            const double* sums = ws.partials.data() + static_cast<std::ptrdiff_t>(chunk) * stride;
            g += sums[2 * (c - 1)] + sums[2 * (c - 1) + 1];
        }
        ws.zero_gradient(ws.zero_columns(c) + 1) = std::fabs(g);
    }
}

int restore_violators(lqa_workspace& ws, const dbl1& start, const screen_rule& rule, dbl1& point) {
    int restored = 0;
    for (int j = 1; j <= ws.q; ++j) {
        if (!ws.screened(j) || stays_out(ws, rule, j)) continue;
        ws.screened(j) = false;
        point(j) = start(j);
        ++restored;
    }
    ws.screen_count -= restored;
    return restored;
}

void keep_screen_record(lqa_workspace& ws, const dbl1& start) {
    std::copy(start.data(), start.data() + ws.q, ws.screen_start.data());
    ws.screen_ready = true;
}

}  // namespace quill::engine
