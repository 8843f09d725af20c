#include "proc_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <vector>

extern char** environ;

namespace quill::bench {

namespace {

struct file_closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool write_csv(const std::filesystem::path& file, const synthetic_data& data, std::string& error) {
    std::unique_ptr<std::FILE, file_closer> out(std::fopen(file.c_str(), "wb"));
    if (!out) {
        error = "cannot write " + file.string();
        return false;
    }
    std::string line;
    for (int j = 1; j <= data.p; ++j) {
        line += 'x';
        line += std::to_string(j);
        line += ',';
    }
    line += "y\n";
    std::fputs(line.c_str(), out.get());
    std::vector<char> row(static_cast<std::size_t>(data.p + 1) * 32);
    for (int i = 0; i < data.n; ++i) {
        char* at = row.data();
        for (int j = 0; j <= data.p; ++j) {
            const double v = j < data.p ? data.x[static_cast<std::size_t>(j) * data.n + i]
                                        : data.y[i];
            at = std::to_chars(at, row.data() + row.size(), v).ptr;
            *at++ = j < data.p ? ',' : '\n';
        }
        std::fwrite(row.data(), 1, static_cast<std::size_t>(at - row.data()), out.get());
    }
    if (std::ferror(out.get()) != 0 || std::fclose(out.release()) != 0) {
        error = "cannot write " + file.string();
        return false;
    }
    return true;
}

bool write_program(const std::filesystem::path& program, const std::filesystem::path& library,
                   const std::string& member, int p, std::string& error) {
    std::ofstream out(program);
    out << "libname bench '" << library.string() << "';\n"
        << "proc quillfit data=bench." << member << ";\n"
        << "  model y = x1-x" << p << ";\n"
        << "run;\n";
    out.close();
    if (!out) error = "cannot write " + program.string();
    return static_cast<bool>(out);
}

namespace {

// Starts argv[0] with standard output to `out` (a path); the child's pid, or 0.
pid_t spawn(std::vector<std::string>& args, const char* out) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? child : 0;
}

}  // namespace

int peak_of(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    // The engine's trace lines on standard output are not part of the timing's output.
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = spawn(args, "/dev/null");
    int status = 0;
    rusage usage{};
    if (child == 0 || wait4(child, &status, 0, &usage) != child) return 127;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%ld %.6f\n", usage.ru_maxrss, seconds);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

// The run goes through this program started afresh (`--peak-of`): the kernel counts into a
// child's peak memory the image it replaced, and this program holds the data; a fresh start of
// it is small, and its own child's peak is quill's alone.
child_run run_quill(const std::string& build_folder, const std::filesystem::path& program) {
    child_run run;
    const std::string quill = build_folder + "/quill";
    const std::string log = program.string() + ".log";
    const std::string listing = program.string() + ".lst";
    const std::string measured = program.string() + ".peak";
    std::vector<std::string> args{"/proc/self/exe", "--peak-of", quill, program.string(),
                                  "-log", log, "-print", listing};
    const pid_t child = spawn(args, measured.c_str());
    int status = 0;
    if (child == 0 || waitpid(child, &status, 0) != child) {
        run.error = "cannot start " + quill;
        return run;
    }
    long peak_kb = 0;
    std::ifstream in(measured);
    if (!(in >> peak_kb >> run.seconds)) {
        run.error = "cannot start " + quill;
        return run;
    }
    run.peak_mb = static_cast<double>(peak_kb) / 1024.0;  // kilobytes on Linux
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) <= 1;
    if (!run.ok) run.error = quill + " failed; see " + log;
    return run;
}

}  // namespace quill::bench
