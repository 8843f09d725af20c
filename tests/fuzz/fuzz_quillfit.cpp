// Fuzz target: PROC QUILLFIT statements through the host, with the real quillfit.so and
// libquill.so, on a small data set in the WORK library of a scratch folder. The input is the text
// after "proc quillfit data=d"; an input with a quoted string is skipped, so that no data set or
// library can name a place outside the scratch folder, and so is one asking for more than 200
// grid values or passes, to keep each run short, or naming the host's test procedure, whose module
// sits in the same folder. A run must never misuse the host (the host logs that as "Procedure
// QUILLFIT: ..."), every data set it leaves must read back and every plot must be well-formed XML.
// Plots go to the scratch folder's graphics folder, never the current one.
#include <libxml/parser.h>

#include <cstdint>
#include <string>

#include "base/names.h"
#include "data/format.h"
#include "fuzz_scratch.h"
#include "modules/module_loader.h"
#include "steps/program_runner.h"

namespace {

using namespace quill::host;

// 24 observations: a normal, a binary and a count response, three numeric predictors, a
// character and a numeric CLASS candidate, a text column and a column with missing values.
std::string small_data_set()
{
    std::string text = "y,b,c,x1,x2,x3,g,k,s,m\n";
    const char *colours[] = {"red", "blue", "green"};
    for (int i = 0; i < 24; ++i) {
        const double x1 = (i % 7) - 3.0, x2 = ((i * 5) % 11) / 4.0, x3 = (i % 3) * 1.5 - i / 10.0;
        text += std::to_string(0.5 + 1.5 * x1 - x3 + ((i * 7) % 5) / 5.0) + "," + std::to_string((i % 2) ^ (i % 5 == 0 ? 1 : 0)) +
                "," + std::to_string((i * 3) % 6) + "," + std::to_string(x1) + "," + std::to_string(x2) + "," +
                std::to_string(x3) + "," + colours[i % 3] + "," + std::to_string(1 + i % 4) + ",t" +
                std::to_string(i) + "," + (i % 6 == 0 ? "." : std::to_string(i)) + "\n";
    }
    return text;
}

struct Fixture {
    Fixture() : modules({QUILL_MODULE_DIR})
    {
        std::FILE *file = std::fopen((scratch.work() / "d.csv").c_str(), "wb");
        const std::string text = small_data_set();
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
        bool found = false;
        std::string error;
        if (!modules.find("QUILLFIT", found, error))
            __builtin_trap();
    }
    fuzz::Scratch scratch;
    ModuleLoader modules;
};

Fixture &shared_fixture()
{
    static Fixture made;
    return made;
}

bool acceptable(const std::string &statements)
{
    Tokenizer tokenizer(statements);
    bool count_follows = false;
    for (Token t = tokenizer.next(); t.kind != TokenKind::End; t = tokenizer.next()) {
        if (t.kind == TokenKind::String || (count_follows && t.number > 200) ||
            (t.kind == TokenKind::Name && same_name(t.text, "hosttest")))
            return false;
        count_follows = t.kind == TokenKind::Name && (same_name(t.text, "gridsize") || same_name(t.text, "maxiter"));
    }
    return true;
}

bool well_formed_xml(const std::filesystem::path &file)
{
    xmlDocPtr document = xmlReadFile(file.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    xmlFreeDoc(document);
    return document != nullptr;
}

} // namespace

// libFuzzer calls this before the first input: the module's coverage then counts from the start.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    shared_fixture();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fixture &fixture = shared_fixture();
    const std::string statements(reinterpret_cast<const char *>(data), size);
    if (!acceptable(statements))
        return 0;
    Session session(TextSink::to_memory(), TextSink::to_memory(), fixture.scratch.work(), true);
    session.graphics_folder = fixture.scratch.graphics();
    {
        fuzz::QuietOutput quiet;
        ProgramRunner(session, fixture.modules, "proc quillfit data=d " + statements + "\n;run;\n").run();
    }
    for (const std::string &line : session.log.sink().lines())
        if (line.rfind("ERROR: Procedure QUILLFIT: ", 0) == 0)
            __builtin_trap();
    for (const auto &entry : std::filesystem::directory_iterator(fixture.scratch.work())) {
        Table table;
        std::string error;
        ReadMessages messages;
        const Format *format = format_for_extension(entry.path().extension().string());
        const auto source = format ? format->open(entry.path(), messages, error) : nullptr;
        if (!source || !read_table(*source, {}, table, error))
            __builtin_trap();
    }
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(fixture.scratch.graphics(), ec))
        if (!well_formed_xml(entry.path()))
            __builtin_trap();
    std::filesystem::remove_all(fixture.scratch.graphics(), ec);
    fixture.scratch.clear_work("d.csv");
    return 0;
}
