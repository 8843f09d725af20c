// SAS files written by another program (tests/programs/sas/data/README.md) read with their values
// and what describes them, and damaged files refused with ReadStat's reason.
#include <gtest/gtest.h>

#include "data/format.h"
#include "data/sas/sas_store.h"

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
        if (format == &xport_format())
            EXPECT_EQ(d.member, "PEOPLE");
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
    EXPECT_NE(error.find("(transport file): Unable to read from file"), std::string::npos) << error;
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
