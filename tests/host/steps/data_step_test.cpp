// The DATA step writes only what can be read back, takes wide INPUT statements in linear time,
// and reports values out of range; messages quote long program text cut short; INFILE never
// waits on a FIFO, reads lines ending anywhere in its buffer, cuts them to a length, and splits
// delimited lines as list input reads them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "data/csv/csv_store.h"
#include "data/text_file.h"
#include "host_test_support.h"
#include "modules/module_loader.h"
#include "steps/data_step/datalines_input.h"
#include "steps/program_runner.h"

namespace quill::host {
namespace {

class DataStep : public ::testing::Test {
protected:
    int run(const std::string &program)
    {
        ModuleLoader modules({});
        ProgramRunner runner(memory.session, modules, program);
        return runner.run();
    }
    Table read_back(const std::string &member) { return memory.work_table(member); }
    testing::MemorySession memory;
};

TEST_F(DataStep, NameLiteralsFollowTheRulesOfReadingBack)
{
    ASSERT_EQ(run("data a; input 'my var'n 'A b'n; datalines;\n1 2\n;\n"), 0);
    const Table back = read_back("a");
    ASSERT_EQ(back.columns.size(), 2u);
    EXPECT_EQ(back.columns[0].name, "my var");
    EXPECT_EQ(back.columns[1].name, "A b");

    const std::string rule = " cannot name a variable: a name has 1 to 32 characters, no control characters, and "
                             "neither begins nor ends with a blank (line 1).";
    EXPECT_EQ(run("data b; input '  'n b; datalines;\n1 2\n;\n"), 2);
    EXPECT_TRUE(memory.log_has("ERROR: The name literal '  'n" + rule));
    EXPECT_EQ(run("data b; input 'a'n 'a 'n; datalines;\n1 2\n;\n"), 2);
    EXPECT_TRUE(memory.log_has("ERROR: The name literal 'a 'n" + rule));
    EXPECT_FALSE(std::filesystem::exists(memory.session.library.work_folder() / "b.qds"));
}

// The statements are read first and the program data vector settled after: KEEP, DROP, RENAME and
// LABEL may name variables made later, each output narrows the kept ones by its own options, and
// a variable may be named like a statement's keyword. Operators of two characters are one token.
TEST_F(DataStep, TheProgramDataVectorIsSettledAfterTheStatements)
{
    ASSERT_EQ(run("data one(keep=a b s) two(drop=a rename=(s=t));\n"
                  "  keep a b s do x; label s='Text'; drop unused; rename b=b_new;\n"
                  "  ** a comment statement;\n"
                  "  a = 1; b = a + 1; s = 'xy'!!'z'; do = 2**3; set = 4; retain total 0; total + a;\n"
                  "  if a^=1 | b>=3 | b<=1 | a \xC2\xAC= 1 then x = 0; else x = -a**2;\n"
                  "run;\n"),
              1) // the warning about `unused`
        << memory.log().back();
    EXPECT_TRUE(memory.log_has("WARNING: The variable unused in the DROP, KEEP, or RENAME list has never been "
                               "referenced."));
    const Table one = read_back("one");
    ASSERT_EQ(one.columns.size(), 3u);
    EXPECT_EQ(one.columns[0].name, "a");
    EXPECT_EQ(one.columns[1].name, "b_new"); // KEEP= names it as it stands, the RENAME statement after
    EXPECT_EQ(one.columns[2].name, "s");
    EXPECT_EQ(one.columns[1].numbers[0], 2);
    EXPECT_EQ(one.columns[2].texts[0], "xyz");
    const Table two = read_back("two");
    ASSERT_EQ(two.columns.size(), 4u);
    EXPECT_EQ(two.columns[0].name, "b_new");
    EXPECT_EQ(two.columns[1].name, "t");
    EXPECT_EQ(two.columns[2].name, "do");
    EXPECT_EQ(two.columns[2].numbers[0], 8);
    EXPECT_EQ(two.columns[3].name, "x");
    EXPECT_EQ(two.columns[3].numbers[0], -1); // -a**2 is -(a**2)

    EXPECT_EQ(run("data bad; a = 1; b = a 2; label c='none'; run;\n"), 2);
    EXPECT_TRUE(memory.log_has("expected an operator or ;, found \"2\"")) << memory.log().back();
    EXPECT_EQ(run("data bad; a = 1; label c='none'; run;\n"), 2);
    EXPECT_TRUE(memory.log_has("ERROR: The variable c in the LABEL statement is not in the DATA step"));
}

// An iterative DO over a list: single values, ranges with BY, each item's own WHILE or UNTIL
// (ending that item only), LEAVE ending them all, and a list of texts making a character index.
TEST_F(DataStep, DoListsRunTheirItemsInOrder)
{
    ASSERT_EQ(run("data a; do i = 3, 1 to 2, 10 to 20 by 5 while (i < 15), 7; output; end; run;\n"), 0);
    const Table a = read_back("a");
    ASSERT_EQ(a.rows, 5u);
    EXPECT_EQ(a.columns[0].numbers, (std::vector<double>{3, 1, 2, 10, 7}));

    ASSERT_EQ(run("data b; length t $ 8; do s = 'ab', 'c'; t = cats(t, s); end;\n"
                  "do j = 1, 2, 3; if j = 2 then leave; n + 1; end;\n"
                  "do k = 1 to 5 until (k >= 2), 9; m + k; end; run;\n"),
              0);
    const Table b = read_back("b");
    ASSERT_EQ(b.columns.size(), 6u); // t s j n k m, in the order they appear
    EXPECT_EQ(b.columns[0].texts[0], "abc");
    EXPECT_EQ(b.columns[1].type, VarType::Character);
    EXPECT_EQ(b.columns[1].length, 2u);
    EXPECT_EQ(b.columns[1].texts[0], "c");
    EXPECT_EQ(b.columns[2].numbers[0], 2); // j: LEAVE at 2
    EXPECT_EQ(b.columns[3].numbers[0], 1); // n
    EXPECT_EQ(b.columns[4].numbers[0], 9); // k: UNTIL ended 1 to 5 at 2, then 9
    EXPECT_EQ(b.columns[5].numbers[0], 12); // m = 1 + 2 + 9
}

TEST_F(DataStep, WideInputAndValuesOutOfRange)
{
    ASSERT_EQ(run("data w; input x1-x999999; datalines;\n1e400 1e-400 2 -1e999\n;\n"), 1);
    EXPECT_TRUE(memory.log_has("NOTE: The data set WORK.W has 1 observations and 999999 variables."));
    EXPECT_TRUE(memory.log_has("WARNING: The value \"1e400\" of x1 in data line 2 is out of range; such values are "
                               "set to missing."));
    EXPECT_TRUE(memory.log_has("WARNING: The value \"-1e999\" of x4 in data line 2 is out of range"));
    EXPECT_TRUE(memory.log_has("NOTE: The value \"1e-400\" of x2 in data line 2 is too close to zero for a number; "
                               "such values are read as 0."));
    const Table back = read_back("w");
    ASSERT_EQ(back.columns.size(), 999999u);
    EXPECT_TRUE(is_missing(back.columns[0].numbers[0]));
    EXPECT_EQ(back.columns[1].numbers[0], 0.0); // too small: the nearest double
    EXPECT_EQ(back.columns[999998].name, "x999999");
    EXPECT_EQ(run("data v; input a b a; datalines;\n1 2 3\n;\n"), 2);
    EXPECT_TRUE(memory.log_has("ERROR: Variable A appears twice in the INPUT statement (line 1)."));
}

TEST_F(DataStep, LongProgramTextIsCutInMessages)
{
    const std::string huge(1 << 20, 'z');
    EXPECT_EQ(run("'" + huge + "';\n" + huge + ";\ndata a; input x; datalines;\n" + huge + "\n;\n"), 2);
    const std::string cut = std::string(61, 'z') + "...";
    EXPECT_TRUE(memory.log_has("ERROR: Statement \"'" + std::string(60, 'z') + "...\" is not valid outside a DATA or "
                               "PROC step (line 1)."));
    EXPECT_TRUE(memory.log_has("ERROR: The name " + cut + " is longer than 32 characters (line 2)."));
    EXPECT_TRUE(memory.log_has("NOTE: Invalid numeric value \"" + cut + "\" for x in data line 4"));
    for (const std::string &line : memory.log()) {
        if (line.rfind("ERROR", 0) == 0 || line.rfind("NOTE", 0) == 0) {
            EXPECT_LT(line.size(), 200u) << line.substr(0, 200);
        }
    }
}

TEST_F(DataStep, InfileRefusesAFifoWithoutWaitingOnIt)
{
    const std::filesystem::path fifo = memory.folder / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(run("data f; infile '" + fifo.string() + "'; input x; run;\n"), 2);
    EXPECT_TRUE(memory.log_has("ERROR: The infile " + fifo.string() +
                               " is not a regular file (a FIFO, a device or a socket) (line 1)."));
    EXPECT_FALSE(std::filesystem::exists(memory.session.library.work_folder() / "f.qds"));
}

TEST_F(DataStep, InfileLinesEndAcrossItsBuffersAndLongOnesAreCut)
{
    // The CR of the first line is the last byte of the first 64 KB read, its LF the first of the next.
    const std::string first(65532, 'a');
    const std::filesystem::path file = memory.folder / "lines.txt";
    testing::write_file(file, "\xEF\xBB\xBF" + first + "\r\nb\r\n\nc");
    auto lines_of = [](const std::filesystem::path &path, size_t longest) {
        TextFileReader reader;
        std::string error, line;
        std::vector<std::string> lines;
        EXPECT_TRUE(reader.open(path, error)) << error;
        for (bool cut = false; reader.next_line(line, longest, cut, error);)
            lines.push_back(line + (cut ? "~" : ""));
        EXPECT_EQ(error, "");
        return lines;
    };
    EXPECT_EQ(lines_of(file, 65532), (std::vector<std::string>{first, "b", "", "c"}));
    EXPECT_EQ(lines_of(file, 3), (std::vector<std::string>{"aaa~", "b", "", "c"}));
    testing::write_file(file, "\xEF\xBB\xBF");
    EXPECT_EQ(lines_of(file, 10), std::vector<std::string>{});
    testing::write_file(file, "x\r\r\n");
    EXPECT_EQ(lines_of(file, 10), (std::vector<std::string>{"x", ""}));
}

TEST_F(DataStep, DelimitedLinesSplitAsListInputReadsThem)
{
    using Fields = std::vector<std::string>;
    RawLayout blanks, commas, dsd, dsd_blank;
    commas.delimiters = ",";
    dsd.dsd = true;
    dsd_blank.dsd = true;
    dsd_blank.delimiters = " ";
    EXPECT_EQ(split_raw_line("  a\t b  ", blanks), (Fields{"a", "b"}));
    EXPECT_EQ(split_raw_line(" \t ", dsd), Fields{});
    EXPECT_EQ(split_raw_line(",a b,,c ,", commas), (Fields{"a b", "c"})); // a run of delimiters is one
    EXPECT_EQ(split_raw_line("\"x\",y", commas), (Fields{"\"x\"", "y"}));    // quotes are data without DSD
    EXPECT_EQ(split_raw_line(",1, \"a,\"\"b\"\"\" ,'c''d',", dsd), (Fields{"", "1", "a,\"b\"", "c'd", ""}));
    EXPECT_EQ(split_raw_line("\"open,end", dsd), (Fields{"open,end"}));
    EXPECT_EQ(split_raw_line("a  b", dsd_blank), (Fields{"a", "", "b"}));
    EXPECT_EQ(split_raw_line(" a b c d", blanks, 2), (Fields{"a", "b"})); // the rest is not looked at
    EXPECT_EQ(split_raw_line("a,,b,c", dsd, 3), (Fields{"a", "", "b"}));
}

} // namespace
} // namespace quill::host
