// The fixture of the fault tests: a scratch folder holding a library LIB with the data sets of an
// earlier run, which no fault may damage, and quill run in that folder as a separate process.
#ifndef QUILL_TESTS_FAULTS_FAULT_SUPPORT_H
#define QUILL_TESTS_FAULTS_FAULT_SUPPORT_H

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "host_test_support.h"

namespace quill::host {

using testing::read_file;
using testing::write_file;

// Every file of a folder with its bytes.
inline std::map<std::string, std::string> snapshot(const std::filesystem::path &folder)
{
    std::map<std::string, std::string> files;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file() && !entry.is_symlink())
            files[entry.path().filename().string()] = read_file(entry.path());
    return files;
}

struct Outcome {
    int status;        // exit status, or 128 + the signal that ended it
    std::string error; // standard error
    std::string log;
};

// The program every fault interrupts: it writes four data sets to the library LIB.
inline const std::string fit_program = "proc quillfit data=here.fit noprint outinfo=lib.info outbetas=lib.betas "
                                "outpred=lib.pred;\n  model y = x1 x2 x3;\n  gridsize 5;\nrun;\n"
                                "data lib.small;\n  input a;\n  datalines;\n1\n;\n";

class Faults : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(lib());
        // The earlier versions of the data sets, which no fault may damage.
        ASSERT_EQ(run(fit_program).status, 0) << read_file(folder / "p.log");
        before = snapshot(lib());
        ASSERT_EQ(before.size(), 4u);
    }

    std::filesystem::path lib() const { return folder / "lib"; }

    // Runs `program` with quill in the scratch folder through /bin/sh: `prefix` comes before
    // quill's command (limits, mounts), `options` after it. With `closed_stdout`, standard
    // output is a pipe nobody reads.
    Outcome run(const std::string &program, const std::string &prefix = "", const std::string &options = "",
                bool closed_stdout = false, const std::string &program_file = "p.sas")
    {
        if (!program.empty())
            write_file(folder / program_file, program);
        const std::string command = "cd '" + folder.path().string() + "' && " + prefix + " '" QUILL_EXECUTABLE "' " +
                                    program_file + " -lib 'here=" QUILL_TEST_DATA "' -lib lib=lib -modules '" QUILL_TEST_MODULE_DIR "' " + options +
                                    " 2>err.txt";
        int pipe_ends[2] = {-1, -1};
        if (closed_stdout) {
            EXPECT_EQ(::pipe(pipe_ends), 0);
            ::close(pipe_ends[0]);
        }
        const pid_t child = ::fork();
        if (child == 0) {
            if (closed_stdout)
                ::dup2(pipe_ends[1], STDOUT_FILENO);
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char *>(nullptr));
            ::_exit(127);
        }
        if (closed_stdout)
            ::close(pipe_ends[1]);
        int wait_status = 0;
        ::waitpid(child, &wait_status, 0);
        const int status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
        return {status, read_file(folder / "err.txt"), read_file(folder / "p.log")};
    }

    // Whether the tests may make a mount namespace of their own.
    static bool can_mount()
    {
        return std::system("unshare --user --map-root-user --mount true >/dev/null 2>&1") == 0;
    }

    testing::ScratchFolder folder;
    std::map<std::string, std::string> before;
};

} // namespace quill::host

#endif
