// The expression parser (SAS precedence, lowest first: OR, AND, comparisons and IN, ||, + -,
// * /, then prefix - + NOT and ** evaluated right to left) and the evaluator.
#include "language/expression.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/message_text.h"
#include "base/names.h"
#include "base/number_text.h"
#include "language/variable_lists.h"
#include "language/functions.h"
#include "language/probability.h"

namespace quill::host {

std::string at_place(const std::string &message, const Token &at)
{
    // A message that is a sentence of its own loses its full stop to the place.
    const std::string text = !message.empty() && message.back() == '.' ? message.substr(0, message.size() - 1) : message;
    return text + " at line " + std::to_string(at.line) + " column " + std::to_string(at.column) + ".";
}

std::string best12(double value)
{
    const std::string text = best_text(value, 12);
    return std::string(12 - std::min<size_t>(12, text.size()), ' ') + text;
}

namespace {

bool name_is(const Token &t, const char *word) { return t.kind == TokenKind::Name && same_name(t.text, word); }

std::string_view rtrim(std::string_view s)
{
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

} // namespace

int compare_text(std::string_view a, std::string_view b)
{
    a = rtrim(a);
    b = rtrim(b);
    const size_t n = std::min(a.size(), b.size());
    const int c = std::memcmp(a.data(), b.data(), n);
    if (c != 0 || a.size() == b.size())
        return c;
    // The longer value's next character against a blank.
    const unsigned char next = static_cast<unsigned char>(a.size() > n ? a[n] : b[n]);
    const int sign = next < ' ' ? -1 : 1;
    return a.size() > n ? sign : -sign;
}

namespace {

// Missing is smaller than every number and equal to itself.
int compare_number(double a, double b)
{
    const bool ma = is_missing(a), mb = is_missing(b);
    if (ma || mb)
        return ma && mb ? 0 : ma ? -1 : 1;
    return a < b ? -1 : a > b ? 1 : 0;
}

} // namespace

class ExpressionParser {
public:
    ExpressionParser(ExpressionSet &set, const std::vector<Token> &t, size_t end, Scope &scope)
        : set_(set), t_(t), end_(end), scope_(scope)
    {
    }

    bool parse(size_t &pos, int &node, std::string &error)
    {
        pos_ = pos;
        node = logical_or();
        if (node < 0) {
            error = error_;
            return false;
        }
        pos = pos_;
        return true;
    }

    bool parse_arguments(size_t &pos, std::vector<int> &nodes, std::string &error)
    {
        pos_ = pos;
        if (!arguments(nodes, "the CALL routine")) {
            error = error_;
            return false;
        }
        pos = pos_;
        return true;
    }

    bool parse_element(size_t &pos, int &node, std::string &error)
    {
        pos_ = pos;
        node = element();
        if (node < 0) {
            error = error_;
            return false;
        }
        pos = pos_;
        return true;
    }

private:
    using Node = ExpressionSet::Node;

    bool more() const { return pos_ < end_ && t_[pos_].kind != TokenKind::Semicolon; }
    const Token &here() const { return t_[std::min(pos_, end_ > 0 ? end_ - 1 : 0)]; }
    bool punct(char c, size_t ahead = 0) const
    {
        return pos_ + ahead < end_ && is_punct(t_[pos_ + ahead], c);
    }
    bool operator_here(std::string_view two) const { return pos_ < end_ && is_operator(t_[pos_], two); }
    [[gnu::noinline]] int fail(const std::string &message)
    {
        if (error_.empty()) {
            const Token &at = pos_ < end_ ? t_[pos_] : t_[end_ - 1];
            const std::string found = pos_ < end_ && at.kind != TokenKind::Semicolon ?
                                          "found " + quoted_excerpt(at.source) :
                                          "found the end of the statement";
            error_ = at_place("Syntax error: " + message + ", " + found, at);
        }
        return -1;
    }

    // Nodes are built in functions of their own, called once the operands are parsed: their
    // locals stay out of the frames the parser's recursion stacks up (the sanitizer build makes
    // each local a large one).
    [[gnu::noinline]] int binary(Op op, int a, int b, const Token &at, VarType operands)
    {
        set_.at_ = &at;
        Node n;
        n.line = at.line;
        n.column = at.column;
        n.op = op;
        n.a = set_.as_type(a, operands);
        n.b = set_.as_type(b, operands);
        n.type = op == Op::Concat ? VarType::Character : VarType::Numeric;
        if (op == Op::Concat)
            n.length = std::min<size_t>(32767, set_.length(a) + set_.length(b));
        if (op >= Op::Add && op <= Op::Pow)
            n.place = set_.place(at);
        const int node = set_.add(std::move(n));
        if (set_.depth(node) > max_expression_depth) {
            if (error_.empty())
                error_ = at_place("The expression is too long: its chain of operators is more than " +
                                      std::to_string(max_expression_depth) + " deep",
                                  at);
            return -1;
        }
        return node;
    }

    int logical_or()
    {
        int left = logical_and();
        while (left >= 0 && more() && (punct('|') || name_is(t_[pos_], "OR"))) {
            const Token &at = t_[pos_++];
            const int right = logical_and();
            if (right < 0)
                return -1;
            left = binary(Op::Or, left, right, at, VarType::Numeric);
        }
        return left;
    }

    int logical_and()
    {
        int left = comparison();
        while (left >= 0 && more() && (punct('&') || name_is(t_[pos_], "AND"))) {
            const Token &at = t_[pos_++];
            const int right = comparison();
            if (right < 0)
                return -1;
            left = binary(Op::And, left, right, at, VarType::Numeric);
        }
        return left;
    }

    // The comparison operator at pos_; false when there is none.
    bool comparison_operator(Op &op) const
    {
        if (!more())
            return false;
        const Token &t = t_[pos_];
        if (t.kind == TokenKind::Name) {
            static const std::pair<const char *, Op> words[] = {{"EQ", Op::Eq}, {"NE", Op::Ne}, {"LT", Op::Lt},
                                                                {"LE", Op::Le}, {"GT", Op::Gt}, {"GE", Op::Ge}};
            for (const auto &[word, o] : words)
                if (name_is(t, word)) {
                    op = o;
                    return true;
                }
            return false;
        }
        if (operator_here("^=") || operator_here("~=") || (scope_.where && operator_here("<>")))
            op = Op::Ne;
        else if (operator_here("<="))
            op = Op::Le;
        else if (operator_here(">="))
            op = Op::Ge;
        else if (punct('='))
            op = Op::Eq;
        else if (punct('<'))
            op = Op::Lt;
        else if (punct('>'))
            op = Op::Gt;
        else
            return false;
        return true;
    }

    int compare_nodes(Op op, int left, int right, const Token &at)
    {
        const bool text = set_.type(left) == VarType::Character && set_.type(right) == VarType::Character;
        return binary(op, left, right, at, text ? VarType::Character : VarType::Numeric);
    }

    int comparison()
    {
        int left = concatenation();
        int result = -1, previous = -1;
        while (left >= 0 && more()) {
            Op op;
            bool negate = false;
            if (name_is(t_[pos_], "IN") || (name_is(t_[pos_], "NOT") && pos_ + 1 < end_ && name_is(t_[pos_ + 1], "IN"))) {
                negate = name_is(t_[pos_], "NOT");
                const Token &at = t_[pos_];
                pos_ += negate ? 2 : 1;
                int in = in_list(left, at);
                if (in < 0)
                    return -1;
                if (negate)
                    in = prefix_node(Op::Not, in, at);
                return result < 0 ? in : binary(Op::And, result, in, at, VarType::Numeric);
            }
            if (!comparison_operator(op))
                break;
            const Token &at = t_[pos_++];
            const int right = concatenation();
            if (right < 0)
                return -1;
            // a < b < c means a < b and b < c.
            const int cmp = compare_nodes(op, previous < 0 ? left : previous, right, at);
            result = cmp < 0 || result < 0 ? cmp : binary(Op::And, result, cmp, at, VarType::Numeric);
            if (result < 0)
                return -1;
            previous = right;
        }
        return result >= 0 ? result : left;
    }

    [[gnu::noinline]] int in_list(int left, const Token &at)
    {
        if (!punct('('))
            return fail("expected ( after IN");
        ++pos_;
        Node n;
        n.op = Op::In;
        n.a = left;
        std::vector<int> items;
        while (more() && !punct(')')) {
            if (punct(',')) {
                ++pos_;
                continue;
            }
            bool minus = false;
            if (punct('-')) {
                minus = true;
                ++pos_;
            }
            const Token &v = here();
            int item = -1;
            if (!more())
                break;
            if (v.kind == TokenKind::Integer || v.kind == TokenKind::Number || v.kind == TokenKind::Missing ||
                v.kind == TokenKind::Date) {
                Node c;
                c.value = v.kind == TokenKind::Missing ? missing_value() : minus ? -v.number : v.number;
                item = set_.add(std::move(c));
            } else if (v.kind == TokenKind::String && !minus) {
                Node c;
                c.op = Op::Text;
                c.type = VarType::Character;
                c.constant = v.text;
                c.length = std::max<size_t>(1, v.text.size());
                item = set_.add(std::move(c));
            } else {
                return fail("expected a constant in the IN list");
            }
            ++pos_;
            items.push_back(item);
        }
        if (!punct(')'))
            return fail("expected ) to close the IN list");
        ++pos_;
        if (items.empty())
            return fail("expected a value in the IN list");
        const VarType type = set_.type(left);
        n.a = left;
        n.first = static_cast<int>(set_.args_.size());
        n.count = static_cast<int>(items.size());
        for (int item : items)
            set_.args_.push_back(set_.as_type(item, type));
        (void)at;
        return set_.add(std::move(n));
    }

    int concatenation()
    {
        int left = additive();
        while (left >= 0 && (operator_here("||") || operator_here("!!"))) {
            const Token &at = t_[pos_++];
            const int right = additive();
            if (right < 0)
                return -1;
            left = binary(Op::Concat, left, right, at, VarType::Character);
        }
        return left;
    }

    int additive()
    {
        int left = multiplicative();
        while (left >= 0 && (punct('+') || punct('-'))) {
            const Token &at = t_[pos_++];
            const int right = multiplicative();
            if (right < 0)
                return -1;
            left = binary(is_punct(at, '+') ? Op::Add : Op::Sub, left, right, at, VarType::Numeric);
        }
        return left;
    }

    int multiplicative()
    {
        int left = unary();
        while (left >= 0 && (punct('*') || punct('/'))) {
            const Token &at = t_[pos_++];
            const int right = unary();
            if (right < 0)
                return -1;
            left = binary(is_punct(at, '*') ? Op::Mul : Op::Div, left, right, at, VarType::Numeric);
        }
        return left;
    }

    // Every nested expression (in parentheses, arguments, subscripts, after a prefix operator
    // or **) is reached through here, so this counts the parser's levels of recursion.
    int unary()
    {
        if (!more())
            return fail("expected an expression");
        if (nesting_ > max_expression_nesting)
            return fail_nested();
        ++nesting_;
        const int node = unary_operand();
        --nesting_;
        return node;
    }

    [[gnu::noinline]] int prefix_node(Op op, int operand, const Token &at)
    {
        Node n;
        n.line = at.line;
        n.column = at.column;
        n.op = op;
        n.a = operand;
        if (op == Op::Neg)
            n.place = set_.place(at);
        return set_.add(std::move(n));
    }

    [[gnu::noinline]] int fail_nested()
    {
        if (error_.empty())
            error_ = at_place("The expression is nested more than " + std::to_string(max_expression_nesting) + " levels deep",
                              t_[pos_]);
        return -1;
    }

    int unary_operand()
    {
        if (punct('-') || punct('+') || punct('^') || punct('~') || name_is(t_[pos_], "NOT")) {
            const Token &at = t_[pos_++];
            const int operand = unary();
            if (operand < 0)
                return -1;
            if (is_punct(at, '+'))
                return set_.as_type(operand, VarType::Numeric);
            return prefix_node(is_punct(at, '-') ? Op::Neg : Op::Not, set_.as_type(operand, VarType::Numeric), at);
        }
        // **, <> (the larger) and >< (the smaller) bind tightest, from right to left.
        const int base = primary();
        const bool extreme = !scope_.where && (operator_here("<>") || operator_here("><"));
        if (base < 0 || !(operator_here("**") || extreme))
            return base;
        const Token &at = t_[pos_++];
        const int right = unary();
        if (right < 0)
            return -1;
        const Op op = at.text == "**" ? Op::Pow : at.text == "<>" ? Op::Max : Op::Min;
        return binary(op, base, right, at, VarType::Numeric);
    }

    int primary()
    {
        if (!more())
            return fail("expected an expression");
        const Token &t = t_[pos_];
        set_.at_ = &t;
        if (t.kind == TokenKind::Name && set_.find_array(t.text) >= 0)
            return element();
        if (t.kind == TokenKind::Name && punct('(', 1))
            return call();
        if (punct('(')) {
            ++pos_;
            const int inner = logical_or();
            if (inner < 0)
                return -1;
            if (!punct(')'))
                return fail("expected )");
            ++pos_;
            return inner;
        }
        return operand(t);
    }

    // A constant or a variable.
    [[gnu::noinline]] int operand(const Token &t)
    {
        Node n;
        switch (t.kind) {
        case TokenKind::Integer:
        case TokenKind::Number:
        case TokenKind::Date:
        case TokenKind::Time:
        case TokenKind::Datetime:
            ++pos_;
            n.value = t.number;
            return set_.add(std::move(n));
        case TokenKind::Missing:
            ++pos_;
            n.value = missing_value();
            return set_.add(std::move(n));
        case TokenKind::String:
            ++pos_;
            n.op = Op::Text;
            n.type = VarType::Character;
            n.constant = t.text;
            n.length = std::max<size_t>(1, t.text.size());
            return set_.add(std::move(n));
        case TokenKind::Name:
        case TokenKind::NameLiteral: {
            static const char *const reserved[] = {"AND", "OR", "NOT", "EQ", "NE", "LT", "LE", "GT", "GE", "IN"};
            for (const char *word : reserved)
                if (t.kind == TokenKind::Name && name_is(t, word))
                    return fail("expected an operand");
        }
            [[fallthrough]];
        case TokenKind::Compound: // FIRST.x and LAST.x
            ++pos_;
            n.op = Op::Var;
            n.slot = scope_.find(t.text, t);
            if (n.slot < 0)
                return fail_unknown(t);
            n.type = scope_.variable(n.slot).type;
            n.length = n.type == VarType::Character ? scope_.variable(n.slot).length : number_length;
            return set_.add(std::move(n));
        default: return fail("expected an operand");
        }
    }

    int fail_unknown(const Token &t)
    {
        if (error_.empty())
            error_ = at_place("Variable " + t.text + " is not on the data set", t);
        return -1;
    }

public:
    // name{subscript}, name[subscript] or name(subscript), where name is an array.
    int element()
    {
        const Token &name = t_[pos_++];
        const int id = set_.find_array(name.text);
        const ArrayDef &array = set_.array(id);
        const char close = punct('{') ? '}' : punct('[') ? ']' : punct('(') ? ')' : '\0';
        if (close == '\0') {
            if (error_.empty())
                error_ = at_place("Illegal reference to the array " + array.name, name);
            return -1;
        }
        ++pos_;
        const int subscript = logical_or();
        if (subscript < 0)
            return -1;
        if (!punct(close))
            return fail(std::string("expected ") + close + " after the subscript of the array " + array.name);
        ++pos_;
        return element_node(name, id, subscript);
    }

private:
    [[gnu::noinline]] int element_node(const Token &name, int id, int subscript)
    {
        const ArrayDef &array = set_.array(id);
        Node n;
        n.op = Op::Element;
        n.line = name.line;
        n.column = name.column;
        n.a = set_.as_type(subscript, VarType::Numeric);
        n.function = id;
        n.type = array.type;
        n.length = array.type == VarType::Character ? array.length : number_length;
        return set_.add(std::move(n));
    }

    // DIM(array), HBOUND(array) and LBOUND(array): constants once the array is known.
    int bound(const Token &name)
    {
        const std::string function = upper_case(name.text);
        const bool array_named = pos_ + 3 < end_ && t_[pos_ + 2].kind == TokenKind::Name && is_punct(t_[pos_ + 3], ')') &&
                                 set_.find_array(t_[pos_ + 2].text) >= 0;
        if (!array_named) {
            if (error_.empty())
                error_ = at_place("The function " + function + " takes the name of an array", name);
            return -1;
        }
        const ArrayDef &array = set_.array(set_.find_array(t_[pos_ + 2].text));
        pos_ += 4;
        Node n;
        n.line = name.line;
        n.column = name.column;
        n.value = function == "LBOUND" ? 1 : static_cast<double>(array.slots.size());
        return set_.add(std::move(n));
    }

    // PUT(value, format) and INPUT(text, informat).
    int put_or_input(const Token &name)
    {
        pos_ += 2;
        const int value = logical_or();
        if (value < 0)
            return -1;
        return put_or_input_format(name, value);
    }

    // The rest of PUT(value, format) or INPUT(text, informat), once the value is parsed.
    [[gnu::noinline]] int put_or_input_format(const Token &name, int value)
    {
        const bool put = name_is(name, "PUT");
        const std::string function = put ? "PUT" : "INPUT";
        if (!punct(','))
            return fail("expected , and the " + std::string(put ? "format" : "informat") + " of " + function);
        ++pos_;
        Node n;
        std::string message;
        const Token &at = here();
        const size_t format_start = pos_;
        if (!parse_value_format(t_, pos_, end_, !put, scope_.formats, n.format, message)) {
            if (error_.empty())
                error_ = at_place(message.rfind("expected", 0) == 0 ? "Syntax error: " + message : message, at);
            return -1;
        }
        if (!punct(')'))
            return fail("expected ) after the " + std::string(put ? "format" : "informat") + " of " + function);
        ++pos_;
        const bool text_format = n.format.character();
        if (put && text_format != (set_.type(value) == VarType::Character)) {
            std::string written;
            for (size_t k = format_start; k < pos_ - 1; ++k)
                written += t_[k].source;
            if (error_.empty())
                error_ = at_place("The format " + upper_case(written) + " writes " +
                                      (text_format ? "character values, and PUT is given a number" :
                                                     "numbers, and PUT is given a character value"),
                                  at);
            return -1;
        }
        n.line = name.line;
        n.column = name.column;
        n.op = Op::Call;
        n.function = put ? fn_put : fn_input;
        n.place = set_.place(name);
        n.first = static_cast<int>(set_.args_.size());
        n.count = 1;
        set_.args_.push_back(put ? value : set_.as_type(value, VarType::Character));
        n.type = put || text_format ? VarType::Character : VarType::Numeric;
        n.length = n.type == VarType::Character ? static_cast<size_t>(n.format.width) : number_length;
        return set_.add(std::move(n));
    }

    // OF followed by a name starts a variable list (SUM(OF x1-x5)); a variable named OF is an
    // operand like any other, and two names in a row are no expression.
    bool of_list_here() const
    {
        return scope_.list && name_is(here(), "OF") && pos_ + 1 < end_ &&
               (t_[pos_ + 1].kind == TokenKind::Name || t_[pos_ + 1].kind == TokenKind::NameLiteral);
    }

    int variable_node(int slot, const Token &at)
    {
        set_.at_ = &at;
        Node n;
        n.op = Op::Var;
        n.slot = slot;
        n.type = scope_.variable(slot).type;
        n.length = n.type == VarType::Character ? scope_.variable(slot).length : number_length;
        return set_.add(std::move(n));
    }

    // The items of an OF list up to the next , or ): names, numbered ranges x1-x5 (created when
    // new, as a name in an expression is), arrays written a{*}, and the lists the scope resolves
    // (a--d, a-numeric-d, x:, _NUMERIC_, _CHARACTER_, _ALL_). Each variable is one argument.
    bool of_list(std::vector<int> &args)
    {
        ++pos_;
        const auto is_name = [](const Token &t) { return t.kind == TokenKind::Name || t.kind == TokenKind::NameLiteral; };
        while (more() && is_name(t_[pos_])) {
            const Token &t = t_[pos_];
            std::vector<int> slots;
            const auto width = [&]() -> size_t {
                if (punct(':', 1))
                    return 2;
                if (punct('-', 1) && punct('-', 2) && pos_ + 3 < end_ && is_name(t_[pos_ + 3]))
                    return 4;
                if (punct('-', 1) && pos_ + 4 < end_ && t_[pos_ + 2].kind == TokenKind::Name && punct('-', 3) &&
                    is_name(t_[pos_ + 4]))
                    return 5;
                return 1;
            }();
            const std::string upper = t.kind == TokenKind::Name ? upper_case(t.text) : std::string();
            const bool special = upper == "_NUMERIC_" || upper == "_CHARACTER_" || upper == "_CHAR_" || upper == "_ALL_";
            if (t.kind == TokenKind::Name && set_.find_array(t.text) >= 0) {
                const char close = punct('{', 1) ? '}' : punct('[', 1) ? ']' : punct('(', 1) ? ')' : '\0';
                if (close == '\0' || !punct('*', 2) || !punct(close, 3)) {
                    fail("expected " + t.text + "{*} for all the elements of the array " + t.text);
                    return false;
                }
                slots = set_.array(set_.find_array(t.text)).slots;
                pos_ += 4;
            } else if (width == 1 && !special && punct('-', 1) && pos_ + 2 < end_ && is_name(t_[pos_ + 2])) {
                std::string prefix, last_prefix;
                long from = 0, to = 0;
                if (!split_numbered_name(t.text, prefix, from) || !split_numbered_name(t_[pos_ + 2].text, last_prefix, to) ||
                    !same_name(prefix, last_prefix) || to < from || to - from >= 100000)
                    return fail_at("The numbered range " + t.text + "-" + t_[pos_ + 2].text +
                                       " must run from a name ending in a number to a larger number of the same prefix",
                                   t);
                for (long k = from; k <= to; ++k) {
                    const int slot = scope_.find(prefix + std::to_string(k), t);
                    if (slot < 0) {
                        fail_unknown(t);
                        return false;
                    }
                    slots.push_back(slot);
                }
                pos_ += 3;
            } else if (width == 1 && !special) {
                const int slot = scope_.find(t.text, t);
                if (slot < 0) {
                    fail_unknown(t);
                    return false;
                }
                slots.push_back(slot);
                ++pos_;
            } else {
                const std::vector<Token> item(t_.begin() + static_cast<long>(pos_),
                                              t_.begin() + static_cast<long>(pos_ + width));
                std::string message;
                if (!scope_.list(item, slots, message))
                    return fail_at(message, t);
                pos_ += width;
            }
            for (const int slot : slots)
                args.push_back(variable_node(slot, t));
        }
        if (!more() || !(punct(',') || punct(')'))) {
            fail("expected a variable, , or ) in the OF list");
            return false;
        }
        return true;
    }

    bool fail_at(const std::string &message, const Token &at)
    {
        if (error_.empty())
            error_ = at_place(message, at);
        return false;
    }

    int call()
    {
        const Token &name = t_[pos_];
        if (name_is(name, "DIM") || name_is(name, "HBOUND") || name_is(name, "LBOUND"))
            return bound(name);
        if (name_is(name, "PUT") || name_is(name, "INPUT"))
            return put_or_input(name);
        const FunctionInfo *info = find_function(name.text);
        if (!info) {
            if (error_.empty())
                error_ = at_place("The function " + upper_case(name.text) + " is unknown, or cannot be accessed", name);
            return -1;
        }
        ++pos_;
        std::vector<int> args;
        if (!arguments(args, info->name))
            return -1;
        return call_node(name, *info, args);
    }

    // (a, b, OF list, ...) at pos: pos moves past the `)`. An argument left out after a comma
    // (COMPRESS(s, , 'kd')) is a blank text.
    bool arguments(std::vector<int> &args, std::string_view function)
    {
        if (!punct('('))
            return fail("expected ( after " + std::string(function)) >= 0;
        ++pos_;
        bool first = true;
        while (more() && !punct(')')) {
            if (!first) {
                if (!punct(','))
                    return fail("expected , or ) in the arguments of " + std::string(function)) >= 0;
                ++pos_;
                if (punct(',') || punct(')')) {
                    args.push_back(blank_text());
                    continue;
                }
            }
            first = false;
            if (of_list_here()) {
                if (!of_list(args))
                    return false;
                continue;
            }
            const int arg = logical_or();
            if (arg < 0)
                return false;
            args.push_back(arg);
        }
        if (!punct(')'))
            return fail("expected ) after the arguments of " + std::string(function)) >= 0;
        ++pos_;
        return true;
    }

    int blank_text()
    {
        Node n;
        n.op = Op::Text;
        n.type = VarType::Character;
        n.length = 1;
        return set_.add(std::move(n));
    }

    // The call of a known function with its arguments parsed: their count checked, each
    // converted to the type the function takes.
    [[gnu::noinline]] int call_node(const Token &name, const FunctionInfo &function, const std::vector<int> &args)
    {
        const FunctionInfo *info = &function;
        const int count = static_cast<int>(args.size());
        if (count < info->min_args || (info->max_args >= 0 && count > info->max_args)) {
            if (error_.empty()) {
                const std::string want =
                    info->min_args == info->max_args ? std::to_string(info->min_args) :
                    info->max_args < 0               ? "at least " + std::to_string(info->min_args) :
                        std::to_string(info->min_args) + " to " + std::to_string(info->max_args);
                error_ = at_place("The function " + std::string(info->name) + " is called with " +
                                      std::to_string(count) + " argument" + (count == 1 ? "" : "s") + "; it takes " + want,
                                  name);
            }
            return -1;
        }
        Node n;
        n.line = name.line;
        n.column = name.column;
        n.op = Op::Call;
        n.function = info->id;
        n.place = set_.place(name);
        n.first = static_cast<int>(set_.args_.size());
        n.count = count;
        for (int k = 0; k < count; ++k)
            set_.args_.push_back(set_.as_type(args[static_cast<size_t>(k)], argument_type(*info, k, set_.type(args[static_cast<size_t>(k)]))));
        n.type = info->result;
        if (n.type == VarType::Character)
            n.length = result_length(*info, count > 0 ? set_.length(args[0]) : 1);
        if (info->id == fn_ifc && count >= 3)
            n.length = std::max(set_.length(args[1]), set_.length(args[2]));
        if (!function_state(name, n, args))
            return -1;
        return set_.add(std::move(n));
    }

    // What a call site keeps: LAG's and DIF's queue, the distribution a constant names, the
    // formats PUTN and INPUTN look up as the step runs.
    bool function_state(const Token &name, Node &n, const std::vector<int> &args)
    {
        if (n.function == fn_lag || n.function == fn_dif) {
            ExpressionSet::LagQueue queue;
            const size_t depth = static_cast<size_t>(lag_depth(name.text));
            if (set_.type(args[0]) == VarType::Character)
                queue.texts.resize(depth);
            else
                queue.numbers.assign(depth, missing_value());
            n.state = static_cast<int>(set_.lags_.size());
            set_.lags_.push_back(std::move(queue));
            if (n.function == fn_lag) {
                n.type = set_.type(args[0]);
                n.length = set_.length(args[0]);
            }
        } else if (n.function >= fn_cdf && n.function <= fn_rand) {
            const Node &first = set_.nodes_[static_cast<size_t>(set_.args_[static_cast<size_t>(n.first)])];
            if (first.op == Op::Text) {
                const Distribution d = distribution_named(first.constant);
                if (d == Distribution::Unknown)
                    return fail_at("The distribution '" + first.constant + "' is not known to " + upper_case(name.text) +
                                       ": NORMAL, T, CHISQ, BINOMIAL, POISSON; for RAND also UNIFORM, BERNOULLI, "
                                       "EXPONENTIAL, INTEGER",
                                   name);
                n.state = static_cast<int>(d);
            }
        } else if (n.function == fn_putn || n.function == fn_inputn) {
            set_.formats_ = scope_.formats;
        }
        return true;
    }

    ExpressionSet &set_;
    const std::vector<Token> &t_;
    size_t end_;
    Scope &scope_;
    size_t pos_ = 0;
    int nesting_ = 0;
    std::string error_;
};

VarType ExpressionSet::type(int node) const { return nodes_[static_cast<size_t>(node)].type; }
size_t ExpressionSet::length(int node) const { return nodes_[static_cast<size_t>(node)].length; }
int ExpressionSet::depth(int node) const { return nodes_[static_cast<size_t>(node)].depth; }

int ExpressionSet::add(Node node)
{
    if (at_ && node.line == 0) {
        node.line = at_->line;
        node.column = at_->column;
    }
    int below = -1; // a constant or a variable is 0 deep
    for (const int operand : {node.a, node.b})
        if (operand >= 0)
            below = std::max(below, depth(operand));
    for (int k = 0; k < node.count; ++k)
        below = std::max(below, depth(args_[static_cast<size_t>(node.first + k)]));
    node.depth = below + 1;
    nodes_.push_back(std::move(node));
    return static_cast<int>(nodes_.size()) - 1;
}

int ExpressionSet::place(const Token &at)
{
    for (size_t i = 0; i < places_.size(); ++i)
        if (places_[i].line == at.line && places_[i].column == at.column)
            return static_cast<int>(i);
    Place p;
    p.line = at.line;
    p.column = at.column;
    places_.push_back(p);
    return static_cast<int>(places_.size()) - 1;
}

bool ExpressionSet::parse(const std::vector<Token> &tokens, size_t &pos, size_t end, Scope &scope, int &node,
                          std::string &error)
{
    ExpressionParser parser(*this, tokens, end, scope);
    const bool ok = parser.parse(pos, node, error);
    at_ = nullptr;
    return ok;
}

bool ExpressionSet::parse_element(const std::vector<Token> &tokens, size_t &pos, size_t end, Scope &scope, int &node,
                                  std::string &error)
{
    ExpressionParser parser(*this, tokens, end, scope);
    const bool ok = parser.parse_element(pos, node, error);
    at_ = nullptr;
    return ok;
}

bool ExpressionSet::parse_arguments(const std::vector<Token> &tokens, size_t &pos, size_t end, Scope &scope,
                                    std::vector<int> &nodes, std::string &error)
{
    ExpressionParser parser(*this, tokens, end, scope);
    const bool ok = parser.parse_arguments(pos, nodes, error);
    at_ = nullptr;
    return ok;
}

int ExpressionSet::target_slot(int node, const Row &row) const
{
    const Node &n = nodes_[static_cast<size_t>(node)];
    if (n.op == Op::Var)
        return n.slot;
    return n.op == Op::Element ? element(n, row) : -1;
}

std::vector<int> ExpressionSet::named_slots(int node) const
{
    const Node &n = nodes_[static_cast<size_t>(node)];
    if (n.op == Op::Var)
        return {n.slot};
    return n.op == Op::Element ? arrays_[static_cast<size_t>(n.function)].slots : std::vector<int>();
}

int ExpressionSet::add_array(ArrayDef array)
{
    arrays_.push_back(std::move(array));
    return static_cast<int>(arrays_.size()) - 1;
}

int ExpressionSet::find_array(std::string_view name) const
{
    for (size_t i = 0; i < arrays_.size(); ++i)
        if (same_name(arrays_[i].name, name))
            return static_cast<int>(i);
    return -1;
}

int ExpressionSet::element(const Node &n, const Row &row) const
{
    const std::vector<int> &slots = arrays_[static_cast<size_t>(n.function)].slots;
    // A subscript with a fraction counts by its integer part; a missing one is out of range.
    const double v = number(n.a, row);
    if (!(v >= 1 && v < static_cast<double>(slots.size()) + 1)) {
        if (halted_ < 0)
            halted_ = static_cast<int>(&n - nodes_.data());
        return -1;
    }
    return slots[static_cast<size_t>(v) - 1];
}

int ExpressionSet::element_slot(int node, const Row &row) const { return element(nodes_[static_cast<size_t>(node)], row); }

std::string ExpressionSet::take_halt()
{
    const Node &n = nodes_[static_cast<size_t>(halted_)];
    halted_ = -1;
    return "Array subscript out of range at line " + std::to_string(n.line) + " column " + std::to_string(n.column) + ".";
}

int ExpressionSet::as_type(int node, VarType type)
{
    if (this->type(node) == type)
        return node;
    // Where did the value come from: the first token's place is close enough for the note.
    Node n;
    n.op = type == VarType::Numeric ? Op::ToNumber : Op::ToText;
    n.type = type;
    n.a = node;
    n.length = type == VarType::Character ? 12 : number_length;
    const Node &from = nodes_[static_cast<size_t>(node)];
    (type == VarType::Numeric ? to_number_ : to_text_).emplace_back(from.line, from.column);
    n.line = from.line;
    n.column = from.column;
    return add(std::move(n));
}

void ExpressionSet::event(std::string text) const
{
    if (events_.size() < event_limit_)
        events_.push_back({std::move(text)});
}

bool ExpressionSet::truth(int node, const Row &row) const
{
    const double v = number(node, row);
    return !is_missing(v) && v != 0;
}

bool ExpressionSet::compare(const Node &n, const Row &row) const
{
    int c;
    if (nodes_[static_cast<size_t>(n.a)].type == VarType::Character)
        c = compare_text(text(n.a, row), text(n.b, row));
    else
        c = compare_number(number(n.a, row), number(n.b, row));
    switch (n.op) {
    case Op::Eq: return c == 0;
    case Op::Ne: return c != 0;
    case Op::Lt: return c < 0;
    case Op::Le: return c <= 0;
    case Op::Gt: return c > 0;
    default: return c >= 0;
    }
}

// The evaluator recurses down the tree: what is not that recursion (messages, conversions) is
// in functions of its own, to keep the frames it stacks up small.
[[gnu::noinline]] double ExpressionSet::arithmetic(const Node &n, double a, double b) const
{
    Place &p = places_[static_cast<size_t>(n.place)];
    if (is_missing(a) || is_missing(b)) {
        ++p.missing;
        return missing_value();
    }
    switch (n.op) {
    case Op::Add: return a + b;
    case Op::Sub: return a - b;
    case Op::Mul: return a * b;
    case Op::Div:
        if (b == 0) {
            ++p.failed;
            event("Division by zero detected at line " + std::to_string(p.line) + " column " + std::to_string(p.column) +
                  ".");
            return missing_value();
        }
        return a / b;
    default: {
        const double r = std::pow(a, b);
        if (!std::isfinite(r)) {
            ++p.failed;
            return missing_value();
        }
        return r;
    }
    }
}

[[gnu::noinline]] double ExpressionSet::in_values(const Node &n, const Row &row) const
{
    const bool textual = nodes_[static_cast<size_t>(n.a)].type == VarType::Character;
    for (int k = 0; k < n.count; ++k) {
        const int item = args_[static_cast<size_t>(n.first + k)];
        if (textual ? compare_text(text(n.a, row), text(item, row)) == 0 :
                      compare_number(number(n.a, row), number(item, row)) == 0)
            return 1;
    }
    return 0;
}

[[gnu::noinline]] double ExpressionSet::to_number(const Node &n, const Row &row) const
{
    const std::string &s = text(n.a, row);
    if (rtrim(s).find_first_not_of(' ') == std::string_view::npos)
        return missing_value();
    double v = missing_value();
    if (s == "." || !parse_number(s, v)) {
        if (s != ".")
            event("Invalid numeric data, '" + excerpt(rtrim(s)) + "', at line " + std::to_string(n.line) + " column " +
                  std::to_string(n.column) + ".");
        return missing_value();
    }
    return v;
}

double ExpressionSet::number(int node, const Row &row) const
{
    const Node &n = nodes_[static_cast<size_t>(node)];
    switch (n.op) {
    case Op::Number: return n.value;
    case Op::Var: return row.numbers[static_cast<size_t>(n.slot)];
    case Op::Neg: {
        const double v = number(n.a, row);
        if (is_missing(v)) {
            ++places_[static_cast<size_t>(n.place)].missing;
            return missing_value();
        }
        return -v;
    }
    case Op::Not: return truth(n.a, row) ? 0 : 1;
    case Op::And: return truth(n.a, row) && truth(n.b, row) ? 1 : 0;
    case Op::Or: return truth(n.a, row) || truth(n.b, row) ? 1 : 0;
    case Op::Add:
    case Op::Sub:
    case Op::Mul:
    case Op::Div:
    case Op::Pow: {
        const double a = number(n.a, row);
        const double b = number(n.b, row);
        return arithmetic(n, a, b);
    }
    case Op::Eq:
    case Op::Ne:
    case Op::Lt:
    case Op::Le:
    case Op::Gt:
    case Op::Ge: return compare(n, row) ? 1 : 0;
    case Op::In: return in_values(n, row);
    case Op::Max:
    case Op::Min: {
        // A missing value is smaller than every number, as in a sort.
        const double a = number(n.a, row);
        const double b = number(n.b, row);
        const bool a_first = compare_number(a, b) >= 0;
        return n.op == Op::Max ? (a_first ? a : b) : (a_first ? b : a);
    }
    case Op::ToNumber: return to_number(n, row);
    case Op::Call: return call(n, row);
    case Op::Element: {
        const int slot = element(n, row);
        return slot < 0 ? missing_value() : row.numbers[static_cast<size_t>(slot)];
    }
    default: return missing_value();
    }
}

[[gnu::noinline]] const std::string &ExpressionSet::to_text(const Node &n, const Row &row) const
{
    n.result = best12(number(n.a, row));
    return n.result;
}

const std::string &ExpressionSet::text(int node, const Row &row) const
{
    const Node &n = nodes_[static_cast<size_t>(node)];
    switch (n.op) {
    case Op::Text: return n.constant;
    case Op::Var: return row.texts[static_cast<size_t>(n.slot)];
    case Op::Concat: {
        const Node &left = nodes_[static_cast<size_t>(n.a)];
        const std::string &a = text(n.a, row);
        n.result.assign(a);
        // A variable's value is its full length: the blanks that fill it are concatenated too.
        if ((left.op == Op::Var || left.op == Op::Element) && n.result.size() < left.length)
            n.result.append(left.length - n.result.size(), ' ');
        n.result.append(text(n.b, row));
        return n.result;
    }
    case Op::ToText: return to_text(n, row);
    case Op::Call: return call_text(n, row);
    case Op::Element: {
        const int slot = element(n, row);
        if (slot >= 0)
            return row.texts[static_cast<size_t>(slot)];
        n.result.clear();
        return n.result;
    }
    default: n.result.clear(); return n.result;
    }
}

bool ExpressionSet::has_text_variable_read(int node) const
{
    const Op op = nodes_[static_cast<size_t>(node)].op;
    return op == Op::Var || op == Op::Element;
}

} // namespace quill::host
