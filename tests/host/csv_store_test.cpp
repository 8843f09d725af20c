#include "csv_store.h"

#include <gtest/gtest.h>

#include "host_test_support.h"

namespace quill::host {
namespace {

using testing::ScratchFolder;

Table read_text(const std::string &text, std::vector<std::string> *warnings = nullptr)
{
    Table table;
    std::string error;
    std::vector<std::string> ignored;
    EXPECT_TRUE(read_csv_text(text, "t.csv", table, error, warnings ? *warnings : ignored)) << error;
    return table;
}

std::string read_error(const std::string &text)
{
    Table table;
    std::string error;
    std::vector<std::string> warnings;
    EXPECT_FALSE(read_csv_text(text, "t.csv", table, error, warnings)) << text;
    return error;
}

std::vector<std::string> files_in(const std::filesystem::path &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(CsvStore, RoundTripKeepsValuesAndTypes)
{
    Table t;
    t.rows = 4;
    t.columns.push_back(Column{"x", VarType::Numeric, {0.1, -2.5e-300, missing_value(), 1.0 / 3.0}, {}});
    t.columns.push_back(Column{"label", VarType::Character, {}, {"a, b", "say \"hi\"", "", "007"}});
    t.columns.push_back(Column{"my var", VarType::Numeric, {1, 2, 3, 4}, {}});
    ScratchFolder folder;
    std::string error;
    ASSERT_TRUE(write_csv_file(folder / "t.csv", t, error)) << error;
    Table back;
    std::vector<std::string> warnings;
    ASSERT_TRUE(read_csv_file(folder / "t.csv", back, error, warnings)) << error;
    ASSERT_EQ(back.rows, 4u);
    ASSERT_EQ(back.columns.size(), 3u);
    EXPECT_EQ(back.columns[0].numbers[0], 0.1);
    EXPECT_EQ(back.columns[0].numbers[1], -2.5e-300);
    EXPECT_TRUE(is_missing(back.columns[0].numbers[2]));
    EXPECT_EQ(back.columns[0].numbers[3], 1.0 / 3.0);
    EXPECT_EQ(back.columns[1].type, VarType::Character); // "007" stays text
    EXPECT_EQ(back.columns[1].texts, t.columns[1].texts);
    EXPECT_EQ(back.columns[2].name, "my var");
    EXPECT_TRUE(warnings.empty());
}

TEST(CsvStore, TypesAreInferredFromEveryCell)
{
    const Table t = read_text("a,b,c,d,e\r\n1,x,.,1,\"2\"\r\n\r\n2.5,,,abc,3\r\n-3e2,y,,2,4\r\n");
    ASSERT_EQ(t.rows, 3u);
    EXPECT_EQ(t.columns[0].type, VarType::Numeric);
    EXPECT_EQ(t.columns[0].numbers[2], -300);
    EXPECT_EQ(t.columns[1].type, VarType::Character);
    EXPECT_EQ(t.columns[1].texts[1], ""); // a missing character value
    EXPECT_EQ(t.columns[2].type, VarType::Numeric); // only missing values
    EXPECT_TRUE(is_missing(t.columns[2].numbers[0]) && is_missing(t.columns[2].numbers[1]));
    EXPECT_EQ(t.columns[3].type, VarType::Character); // one text makes the column text
    EXPECT_EQ(t.columns[3].texts[0], "1");
    EXPECT_EQ(t.columns[4].type, VarType::Character); // a quoted cell is text
}

TEST(CsvStore, AByteOrderMarkIsNotPartOfTheFirstName)
{
    const Table t = read_text("\xEF\xBB\xBFid,x\n1,2\n");
    EXPECT_EQ(t.columns[0].name, "id");
}

TEST(CsvStore, LongValuesAreCutWithOneWarningPerColumn)
{
    std::vector<std::string> warnings;
    const std::string long_value(40, 'z');
    const Table t = read_text("s\n" + long_value + "\n" + long_value + "\n", &warnings);
    EXPECT_EQ(t.columns[0].texts[1], std::string(32, 'z'));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], "t.csv, line 2: values of s longer than 32 characters are cut to 32.");
}

TEST(CsvStore, MalformedFilesNameTheLineAndTheProblem)
{
    EXPECT_EQ(read_error(""), "t.csv, line 1: the file is empty; a header row of variable names is expected.");
    EXPECT_EQ(read_error("a,,c\n1,2,3\n"), "t.csv, line 1: the header gives column 2 no name.");
    EXPECT_EQ(read_error("a,b,A\n"), "t.csv, line 1: the variable name A appears twice (columns 1 and 3).");
    EXPECT_EQ(read_error(std::string(33, 'n') + "\n"),
              "t.csv, line 1: the variable name " + std::string(33, 'n') + " is longer than 32 characters.");
    EXPECT_EQ(read_error("a,b\n1,2\n3\n"), "t.csv, line 3: 1 value where the header names 2.");
    EXPECT_EQ(read_error("a,b\n1,2,3\n"), "t.csv, line 2: 3 values where the header names 2.");
    EXPECT_EQ(read_error("a,b\n1,\"open\n2,3\n"), "t.csv, line 2: a quoted value is not closed.");
    EXPECT_EQ(read_error("a,b\n1,ab\"c\n"), "t.csv, line 2: a quote appears inside an unquoted value.");
    EXPECT_EQ(read_error("a,b\n1,\"ab\"c\n"), "t.csv, line 2: characters follow the closing quote of a value.");
    // A quoted value may hold a line break; later lines are still counted right.
    EXPECT_EQ(read_error("a,b\n1,\"x\ny\"\n2\n"), "t.csv, line 4: 1 value where the header names 2.");
}

TEST(CsvStore, MissingFileIsNamed)
{
    ScratchFolder folder;
    Table t;
    std::string error;
    std::vector<std::string> warnings;
    EXPECT_FALSE(read_csv_file(folder / "absent.csv", t, error, warnings));
    EXPECT_NE(error.find("absent.csv: the file cannot be opened"), std::string::npos) << error;
}

TEST(CsvStore, AnUnfinishedWriteLeavesTheEarlierFileIntact)
{
    ScratchFolder folder;
    const auto target = folder / "d.csv";
    testing::write_file(target, "x\n1\n");
    {
        CsvWriter writer;
        std::string error;
        ASSERT_TRUE(writer.open(target, error)) << error;
        writer.name("x");
        ASSERT_TRUE(writer.end_row(error)) << error;
        writer.number(2);
        ASSERT_TRUE(writer.end_row(error)) << error;
        EXPECT_EQ(files_in(folder.path()).size(), 2u); // the target and the temporary file
    } // destroyed without commit: the run failed midway
    EXPECT_EQ(testing::read_file(target), "x\n1\n");
    EXPECT_EQ(files_in(folder.path()), std::vector<std::string>{"d.csv"});

    CsvWriter writer;
    std::string error;
    ASSERT_TRUE(writer.open(target, error));
    writer.name("x");
    ASSERT_TRUE(writer.end_row(error)) << error;
    writer.number(2);
    ASSERT_TRUE(writer.end_row(error)) << error;
    ASSERT_TRUE(writer.commit(error)) << error;
    EXPECT_EQ(testing::read_file(target), "x\n2\n");
    EXPECT_EQ(files_in(folder.path()), std::vector<std::string>{"d.csv"});
}

TEST(CsvStore, TwoWritersOfOneTargetDoNotShareATemporaryFile)
{
    ScratchFolder folder;
    const auto target = folder / "d.csv";
    CsvWriter first, second;
    std::string error;
    ASSERT_TRUE(first.open(target, error));
    ASSERT_TRUE(second.open(target, error));
    first.name("first");
    ASSERT_TRUE(first.end_row(error)) << error;
    second.name("second");
    ASSERT_TRUE(second.end_row(error)) << error;
    ASSERT_TRUE(first.commit(error)) << error;
    ASSERT_TRUE(second.commit(error)) << error;
    EXPECT_EQ(testing::read_file(target), "second\n");
    EXPECT_EQ(files_in(folder.path()), std::vector<std::string>{"d.csv"});
}

TEST(CsvStore, AWriteIntoAMissingFolderFailsCleanly)
{
    ScratchFolder folder;
    CsvWriter writer;
    std::string error;
    EXPECT_FALSE(writer.open(folder / "no" / "d.csv", error));
    EXPECT_NE(error.find("cannot be created"), std::string::npos) << error;
    EXPECT_TRUE(files_in(folder.path()).empty());
}

} // namespace
} // namespace quill::host
