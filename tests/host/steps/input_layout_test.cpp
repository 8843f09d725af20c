// The INPUT statement's layout and the fields it finds on an observation's lines: the pointer
// past the end of a line, @'text' not found, & values, delimiters of INFILE; expected fields by
// hand from the columns written.
#include "steps/data_step/input_layout.h"

#include <gtest/gtest.h>

#include "host_test_support.h"

namespace quill::host {
namespace {

class InputLayoutTest : public ::testing::Test {
protected:
    // The fields of `lines` as `statement` reads them; "" and an error in the log when it does not parse.
    std::vector<std::string> fields(const std::string &statement, const std::vector<std::string_view> &lines,
                                    const std::string &delimiters = "")
    {
        Statement s;
        s.tokens = testing::tokens_of(statement);
        table = Table();
        layout = InputLayout();
        const auto none = [](const std::string &) { return std::string(); };
        if (!parse_input_layout(memory.session, s, none, table, layout))
            return {};
        std::vector<LayoutField> found(table.columns.size());
        read_layout_record(layout, lines, delimiters, found);
        std::vector<std::string> out;
        for (const LayoutField &f : found)
            out.push_back(f.found ? f.text : "<none>");
        return out;
    }
    using Fields = std::vector<std::string>;
    testing::MemorySession memory;
    Table table;
    InputLayout layout;
};

TEST_F(InputLayoutTest, PointersColumnsAndListValuesMixed)
{
    //                                     1234567890123456789
    EXPECT_EQ(fields("input a 1-3 b $ 5-7 c;", {"123 abc  9 "}), (Fields{"123", "abc", "9"}));
    EXPECT_FALSE(layout.plain);
    EXPECT_EQ(table.columns[1].length, 3u); // column input gives the length
    // Past the end of the line: columns read blanks, a list value is not there.
    EXPECT_EQ(fields("input a 1-3 b 10-12 c;", {"12"}), (Fields{"12", "", "<none>"}));
    // +n after formatted input; @n back over what was read.
    EXPECT_EQ(fields("input @3 x 2. +2 y 1. @1 z $2.;", {"ab12cd3"}), (Fields{"12", "3", "ab"}));
    // @'text' moves past the text; when it is not there, nothing after it is found on the line.
    EXPECT_EQ(fields("input @'id=' id @'v=' v;", {"x id=7 v=2.5"}), (Fields{"7", "2.5"}));
    EXPECT_EQ(fields("input @'zz' id;", {"x id=7"}), (Fields{"<none>"}));
    // #n and / choose the observation's line, at its first column; a missing line reads as empty.
    EXPECT_EQ(fields("input a #3 b / c #1 @3 d;", {"1 4", "x", "2", "3"}), (Fields{"1", "2", "3", "4"}));
    EXPECT_EQ(layout.lines, 4u);
    EXPECT_EQ(fields("input #2 a 1-2;", {"1"}), (Fields{""}));
    // & keeps single blanks inside a value; two blanks or a tab end it.
    EXPECT_EQ(fields("input n & $20. m;", {"New York  5"}), (Fields{"New York", "5"}));
    EXPECT_EQ(fields("input n & $20. m;", {"New York\t5"}), (Fields{"New York", "5"}));
    // INFILE's delimiters separate list values, never column ones.
    EXPECT_EQ(fields("input a b 1-3;", {"7,8"}, ","), (Fields{"7", "7,8"}));
    EXPECT_EQ(fields("input a :comma8. b;", {"1,234;5"}, ";"), (Fields{"1,234", "5"}));
}

TEST_F(InputLayoutTest, PlainListInputStaysPlain)
{
    EXPECT_EQ(fields("input a b $ c1-c2;", {"1 x 2 3"}), (Fields{"1", "x", "2", "3"}));
    EXPECT_TRUE(layout.plain);
    EXPECT_EQ(table.columns[1].type, VarType::Character);
    EXPECT_EQ(fields("input d :date9.;", {"01JAN2024"}), (Fields{"01JAN2024"}));
    EXPECT_FALSE(layout.plain);
    EXPECT_TRUE(layout.items[0].has_informat);
}

TEST_F(InputLayoutTest, StatementsThatCannotBeRead)
{
    for (const char *bad : {"input a 1-3 @;", "input a @@;", "input a :;", "input a $ date9.;", "input a 0-3;",
                            "input #0 a;", "input a a;", "input @x a;", "input (a b) (2.);"})
        EXPECT_EQ(fields(bad, {"1"}), Fields{}) << bad;
    EXPECT_TRUE(memory.log_has("ERROR: The informat $DATE was not found or could not be loaded (line 1)."));
    EXPECT_TRUE(memory.log_has("ERROR: Variable A appears twice in the INPUT statement (line 1)."));
}

} // namespace
} // namespace quill::host
