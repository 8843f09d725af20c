#include "language/tokenizer.h"

#include <gtest/gtest.h>

#include "host_test_support.h"

namespace quill::host {
namespace {

using testing::tokens_of;

std::vector<TokenKind> kinds(const std::vector<Token> &tokens)
{
    std::vector<TokenKind> out;
    for (const Token &t : tokens)
        out.push_back(t.kind);
    return out;
}

TEST(Tokenizer, NamesPunctuationAndPositions)
{
    const auto t = tokens_of("proc quillfit data=ex.prostate;\n  model y = x1-x5 / noint;");
    ASSERT_EQ(t.size(), 15u);
    EXPECT_EQ(t[0].text, "proc");
    EXPECT_EQ(t[3].kind, TokenKind::Punct);
    EXPECT_EQ(t[4].kind, TokenKind::Compound);
    EXPECT_EQ(t[4].text, "ex.prostate");
    EXPECT_EQ(t[5].kind, TokenKind::Semicolon);
    EXPECT_EQ(t[6].text, "model");
    EXPECT_EQ(t[6].line, 2);
    EXPECT_EQ(t[6].column, 3);
    EXPECT_EQ(t[10].text, "-");
    EXPECT_EQ(t[11].text, "x5");
    EXPECT_EQ(t[4].line, 1);
    EXPECT_EQ(t[4].column, 20);
}

TEST(Tokenizer, NumbersAndMissing)
{
    const auto t = tokens_of("250 .5 1e-5 2.25 1E+3 12. . x.");
    EXPECT_EQ(kinds(t), (std::vector<TokenKind>{TokenKind::Integer, TokenKind::Number, TokenKind::Number,
                                                TokenKind::Number, TokenKind::Number, TokenKind::Number,
                                                TokenKind::Missing, TokenKind::Format}));
    EXPECT_EQ(t[0].number, 250);
    EXPECT_EQ(t[1].number, 0.5);
    EXPECT_EQ(t[2].number, 1e-5);
    EXPECT_EQ(t[4].number, 1000);
    EXPECT_EQ(t[5].number, 12);
}

TEST(Tokenizer, QuotedStringsAndNameLiterals)
{
    const auto t = tokens_of("'it''s' \"say \"\"hi\"\"\" 'my var'n 'x'q");
    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(t[0].kind, TokenKind::String);
    EXPECT_EQ(t[0].text, "it's");
    EXPECT_EQ(t[1].text, "say \"hi\"");
    EXPECT_EQ(t[2].kind, TokenKind::NameLiteral);
    EXPECT_EQ(t[2].text, "my var");
    EXPECT_EQ(t[3].kind, TokenKind::String); // an unknown suffix is a name of its own
    EXPECT_EQ(t[4].text, "q");

    const auto hex = tokens_of("'09'x '2C7c'X;");
    ASSERT_EQ(hex.size(), 3u);
    EXPECT_EQ(hex[0].kind, TokenKind::String);
    EXPECT_EQ(hex[0].text, "\t");
    EXPECT_EQ(hex[1].text, ",|");
}

TEST(Tokenizer, DateTimeAndDatetimeValues)
{
    const auto t = tokens_of("'01jan1960'd '31DEC1959'd '01jan2020'd '1jan20'd '29feb2000'd '10:30't "
                             "'00:00:01.5't '01jan1960:00:00:01'dt '02jan1960:10:30'DT");
    ASSERT_EQ(t.size(), 9u);
    EXPECT_EQ(t[0].kind, TokenKind::Date);
    EXPECT_EQ(t[0].number, 0);
    EXPECT_EQ(t[1].number, -1);
    EXPECT_EQ(t[2].number, 60 * 365 + 15); // 15 leap days from 1960 to 2016
    EXPECT_EQ(t[3].number, t[2].number);   // two-digit years below 26 are 20xx
    EXPECT_EQ(t[4].number, 40 * 365 + 10 + 31 + 28);
    EXPECT_EQ(t[5].kind, TokenKind::Time);
    EXPECT_EQ(t[5].number, 37800);
    EXPECT_EQ(t[6].number, 1.5);
    EXPECT_EQ(t[7].kind, TokenKind::Datetime);
    EXPECT_EQ(t[7].number, 1);
    EXPECT_EQ(t[8].number, 86400 + 37800);
}

TEST(Tokenizer, InvalidConstantsAreErrorTokens)
{
    for (const char *text : {"'29feb2021'd", "'32jan2020'd", "'01foo2020'd", "'25:61't", "'01jan2020'dt", "''n",
                             "'abc", "/* open", "'0'x", "'0g'x", "''x", "abcdefghijabcdefghijabcdefghijabc", "1e999"}) {
        const auto t = tokens_of(text);
        ASSERT_FALSE(t.empty()) << text;
        EXPECT_EQ(t[0].kind, TokenKind::Error) << text;
        EXPECT_FALSE(t[0].text.empty()) << text;
    }
}

TEST(Tokenizer, CommentsAreSkippedOnlyWhereTheyAreComments)
{
    const auto t = tokens_of("* a comment; x /* inline ; */ = a * b;\n*another;y;");
    ASSERT_EQ(t.size(), 8u);
    EXPECT_EQ(t[0].text, "x");
    EXPECT_EQ(t[1].text, "=");
    EXPECT_EQ(t[3].text, "*"); // inside a statement '*' is punctuation
    EXPECT_EQ(t[6].text, "y");
    EXPECT_EQ(t[6].line, 2);
}

// Two operator characters written together are one token; a blank between them makes two, and a
// sign after an operator stays a token of its own (a<-1 is a < -1, not a <- 1).
TEST(Tokenizer, OperatorsOfTwoCharactersAreOneToken)
{
    auto texts = [](const std::vector<Token> &t) {
        std::vector<std::string> out;
        for (const Token &token : t)
            out.push_back(token.text);
        return out;
    };
    const auto t = tokens_of("x**2||a!!b<=c>=d^=e~=f<>g><h");
    EXPECT_EQ(texts(t), (std::vector<std::string>{"x", "**", "2", "||", "a", "!!", "b", "<=", "c", ">=", "d", "^=",
                                                  "e", "~=", "f", "<>", "g", "><", "h"}));
    EXPECT_EQ(t[1].column, 2);
    EXPECT_EQ(t[1].source, "**");
    EXPECT_EQ(t[2].column, 4);
    EXPECT_TRUE(is_operator(t[7], "<="));
    EXPECT_FALSE(is_punct(t[7], '<')); // a one-character test does not take the first of two
    EXPECT_EQ(texts(tokens_of("a < = b * * c | | d")),
              (std::vector<std::string>{"a", "<", "=", "b", "*", "*", "c", "|", "|", "d"}));
    EXPECT_EQ(texts(tokens_of("a<-1 x=-2 y=+3 z***w ^^= ==")),
              (std::vector<std::string>{"a", "<", "-", "1", "x", "=", "-", "2", "y", "=", "+", "3", "z", "**", "*",
                                        "w", "^", "^=", "=", "="}));

    // The NOT sign in a UTF-8 program: alone it is ^, before = it is ^=; the source keeps its bytes.
    const auto n = tokens_of("a \xC2\xAC= b and \xC2\xAC" "c;");
    ASSERT_EQ(n.size(), 7u);
    EXPECT_EQ(n[1].text, "^=");
    EXPECT_EQ(n[1].source, "\xC2\xAC=");
    EXPECT_EQ(n[4].text, "^");
    EXPECT_EQ(n[5].text, "c");

    // '**' opening a statement is still a comment, inside one it is the power operator.
    const auto c = tokens_of("** note; y = 2**3;");
    ASSERT_EQ(c.size(), 6u);
    EXPECT_EQ(c[0].text, "y");
    EXPECT_EQ(c[3].text, "**");
}

TEST(Tokenizer, DataLinesRunToTheLineWithASemicolon)
{
    Tokenizer tokenizer("datalines;\n1 2\r\n3 4\n;\nrun;");
    while (tokenizer.next().kind != TokenKind::Semicolon) {
    }
    int first = 0;
    const auto lines = tokenizer.take_data_lines(first);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(lines, (std::vector<std::string>{"1 2", "3 4"}));
    const Token run = tokenizer.next();
    EXPECT_EQ(run.text, "run");
    EXPECT_EQ(run.line, 5);
}

} // namespace
} // namespace quill::host
