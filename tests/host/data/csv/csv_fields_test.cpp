// How records are split into cells and the cells typed: short cells are found many bytes at a
// time, long ones and those near the end of the text byte by byte; both must read alike. The
// expected values are written out by hand (numbers as the compiler reads their literals).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "data/csv/csv_store.h"
#include "host_test_support.h"

namespace quill::host {
namespace {

using testing::ScratchFolder;

std::vector<double> numbers_of(const TableSource &source, size_t column)
{
    Table table;
    std::string error;
    EXPECT_TRUE(read_table(source, {column}, table, error)) << error;
    return table.columns.empty() ? std::vector<double>{} : table.columns[0].numbers;
}

std::vector<std::string> texts_of(const TableSource &source, size_t column)
{
    Table table;
    std::string error;
    EXPECT_TRUE(read_table(source, {column}, table, error)) << error;
    return table.columns.empty() ? std::vector<std::string>{} : table.columns[0].texts;
}

// Numbers of every form and length around 32 bytes, quoted cells holding separators, quotes and
// a CR LF, CR LF line ends and a last line without one; read alone each column gives the same
// values as the whole table, and the same again when more rows follow.
TEST(CsvFields, CellsOfEveryFormReadAlikeInEveryPass)
{
    const std::string rows = "x,note,n\r\n"
                             "7,\"a,b\",1\r\n"
                             "-7,\"two\r\nlines\",2\r\n"
                             "0.5,plain,3\r\n"
                             "-.5,\"say \"\"hi\"\"\",4\r\n"
                             "5.,,5\r\n"
                             "-0.1234567890123456789012345678,x,6\r\n"
                             "1234567890123456789012345678901,x,7\r\n"
                             "-1234567890123456789012345678901,x,8\r\n"
                             "12345678901234567890123456789012345,x,9\r\n"
                             "1000000000000000000000000000000000000000000000000000000000000000000000,x,9\r\n"
                             "1e5,x,10\r\n"
                             "-1.5E-3,x,11\r\n"
                             " 12 ,x,12\r\n"
                             "NA,x,13\r\n"
                             ".,x,14\r\n"
                             ",x,15\r\n"
                             "3,\"end, no newline\",16";
    const double m = missing_value();
    const std::vector<double> x = {7, -7, 0.5, -0.5, 5, -0.1234567890123456789012345678,
                                   1234567890123456789012345678901.0, -1234567890123456789012345678901.0,
                                   12345678901234567890123456789012345.0, 1e69, 1e5, -1.5e-3, 12, m, m, m, 3};
    const std::vector<std::string> note = {"a,b", "two\r\nlines", "plain", "say \"hi\"", "", "x", "x", "x",
                                           "x", "x", "x", "x", "x", "x", "x", "x", "end, no newline"};
    std::vector<double> n;
    for (int i = 1; i <= 17; ++i)
        n.push_back(i <= 9 ? i : i - 1);

    std::string more = rows + "\r\n";
    for (int i = 17; i <= 40; ++i) // n goes on from 16
        more += "-2.5,\"z\"," + std::to_string(i) + "\r\n";
    for (const std::string &text : {rows, more}) {
        ReadMessages messages;
        std::string error;
        const auto source = open_csv_text(text, "t.csv", messages, error);
        ASSERT_TRUE(source) << error;
        const Description &d = source->describe();
        ASSERT_EQ(d.rows, text == rows ? 17u : 41u);
        EXPECT_EQ(d.variables[0].type, VarType::Numeric);
        EXPECT_EQ(d.variables[1].type, VarType::Character);
        EXPECT_EQ(d.variables[1].length, 15u); // "end, no newline"
        EXPECT_EQ(d.variables[2].type, VarType::Numeric);
        // The record with a line end inside a value takes two lines: the NA is on line 16.
        EXPECT_EQ(messages, (ReadMessages{{LineClass::Note, "t.csv, line 16: NA in column x is read as a missing value."}}));

        Table whole;
        ASSERT_TRUE(read_table(*source, {}, whole, error)) << error;
        std::vector<double> xs = numbers_of(*source, 0);
        std::vector<std::string> notes = texts_of(*source, 1);
        std::vector<double> ns = numbers_of(*source, 2);
        ASSERT_EQ(xs.size(), d.rows);
        EXPECT_EQ(whole.columns[1].texts, notes);
        EXPECT_EQ(whole.columns[2].numbers, ns);
        for (size_t r = 0; r < d.rows; ++r) // bits: the missing value and the sign of every number
            EXPECT_EQ(std::memcmp(&xs[r], &whole.columns[0].numbers[r], sizeof(double)), 0) << r;
        xs.resize(17);
        notes.resize(17);
        ns.resize(17);
        for (size_t r = 0; r < 17; ++r) {
            if (is_missing(x[r]))
                EXPECT_TRUE(is_missing(xs[r])) << r;
            else
                EXPECT_EQ(xs[r], x[r]) << r;
        }
        EXPECT_EQ(notes, note);
        EXPECT_EQ(ns, n);
    }
}

// A column of numbers for 10^5 rows that meets a text in the next is character, as long as its
// longest cell, every cell kept as written; the note names the line. The file is larger than
// the buffer it is read in, and a cursor that reads the other columns alone sees their values.
TEST(CsvFields, AColumnOfNumbersThatMeetsATextLateIsText)
{
    const int count = 100000;
    std::string text = "id,x,y\n";
    std::vector<std::string> xs;
    for (int i = 1; i <= count; ++i) {
        std::string x = i % 2 ? "-" : "";
        xs.push_back(x.append(std::to_string(i)).append(".25"));
        text += std::to_string(i) + "," + xs.back() + "," + std::to_string(2 * i) + "e-1\n";
    }
    xs.push_back("n/a");
    text += std::to_string(count + 1) + ",n/a,0\n";
    ScratchFolder folder;
    const auto file = folder / "late.csv";
    testing::write_file(file, text);
    ASSERT_GT(text.size(), size_t{1} << 21);

    ReadMessages messages;
    std::string error;
    const auto source = open_csv_file(file, messages, error);
    ASSERT_TRUE(source) << error;
    const Description &d = source->describe();
    ASSERT_EQ(d.rows, size_t{count + 1});
    EXPECT_EQ(d.variables[0].type, VarType::Numeric);
    EXPECT_EQ(d.variables[1].type, VarType::Character);
    EXPECT_EQ(d.variables[1].length, 9u); // "100000.25", "-99999.25"
    EXPECT_EQ(d.variables[2].type, VarType::Numeric);
    EXPECT_EQ(messages, (ReadMessages{{LineClass::Note,
                                       file.string() + ", line 100002: column x is read as character because its "
                                                       "value \"n/a\" here is not a number."}}));
    EXPECT_EQ(texts_of(*source, 1), xs);
    const std::vector<double> y = numbers_of(*source, 2);
    ASSERT_EQ(y.size(), d.rows);
    EXPECT_EQ(y[0], 0.2);
    EXPECT_EQ(y[count - 1], 20000.0);
    EXPECT_EQ(y[count], 0.0);
    for (int i = 1; i <= count; ++i)
        if (y[static_cast<size_t>(i - 1)] != 2 * i / 10.0)
            FAIL() << "row " << i << ": " << y[static_cast<size_t>(i - 1)];
}

} // namespace
} // namespace quill::host
