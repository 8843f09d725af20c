#include "simulation_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_timing.h"

extern char **environ;

namespace quill::bench {
namespace {

struct Program {
    const char *name;
    const char *setup; // before the loop
    const char *body;  // the DATA step's statements in the loop
};

constexpr Program programs[] = {
    {"simulation: two RAND('NORMAL') a row", "call streaminit(20261209);",
     "x = rand('normal'); y = 1 + 2*x + rand('normal');"},
    {"the loop alone: no RAND", "", "x = mod(i, 7) - 3; y = 1 + 2*x + sqrt(i);"},
};

struct Run {
    bool ok = false;
    double cpu = 0;
};

// Runs `quill` on `program` in `folder` (its WORK there); processor seconds of the child.
Run run_quill(const std::string &quill, const std::filesystem::path &program, const std::filesystem::path &folder)
{
    std::vector<std::string> args{quill, program.string(), "-log", (folder / "run.log").string(), "-print",
                                  (folder / "run.lst").string(), "-work", (folder / "work").string()};
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    Run run;
    int status = 0;
    rusage usage{};
    if (spawned != 0 || wait4(child, &status, 0, &usage) != child)
        return run;
    const auto seconds = [](const timeval &t) { return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec); };
    run.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) <= 1;
    return run;
}

} // namespace

int simulation_bench(int argc, char **argv)
{
    std::string against;
    int rounds = 3;
    long rows = 1000000;
    for (int k = 2; k < argc; ++k) {
        const std::string a = argv[k];
        if (a == "--against" && k + 1 < argc)
            against = argv[++k];
        else if (a == "--rounds" && k + 1 < argc)
            rounds = std::atoi(argv[++k]);
        else if (a == "--rows" && k + 1 < argc)
            rows = std::atol(argv[++k]);
        else {
            std::fprintf(stderr, "usage: data_step_bench --simulation [--against DIR] [--rounds N] [--rows N]\n");
            return 2;
        }
    }
    if (rounds < 1 || rows < 1) {
        std::fprintf(stderr, "data_step_bench: --rounds and --rows must be 1 or more\n");
        return 2;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "quill-simulation-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::fprintf(stderr, "data_step_bench: no temporary folder\n");
        return 1;
    }
    const std::filesystem::path folder = pattern;
    std::filesystem::create_directory(folder / "work");
    std::vector<std::filesystem::path> files;
    for (const Program &p : programs) {
        files.push_back(folder / ("program" + std::to_string(files.size()) + ".sas"));
        std::ofstream(files.back()) << "data sim;\n  " << p.setup << "\n  do i = 1 to " << rows << ";\n    " << p.body
                                    << "\n    output;\n  end;\nrun;\n";
    }
    const std::string self = std::filesystem::canonical("/proc/self/exe").parent_path() / "quill";
    std::vector<std::string> builds{self};
    if (!against.empty())
        builds.push_back((std::filesystem::path(against) / "quill").string());
    // cpu[build][program] over the rounds; a failed run counts as a failure for that cell.
    std::vector<std::vector<std::vector<double>>> cpu(builds.size(), std::vector<std::vector<double>>(files.size()));
    std::vector<std::vector<bool>> failed(builds.size(), std::vector<bool>(files.size(), false));
    for (int round = 0; round < rounds; ++round)
        for (size_t p = 0; p < files.size(); ++p)
            for (size_t b = 0; b < builds.size(); ++b) {
                const Run run = run_quill(builds[b], files[p], folder);
                cpu[b][p].push_back(run.cpu);
                failed[b][p] = failed[b][p] || !run.ok;
            }
    std::filesystem::remove_all(folder);

    std::printf("DATA step of %ld rows, processor seconds of the whole quill run (median of %d, interleaved)\n", rows,
                rounds);
    std::printf("%-40s %14s %14s\n", "program", "this build", against.empty() ? "" : "--against");
    for (size_t p = 0; p < files.size(); ++p) {
        std::printf("%-40s", programs[p].name);
        for (size_t b = 0; b < builds.size(); ++b) {
            if (failed[b][p])
                std::printf(" %14s", "fails");
            else
                std::printf(" %14.3f", ::bench::median(cpu[b][p]));
        }
        std::printf("\n");
    }
    return 0;
}

} // namespace quill::bench
