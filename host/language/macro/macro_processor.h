// The macro processor: stands between the program text and the statement reader, as SAS's word
// scanner and macro processor do. It reads the program (and %INCLUDE files) as open code,
// resolves &references and macro function calls in the text before tokens are formed (so
// `data_&i` and `&lib..pima` become one name), runs macro statements where they stand, defines
// macros and runs their calls. It hands the reader one statement at a time; a macro is
// suspended while a statement it generated is read, so a step it generates runs (and its CALL
// SYMPUTX values are there) before the macro goes on. MPRINT, SYMBOLGEN and MLOGIC trace what
// it does in the log as SAS writes them.
#ifndef QUILL_HOST_LANGUAGE_MACRO_PROCESSOR_H
#define QUILL_HOST_LANGUAGE_MACRO_PROCESSOR_H

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/log_writer.h"
#include "language/macro/macro_compiler.h"
#include "language/macro/macro_symbols.h"

namespace quill::host {

// The system options that steer the macro processor (OPTIONS MPRINT; ...).
struct MacroOptions {
    bool mprint = false, symbolgen = false, mlogic = false;
    bool minoperator = false;
    char mindelimiter = ' ';
    bool serror = true; // warn about an unresolved &reference
    bool merror = true; // warn about an unresolved %call
};

// Where the characters of a statement's text came from: text[offset...] up to the next origin's
// offset starts at this line and column of the program.
struct TextOrigin {
    size_t offset = 0;
    int line = 0;
    int column = 0;
};

struct StatementText {
    std::string text;                // as the tokenizer reads it
    std::vector<TextOrigin> origins; // by increasing offset; the first at 0
};

// What the macro processor asks of the host around it.
struct MacroHooks {
    std::function<void(int line)> echo;                               // a program line was read
    std::function<std::string(const std::string &ref)> fileref_path;  // FILENAME ref: its path, or ""
    // %SYSFUNC's functions the host answers itself (EXIST): false when it has no such function.
    std::function<bool(const std::string &name, const std::vector<std::string> &args, std::string &result)> host_function;
};

class MacroProcessor {
public:
    MacroProcessor(LogWriter &log, MacroSymbols &symbols, const MacroOptions &options, MacroHooks hooks);
    ~MacroProcessor();
    MacroProcessor(const MacroProcessor &) = delete;
    MacroProcessor &operator=(const MacroProcessor &) = delete;

    // The program's text, read as open code with its lines echoed.
    void push_program(std::string text);
    // The next statement (through its ';', or the rest of the program); false at the end.
    bool next_statement(StatementText &statement);
    // The data lines after a DATALINES statement just read, up to the line holding ';'; false
    // (with an ERROR) when the statement came from a macro.
    bool take_data_lines(std::vector<std::string> &lines, int &first_line);


    struct Frame;
    struct Output;

private:
    bool step();
    void step_source(size_t index);
    void step_macro(size_t index);
    void source_percent(size_t index);
    void source_statement(size_t index, const std::string &word, size_t name_end);
    void define_macro(size_t index, size_t name_end);
    bool define_header(MacroDefinition &macro, const std::string &header, std::string &message);
    void execute(size_t index, const MacroInstruction &in);
    void execute_loop(size_t index, const MacroInstruction &in);
    bool condition(size_t index, const std::string &text, const char *what, bool &truth);

    std::string resolve_text(std::string_view text);
    size_t resolve_one(std::string_view text, size_t at, std::string &out);
    std::string resolve_group(std::string_view group);
    std::string function_call(const std::string &name, std::string_view raw);
    std::string quoting_function(const std::string &name, std::string_view raw);
    std::string evaluate(const std::string &name, std::string_view raw);
    std::string run_captured(const std::string &name, std::string_view raw, bool has_args);
    bool start_call(const std::string &name, std::string_view raw, bool has_args);
    bool bind_arguments(const MacroDefinition &macro, std::string_view raw, bool has_args,
                        std::vector<std::pair<std::string, std::string>> &values);

    void run_let(const std::string &text);
    void run_put(const std::string &text);
    void run_names(MacroOp op, const std::string &text);
    void run_include(const std::string &text, int line);
    void put_symbols(const std::string &which);

    void emit(std::string_view text, int line, int column);
    void consume(size_t index, size_t to);
    std::string current_macro() const;
    int current_line() const;
    void error(const std::string &text);
    void mlogic(const std::string &text);
    void stop_macro(size_t index);
    const std::string *lookup(const std::string &name) const;

    LogWriter &log_;
    MacroSymbols &symbols_;
    const MacroOptions &options_;
    MacroHooks hooks_;
    std::map<std::string, std::shared_ptr<const MacroDefinition>> macros_;
    std::vector<std::unique_ptr<Frame>> stack_;
    std::unique_ptr<Output> out_;
    std::vector<std::string *> captures_; // synchronous calls collect their text here
    std::string macro_name_;              // SYSMACRONAME while it is looked up
    int sync_depth_ = 0;
};

} // namespace quill::host

#endif
