// quill PROGRAM.sas [-log FILE] [-print FILE] [-work DIR] [-modules DIR] [-lib REF=DIR] [-gpath DIR]
// quill --help | --version
// The log goes to PROGRAM.log and the listing to PROGRAM.lst in the current folder; "-" sends
// them to standard error and standard output. A log or listing file is written as base/text_sink.h
// says: a regular file is replaced when the run ends, a device, FIFO or socket is written in
// place, a link is followed; a folder, a block device, the program itself, or one file for both
// (but a character device: -log /dev/null -print /dev/null) is refused. The -gpath folder is made
// when a plot is first written into it, not before. The folder of the executable is on the module
// path. Setting QUILL_HIDE_SASPROCI=1 in the environment makes the procedure interface module
// unavailable (for tests of that failure). A signal that stops quill removes the WORK folder and
// unfinished data set files first and ends the log with a line naming it; a closed log or
// listing stream is a failed write.
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "base/exit_cleanup.h"
#include "base/memory_shortage.h"
#include "modules/module_loader.h"
#include "modules/session.h"
#include "steps/program_runner.h"

namespace {

constexpr int exit_error = 2;

int usage(const char *message)
{
    std::fprintf(stderr, "quill: %s\nusage: quill PROGRAM.sas [-log FILE|-] [-print FILE|-] [-work DIR] "
                         "[-modules DIR]... [-lib REF=DIR]... [-gpath DIR]\n"
                         "       quill --help for more\n", message);
    return exit_error;
}

constexpr const char *help_text =
    "usage: quill PROGRAM.sas [options]\n"
    "       quill --help | --version\n"
    "\n"
    "Runs a SAS-language program: its log goes to PROGRAM.log and its listing to PROGRAM.lst in the\n"
    "current folder.\n"
    "\n"
    "options:\n"
    "  -log FILE|-      write the log to FILE, or to standard error with -\n"
    "  -print FILE|-    write the listing to FILE, or to standard output with -\n"
    "  -work DIR        keep the WORK library in DIR (a temporary folder, removed at the end, if absent)\n"
    "  -lib REF=DIR     assign the libref REF to the folder DIR, as LIBNAME REF 'DIR'\n"
    "  -modules DIR     look for procedure modules in DIR too (repeatable; quill's own folder is searched)\n"
    "  -gpath DIR       write graphics files into DIR (default: the listing's folder)\n"
    "  --help           show this text\n"
    "  --version        show quill's version\n"
    "\n"
    "exit status:\n"
    "  0  the program ran without warnings or errors\n"
    "  1  the program ran with warnings\n"
    "  2  the program had errors, or quill could not run it\n"
    "\n"
    "environment:\n"
    "  QUILL_THREADS=n  fits use at most n threads (OPTIONS CPUCOUNT= and NOTHREADS override it)\n"
    "\n"
    "Documentation: README.md in quill's source (the language, the procedures, the data sets) and\n"
    "the examples in its examples/ folder.\n";

std::filesystem::path executable_folder()
{
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : self.parent_path();
}

bool same_file(const std::filesystem::path &a, const std::filesystem::path &b)
{
    std::error_code ec, ec_a, ec_b;
    if (std::filesystem::equivalent(a, b, ec))
        return true;
    // Absolute first: a relative path none of whose folders exists stays relative otherwise.
    const auto canonical_a = std::filesystem::weakly_canonical(std::filesystem::absolute(a), ec_a);
    const auto canonical_b = std::filesystem::weakly_canonical(std::filesystem::absolute(b), ec_b);
    return !ec_a && !ec_b && canonical_a == canonical_b;
}

// Where the log or listing goes: "-" is the stream, otherwise the option's file or the fallback.
struct OutputTarget {
    std::filesystem::path file; // empty for a stream
    std::string what;           // "log file x.log", for messages
};

OutputTarget target_for(const std::string &option, const std::string &fallback, const char *kind, const char *stream)
{
    if (option == "-")
        return {{}, std::string(kind) + " (" + stream + ")"};
    const std::string file = option.empty() ? fallback : option;
    return {file, std::string(kind) + " file " + file};
}

// A log or listing file may be neither the program nor a folder (or a link to one), nor a disk.
const char *target_problem(const OutputTarget &target, const std::string &program)
{
    std::error_code ec;
    if (target.file.empty())
        return nullptr;
    if (std::filesystem::is_directory(target.file, ec))
        return "is a folder";
    if (std::filesystem::is_block_file(target.file, ec))
        return "is a block device";
    return same_file(target.file, program) ? "would replace the program" : nullptr;
}

// The log file grows in place, so that a long step can be followed while it runs; the listing
// replaces its file when the run ends.
quill::host::TextSink sink_for(const OutputTarget &target, std::FILE *stream, bool growing)
{
    if (target.file.empty())
        return quill::host::TextSink::to_stream(stream);
    return growing ? quill::host::TextSink::to_growing_file(target.file)
                   : quill::host::TextSink::to_file(target.file);
}

int run_quill(int argc, char **argv)
{
    std::string program_file, log_option, print_option, work, gpath;
    std::vector<std::filesystem::path> module_path;
    std::vector<std::pair<std::string, std::string>> libs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::fputs(help_text, stdout);
            return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : exit_error;
        }
        if (arg == "--version") {
            std::printf("quill %s\n", QUILL_VERSION);
            return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : exit_error;
        }
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

    // Graphics files go beside the listing unless -gpath says where.
    if (gpath.empty() && !print_option.empty() && print_option != "-")
        gpath = std::filesystem::path(print_option).parent_path().string();
    const std::string stem = std::filesystem::path(program_file).stem().string();
    const OutputTarget log = target_for(log_option, stem + ".log", "log", "standard error");
    const OutputTarget listing = target_for(print_option, stem + ".lst", "listing", "standard output");
    for (const OutputTarget *target : {&log, &listing})
        if (const char *problem = target_problem(*target, program_file)) {
            std::fprintf(stderr, "quill: the %s %s\n", target->what.c_str(), problem);
            return exit_error;
        }
    std::error_code ec;
    if (!log.file.empty() && !listing.file.empty() && same_file(log.file, listing.file) &&
        !std::filesystem::is_character_file(log.file, ec)) { // both may go to one device, as to /dev/null
        std::fprintf(stderr, "quill: the log and the listing cannot both be written to %s\n", log.file.c_str());
        return exit_error;
    }
    quill::host::exit_cleanup::install();
    quill::host::Session session(sink_for(log, stderr, true), sink_for(listing, stdout, false), work,
                                 !work.empty());
    // The log is made at once; so is a listing written in place, so that a reader at a FIFO
    // sees its end even when the listing is empty.
    const std::pair<quill::host::TextSink *, const OutputTarget *> opened_now[] = {
        {&session.log.sink(), &log}, {&session.listing.sink(), &listing}};
    for (const auto &[sink, target] : opened_now)
        if ((sink == &session.log.sink() || sink->writes_in_place()) && !sink->open_now()) {
            std::fprintf(stderr, "quill: the %s cannot be created (%s)\n", target->what.c_str(),
                         sink->problem().c_str());
            return exit_error;
        }
    quill::host::exit_cleanup::log_on_signal(session.log.sink().descriptor());
    if (!session.library.ok()) {
        std::fprintf(stderr, "quill: the WORK folder %s\n", session.library.work_problem().c_str());
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
    int status = exit_error;
    try {
        quill::host::ProgramRunner runner(session, modules, text.str());
        status = runner.run();
    } catch (const std::bad_alloc &shortage) {
        session.log.error(quill::host::memory_shortage_message("The program", shortage));
    }
    // A log or listing that could not be written is a lost result, whatever the program did.
    quill::host::exit_cleanup::log_on_signal(-1);
    bool lost = false;
    for (const auto &[sink, target] : opened_now) {
        sink->finish();
        if (sink->failed()) {
            std::fprintf(stderr, "quill: the %s cannot be written\n", target->what.c_str());
            lost = true;
        }
    }
    return lost ? exit_error : status;
}

} // namespace

int main(int argc, char **argv)
{
    // A step takes working arrays of a column's size and frees them again as it goes on (the
    // engine once per fit, the procedure between its stages). Blocks up to 32 MB come from the heap, which keeps up to 64 MB free for the next ones
    // instead of handing them back to the system and taking them again a page fault at a time
    // (the bounds glibc's own adjustment reaches at most). A procedure's data columns are mapped
    // on their own (modules/run_arena.h), so the heap never holds a data set.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    try {
        return run_quill(argc, argv);
    } catch (const std::bad_alloc &) {
        std::fprintf(stderr, "quill: there is not enough memory to run\n");
        return exit_error;
    }
}
