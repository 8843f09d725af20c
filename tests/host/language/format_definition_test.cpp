// VALUE and INVALUE statements read into formats, then applied; expected labels by hand from
// the ranges written.
#include "language/format_definition.h"

#include <gtest/gtest.h>

#include "data/table.h"
#include "host_test_support.h"

namespace quill::host {
namespace {

// Defines the statement's format in `catalog`; "" or the error.
std::string define(FormatCatalog &catalog, const std::string &statement)
{
    auto format = std::make_shared<UserFormat>();
    std::string error;
    size_t at = 0;
    if (!parse_format_definition(testing::tokens_of(statement), catalog, *format, error, at))
        return error;
    catalog.define(format);
    return "";
}

std::string shown(const FormatCatalog &catalog, const std::string &format, double value)
{
    ValueFormat fmt;
    std::string error;
    EXPECT_TRUE(parse_format_text(format, false, &catalog, fmt, error)) << error;
    return shown_number(value, fmt);
}

std::string shown(const FormatCatalog &catalog, const std::string &format, const std::string &value)
{
    ValueFormat fmt;
    std::string error;
    EXPECT_TRUE(parse_format_text(format, false, &catalog, fmt, error)) << error;
    return shown_text(value, fmt);
}

TEST(FormatDefinition, NumericRangesWithOpenEndsListsLowHighMissingAndOther)
{
    FormatCatalog catalog;
    ASSERT_EQ(define(catalog, "value age low-<18='Child' 18-<65='Adult' 65-high='Senior' .='Unknown';"), "");
    EXPECT_EQ(shown(catalog, "age.", 17.99), "Child");
    EXPECT_EQ(shown(catalog, "age.", 18), "Adult");
    EXPECT_EQ(shown(catalog, "age.", 65), "Senior");
    EXPECT_EQ(shown(catalog, "age.", -5), "Child");
    EXPECT_EQ(shown(catalog, "age.", missing_value()), "Unknown");
    ASSERT_EQ(define(catalog, "value code 1, 2, 3 = 'low' 4 <-< 6 = 'open' -2 - -1 = 'negative' other=[8.2];"), "");
    EXPECT_EQ(shown(catalog, "code.", 2), "low");
    EXPECT_EQ(shown(catalog, "code.", 4), "4.00");   // 4 and 6 are left out of 4<-<6
    EXPECT_EQ(shown(catalog, "code.", 5), "open");
    EXPECT_EQ(shown(catalog, "code.", 6), "6.00");
    EXPECT_EQ(shown(catalog, "code.", -1.5), "negative");
    EXPECT_EQ(shown(catalog, "code.", missing_value()), "."); // OTHER takes missing values
    // Without OTHER a value no range takes is written as BESTw. in the format's width.
    ASSERT_EQ(define(catalog, "value yn 1='Yes' 0='No';"), "");
    EXPECT_EQ(shown(catalog, "yn.", 7), "7");
    EXPECT_EQ(shown(catalog, "yn.", 1234), "1E3");
    EXPECT_EQ(shown(catalog, "yn5.", 1234), "1234");
    // Date constants as ends; DEFAULT= sets the width.
    ASSERT_EQ(define(catalog, "value era (default=3) low-<'01jan2000'd='old' '01jan2000'd-high='new';"), "");
    EXPECT_EQ(shown(catalog, "era.", 14609), "old");
    EXPECT_EQ(shown(catalog, "era.", 14610), "new");
    ValueFormat era;
    std::string error;
    ASSERT_TRUE(parse_format_text("era.", false, &catalog, era, error));
    EXPECT_EQ(era.width, 3);
    // A definition replaces the one of its name.
    ASSERT_EQ(define(catalog, "value yn 1='Y';"), "");
    EXPECT_EQ(shown(catalog, "yn.", 1), "Y");
}

TEST(FormatDefinition, CharacterFormatsAndInformats)
{
    FormatCatalog catalog;
    ASSERT_EQ(define(catalog, "value $grade 'A'-'C'='pass' 'D','F'='fail' other='?';"), "");
    EXPECT_EQ(shown(catalog, "$grade.", "B"), "pass");
    EXPECT_EQ(shown(catalog, "$grade.", "F "), "fail");
    EXPECT_EQ(shown(catalog, "$grade.", "E"), "?");
    ASSERT_EQ(define(catalog, "value $sex 'M'='Male';"), "");
    EXPECT_EQ(shown(catalog, "$sex.", "X"), "X"); // no range, no OTHER: the value itself
    ASSERT_EQ(define(catalog, "invalue score (upcase just) 'A'=4 'B'=3 0-100=_same_ other=_error_;"), "");
    ValueFormat score;
    std::string error;
    ASSERT_TRUE(parse_format_text("score.", true, &catalog, score, error));
    score.width = 0; // the whole text, as modified list input reads it
    double v = 0;
    EXPECT_TRUE(input_number("  a", score, v));
    EXPECT_EQ(v, 4);
    EXPECT_TRUE(input_number("87.5", score, v));
    EXPECT_EQ(v, 87.5);
    EXPECT_FALSE(input_number("120", score, v));
    EXPECT_TRUE(is_missing(v));
    EXPECT_FALSE(input_number("Z", score, v));
    ASSERT_EQ(define(catalog, "invalue $yesno 'Y','y'='Yes' 'N','n'='No';"), "");
    ValueFormat yesno;
    ASSERT_TRUE(parse_format_text("$yesno.", true, &catalog, yesno, error));
    std::string out;
    EXPECT_TRUE(input_text("y", yesno, out));
    EXPECT_EQ(out, "Yes");
    EXPECT_TRUE(input_text("maybe", yesno, out)); // no range: the text, in the informat's width
    EXPECT_EQ(out, "m");
}

TEST(FormatDefinition, ErrorsNameTheProblem)
{
    FormatCatalog catalog;
    EXPECT_EQ(define(catalog, "value x 1-10='a' 5-20='b';"), "These two ranges overlap: 1-10 and 5-20");
    EXPECT_EQ(define(catalog, "value x 1-<5='a' 5-10='b' 10<-20='c';"), "");
    EXPECT_EQ(define(catalog, "value $x 'A'-'M'='a' 'K'='b';"), "These two ranges overlap: 'A'-'M' and 'K'-'K'");
    EXPECT_EQ(define(catalog, "value x 10-1='a';"), "The start of a range is greater than its end");
    EXPECT_EQ(define(catalog, "value x 'a'='b';"), "The ranges of the numeric format X are numbers");
    EXPECT_EQ(define(catalog, "value $x 1='b';"), "The ranges of the character format $X are quoted texts");
    EXPECT_EQ(define(catalog, "value x1 1='b';"), "The name X1 ends in a digit, which would be read as its width");
    EXPECT_EQ(define(catalog, "value comma 1='b';"), "COMMA is the name of a built-in format and cannot be defined again");
    EXPECT_EQ(define(catalog, "value x other='a' other='b';"), "OTHER is given twice");
    EXPECT_EQ(define(catalog, "value x (multilabel) 1='a';"), "The option MULTILABEL of VALUE is not supported by this host");
    EXPECT_EQ(define(catalog, "value x 1 'a';"), "Syntax error: expected = and a label, found \"'a'\"");
    EXPECT_EQ(define(catalog, "value x;"), "Syntax error: expected a range and its label, found the end of the statement");
    EXPECT_EQ(define(catalog, "value x 1=[$5.];"), "The format in [ ] writes character values");
    EXPECT_EQ(define(catalog, "invalue x 'a'='b';"), "Syntax error: expected a number, ., _SAME_ or _ERROR_, found \"'b'\"");
}

} // namespace
} // namespace quill::host
