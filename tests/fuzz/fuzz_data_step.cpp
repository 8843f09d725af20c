// Fuzz target: a DATA step with DATALINES. The first line of the input is the INPUT statement's
// variable list, the other lines are the data. Whatever the step writes must read back without
// a note or warning, and writing what was read must give the same bytes again: names, types and
// values survive the round trip. The step writes WORK.FZ in a scratch folder and nothing else.
#include <cstdint>
#include <string>

#include "data/csv/csv_store.h"
#include "fuzz_scratch.h"
#include "modules/module_loader.h"
#include "steps/program_runner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace quill::host;
    static fuzz::Scratch scratch;
    const std::string input(reinterpret_cast<const char *>(data), size);
    const size_t line_end = input.find('\n');
    const std::string list = input.substr(0, line_end);
    // A ';' would end the INPUT statement or the data early and start statements of its own.
    if (list.find(';') != std::string::npos)
        return 0;
    const std::string lines = line_end == std::string::npos ? "" : input.substr(line_end + 1);
    const std::string program = "data fz; input " + list + ";\ndatalines;\n" + lines.substr(0, lines.find(';')) + "\n;\n";
    {
        Session session(TextSink::to_memory(), TextSink::to_memory(), scratch.work(), true);
        ModuleLoader modules({});
        ProgramRunner(session, modules, program).run();
    }
    const auto written = scratch.work() / "fz.csv";
    if (std::filesystem::exists(written)) {
        Table table;
        std::string error;
        ReadMessages messages;
        if (!read_csv_file(written, table, error, messages) || !messages.empty())
            __builtin_trap();
        const auto again = scratch.work() / "again.csv";
        if (!write_csv_file(again, table, error))
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
    scratch.clear_work();
    return 0;
}
