// SAS files written by another program (tests/programs/sas/data/README.md) read with their values
// and what describes them, and damaged files refused with ReadStat's reason.
#include <gtest/gtest.h>

#include "base/names.h"
#include "data/csv/csv_store.h"
#include "data/format.h"
#include "data/sas/sas_store.h"
#include "host_test_support.h"

namespace quill::host {
namespace {

const std::filesystem::path data = QUILL_SAS_TEST_DATA;

TEST(SasStore, EveryKindOfFileDescribesItsVariablesAndReadsTheSameValues)
{
    for (const char *name : {"people.sas7bdat", "people5.xpt", "people8.xpt"}) {
        SCOPED_TRACE(name);
        const Format *format = format_for_extension(std::filesystem::path(name).extension().string());
        ASSERT_NE(format, nullptr);
        ReadMessages messages;
        std::string error;
        const auto source = format->open(data / name, messages, error);
        ASSERT_TRUE(source) << error;
        const Description &d = source->describe();
        ASSERT_EQ(d.variables.size(), 4u);
        EXPECT_EQ(d.rows, 5u);
        EXPECT_EQ(d.variables[1].name, "score");
        EXPECT_EQ(d.variables[1].label, "Test score");
        EXPECT_EQ(d.variables[3].type, VarType::Character);
        EXPECT_EQ(d.variables[3].length, 32u);
        EXPECT_EQ(d.variables[3].label, "Given name");
        EXPECT_TRUE(messages.empty());
        Table table;
        ASSERT_TRUE(read_table(*source, {1, 2, 3}, table, error)) << error;
        EXPECT_EQ(table.columns[0].numbers[3], 12345678.125);
        EXPECT_TRUE(is_missing(table.columns[0].numbers[1]));
        EXPECT_TRUE(is_missing(table.columns[0].numbers[4])); // .A
        EXPECT_TRUE(is_missing(table.columns[1].numbers[0])); // .Z
        EXPECT_EQ(table.columns[2].texts[2], "");
        EXPECT_EQ(table.columns[2].texts[4], "Eve Ellen Evans-Everett, the 5th");
        // A second pass reads the same rows.
        Table again;
        ASSERT_TRUE(read_table(*source, {}, again, error)) << error;
        EXPECT_EQ(again.rows, 5u);
        if (format == &xport_format()) {
            EXPECT_EQ(d.member, "PEOPLE");
        }
    }
}

TEST(SasStore, DamagedAndTruncatedFilesAreErrorsNamingTheFile)
{
    ReadMessages messages;
    std::string error;
    for (const char *name : {"truncated.sas7bdat", "damaged.sas7bdat", "iris.csv"}) {
        EXPECT_FALSE(open_sas7bdat_file(data / name, messages, error));
        EXPECT_NE(error.find(std::string("The file ") + (data / name).string() + " cannot be read as a SAS data set (.sas7bdat): "),
                  std::string::npos)
            << error;
    }
    EXPECT_FALSE(open_xport_file(data / "cut.xpt", messages, error));
    EXPECT_NE(error.find("(transport file): its size, 1000 bytes, is not a whole number of 80-byte records"),
              std::string::npos)
        << error;
    EXPECT_TRUE(messages.empty());
}

TEST(SasStore, TextInAnotherEncodingIsConvertedWithANote)
{
    ReadMessages messages;
    std::string error;
    const auto source = open_sas7bdat_file(data / "latin.sas7bdat", messages, error);
    ASSERT_TRUE(source) << error;
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].second, "The file " + (data / "latin.sas7bdat").string() +
                                      " is encoded in WINDOWS-1252; its text is read as UTF-8.");
    Table table;
    ASSERT_TRUE(read_table(*source, {4}, table, error)) << error;
    EXPECT_EQ(table.columns[0].texts[0], "s\xc3\xa9tosa");
    EXPECT_EQ(table.columns[0].texts[1], "setosa");
    EXPECT_EQ(table.rows, 150u);
}

} // namespace
} // namespace quill::host

namespace quill::host {
namespace {

using testing::read_file;
using testing::ScratchFolder;
using testing::write_file;

bool same_value(double a, double b) { return is_missing(a) ? is_missing(b) : a == b; }

// Every shipped CSV data set through both SAS formats and back: names, types, lengths, labels,
// format names and every value equal.
TEST(SasStore, ShippedDataSetsRoundTripThroughBothFormats)
{
    ScratchFolder folder;
    for (const char *name : {"prostate", "biopsy", "biochemists"}) {
        ReadMessages messages;
        std::string error;
        Table original;
        ASSERT_TRUE(read_csv_file(std::filesystem::path(QUILL_EXAMPLES_DATA) / (std::string(name) + ".csv"), original,
                                  error, messages))
            << error;
        original.columns[0].label = "A label of forty characters, as v5 keeps";
        original.columns[1].format = "BEST12.";
        for (const Format *format : {&sas7bdat_format(), &xport_format()}) {
            SCOPED_TRACE(std::string(name) + std::string(format->extension));
            const auto file = folder / (std::string(name) + std::string(format->extension));
            const auto sink = format->create(file, upper_case(name));
            ASSERT_TRUE(sink->define(std::vector<Variable>(original.columns.begin(), original.columns.end()), error));
            Row row;
            row.resize(original.columns.size());
            for (size_t r = 0; r < original.rows; ++r) {
                for (size_t c = 0; c < original.columns.size(); ++c) {
                    row.numbers[c] = original.columns[c].type == VarType::Numeric ? original.columns[c].numbers[r] : 0;
                    row.texts[c] = original.columns[c].type == VarType::Numeric ? "" : original.columns[c].texts[r];
                }
                ASSERT_TRUE(sink->write_row(row, error)) << error;
            }
            ASSERT_TRUE(sink->commit(error)) << error;
            const auto source = format->open(file, messages, error);
            ASSERT_TRUE(source) << error;
            Table back;
            ASSERT_TRUE(read_table(*source, {}, back, error)) << error;
            ASSERT_EQ(back.rows, original.rows);
            ASSERT_EQ(back.columns.size(), original.columns.size());
            for (size_t c = 0; c < original.columns.size(); ++c) {
                const Column &a = original.columns[c], &b = back.columns[c];
                EXPECT_EQ(b.name, a.name);
                EXPECT_EQ(b.type, a.type);
                EXPECT_EQ(b.length, a.length);
                EXPECT_EQ(b.label, a.label);
                EXPECT_EQ(b.format, a.format);
                for (size_t r = 0; r < original.rows; ++r)
                    if (a.type == VarType::Numeric)
                        ASSERT_TRUE(same_value(a.numbers[r], b.numbers[r])) << a.name << " row " << r;
                    else
                        ASSERT_EQ(a.texts[r], b.texts[r]) << a.name << " row " << r;
            }
            if (format == &xport_format()) {
                EXPECT_EQ(source->describe().member, upper_case(name));
            }
        }
    }
    // Nothing but the six files: no temporary left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 6);
}

// A sink dropped before its commit leaves nothing, and an earlier file of its name as it was.
TEST(SasStore, AnUncommittedSinkLeavesTheEarlierFile)
{
    ScratchFolder folder;
    write_file(folder / "kept.sas7bdat", "earlier");
    std::string error;
    {
        const auto sink = sas7bdat_format().create(folder / "kept.sas7bdat", "KEPT");
        ASSERT_TRUE(sink->define({{"x"}}, error));
        Row row;
        row.resize(1);
        ASSERT_TRUE(sink->write_row(row, error));
    }
    EXPECT_EQ(read_file(folder / "kept.sas7bdat"), "earlier");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

} // namespace
} // namespace quill::host

namespace quill::host {
namespace {

using testing::read_file;
using testing::ScratchFolder;
using testing::write_file;

// Writes one numeric variable `name` with `values` to `file` in `format`.
void write_numbers(const Format &format, const std::filesystem::path &file, const std::string &member,
                   const std::string &name, const std::vector<double> &values)
{
    Table table;
    table.rows = values.size();
    Column col;
    col.name = name;
    col.numbers = values;
    table.columns.push_back(col);
    std::string error;
    ASSERT_TRUE(write_table(format, file, member, table, {}, error)) << error;
}

size_t rows_of(const TableSource &source)
{
    Table table;
    std::string error;
    EXPECT_TRUE(read_table(source, {}, table, error)) << error;
    return table.rows;
}

// A transport file of two members (the second file's records after its library header, appended
// to the first) reads as its first member, or the member named; neither reads the other's header
// as observations. One cut short is damaged, however it was cut.
TEST(SasStore, TransportMembersAreReadWholeAndApart)
{
    ScratchFolder folder;
    write_numbers(xport_format(), folder / "a.xpt", "FIRST", "x", {1, 2, 3});
    write_numbers(xport_format(), folder / "b.xpt", "SECOND", "y", {4, 5});
    const std::string two = read_file(folder / "a.xpt") + read_file(folder / "b.xpt").substr(240);
    write_file(folder / "two.xpt", two);
    ReadMessages messages;
    std::string error;
    const auto first = open_xport_file(folder / "two.xpt", messages, error);
    ASSERT_TRUE(first) << error;
    EXPECT_EQ(first->describe().member, "FIRST");
    EXPECT_EQ(rows_of(*first), 3u);
    const auto second = open_xport_member(folder / "two.xpt", "second", messages, error);
    ASSERT_TRUE(second) << error;
    EXPECT_EQ(second->describe().variables[0].name, "y");
    Table table;
    ASSERT_TRUE(read_table(*second, {}, table, error)) << error;
    EXPECT_EQ(table.columns[0].numbers, (std::vector<double>{4, 5}));
    std::vector<std::string> names;
    ASSERT_TRUE(transport_member_names(folder / "two.xpt", names, error)) << error;
    EXPECT_EQ(names, (std::vector<std::string>{"FIRST", "SECOND"}));
    EXPECT_FALSE(open_xport_member(folder / "two.xpt", "third", messages, error));
    EXPECT_EQ(error, "The file " + (folder / "two.xpt").string() +
                         " cannot be read as a SAS data set (transport file): it holds no member THIRD (it holds FIRST, "
                         "SECOND).");

    // Version 8 counts its observations: a file cut at a record boundary is found short.
    write_numbers(xport_format(), folder / "long.xpt", "LONGER_NAME", "x", std::vector<double>(30, 7.0));
    const std::string whole = read_file(folder / "long.xpt");
    write_file(folder / "cut.xpt", whole.substr(0, whole.size() - 80));
    EXPECT_FALSE(open_xport_file(folder / "cut.xpt", messages, error));
    EXPECT_EQ(error, "The file " + (folder / "cut.xpt").string() +
                         " cannot be read as a SAS data set (transport file): member LONGER_NAME is cut short: its "
                         "header counts 30 observations.");
    EXPECT_TRUE(messages.empty());
}

// The row count of a .sas7bdat file, patched in its row size subheader (the eight bytes after its
// signature F7F7F7F7 and 40 more, in a 64-bit file): a count beyond what the file can hold is
// damage named with the file, not 2^32 fewer rows nor a shortage of memory.
TEST(SasStore, ADamagedRowCountIsAnErrorNamingTheFile)
{
    ScratchFolder folder;
    write_numbers(sas7bdat_format(), folder / "five.sas7bdat", "FIVE", "x", {1, 2, 3, 4, 5});
    const std::string good = read_file(folder / "five.sas7bdat");
    const size_t subheader = good.find(std::string("\xF7\xF7\xF7\xF7\0\0\0\0", 8));
    ASSERT_NE(subheader, std::string::npos);
    for (const uint64_t count : {(uint64_t{1} << 32) + 5, uint64_t{1000000000}}) {
        std::string patched = good;
        for (int b = 0; b < 8; ++b)
            patched[subheader + 48 + b] = static_cast<char>(count >> (8 * b));
        write_file(folder / "bad.sas7bdat", patched);
        ReadMessages messages;
        std::string error;
        EXPECT_FALSE(open_sas7bdat_file(folder / "bad.sas7bdat", messages, error)) << count;
        EXPECT_EQ(error, "The file " + (folder / "bad.sas7bdat").string() +
                             " cannot be read as a SAS data set (.sas7bdat): its row count is damaged (it claims more "
                             "rows than its " + std::to_string(good.size()) + " bytes can hold).");
    }
}

// A data set without variables, as SAS writes one (ReadStat's writer does not: here a file of one
// variable with its row length and variable count patched to 0, the eight bytes after the
// signatures F7F7F7F7 and 40 more, and F6F6F6F6), is said to be one, not a memory shortage
// (ReadStat's words).
TEST(SasStore, AFileWithoutVariablesSaysSo)
{
    ScratchFolder folder;
    write_numbers(sas7bdat_format(), folder / "one.sas7bdat", "ONE", "x", {1});
    std::string bytes = read_file(folder / "one.sas7bdat");
    for (const auto &[signature, field] : {std::pair{std::string("\xF7\xF7\xF7\xF7\0\0\0\0", 8), 40},
                                           std::pair{std::string("\xF6\xF6\xF6\xF6\0\0\0\0", 8), 8}}) {
        const size_t at = bytes.find(signature);
        ASSERT_NE(at, std::string::npos);
        bytes.replace(at + field, 8, std::string(8, '\0'));
    }
    write_file(folder / "none.sas7bdat", bytes);
    ReadMessages messages;
    std::string error;
    EXPECT_FALSE(open_sas7bdat_file(folder / "none.sas7bdat", messages, error));
    EXPECT_EQ(error, "The file " + (folder / "none.sas7bdat").string() +
                         " cannot be read as a SAS data set (.sas7bdat): it has no variables, or its description of them "
                         "is damaged (ReadStat could not allocate a row of it).");
}

// Text in another encoding becomes longer in UTF-8: the variable grows to hold it. A file declared
// CP950 (code 118 at byte 70 of the header) holding "我愛你" in six bytes ('我愛你'.encode('cp950')
// in Python: A7 DA B7 52 A7 41) reads as its nine UTF-8 bytes in a variable of length 9.
TEST(SasStore, TextConvertedFromAnotherEncodingIsReadWhole)
{
    ScratchFolder folder;
    Table table;
    table.rows = 1;
    Column col;
    col.name = "phrase";
    col.type = VarType::Character;
    col.length = 6;
    col.texts = {"QQQQQQ"};
    table.columns.push_back(col);
    std::string error;
    ASSERT_TRUE(write_table(sas7bdat_format(), folder / "big5.sas7bdat", "BIG5", table, {}, error)) << error;
    std::string bytes = read_file(folder / "big5.sas7bdat");
    bytes[70] = static_cast<char>(118);
    const size_t at = bytes.rfind("QQQQQQ");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 6, "\xA7\xDA\xB7\x52\xA7\x41");
    write_file(folder / "big5.sas7bdat", bytes);
    ReadMessages messages;
    const auto source = open_sas7bdat_file(folder / "big5.sas7bdat", messages, error);
    ASSERT_TRUE(source) << error;
    EXPECT_EQ(source->describe().variables[0].length, 9u);
    Table back;
    ASSERT_TRUE(read_table(*source, {}, back, error)) << error;
    EXPECT_EQ(back.columns[0].texts[0], "\xE6\x88\x91\xE6\x84\x9B\xE4\xBD\xA0");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].second, "The file " + (folder / "big5.sas7bdat").string() +
                                      " is encoded in CP950; its text is read as UTF-8.");
}

} // namespace
} // namespace quill::host
