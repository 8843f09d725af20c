// Fuzz target: PROC SQL statements over two small WORK tables with missing values and padded
// texts. The input is the body of `proc sql; BODY quit;`: every statement kind, queries, joins,
// subqueries, INTO. It must end without a crash, a leak or an engine message of its own in the
// log; a body that could start another step, name a file or a library, or use the macro language
// is passed over (the program and data_step targets cover those).
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

#include "fuzz_scratch.h"
#include "modules/module_loader.h"
#include "steps/program_runner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace quill::host;
    static fuzz::Scratch scratch;
    std::string body(reinterpret_cast<const char *>(data), size);
    std::string lower = body;
    for (char &c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char *word : {"data", "proc", "libname", "quit", "cards", "lines", "endsas", "'/", "\"/", "%", "&"})
        if (lower.find(word) != std::string::npos)
            return 0;
    // Two-level names reach libraries: only WORK is there, and a one-level name is WORK's.
    if (lower.find("work.") != std::string::npos)
        return 0;
    const std::string program = "data t; length s $ 4; input id x s $ 6-9; datalines;\n"
                                "1 2   a\n2 .    \n3 -5  b\n4 .   a  \n;\n"
                                "data u; input s $ w; datalines;\na 10\nc .\n;\n"
                                "proc sql;\n" + body + "\n;quit;\n";
    {
        Session session(TextSink::to_memory(), TextSink::to_memory(), scratch.work(), true);
        ModuleLoader modules({});
        ProgramRunner(session, modules, program).run();
        for (const std::string &line : session.log.sink().lines())
            if (line.find("SQLITE") != std::string::npos || line.find("sqlite") != std::string::npos)
                __builtin_trap(); // the engine's own words reached the log
    }
    scratch.clear_work();
    return 0;
}
