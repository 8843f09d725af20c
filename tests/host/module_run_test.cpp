// Whole runs of programs that call the test procedure module through the routine table.
#include <gtest/gtest.h>

#include <cstdlib>

#include "host_test_support.h"
#include "module_loader.h"
#include "program_runner.h"

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
    EXPECT_EQ(testing::read_file(work("res.csv")),
              "N,SUMX1,SUMX2,N2,WORD\n2,5,2,2,\"HELLO\"\n-1,5,2,-1,\"HELLO\"\n");
    const std::vector<std::string> expected_listing = {"HOSTTEST -- Sums of the variables", "",
                                                       "x1               5.000", "x2               2.000", ""};
    EXPECT_EQ(memory.listing(), expected_listing);
    EXPECT_EQ(work_files(), (std::vector<std::string>{"d.csv", "res.csv"}));
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
    const std::string before = testing::read_file(work("res.csv"));
    EXPECT_EQ(run("proc hosttest data=d out=res keepopen; vars x2; rc 3000; run;"), 2);
    EXPECT_EQ(testing::read_file(work("res.csv")), before);
    EXPECT_EQ(work_files(), (std::vector<std::string>{"d.csv", "res.csv"}));
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
    EXPECT_EQ(testing::read_file(work("res.csv")), "N,SUMX2,N2,WORD\n2,2,2,\"\"\n-1,2,-1,\"\"\n");
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

// The engine reads its thread limit from QUILL_THREADS, which these options set for the run.
TEST_F(ModuleRun, ThreadOptionsSetTheEnginesThreadLimit)
{
    const auto limit = [] {
        const char *value = std::getenv("QUILL_THREADS");
        return std::string(value ? value : "(none)");
    };
    EXPECT_EQ(run("options cpucount=3;"), 0);
    EXPECT_EQ(limit(), "3");
    EXPECT_EQ(run("options nothreads;"), 0);
    EXPECT_EQ(limit(), "1");
    EXPECT_EQ(run("options threads;"), 0);
    EXPECT_EQ(limit(), "3");
    EXPECT_EQ(run("options cpucount=actual;"), 0);
    EXPECT_EQ(limit(), "(none)");
    EXPECT_EQ(run("options cpucount=0;"), 2);
    EXPECT_TRUE(memory.log_has("ERROR: CPUCOUNT= takes a whole number from 1 to 1024, or ACTUAL; \"0\" is neither (line 1)."));
    EXPECT_EQ(limit(), "(none)");
    EXPECT_FALSE(memory.log_has("Option CPUCOUNT is not used"));
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
