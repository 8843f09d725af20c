// Reading the input: missing values, the character response and its event, CLASS levels in
// text order with DESCENDING, the notes, and a large data set read in linear time.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "test_support.h"

namespace quill::proc::testing {
namespace {

const double M = kMissing;

TEST(ReadData, MissingValuesExcludeObservations) {
    reset_engine();
    fake_host h;
    h.set_data({num("y", {1, M, 3, M, 5}), num("x", {10, 20, M, M, 50})});
    h.model("y", {"x"});
    h.request_output(slot_outpred, "pred");
    ASSERT_EQ(h.run(), 0);
    EXPECT_EQ(engine().n, 2);
    EXPECT_EQ(engine().y, (std::vector<double>{1, 5}));
    EXPECT_EQ(engine().x, (std::vector<double>{10, 50}));
    EXPECT_TRUE(h.log_has("NOTE:  5 observations read."));
    EXPECT_TRUE(h.log_has("NOTE:  3 had missing values in the predictors or response, and will not be used."));
    // Only the observation with just the response missing gets a prediction.
    const auto &pred = h.outputs.at("pred");
    ASSERT_EQ(pred.rows.size(), 5u);
    EXPECT_FALSE(std::isnan(pred.value(1, "PREDICTED")));
    EXPECT_TRUE(std::isnan(pred.value(2, "PREDICTED")));
    EXPECT_TRUE(std::isnan(pred.value(3, "PREDICTED")));
}

// WEIGHT: the used observations' weights reach the engine; a missing, zero or negative weight
// leaves an observation out (counted apart from missing values) but it is still predicted; a
// weight that is not a finite number is an error naming the variable and the observation.
TEST(ReadData, WeightsReachTheEngineAndBadWeightsLeaveObservationsOut) {
    reset_engine();
    fake_host h;
    h.set_data({num("y", {1, 2, 3, 4, M, 6}), num("x", {10, 20, 30, M, 50, 60}),
                num("w", {2, 0, M, 1, 3, 0.5})});
    h.model("y", {"x"});
    h.set_vars(h.proc(), slot_weight, {"w"});
    h.request_output(slot_outpred, "pred");
    h.request_output(slot_outinfo, "info");
    ASSERT_EQ(h.run(), 0);
    EXPECT_TRUE(engine().weights_given);
    EXPECT_EQ(engine().y, (std::vector<double>{1, 6}));
    EXPECT_EQ(engine().weights, (std::vector<double>{2, 0.5}));
    EXPECT_TRUE(h.log_has("NOTE:  2 had missing values in the predictors or response, and will not be used."));
    EXPECT_TRUE(h.log_has("NOTE:  2 had a missing, zero or negative weight, and will not be used."));
    const auto &pred = h.outputs.at("pred");
    for (int row : {0, 1, 2, 4, 5}) EXPECT_FALSE(std::isnan(pred.value(row, "PREDICTED"))) << row;
    EXPECT_TRUE(std::isnan(pred.value(3, "PREDICTED")));
    EXPECT_EQ(h.outputs.at("info").value(0, "SUM_WEIGHTS"), 2.5);

    // Without WEIGHT the engine is handed no weights (its unweighted sums, to the bit).
    reset_engine();
    fake_host plain;
    plain.set_data({num("y", {1, 2, 3}), num("x", {1, 3, 2})});
    plain.model("y", {"x"});
    ASSERT_EQ(plain.run(), 0);
    EXPECT_FALSE(engine().weights_given);

    reset_engine();
    fake_host bad;
    bad.set_data({num("y", {1, 2, 3}), num("x", {1, 3, 2}), num("w", {1, HUGE_VAL, 1})});
    bad.model("y", {"x"});
    bad.set_vars(bad.proc(), slot_weight, {"w"});
    EXPECT_EQ(bad.run(), 3000);
    EXPECT_TRUE(bad.log_has("ERROR: The WEIGHT variable w is not a finite number at observation 2."));
    EXPECT_EQ(engine().calls, 0);
}

TEST(ReadData, CharacterResponseEvent) {
    for (bool descending : {false, true}) {
        reset_engine();
        fake_host h;
        h.set_data({chr("r", {"no", "YES", "", "No", "yes"}), num("x", {1, 2, 3, 4, 5})});
        qh_statement *m = h.model("r", {"x"});
        if (descending) h.set_flag(m, flag_ydescending);
        h.set_text(slot_dist, "LOGISTIC");
        ASSERT_EQ(h.run(), 0);
        // The blank response is excluded and never the event, even with YDESCENDING.
        EXPECT_EQ(engine().n, 4);
        if (!descending) {
            EXPECT_TRUE(h.log_has("NOTE:  Success event (Y=1): YES"));
            EXPECT_EQ(engine().y, (std::vector<double>{0, 1, 0, 1}));
        } else {
            EXPECT_TRUE(h.log_has("NOTE:  Success event (Y=1): NO"));
            EXPECT_EQ(engine().y, (std::vector<double>{1, 0, 1, 0}));
        }
    }
}

TEST(ReadData, CharacterResponseNeedsTheLogisticModel) {
    reset_engine();
    fake_host h;
    h.set_data({chr("r", {"a", "b"}), num("x", {1, 2})});
    h.model("r", {"x"});
    EXPECT_EQ(h.run(), 3000);
    EXPECT_TRUE(h.log_has("ERROR: A character-valued variable cannot be used as a response "
                          "variable for this kind of model."));
    EXPECT_EQ(engine().calls, 0);
}

TEST(ReadData, NumericClassLevelsSortAsTextWithTheLastAsReference) {
    for (bool descending : {false, true}) {
        reset_engine();
        fake_host h;
        h.set_data({num("y", {1, 2, 3, 4, 5, 6}), num("k", {2, 10, 1, 1, 10, 2})});
        h.model("y", {"k"});
        qh_statement *c = class_statement(h, {"k"});
        if (descending) h.set_flag(c, flag_descending);
        ASSERT_EQ(h.run(), 0);
        ASSERT_EQ(engine().p, 2);
        // Levels 1, 10, 2 (reference 2); with DESCENDING 2, 10, 1 (reference 1).
        const std::vector<double> first = descending ? std::vector<double>{1, 0, 0, 0, 0, 1}
                                                     : std::vector<double>{0, 0, 1, 1, 0, 0};
        const std::vector<double> second{0, 1, 0, 0, 1, 0};
        EXPECT_EQ(std::vector<double>(engine().x.begin(), engine().x.begin() + 6), first);
        EXPECT_EQ(std::vector<double>(engine().x.begin() + 6, engine().x.end()), second);
        EXPECT_EQ(engine().forcein, (std::vector<uint8_t>{0, 0}));
        EXPECT_TRUE(h.log_has("NOTE:  Class predictor k had 3 levels."));
    }
}

TEST(ReadData, CharacterLevelsIgnoreCase) {
    reset_engine();
    fake_host h;
    h.set_data({num("y", {1, 2, 3, 4}), chr("g", {"a", "A", "b", ""}), num("x", {1, 2, 3, 5})});
    h.model("y", {"g", "x"});
    class_statement(h, {"g"});
    ASSERT_EQ(h.run(), 0);
    EXPECT_EQ(engine().n, 3);
    EXPECT_EQ(engine().p, 2); // g: A, B -> one column; x
    EXPECT_EQ(engine().x, (std::vector<double>{1, 1, 0, 1, 2, 3}));
    EXPECT_TRUE(h.log_has("NOTE:  Class predictor g had 2 levels."));
}

TEST(ReadData, ManyLevelsWarn) {
    for (int levels : {20, 21}) {
        reset_engine();
        fake_host h;
        std::vector<double> y, k;
        for (int i = 0; i < 2 * levels; ++i) {
            y.push_back(i);
            k.push_back(i % levels);
        }
        h.set_data({num("y", y), num("k", k)});
        h.model("y", {"k"});
        class_statement(h, {"k"});
        ASSERT_EQ(h.run(), 0);
        EXPECT_TRUE(h.log_has("had " + std::to_string(levels) + " levels."));
        EXPECT_EQ(h.log_has("WARNING:  More than 20 levels in a class predictor may result in "
                            "unstable estimates."),
                  levels > 20);
    }
}

TEST(ReadData, EmptyDataSetReachesTheEngineWithNoObservations) {
    reset_engine();
    fake_host h;
    h.set_data({chr("r", {}), num("x", {})});
    h.model("r", {"x"});
    h.set_text(slot_dist, "LOGIT");
    h.request_output(slot_outbetas, "b");
    engine().failure = "There are no observations.";
    EXPECT_EQ(h.run(), 3000);
    EXPECT_EQ(engine().n, 0);
    EXPECT_TRUE(h.log_has("NOTE:  0 observations read."));
    EXPECT_FALSE(h.log_has("Success event"));
    EXPECT_EQ(h.outputs.count("b"), 0u);
}

TEST(ReadData, LargeDataSetWithThirtyLevelsReadsInLinearTime) {
    reset_engine();
    fake_host h;
    const int n = 300000;
    std::vector<double> y(n), k(n);
    for (int i = 0; i < n; ++i) {
        y[i] = i % 7;
        k[i] = (i / 3 + i % 11) % 30;
    }
    h.set_data({num("y", y), num("k", k)});
    h.model("y", {"k"});
    class_statement(h, {"k"});
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(h.run(), 0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(engine().p, 29);
    EXPECT_LT(seconds, 10.0);
}

} // namespace
} // namespace quill::proc::testing
