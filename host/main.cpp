// quill PROGRAM.sas [-log FILE] [-print FILE] [-work DIR] [-modules DIR] [-lib REF=DIR] [-gpath DIR]
// The log goes to PROGRAM.log and the listing to PROGRAM.lst in the current folder; "-" sends
// them to standard error and standard output. The folder of the executable is on the module
// path. Setting QUILL_HIDE_SASPROCI=1 in the environment makes the procedure interface module
// unavailable (for tests of that failure).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "module_loader.h"
#include "program_runner.h"
#include "session.h"

namespace {

constexpr int exit_error = 2;

int usage(const char *message)
{
    std::fprintf(stderr, "quill: %s\nusage: quill PROGRAM.sas [-log FILE|-] [-print FILE|-] [-work DIR] "
                         "[-modules DIR]... [-lib REF=DIR]... [-gpath DIR]\n", message);
    return exit_error;
}

std::filesystem::path executable_folder()
{
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : self.parent_path();
}

quill::host::TextSink sink_for(const std::string &option, const std::filesystem::path &fallback, std::FILE *stream)
{
    if (option == "-")
        return quill::host::TextSink::to_copy_of(stream);
    const std::filesystem::path file = option.empty() ? fallback : std::filesystem::path(option);
    std::error_code ec;
    std::filesystem::remove(file, ec); // an old listing must not pass for this run's
    return quill::host::TextSink::to_file(file);
}

} // namespace

int main(int argc, char **argv)
{
    std::string program_file, log_option, print_option, work, gpath;
    std::vector<std::filesystem::path> module_path;
    std::vector<std::pair<std::string, std::string>> libs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == "-log" && has_value)
            log_option = argv[++i];
        else if (arg == "-print" && has_value)
            print_option = argv[++i];
        else if (arg == "-work" && has_value)
            work = argv[++i];
        else if (arg == "-gpath" && has_value)
            gpath = argv[++i];
        else if (arg == "-modules" && has_value)
            module_path.emplace_back(argv[++i]);
        else if (arg == "-lib" && has_value) {
            const std::string value = argv[++i];
            const size_t eq = value.find('=');
            if (eq == std::string::npos || eq == 0)
                return usage("-lib needs REF=DIR");
            libs.emplace_back(value.substr(0, eq), value.substr(eq + 1));
        } else if (!arg.empty() && arg[0] == '-')
            return usage(("unknown or incomplete option " + arg).c_str());
        else if (program_file.empty())
            program_file = arg;
        else
            return usage("only one program can be run");
    }
    if (program_file.empty())
        return usage("no program given");
    std::ifstream in(program_file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "quill: the program %s cannot be read\n", program_file.c_str());
        return exit_error;
    }
    std::ostringstream text;
    text << in.rdbuf();

    // Graphics files go beside the listing unless -gpath says where; a -gpath folder is made.
    if (gpath.empty() && !print_option.empty() && print_option != "-")
        gpath = std::filesystem::path(print_option).parent_path().string();
    std::error_code ec;
    if (!gpath.empty() && !std::filesystem::is_directory(gpath, ec) &&
        !std::filesystem::create_directories(gpath, ec)) {
        std::fprintf(stderr, "quill: the graphics folder %s cannot be created\n", gpath.c_str());
        return exit_error;
    }
    const std::string stem = std::filesystem::path(program_file).stem().string();
    quill::host::Session session(sink_for(log_option, stem + ".log", stderr),
                                 sink_for(print_option, stem + ".lst", stdout), work, !work.empty());
    if (!session.log.sink().open_now()) {
        std::fprintf(stderr, "quill: the log file %s cannot be created\n",
                     log_option.empty() ? (stem + ".log").c_str() : log_option.c_str());
        return exit_error;
    }
    if (!session.library.ok()) {
        std::fprintf(stderr, "quill: the WORK folder %s cannot be created\n", work.c_str());
        return exit_error;
    }
    const char *hide = std::getenv("QUILL_HIDE_SASPROCI");
    session.hide_sasproci = hide && std::string(hide) == "1";
    if (!gpath.empty())
        session.graphics_folder = gpath;
    for (const auto &[ref, dir] : libs) {
        std::string error;
        if (!session.library.assign(ref, dir, error))
            session.log.error(error);
    }
    const auto exe = executable_folder();
    if (!exe.empty())
        module_path.push_back(exe);
    quill::host::ModuleLoader modules(module_path);
    quill::host::ProgramRunner runner(session, modules, text.str());
    const int status = runner.run();
    // A log or listing that could not be written is a lost result, whatever the program did.
    bool lost = false;
    if (session.log.sink().failed()) {
        std::fprintf(stderr, "quill: the log file cannot be written\n");
        lost = true;
    }
    if (session.listing.sink().failed()) {
        std::fprintf(stderr, "quill: the listing file cannot be written\n");
        lost = true;
    }
    return lost ? exit_error : status;
}
