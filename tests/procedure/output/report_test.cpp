// The listing report: its lines with and without CLASS predictors, the estimates' digits, DETAILS,
// the lambda warnings and NOPRINT.
#include <gtest/gtest.h>

#include <algorithm>

#include "test_support.h"

namespace quill::proc::testing {
namespace {

std::vector<std::string> table(const fake_host &h) {
    std::vector<std::string> rows;
    bool in = false;
    for (const std::string &line : h.listing) {
        if (line == "Final Estimates:") in = true;
        else if (in && !line.empty()) rows.push_back(line);
    }
    return rows;
}

TEST(Report, SummaryWithoutClass) {
    reset_engine();
    fake_host h;
    h.set_data({num("y", {1, 2, 3}), num("a", {1, 0, 1}), num("b", {3, 1, 2}), num("c", {0, 1, 1})});
    h.model("y", {"a", "b", "c"});
    h.set_vars(h.proc(), slot_forcein, {"a", "c"});
    engine().betas = {0.0, -7.0567e-7, -0.5};
    engine().std_errs = {0.0, 1.234e-7, 0.3};
    engine().intercept = 1.25;
    engine().intercept_se = 0.5;
    ASSERT_EQ(h.run(), 0);
    ASSERT_EQ(h.titles.size(), 1u);
    EXPECT_EQ(h.titles[0], "PROC QUILLFIT -- Data and Model Summary and Fit Statistics");
    const std::vector<std::string> head{
        " ",
        "Data set:  WORK.INPUT",
        "Response variable:  y",
        "Number of observations:                  3",
        "Number of predictors:                    3",
        "Predictors forced in:         a c",
        "Model type:  Normal (linear model, numerical outcome, identity link)",
        "Penalty:  SCAD (A = 3.7)",
        "",
        "Selected lambda:                          0.5",
        "BIC:                                  10.0000",
        "",
        "Converged in 7 iterations.",
        "",
        "Final Estimates:",
        ""};
    ASSERT_GE(h.listing.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(h.listing.begin(), h.listing.begin() + head.size()), head);
    // The fit's 0 is left out of the table and named as removed; a slope of -7.06e-7 (in large
    // units) is printed with four significant digits. Before, any coefficient whose square was at
    // most 1e-12 was removed, and %9.6f showed such a slope as -0.000001.
    EXPECT_EQ(table(h), (std::vector<std::string>{
                            "Variable        Beta  Std. Errs.",
                            "--------------------------------",
                            "Intercept   1.250000    0.500000",
                            "b          -7.057E-7    1.234E-7",
                            "c          -0.500000    0.300000",
                            "Removed (coefficient 0): a"}));
    EXPECT_EQ(h.listing.back(), "");
}

TEST(Report, ClassTableWithZeroAndSingleLevelPredictors) {
    reset_engine();
    fake_host h;
    h.set_data({num("y", {1, 2, 3, 4, 5, 6}), chr("g", {"a", "b", "c", "a", "b", "c"}),
                num("x", {1, 2, 3, 4, 5, 7}), num("k", {1, 2, 1, 2, 1, 2})});
    h.model("y", {"g", "x", "k"});
    class_statement(h, {"g", "k"});
    engine().betas = {0.0, 0.75, 0.5, 0.0}; // g=A zero, g=B non-zero, x, k=1 zero
    engine().std_errs = {0.1, 0.2, 0.3, 0.4};
    engine().intercept = 2;
    engine().intercept_se = 0.25;
    ASSERT_EQ(h.run(), 0);
    // A zero level of a kept CLASS predictor is left out like a zero numeric predictor and named
    // (the predictor's name goes to its first row shown); the all-zero k is named once and the
    // single-level u not at all.
    EXPECT_EQ(table(h), (std::vector<std::string>{
                            "Variable   Level  Frequency         Beta  Std. Errs.",
                            std::string(52, '-'),
                            "Intercept                       2.000000    0.250000",
                            "g          B              2     0.750000    0.200000",
                            "           C              2  (Reference)",
                            "x                               0.500000    0.300000",
                            "Removed (coefficient 0): g=A k"}));
}

// Under WEIGHT a CLASS level's count is of rows, and the sum of its rows' weights stands beside
// it: a row of weight 3 is three observations. Before, the column said "Frequency" and counted
// rows.
TEST(Report, WeightedClassTableCountsRowsAndSumsTheirWeights) {
    reset_engine();
    fake_host h;
    h.set_data({num("y", {1, 2, 3, 4, 5, 6}), chr("g", {"a", "b", "a", "b", "b", "a"}),
                num("w", {1, 2.5, 3, 1, 0.5, 2})});
    h.model("y", {"g"});
    class_statement(h, {"g"});
    h.set_vars(h.proc(), slot_weight, {"w"});
    engine().betas = {0.75};
    engine().std_errs = {0.2};
    ASSERT_EQ(h.run(), 0);
    EXPECT_EQ(table(h), (std::vector<std::string>{
                            "Variable   Level  Rows  Sum of weights         Beta  Std. Errs.",
                            std::string(63, '-'),
                            "Intercept                                  0.000000    0.000000",
                            "g          A         3               6     0.750000    0.200000",
                            "           B         3               4  (Reference)"}));
}

TEST(Report, DetailsWarningsAndCharacterResponse) {
    reset_engine();
    fake_host h;
    h.set_data({chr("r", {"n", "y", "y"}), num("x", {1, 2, 3})});
    h.model("r", {"x"});
    h.set_text(slot_dist, "LOGISTIC");
    h.set_text(slot_df, "PROJECTION");
    h.set_flag(h.proc(), flag_details);
    h.set_vars(h.proc(), slot_forcein, {"x"});
    engine().at_max = engine().at_min = true;
    engine().converged = false;
    h.set_number(slot_gridsize, 11); // the fake's grid: min_lambda + 0.2 (g - 1) nearly
    engine().min_lambda = 0.00001234567;
    engine().lambda = 0.000061728;
    engine().tied_first = 3;
    engine().tied_last = 7;
    ASSERT_EQ(h.run(), 0);
    std::string too_low =
        "Warning: The maximum candidate lambda appears to be too low. Larger values of lambda "
        "were not tried; MAXLAMBDA FULL extends the grid to where every penalized coefficient is 0.";
    std::string too_high =
        "Warning: The minimum candidate lambda appears to be too high. Every penalized "
        "coefficient is already 0 at the smallest lambda tried; a smaller MINLAMBDA lets "
        "predictors enter.";
    // Lambdas keep four significant digits, however small; the effective df is the engine's
    // real value, as OUTINFO has it.
    for (const std::string &line : std::vector<std::string>{
             "Predictor forced in:          x",
             "Model type:  Logistic (generalized linear model, binary outcome, logit link)",
             "Response variable:  r", "Value modeled as Y=1:  Y",
             std::string("Minimum candidate lambda:           1.235e-05"),
             std::string("Maximum candidate lambda:                   2"),
             too_low, too_high,
             std::string("Selected lambda:                    6.173e-05"),
             std::string("Criterion tied for lambda in [0.4, 1.2]"),
             std::string("Simple df:                               1"),
             std::string("Effective df:                          3.2500"),
             std::string("BIC:                                  10.0000"),
             std::string("Warning: Failed to converge after 7 iterations.")})
        EXPECT_TRUE(std::find(h.listing.begin(), h.listing.end(), line) != h.listing.end()) << line;
    const int at = h.log_index(too_low.replace(0, 9, "WARNING: "));
    ASSERT_GE(at, 0);
    EXPECT_EQ(h.log.at(at + 1), " ");
    EXPECT_TRUE(h.log_has(too_high.replace(0, 9, "WARNING: ")));
}

TEST(Report, SmallEndWarningSaysWhyAndNoTieLineForOneLambda) {
    reset_engine();
    fake_host h;
    h.set_data({num("y", {1, 2, 3, 5}), num("x", {1, 2, 4, 4})});
    h.model("y", {"x"});
    engine().at_min = true;
    engine().path_value = 0.5; // x is in the fit at the smallest lambda, which still shrinks it
    ASSERT_EQ(h.run(), 0);
    EXPECT_TRUE(h.listing_has("Warning: The minimum candidate lambda appears to be too high. The fit at "
                              "the smallest lambda tried still shrinks a selected coefficient; a "
                              "smaller MINLAMBDA may change the fit."));
    EXPECT_FALSE(h.listing_has("Criterion tied"));
}

TEST(Report, CountDfShowsNoEffectiveDfAndNoprintListsNothingButWarns) {
    reset_engine();
    fake_host h;
    h.set_data({num("y", {1, 2, 3}), num("x", {1, 2, 4})});
    h.model("y", {"x"});
    h.set_flag(h.proc(), flag_details);
    h.set_text(slot_selection, "GCV");
    ASSERT_EQ(h.run(), 0);
    EXPECT_TRUE(h.listing_has("GCV:                                  10.0000"));
    EXPECT_TRUE(h.listing_has("Simple df:"));
    EXPECT_FALSE(h.listing_has("Effective df:"));

    reset_engine();
    fake_host quiet;
    quiet.set_data({num("y", {1, 2, 3}), num("x", {1, 2, 4})});
    quiet.model("y", {"x"});
    quiet.set_flag(quiet.proc(), flag_noprint);
    quiet.request_output(slot_outinfo, "info");
    engine().at_max = true;
    ASSERT_EQ(quiet.run(), 0);
    EXPECT_TRUE(quiet.listing.empty());
    // The grid-end warning reaches the log under NOPRINT too (before, it went with the listing).
    EXPECT_TRUE(quiet.log_has("WARNING: The maximum candidate lambda appears to be too low."));
    EXPECT_TRUE(quiet.log_has("QUILLFIT"));
    EXPECT_TRUE(quiet.outputs.at("info").complete);
}

} // namespace
} // namespace quill::proc::testing
