// The DATA step compiler's statements that write out of the step: PUT (to the log or a file) and
// CALL SYMPUT/SYMPUTX (into macro variables).
#include <algorithm>

#include "base/message_text.h"
#include "base/names.h"
#include "language/dataset_reference.h"
#include "language/formats.h"
#include "language/variable_lists.h"
#include "steps/data_step/compiler.h"
#include "steps/data_step/datalines_input.h"
#include "steps/data_step/infile_statement.h"

namespace quill::host {

// PUT <'text'> <variable <=> <format>> <_ALL_> </> <@n> <+n> ...;
bool Compiler::put_statement(size_t &pos, Stmt &s, int &out)
{
    // PUT <'text'> <variable <=> <format>> <_ALL_> </> <@n> <+n> ... ;
    const std::string outer = current_;
    current_ = "PUT";
    std::vector<PutItem> items;
    const auto pointer_amount = [&](PutItem::Kind kind) {
        const Token &n = tokens_[pos + 1];
        if (n.kind != TokenKind::Integer || n.number < 1 || n.number > 32767)
            return expected("a column number from 1 to 32767", pos + 1);
        PutItem item;
        item.kind = kind;
        item.amount = static_cast<long>(n.number);
        items.push_back(item);
        pos += 2;
        return true;
    };
    while (tokens_[pos].kind != TokenKind::Semicolon) {
        const Token &t = tokens_[pos];
        PutItem item;
        if (t.kind == TokenKind::String) {
            item.text = t.text;
            items.push_back(std::move(item));
            ++pos;
            continue;
        }
        if (is_punct(t, '/')) {
            item.kind = PutItem::Kind::NewLine;
            items.push_back(std::move(item));
            ++pos;
            continue;
        }
        if (is_punct(t, '@') || is_punct(t, '+')) {
            if (!pointer_amount(is_punct(t, '@') ? PutItem::Kind::Column : PutItem::Kind::Advance))
                return false;
            continue;
        }
        if (t.kind == TokenKind::Name && upper_case(t.text) == "_ALL_") {
            item.kind = PutItem::Kind::All;
            items.push_back(std::move(item));
            ++pos;
            continue;
        }
        if (t.kind != TokenKind::Name && t.kind != TokenKind::NameLiteral && t.kind != TokenKind::Compound)
            return expected("a variable, a quoted string, _ALL_, /, @n or +n", pos);
        // One variable or array element, never an expression: `put x +3 y` moves the pointer.
        Scope sc = scope();
        std::string message;
        const bool element = t.kind == TokenKind::Name && p_.expressions.find_array(t.text) >= 0;
        const bool parsed = element ? p_.expressions.parse_element(tokens_, pos, tokens_.size(), sc, item.node, message)
                                    : p_.expressions.parse(tokens_, pos, pos + 1, sc, item.node, message);
        if (!parsed) {
            session_.log.error(named(message));
            return false;
        }
        item.kind = PutItem::Kind::Value;
        if (!element)
            item.slot = p_.pdv.find(t.text);
        const bool named = is_punct(tokens_[pos], '=');
        if (named) {
            item.kind = PutItem::Kind::Named;
            ++pos;
        }
        // x 8.2 writes the value in the format's width; x= date9. names it and writes it as the
        // format does, without blanks before it.
        if (named ? format_token_at(tokens_, pos, tokens_.size())
                  : is_punct(tokens_[pos], '$') || tokens_[pos].kind == TokenKind::Format ||
                        tokens_[pos].kind == TokenKind::Number) {
            if (!put_format(pos, item, t))
                return false;
            item.kind = named ? PutItem::Kind::NamedFormatted : PutItem::Kind::Formatted;
        }
        items.push_back(std::move(item));
    }
    ++pos;
    current_ = outer;
    s.kind = StmtKind::Put;
    s.put = static_cast<int>(p_.puts.size());
    p_.puts.push_back(std::move(items));
    out = add_statement(std::move(s));
    return true;
}

// The format after a PUT item, which must write the item's type.
bool Compiler::put_format(size_t &pos, PutItem &item, const Token &variable)
{
    const Token &at = tokens_[pos];
    const size_t format_start = pos;
    std::string message;
    if (!parse_value_format(tokens_, pos, tokens_.size(), false, &session_.formats, item.format, message))
        return error(message.rfind("expected", 0) == 0 ? "Syntax error in the PUT statement: " + message : message, at);
    const bool text_format = item.format.character();
    if (text_format == (p_.expressions.type(item.node) == VarType::Character))
        return true;
    std::string written;
    for (size_t k = format_start; k < pos; ++k)
        written += tokens_[k].source;
    return error("The format " + upper_case(written) +
                     (text_format ? " writes character values, and " + variable.text + " is numeric"
                                  : " writes numbers, and " + variable.text + " is character"),
                 at);
}

bool Compiler::call_statement(size_t &pos, Stmt &s, int &out)
{
    // CALL SYMPUT(name, value);  |  CALL SYMPUTX(name, value <, scope>);
    if (tokens_[pos].kind != TokenKind::Name)
        return error("Statement CALL is not supported in a DATA step by this host", s.at);
    const Token &routine_name = tokens_[pos];
    const std::string routine = upper_case(routine_name.text);
    if (routine == "MISSING" || routine == "SORTN" || routine == "STREAMINIT")
        return call_with_arguments(pos, s, out);
    const size_t most = routine == "SYMPUTX" ? 3 : routine == "SYMPUT" ? 2 : 0;
    if (most == 0)
        return error("The CALL routine " + routine + " is not supported by this host", routine_name);
    ++pos;
    if (pos >= tokens_.size() || !is_punct(tokens_[pos], '('))
        return expected("(", pos);
    std::vector<int> args;
    do {
        ++pos;
        int node = -1;
        if (!expression(pos, node))
            return false;
        args.push_back(node);
    } while (pos < tokens_.size() && is_punct(tokens_[pos], ','));
    if (pos >= tokens_.size() || !is_punct(tokens_[pos], ')'))
        return expected(") or ,", pos);
    ++pos;
    if (args.size() < 2 || args.size() > most)
        return error("CALL " + routine + " takes " + (most == 2 ? "2" : "2 or 3") + " arguments", routine_name);
    if (!end_of_statement(pos))
        return false;
    s.kind = StmtKind::Call;
    s.routine = routine == "SYMPUTX" ? CallRoutine::Symputx : CallRoutine::Symput;
    s.expr = p_.expressions.as_type(args[0], VarType::Character);
    s.expr2 = args[1];
    s.expr3 = args.size() > 2 ? p_.expressions.as_type(args[2], VarType::Character) : -1;
    out = add_statement(std::move(s));
    return true;
}

} // namespace quill::host

namespace quill::host {

bool Compiler::call_with_arguments(size_t &pos, Stmt &s, int &out)
{
    // CALL MISSING(variables);  CALL SORTN(numeric variables);  CALL STREAMINIT(seed);
    // The variables are names, array elements and OF lists (CALL SORTN(OF x1-x5)).
    const Token &routine_name = tokens_[pos];
    const std::string routine = upper_case(routine_name.text);
    ++pos;
    Scope sc = scope();
    std::string message;
    if (!p_.expressions.parse_arguments(tokens_, pos, tokens_.size(), sc, s.arguments, message)) {
        session_.log.error(named(message));
        return false;
    }
    if (!end_of_statement(pos))
        return false;
    s.kind = StmtKind::Call;
    if (routine == "STREAMINIT") {
        if (s.arguments.size() != 1)
            return error("CALL STREAMINIT takes 1 argument, the seed", routine_name);
        s.routine = CallRoutine::Streaminit;
        s.arguments[0] = p_.expressions.as_type(s.arguments[0], VarType::Numeric);
        out = add_statement(std::move(s));
        return true;
    }
    s.routine = routine == "MISSING" ? CallRoutine::Missing : CallRoutine::Sortn;
    if (s.arguments.empty())
        return error("CALL " + routine + " takes at least 1 argument", routine_name);
    for (const int node : s.arguments) {
        const std::vector<int> slots = p_.expressions.named_slots(node);
        if (slots.empty())
            return error("The arguments of CALL " + routine + " must be variables", routine_name);
        if (s.routine == CallRoutine::Sortn && p_.expressions.type(node) != VarType::Numeric)
            return error("The arguments of CALL SORTN must be numeric variables", routine_name);
        for (const int slot : slots)
            p_.pdv.assigned[static_cast<size_t>(slot)] = 1;
    }
    out = add_statement(std::move(s));
    return true;
}

} // namespace quill::host
