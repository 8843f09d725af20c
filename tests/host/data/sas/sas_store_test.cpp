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
