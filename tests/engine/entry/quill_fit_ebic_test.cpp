// SELECTION EBIC: on every fitted grid value EBIC = BIC + 2 gamma ln C(m, k), m the penalized
// design columns and k the nonzero ones at that value (a forced-in column counts in neither), and
// the selected grid value is the first with the least EBIC; gamma 0.5 through runscad_path, the
// controls' ebic_gamma through quill_fit, and a gamma outside 0 to 1 is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "estimation_fixture.h"
#include "quill_fit_call.h"
#include "runscad_call.h"

namespace quill::engine {
namespace {

using testing_support::quill_fit_call;
using testing_support::runscad_call;

double ln_choose(int m, int k) {
    double v = 0.0;
    for (int i = 1; i <= k; ++i) v += std::log(static_cast<double>(m - k + i) / i);
    return v;
}

// Checks every row of a path of p columns (the first forced in) against its BIC.
void expect_ebic_rows(const std::vector<double>& bic, const std::vector<double>& ebic,
                      const std::vector<double>& path, int p, double gamma, int32_t best) {
    const int G = static_cast<int>(bic.size());
    int fitted = 0;
    double least = INFINITY;
    for (int g = 0; g < G; ++g) {
        if (std::isnan(bic[g])) {
            EXPECT_TRUE(std::isnan(ebic[g])) << g;
            continue;
        }
        ++fitted;
        int k = 0;
        for (int j = 1; j < p; ++j) k += path[g + static_cast<std::size_t>(j) * G] != 0.0;
        const double expected = bic[g] + 2.0 * gamma * ln_choose(p - 1, k);
        EXPECT_NEAR(ebic[g], expected, 1e-9 * std::fabs(expected)) << g;
        least = std::min(least, ebic[g]);
    }
    ASSERT_GT(fitted, 5);
    EXPECT_NEAR(ebic[best - 1], least, 1e-10 * std::fmax(std::fabs(least), 1.0));
}

TEST(QuillFitEbic, EbicIsBicPlusTheModelSpaceTermOnEveryRowAndSelects) {
    const testing::data_set d = testing::synthetic(
        80, {0.5, 1.0, 0.8, 0.0, 0.0, 0.4, 0.0, 0.0, 0.0, 0.3}, testing::model::logistic, 1.0, 9);
    runscad_call r = runscad_call::on(d.n, d.p, d.x, d.y, QUILL_MODEL_LOGISTIC);
    r.grid_size = 30;
    r.options = {0, QUILL_SELECTION_EBIC, 0, 30, 1000, 0, 0, 0};
    r.max_lambda = QUILL_MAX_LAMBDA_FULL;
    r.forcein.assign(d.p, 0);
    r.forcein[0] = 1;
    r.run_path();
    ASSERT_FALSE(r.failed()) << r.text();
    expect_ebic_rows(r.table.bic, r.table.ebic, r.path, d.p, 0.5, r.best);
    EXPECT_EQ(r.criterion, r.table.ebic[r.best - 1]);

    quill_fit_call c(d.n, d.p, d.x, d.y, QUILL_MODEL_LOGISTIC, 30);
    c.forcein = r.forcein;
    c.controls.selection = QUILL_SELECTION_EBIC;
    c.controls.ebic_gamma = 1.0;
    c.controls.max_lambda = QUILL_MAX_LAMBDA_FULL;
    std::vector<double> ebic(30);
    c.ebic = &ebic;
    c.run();
    ASSERT_FALSE(c.failed()) << c.text();
    expect_ebic_rows(c.bic, ebic, c.path, d.p, 1.0, c.result.best_index);
    // A stronger model-space term never selects a larger model.
    EXPECT_LE(c.result.simple_df, r.simple_df);

    c.controls.ebic_gamma = 1.5;
    c.run();
    ASSERT_TRUE(c.failed());
    EXPECT_EQ(c.text().substr(0, 30), "Invalid input for ebic_gamma\r\n");
}

}  // namespace
}  // namespace quill::engine
