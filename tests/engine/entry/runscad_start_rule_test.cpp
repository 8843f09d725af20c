// The start rule, option 7: 1 starts each grid fit from the previous grid value's fit. On the
// benchmark data it keeps the default's predictors at a BIC no higher than the default's; a
// value other than 0 or 1 is refused by the settings check. The bits above the rule hold the
// call's controls (silence, thread limit).
#include <gtest/gtest.h>

#include <cmath>

#include "runscad_call.h"
#include "synthetic_data.h"

namespace quill::engine {
namespace {

using testing_support::runscad_call;

runscad_call benchmark_call(quill::bench::model m, int32_t start) {
    const quill::bench::synthetic_data d = quill::bench::make_synthetic_data(m, 2000, 20, 20261208);
    runscad_call c;
    c.n = d.n;
    c.p = d.p;
    c.x = d.x;
    c.y = d.y;
    c.forcein.assign(d.p, 0);
    c.model_type = static_cast<int32_t>(m);
    c.grid_size = 100;  // the benchmark's 250 would only take longer
    c.options = {0, 0, 0, 100, 250, 0, start, 0};
    c.run();
    return c;
}

std::vector<bool> selected(const runscad_call& c) {
    std::vector<bool> s;
    for (double b : c.beta) s.push_back(b != 0.0);
    return s;
}

TEST(RunscadStartRule, WarmStartKeepsThePredictorsAndTheBicOnTheBenchmarkData) {
    using quill::bench::model;
    for (const model m : {model::normal, model::logistic, model::poisson}) {
        const runscad_call cold = benchmark_call(m, 0);
        const runscad_call warm = benchmark_call(m, 1);
        ASSERT_FALSE(cold.failed()) << cold.text();
        ASSERT_FALSE(warm.failed()) << warm.text();
        EXPECT_EQ(selected(warm), selected(cold)) << static_cast<int>(m);
        // Where SCAD leaves the selected coefficients unpenalized, many grid values share one
        // fit and their BICs differ only by rounding: no higher, up to that.
        EXPECT_LE(warm.criterion, cold.criterion + 1e-12 * std::fabs(cold.criterion))
            << static_cast<int>(m);
    }
}

// The controls above the rule change what the call prints and how many threads it uses, never
// the results; a reserved bit is refused like a bad rule.
TEST(RunscadStartRule, TheControlsAboveTheRuleKeepTheResults) {
    for (const int32_t rule : {0, 1}) {
        runscad_call plain;
        plain.options[6] = rule;
        plain.run();
        ASSERT_FALSE(plain.failed()) << plain.text();
        EXPECT_NE(plain.printed.find("nullify_scad_session\n"), std::string::npos);
        for (const int32_t controls : {QUILL_CONTROL_QUIET, QUILL_CONTROL_QUIET | QUILL_CONTROL_THREADS(1),
                                       QUILL_CONTROL_THREADS(QUILL_MAX_THREAD_LIMIT)}) {
            runscad_call c;
            c.options[6] = rule | controls;
            c.run();
            ASSERT_FALSE(c.failed()) << c.text();
            EXPECT_EQ(c.beta, plain.beta);
            EXPECT_EQ(c.path, plain.path);
            EXPECT_EQ(c.criterion, plain.criterion);
            EXPECT_EQ(c.printed.empty(), (controls & QUILL_CONTROL_QUIET) != 0) << controls;
        }
    }
}

TEST(RunscadStartRule, OtherValuesFailTheSettingsCheck) {
    for (const int32_t bad : {2, -1, 1 << 9, QUILL_CONTROL_QUIET | 2}) {
        runscad_call c;
        c.options[6] = bad;
        c.run();
        ASSERT_TRUE(c.failed());
        EXPECT_EQ(c.lines(), (std::vector<std::string>{
                                 "Invalid input for start",
                                 "OCCURRED IN: run_load_scad_settings in MOD scad_types"}));
    }
}

}  // namespace
}  // namespace quill::engine
