#include "modules/statement_actions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "host_test_support.h"
#include "hosttest_grammar.h"

namespace quill::host {
namespace {

class StatementParser : public ::testing::Test {
protected:
    void SetUp() override
    {
        // d: x1 x2 name(C) x3
        testing::write_file(memory.session.library.work_folder() / "d.csv", "x1,x2,name,x3\n1,2,a,3\n");
        DatasetName d;
        std::string error;
        ASSERT_TRUE(memory.session.library.name("WORK", "d", d, error));
        memory.session.library.set_last(d);
    }

    int16_t parse(const std::string &statements, const qh_grammar &grammar = hosttest::build_grammar())
    {
        run = std::make_unique<RunContext>(memory.session, "HOSTTEST", testing::tokens_of(statements), 1);
        return parse_step(&grammar, *run, area);
    }

    std::vector<int> numbers(const qh_param &slot) const
    {
        return std::vector<int>(slot.var_numbers, slot.var_numbers + slot.var_count);
    }

    testing::MemorySession memory;
    std::unique_ptr<RunContext> run;
    qh_parse_area area{};
};

TEST_F(StatementParser, EveryActionKindFillsTheRecords)
{
    ASSERT_EQ(parse("hosttest data=d out=res verbose keepopen; vars x1-x2 / flagged; vars name; one x3;"
                    " num -2.5; word gcv; rc 4;"),
              0);
    const qh_statement *proc = area.proc_record;
    ASSERT_NE(proc, nullptr);
    EXPECT_EQ(std::string(proc->name, 8), "HOSTTEST");
    EXPECT_EQ(proc->slot_count, 7);
    EXPECT_EQ(QH_SLOT(proc, 1).specified, 1);
    EXPECT_EQ(QH_SLOT(proc, 1).dataset->name.display, "WORK.D");
    EXPECT_EQ(QH_SLOT(proc, 2).specified, 1);
    EXPECT_EQ(QH_SLOT(proc, 2).dataset->name.display, "WORK.RES");
    EXPECT_TRUE(QH_FLAG(proc, 1));
    EXPECT_TRUE(QH_FLAG(proc, 2));
    EXPECT_EQ(proc->flags, QH_FLAG_BIT(1) | QH_FLAG_BIT(2));
    EXPECT_EQ(proc->flags, 0xC0000000u); // flag 1 is the most significant bit
    EXPECT_EQ(numbers(QH_SLOT(proc, 3)), std::vector<int>{4});
    EXPECT_EQ(QH_SLOT(proc, 4).number, -2.5);
    EXPECT_STREQ(QH_SLOT(proc, 5).text, "GCV     ");
    EXPECT_EQ(QH_SLOT(proc, 6).number, 4);

    const qh_statement *vars = proc->next;
    ASSERT_NE(vars, nullptr);
    EXPECT_EQ(std::string(vars->name, 5), "VARS ");
    EXPECT_EQ(numbers(QH_SLOT(vars, 1)), (std::vector<int>{1, 2}));
    EXPECT_TRUE(QH_FLAG(vars, 1));
    ASSERT_NE(vars->next, nullptr);
    EXPECT_EQ(numbers(QH_SLOT(vars->next, 1)), std::vector<int>{3});
    EXPECT_FALSE(QH_FLAG(vars->next, 1));
    EXPECT_EQ(vars->next->next, nullptr);
}

TEST_F(StatementParser, AbsentOptionsGetTheHostDefaults)
{
    ASSERT_EQ(parse("hosttest; vars _all_;"), 0);
    const qh_statement *proc = area.proc_record;
    EXPECT_EQ(QH_SLOT(proc, 1).specified, 0);
    EXPECT_EQ(QH_SLOT(proc, 1).dataset->name.display, "WORK.D"); // _LAST_
    EXPECT_EQ(QH_SLOT(proc, 2).specified, 0);
    ASSERT_NE(QH_SLOT(proc, 2).dataset, nullptr);
    EXPECT_EQ(QH_SLOT(proc, 2).dataset->name.display, "WORK.DATA1");
    EXPECT_EQ(QH_SLOT(proc, 4).specified, 0);
    EXPECT_EQ(proc->flags, 0u);
    EXPECT_EQ(numbers(QH_SLOT(proc->next, 1)), (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(StatementParser, EachStoredValueKeepsItsLine)
{
    ASSERT_EQ(parse("hosttest data=d;\n num 1;\n num\n 2;\n word gcv; vars\n x1;"), 0);
    const qh_statement *proc = area.proc_record;
    EXPECT_EQ(QH_SLOT(proc, 1).line, 1);
    EXPECT_EQ(QH_SLOT(proc, 2).line, 0); // the host's default data set was not written
    EXPECT_EQ(QH_SLOT(proc, 4).line, 4); // the last value, on its own line
    EXPECT_EQ(QH_SLOT(proc, 5).line, 5);
    EXPECT_EQ(QH_SLOT(proc->next, 1).line, 6);
}

TEST_F(StatementParser, EveryVariableListFormThroughTheGrammar)
{
    // d: x1 x2 name(C) x3
    ASSERT_EQ(parse("hosttest; vars x1-x2 x1--name x1-numeric-x3 x1-character-x3 x1-char-x3 x: 'x2'n"
                    " _numeric_ _character_ _char_ _all_;"),
              0);
    EXPECT_EQ(numbers(QH_SLOT(area.proc_record->next, 1)),
              (std::vector<int>{1, 2, 1, 2, 3, 1, 2, 4, 3, 3, 1, 2, 4, 2, 1, 2, 4, 3, 3, 1, 2, 3, 4}));
}

TEST_F(StatementParser, NumbersOfEveryClassAndRepeatedValues)
{
    ASSERT_EQ(parse("hosttest; num '02jan1960'd; num '01:00't; num 1e3; num .; one x1; one 'x2'n;"), 0);
    const qh_statement *proc = area.proc_record;
    EXPECT_EQ(QH_SLOT(proc, 4).specified, 4);
    EXPECT_TRUE(std::isnan(QH_SLOT(proc, 4).number)); // the last value stays
    EXPECT_EQ(numbers(QH_SLOT(proc, 3)), std::vector<int>{2});
    ASSERT_EQ(parse("hosttest; num '02jan1960'd;"), 0);
    EXPECT_EQ(QH_SLOT(area.proc_record, 4).number, 1);
    ASSERT_EQ(parse("hosttest; num '01:00't;"), 0);
    EXPECT_EQ(QH_SLOT(area.proc_record, 4).number, 3600);
}

TEST_F(StatementParser, SyntaxErrorsNameLineTokenAndExpectation)
{
    EXPECT_EQ(parse("hosttest data=d;\n vars x1 = x2;"), QH_PARSE_FAILED);
    EXPECT_EQ(area.proc_record, nullptr);
    EXPECT_EQ(memory.log().back(),
              "ERROR: Syntax error in line 2, column 10 at \"=\": expected one of -, /, :, ;, a name, a name literal.");
    EXPECT_EQ(parse("hosttest; rc 2.5;"), QH_PARSE_FAILED);
    EXPECT_EQ(memory.log().back(), "ERROR: Syntax error in line 1, column 14 at \"2.5\": expected an integer.");
    EXPECT_EQ(parse("hosttest; word"), QH_PARSE_FAILED);
    EXPECT_EQ(memory.log().back(), "ERROR: Syntax error at the end of the statements (line 1): expected a name.");
    EXPECT_EQ(parse("hosttest nonsense;"), QH_PARSE_FAILED);
    EXPECT_NE(memory.log().back().find("at \"nonsense\": expected one of DATA, ;, KEEPOPEN, OUT, VERBOSE."),
              std::string::npos)
        << memory.log().back();
}

TEST_F(StatementParser, ResolutionErrorsLeaveNoRecords)
{
    // The error names the data set, the statement and its line (a statement whose ; is missing
    // runs into the next one's words, which then "are not found").
    EXPECT_GE(parse("hosttest data=d;\n vars x1 zz;"), QH_PARSE_FAILED);
    EXPECT_EQ(area.proc_record, nullptr);
    EXPECT_EQ(memory.log().back(), "ERROR: Variable ZZ not found in data set WORK.D (VARS statement, line 2).");
    EXPECT_GE(parse("hosttest data=nope; vars x1;"), QH_PARSE_FAILED);
    EXPECT_EQ(memory.log().back(), "ERROR: Data set WORK.NOPE does not exist (line 1).");
    EXPECT_GE(parse("hosttest; one x1-x2;"), QH_PARSE_FAILED);
    EXPECT_EQ(memory.log().back(), "ERROR: One variable is expected here, not 2 (line 1).");
    EXPECT_GE(parse("hosttest data=d(keep=x1); vars x2;"), QH_PARSE_FAILED);
    EXPECT_EQ(memory.log().back(), "ERROR: Variable X2 not found in data set WORK.D (VARS statement, line 1).");
    EXPECT_GE(parse("hosttest data=d; vars x9:;"), QH_PARSE_FAILED);
    EXPECT_EQ(memory.log().back(), "ERROR: No variable names begin with X9 (VARS statement, line 1).");
    EXPECT_EQ(parse("hosttest data=d(drop=x1); vars x2;"), 0);
    EXPECT_EQ(numbers(QH_SLOT(area.proc_record->next, 1)), std::vector<int>{1});
}

TEST_F(StatementParser, ABrokenGrammarIsReportedNotFollowed)
{
    qh_grammar g = hosttest::build_grammar();
    g.start = 99;
    EXPECT_EQ(parse("hosttest;", g), parse_status_grammar);
    EXPECT_NE(memory.log().back().find("is not valid: the start nonterminal does not exist."), std::string::npos);

    // A left-recursive rule would recurse forever; the depth limit stops it.
    const qh_symbol left[] = {QH_N(0), QH_T(hosttest::ENDJB)};
    const qh_production productions[] = {{0, 2, left}};
    g = hosttest::build_grammar();
    g.productions = productions;
    g.production_count = 1;
    EXPECT_EQ(parse("hosttest;", g), parse_status_grammar);
    EXPECT_NE(memory.log().back().find("left-recursive"), std::string::npos);

    const qh_symbol bad_symbol[] = {QH_T(500)};
    const qh_production bad[] = {{0, 1, bad_symbol}};
    g.productions = bad;
    EXPECT_EQ(parse("hosttest;", g), parse_status_grammar);
}

} // namespace
} // namespace quill::host
