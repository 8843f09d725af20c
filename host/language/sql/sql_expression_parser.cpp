// The expressions of PROC SQL, lowest precedence first:
//   expression  -> conjunction { OR conjunction }
//   conjunction -> negation { AND negation }
//   negation    -> NOT negation | predicate
//   predicate   -> concat [ compare concat | compare ANY|ALL|SOME (query) | [NOT] BETWEEN concat AND concat
//                  | [NOT] IN (list | query) | [NOT] LIKE concat [ESCAPE concat] | IS [NOT] NULL|MISSING
//                  | [NOT] CONTAINS concat ]  (comparisons repeat, left to right)
//   concat      -> sum { || sum }
//   sum         -> product { + | - product }
//   product     -> power { * | / power }
//   power       -> + | - power | primary [ ** power ]
//   primary     -> constant | column | alias.column | CALCULATED name | function(args) | CASE ... END
//                  | EXISTS (query) | (expression) | (query)
#include <cmath>

#include "base/names.h"
#include "language/expression.h"
#include "language/sql/sql_parser_state.h"

namespace quill::host {

SqlExprPtr SqlParser::node(SqlOp op, const Token &at)
{
    auto n = std::make_unique<SqlExpr>();
    n->op = op;
    n->at = at;
    return n;
}

SqlExprPtr SqlParser::binary(SqlOp op, const Token &at, SqlExprPtr a, SqlExprPtr b)
{
    if (!a || !b)
        return nullptr;
    auto n = node(op, at);
    n->args.push_back(std::move(a));
    n->args.push_back(std::move(b));
    return n;
}

bool SqlParser::chain(int &links, const Token &at)
{
    if (++links <= max_sql_nesting)
        return true;
    return fail_at("The expression is nested more than " + std::to_string(max_sql_nesting) + " levels deep", at);
}

SqlExprPtr SqlParser::expression()
{
    SqlNesting nesting(*this);
    if (!nesting.ok())
        return nullptr;
    SqlExprPtr left = conjunction();
    // A chain of ORs is a level of the translator's recursion each: it counts against the nesting.
    int links = 0;
    while (left && word("OR")) {
        const Token &at = t_[pos_++];
        if (!this->chain(links, at))
            return nullptr;
        left = binary(SqlOp::Or, at, std::move(left), conjunction());
    }
    return left;
}

SqlExprPtr SqlParser::conjunction()
{
    SqlExprPtr left = negation();
    int links = 0;
    while (left && word("AND")) {
        const Token &at = t_[pos_++];
        if (!this->chain(links, at))
            return nullptr;
        left = binary(SqlOp::And, at, std::move(left), negation());
    }
    return left;
}

SqlExprPtr SqlParser::negation()
{
    if (word("NOT") || ((punct('^') || punct('~')) && !punct('=', 1))) {
        SqlNesting nesting(*this);
        if (!nesting.ok())
            return nullptr;
        const Token &at = t_[pos_++];
        SqlExprPtr operand = negation();
        if (!operand)
            return nullptr;
        auto n = node(SqlOp::Not, at);
        n->args.push_back(std::move(operand));
        return n;
    }
    return predicate();
}

bool SqlParser::comparison_here(SqlOp &op, size_t &width) const
{
    width = 1;
    if (punct('=') && !punct('*', 1) && !punct(':', 1))
        return op = SqlOp::Equal, true;
    if ((punct('^') || punct('~') || punct('!')) && punct('=', 1))
        return op = SqlOp::NotEqual, width = 2, true;
    if (punct('\xC2') && punct('\xAC', 1) && punct('=', 2)) // ¬=
        return op = SqlOp::NotEqual, width = 3, true;
    if (punct('<') && punct('>', 1))
        return op = SqlOp::NotEqual, width = 2, true;
    if (punct('<') || punct('>')) {
        const bool less = punct('<');
        if (punct('=', 1))
            return op = less ? SqlOp::LessEqual : SqlOp::GreaterEqual, width = 2, true;
        return op = less ? SqlOp::Less : SqlOp::Greater, true;
    }
    static const std::pair<const char *, SqlOp> words[] = {{"EQ", SqlOp::Equal},     {"NE", SqlOp::NotEqual},
                                                           {"LT", SqlOp::Less},      {"LE", SqlOp::LessEqual},
                                                           {"GT", SqlOp::Greater},   {"GE", SqlOp::GreaterEqual}};
    for (const auto &[w, o] : words)
        if (word(w))
            return op = o, true;
    return false;
}

SqlExprPtr SqlParser::predicate()
{
    SqlExprPtr left = operand();
    int links = 0;
    while (left && more()) {
        const Token &at = here();
        SqlOp op;
        size_t width;
        if (comparison_here(op, width)) {
            if (!this->chain(links, at))
            return nullptr;
            pos_ += width;
            if ((word("ANY") || word("ALL") || word("SOME")) && punct('(', 1)) {
                auto n = node(SqlOp::Compare, at);
                n->compare = op;
                n->all = word("ALL");
                pos_ += 2;
                n->query = query();
                if (!n->query || !expect_punct(')'))
                    return nullptr;
                n->args.push_back(std::move(left));
                left = std::move(n);
                continue;
            }
            left = binary(op, at, std::move(left), operand());
            continue;
        }
        const bool negated = word("NOT") && (word("BETWEEN", 1) || word("IN", 1) || word("LIKE", 1) || word("CONTAINS", 1));
        if (negated)
            ++pos_;
        if (take_word("BETWEEN")) {
            auto n = node(SqlOp::Between, at);
            n->negated = negated;
            n->args.push_back(std::move(left));
            n->args.push_back(operand());
            if (!n->args.back() || !expect_word("AND"))
                return nullptr;
            n->args.push_back(operand());
            return n->args.back() ? std::move(n) : nullptr;
        }
        if (take_word("IN")) {
            auto n = node(SqlOp::InList, at);
            n->negated = negated;
            n->args.push_back(std::move(left));
            if (!expect_punct('('))
                return nullptr;
            if (word("SELECT") || (punct('(') && word("SELECT", 1))) {
                n->op = SqlOp::InQuery;
                n->query = query();
                if (!n->query)
                    return nullptr;
            } else {
                do {
                    n->args.push_back(operand());
                    if (!n->args.back())
                        return nullptr;
                } while (take_punct(','));
            }
            return expect_punct(')') ? std::move(n) : nullptr;
        }
        if (take_word("LIKE")) {
            auto n = node(SqlOp::Like, at);
            n->negated = negated;
            n->args.push_back(std::move(left));
            n->args.push_back(operand());
            if (n->args.back() && take_word("ESCAPE"))
                n->args.push_back(operand());
            return n->args.back() ? std::move(n) : nullptr;
        }
        if (take_word("CONTAINS") || take_punct('?')) {
            auto n = node(SqlOp::Contains, at);
            n->negated = negated;
            n->args.push_back(std::move(left));
            n->args.push_back(operand());
            return n->args.back() ? std::move(n) : nullptr;
        }
        if (take_word("IS")) {
            auto n = node(SqlOp::IsMissing, at);
            n->negated = take_word("NOT");
            if (!take_word("NULL") && !take_word("MISSING"))
                return fail("NULL or MISSING"), nullptr;
            n->args.push_back(std::move(left));
            return n;
        }
        break;
    }
    return left;
}

SqlExprPtr SqlParser::operand() { return concatenation(); }

SqlExprPtr SqlParser::concatenation()
{
    SqlExprPtr left = sum();
    int links = 0;
    while (left && ((punct('|') && punct('|', 1)) || (punct('!') && punct('!', 1)))) {
        const Token &at = t_[pos_];
        pos_ += 2;
        if (!this->chain(links, at))
            return nullptr;
        left = binary(SqlOp::Concat, at, std::move(left), sum());
    }
    return left;
}

SqlExprPtr SqlParser::sum()
{
    SqlExprPtr left = product();
    int links = 0;
    while (left && (punct('+') || punct('-'))) {
        const Token &at = t_[pos_++];
        if (!this->chain(links, at))
            return nullptr;
        left = binary(is_punct(at, '+') ? SqlOp::Add : SqlOp::Subtract, at, std::move(left), product());
    }
    return left;
}

SqlExprPtr SqlParser::product()
{
    SqlExprPtr left = power();
    int links = 0;
    while (left && ((punct('*') && !punct('*', 1)) || punct('/'))) {
        const Token &at = t_[pos_++];
        if (!this->chain(links, at))
            return nullptr;
        left = binary(is_punct(at, '*') ? SqlOp::Multiply : SqlOp::Divide, at, std::move(left), power());
    }
    return left;
}

SqlExprPtr SqlParser::power()
{
    SqlNesting nesting(*this);
    if (!nesting.ok())
        return nullptr;
    if (punct('-') || punct('+')) {
        const Token &at = t_[pos_++];
        SqlExprPtr operand = power();
        if (!operand || is_punct(at, '+'))
            return operand;
        auto n = node(SqlOp::Negate, at);
        n->args.push_back(std::move(operand));
        return n;
    }
    SqlExprPtr base = primary();
    if (base && punct('*') && punct('*', 1)) {
        const Token &at = t_[pos_];
        pos_ += 2;
        return binary(SqlOp::Power, at, std::move(base), power());
    }
    return base;
}

SqlExprPtr SqlParser::primary()
{
    if (!more())
        return fail("an expression"), nullptr;
    const Token &t = here();
    switch (t.kind) {
    case TokenKind::Integer:
    case TokenKind::Number:
    case TokenKind::Date:
    case TokenKind::Time:
    case TokenKind::Datetime:
    case TokenKind::Missing: {
        ++pos_;
        auto n = node(SqlOp::Number, t);
        n->number = t.kind == TokenKind::Missing ? missing_value() : t.number;
        return n;
    }
    case TokenKind::String: {
        ++pos_;
        auto n = node(SqlOp::String, t);
        n->text = t.text;
        return n;
    }
    case TokenKind::NameLiteral: {
        ++pos_;
        auto n = node(SqlOp::Column, t);
        n->name = t.text;
        return n;
    }
    case TokenKind::Compound: {
        ++pos_;
        auto n = node(SqlOp::Column, t);
        const size_t dot = t.text.find('.');
        n->qualifier = t.text.substr(0, dot);
        n->name = t.text.substr(dot + 1);
        return n;
    }
    case TokenKind::Name: {
        if (word("CASE"))
            return case_expression();
        if (word("EXISTS") && punct('(', 1)) {
            auto n = node(SqlOp::Exists, t);
            pos_ += 2;
            n->query = query();
            return n->query && expect_punct(')') ? std::move(n) : nullptr;
        }
        if (word("CALCULATED")) {
            ++pos_;
            auto n = node(SqlOp::Calculated, t);
            n->name = take_name();
            return n->name.empty() ? nullptr : std::move(n);
        }
        ++pos_;
        if (punct('('))
            return call(t);
        if (sql_reserved(t.text)) {
            --pos_;
            return fail("an expression"), nullptr;
        }
        auto n = node(SqlOp::Column, t);
        n->name = t.text;
        return n;
    }
    default: break;
    }
    if (punct('('))
        return parenthesized();
    return fail("an expression"), nullptr;
}

SqlExprPtr SqlParser::parenthesized()
{
    const Token &at = t_[pos_++];
    if (word("SELECT") || (punct('(') && word("SELECT", 1))) {
        auto n = node(SqlOp::Subquery, at);
        n->query = query();
        return n->query && expect_punct(')') ? std::move(n) : nullptr;
    }
    SqlExprPtr inner = expression();
    return inner && expect_punct(')') ? std::move(inner) : nullptr;
}

// name ( [DISTINCT] args ), COUNT(*), PUT(value, format) and INPUT(text, informat).
SqlExprPtr SqlParser::call(const Token &name)
{
    SqlNesting nesting(*this);
    if (!nesting.ok())
        return nullptr;
    auto n = node(SqlOp::Call, name);
    n->name = upper_case(name.text);
    ++pos_; // (
    if (punct('*') && punct(')', 1)) {
        pos_ += 2;
        n->star = true;
        return n;
    }
    n->distinct = take_word("DISTINCT");
    if (take_punct(')'))
        return n;
    do {
        n->args.push_back(expression());
        if (!n->args.back())
            return nullptr;
        if ((n->name == "PUT" || n->name == "INPUT") && take_punct(',')) {
            // The format's tokens, up to the ')' that closes the call.
            while (more() && !punct(')'))
                n->format.push_back(t_[pos_++]);
            if (n->format.empty())
                return fail("a format"), nullptr;
            break;
        }
    } while (take_punct(','));
    return expect_punct(')') ? std::move(n) : nullptr;
}

// CASE [operand] WHEN condition-or-value THEN result ... [ELSE result] END
SqlExprPtr SqlParser::case_expression()
{
    SqlNesting nesting(*this);
    if (!nesting.ok())
        return nullptr;
    auto n = node(SqlOp::Case, t_[pos_++]);
    if (!word("WHEN")) {
        n->has_operand = true;
        n->args.push_back(expression());
        if (!n->args.back())
            return nullptr;
    }
    if (!word("WHEN"))
        return fail("WHEN"), nullptr;
    while (take_word("WHEN")) {
        n->args.push_back(expression());
        if (!n->args.back() || !expect_word("THEN"))
            return nullptr;
        n->args.push_back(expression());
        if (!n->args.back())
            return nullptr;
    }
    if (take_word("ELSE")) {
        n->has_else = true;
        n->args.push_back(expression());
        if (!n->args.back())
            return nullptr;
    }
    return expect_word("END") ? std::move(n) : nullptr;
}

} // namespace quill::host
