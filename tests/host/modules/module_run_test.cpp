// Whole runs of programs that call the test procedure module through the routine table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "host_test_support.h"
#include "modules/module_loader.h"
#include "steps/program_runner.h"

namespace quill::host {
namespace {

class ModuleRun : public ::testing::Test {
protected:
    int run(const std::string &program, std::vector<std::filesystem::path> path = {QUILL_TEST_MODULE_DIR})
    {
        ModuleLoader modules(std::move(path));
        ProgramRunner runner(memory.session, modules, program);
        return runner.run();
    }
    std::filesystem::path work(const std::string &name) const
    {
        return memory.session.library.work_folder() / name;
    }
    std::vector<std::string> work_files() const
    {
        std::vector<std::string> names;
        for (const auto &e : std::filesystem::directory_iterator(memory.session.library.work_folder()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    testing::MemorySession memory;
};

const std::string data_step = "data d; input x1 x2 name $; datalines;\n1 2 a\n4 . b\n;\n";

TEST_F(ModuleRun, ReadsTheDataAndWritesLogListingAndOutput)
{
    EXPECT_EQ(run(data_step + "proc hosttest data=d out=res; vars x1 x2 name; word Hello; run;"), 0);
    EXPECT_TRUE(memory.log_has("NOTE: 2 observations read of 2, 1 missing values."));
    EXPECT_TRUE(memory.log_has("NOTE: Word [HELLO   ]"));
    EXPECT_TRUE(memory.log_has("NOTE: The data set WORK.RES has 2 observations and 5 variables."));
    EXPECT_TRUE(memory.log_has("NOTE: PROCEDURE HOSTTEST used (Total process time):"));
    EXPECT_EQ(memory.work_csv("res"),
              "N,SUMX1,SUMX2,N2,WORD\n2,5,2,2,\"HELLO\"\n-1,5,2,-1,\"HELLO\"\n");
    const std::vector<std::string> expected_listing = {"HOSTTEST -- Sums of the variables", "",
                                                       "x1               5.000", "x2               2.000", ""};
    EXPECT_EQ(memory.listing(), expected_listing);
    EXPECT_EQ(work_files(), (std::vector<std::string>{"d.qds", "res.qds"}));
}

// Reading is not destructive: two records over one data set each see every observation, a record
// opened after them reads the data set again, and so does a later step. Options keep the values of
// the variables they keep.
TEST_F(ModuleRun, EveryReadRecordSeesEveryObservation)
{
    EXPECT_EQ(run(data_step + "proc hosttest data=d; vars x1 x2; word twice; run;"
                              "proc hosttest data=d(drop=x1) out=res; vars x2 name; run;"),
              0);
    EXPECT_TRUE(memory.log_has("NOTE: Two records read 2 and 2 observations, sums 5 and 5."));
    const auto read = std::count(memory.log().begin(), memory.log().end(),
                                 "NOTE: 2 observations read of 2, 1 missing values.");
    EXPECT_EQ(read, 2);
    EXPECT_EQ(memory.work_csv("res"), "N,SUMX2,N2,WORD\n2,2,2,\"\"\n-1,2,-1,\"\"\n");
}

TEST_F(ModuleRun, ReturnCodesDecideTheExitStatus)
{
    EXPECT_EQ(run(data_step + "proc hosttest; vars x1; rc 0; run;"), 0);
    EXPECT_EQ(run("proc hosttest; vars x1; word warn; run;"), 1);
    EXPECT_TRUE(memory.log_has("WARNING: The word asks for a warning."));
    EXPECT_EQ(run("proc hosttest; vars x1; rc 3000; run;"), 2);
    EXPECT_TRUE(memory.log_has("NOTE: Procedure HOSTTEST ended with return code 3000."));
}

TEST_F(ModuleRun, AnyNonZeroReturnCodeIsAFailedStep)
{
    // The procedure writes no error line; the return code alone marks the step.
    EXPECT_EQ(run(data_step + "proc hosttest; vars x1; rc 4; run;"), 2);
    EXPECT_TRUE(memory.log_has("NOTE: Procedure HOSTTEST ended with return code 4."));
    EXPECT_TRUE(memory.log_has("NOTE: The step PROCEDURE HOSTTEST stopped because of errors."));
}

TEST_F(ModuleRun, AFailedRunLeavesTheEarlierDataSetAndNoPartialFile)
{
    ASSERT_EQ(run(data_step + "proc hosttest data=d out=res; vars x1; run;"), 0);
    const std::string before = memory.work_csv("res");
    EXPECT_EQ(run("proc hosttest data=d out=res keepopen; vars x2; rc 3000; run;"), 2);
    EXPECT_EQ(memory.work_csv("res"), before);
    EXPECT_EQ(work_files(), (std::vector<std::string>{"d.qds", "res.qds"}));
    EXPECT_TRUE(memory.log_has("WARNING: The data set WORK.RES was not replaced because the step ended with errors."));
}

TEST_F(ModuleRun, AnOutputWhoseFileCannotBeCreatedFailsEveryLaterOperationQuietly)
{
    const std::string target = (memory.folder / "nosuchdir" / "res.csv").string();
    // HOSTTEST ignores the failures and goes on writing and releasing.
    EXPECT_EQ(run(data_step + "proc hosttest data=d out='" + target + "'; vars x1; run;"), 2);
    const auto errors = std::count_if(memory.log().begin(), memory.log().end(),
                                      [](const std::string &line) { return line.rfind("ERROR:", 0) == 0; });
    EXPECT_EQ(errors, 1);
    EXPECT_TRUE(memory.log_has("ERROR: The file " + target + " cannot be created (No such file or directory)."));
    EXPECT_FALSE(memory.log_has("was not replaced"));
}

TEST_F(ModuleRun, AnOutputLeftOpenByACompleteRunIsWritten)
{
    EXPECT_EQ(run(data_step + "proc hosttest data=d out=res keepopen; vars x2; run;"), 0);
    EXPECT_EQ(memory.work_csv("res"), "N,SUMX2,N2,WORD\n2,2,2,\"\"\n-1,2,-1,\"\"\n");
}

TEST_F(ModuleRun, AMissingProcedureInterfaceEndsWith1012)
{
    memory.session.hide_sasproci = true;
    EXPECT_EQ(run(data_step + "proc hosttest; vars x1; run;"), 2);
    EXPECT_TRUE(memory.log_has(
        "ERROR: Cannot load the SASPROCI module. The user-written item cannot function without it."));
    EXPECT_TRUE(memory.log_has("NOTE: Procedure HOSTTEST ended with return code 1012."));
}

TEST_F(ModuleRun, TheDebugOptionReachesTheModule)
{
    EXPECT_EQ(run(data_step + "options debug='TLKTDBG=2'; proc hosttest; vars x1; run;"), 0);
    EXPECT_TRUE(memory.log_has("Cannot load the SASPROCD module."));
}

// The options' thread limit reaches the procedure through the interface vector; the environment
// is left alone, so a user's QUILL_THREADS holds until an option overrides it.
TEST_F(ModuleRun, ThreadOptionsReachTheProcedureThroughTheInterfaceVector)
{
    setenv("QUILL_THREADS", "7", 1);
    const auto limit_after = [&](const std::string &options) {
        const size_t from = memory.log().size();
        EXPECT_EQ(run(options + data_step + "proc hosttest; vars x1; word threads; run;"), 0) << options;
        for (size_t k = from; k < memory.log().size(); ++k)
            if (memory.log()[k].rfind("NOTE: Thread limit ", 0) == 0)
                return memory.log()[k].substr(19);
        return std::string("(none)");
    };
    EXPECT_EQ(limit_after(""), "0");
    EXPECT_EQ(limit_after("options threads;"), "0");
    EXPECT_EQ(limit_after("options cpucount=3;"), "3");
    EXPECT_EQ(limit_after("options nothreads;"), "1");
    EXPECT_EQ(limit_after("options threads;"), "3");
    EXPECT_EQ(limit_after("options cpucount=actual;"), std::to_string(QH_EVERY_CORE));
    EXPECT_STREQ(std::getenv("QUILL_THREADS"), "7");
    unsetenv("QUILL_THREADS");
}

// Options written in a form they do not take are errors that name the right form, never
// "ignored"; a bad value is quoted whole.
TEST_F(ModuleRun, ThreadOptionsInTheWrongFormAreErrors)
{
    const std::pair<const char *, const char *> cases[] = {
        {"options cpucount;", "ERROR: CPUCOUNT needs a value: CPUCOUNT=n (a whole number from 1 to 1024) or CPUCOUNT=ACTUAL (line 1)."},
        {"options threads=4;", "ERROR: THREADS takes no value: write THREADS alone; CPUCOUNT=n sets the number of threads (line 1)."},
        {"options nothreads=yes;", "ERROR: NOTHREADS takes no value: write NOTHREADS alone; CPUCOUNT=n sets the number of threads (line 1)."},
        {"options debug;", "ERROR: DEBUG needs a value: DEBUG='text' (line 1)."},
        {"options cpucount=-1;", "ERROR: CPUCOUNT= takes a whole number from 1 to 1024, or ACTUAL; \"-1\" is neither (line 1)."},
        {"options cpucount=0;", "ERROR: CPUCOUNT= takes a whole number from 1 to 1024, or ACTUAL; \"0\" is neither (line 1)."},
        {"options cpucount=4x;", "ERROR: CPUCOUNT= takes a whole number from 1 to 1024, or ACTUAL; \"4x\" is neither (line 1)."},
    };
    for (const auto &[program, error] : cases) {
        EXPECT_EQ(run(program), 2) << program;
        EXPECT_TRUE(memory.log_has(error)) << program;
    }
    EXPECT_FALSE(memory.log_has("is not used by this host"));
    // A value written apart from its equals sign is still read: CPUCOUNT= 2 is 2.
    const size_t errors = std::count_if(memory.log().begin(), memory.log().end(),
                                        [](const std::string &line) { return line.rfind("ERROR", 0) == 0; });
    run("options cpucount= 2 threads;");
    EXPECT_EQ(std::count_if(memory.log().begin(), memory.log().end(),
                            [](const std::string &line) { return line.rfind("ERROR", 0) == 0; }),
              errors);
    EXPECT_EQ(program_thread_limit(memory.session), 2);
}

TEST_F(ModuleRun, ModulesThatCannotServeAreReported)
{
    testing::ScratchFolder modules;
    testing::write_file(modules / "broken.so", "not a shared library");
    EXPECT_EQ(run("proc broken; run; proc absent; run;", {modules.path()}), 2);
    EXPECT_TRUE(memory.log_has("of procedure BROKEN cannot be loaded"));
    EXPECT_TRUE(memory.log_has("ERROR: Procedure ABSENT not found (line 1)."));
    // A module whose descriptor names another procedure is refused.
    std::filesystem::copy_file(std::filesystem::path(QUILL_TEST_MODULE_DIR) / "hosttest.so", modules / "other.so");
    EXPECT_EQ(run("proc other; run;", {modules.path()}), 2);
    EXPECT_TRUE(memory.log_has("holds procedure \"HOSTTEST\", not OTHER."));
}

} // namespace
} // namespace quill::host
