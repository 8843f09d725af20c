// Reading: the input stack, open code, macro definitions and calls, and the statements handed out.
#include "language/macro/macro_processor.h"

#include "language/macro/macro_processor_state.h"
#include "language/macro/macro_quoting.h"
#include "language/macro/macro_text.h"

namespace quill::host {
namespace {

constexpr size_t max_macro_depth = 500;

// Blanks outside quoted strings shrink to one, as MPRINT shows a statement.
std::string one_line(std::string_view text)
{
    std::string out;
    char quote = 0;
    for (const char c : text) {
        if (quote) {
            out += c;
            quote = c == quote ? 0 : quote;
        } else if (macro_blank(c)) {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
        } else {
            out += c;
            if (c == '\'' || c == '"')
                quote = c;
        }
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

} // namespace

void MacroProcessor::Output::feed(char c)
{
    switch (state) {
    case State::Normal:
        if (c == '\'') {
            state = State::Single;
        } else if (c == '"') {
            state = State::Double;
        } else if (c == '*' && last == '/') {
            state = State::Comment;
            statement_start = start_before_slash;
            last = '\0';
            return;
        } else if (c == '*' && statement_start) {
            state = State::Star;
        } else if (c == ';') {
            ends.push_back(text.size());
            statement_start = true;
            last = c;
            return;
        }
        if (c == '/')
            start_before_slash = statement_start;
        if (!macro_blank(c))
            statement_start = false;
        break;
    case State::Single: state = c == '\'' ? State::Normal : state; break;
    case State::Double: state = c == '"' ? State::Normal : state; break;
    case State::Comment:
        if (c == '/' && last == '*') {
            state = State::Normal;
            last = '\0';
            return;
        }
        break;
    case State::Star:
        if (c == ';') {
            state = State::Normal;
            ends.push_back(text.size());
            statement_start = true;
        }
        break;
    }
    last = c;
}

void MacroProcessor::Output::append(std::string_view piece, int line, int column, const std::string &maker_of)
{
    if (piece.empty())
        return;
    // Blanks a macro generates do not make the statement they start a generated one (MPRINT).
    const bool blank = piece.find_first_not_of(" \t\n\r\f") == std::string_view::npos;
    const std::string &maker = blank ? std::string() : maker_of;
    bool continues = !origins.empty() && makers.back() == maker && origins.back().line == line &&
                     origins.back().column + static_cast<int>(text.size() - origins.back().offset) == column;
    if (!continues) {
        origins.push_back({text.size(), line, column});
        makers.push_back(maker);
    }
    for (const char c : piece) { // the reader gets quoted characters as written: %STR(;) ends a statement
        text += unmask_char(c);
        feed(text.back());
    }
}

void MacroProcessor::Output::cut(size_t end, StatementText &statement, std::string &maker)
{
    statement.text = unmask_text(std::string_view(text).substr(0, end));
    statement.origins.clear();
    maker.clear();
    size_t k = 0;
    for (; k < origins.size() && origins[k].offset < end; ++k) {
        statement.origins.push_back(origins[k]);
        if (maker.empty())
            maker = makers[k];
    }
    std::vector<TextOrigin> rest;
    std::vector<std::string> rest_makers;
    if (text.size() > end && k > 0 && (k == origins.size() || origins[k].offset > end)) {
        TextOrigin o = origins[k - 1]; // the piece that goes on past the end
        o.column += static_cast<int>(end - o.offset);
        o.offset = 0;
        rest.push_back(o);
        rest_makers.push_back(makers[k - 1]);
    }
    for (; k < origins.size(); ++k) {
        rest.push_back({origins[k].offset - end, origins[k].line, origins[k].column});
        rest_makers.push_back(makers[k]);
    }
    text.erase(0, end);
    origins = std::move(rest);
    makers = std::move(rest_makers);
    ends.erase(ends.begin());
    for (size_t &e : ends)
        e -= end;
}

MacroProcessor::MacroProcessor(LogWriter &log, MacroSymbols &symbols, const MacroOptions &options, MacroHooks hooks)
    : log_(log), symbols_(symbols), options_(options), hooks_(std::move(hooks)), out_(std::make_unique<Output>())
{
}

MacroProcessor::~MacroProcessor() = default;

void MacroProcessor::push_program(std::string text)
{
    auto frame = std::make_unique<Frame>();
    frame->source = true;
    frame->text = std::move(text);
    frame->echo = true;
    stack_.push_back(std::move(frame));
}

bool MacroProcessor::next_statement(StatementText &statement)
{
    while (out_->ends.empty() && step()) {
    }
    if (out_->ends.empty()) {
        if (out_->text.empty())
            return false;
        out_->ends.push_back(out_->text.size());
    }
    std::string maker;
    out_->cut(out_->ends.front(), statement, maker);
    if (statement.origins.empty())
        statement.origins.push_back({0, current_line(), 1});
    if (options_.mprint && !maker.empty())
        log_.plain("MPRINT(" + maker + "):   " + one_line(statement.text));
    return true;
}

bool MacroProcessor::take_data_lines(std::vector<std::string> &lines, int &first_line)
{
    lines.clear();
    if (stack_.empty() || !stack_.back()->source) {
        if (!stack_.empty())
            error("The macro " + current_macro() + " generated CARDS (data lines) for the DATA step, which could "
                  "cause incorrect results.  The DATA step and the macro will stop executing.");
        while (!stack_.empty() && !stack_.back()->source)
            stop_macro(stack_.size() - 1);
        first_line = current_line();
        return false;
    }
    const size_t index = stack_.size() - 1;
    Frame &f = *stack_[index];
    const size_t after_statement = f.text.find('\n', f.pos);
    consume(index, after_statement == std::string::npos ? f.text.size() : after_statement + 1);
    first_line = f.fixed_line ? f.fixed_line : f.line;
    while (f.pos < f.text.size()) {
        const size_t end = std::min(f.text.find('\n', f.pos), f.text.size());
        std::string line = f.text.substr(f.pos, end - f.pos);
        consume(index, std::min(end + 1, f.text.size()));
        if (line.find(';') != std::string::npos)
            break;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
    }
    out_->statement_start = true;
    return true;
}

bool MacroProcessor::step()
{
    if (stack_.empty())
        return false;
    const size_t index = stack_.size() - 1;
    if (stack_[index]->source)
        step_source(index);
    else
        step_macro(index);
    return true;
}

void MacroProcessor::consume(size_t index, size_t to)
{
    Frame &f = *stack_[index];
    for (; f.pos < to; ++f.pos) {
        if (f.echo && f.line > f.echoed && hooks_.echo) {
            hooks_.echo(f.line);
            f.echoed = f.line;
        }
        if (f.text[f.pos] == '\n') {
            ++f.line;
            f.line_start = f.pos + 1;
        }
    }
}

// Open code: text goes out as it is written, but for references, macro calls, macro functions
// and macro statements, which are resolved or run where they stand.
void MacroProcessor::step_source(size_t index)
{
    Frame &f = *stack_[index];
    if (f.pos >= f.text.size()) {
        stack_.pop_back();
        return;
    }
    const int line = f.fixed_line ? f.fixed_line : f.line;
    const int column = static_cast<int>(f.pos - f.line_start) + 1;
    const Output::State state = out_->state;
    const char c = f.text[f.pos];
    const char next = f.pos + 1 < f.text.size() ? f.text[f.pos + 1] : '\0';
    const bool active = state == Output::State::Normal || state == Output::State::Double;
    if (active && c == '&' && (macro_name_start(next) || next == '&')) {
        std::string value;
        const size_t end = resolve_one(f.text, f.pos, value);
        if (end > f.pos) { // else an & before no name: text
            consume(index, end);
            emit(value, line, column);
            return;
        }
    }
    if (state == Output::State::Normal && c == '%' && next == '*') {
        const size_t end = macro_statement_end(f.text, f.pos + 2);
        consume(index, end == std::string::npos ? f.text.size() : end + 1);
    } else if (active && c == '%' && macro_name_start(next)) {
        source_percent(index);
    } else if (!active || c == ';' || c == '\n' || c == '\'' || c == '"' || c == '&' || c == '%' || c == '/' || c == '*') {
        consume(index, f.pos + 1);
        emit(std::string_view(&c, 1), line, column);
    } else {
        const size_t end = std::min(f.text.find_first_of(";\n'\"&%/*", f.pos), f.text.size());
        const std::string_view run = std::string_view(f.text).substr(f.pos, end - f.pos);
        consume(index, end);
        emit(run, line, column);
    }
}

void MacroProcessor::source_percent(size_t index)
{
    Frame &f = *stack_[index];
    const size_t name_end = macro_name_end(f.text, f.pos + 1);
    const std::string word = macro_upper(std::string_view(f.text).substr(f.pos + 1, name_end - f.pos - 1));
    const int line = f.fixed_line ? f.fixed_line : f.line;
    const int column = static_cast<int>(f.pos - f.line_start) + 1;
    if (is_macro_statement(word)) {
        if (out_->state == Output::State::Normal) {
            source_statement(index, word, name_end);
        } else {
            consume(index, name_end);
            emit("%" + word, line, column);
        }
        return;
    }
    const auto macro = macros_.find(word);
    if (macro == macros_.end() || is_macro_function(word)) {
        std::string value;
        const size_t end = resolve_one(f.text, f.pos, value);
        consume(index, end);
        emit(value, line, column);
        return;
    }
    // A call: its arguments are looked for only when the macro has parameters.
    size_t end = name_end;
    bool has_args = false;
    std::string raw;
    const size_t open = skip_macro_blanks(f.text, name_end);
    if ((!macro->second->parameters.empty() || macro->second->parmbuff) && open < f.text.size() && f.text[open] == '(') {
        const size_t close = closing_parenthesis(f.text, open);
        end = close == std::string::npos ? f.text.size() : close + 1;
        raw = f.text.substr(open + 1, (close == std::string::npos ? f.text.size() : close) - open - 1);
        has_args = true;
    }
    consume(index, end);
    start_call(word, raw, has_args);
}

void MacroProcessor::source_statement(size_t index, const std::string &word, size_t name_end)
{
    Frame &f = *stack_[index];
    if (word == "MACRO") {
        define_macro(index, name_end);
        return;
    }
    if (word == "IF") {
        auto open_if = std::make_shared<MacroDefinition>();
        size_t end = f.pos;
        std::string message;
        const bool ok = compile_macro_statement(f.text, f.pos, open_if->code, end, message);
        consume(index, std::max(end, f.pos + 1));
        if (!ok) {
            error(message);
            return;
        }
        auto frame = std::make_unique<Frame>();
        frame->macro = std::move(open_if);
        frame->call_line = current_line();
        stack_.push_back(std::move(frame));
        return;
    }
    const size_t end = macro_statement_end(f.text, name_end);
    const std::string text = f.text.substr(name_end, (end == std::string::npos ? f.text.size() : end) - name_end);
    consume(index, end == std::string::npos ? f.text.size() : end + 1);
    static const std::pair<std::string_view, MacroOp> runs[] = {
        {"LET", MacroOp::Let}, {"PUT", MacroOp::Put}, {"GLOBAL", MacroOp::Global}, {"SYMDEL", MacroOp::Symdel},
        {"INCLUDE", MacroOp::Include}, {"INC", MacroOp::Include}};
    for (const auto &[name, op] : runs)
        if (word == name) {
            MacroInstruction in;
            in.op = op;
            in.text = text;
            execute(index, in);
            return;
        }
    if (word == "MEND")
        error("No matching %MACRO statement for this %MEND statement.");
    else
        error("The %" + word + " statement is not valid in open code.");
}

// %MACRO name<(parameters)></ options>; body %MEND <name>;
void MacroProcessor::define_macro(size_t index, size_t name_end)
{
    Frame &f = *stack_[index];
    const std::string_view text = f.text;
    const size_t name_start = skip_macro_blanks(text, name_end);
    const size_t after_name = macro_name_end(text, name_start);
    const std::string name = macro_upper(text.substr(name_start, after_name - name_start));
    const size_t header_end = macro_statement_end(text, after_name);
    size_t mend = std::string::npos;
    for (size_t i = header_end == std::string::npos ? text.size() : header_end; i < text.size(); ++i) {
        if (text[i] == '\'' || text[i] == '"')
            i = after_quoted(text, i) - 1;
        else if (text[i] == '/' && i + 1 < text.size() && text[i + 1] == '*')
            i = std::min(text.find("*/", i + 2), text.size());
        else if (macro_keyword_at(text, i, "MEND")) {
            mend = i;
            break;
        }
    }
    const size_t mend_end = mend == std::string::npos ? std::string::npos : macro_statement_end(text, mend + 5);
    const std::string header(text.substr(after_name, (header_end == std::string::npos ? text.size() : header_end) - after_name));
    const std::string body(mend == std::string::npos ? std::string_view() : text.substr(header_end + 1, mend - header_end - 1));
    consume(index, mend_end == std::string::npos ? text.size() : mend_end + 1);
    if (!valid_macro_name(name) || is_macro_statement(name) || is_macro_function(name)) {
        error("Invalid macro name " + (name.empty() ? std::string(";") : name) +
              ".  It should be a valid SAS identifier no longer than 32 characters.");
        return;
    }
    if (mend == std::string::npos) {
        error("The macro " + name + " has no %MEND statement; it is not defined.");
        return;
    }
    auto macro = std::make_shared<MacroDefinition>();
    macro->name = name;
    std::string message;
    if (!define_header(*macro, header, message) || !compile_macro_body(body, macro->code, message)) {
        error(message);
        error("A dummy macro will be compiled.");
        macro->code.clear();
    }
    macros_[name] = std::move(macro);
}

bool MacroProcessor::define_header(MacroDefinition &macro, const std::string &header, std::string &message)
{
    size_t at = skip_macro_blanks(header, 0);
    if (at < header.size() && header[at] == '(') {
        const size_t close = closing_parenthesis(header, at);
        if (close == std::string::npos) {
            message = "Expected close parenthesis in the %MACRO statement of " + macro.name + " not found.";
            return false;
        }
        for (const std::string &written : split_macro_arguments(std::string_view(header).substr(at + 1, close - at - 1))) {
            MacroParameter p;
            const size_t equals = written.find('=');
            p.keyword = equals != std::string::npos;
            p.name = macro_upper(trim_macro_blanks(std::string_view(written).substr(0, p.keyword ? equals : written.size())));
            if (p.keyword)
                p.default_value = trim_macro_blanks(std::string_view(written).substr(equals + 1));
            if (p.name.empty() && !p.keyword && macro.parameters.empty())
                break; // %macro m();
            if (!valid_macro_name(p.name)) {
                message = "Invalid macro parameter name " + p.name + ".";
                return false;
            }
            if (!p.keyword && !macro.parameters.empty() && macro.parameters.back().keyword) {
                message = "All positional parameters must precede keyword parameters.";
                return false;
            }
            macro.parameters.push_back(std::move(p));
        }
        at = close + 1;
    }
    at = skip_macro_blanks(header, at);
    if (at < header.size() && header[at] == '/') {
        std::string options = macro_upper(header.substr(at + 1));
        macro.parmbuff = options.find("PARMBUFF") != std::string::npos || options.find("PBUFF") != std::string::npos;
        macro.minoperator = options.find("MINOPERATOR") != std::string::npos && options.find("NOMINOPERATOR") == std::string::npos;
    } else if (at < header.size()) {
        message = "Extraneous information on %MACRO statement ignored: " + trim_macro_blanks(header.substr(at));
        return false;
    }
    return true;
}

bool MacroProcessor::start_call(const std::string &name, std::string_view raw, bool has_args)
{
    const auto found = macros_.find(name);
    if (found == macros_.end())
        return false;
    if (stack_.size() >= max_macro_depth) {
        error("Macro calls are nested more than " + std::to_string(max_macro_depth) + " deep; " + name + " is not run.");
        return false;
    }
    std::vector<std::pair<std::string, std::string>> values;
    if (!bind_arguments(*found->second, raw, has_args, values))
        return false;
    auto frame = std::make_unique<Frame>();
    frame->macro = found->second;
    frame->call_line = current_line();
    frame->scoped = true;
    if (options_.mlogic)
        log_.plain("MLOGIC(" + name + "):  Beginning execution.");
    symbols_.push_scope(name);
    for (auto &[parameter, value] : values) {
        if (options_.mlogic && parameter != "SYSPBUFF")
            log_.plain("MLOGIC(" + name + "):  Parameter " + parameter + " has value " + unmask_text(value));
        const size_t length = value.size();
        if (!symbols_.set_local(parameter, std::move(value)))
            error(macro_value_too_long(length));
    }
    stack_.push_back(std::move(frame));
    return true;
}

// Positional values first, then name=value for any parameter; values are resolved in the
// caller's scope, defaults when the macro is called.
bool MacroProcessor::bind_arguments(const MacroDefinition &macro, std::string_view raw, bool has_args,
                                    std::vector<std::pair<std::string, std::string>> &values)
{
    std::vector<std::string> args;
    if (has_args && !trim_macro_blanks(raw).empty())
        args = split_macro_arguments(raw);
    for (const MacroParameter &p : macro.parameters)
        values.emplace_back(p.name, p.keyword ? trim_macro_blanks(resolve_text(p.default_value)) : std::string());
    size_t positional = 0;
    for (const std::string &arg : args) {
        const std::string written = trim_macro_blanks(arg);
        const size_t name_end = macro_name_end(written, 0);
        const size_t equals = skip_macro_blanks(written, name_end);
        if (name_end > 0 && equals < written.size() && written[equals] == '=') {
            const std::string name = macro_upper(written.substr(0, name_end));
            bool bound = false;
            for (auto &[parameter, value] : values)
                if (parameter == name) {
                    value = trim_macro_blanks(resolve_text(std::string_view(written).substr(equals + 1)));
                    bound = true;
                }
            if (bound)
                continue;
        }
        while (positional < macro.parameters.size() && macro.parameters[positional].keyword)
            ++positional;
        if (positional >= macro.parameters.size()) {
            if (macro.parmbuff)
                continue;
            error("More positional parameters found than defined.");
            return false;
        }
        values[positional++].second = trim_macro_blanks(resolve_text(written));
    }
    if (macro.parmbuff)
        values.emplace_back("SYSPBUFF", has_args ? "(" + std::string(raw) + ")" : std::string());
    return true;
}

void MacroProcessor::step_macro(size_t index)
{
    Frame &f = *stack_[index];
    if (f.pc >= f.macro->code.size()) {
        if (options_.mlogic && !f.macro->name.empty())
            log_.plain("MLOGIC(" + f.macro->name + "):  Ending execution.");
        if (f.scoped)
            symbols_.pop_scope();
        stack_.pop_back();
        return;
    }
    const MacroInstruction &in = f.macro->code[f.pc++];
    execute(index, in);
}

void MacroProcessor::stop_macro(size_t index)
{
    const std::string name = stack_[index]->macro ? stack_[index]->macro->name : std::string();
    if (!name.empty())
        error("The macro " + name + " will stop executing.");
    while (stack_.size() > index) {
        if (stack_.back()->scoped)
            symbols_.pop_scope();
        stack_.pop_back();
    }
}

std::string MacroProcessor::current_macro() const
{
    for (auto f = stack_.rbegin(); f != stack_.rend(); ++f)
        if (!(*f)->source && !(*f)->macro->name.empty())
            return (*f)->macro->name;
    return {};
}

int MacroProcessor::current_line() const
{
    for (auto f = stack_.rbegin(); f != stack_.rend(); ++f) {
        if (!(*f)->source)
            return (*f)->call_line;
        return (*f)->fixed_line ? (*f)->fixed_line : (*f)->line;
    }
    return 0;
}

void MacroProcessor::error(const std::string &text) { log_.error(text); }

void MacroProcessor::mlogic(const std::string &text)
{
    const std::string name = current_macro();
    if (options_.mlogic && !name.empty())
        log_.plain("MLOGIC(" + name + "):  " + text);
}

void MacroProcessor::emit(std::string_view text, int line, int column)
{
    if (!captures_.empty())
        captures_.back()->append(text);
    else
        out_->append(text, line, column, current_macro());
}

} // namespace quill::host
