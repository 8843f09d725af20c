// Compiles a macro's body into instructions, as a %MACRO definition is read: constant text (one
// piece per statement, so that a step the macro generates runs before the text after it is
// resolved), macro calls, and the macro statements with %IF and %DO turned into jumps. Text keeps
// its references and macro function calls; they are resolved when the instruction runs.
#ifndef QUILL_HOST_LANGUAGE_MACRO_COMPILER_H
#define QUILL_HOST_LANGUAGE_MACRO_COMPILER_H

#include <string>
#include <string_view>
#include <vector>

namespace quill::host {

enum class MacroOp {
    Text,       // text: resolved and generated
    Call,       // name(text): a macro call; extra is "(" when arguments were written
    Let,        // text: "name = value"
    Put,        // text
    Global,     // text: the names
    Local,      // text: the names
    Symdel,     // text: the names
    If,         // text: the condition; to target when false
    Jump,       // to target
    DoInit,     // name = text %TO extra %BY extra2
    DoTest,     // name: to target when the index has passed the stop value of the DoInit at `loop`
    DoStep,     // name: the index moves by the step, then to target (the DoTest)
    WhileTest,  // text: the condition; to target when false
    UntilTest,  // text: the condition; to target (the top of the loop) when false
    Goto,       // text: the label
    Label,      // name
    Include,    // text: the files
    Return,     // ends the macro
};

struct MacroInstruction {
    MacroOp op = MacroOp::Text;
    std::string text;
    std::string name;
    std::string extra, extra2;
    int target = -1;
    int loop = -1; // DoTest/DoStep: the index of their DoInit
};

struct MacroParameter {
    std::string name;
    bool keyword = false;
    std::string default_value; // as written; resolved when the macro is called
};

struct MacroDefinition {
    std::string name; // upper case; empty for an open-code %IF
    std::vector<MacroParameter> parameters;
    bool parmbuff = false;
    bool minoperator = false;
    std::vector<MacroInstruction> code;
};

// Compiles a whole body; false with `error` (SAS's sentence, without ERROR:).
bool compile_macro_body(std::string_view body, std::vector<MacroInstruction> &code, std::string &error);
// Compiles the one macro statement (an open-code %IF) at `at`; `end` receives where it ends.
bool compile_macro_statement(std::string_view text, size_t at, std::vector<MacroInstruction> &code, size_t &end,
                             std::string &error);

// The macro statements and functions by name (upper case, without %).
bool is_macro_statement(std::string_view name);
bool is_macro_function(std::string_view name);

} // namespace quill::host

#endif
