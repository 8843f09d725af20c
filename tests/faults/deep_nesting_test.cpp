// Programs nested far deeper than anyone writes by hand, as a generator writes them: each stops
// with an ERROR naming its line (or, for a chain of ELSE IF, simply runs), never with a crash
// that leaves no log and the WORK folder behind. Each runs quill as a process of its own.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "host_test_support.h"
#include "language/expression.h"
#include "steps/data_step/step_program.h"

namespace quill::host {
namespace {

using testing::read_file;
using testing::write_file;

std::string repeat(const std::string &text, int times)
{
    std::string out;
    for (int k = 0; k < times; ++k)
        out += text;
    return out;
}

class DeepNesting : public ::testing::Test {
protected:
    struct Outcome {
        int status; // exit status, or 128 + the signal that ended it
        std::string log, listing;
    };

    // A program at a limit runs with a quarter of the usual 8 MB stack: the limits keep that
    // margin, the sanitizer build's larger frames included.
    Outcome run(const std::string &program, bool quarter_stack = false)
    {
        write_file(folder / "p.sas", program);
        std::filesystem::create_directories(folder / "tmp");
        const std::string command = "cd '" + folder.path().string() + "' && " + (quarter_stack ? "ulimit -s 2048 && " : "") +
                                    "TMPDIR=\"$PWD/tmp\" '" QUILL_EXECUTABLE "' p.sas 2>err.txt";
        const int wait_status = std::system(command.c_str());
        const int status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
        EXPECT_TRUE(std::filesystem::is_empty(folder / "tmp")) << "a WORK folder was left behind";
        return {status, read_file(folder / "p.log"), read_file(folder / "p.lst")};
    }

    testing::ScratchFolder folder;
};

// `x = (((...1...)));` with `levels` parentheses, at line 2 of a DATA step.
std::string parenthesised(int levels)
{
    return "data a;\n  x = " + repeat("(", levels) + "7" + repeat(")", levels) + ";\nrun;\nproc print data=a; run;\n";
}

TEST_F(DeepNesting, ParenthesesUpToTheLimitRunAndBeyondItStopAtTheirLine)
{
    Outcome out = run(parenthesised(max_expression_nesting), true);
    EXPECT_EQ(out.status, 0) << out.log;
    EXPECT_NE(out.listing.find("  1   7\n"), std::string::npos) << out.listing;

    for (const int levels : {max_expression_nesting + 1, 7000}) {
        out = run(parenthesised(levels));
        EXPECT_EQ(out.status, 2) << levels;
        EXPECT_NE(out.log.find("ERROR: The expression is nested more than 256 levels deep at line 2 column "),
                  std::string::npos)
            << out.log;
    }
    // The same in a function's arguments and after prefix operators.
    out = run("data a;\n  x = " + repeat("abs(", 300) + "1" + repeat(")", 300) + ";\n  y = " + repeat("-", 300) +
              "1;\nrun;\n");
    EXPECT_EQ(out.status, 2);
    EXPECT_NE(out.log.find("ERROR: The expression is nested more than 256 levels deep at line 2 column "),
              std::string::npos)
        << out.log;
}

TEST_F(DeepNesting, AChainOfOperatorsUpToTheLimitRunsAndBeyondItStopsAtItsLine)
{
    // 1+1+...: a chain of n operators is a tree n deep, evaluated by recursion.
    const auto chain = [](int operators, const char *op) {
        return "data a;\n  x = 1" + repeat(op, operators) + ";\nrun;\nproc print data=a; run;\n";
    };
    Outcome out = run(chain(max_expression_depth, "+1"), true);
    EXPECT_EQ(out.status, 0) << out.log;
    EXPECT_NE(out.listing.find("  1   4097\n"), std::string::npos) << out.listing;
    out = run(chain(max_expression_depth, " or 0"), true);
    EXPECT_EQ(out.status, 0) << out.log;
    for (const int operators : {max_expression_depth + 1, 20000}) {
        out = run(chain(operators, "*1"));
        EXPECT_EQ(out.status, 2) << operators;
        EXPECT_NE(out.log.find("ERROR: The expression is too long: its chain of operators is more than 4096 deep "
                               "at line 2 column "),
                  std::string::npos)
            << out.log;
    }
}

TEST_F(DeepNesting, ADeeplyNestedWhereStopsItsStepWithItsLine)
{
    const std::string deep = repeat("(", 7000) + "x > 1" + repeat(")", 7000);
    Outcome out = run("data a;\n  x = 2;\nrun;\nproc print data=a;\n  where " + deep + ";\nrun;\n"
                      "data b;\n  set a(where=(" + deep + "));\nrun;\n"
                      "data c;\n  set a;\n  where " + deep + ";\nrun;\n");
    EXPECT_EQ(out.status, 2);
    size_t errors = 0;
    for (size_t at = out.log.find("nested more than 256 levels deep at line "); at != std::string::npos;
         at = out.log.find("nested more than 256 levels deep at line ", at + 1))
        ++errors;
    EXPECT_EQ(errors, 3u) << out.log;
    EXPECT_NE(out.log.find("deep at line 5 column "), std::string::npos) << out.log;
    EXPECT_NE(out.log.find("deep at line 8 column "), std::string::npos) << out.log;
    EXPECT_NE(out.log.find("deep at line 12 column "), std::string::npos) << out.log;
}

TEST_F(DeepNesting, DoGroupsUpToTheLimitRunAndBeyondItStopAtTheirLine)
{
    // The innermost statement nests its expression as deep as it may, too.
    const auto nested = [](int levels) {
        return "data a;\n" + repeat("do;\n", levels) + "x = " + repeat("(", max_expression_nesting) + "5" +
               repeat(")", max_expression_nesting) + ";\n" + repeat("end;\n", levels) + "run;\nproc print data=a; run;\n";
    };
    Outcome out = run(nested(max_statement_nesting), true);
    EXPECT_EQ(out.status, 0) << out.log;
    EXPECT_NE(out.listing.find("  1   5\n"), std::string::npos) << out.listing;
    for (const int levels : {max_statement_nesting + 1, 5000}) {
        out = run(nested(levels));
        EXPECT_EQ(out.status, 2) << levels;
        // The first statement inside more than 256 others, at line 259 (the DATA statement is line 1).
        EXPECT_NE(out.log.find("ERROR: Statements are nested more than 256 levels deep (DO, SELECT, IF-THEN) at line " +
                               std::to_string(max_statement_nesting + 3) + " column 1."),
                  std::string::npos)
            << out.log.substr(0, 2000);
    }
    // IF-THEN inside IF-THEN nests too.
    out = run("data a;\n  x = 1;\n  " + repeat("if x then ", max_statement_nesting) + "y = 1;\nrun;\n", true);
    EXPECT_EQ(out.status, 0) << out.log.substr(0, 2000);
    out = run("data a;\n  x = 1;\n  " + repeat("if x then ", 300) + "y = 1;\nrun;\n");
    EXPECT_EQ(out.status, 2);
    EXPECT_NE(out.log.find("ERROR: Statements are nested more than 256 levels deep"), std::string::npos);
}

TEST_F(DeepNesting, AChainOfElseIfOfAnyLengthRuns)
{
    // 5000 branches: each observation takes the branch of its own code, the last the last branch.
    std::string program = "data a;\n  do code = 1 to 5001 by 1250;\n";
    program += "    if code = 1 then group = 1;\n";
    for (int k = 2; k <= 5000; ++k)
        program += "    else if code = " + std::to_string(k) + " then group = " + std::to_string(k) + ";\n";
    program += "    else if code > 5000 then group = -1;\n    output;\n  end;\nrun;\nproc print data=a; run;\n";
    const Outcome out = run(program);
    EXPECT_EQ(out.status, 0) << out.log.substr(0, 2000);
    for (const char *line : {"  1      1       1\n", "  2   1251    1251\n", "  3   2501    2501\n", "  4   3751    3751\n",
                             "  5   5001      -1\n"})
        EXPECT_NE(out.listing.find(line), std::string::npos) << line << "\n" << out.listing;
}

} // namespace
} // namespace quill::host
