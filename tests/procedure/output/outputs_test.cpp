// The four output data sets: variable names and formats, values bound to the fit, the status
// codes of OUTINFO and the predicted values.
#include <gtest/gtest.h>

#include <cmath>

#include "test_support.h"

namespace quill::proc::testing {
namespace {

class Outputs : public ::testing::Test {
protected:
    void SetUp() override {
        reset_engine();
        h.set_data({num("y", {1, 2, 3, 4, kMissing, 6, 7}),
                    num("k", {1, 10, 2, 1, 10, 2, 10}),
                    num("dose level", {0.5, 1, 2, 3, 4, kMissing, 1})});
        h.model("y", {"k", "dose level"});
        class_statement(h, {"k"});
        for (int slot : {slot_outbetas, slot_outerrs, slot_outinfo, slot_outpred})
            h.request_output(slot, name_of(slot));
        engine().betas = {0.25, -0.5, 2.0};
        engine().std_errs = {0.1, 0.2, 0.3};
        engine().intercept = 1.0;
        engine().intercept_se = 0.05;
    }
    static std::string name_of(int slot) { return std::string("o").append(std::to_string(slot)); }
    const written_dataset &out(int slot) { return h.outputs.at(name_of(slot)); }
    fake_host h;
};

TEST_F(Outputs, CoefficientsAndErrorsInDesignOrder) {
    ASSERT_EQ(h.run(), 0);
    const written_dataset &b = out(slot_outbetas);
    EXPECT_TRUE(b.complete);
    // Levels 1, 10, 2: the reference 2 has no variable; names lose their blanks.
    EXPECT_EQ(b.names, (std::vector<std::string>{"INTERCEPT", "BETA_K_1", "BETA_K_10", "BETA_DOSELEVEL"}));
    EXPECT_EQ(b.widths, (std::vector<int32_t>{8, 8, 8, 8}));
    ASSERT_EQ(b.rows.size(), 1u);
    EXPECT_EQ(b.rows[0], (std::vector<double>{1.0, 0.25, -0.5, 2.0}));

    const written_dataset &e = out(slot_outerrs);
    EXPECT_EQ(e.names, (std::vector<std::string>{"STDERR_INT", "STDERR_K_1", "STDERR_K_10", "STDERR_DOSELEVEL"}));
    EXPECT_EQ(e.widths, (std::vector<int32_t>{12, 12, 12, 12}));
    EXPECT_EQ(e.rows.at(0), (std::vector<double>{0.05, 0.1, 0.2, 0.3}));
}

TEST_F(Outputs, FitInformation) {
    h.set_number(slot_gridsize, 11); // the fake's grid: 0.01 + 0.199 (g - 1)
    engine().tied_first = 3;
    engine().tied_last = 8;
    ASSERT_EQ(h.run(), 0);
    const written_dataset &i = out(slot_outinfo);
    EXPECT_EQ(i.names, (std::vector<std::string>{"LAMBDA", "EFFECTIVE_DF", "SIMPLE_DF", "NUM_ITER", "BIC",
                                                 "MIN_LAMBDA", "MAX_LAMBDA", "GRID_STATUS",
                                                 "CONVERGENCE_STATUS", "LAMBDA_TIED_LOW",
                                                 "LAMBDA_TIED_HIGH", "PENALTY", "A"}));
    const std::vector<double> &row = i.rows.at(0);
    EXPECT_EQ(row[0], 0.5);
    EXPECT_TRUE(std::isnan(row[1])); // DF COUNT: no effective df
    EXPECT_EQ(row[2], 1);
    EXPECT_EQ(row[3], 7);
    EXPECT_EQ(row[4], 10);
    EXPECT_EQ(row[5], 0.01);
    EXPECT_EQ(row[6], 2);
    EXPECT_EQ(row[7], 4);
    EXPECT_EQ(row[8], 1);
    // The smallest and largest lambda of the grid values tied with the selected one.
    EXPECT_DOUBLE_EQ(row[9], 0.01 + 2 * 0.199);
    EXPECT_DOUBLE_EQ(row[10], 0.01 + 7 * 0.199);
    EXPECT_EQ(row[12], 3.7); // A; PENALTY is a text
}

TEST_F(Outputs, AFailedHostOperationEndsTheRunNamingIt) {
    const std::pair<std::string, std::string> cases[] = {
        {"dataset_info", "describe the input data set"},
        {"variable_info", "describe variable 1 of the input data set"},
        {"select_variables", "select the variables to read"},
        {"open_read", "open the input data set for reading"},
        {"bind_variable", "bind variable 2 of the input data set"},
        {"end_binding", "bind the variables of the input data set"},
        {"fetch", "read observation 1 of the input data set"},
        {"open_write", "open the output data set OUTBETAS"},
        {"define_variable", "define variable INTERCEPT of the output data set OUTBETAS"},
        {"end_definitions", "create the output data set OUTBETAS"},
        {"write_record", "write an observation of the output data set OUTBETAS"},
        {"write_dataset", "write an observation of the output data set OUTBETAS"},
        {"release_record", "complete the output data set OUTBETAS"}};
    for (const auto &[operation, what] : cases) {
        h.log.clear();
        h.failing_operation = operation;
        EXPECT_EQ(h.run(), 3000) << operation;
        EXPECT_EQ(h.log.back(), "ERROR: The host could not " + what + ".") << operation;
    }
}

TEST_F(Outputs, StatusCodes) {
    struct { bool at_max, at_min, converged; double grid, convergence; } cases[] = {
        {true, true, false, 1, 2}, {true, false, true, 2, 1}, {false, true, true, 3, 1}};
    for (const auto &c : cases) {
        reset_engine();
        fake_host g;
        g.set_data({num("y", {1, 2, 3}), num("x", {1, 2, 4})});
        g.model("y", {"x"});
        g.set_text(slot_df, "PROJ");
        g.set_text(slot_selection, "GCV");
        g.request_output(slot_outinfo, "info");
        engine().at_max = c.at_max;
        engine().at_min = c.at_min;
        engine().converged = c.converged;
        ASSERT_EQ(g.run(), 0);
        const written_dataset &i = g.outputs.at("info");
        EXPECT_EQ(i.value(0, "GRID_STATUS"), c.grid);
        EXPECT_EQ(i.value(0, "CONVERGENCE_STATUS"), c.convergence);
        EXPECT_EQ(i.value(0, "EFFECTIVE_DF"), 3.25); // the real value, not its integer part
        EXPECT_EQ(i.value(0, "GCV"), 10);
    }
}

TEST_F(Outputs, PredictionsForEveryInputObservation) {
    ASSERT_EQ(h.run(), 0);
    const written_dataset &p = out(slot_outpred);
    // Without an ID statement every input variable comes along, in order, then PREDICTED.
    EXPECT_EQ(p.names, (std::vector<std::string>{"y", "k", "dose level", "PREDICTED"}));
    ASSERT_EQ(p.rows.size(), 7u);
    const double expected[] = {1 + 0.25 + 2 * 0.5, 1 - 0.5 + 2 * 1, 1 + 2 * 2, 1 + 0.25 + 2 * 3,
                               1 - 0.5 + 2 * 4, NAN, 1 - 0.5 + 2 * 1};
    const double y[] = {1, 2, 3, 4, NAN, 6, 7}, k[] = {1, 10, 2, 1, 10, 2, 10},
                 dose[] = {0.5, 1, 2, 3, 4, NAN, 1};
    for (int o = 0; o < 7; ++o) {
        const std::vector<double> want{y[o], k[o], dose[o], expected[o]};
        for (std::size_t c = 0; c < want.size(); ++c) {
            if (std::isnan(want[c])) EXPECT_TRUE(std::isnan(p.rows[o][c])) << o << " " << c;
            else EXPECT_DOUBLE_EQ(p.rows[o][c], want[c]) << o << " " << c;
        }
    }
}

TEST(OutputPredicted, LogisticAndPoissonMeansAboveTwenty) {
    for (int32_t model : {1, 2}) {
        reset_engine();
        fake_host g;
        g.set_data({num("y", {1, 0, 1}), num("x", {1, 30, -1})});
        g.model("y", {"x"});
        g.set_text(slot_dist, model == 1 ? "LOGISTIC" : "POISSON");
        g.request_output(slot_outpred, "p");
        engine().betas = {1.0};
        engine().intercept = -10.0; // eta: -9, 20, -11
        ASSERT_EQ(g.run(), 0);
        const written_dataset &p = g.outputs.at("p");
        if (model == 1) {
            EXPECT_DOUBLE_EQ(p.value(0, "PREDICTED"), std::exp(-9.0) / (std::exp(-9.0) + 1));
            EXPECT_DOUBLE_EQ(p.value(1, "PREDICTED"), std::exp(20.0) / (std::exp(20.0) + 1)); // 20 is not cut
            EXPECT_DOUBLE_EQ(p.value(2, "PREDICTED"), std::exp(-11.0) / (std::exp(-11.0) + 1));
        } else {
            EXPECT_DOUBLE_EQ(p.value(0, "PREDICTED"), std::exp(-9.0));
            EXPECT_DOUBLE_EQ(p.value(1, "PREDICTED"), std::exp(20.0));
        }
    }
    // Above 20 the means are what they are (before: the logistic one was set to 1 and the
    // Poisson one missing, as for counts near 1e9); only a Poisson mean beyond the largest double
    // is missing.
    for (int32_t model : {1, 2}) {
        reset_engine();
        fake_host g;
        g.set_data({num("y", {1, 0, 1}), num("x", {1, 31, 720})});
        g.model("y", {"x"});
        g.set_text(slot_dist, model == 1 ? "LOGISTIC" : "POISSON");
        g.request_output(slot_outpred, "p");
        engine().betas = {1.0};
        engine().intercept = -10.0;  // eta 21 and 710
        ASSERT_EQ(g.run(), 0);
        const written_dataset &p = g.outputs.at("p");
        if (model == 1) {
            EXPECT_DOUBLE_EQ(p.value(1, "PREDICTED"), 1.0 / (1.0 + std::exp(-21.0)));
            EXPECT_LT(p.value(1, "PREDICTED"), 1.0);
            EXPECT_EQ(p.value(2, "PREDICTED"), 1.0);
        } else {
            EXPECT_DOUBLE_EQ(p.value(1, "PREDICTED"), std::exp(21.0));
            EXPECT_TRUE(std::isnan(p.value(2, "PREDICTED")));  // e^710 overflows
        }
    }
}

TEST(OutputClassLevels, ResponseMissingRowsUseTheLevelsOfTheFit) {
    reset_engine();
    fake_host g;
    g.set_data({num("y", {1, 2, 3, kMissing, kMissing}), chr("g", {"a", "b", "a", "b", "z"})});
    g.model("y", {"g"});
    class_statement(g, {"g"});
    g.request_output(slot_outpred, "p");
    engine().betas = {0.5};
    engine().intercept = 2.0;
    ASSERT_EQ(g.run(), 0);
    const written_dataset &p = g.outputs.at("p");
    EXPECT_EQ(p.value(3, "PREDICTED"), 2.0);           // level B, the reference
    EXPECT_TRUE(std::isnan(p.value(4, "PREDICTED")));  // level Z: no used observation has it
    EXPECT_EQ(p.value(0, "PREDICTED"), 2.5);
}

TEST(OutputNames, CollidingNamesAreAllDefined) {
    reset_engine();
    fake_host g;
    g.set_data({num("y", {1, 2, 3, 4}), chr("g", {"a-b", "a b", "a+b", "c"})});
    g.model("y", {"g"});
    class_statement(g, {"g"});
    g.request_output(slot_outbetas, "b");
    ASSERT_EQ(g.run(), 0);
    // One variable per column; telling equal names apart is the host's part.
    EXPECT_EQ(g.outputs.at("b").names,
              (std::vector<std::string>{"INTERCEPT", "BETA_G_AB", "BETA_G_A_B", "BETA_G_A_B"}));
}

} // namespace
} // namespace quill::proc::testing
