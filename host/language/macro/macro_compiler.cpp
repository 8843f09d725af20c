#include "language/macro/macro_compiler.h"

#include <algorithm>
#include <array>

#include "language/macro/macro_text.h"

namespace quill::host {
namespace {

constexpr std::array<std::string_view, 21> statements = {
    "LET", "PUT", "IF", "THEN", "ELSE", "DO", "END", "TO", "BY", "WHILE", "UNTIL", "GLOBAL", "LOCAL",
    "GOTO", "SYMDEL", "MACRO", "MEND", "INCLUDE", "INC", "RETURN", "ABORT"};
constexpr std::array<std::string_view, 32> functions = {
    "EVAL", "SYSEVALF", "SCAN", "QSCAN", "SUBSTR", "QSUBSTR", "UPCASE", "QUPCASE", "LOWCASE",
    "QLOWCASE", "LENGTH", "INDEX", "STR", "NRSTR", "QUOTE", "NRQUOTE", "BQUOTE", "NRBQUOTE", "SUPERQ",
    "UNQUOTE", "SYSFUNC", "QSYSFUNC", "SYMEXIST", "SYMGLOBL", "SYMLOCAL", "LEFT", "QLEFT", "TRIM",
    "QTRIM", "CMPRES", "QCMPRES", "SYSMACEXIST"};

enum class Until { Text, End, Action };

// The position of %word at the top level of text from `at` (before a ';'); npos if none.
size_t find_keyword(std::string_view text, size_t at, std::string_view word)
{
    for (size_t i = at; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ';')
            return std::string_view::npos;
        if (c == '\'' || c == '"') {
            i = after_quoted(text, i) - 1;
        } else if (c == '%' && macro_keyword_at(text, i, word)) {
            return i;
        } else if (c == '%' && i + 1 < text.size() && macro_name_start(text[i + 1])) {
            size_t end = macro_name_end(text, i + 1);
            const std::string name = macro_upper(text.substr(i + 1, end - i - 1));
            const size_t open = skip_macro_blanks(text, end);
            if (is_macro_function(name) && open < text.size() && text[open] == '(') {
                const size_t close = closing_parenthesis(text, open);
                if (close != std::string_view::npos)
                    end = close + 1;
            }
            i = end - 1;
        }
    }
    return std::string_view::npos;
}

class Compiler {
public:
    Compiler(std::string_view text, std::vector<MacroInstruction> &code) : t_(text), code_(code) {}

    bool block(size_t &pos, Until until);
    bool statement(size_t &pos, const std::string &word);
    std::string error;

private:
    int emit(MacroOp op, std::string text = {}, std::string name = {})
    {
        MacroInstruction in;
        in.op = op;
        in.text = std::move(text);
        in.name = std::move(name);
        code_.push_back(std::move(in));
        return static_cast<int>(code_.size()) - 1;
    }
    int here() const { return static_cast<int>(code_.size()); }
    void flush()
    {
        if (!chunk_.empty())
            emit(MacroOp::Text, std::move(chunk_));
        chunk_.clear();
    }
    bool fail(std::string message)
    {
        error = std::move(message);
        return false;
    }
    bool action(size_t &pos);
    bool do_statement(size_t &pos);
    bool iterative_do(size_t &pos, size_t at);
    bool call(size_t &pos, size_t name_end, const std::string &word);
    bool word_at(size_t &pos, Until until, bool &done);

    std::string_view t_;
    std::vector<MacroInstruction> &code_;
    std::string chunk_;
};

bool Compiler::block(size_t &pos, Until until)
{
    while (pos < t_.size()) {
        const char c = t_[pos];
        const char next = pos + 1 < t_.size() ? t_[pos + 1] : '\0';
        if (c == '\'' || c == '"') {
            const size_t end = after_quoted(t_, pos);
            chunk_.append(t_.substr(pos, end - pos));
            pos = end;
        } else if (c == '/' && next == '*') {
            const size_t close = t_.find("*/", pos + 2);
            pos = close == std::string_view::npos ? t_.size() : close + 2;
        } else if (c == ';') {
            // The ';' that ends a %THEN or %ELSE clause is not generated: %STR(x;) or a %DO
            // group generates one.
            if (until != Until::Action)
                chunk_ += ';';
            flush();
            ++pos;
            if (until == Until::Action)
                return true;
        } else if (c == '%' && next == '*') {
            const size_t end = macro_statement_end(t_, pos + 2);
            pos = end == std::string_view::npos ? t_.size() : end + 1;
        } else if (c == '%' && macro_name_start(next)) {
            bool done = false;
            if (!word_at(pos, until, done))
                return false;
            if (done)
                return true;
        } else {
            chunk_ += c;
            ++pos;
        }
    }
    flush();
    if (until == Until::End)
        return fail("There were unclosed %DO statements.");
    return true;
}

// A %word inside a block: a statement, a function left in the text, a label or a macro call.
bool Compiler::word_at(size_t &pos, Until until, bool &done)
{
    const size_t name_end = macro_name_end(t_, pos + 1);
    const std::string word = macro_upper(t_.substr(pos + 1, name_end - pos - 1));
    if (word == "END") {
        if (until != Until::End)
            return fail("There is no matching %DO statement for the %END.");
        flush();
        pos = skip_macro_blanks(t_, name_end);
        if (pos < t_.size() && t_[pos] == ';')
            ++pos;
        done = true;
        return true;
    }
    if (word == "ELSE")
        return fail("There is no matching %IF statement for the %ELSE.");
    if (is_macro_statement(word)) {
        flush();
        if (!statement(pos, word))
            return false;
        done = until == Until::Action;
        return true;
    }
    if (is_macro_function(word)) {
        size_t end = name_end;
        const size_t open = skip_macro_blanks(t_, name_end);
        if (open < t_.size() && t_[open] == '(') {
            const size_t close = closing_parenthesis(t_, open);
            if (close == std::string_view::npos)
                return fail("Expected close parenthesis after macro function invocation not found.");
            end = close + 1;
        }
        chunk_.append(t_.substr(pos, end - pos));
        pos = end;
        return true;
    }
    if (name_end < t_.size() && t_[name_end] == ':') {
        flush();
        emit(MacroOp::Label, {}, word);
        pos = name_end + 1;
        return true;
    }
    flush();
    return call(pos, name_end, word);
}

bool Compiler::call(size_t &pos, size_t name_end, const std::string &word)
{
    const int at = emit(MacroOp::Call, {}, word);
    const size_t open = skip_macro_blanks(t_, name_end);
    pos = name_end;
    if (open < t_.size() && t_[open] == '(') {
        const size_t close = closing_parenthesis(t_, open);
        if (close == std::string_view::npos)
            return fail("Expected close parenthesis after macro invocation of " + word + " not found.");
        code_[static_cast<size_t>(at)].text = std::string(t_.substr(open + 1, close - open - 1));
        code_[static_cast<size_t>(at)].extra.assign(1, '(');
        pos = close + 1;
    }
    return true;
}

// The %THEN or %ELSE clause: a %DO; group, one macro statement, or text through its ';'.
bool Compiler::action(size_t &pos)
{
    const size_t p = skip_macro_blanks(t_, pos);
    if (macro_keyword_at(t_, p, "DO")) {
        const size_t semicolon = skip_macro_blanks(t_, p + 3);
        if (semicolon < t_.size() && t_[semicolon] == ';') {
            pos = semicolon + 1;
            return block(pos, Until::End);
        }
    }
    return block(pos, Until::Action);
}

bool Compiler::statement(size_t &pos, const std::string &word)
{
    const size_t after = pos + 1 + word.size();
    if (word == "IF") {
        const size_t then = find_keyword(t_, after, "THEN");
        if (then == std::string_view::npos)
            return fail("Expected %THEN statement not found.");
        const int test = emit(MacroOp::If, trim_macro_blanks(t_.substr(after, then - after)));
        pos = then + 5;
        if (!action(pos))
            return false;
        const size_t p = skip_macro_blanks(t_, pos);
        if (!macro_keyword_at(t_, p, "ELSE")) {
            code_[static_cast<size_t>(test)].target = here();
            return true;
        }
        const int jump = emit(MacroOp::Jump);
        code_[static_cast<size_t>(test)].target = here();
        pos = p + 5;
        if (!action(pos))
            return false;
        code_[static_cast<size_t>(jump)].target = here();
        return true;
    }
    if (word == "DO") {
        pos = after;
        return do_statement(pos);
    }
    static const std::pair<std::string_view, MacroOp> simple[] = {
        {"LET", MacroOp::Let}, {"PUT", MacroOp::Put}, {"GLOBAL", MacroOp::Global}, {"LOCAL", MacroOp::Local},
        {"SYMDEL", MacroOp::Symdel}, {"INCLUDE", MacroOp::Include}, {"INC", MacroOp::Include},
        {"GOTO", MacroOp::Goto}, {"RETURN", MacroOp::Return}, {"ABORT", MacroOp::Return}};
    for (const auto &[name, op] : simple)
        if (word == name) {
            const size_t end = macro_statement_end(t_, after);
            const size_t stop = end == std::string_view::npos ? t_.size() : end;
            emit(op, std::string(t_.substr(after, stop - after)));
            pos = end == std::string_view::npos ? t_.size() : end + 1;
            return true;
        }
    if (word == "MACRO")
        return fail("A %MACRO definition inside another is not supported by this host.");
    return fail("The %" + word + " statement is not valid here.");
}

bool Compiler::do_statement(size_t &pos)
{
    const size_t p = skip_macro_blanks(t_, pos);
    if (p < t_.size() && t_[p] == ';') {
        pos = p + 1;
        return block(pos, Until::End);
    }
    const bool is_while = macro_keyword_at(t_, p, "WHILE");
    if (!is_while && !macro_keyword_at(t_, p, "UNTIL"))
        return iterative_do(pos, p);
    const size_t open = skip_macro_blanks(t_, p + 6);
    const size_t close = open < t_.size() && t_[open] == '(' ? closing_parenthesis(t_, open) : std::string_view::npos;
    if (close == std::string_view::npos)
        return fail(std::string("The condition of %DO ") + (is_while ? "%WHILE" : "%UNTIL") + " needs parentheses.");
    const size_t semicolon = skip_macro_blanks(t_, close + 1);
    if (semicolon >= t_.size() || t_[semicolon] != ';')
        return fail("Expected semicolon not found in the %DO statement.");
    const std::string condition(t_.substr(open + 1, close - open - 1));
    pos = semicolon + 1;
    const int top = here();
    if (is_while) {
        const int test = emit(MacroOp::WhileTest, condition);
        if (!block(pos, Until::End))
            return false;
        code_[static_cast<size_t>(emit(MacroOp::Jump))].target = top;
        code_[static_cast<size_t>(test)].target = here();
        return true;
    }
    if (!block(pos, Until::End))
        return false;
    code_[static_cast<size_t>(emit(MacroOp::UntilTest, condition))].target = top;
    return true;
}

// %DO index = start %TO stop <%BY step>;
bool Compiler::iterative_do(size_t &pos, size_t at)
{
    const size_t equals = t_.find('=', at);
    const size_t end = macro_statement_end(t_, at);
    if (equals == std::string_view::npos || end == std::string_view::npos || equals > end)
        return fail("Expected equal sign not found in the %DO statement.");
    const size_t to = find_keyword(t_, equals + 1, "TO");
    if (to == std::string_view::npos)
        return fail("Expected %TO not found in %DO statement.");
    const size_t by = find_keyword(t_, to + 3, "BY");
    MacroInstruction init;
    init.op = MacroOp::DoInit;
    init.name = trim_macro_blanks(t_.substr(at, equals - at));
    init.text = std::string(t_.substr(equals + 1, to - equals - 1));
    init.extra = std::string(t_.substr(to + 3, (by == std::string_view::npos ? end : by) - to - 3));
    init.extra2 = by == std::string_view::npos ? "1" : std::string(t_.substr(by + 3, end - by - 3));
    code_.push_back(init);
    const int loop = here() - 1;
    const int test = emit(MacroOp::DoTest, {}, init.name);
    code_[static_cast<size_t>(test)].loop = loop;
    pos = end + 1;
    if (!block(pos, Until::End))
        return false;
    const int step = emit(MacroOp::DoStep, {}, init.name);
    code_[static_cast<size_t>(step)].loop = loop;
    code_[static_cast<size_t>(step)].target = test;
    code_[static_cast<size_t>(test)].target = here();
    return true;
}

} // namespace

bool is_macro_statement(std::string_view name)
{
    return std::find(statements.begin(), statements.end(), name) != statements.end();
}

bool is_macro_function(std::string_view name)
{
    return std::find(functions.begin(), functions.end(), name) != functions.end();
}

bool compile_macro_body(std::string_view body, std::vector<MacroInstruction> &code, std::string &error)
{
    Compiler compiler(body, code);
    size_t pos = 0;
    if (compiler.block(pos, Until::Text))
        return true;
    error = compiler.error;
    return false;
}

bool compile_macro_statement(std::string_view text, size_t at, std::vector<MacroInstruction> &code, size_t &end,
                             std::string &error)
{
    Compiler compiler(text, code);
    const size_t name_end = macro_name_end(text, at + 1);
    end = at;
    if (!compiler.statement(end, macro_upper(text.substr(at + 1, name_end - at - 1)))) {
        error = compiler.error;
        return false;
    }
    return true;
}

} // namespace quill::host
