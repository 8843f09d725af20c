#include "dataset_library.h"

#include <sys/wait.h>

#include <gtest/gtest.h>

#include "dataset_reference.h"
#include "host_test_support.h"

namespace quill::host {
namespace {

using testing::ScratchFolder;

TEST(DatasetLibrary, NamesMapToFilesInTheirLibraries)
{
    ScratchFolder folder;
    std::filesystem::create_directory(folder / "data");
    testing::write_file(folder / "data" / "Prostate.csv", "x\n1\n");
    DatasetLibrary library(folder / "work", true);
    std::string error;
    ASSERT_TRUE(library.assign("ex", folder / "data", error)) << error;
    DatasetName name;
    ASSERT_TRUE(library.name("EX", "prostate", name, error));
    EXPECT_EQ(name.display, "EX.PROSTATE");
    EXPECT_EQ(name.path, folder / "data" / "Prostate.csv"); // found in any letter case
    ASSERT_TRUE(library.name("", "Betas", name, error));
    EXPECT_EQ(name.display, "WORK.BETAS");
    EXPECT_EQ(name.path, folder / "work" / "betas.csv"); // new files are lower case
    EXPECT_EQ(library.file("study/visits.csv").display, "'study/visits.csv'");
}

TEST(DatasetLibrary, ProblemsAreExplained)
{
    ScratchFolder folder;
    DatasetLibrary library(folder / "work", true);
    std::string error;
    EXPECT_FALSE(library.assign("toolongref", folder.path(), error));
    EXPECT_EQ(error, "The libref toolongref is not valid; it needs 1 to 8 characters and must be a name.");
    EXPECT_FALSE(library.assign("work", folder.path(), error));
    EXPECT_FALSE(library.assign("ex", folder / "absent", error));
    EXPECT_NE(error.find("of libref EX does not exist."), std::string::npos);
    DatasetName name;
    EXPECT_FALSE(library.name("nolib", "x", name, error));
    EXPECT_EQ(error, "Libref NOLIB is not assigned.");
    EXPECT_FALSE(library.name("work", "my var", name, error));
    Table table;
    ReadMessages messages;
    ASSERT_TRUE(library.name("work", "absent", name, error));
    EXPECT_FALSE(library.load(name, table, error, messages));
    EXPECT_EQ(error, "Data set WORK.ABSENT does not exist.");
}

TEST(DatasetLibrary, DefaultOutputsSkipExistingNamesAndWorkIsRemoved)
{
    ScratchFolder folder;
    std::filesystem::path temporary_work;
    {
        DatasetLibrary library({}, false);
        ASSERT_TRUE(library.ok());
        temporary_work = library.work_folder();
        testing::write_file(temporary_work / "data1.csv", "x\n");
        EXPECT_EQ(library.default_output().display, "WORK.DATA2");
        EXPECT_EQ(library.default_output().display, "WORK.DATA3");
    }
    EXPECT_FALSE(std::filesystem::exists(temporary_work));
    {
        DatasetLibrary kept(folder / "kept", true);
    }
    EXPECT_TRUE(std::filesystem::exists(folder / "kept"));
}

TEST(DatasetLibrary, TheFirstWriteToAFolderRemovesTemporaryFilesOfEndedRunsOnly)
{
    ScratchFolder folder;
    const pid_t ended = ::fork();
    if (ended == 0)
        ::_exit(0);
    ASSERT_GT(ended, 0);
    ::waitpid(ended, nullptr, 0);
    const std::string stale = "d.csv.partial-" + std::to_string(ended) + "-1";
    const std::string running = "d.csv.partial-" + std::to_string(::getppid()) + "-1";
    const std::string own = "d.csv.partial-" + std::to_string(::getpid()) + "-7";
    for (const std::string &name : {stale, running, own, std::string("e.csv.partial-x-1")})
        testing::write_file(folder / name, "x\n");
    DatasetLibrary library(folder / "work", true);
    EXPECT_EQ(library.prepare_output(folder / "d.csv"),
              std::vector<std::string>{"The file " + (folder / stale).string() +
                                       ", left unfinished by a run that has ended, is removed."});
    EXPECT_FALSE(std::filesystem::exists(folder / stale));
    for (const std::string &name : {running, own, std::string("e.csv.partial-x-1")})
        EXPECT_TRUE(std::filesystem::exists(folder / name)) << name;
    testing::write_file(folder / stale, "x\n"); // swept once per folder and run
    EXPECT_TRUE(library.prepare_output(folder / "other.csv").empty());
}

TEST(DatasetReference, NamesPathsLastAndOptions)
{
    ScratchFolder folder;
    DatasetLibrary library(folder / "work", true);
    std::string error;
    DatasetReference ref;
    auto parse = [&](const std::string &text) {
        ref = DatasetReference{};
        const auto tokens = testing::tokens_of(text);
        return parse_dataset_reference(tokens, 0, tokens.size(), library, ref, error);
    };
    EXPECT_FALSE(parse("_last_"));
    EXPECT_EQ(error, "There is no _LAST_ data set: no data set has been created yet.");
    ASSERT_TRUE(parse("work.a(keep=x1-x3 y drop=z)"));
    EXPECT_EQ(ref.name.display, "WORK.A");
    EXPECT_EQ(ref.keep.size(), 4u);
    EXPECT_EQ(ref.drop.size(), 1u);
    library.set_last(ref.name);
    ASSERT_TRUE(parse("_LAST_"));
    EXPECT_EQ(ref.name.display, "WORK.A");
    ASSERT_TRUE(parse("_null_"));
    EXPECT_TRUE(ref.is_null);
    EXPECT_FALSE(parse("a(where=(x>1))"));
    EXPECT_EQ(error, "Data set option \"where\" is not supported; use KEEP= or DROP=.");
    EXPECT_FALSE(parse("a b"));
    EXPECT_EQ(error, "Unexpected \"b\" after the data set name.");

    Table table;
    table.columns = {Column{"x", VarType::Numeric, {}, {}}, Column{"y", VarType::Numeric, {}, {}},
                     Column{"z", VarType::Numeric, {}, {}}};
    ASSERT_TRUE(parse("a(drop=y)"));
    ASSERT_TRUE(apply_dataset_options(ref, table, error));
    ASSERT_EQ(table.columns.size(), 2u);
    EXPECT_EQ(table.columns[1].name, "z");
}

} // namespace
} // namespace quill::host
