// Where SAS's SQL and SQLite's part ways, the translated text must say SAS's: a missing value is
// less than every number and equals another missing value, a condition on a missing value is
// false (so NOT of it is true), the summary functions skip missing values, a blank text is
// missing, and texts compare as if the shorter were padded with blanks (not with NUL, not as
// SQLite's shorter-first). Expected values worked by hand from the table below.
#include <gtest/gtest.h>

#include "host_test_support.h"
#include "language/sql/sql_parser.h"
#include "language/sql/sql_table_module.h"
#include "steps/procs/sql_results.h"

namespace quill::host {
namespace {

class SqlTranslate : public ::testing::Test {
protected:
    void SetUp() override
    {
        // id x s: x is 2, missing, -5, missing; s is "a", blank, "b", "a  " (quoted: kept as text).
        testing::write_file(memory.session.library.work_folder() / "t.csv",
                            "id,x,s\n1,2,\"a\"\n2,.,\" \"\n3,-5,\"b\"\n4,,\"a  \"\n");
    }
    // The query's cells, row by row, as "v v; v v" (numbers in BEST8., texts trimmed).
    std::string run(const std::string &query)
    {
        const std::vector<Token> tokens = testing::tokens_of(query + ";");
        SqlStatement statement;
        std::string error;
        if (!parse_sql_statement(tokens, statement, error))
            return "parse: " + error;
        SqlEnvironment env = sql_environment(memory.session);
        SqlPlan plan;
        Table result;
        if (!translate_sql_query(env, tokens, *statement.query, plan, error) ||
            !run_sql_plan(memory.session, plan, result, error))
            return "error: " + error;
        std::string out;
        for (size_t r = 0; r < result.rows; ++r) {
            out += r ? "; " : "";
            for (size_t c = 0; c < result.columns.size(); ++c) {
                std::string cell = sql_cell_text(result.columns[c], r);
                cell.erase(0, cell.find_first_not_of(' '));
                cell.erase(cell.find_last_not_of(' ') + 1);
                out += (c ? " " : "") + cell;
            }
        }
        return out;
    }
    testing::MemorySession memory;
};

TEST_F(SqlTranslate, MissingNumbersSortLowestCompareEqualAndMakeConditionsFalse)
{
    EXPECT_EQ(run("select id from t order by x, id"), "2; 4; 3; 1");
    EXPECT_EQ(run("select id from t order by x desc, id"), "1; 3; 2; 4");
    EXPECT_EQ(run("select id from t where x < 0"), "2; 3; 4");
    EXPECT_EQ(run("select id from t where x = ."), "2; 4");
    EXPECT_EQ(run("select id from t where x ne 2"), "2; 3; 4");
    EXPECT_EQ(run("select id from t where not (x > 0)"), "2; 3; 4");
    EXPECT_EQ(run("select id from t where x in (., 2)"), "1; 2; 4");
    EXPECT_EQ(run("select id from t where x not in (2)"), "2; 3; 4");
    EXPECT_EQ(run("select id, case when x > 0 then 1 else 0 end from t where id <= 2"), "1 1; 2 0");
    EXPECT_EQ(run("select a.id, b.id from t a, t b where a.x = b.x and a.id < b.id"), "2 4");
    EXPECT_EQ(run("select max(x) from t where x > 100"), ".");
    EXPECT_EQ(run("select x + 1, x * 0 from t where id = 2"), ". .");
}

TEST_F(SqlTranslate, SummaryFunctionsSkipMissingValues)
{
    EXPECT_EQ(run("select count(*), count(x), n(x), nmiss(x), sum(x), mean(x), min(x), max(x) from t"),
              "4 2 2 2 -3 -1.5 -5 2");
    EXPECT_EQ(run("select std(x), var(x), range(x) from t"), "4.949747 24.5 7");
    EXPECT_EQ(run("select count(s), count(distinct s), min(s), max(s) from t"), "3 2 a b");
    EXPECT_EQ(run("select id, x - mean(x) from t where x is not missing order by id"), "1 3.5; 3 -3.5");
}

TEST_F(SqlTranslate, TextsComparePaddedWithBlanksAndBlankIsMissing)
{
    EXPECT_EQ(run("select id from t where s = 'a'"), "1; 4");
    EXPECT_EQ(run("select id from t where s = 'a    '"), "1; 4");
    EXPECT_EQ(run("select id from t where s < 'a '"), "2");
    EXPECT_EQ(run("select id from t where s is missing"), "2");
    EXPECT_EQ(run("select id from t where s = ''"), "2");
    EXPECT_EQ(run("select s, count(*) from t group by s"), " 1; a 2; b 1");
    EXPECT_EQ(run("select distinct s from t where s is not missing"), "a; b");
    // Padded with blanks, not NUL: "a" is "a " beside "a\t", and a tab sorts below a blank.
    EXPECT_GT(compare_padded("a", 1, "a\t", 2), 0);
    EXPECT_EQ(compare_padded("a", 1, "a  ", 3), 0);
    EXPECT_LT(compare_padded("a", 1, "ab", 2), 0);
}

// u: id y p is (1, 10, "a_b"), (3, 30, "ab"), (5, 50, "a%b"): it meets t on ids 1 and 3.
TEST_F(SqlTranslate, EveryJoinFormAndTheQuantifiedAndEscapedConditions)
{
    testing::write_file(memory.session.library.work_folder() / "u.csv", "id,y,p\n1,10,a_b\n3,30,ab\n5,50,a%b\n");
    EXPECT_EQ(run("select t.id, y from t inner join u on t.id = u.id order by t.id"), "1 10; 3 30");
    EXPECT_EQ(run("select t.id, y from t join u on t.id = u.id order by t.id"), "1 10; 3 30");
    EXPECT_EQ(run("select u.id, x from t right join u on t.id = u.id order by u.id"), "1 2; 3 -5; 5 .");
    EXPECT_EQ(run("select count(*) from t full join u on t.id = u.id"), "5");
    EXPECT_EQ(run("select count(*), sum(y) from t cross join u"), "12 360");
    EXPECT_EQ(run("select id, x, y from t natural join u order by id"), "1 2 10; 3 -5 30");
    EXPECT_EQ(run("select id, x, y from t natural full join u order by id"), "1 2 10; 2 . .; 3 -5 30; 4 . .; 5 . 50");
    EXPECT_EQ(run("select id from t where id > all (select id from u where id < 4)"), "4");
    EXPECT_EQ(run("select id from t where id > any (select id from u) order by id"), "2; 3; 4");
    EXPECT_EQ(run("select id from t where id = any (select id from u) order by id"), "1; 3");
    EXPECT_EQ(run("select id from u where p like 'a_b' order by id"), "1; 5");
    EXPECT_EQ(run("select id from u where p like 'a\\_b' escape '\\'"), "1");
    EXPECT_EQ(run("select id from u where p like 'a^%%' escape '^'"), "5");
}

TEST_F(SqlTranslate, ErrorsAreSasWordsWithThePlace)
{
    EXPECT_EQ(run("select zz, id from t"),
              "error: The following columns were not found in the contributing tables: zz at line 1 column 8.");
    EXPECT_EQ(run("select id + s from t"), "error: Expression using addition (+) requires numeric types at line 1 column 11.");
    EXPECT_EQ(run("select (select x from t) from t"), "error: Subquery evaluated to more than one row.");
}

} // namespace
} // namespace quill::host
