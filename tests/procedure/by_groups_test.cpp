// BY groups against the real engine: each group's outputs must be, value for value, those of a
// run on that group's rows alone; a group that cannot be fitted is named and skipped; a host
// whose routine table has no BY group operation gets an error, not a call through a null entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "test_support.h"

namespace quill::proc::testing {
namespace {

// Three groups g = 1, 2, 3; in group 2 the response is constant; the CLASS predictor k has the
// level "z" in group 3 only, so the groups' designs differ.
struct grouped_data {
    std::vector<double> g, y, x;
    std::vector<std::string> k;
    std::vector<column> rows(std::size_t from, std::size_t to) const {
        auto cut = [&](const auto &v) { return std::vector(v.begin() + from, v.begin() + to); };
        return {num("g", cut(g)), num("y", cut(y)), num("x", cut(x)), chr("k", cut(k))};
    }
};

grouped_data make_groups() {
    grouped_data d;
    const char *levels[] = {"u", "v", "w"};
    for (int i = 0; i < 30; ++i) {
        const int group = i / 10 + 1;
        const double x = (i % 7) * 0.5 - 1.2 + 0.1 * group;
        const char *k = group == 3 && i % 4 == 0 ? "z" : levels[i % 3];
        d.g.push_back(group);
        d.x.push_back(x);
        d.k.push_back(k);
        d.y.push_back(group == 2 ? 4.0 : 1.0 + group * x + (i % 3) * 0.7 + ((i * 37) % 11) * 0.05);
    }
    d.y[3] = kMissing; // left out of group 1's fit, still predicted
    return d;
}

void ask_for_fit(fake_host &h, bool by) {
    h.model("y", {"x", "k"});
    class_statement(h, {"k"});
    if (by) h.set_vars(h.add_statement("BY", kByRecordSlots), by_slot_variables, {"g"}, 3);
    h.set_number(slot_gridsize, 12);
    for (int slot : {slot_outbetas, slot_outinfo, slot_outpred, slot_outpath})
        h.request_output(slot, std::to_string(slot));
}

// The values of row `row` of `by_run` (BY variable first) against row `alone_row` of the run
// on the group alone, by variable name; a variable the group's design lacks must be missing.
void expect_same_rows(const written_dataset &by_run, std::size_t row, const written_dataset &alone,
                      std::size_t alone_row, double group) {
    EXPECT_EQ(by_run.names.at(0), "g");
    EXPECT_EQ(by_run.value(row, "g"), group);
    for (std::size_t v = 1; v < by_run.names.size(); ++v) {
        const std::string &name = by_run.names[v];
        const bool shared = std::find(alone.names.begin(), alone.names.end(), name) != alone.names.end();
        const double value = by_run.value(row, name);
        if (!shared) EXPECT_TRUE(std::isnan(value)) << name;
        else if (std::isnan(value)) EXPECT_TRUE(std::isnan(alone.value(alone_row, name))) << name;
        else EXPECT_EQ(value, alone.value(alone_row, name)) << name << " of group " << group;
    }
}

TEST(ByGroups, EachGroupIsFittedAsItsRowsAloneAndAFailedGroupIsSkipped) {
    const grouped_data d = make_groups();
    fake_host by;
    by.set_data(d.rows(0, 30));
    ask_for_fit(by, true);
    EXPECT_EQ(by.run(), 3000);

    // Group 2 fails; its error is named, and the step's error comes after the last group.
    const int refused = by.log_index("ERROR: The response y has the same value, 4,");
    ASSERT_GE(refused, 0);
    EXPECT_EQ(by.log.at(refused + 1), "NOTE: The above message was for the following BY group:");
    EXPECT_EQ(by.log.at(refused + 2), "      g=2");
    EXPECT_EQ(by.log.back(), "ERROR: 1 of the 3 BY groups could not be fitted; the output data sets hold the other 2.");
    EXPECT_TRUE(by.listing_has("--- g=1 ---"));
    EXPECT_FALSE(by.listing_has("--- g=2 ---"));
    EXPECT_TRUE(by.listing_has("--- g=3 ---"));

    // The output columns are the whole data's levels: u, v, w, z with z the reference.
    const written_dataset &betas = by.outputs.at(std::to_string(slot_outbetas));
    EXPECT_TRUE(betas.complete);
    EXPECT_EQ(betas.names, (std::vector<std::string>{"g", "INTERCEPT", "BETA_X", "BETA_K_U", "BETA_K_V", "BETA_K_W"}));
    ASSERT_EQ(betas.rows.size(), 2u);
    const written_dataset &pred = by.outputs.at(std::to_string(slot_outpred));
    EXPECT_EQ(pred.names, (std::vector<std::string>{"g", "y", "x", "k", "PREDICTED"}));
    ASSERT_EQ(pred.rows.size(), 20u);
    const written_dataset &path = by.outputs.at(std::to_string(slot_outpath));
    ASSERT_EQ(path.rows.size(), 24u);

    const std::size_t starts[] = {0, 20};
    for (int k = 0; k < 2; ++k) {
        const double group = k == 0 ? 1 : 3;
        fake_host alone;
        alone.set_data(d.rows(starts[k], starts[k] + 10));
        ask_for_fit(alone, false);
        ASSERT_EQ(alone.run(), 0) << group;
        for (int slot : {slot_outbetas, slot_outinfo})
            expect_same_rows(by.outputs.at(std::to_string(slot)), k, alone.outputs.at(std::to_string(slot)), 0, group);
        for (std::size_t r = 0; r < 10; ++r)
            expect_same_rows(pred, 10 * k + r, alone.outputs.at(std::to_string(slot_outpred)), r, group);
        for (std::size_t r = 0; r < 12; ++r)
            expect_same_rows(path, 12 * k + r, alone.outputs.at(std::to_string(slot_outpath)), r, group);
    }
}

TEST(ByGroups, ATableWithoutTheByGroupOperationRefusesTheByStatement) {
    fake_host h;
    h.by_groups_available = false;
    h.set_data(make_groups().rows(0, 30));
    ask_for_fit(h, true);
    EXPECT_EQ(h.run(), 3000);
    EXPECT_TRUE(h.log_has("ERROR: This host does not divide data sets into BY groups (its routine table has no BY "
                          "group operation), so the BY statement cannot be used (line 3)."));
    EXPECT_FALSE(h.log_has("observations read"));
    EXPECT_TRUE(h.outputs.empty());
}

} // namespace
} // namespace quill::proc::testing
