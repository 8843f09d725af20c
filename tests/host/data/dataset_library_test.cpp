#include "data/dataset_library.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include <gtest/gtest.h>

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
    EXPECT_EQ(name.location, folder / "data" / "Prostate.csv"); // found in any letter case
    ASSERT_TRUE(library.name("", "Betas", name, error));
    EXPECT_EQ(name.display, "WORK.BETAS");
    EXPECT_EQ(name.location, folder / "work" / "betas.qds"); // new files are lower case, WORK's in its own format
    ASSERT_TRUE(library.name("EX", "New", name, error));
    EXPECT_EQ(name.location, folder / "data" / "new.csv"); // a new member of a library is CSV
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
    ReadMessages messages;
    ASSERT_TRUE(library.name("work", "absent", name, error));
    EXPECT_EQ(library.open(name, messages, error), nullptr);
    EXPECT_EQ(error, "Data set WORK.ABSENT does not exist.");
}

// An XPORT library whose file is a FIFO is neither read nor written: opening it to see which member
// it holds would wait for a writer for ever.
TEST(DatasetLibrary, AnXportLibraryOnAFifoIsRefusedWithoutWaiting)
{
    ScratchFolder folder;
    ASSERT_EQ(::mkfifo((folder / "pipe.xpt").c_str(), 0600), 0);
    DatasetLibrary library(folder / "work", true);
    std::string error;
    ASSERT_TRUE(library.assign("x", folder / "pipe.xpt", error, LibraryEngine::Xport)) << error;
    DatasetName name;
    ASSERT_TRUE(library.name("x", "a", name, error));
    EXPECT_FALSE(library.may_replace_transport_file(name, error));
    EXPECT_EQ(error, "Data set X.A cannot be written: the transport file " + (folder / "pipe.xpt").string() +
                         " is not a regular file.");
    ReadMessages messages;
    EXPECT_EQ(library.open(name, messages, error), nullptr);
    EXPECT_EQ(error, "Data set X.A does not exist.");
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

TEST(DatasetLibrary, TheFirstWriteToAFolderRemovesOnlyOurTemporariesThatNoWriterHolds)
{
    ScratchFolder folder;
    // A writer the process numbers cannot see (another PID namespace, another machine): a child
    // that holds the lock of a temporary whose number names no live process.
    const std::string held = "d.csv.partial-99999-1";
    testing::write_file(folder / held, "x\n");
    int ready[2], done[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t writer = ::fork();
    if (writer == 0) {
        ::close(done[1]);
        const int fd = ::open((folder / held).c_str(), O_WRONLY);
        struct flock lock{};
        lock.l_type = F_WRLCK;
        char byte = ::fcntl(fd, F_OFD_SETLK, &lock) == 0 ? 'y' : 'n';
        if (::write(ready[1], &byte, 1) == 1)
            (void)!::read(done[0], &byte, 1); // holds the lock until the parent closes `done`
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(done[0]);
    struct Release { // whatever the test's outcome, the writer ends
        int done;
        pid_t writer;
        void now()
        {
            if (done >= 0)
                ::close(done);
            if (done >= 0)
                ::waitpid(writer, nullptr, 0);
            done = -1;
        }
        ~Release() { now(); }
    } release{done[1], writer};
    char locked = 0;
    ASSERT_EQ(::read(ready[0], &locked, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(locked, 'y');

    // Abandoned ones of exactly our form, one with this process's own number.
    const std::string abandoned = "d.csv.partial-99999-2", own = "Data.CSV.partial-" + std::to_string(::getpid()) + "-7";
    for (const std::string &name : {abandoned, own})
        testing::write_file(folder / name, "x\n");
    // A user's files that only look like ours, a link and a folder of our form.
    const std::vector<std::string> users = {"thesis.partial-99999-final.txt", "e.csv.partial-x-1", "f.csv.partial-0-1",
                                            "g.csv.partial-12-3.bak", "my.data.csv.partial-99999-3"};
    for (const std::string &name : users)
        testing::write_file(folder / name, "mine\n");
    std::filesystem::create_directory(folder / "photos.partial-99998-2019");
    std::filesystem::create_directory(folder / "h.csv.partial-99998-1");
    std::filesystem::create_symlink("thesis.partial-99999-final.txt", folder / "l.svg.partial-99997-1");

    DatasetLibrary library(folder / "work", true);
    std::vector<std::string> notes = library.prepare_output(folder / "d.csv");
    std::sort(notes.begin(), notes.end());
    const auto note = [&](const std::string &name) {
        return "The file " + (folder / name).string() + ", left unfinished by a run that has ended, is removed.";
    };
    EXPECT_EQ(notes, (std::vector<std::string>{note(own), note(abandoned)}));
    for (const std::string &name : {abandoned, own})
        EXPECT_FALSE(std::filesystem::exists(folder / name)) << name;
    for (const std::string &name : users)
        EXPECT_EQ(testing::read_file(folder / name), "mine\n") << name;
    for (const char *name : {"photos.partial-99998-2019", "h.csv.partial-99998-1", "l.svg.partial-99997-1", "d.csv.partial-99999-1"})
        EXPECT_TRUE(std::filesystem::symlink_status(folder / name).type() != std::filesystem::file_type::not_found) << name;
    release.now();
    testing::write_file(folder / abandoned, "x\n"); // swept once per folder and run
    EXPECT_TRUE(library.prepare_output(folder / "other.csv").empty());
}

} // namespace
} // namespace quill::host
