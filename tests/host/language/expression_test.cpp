// Expressions: precedence, the missing-value rules and the places they count, character
// comparison and concatenation, and a filtered data set that two cursors read whole.
#include "language/expression.h"

#include <gtest/gtest.h>

#include "data/csv/csv_store.h"
#include "host_test_support.h"
#include "language/filtered_source.h"

namespace quill::host {
namespace {

// Variables a, b (numbers) and s (text, length 4) in a row.
struct Fixture {
    std::vector<Variable> variables{{"a", VarType::Numeric}, {"b", VarType::Numeric}, {"s", VarType::Character, 4}};
    Row row;
    ExpressionSet set;
    Scope scope;
    Fixture()
    {
        row.resize(3);
        scope.find = [this](const std::string &name, const Token &) {
            for (size_t i = 0; i < variables.size(); ++i)
                if (variables[i].name == name)
                    return static_cast<int>(i);
            return -1;
        };
        scope.variable = [this](int slot) -> const Variable & { return variables[static_cast<size_t>(slot)]; };
    }
    int parse(const std::string &text, std::string *error = nullptr)
    {
        const auto tokens = testing::tokens_of(text + ";");
        size_t pos = 0;
        int node = -1;
        std::string message;
        const bool ok = set.parse(tokens, pos, tokens.size(), scope, node, message);
        if (error)
            *error = message;
        return ok && tokens[pos].kind == TokenKind::Semicolon ? node : -1;
    }
    double number(const std::string &text) { return set.number(set.as_type(parse(text), VarType::Numeric), row); }
    std::string text(const std::string &text) { return set.text(parse(text), row); }
};

TEST(Expression, PrecedenceMissingValuesAndTheirPlaces)
{
    Fixture f;
    f.row.numbers = {2, missing_value(), 0};
    f.row.texts[2] = "ab";
    EXPECT_EQ(f.number("1 + 2 * 3 ** 2"), 19);
    EXPECT_EQ(f.number("-2 ** 2"), -4);
    EXPECT_EQ(f.number("2 ** 3 ** 2"), 512); // right to left
    EXPECT_EQ(f.number("10 - 4 - 3"), 3);
    EXPECT_EQ(f.number("a = 2 and not (a > 3) or b"), 1);
    EXPECT_EQ(f.number("b < -1e300"), 1);  // missing sorts first
    EXPECT_EQ(f.number("b = ."), 1);
    EXPECT_EQ(f.number("1 < a < 3"), 1);
    EXPECT_EQ(f.number("3 > a > 2"), 0);
    EXPECT_EQ(f.number("(a in (1, 2)) + (a not in (2))"), 1);
    // Every spelling of an operator of two characters; the values differ so a wrong operator shows.
    EXPECT_EQ(f.number("(a<=2) + 2*(a>=3) + 4*(a^=1) + 8*(a~=2) + 16*(a \xC2\xAC= 3) + 32*(\xC2\xAC b) + 64*(~a)"),
              1 + 4 + 16 + 32);
    EXPECT_EQ(f.number("a**-1 + 2**a"), 4.5);
    EXPECT_EQ(f.number("a<-1"), 0); // a < -1, not an assignment-like <-
    // <> is the larger and >< the smaller, a missing value the smallest; they bind as ** does.
    EXPECT_EQ(f.number("3 <> a + 1"), 4);
    EXPECT_EQ(f.number("3 >< a * 5"), 10);
    EXPECT_EQ(f.number("b <> -7"), -7);
    EXPECT_TRUE(is_missing(f.number("b >< -7")));
    EXPECT_EQ(f.number("-a <> 1"), -2); // -(a <> 1)
    Fixture w;
    w.scope.where = true; // in a WHERE condition <> is "not equal"
    w.row.numbers = {2, missing_value(), 0};
    EXPECT_EQ(w.number("(a <> 2) + 2 * (b <> 2)"), 2);
    EXPECT_EQ(f.number("sum(b, a, 3) + n(b, a) + nmiss(b, b)"), 8);
    EXPECT_TRUE(is_missing(f.number("mean(b, .)")));
    EXPECT_TRUE(f.set.places().empty() || f.set.places().back().missing == 0);

    Fixture g;
    g.row.numbers = {2, missing_value(), 0};
    EXPECT_TRUE(is_missing(g.number("a + b * 2"))); // two places: b * 2, then a + missing
    ASSERT_EQ(g.set.places().size(), 2u);
    EXPECT_EQ(g.set.places()[0].missing + g.set.places()[1].missing, 2);
    EXPECT_TRUE(is_missing(g.number("a / 0")));
    EXPECT_EQ(g.set.places().back().failed, 1);
    EXPECT_EQ(g.set.places().back().column, 3);
    EXPECT_TRUE(is_missing(g.number("log(a - 2)")));
    ASSERT_EQ(g.set.events().size(), 2u);
    EXPECT_EQ(g.set.events()[0].text, "Division by zero detected at line 1 column 3.");
    EXPECT_EQ(g.set.events()[1].text, "Invalid argument to function LOG(0) at line 1 column 1.");
}

TEST(Expression, CharacterValuesAndErrors)
{
    Fixture f;
    f.row.texts[2] = "ab";
    EXPECT_EQ(f.text("s || '|'"), "ab  |"); // a variable brings its full length
    EXPECT_EQ(f.text("'x'!!trim(s)||'y'"), "xaby");
    EXPECT_EQ(f.text("trim(s) || '|' || substr('quill', 2, 3) || scan('a,b c', -2)"), "ab|uilb");
    EXPECT_EQ(f.number("s = 'ab   '"), 1);
    EXPECT_EQ(f.number("s < 'abc'"), 1);
    EXPECT_EQ(f.text("cats(' x ', 1.5, .) || catx('-', 'a', '', 'b')"), "x1.5.a-b");
    EXPECT_EQ(f.number("length(s) + index('quill', 'il') + missing(s)"), 5);
    std::string error;
    EXPECT_EQ(f.parse("a +", &error), -1);
    EXPECT_EQ(error, "Syntax error: expected an expression, found the end of the statement at line 1 column 4.");
    EXPECT_EQ(f.parse("a < = 1", &error), -1); // written apart, < and = are two operators
    EXPECT_EQ(f.parse("zz + 1", &error), -1);
    EXPECT_EQ(error, "Variable zz is not on the data set at line 1 column 1.");
    EXPECT_EQ(f.parse("log(1, 2)", &error), -1);
    EXPECT_EQ(error, "The function LOG is called with 2 arguments; it takes 1 at line 1 column 1.");
}

TEST(Expression, FilteredDataSetCountsAndRereads)
{
    std::string error;
    ReadMessages messages;
    DatasetView view = whole_view(open_csv_text("x,y\n1,a\n2,b\n3,a\n4,b\n5,a\n", "t.csv", messages, error));
    ASSERT_TRUE(filter_view(view, testing::tokens_of("y = 'a'"), testing::tokens_of("x > 1"), 1, -1, error)) << error;
    EXPECT_EQ(view.rows(), 2u);
    for (int pass = 0; pass < 2; ++pass) { // every cursor sees every observation
        auto cursor = view.source->rows({}, error);
        Row row;
        row.resize(2);
        std::vector<double> seen;
        while (cursor->next(row, error) == RowCursor::Step::Row)
            seen.push_back(row.numbers[0]);
        EXPECT_EQ(seen, (std::vector<double>{3, 5}));
    }
    DatasetView limited = whole_view(open_csv_text("x\n1\n2\n3\n4\n", "t.csv", messages, error));
    ASSERT_TRUE(filter_view(limited, {}, {}, 2, 3, error));
    EXPECT_EQ(limited.rows(), 2u);
    EXPECT_FALSE(filter_view(limited, testing::tokens_of("x >"), {}, 1, -1, error));
}

} // namespace
} // namespace quill::host
