// Connecting to the host and the checks of the parsed statements that the program tests do not
// reach one by one: the order of checks, the codes and numbers the statements give the engine,
// and user text that must never act as a format.
#include <gtest/gtest.h>

#include "test_support.h"

namespace quill::proc::testing {
namespace {

class Statements : public ::testing::Test {
protected:
    void SetUp() override {
        reset_engine();
        host.set_data({num("y", {1, 2, 3, 4}), num("x1", {1, 0, 1, 0}), num("x2", {2, 3, 1, 5}),
                       chr("g", {"a", "b", "a", "b"}), num("k", {1, 2, 1, 2})});
    }
    // Runs and expects an error run whose log has `message`, and no engine call.
    void expect_error(const std::string &message) {
        EXPECT_EQ(host.run(), 3000);
        EXPECT_TRUE(host.log_has(message)) << message;
        EXPECT_EQ(engine().calls, 0);
    }
    fake_host host;
};

TEST_F(Statements, TheLastModelStatementIsUsed) {
    host.model("y", {"g"});
    host.model("y", {"x1"});
    EXPECT_EQ(host.run(), 0);
    EXPECT_EQ(engine().p, 1);
}

TEST_F(Statements, ClassVariableTwiceAmongPredictorsFails) {
    host.model("y", {"k", "x1", "k"});
    class_statement(host, {"k"});
    expect_error("ERROR: All CLASS variables must be specified as predictors in the MODEL statement.");
}

TEST_F(Statements, ForceinOfAClassVariable) {
    host.model("y", {"x1", "k"});
    class_statement(host, {"k"});
    host.set_vars(host.proc(), slot_forcein, {"x1", "k"});
    expect_error("ERROR: FORCEIN variable k cannot also be specified in the CLASS statement.");
}

TEST_F(Statements, CodesComparedOnLeadingCharacters) {
    struct { int slot; const char *value; int option; int32_t code; } cases[] = {
        {slot_selection, "BICX", 1, 0}, {slot_selection, "GCV", 1, 1}, {slot_df, "PROJX", 2, 1},
        {slot_df, "PROJECTION", 2, 1},  {slot_df, "COUNT", 2, 0},
    };
    for (const auto &c : cases) {
        reset_engine();
        fake_host h;
        h.set_data({num("y", {1, 2}), num("x", {0, 1})});
        h.model("y", {"x"});
        h.set_text(c.slot, c.value);
        ASSERT_EQ(h.run(), 0) << c.value;
        EXPECT_EQ(engine().options[c.option], c.code) << c.value;
    }
}

TEST_F(Statements, DistributionNames) {
    struct { const char *value; int32_t model; } cases[] = {
        {"NORMAL", 0}, {"GAUSSIAN", 0}, {"IDENTITY", 0}, {"LINEAR", 0}, {"LOGISTIC", 1},
        {"BINARY", 1}, {"BINOMIAL", 1}, {"LOGIT", 1},    {"POISSON", 2},  {"COUNT", 2},  {"LOG", 2},
        {"LOGLINEAR", 2},
    };
    for (const auto &c : cases) {
        reset_engine();
        fake_host h;
        h.set_data({num("y", {1, 0}), num("x", {0, 1})});
        h.model("y", {"x"});
        h.set_text(slot_dist, c.value);
        ASSERT_EQ(h.run(), 0) << c.value;
        EXPECT_EQ(engine().model_type, c.model) << c.value;
    }
}

TEST_F(Statements, UnknownDistributionIsOneErrorNamingTheAllowedOnes) {
    host.model("y", {"x1"});
    host.set_text(slot_dist, "GAMMA%s%n");
    EXPECT_EQ(host.run(), 3000);
    // User text is never a format.
    EXPECT_TRUE(host.log_has("ERROR: DIST GAMMA%s%n is not a model QUILLFIT fits: DIST must be NORMAL "
                             "(also GAUSSIAN, IDENTITY, LINEAR), LOGISTIC (also BINOMIAL, BINARY, "
                             "LOGIT) or POISSON (also COUNT, LOG)"));
}

TEST_F(Statements, NumbersAndDefaultsReachTheEngine) {
    host.model("y", {"x1"});
    EXPECT_EQ(host.run(), 0);
    EXPECT_EQ(engine().options, (std::vector<int32_t>{0, 0, 0, 250, 250, 0, 0, 0}));
    EXPECT_EQ(engine().grid_size, 250);
    EXPECT_EQ(engine().tolerance, 1e-9);
    EXPECT_EQ(engine().min_lambda_in, -1.0);
    EXPECT_EQ(engine().max_lambda_in, -1.0);
    EXPECT_EQ(engine().a, 3.7);

    reset_engine();
    fake_host h;
    h.set_data({num("y", {1, 2}), num("x", {0, 1})});
    h.model("y", {"x"});
    h.set_number(slot_criterion, 1e-6);
    h.set_number(slot_maxiter, 1e12); // held at the 32-bit limit
    h.set_number(slot_gridsize, 30.9);
    h.set_number(slot_minlambda, 0.1);
    h.set_number(slot_maxlambda, 3);
    h.set_number(slot_a, 4.5);
    h.set_flag(h.proc(), flag_robust);
    h.set_flag(h.proc(), flag_warmstart);
    EXPECT_EQ(h.run(), 0);
    EXPECT_EQ(engine().options, (std::vector<int32_t>{0, 0, 0, 30, INT32_MAX, 1, 1, 0}));
    EXPECT_EQ(engine().tolerance, 1e-6);
    EXPECT_EQ(engine().min_lambda_in, 0.1);
    EXPECT_EQ(engine().max_lambda_in, 3.0);
    EXPECT_EQ(engine().a, 4.5);
}

TEST_F(Statements, FlagChecks) {
    // ROBUST reaches the engine for a Poisson model too (before, it was refused).
    {
        reset_engine();
        fake_host r;
        r.set_data({num("y", {1, 2, 0}), num("x", {0, 1, 2})});
        r.model("y", {"x"});
        r.set_text(slot_dist, "POISSON");
        r.set_flag(r.proc(), flag_robust);
        EXPECT_EQ(r.run(), 0);
        EXPECT_EQ(engine().options[5], 1); // the robust option
    }

    fake_host h;
    h.set_data({num("y", {1, 2}), num("x", {0, 1})});
    h.set_flag(h.model("y", {"x"}), flag_noint);
    h.set_flag(h.proc(), flag_unshrink_se);
    EXPECT_EQ(h.run(), 3000);
    EXPECT_TRUE(h.log_has("WARNING: The unshrink_se option is not recommended or implemented."));
    EXPECT_TRUE(h.log_has(
        "ERROR:  A no-intercept model cannot be specified in the current version of QUILLFIT."));
}

TEST_F(Statements, ParseFailureEndsQuietly) {
    host.parse_status = 999;
    EXPECT_EQ(host.run(), 3000);
    EXPECT_TRUE(host.log.empty());
}

TEST_F(Statements, InterfaceModules) {
    host.model("y", {"x1"});
    host.sasproci_available = false;
    EXPECT_EQ(host.run(), 1012);
    EXPECT_TRUE(host.log_has(
        "Cannot load the SASPROCI module. The user-written item cannot function without it."));

    fake_host h;
    h.set_data({num("y", {1, 2}), num("x", {0, 1})});
    h.model("y", {"x"});
    h.debug_option = "TLKTDBG=1";
    EXPECT_EQ(h.run(), 0);
    EXPECT_TRUE(h.log_has("NOTE: Cannot load the SASPROCD module. Since this is a debug-only "
                          "module, an attempt is made to load SASPROCI instead."));

    fake_host quiet;
    quiet.set_data({num("y", {1, 2}), num("x", {0, 1})});
    quiet.model("y", {"x"});
    quiet.debug_option = "TLKTDBG=0";
    EXPECT_EQ(quiet.run(), 0);
    EXPECT_FALSE(quiet.log_has("SASPROCD"));
}

} // namespace
} // namespace quill::proc::testing
