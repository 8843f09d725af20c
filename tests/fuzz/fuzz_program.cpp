// Fuzz target: program text through the tokenizer (with DATALINES) and the statement parser,
// using the HOSTTEST grammar, which has every action kind and every variable-list form. Variable
// lists resolve against a small WORK data set.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "data/csv/csv_store.h"
#include "hosttest_grammar.h"
#include "modules/statement_actions.h"
#include "modules/run_context.h"

namespace {

using namespace quill::host;

struct Fixture {
    Fixture()
        : session(TextSink::to_stream(std::fopen("/dev/null", "w")), TextSink::to_stream(nullptr), {}, false)
    {
        DatasetName d;
        std::string error;
        session.library.name("WORK", "d", d, error);
        Table t;
        t.rows = 1;
        t.columns = {Column{{"x1", VarType::Numeric}, {1}, {}}, Column{{"x2", VarType::Numeric}, {2}, {}},
                     Column{{"name", VarType::Character}, {}, {"a"}}, Column{{"x10", VarType::Numeric}, {3}, {}}};
        write_csv_file(d.location, t, error);
        session.library.set_last(d);
    }
    Session session;
    qh_grammar grammar = hosttest::build_grammar();
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Fixture fixture;
    const std::string text(reinterpret_cast<const char *>(data), size);
    Tokenizer tokenizer(text);
    std::vector<Token> tokens;
    for (Token t = tokenizer.next(); t.kind != TokenKind::End && tokens.size() < 4096; t = tokenizer.next()) {
        if (t.kind == TokenKind::Semicolon && !tokens.empty() && same_name(tokens.back().text, "datalines")) {
            int first = 0;
            tokenizer.take_data_lines(first);
        }
        if (t.kind != TokenKind::Error)
            tokens.push_back(std::move(t));
    }
    RunContext run(fixture.session, "HOSTTEST", std::move(tokens), 1);
    qh_parse_area area{};
    if (parse_step(&fixture.grammar, run, area) == 0) {
        for (const qh_statement *s = area.proc_record; s; s = s->next)
            for (int i = 0; i < s->slot_count; ++i)
                for (int k = 0; k < s->slots[i].var_count; ++k)
                    if (s->slots[i].var_numbers[k] < 1 || s->slots[i].var_numbers[k] > 4)
                        __builtin_trap();
    }
    run.finish(3000);
    return 0;
}
