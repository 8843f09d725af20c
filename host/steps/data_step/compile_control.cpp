// The DATA step compiler's control flow: assignments and sum statements, IF-THEN-ELSE, DO loops
// and groups, SELECT, OUTPUT and the statements that hold no others.
#include <algorithm>

#include "base/message_text.h"
#include "base/names.h"
#include "language/dataset_reference.h"
#include "language/variable_lists.h"
#include "steps/data_step/compiler.h"
#include "steps/data_step/datalines_input.h"
#include "steps/data_step/infile_statement.h"

namespace quill::host {

// The statements that hold no others, after their keyword.
bool Compiler::output_statement(size_t &pos, Stmt &s, int &out)
{
    // OUTPUT <data set ...> ;  (none named: every data set of the DATA statement)
    s.kind = StmtKind::Output;
    p_.has_output_statement = true;
    for (; pos < tokens_.size() && tokens_[pos].kind != TokenKind::Semicolon; ++pos) {
        int found = -1;
        for (size_t k = 0; k < p_.outputs.size(); ++k) {
            const std::string written = tokens_[pos].kind == TokenKind::Compound ? tokens_[pos].text :
                                                                                 "WORK." + tokens_[pos].text;
            if (same_name(p_.outputs[k].ref.name.display, written))
                found = static_cast<int>(k);
        }
        if (found < 0)
            return error("OUTPUT names " + quoted_excerpt(tokens_[pos].source) +
                             ", which is not a data set of the DATA statement",
                         tokens_[pos]);
        s.outputs.push_back(found);
    }
    ++pos;
    out = add_statement(std::move(s));
    return true;
}

bool Compiler::jump_statement(size_t &pos, Stmt &s, int &out)
{
    // DELETE ;  |  STOP ;  |  RETURN ;  |  LEAVE ;  |  CONTINUE ;  (the last two inside a DO loop)
    static const std::pair<const char *, StmtKind> jumps[] = {{"DELETE", StmtKind::Delete},
                                                              {"STOP", StmtKind::Stop},
                                                              {"LEAVE", StmtKind::Leave},
                                                              {"CONTINUE", StmtKind::Continue},
                                                              {"RETURN", StmtKind::Return}};
    const std::string keyword = upper_case(s.at.text);
    for (const auto &[word, kind] : jumps)
        if (keyword == word)
            s.kind = kind;
    if (!end_of_statement(pos))
        return false;
    if ((s.kind == StmtKind::Leave || s.kind == StmtKind::Continue) && loop_depth_ == 0)
        return error(keyword + " is not inside a DO loop", s.at);
    out = add_statement(std::move(s));
    return true;
}

bool Compiler::misplaced_statement(size_t &, Stmt &s, int &)
{
    // ELSE, END, WHEN and OTHERWISE belong to IF, DO and SELECT: reached here, they follow none.
    const std::string keyword = upper_case(s.at.text);
    if (keyword == "ELSE")
        return error("ELSE does not follow an IF-THEN statement", s.at);
    return error(keyword + " does not close a DO or SELECT", s.at);
}

// name{subscript} = expression; or the sum statement name{subscript} + expression; the
// element is chosen as the statement runs.
bool Compiler::element_assignment(size_t &pos, Stmt &s, int &out)
{
    // array{subscript} = expression ;  |  array{subscript} + expression ;
    const std::string outer = current_;
    current_ = "assignment";
    Scope sc = scope();
    std::string message;
    int element = -1, value = -1;
    if (!p_.expressions.parse_element(tokens_, pos, tokens_.size(), sc, element, message)) {
        session_.log.error(named(message));
        return false;
    }
    const bool sum = is_punct(tokens_[pos], '+');
    if (!sum && !is_punct(tokens_[pos], '='))
        return expected("= or +", pos);
    ++pos;
    if (sum)
        current_ = "sum";
    if (!(sum ? condition(pos, value) : expression(pos, value)) || !end_of_statement(pos))
        return false;
    current_ = outer;
    const ArrayDef &array = p_.expressions.array(p_.expressions.find_array(s.at.text));
    if (sum && array.type != VarType::Numeric)
        return error("The sum statement needs a numeric variable; the array " + array.name + " is character", s.at);
    for (int slot : array.slots) {
        const size_t k = static_cast<size_t>(slot);
        p_.pdv.assigned[k] = 1;
        if (!sum)
            continue;
        // Any element may be the one summed: each is retained and starts at 0 unless given a value.
        p_.pdv.retained[k] = 1;
        if (is_missing(p_.pdv.initial[k]))
            p_.pdv.initial[k] = 0;
    }
    s.kind = sum ? StmtKind::Sum : StmtKind::Assign;
    s.element = element;
    s.expr = sum ? value : p_.expressions.as_type(value, array.type);
    out = add_statement(std::move(s));
    return true;
}

// IF expression; or IF expression THEN statement <ELSE statement>. A chain of ELSE IF is read
// in a loop, not by recursion, so that its length costs no stack here or when it runs.
bool Compiler::if_statement(size_t &pos, Stmt &s, int &out)
{
    // IF condition ;  |  IF condition THEN statement <ELSE statement>
    std::vector<Stmt> chain; // the IF, then each ELSE IF
    for (;;) {
        if (!condition(pos, s.expr))
            return false;
        if (pos < tokens_.size() && tokens_[pos].kind == TokenKind::Semicolon) {
            ++pos;
            s.kind = StmtKind::SubsetIf;
            break;
        }
        if (pos >= tokens_.size() || !is_word(tokens_[pos], "THEN"))
            return expected("THEN", pos);
        ++pos;
        s.kind = StmtKind::If;
        if (!branch(pos, s.then_branch))
            return false;
        if (pos >= tokens_.size() || !is_word(tokens_[pos], "ELSE"))
            break;
        ++pos;
        if (!starts_if(pos)) {
            if (!branch(pos, s.else_branch))
                return false;
            break;
        }
        chain.push_back(std::move(s));
        s = Stmt{};
        s.at = tokens_[pos++];
    }
    // Added innermost first, as a recursive reading adds them.
    out = add_statement(std::move(s));
    for (auto link = chain.rbegin(); link != chain.rend(); ++link) {
        link->else_branch = out;
        out = add_statement(std::move(*link));
    }
    return true;
}

// The IF statement starts at `pos`: not a variable or an array named IF.
bool Compiler::starts_if(size_t pos) const
{
    return is_word(tokens_[pos], "IF") && pos + 1 < tokens_.size() && !is_punct(tokens_[pos + 1], '=') &&
           p_.expressions.find_array("IF") < 0;
}

// name = expression;
bool Compiler::assignment_statement(size_t &pos, Stmt &s, int &out)
{
    // variable = expression ;
    pos += 2;
    int value = -1;
    if (!expression(pos, value) || !end_of_statement(pos))
        return false;
    s.kind = StmtKind::Assign;
    s.target = target(s.at, value);
    s.expr = p_.expressions.as_type(value, p_.pdv.variables[static_cast<size_t>(s.target)].type);
    out = add_statement(std::move(s));
    return true;
}

// The sum statement: total + x; total starts at 0, is retained and ignores missing x.
bool Compiler::sum_statement(size_t &pos, Stmt &s, int &out)
{
    // variable + expression ;
    const Token &first = s.at;
    pos += 2;
    int value = -1;
    if (!condition(pos, value) || !end_of_statement(pos))
        return false;
    s.kind = StmtKind::Sum;
    s.target = p_.pdv.find(first.text);
    if (s.target < 0) {
        s.target = p_.pdv.add(first.text, VarType::Numeric, number_length);
        p_.pdv.initial[static_cast<size_t>(s.target)] = 0;
    }
    if (p_.pdv.variables[static_cast<size_t>(s.target)].type != VarType::Numeric)
        return error("The sum statement needs a numeric variable; " + first.text + " is character", first);
    p_.pdv.retained[static_cast<size_t>(s.target)] = 1;
    p_.pdv.assigned[static_cast<size_t>(s.target)] = 1;
    if (is_missing(p_.pdv.initial[static_cast<size_t>(s.target)]))
        p_.pdv.initial[static_cast<size_t>(s.target)] = 0;
    s.expr = value;
    out = add_statement(std::move(s));
    return true;
}

// The statement after THEN or ELSE.
bool Compiler::branch(size_t &pos, int &out)
{
    if (pos >= tokens_.size())
        return expected("a statement", pos);
    if (!statement(pos, out))
        return false;
    if (out < 0) {
        Stmt nothing;
        out = add_statement(std::move(nothing));
    }
    return true;
}

// Statements up to the END that closes a DO or SELECT.
bool Compiler::block(size_t &pos, const Token &opening, std::vector<int> &children)
{
    while (pos < tokens_.size()) {
        if (is_word(tokens_[pos], "END") && pos + 1 < tokens_.size() &&
            tokens_[pos + 1].kind == TokenKind::Semicolon) {
            pos += 2;
            return true;
        }
        int s = -1;
        if (!statement(pos, s))
            return false;
        if (s >= 0)
            children.push_back(s);
    }
    return error(upper_case(opening.text) + " has no END", opening);
}

bool Compiler::parenthesised(size_t &pos, int &node)
{
    if (!is_punct(tokens_[pos], '('))
        return expected("(", pos);
    return condition(pos, node); // the parentheses belong to the expression
}

bool Compiler::do_list(size_t &pos, Stmt &s)
{
    // index = item <, item ...>, an item start <TO stop <BY step>> <WHILE (condition) | UNTIL (condition)>.
    // The index is character when every item is a single text value, else numeric.
    const Token &index = tokens_[pos];
    if ((index.kind != TokenKind::Name && index.kind != TokenKind::NameLiteral) || !is_punct(tokens_[pos + 1], '='))
        return expected("WHILE, UNTIL, ; or an index variable and =", pos);
    pos += 2;
    s.kind = StmtKind::DoRange;
    bool text = true;
    size_t length = 1;
    do {
        DoItem item;
        if (!expression(pos, item.start))
            return false;
        if (is_word(tokens_[pos], "TO")) {
            ++pos;
            if (!condition(pos, item.stop))
                return false;
            if (is_word(tokens_[pos], "BY")) {
                ++pos;
                if (!condition(pos, item.by))
                    return false;
            }
        }
        if (is_word(tokens_[pos], "WHILE") || is_word(tokens_[pos], "UNTIL")) {
            item.until = is_word(tokens_[pos], "UNTIL");
            ++pos;
            if (!parenthesised(pos, item.condition))
                return false;
        }
        text = text && item.stop < 0 && p_.expressions.type(item.start) == VarType::Character;
        length = std::max(length, p_.expressions.length(item.start));
        s.items.push_back(item);
    } while (is_punct(tokens_[pos], ',') && ++pos);
    if (!end_of_statement(pos))
        return false;
    const VarType type = text ? VarType::Character : VarType::Numeric;
    s.target = p_.pdv.find(index.text);
    if (s.target < 0)
        s.target = p_.pdv.add(index.text, type, text ? length : number_length);
    const VarType declared = p_.pdv.variables[static_cast<size_t>(s.target)].type;
    if (declared == VarType::Character && !text)
        return error("The DO loop index " + index.text + " is character", index);
    for (DoItem &item : s.items)
        item.start = p_.expressions.as_type(item.start, declared);
    p_.pdv.assigned[static_cast<size_t>(s.target)] = 1;
    return true;
}

bool Compiler::do_statement(size_t &pos, Stmt &s, int &out)
{
    // DO ; ... END ;  |  DO WHILE (condition) ; ... END ;  |  DO UNTIL (condition) ; ... END ;
    //   |  DO index = item <, item ...> ; ... END ;
    if (tokens_[pos].kind == TokenKind::Semicolon) {
        ++pos;
        s.kind = StmtKind::Block;
        if (!block(pos, s.at, s.children))
            return false;
        out = add_statement(std::move(s));
        return true;
    }
    if (is_word(tokens_[pos], "WHILE") || is_word(tokens_[pos], "UNTIL")) {
        s.kind = is_word(tokens_[pos], "WHILE") ? StmtKind::DoWhile : StmtKind::DoUntil;
        ++pos;
        if (!parenthesised(pos, s.expr) || !end_of_statement(pos))
            return false;
    } else if (!do_list(pos, s)) {
        return false;
    }
    ++loop_depth_;
    const bool ok = block(pos, s.at, s.children);
    --loop_depth_;
    if (!ok)
        return false;
    out = add_statement(std::move(s));
    return true;
}

// SELECT <(expression)>; WHEN (values) statement; ... <OTHERWISE statement;> END;
bool Compiler::select_statement(size_t &pos, Stmt &s, int &out)
{
    // SELECT <(expression)> ; WHEN (values) statement ... <OTHERWISE statement> END ;
    s.kind = StmtKind::Select;
    if (is_punct(tokens_[pos], '(')) {
        if (!expression(pos, s.expr))
            return false;
    }
    if (!end_of_statement(pos))
        return false;
    for (;;) {
        if (pos >= tokens_.size())
            return error("SELECT has no END", s.at);
        const Token &at = tokens_[pos];
        if (is_word(at, "END")) {
            ++pos;
            if (!end_of_statement(pos))
                return false;
            break;
        }
        if (is_word(at, "OTHERWISE")) {
            ++pos;
            if (!branch(pos, s.else_branch))
                return false;
            continue;
        }
        if (!is_word(at, "WHEN"))
            return expected("WHEN, OTHERWISE or END in the SELECT group", pos);
        ++pos;
        if (!is_punct(tokens_[pos], '('))
            return expected("(", pos);
        ++pos;
        std::vector<int> values;
        for (;;) {
            int value = -1;
            if (!expression(pos, value))
                return false;
            if (s.expr >= 0)
                value = p_.expressions.as_type(value, p_.expressions.type(s.expr));
            else
                value = p_.expressions.as_type(value, VarType::Numeric);
            values.push_back(value);
            if (is_punct(tokens_[pos], ',')) {
                ++pos;
                continue;
            }
            if (!is_punct(tokens_[pos], ')'))
                return expected(", or )", pos);
            ++pos;
            break;
        }
        int then = -1;
        if (!branch(pos, then))
            return false;
        s.when_values.push_back(std::move(values));
        s.children.push_back(then);
    }
    out = add_statement(std::move(s));
    return true;
}

} // namespace quill::host
