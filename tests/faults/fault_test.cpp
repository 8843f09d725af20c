// quill under faults, run as a separate process: an output folder that is missing, read-only or
// full, a link planted at a temporary name, a closed listing pipe, a memory limit, a stopping
// signal, and a log or listing that would replace the program. Each run checks the exit status,
// the message, and that the data sets written by an earlier run are still there byte for byte.
#include <csignal>
#include <cstring>

#include "fault_support.h"

namespace quill::host {
namespace {

TEST_F(Faults, AnOutputFolderThatDoesNotExist)
{
    const Outcome out = run("proc quillfit data=here.fit noprint outinfo=lib.info outbetas='nosuchdir/b.csv';\n"
                            "  model y = x1 x2 x3;\nrun;\n");
    EXPECT_EQ(out.status, 2);
    EXPECT_NE(out.log.find("ERROR: The file nosuchdir/b.csv cannot be created (No such file or directory).\n"
                           "ERROR: The host could not create the output data set OUTBETAS."),
              std::string::npos)
        << out.log;
    EXPECT_EQ(snapshot(lib()), before);
}

TEST_F(Faults, AReadOnlyOutputFolder)
{
    std::string prefix;
    if (::geteuid() != 0)
        std::filesystem::permissions(lib(), std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    else if (can_mount()) // permissions do not stop root: mount the folder read-only instead
        prefix = "exec unshare --user --map-root-user --mount sh -c 'mount --bind lib lib && "
                 "mount -o remount,bind,ro lib && exec \"$0\" \"$@\"'";
    else
        GTEST_SKIP() << "running as root without mount namespaces: no way to make a folder read-only";
    const Outcome out = run(fit_program, prefix);
    std::filesystem::permissions(lib(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
    EXPECT_EQ(out.status, 2);
    EXPECT_NE(out.log.find("/betas.csv cannot be created ("), std::string::npos) << out.log;
    EXPECT_NE(out.log.find("ERROR: The host could not create the output data set OUTBETAS."), std::string::npos);
    EXPECT_NE(out.log.find("/small.csv cannot be created ("), std::string::npos); // the next step still ran
    EXPECT_EQ(snapshot(lib()), before);
}

TEST_F(Faults, AFullFileSystem)
{
    if (!can_mount())
        GTEST_SKIP() << "no mount namespaces here: a full file system cannot be made without root";
    // A small file system over the library, holding the earlier data sets and filled up; what
    // is on it afterwards is copied out to `after`.
    std::filesystem::copy(lib(), folder / "saved");
    std::filesystem::create_directory(folder / "after");
    const std::string prefix = "exec unshare --user --map-root-user --mount sh -c 'mount -t tmpfs -o size=64k tmpfs lib "
                               "&& cp saved/* lib/ && { dd if=/dev/zero of=lib/filler bs=1k 2>/dev/null; true; } && "
                               "\"$0\" \"$@\"; status=$?; cp lib/*.csv* after/; exit $status'";
    const Outcome out = run(fit_program, prefix);
    EXPECT_EQ(out.status, 2);
    EXPECT_NE(out.log.find("cannot be written (No space left on device)."), std::string::npos) << out.log;
    EXPECT_NE(out.log.find("ERROR: The host could not "), std::string::npos);
    EXPECT_EQ(snapshot(folder / "after"), before); // and no partial file
}

TEST_F(Faults, ALinkPlantedAtATemporaryNameIsNotFollowed)
{
    write_file(folder / "victim", "precious\n");
    // quill's temporary names are <data set>.partial-<process>-<serial>; plant the first ones.
    const std::string plant = "for d in info betas pred small; do for k in 1 2 3 4 5 6 7 8; do "
                              "ln -s ../victim lib/$d.csv.partial-$$-$k; done; done; exec";
    const Outcome out = run(fit_program, plant);
    EXPECT_EQ(out.status, 0) << out.log;
    EXPECT_EQ(read_file(folder / "victim"), "precious\n");
    EXPECT_EQ(snapshot(lib()), before); // the same program wrote the same data sets
    int links = 0;
    for (const auto &entry : std::filesystem::directory_iterator(lib()))
        links += entry.is_symlink();
    EXPECT_EQ(links, 32);
}

TEST_F(Faults, AClosedListingPipe)
{
    const Outcome out = run("proc print data=lib.info; run;\ndata lib.after;\n  input a;\n  datalines;\n2\n;\n", "exec",
                            "-print -", true);
    EXPECT_EQ(out.status, 2);
    EXPECT_EQ(out.error, "quill: the listing (standard output) cannot be written\n");
    EXPECT_NE(out.log.find("NOTE: The data set LIB.AFTER has 1 observations"), std::string::npos); // it went on
    std::filesystem::remove(lib() / "after.csv");
    EXPECT_EQ(snapshot(lib()), before);
}

#ifndef QUILL_SANITIZED_BUILD
TEST_F(Faults, AMemoryLimitForTheHost)
{
    const Outcome out = run("data lib.small;\n  input x1-x999999;\n  datalines;\n1\n;\n", "ulimit -v 60000; exec");
    EXPECT_EQ(out.status, 2);
    EXPECT_NE(out.log.find("ERROR: The DATA step ran out of memory: the system could not give it "), std::string::npos)
        << out.log;
    EXPECT_EQ(snapshot(lib()), before);
}

TEST_F(Faults, AMemoryLimitForTheProcedure)
{
    // Five million observations: the host reads them a buffer at a time, but the procedure cannot
    // hold them.
    std::string data = "y,x\n";
    for (int i = 0; i < 5000000; ++i)
        data += "1,2\n";
    write_file(folder / "tall.csv", data);
    const Outcome out = run("proc quillfit data='tall.csv' outbetas=lib.betas;\n  model y = x;\nrun;\n",
                            "ulimit -v 40000; exec");
    EXPECT_EQ(out.status, 2);
    EXPECT_NE(out.log.find("ERROR: Procedure QUILLFIT needs "), std::string::npos) << out.log;
    EXPECT_NE(out.log.find(" bytes of memory, more than the system can give."), std::string::npos) << out.log;
    EXPECT_EQ(snapshot(lib()), before);
}

TEST_F(Faults, AMacroValueDoubledFortyTimesStopsAtItsLimit)
{
    std::string program = "%let x = ab;\n";
    for (int i = 0; i < 40; ++i) // 2 TB unbounded
        program += "%let x = &x&x;\n";
    const Outcome out = run(program + "%put &x;\n", "ulimit -v 60000; exec");
    EXPECT_EQ(out.status, 2);
    EXPECT_NE(out.log.find("ERROR: The text expression length (131068) exceeds maximum length (65534)."),
              std::string::npos)
        << out.log.substr(0, 2000);
    EXPECT_EQ(out.log.find("memory"), std::string::npos);
    EXPECT_EQ(snapshot(lib()), before);
}

TEST_F(Faults, AnInfileIsReadALineAtATime)
{
    // 32 MB on one line, and a million short lines: under a 60 MB limit, neither is held whole.
    std::string wide;
    for (int i = 0; i < (1 << 24); ++i)
        wide += "1 ";
    write_file(folder / "wide.txt", wide + "\n3 4\n");
    wide.clear();
    std::string tall;
    for (int i = 0; i < 1000000; ++i)
        tall += "5 6\n";
    write_file(folder / "tall.txt", tall);
    tall.clear();
    const Outcome out = run("data lib.wide;\n  infile 'wide.txt';\n  input a b;\nrun;\n"
                            "data lib.tall;\n  infile 'tall.txt';\n  input a b;\nrun;\n",
                            "ulimit -v 60000; exec");
    EXPECT_EQ(out.status, 0) << out.log;
    EXPECT_NE(out.log.find("NOTE: 2 records were read from the infile 'wide.txt'.\n"
                           "      One or more lines were truncated at LRECL=32767.\n"),
              std::string::npos)
        << out.log;
    EXPECT_NE(out.log.find("NOTE: 1000000 records were read from the infile 'tall.txt'.\n"), std::string::npos);
    EXPECT_EQ(read_file(lib() / "wide.csv"), "a,b\n1,1\n3,4\n");
    EXPECT_EQ(std::filesystem::file_size(lib() / "tall.csv"), 4u + 1000000u * 4u);
}

TEST_F(Faults, WhatAModulePrintsIsNeverHeldInMemory)
{
    // 150 MB on standard output under a 100 MB limit: the host passes it through untouched.
    const Outcome out = run("data d;\n  input x1;\n  datalines;\n1\n;\nproc hosttest data=d; vars x1; run;\n",
                            "ulimit -v 100000; HOSTTEST_PRINT_MB=150 exec", ">/dev/null");
    EXPECT_EQ(out.status, 0) << out.error << out.log;
    EXPECT_NE(out.log.find("NOTE: PROCEDURE HOSTTEST used"), std::string::npos) << out.log;
}
#endif

TEST_F(Faults, AStoppingSignalLeavesNoWorkFolderAndNoPartialFile)
{
    std::filesystem::create_directory(folder / "tmp");
    const std::string program = "data d;\n  input x1 x2;\n  datalines;\n1 2\n;\n"
                                "proc hosttest data=d out=lib.betas; vars x1; run;\n";
    std::vector<int> signals = {SIGTERM, SIGINT, SIGHUP};
#ifndef QUILL_SANITIZED_BUILD
    signals.push_back(SIGSEGV); // a crash; the sanitizers keep that signal for their report
#endif
    for (int signal_number : signals) {
        // HOSTTEST raises the signal while its output data set is still being written.
        const Outcome out = run(program, "TMPDIR=\"$PWD/tmp\" HOSTTEST_RAISE=" + std::to_string(signal_number) + " exec");
        EXPECT_EQ(out.status, 128 + signal_number);
        EXPECT_TRUE(std::filesystem::is_empty(folder / "tmp")) << signal_number; // the WORK folder is gone
        EXPECT_EQ(snapshot(lib()), before) << signal_number;
        // The log says how the run ended, on the last line.
        const std::string last = "ERROR: The run was ended by signal " + std::to_string(signal_number) + " (SIG" +
                                 sigabbrev_np(signal_number) + "): the step under way did not finish and the rest "
                                 "of the program did not run.\n";
        ASSERT_GT(out.log.size(), last.size()) << out.log;
        EXPECT_EQ(out.log.substr(out.log.size() - last.size() - 1), "\n" + last) << out.log;
    }
}

TEST_F(Faults, TheLogOrListingNeverReplacesTheProgramOrAFolder)
{
    const std::string program = "data a;\n  input x;\n  datalines;\n1\n;\n";
    write_file(folder / "job.log", program);
    Outcome out = run("", "exec", "", false, "job.log");
    EXPECT_EQ(out.status, 2);
    EXPECT_EQ(out.error, "quill: the log file job.log would replace the program\n");
    EXPECT_EQ(read_file(folder / "job.log"), program);

    std::filesystem::create_directory(folder / "results");
    out = run(program, "exec", "-log results");
    EXPECT_EQ(out.status, 2);
    EXPECT_EQ(out.error, "quill: the log file results is a folder\n");
    EXPECT_TRUE(std::filesystem::is_directory(folder / "results"));
    out = run(program, "exec", "-print p.sas");
    EXPECT_EQ(out.error, "quill: the listing file p.sas would replace the program\n");
    out = run(program, "exec", "-log out.txt -print ./out.txt");
    EXPECT_EQ(out.error, "quill: the log and the listing cannot both be written to out.txt\n");
    EXPECT_EQ(read_file(folder / "p.sas"), program);
}

} // namespace
} // namespace quill::host
