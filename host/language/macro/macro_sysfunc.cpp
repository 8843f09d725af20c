#include "language/macro/macro_sysfunc.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "language/expression.h"
#include "language/functions.h"
#include "language/macro/macro_text.h"
#include "language/tokenizer.h"

namespace quill::host {
namespace {

bool reads_as_number(const std::string &text)
{
    if (text.empty())
        return false;
    char *end = nullptr;
    std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size();
}

std::string quoted(const std::string &text)
{
    std::string out = "\"";
    for (const char c : text) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + '"';
}

std::string referenced(const std::string &)
{
    return " referenced by the %SYSFUNC or %QSYSFUNC macro function";
}

// The expression text that calls the function on the arguments as the function takes them.
bool expression_text(const FunctionInfo &f, const std::string &name, const std::string &inner, std::string &text,
                     std::string &error)
{
    std::vector<std::string> args;
    if (!trim_macro_blanks(inner).empty())
        args = split_macro_arguments(inner);
    text = name + "(";
    for (size_t k = 0; k < args.size(); ++k) {
        const std::string a = trim_macro_blanks(args[k]);
        const bool number = reads_as_number(a) || a == ".";
        const VarType wanted = argument_type(f, static_cast<int>(k), number ? VarType::Numeric : VarType::Character);
        if (wanted == VarType::Numeric && !number) {
            error = "Argument " + std::to_string(k + 1) + " to function " + macro_upper(name) + referenced(name) +
                    " is not a number.";
            return false;
        }
        text += (k ? ", " : "") + (wanted == VarType::Numeric ? a : quoted(a));
    }
    text += ")";
    return true;
}

} // namespace

SysfuncResult call_sysfunc(const std::string &call, const std::string &format)
{
    SysfuncResult r;
    const std::string written = trim_macro_blanks(call);
    const size_t name_end = macro_name_end(written, 0);
    const std::string name = written.substr(0, name_end);
    const size_t open = name_end < written.size() && written[name_end] == '(' ? name_end : std::string::npos;
    const FunctionInfo *f = find_function(name);
    if (name.empty() || !f || f->id == fn_put || f->id == fn_input) {
        r.error = "The function " + macro_upper(name.empty() ? written : name) + referenced(name) + " is not found.";
        return r;
    }
    if (open == std::string::npos || written.back() != ')') {
        r.error = "Expected open parenthesis after the function " + macro_upper(name) + referenced(name) + " not found.";
        return r;
    }
    std::string text;
    if (!expression_text(*f, name, written.substr(open + 1, written.size() - open - 2), text, r.error))
        return r;
    if (!trim_macro_blanks(format).empty())
        text = "put(" + text + ", " + trim_macro_blanks(format) + ")";
    std::vector<Token> tokens;
    text += ";";
    Tokenizer tokenizer(text);
    for (Token t = tokenizer.next(); t.kind != TokenKind::End; t = tokenizer.next())
        tokens.push_back(std::move(t));
    ExpressionSet set;
    Scope scope;
    static const Variable none;
    scope.find = [](const std::string &, const Token &) { return -1; };
    scope.variable = [](int) -> const Variable & { return none; };
    size_t pos = 0;
    int node = -1;
    std::string message;
    if (!set.parse(tokens, pos, tokens.size(), scope, node, message) || tokens[pos].kind != TokenKind::Semicolon) {
        r.error = "The call " + written + referenced(name) + " is not valid: " + message;
        return r;
    }
    const Row row;
    if (set.type(node) == VarType::Character) {
        r.value = set.text(node, row);
    } else {
        const double value = set.number(node, row);
        r.value = is_missing(value) ? "." : trim_macro_blanks(best12(value));
    }
    if (!set.events().empty())
        r.warning = "An argument to the function " + macro_upper(name) + referenced(name) + " is out of range.";
    return r;
}

} // namespace quill::host
