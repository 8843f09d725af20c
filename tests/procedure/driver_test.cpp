// The engine call: the design over used observations with CLASS indicators, force-in bytes,
// unit weights, the message buffer, and the report of an engine failure.
#include <gtest/gtest.h>

#include "test_support.h"

namespace quill::proc::testing {
namespace {

TEST(Driver, DesignFollowsModelOrderWithIndicatorsAndForceinBytes) {
    reset_engine();
    fake_host h;
    h.set_data({num("y", {1, 2, 3, 4, 5}), num("a", {1, 2, kMissing, 4, 5}),
                chr("g", {"u", "v", "w", "u", "w"}), num("b", {9, 8, 7, 6, 5})});
    h.model("y", {"a", "g", "b"});
    class_statement(h, {"g"});
    h.set_vars(h.proc(), slot_forcein, {"b", "a"});
    ASSERT_EQ(h.run(), 0);
    EXPECT_EQ(engine().calls, 1);
    EXPECT_EQ(engine().n, 4);
    EXPECT_EQ(engine().p, 4); // a, g=U, g=V (W is the reference), b
    EXPECT_EQ(engine().x, (std::vector<double>{1, 2, 4, 5, 1, 0, 1, 0, 0, 1, 0, 0, 9, 8, 6, 5}));
    EXPECT_EQ(engine().y, (std::vector<double>{1, 2, 4, 5}));
    EXPECT_EQ(engine().weights, (std::vector<double>{1, 1, 1, 1}));
    EXPECT_EQ(engine().forcein, (std::vector<uint8_t>{1, 0, 0, 1}));
    EXPECT_EQ(engine().msg_len, 3001);
    EXPECT_TRUE(h.log_has("QUILLFIT"));
    EXPECT_TRUE(h.log_has("NOTE:  Class predictor g had 3 levels."));
}

TEST(Driver, EngineFailureIsFramedLineByLine) {
    reset_engine();
    fake_host h;
    h.set_data({num("y", {1, 2}), num("x", {0, 1})});
    h.model("y", {"x"});
    h.request_output(slot_outbetas, "b");
    h.request_output(slot_outinfo, "i");
    engine().failure = "Invalid input for grid_size\r\n\r\nOCCURRED IN: run_load_scad_settings in "
                       "MOD scad_types\r\n%s%n";
    EXPECT_EQ(h.run(), 3000);
    const int at = h.log_index("A problem occured during model estimation.");
    ASSERT_GE(at, 0);
    EXPECT_EQ(h.log[at], "ERROR: A problem occured during model estimation.  Diagnostic "
                         "information is as follows:");
    const std::vector<std::string> expected{
        " ", "   Invalid input for grid_size",
        "   OCCURRED IN: run_load_scad_settings in MOD scad_types", "   %s%n", " "};
    ASSERT_EQ(h.log.size(), at + 1 + expected.size());
    EXPECT_EQ(std::vector<std::string>(h.log.begin() + at + 1, h.log.end()), expected);
    EXPECT_TRUE(h.outputs.empty());
    EXPECT_TRUE(h.listing.empty());
}

TEST(Driver, MessageFillingTheWholeBufferStaysBounded) {
    reset_engine();
    fake_host h;
    h.set_data({num("y", {1, 2}), num("x", {0, 1})});
    h.model("y", {"x"});
    engine().failure = std::string(5000, 'z');
    EXPECT_EQ(h.run(), 3000);
    const int at = h.log_index("   zzz");
    ASSERT_GE(at, 0);
    EXPECT_EQ(h.log[at].size(), 3u + 3000u);
}

} // namespace
} // namespace quill::proc::testing
