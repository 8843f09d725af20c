// Fuzz target: a DATA step with DATALINES, and a second one that reads it with SET and runs
// statements on it. The first line of the input is the INPUT statement's variable list, the
// other lines are the data, up to a line "@@"; what follows that line is the body of the second
// step (`data fz2; set fz; BODY run;`: assignments, expressions, IF, DO, SELECT, OUTPUT, RETAIN,
// data set options ...). Whatever a step writes must read back without a note or warning, and
// writing what was read must give the same bytes again: names, types and values survive the
// round trip. The steps write WORK.FZ and WORK.FZ2 in a scratch folder and nothing else: a body
// that could start another step or name a file is passed over, and so is a list whose numbers
// add up to more than 2000 (thousands of variables are slow under the sanitizers, not wrong).
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

#include "data/qds/qds_store.h"
#include "fuzz_scratch.h"
#include "modules/module_loader.h"
#include "steps/program_runner.h"

namespace {

// The numbers written in the INPUT list, added up: a bound on the variables its ranges name.
// Tens of thousands of them (k1-k99999) take seconds under the sanitizers, which libFuzzer
// reports as a hang; wide steps are the host tests' concern (DataStep.WideInput...).
constexpr unsigned long max_numbered = 2000;
bool names_too_many(const std::string &list)
{
    unsigned long total = 0, number = 0;
    for (const char c : list + ' ') {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            number = std::min(10 * number + static_cast<unsigned long>(c - '0'), max_numbered + 1);
            continue;
        }
        total += number;
        number = 0;
        if (total > max_numbered)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace quill::host;
    static fuzz::Scratch scratch;
    const std::string input(reinterpret_cast<const char *>(data), size);
    const size_t line_end = input.find('\n');
    const std::string list = input.substr(0, line_end);
    // A ';' would end the INPUT statement or the data early and start statements of its own.
    if (list.find(';') != std::string::npos || names_too_many(list))
        return 0;
    std::string lines = line_end == std::string::npos ? "" : input.substr(line_end + 1);
    std::string body;
    if (const size_t mark = lines.find("\n@@\n"); mark != std::string::npos) {
        body = lines.substr(mark + 4);
        lines.resize(mark);
    }
    std::string lower = body;
    for (char &c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char *word : {"data", "proc", "libname", "run", "quit", "cards", "lines", "endsas", "set", "%", "&"})
        if (lower.find(word) != std::string::npos)
            return 0;
    std::string program = "data fz; input " + list + ";\ndatalines;\n" + lines.substr(0, lines.find(';')) + "\n;\n";
    if (!body.empty())
        program += "data fz2; set fz;\n" + body + "\n;run;\n";
    {
        Session session(TextSink::to_memory(), TextSink::to_memory(), scratch.work(), true);
        ModuleLoader modules({});
        ProgramRunner(session, modules, program).run();
    }
    for (const char *name : {"fz.qds", "fz2.qds"}) {
    const auto written = scratch.work() / name;
    if (std::filesystem::exists(written)) {
        Table table;
        std::string error;
        ReadMessages messages;
        const auto source = open_qds_file(written, messages, error);
        if (!source || !read_table(*source, {}, table, error) || !messages.empty())
            __builtin_trap();
        const auto again = scratch.work() / "again.qds";
        if (!write_table(qds_format(), again, {}, table, source->describe().sorted_by, error))
            __builtin_trap();
        const auto bytes = [](const std::filesystem::path &file) {
            std::string text;
            std::FILE *f = std::fopen(file.c_str(), "rb");
            for (int c; f && (c = std::fgetc(f)) != EOF;)
                text.push_back(static_cast<char>(c));
            if (f)
                std::fclose(f);
            return text;
        };
        if (bytes(written) != bytes(again))
            __builtin_trap();
    }
    }
    scratch.clear_work();
    return 0;
}
