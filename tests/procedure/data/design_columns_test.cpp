// Every consumer of the design columns follows one order: the engine's design, the output
// variables of OUTBETAS and OUTPATH, the estimates table and the predictions, with a CLASS
// predictor under DESCENDING (its reference first in data order, last in level order) and a
// CLASS predictor of a single level, which has no column at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "test_support.h"

namespace quill::proc::testing {
namespace {

std::vector<std::string> words(const std::string &line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string word; in >> word;) out.push_back(word);
    return out;
}

TEST(DesignColumns, OneOrderForTheDesignTheOutputsTheTableAndThePredictions) {
    reset_engine();
    fake_host h;
    h.set_data({num("y", {1, 2, 3, 4, 5, 6, kMissing, kMissing}), num("x", {1, 3, 2, 5, 4, 6, 2, 2}),
                chr("g", {"a", "b", "c", "a", "b", "c", "b", "c"}),
                chr("s", {"k", "k", "k", "k", "k", "k", "k", "q"}),
                num("z", {0.5, 1, 1.5, 2, 2.5, 3.5, 1, 1})});
    h.model("y", {"x", "g", "s", "z"});
    h.set_flag(class_statement(h, {"g", "s"}), flag_descending);
    h.set_number(slot_gridsize, 3);
    h.request_output(slot_outbetas, "b");
    h.request_output(slot_outpred, "p");
    h.request_output(slot_outpath, "path");
    engine().betas = {1, 10, 100, 1000}; // x, g=C, g=B, z
    engine().intercept = 0.5;
    ASSERT_EQ(h.run(), 0);

    // Levels C, B, A under DESCENDING: A is the reference; S has the single level K.
    EXPECT_EQ(engine().p, 4);
    EXPECT_EQ(engine().x, (std::vector<double>{1, 3, 2, 5, 4, 6, 0, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 0,
                                               0.5, 1, 1.5, 2, 2.5, 3.5}));
    const std::vector<std::string> names{"BETA_X", "BETA_G_C", "BETA_G_B", "BETA_Z"};
    const std::vector<std::string> &betas = h.outputs.at("b").names;
    EXPECT_EQ(std::vector<std::string>(betas.begin() + 1, betas.end()), names);
    const std::vector<std::string> &path = h.outputs.at("path").names;
    ASSERT_EQ(path.size(), 10u + names.size());
    EXPECT_EQ(std::vector<std::string>(path.begin() + 10, path.end()), names);

    // The estimates table: from its Intercept row to the blank line after it.
    std::vector<std::vector<std::string>> rows;
    auto line = std::find_if(h.listing.begin(), h.listing.end(),
                             [](const std::string &l) { return l.rfind("Intercept", 0) == 0; });
    for (; line != h.listing.end() && !line->empty(); ++line) rows.push_back(words(*line));
    EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"Intercept", "0.500000", "0.000000"},
                                                           {"x", "1.000000", "0.000000"},
                                                           {"g", "C", "2", "10.000000", "0.000000"},
                                                           {"B", "2", "100.000000", "0.000000"},
                                                           {"A", "2", "(Reference)"},
                                                           {"z", "1000.000000", "0.000000"}}));

    // Used rows from the design; the held rows from their own predictors, missing when a
    // level is not in the fit, even of a predictor without columns.
    const written_dataset &predicted = h.outputs.at("p");
    ASSERT_EQ(predicted.rows.size(), 8u);
    EXPECT_EQ(predicted.value(0, "PREDICTED"), 0.5 + 1 + 500);
    EXPECT_EQ(predicted.value(2, "PREDICTED"), 0.5 + 2 + 10 + 1500);
    EXPECT_EQ(predicted.value(6, "PREDICTED"), 0.5 + 2 + 100 + 1000);
    EXPECT_TRUE(std::isnan(predicted.value(7, "PREDICTED")));
    // The input's variables come along as read: CLASS texts as written, not as coded levels.
    EXPECT_EQ(predicted.text(7, "g"), "c");
    EXPECT_EQ(predicted.text(7, "s"), "q");
    EXPECT_EQ(predicted.value(2, "x"), 2);
}

} // namespace
} // namespace quill::proc::testing
