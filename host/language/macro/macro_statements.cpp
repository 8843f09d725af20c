// Running macro statements: %LET, %PUT, %GLOBAL, %LOCAL, %SYMDEL, %INCLUDE, and the jumps that
// %IF, %DO and %GOTO compile to.
#include <cstdlib>

#include "data/text_file.h"
#include "language/macro/macro_expression.h"
#include "language/macro/macro_processor.h"
#include "language/macro/macro_processor_state.h"
#include "language/macro/macro_quoting.h"
#include "language/macro/macro_text.h"

namespace quill::host {
namespace {

constexpr size_t max_include_depth = 50;

// The words of text, split at blanks.
std::vector<std::string> words_of(const std::string &text)
{
    std::vector<std::string> words;
    for (size_t i = 0; i < text.size();) {
        while (i < text.size() && macro_blank(text[i]))
            ++i;
        const size_t start = i;
        while (i < text.size() && !macro_blank(text[i]))
            ++i;
        if (i > start)
            words.push_back(text.substr(start, i - start));
    }
    return words;
}

std::string name_error(const std::string &name)
{
    if (name.empty())
        return "Expecting a variable name after %LET.";
    if (!macro_name_start(name[0]))
        return "Symbolic variable name " + name + " must begin with a letter or underscore.";
    if (name.size() > 32)
        return "Symbolic variable name " + name + " must be 32 or fewer characters long.";
    return "Symbolic variable name " + name + " must contain only letters, digits, and underscores.";
}

} // namespace

void MacroProcessor::execute(size_t index, const MacroInstruction &in)
{
    Frame &f = *stack_[index];
    switch (in.op) {
    case MacroOp::Text: emit(resolve_text(in.text), f.call_line, 1); break;
    case MacroOp::Call:
        if (!start_call(in.name, in.text, !in.extra.empty())) {
            if (!macros_.count(in.name)) {
                if (options_.merror)
                    log_.warning("Apparent invocation of macro " + in.name + " not resolved.");
                emit("%" + in.name + (in.extra.empty() ? std::string() : "(" + in.text + ")"), f.call_line, 1);
            }
        }
        break;
    case MacroOp::Let: run_let(in.text); break;
    case MacroOp::Put:
        mlogic("%PUT " + trim_macro_blanks(in.text));
        run_put(in.text);
        break;
    case MacroOp::Global: case MacroOp::Local: case MacroOp::Symdel: run_names(in.op, in.text); break;
    case MacroOp::If: case MacroOp::WhileTest: case MacroOp::UntilTest: {
        bool truth = false;
        if (!condition(index, in.text, in.op == MacroOp::If ? "%IF" : in.op == MacroOp::WhileTest ? "%DO %WHILE" : "%DO %UNTIL", truth))
            return;
        if (!truth) // %IF: to the %ELSE; %WHILE: out of the loop; %UNTIL: round again
            f.pc = static_cast<size_t>(in.target);
        break;
    }
    case MacroOp::Jump: f.pc = static_cast<size_t>(in.target); break;
    case MacroOp::DoInit: case MacroOp::DoTest: case MacroOp::DoStep: execute_loop(index, in); break;
    case MacroOp::Goto: {
        std::string label = macro_upper(trim_macro_blanks(unmask_text(resolve_text(in.text))));
        if (!label.empty() && label[0] == '%')
            label.erase(0, 1);
        for (size_t k = 0; k < f.macro->code.size(); ++k)
            if (f.macro->code[k].op == MacroOp::Label && f.macro->code[k].name == label) {
                f.pc = k;
                return;
            }
        error("The %GOTO label " + label + " is not found in the macro " + f.macro->name + ".");
        stop_macro(index);
        break;
    }
    case MacroOp::Label: break;
    case MacroOp::Include: run_include(in.text, f.call_line ? f.call_line : current_line()); break;
    case MacroOp::Return: f.pc = f.macro->code.size(); break;
    }
}

// The condition of %IF, %DO %WHILE or %DO %UNTIL; false (the macro stopped) when it cannot be
// evaluated.
bool MacroProcessor::condition(size_t index, const std::string &text, const char *what, bool &truth)
{
    MacroEvalSettings settings;
    settings.in_operator = options_.minoperator || stack_[index]->macro->minoperator;
    settings.in_delimiter = options_.mindelimiter;
    MacroEvalResult result = evaluate_macro_expression(resolve_text(text), settings);
    long long value = 0;
    if (result.error == MacroEvalError::None && !macro_whole_number(result.value, value))
        result.error = MacroEvalError::CharacterOperand;
    if (result.error != MacroEvalError::None) {
        error(macro_eval_message(result, "%EVAL", trim_macro_blanks(text)));
        stop_macro(index);
        return false;
    }
    truth = value != 0;
    const std::string verdict = truth ? "TRUE" : "FALSE";
    const std::string written = trim_macro_blanks(text);
    if (std::string(what) == "%IF")
        mlogic("%IF condition " + written + " is " + verdict);
    else
        mlogic(std::string(what) + "(" + written + ") condition is " + verdict + "; loop will " +
               ((truth == (std::string(what) == "%DO %WHILE")) ? "" : "not ") + "iterate again.");
    return true;
}

void MacroProcessor::execute_loop(size_t index, const MacroInstruction &in)
{
    Frame &f = *stack_[index];
    const std::string var = macro_upper(trim_macro_blanks(unmask_text(resolve_text(in.name))));
    if (in.op == MacroOp::DoInit) {
        long long from = 0, to = 0, by = 0;
        const std::pair<const std::string *, long long *> parts[] = {{&in.text, &from}, {&in.extra, &to}, {&in.extra2, &by}};
        const char *names[] = {"%FROM", "%TO", "%BY"};
        for (size_t k = 0; k < 3; ++k) {
            const MacroEvalResult r = evaluate_macro_expression(resolve_text(*parts[k].first), {});
            if (r.error != MacroEvalError::None || !macro_whole_number(r.value, *parts[k].second)) {
                error(std::string("The ") + names[k] + " value of the %DO " + var + " loop is invalid.");
                stop_macro(index);
                return;
            }
        }
        if (by == 0) {
            error("The %BY value of the %DO " + var + " loop is zero.");
            stop_macro(index);
            return;
        }
        if (!valid_macro_name(var)) {
            error("The index variable " + var + " of the %DO loop is not a valid name.");
            stop_macro(index);
            return;
        }
        f.loops[static_cast<int>(f.pc - 1)] = {to, by};
        mlogic("%DO loop beginning; index variable " + var + "; start value is " + std::to_string(from) +
               "; stop value is " + std::to_string(to) + "; by value is " + std::to_string(by) + ".");
        if (symbols_.exists(var))
            symbols_.set(var, std::to_string(from));
        else
            symbols_.set_local(var, std::to_string(from));
        return;
    }
    const Frame::Loop loop = f.loops[in.loop];
    long long value = 0;
    const std::string *text = lookup(var);
    if (!text || !macro_whole_number(*text, value)) {
        error("A character operand was found in the %EVAL function or %IF condition where a numeric operand is "
              "required. The condition was: &" + var);
        stop_macro(index);
        return;
    }
    if (in.op == MacroOp::DoStep) {
        value += loop.by;
        symbols_.set(var, std::to_string(value));
        const bool again = loop.by > 0 ? value <= loop.stop : value >= loop.stop;
        mlogic("%DO loop index variable " + var + " is now " + std::to_string(value) + "; loop will " +
               (again ? "" : "not ") + "iterate again.");
        f.pc = static_cast<size_t>(in.target);
        return;
    }
    if (loop.by > 0 ? value > loop.stop : value < loop.stop)
        f.pc = static_cast<size_t>(in.target);
}

// %LET name = value; the value without its leading and trailing blanks.
void MacroProcessor::run_let(const std::string &text)
{
    const size_t equals = text.find('=');
    if (equals == std::string::npos) {
        error("Expected equal sign not found in %LET statement.");
        return;
    }
    const std::string name = macro_upper(trim_macro_blanks(unmask_text(resolve_text(text.substr(0, equals)))));
    if (!valid_macro_name(name)) {
        error(name_error(name));
        return;
    }
    mlogic("%LET (variable name is " + name + ")");
    std::string value = trim_macro_blanks(resolve_text(std::string_view(text).substr(equals + 1)));
    const size_t length = value.size();
    if (!symbols_.set(name, std::move(value)))
        error(macro_value_too_long(length));
}

void MacroProcessor::run_put(const std::string &text)
{
    const std::string written = trim_macro_blanks(text);
    const std::string upper = macro_upper(written);
    if (upper == "_ALL_" || upper == "_USER_" || upper == "_GLOBAL_" || upper == "_LOCAL_" || upper == "_AUTOMATIC_") {
        put_symbols(upper);
        return;
    }
    // &=name writes NAME=value.
    std::string expanded;
    for (size_t i = 0; i < written.size(); ++i) {
        if (written[i] == '&' && i + 2 < written.size() && written[i + 1] == '=' && macro_name_start(written[i + 2])) {
            const size_t end = macro_name_end(written, i + 2);
            const std::string name = written.substr(i + 2, end - i - 2);
            expanded += macro_upper(name) + "=&" + name;
            i = end - 1;
        } else {
            expanded += written[i];
        }
    }
    log_.plain(trim_macro_blanks(unmask_text(resolve_text(expanded))));
}

void MacroProcessor::put_symbols(const std::string &which)
{
    const auto &scopes = symbols_.scopes();
    auto put_scope = [&](const MacroSymbols::Scope &scope) {
        for (const auto &[name, value] : scope.values)
            log_.plain(scope.name + " " + name + " " + unmask_text(value));
    };
    if (which == "_LOCAL_" && scopes.size() > 1)
        put_scope(scopes.back());
    if (which == "_USER_" || which == "_ALL_")
        for (size_t k = scopes.size(); k-- > 1;)
            put_scope(scopes[k]);
    if (which == "_GLOBAL_" || which == "_USER_" || which == "_ALL_")
        put_scope(scopes.front());
    if (which == "_AUTOMATIC_" || which == "_ALL_")
        for (const auto &[name, value] : symbols_.automatic())
            log_.plain("AUTOMATIC " + name + " " + unmask_text(value));
}

void MacroProcessor::run_names(MacroOp op, const std::string &text)
{
    const std::string resolved = unmask_text(resolve_text(text));
    const size_t slash = resolved.find('/');
    const bool nowarn = slash != std::string::npos && macro_upper(resolved.substr(slash)).find("NOWARN") != std::string::npos;
    const char *what = op == MacroOp::Global ? "%GLOBAL" : op == MacroOp::Local ? "%LOCAL" : "%SYMDEL";
    for (const std::string &written : words_of(resolved.substr(0, slash))) {
        const std::string name = macro_upper(written);
        if (!valid_macro_name(name)) {
            error("Invalid macro variable name " + name + " in the " + what + " statement.");
            continue;
        }
        mlogic(std::string(what) + "  " + name);
        if (op == MacroOp::Symdel) {
            if (!symbols_.remove_global(name) && !nowarn)
                log_.warning("Attempt to delete macro variable " + name + " failed. Variable not found.");
        } else if (op == MacroOp::Local) {
            symbols_.declare_local(name);
        } else if (symbols_.in_macro() && symbols_.scopes().back().values.count(name)) {
            error("Attempt to %GLOBAL a name (" + name + ") which exists in a local environment.");
        } else {
            symbols_.declare_global(name);
        }
    }
}

// %INCLUDE 'file' <'file' ...> or a fileref: each file is read next, as open code.
void MacroProcessor::run_include(const std::string &text, int line)
{
    const std::string resolved = unmask_text(resolve_text(text));
    std::vector<std::string> paths;
    for (size_t i = skip_macro_blanks(resolved, 0); i < resolved.size() && resolved[i] != '/';
         i = skip_macro_blanks(resolved, i)) {
        if (resolved[i] == '\'' || resolved[i] == '"') {
            const size_t end = after_quoted(resolved, i);
            paths.push_back(resolved.substr(i + 1, end - i - 2));
            i = end;
            continue;
        }
        const size_t end = std::max(macro_name_end(resolved, i), i + 1);
        const std::string ref = macro_upper(resolved.substr(i, end - i));
        const std::string path = hooks_.fileref_path ? hooks_.fileref_path(ref) : std::string();
        paths.push_back(path.empty() ? ref : path);
        i = end;
    }
    size_t depth = 0;
    for (const auto &frame : stack_)
        depth += frame->source && !frame->echo;
    for (auto path = paths.rbegin(); path != paths.rend(); ++path) {
        std::string why;
        if (depth >= max_include_depth) {
            error("%INCLUDE files are nested more than " + std::to_string(max_include_depth) + " deep.");
            return;
        }
        bool open = false; // a file that includes itself would never end
        for (const auto &frame : stack_)
            open = open || (frame->source && !frame->file.empty() && frame->file == *path);
        if (open) {
            error("The %INCLUDE file " + *path + " is already being read; it is not read again inside itself.");
            continue;
        }
        TextFileReader reader;
        if (!reader.open(*path, why)) {
            error("Cannot open %INCLUDE file " + *path + ".");
            continue;
        }
        auto frame = std::make_unique<Frame>();
        frame->source = true;
        frame->fixed_line = line;
        frame->file = *path;
        std::string text_line;
        bool cut = false;
        while (reader.next_line(text_line, std::string::npos, cut, why))
            frame->text += text_line + "\n";
        if (!why.empty()) {
            error("Cannot read %INCLUDE file " + *path + ".");
            continue;
        }
        stack_.push_back(std::move(frame));
    }
}

} // namespace quill::host
