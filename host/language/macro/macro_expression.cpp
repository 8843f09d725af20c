#include "language/macro/macro_expression.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "language/macro/macro_quoting.h"

namespace quill::host {
namespace {

enum class Op { None, Open, Close, Pow, Mul, Div, Add, Sub, Lt, Le, Eq, Ne, Ge, Gt, In, Not, And, Or };

struct Item {
    Op op = Op::None; // None: an operand
    std::string text; // the operand as written, trimmed
};

bool name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// A mnemonic operator (EQ, AND, NOT ...) written as a word at `at`; its length, or 0.
size_t mnemonic(std::string_view text, size_t at, bool in_operator, Op &op)
{
    if (at > 0 && name_char(text[at - 1]))
        return 0;
    static const struct { const char *word; Op op; } words[] = {
        {"EQ", Op::Eq}, {"NE", Op::Ne}, {"LT", Op::Lt}, {"LE", Op::Le}, {"GT", Op::Gt}, {"GE", Op::Ge},
        {"AND", Op::And}, {"OR", Op::Or}, {"NOT", Op::Not}, {"IN", Op::In},
    };
    for (const auto &w : words) {
        const std::string_view word = w.word;
        if (at + word.size() > text.size() || (at + word.size() < text.size() && name_char(text[at + word.size()])))
            continue;
        bool same = true;
        for (size_t k = 0; k < word.size(); ++k)
            same = same && std::toupper(static_cast<unsigned char>(text[at + k])) == word[k];
        if (same && (w.op != Op::In || in_operator)) {
            op = w.op;
            return word.size();
        }
    }
    return 0;
}

// An operator written with symbols at `at`; its length, or 0.
size_t symbol(std::string_view text, size_t at, bool in_operator, Op &op)
{
    const char c = text[at], next = at + 1 < text.size() ? text[at + 1] : '\0';
    switch (c) {
    case '(': op = Op::Open; return 1;
    case ')': op = Op::Close; return 1;
    case '*': op = next == '*' ? Op::Pow : Op::Mul; return next == '*' ? 2 : 1;
    case '/': op = Op::Div; return 1;
    case '+': op = Op::Add; return 1;
    case '-': op = Op::Sub; return 1;
    case '<': op = next == '=' ? Op::Le : Op::Lt; return next == '=' ? 2 : 1;
    case '>': op = next == '=' ? Op::Ge : Op::Gt; return next == '=' ? 2 : 1;
    case '=': op = Op::Eq; return 1;
    case '^': case '~': op = next == '=' ? Op::Ne : Op::Not; return next == '=' ? 2 : 1;
    case '&': op = Op::And; return 1;
    case '|': op = Op::Or; return 1;
    case '#': if (in_operator) { op = Op::In; return 1; } return 0;
    default: return 0;
    }
}

const char *op_text(Op op)
{
    static const char *const texts[] = {"", "(", ")", "**", "*", "/", "+", "-", "<", "<=", "=", "^=", ">=", ">",
                                        "IN", "NOT", "AND", "OR"};
    return texts[static_cast<int>(op)];
}

// Operands are the runs of text between operators, blanks inside them kept; quoted strings are
// part of an operand whole.
std::vector<Item> split_items(std::string_view text, const MacroEvalSettings &settings)
{
    std::vector<Item> items;
    std::string operand;
    auto flush = [&] {
        const size_t first = operand.find_first_not_of(' ');
        if (first != std::string::npos)
            items.push_back({Op::None, operand.substr(first, operand.find_last_not_of(' ') - first + 1)});
        operand.clear();
    };
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '\'' || c == '"') {
            const size_t close = text.find(c, i + 1);
            const size_t end = close == std::string_view::npos ? text.size() : close + 1;
            operand.append(text.substr(i, end - i));
            i = end;
            continue;
        }
        Op op = Op::None;
        size_t length = symbol(text, i, settings.in_operator, op);
        if (length == 0 && std::isalpha(static_cast<unsigned char>(c)))
            length = mnemonic(text, i, settings.in_operator, op);
        if (length == 0) {
            operand += c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
            ++i;
            continue;
        }
        flush();
        items.push_back({op, {}});
        i += length;
    }
    flush();
    // A comparison with nothing on one side compares with the empty text: %IF &x = %THEN.
    auto comparison = [](Op op) { return op >= Op::Lt && op <= Op::In; };
    std::vector<Item> filled;
    for (size_t i = 0; i < items.size(); ++i) {
        const Op op = items[i].op;
        if (comparison(op) && (filled.empty() || (filled.back().op != Op::None && filled.back().op != Op::Close)))
            filled.push_back({});
        filled.push_back(items[i]);
        const Op next = i + 1 < items.size() ? items[i + 1].op : Op::Close;
        if (comparison(op) && (next == Op::Close || next == Op::And || next == Op::Or || comparison(next)))
            filled.push_back({});
    }
    return filled;
}

struct Value {
    bool number = false;
    bool missing = false; // %SYSEVALF's '.'
    std::int64_t whole = 0;
    double real = 0;
    std::string text;
};

class Evaluator {
public:
    Evaluator(std::vector<Item> items, const MacroEvalSettings &settings) : items_(std::move(items)), settings_(settings) {}

    bool run(MacroEvalResult &result)
    {
        Value v;
        if (!expression(0, v))
            return fail(result);
        if (at_ < items_.size()) {
            error_ = items_[at_].op == Op::Close ? MacroEvalError::Parenthesis : MacroEvalError::CharacterOperand;
            return fail(result);
        }
        result.value = text_of(v);
        return true;
    }

private:
    bool fail(MacroEvalResult &result)
    {
        result.error = error_;
        result.detail = detail_;
        return false;
    }

    // Binding levels, loosest first: OR, AND, comparisons, + -, * /.
    static int level(Op op)
    {
        switch (op) {
        case Op::Or: return 0;
        case Op::And: return 1;
        case Op::Lt: case Op::Le: case Op::Eq: case Op::Ne: case Op::Ge: case Op::Gt: case Op::In: return 2;
        case Op::Add: case Op::Sub: return 3;
        case Op::Mul: case Op::Div: return 4;
        default: return -1;
        }
    }

    bool expression(int min_level, Value &v)
    {
        if (!unary(v))
            return false;
        while (at_ < items_.size()) {
            const Op op = items_[at_].op;
            const int l = level(op);
            if (l < min_level || l < 0)
                return true;
            ++at_;
            Value right;
            if (at_ >= items_.size())
                return missing(op);
            if (!expression(l + 1, right) || !binary(op, v, right))
                return false;
        }
        return true;
    }

    // NOT, then prefix + and -, then **, then a parenthesised expression or an operand.
    bool unary(Value &v)
    {
        if (at_ >= items_.size())
            return missing(Op::None);
        const Op op = items_[at_].op;
        if (op == Op::Not) {
            ++at_;
            if (!unary(v) || !numeric(v))
                return false;
            set_whole(v, truth(v) ? 0 : 1);
            return true;
        }
        if (op == Op::Add || op == Op::Sub) {
            ++at_;
            if (at_ >= items_.size())
                return missing(op);
            if (!unary(v) || !numeric(v))
                return false;
            if (op == Op::Sub) {
                if (v.whole == std::numeric_limits<std::int64_t>::min())
                    return overflow();
                v.whole = -v.whole;
                v.real = -v.real;
            }
            return true;
        }
        if (!primary(v))
            return false;
        if (at_ < items_.size() && items_[at_].op == Op::Pow) {
            ++at_;
            Value exponent;
            if (at_ >= items_.size())
                return missing(Op::Pow);
            if (!unary(exponent))
                return false;
            return binary(Op::Pow, v, exponent);
        }
        return true;
    }

    bool primary(Value &v)
    {
        const Item &item = items_[at_];
        if (item.op == Op::Open) {
            ++at_;
            if (!expression(0, v))
                return false;
            if (at_ >= items_.size() || items_[at_].op != Op::Close) {
                error_ = MacroEvalError::Parenthesis;
                return false;
            }
            ++at_;
            return true;
        }
        if (item.op != Op::None)
            return missing(item.op);
        ++at_;
        v = operand(item.text);
        return true;
    }

    Value operand(const std::string &text) const
    {
        Value v;
        v.text = text;
        if (settings_.floating) {
            if (text == ".") {
                v.number = v.missing = true;
                return v;
            }
            const std::string plain = unmask_text(text);
            char *end = nullptr;
            errno = 0;
            const double d = std::strtod(plain.c_str(), &end);
            if (!plain.empty() && end == plain.c_str() + plain.size() && std::isfinite(d) &&
                (std::isdigit(static_cast<unsigned char>(plain[0])) || plain[0] == '.')) {
                v.number = true;
                v.real = d;
            }
            return v;
        }
        const bool hex = text.size() > 1 && (text.back() == 'x' || text.back() == 'X') &&
                         std::isdigit(static_cast<unsigned char>(text[0]));
        const std::string digits = hex ? text.substr(0, text.size() - 1) : text;
        if (digits.empty())
            return v;
        for (const char c : digits)
            if (!(hex ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c))))
                return v;
        errno = 0;
        char *end = nullptr;
        const unsigned long long value = std::strtoull(digits.c_str(), &end, hex ? 16 : 10);
        if (errno == ERANGE || value > static_cast<unsigned long long>(std::numeric_limits<std::int64_t>::max()))
            return v; // too large to be a number: compared as text
        v.number = true;
        v.whole = static_cast<std::int64_t>(value);
        return v;
    }

    bool numeric(const Value &v)
    {
        if (v.number)
            return true;
        error_ = MacroEvalError::CharacterOperand;
        return false;
    }
    bool missing(Op op)
    {
        error_ = MacroEvalError::MissingOperand;
        detail_ = op_text(op);
        return false;
    }
    bool overflow()
    {
        error_ = MacroEvalError::Overflow;
        return false;
    }
    bool truth(const Value &v) const { return settings_.floating ? !v.missing && v.real != 0 : v.whole != 0; }
    void set_whole(Value &v, std::int64_t w) const
    {
        v = Value{};
        v.number = true;
        v.whole = w;
        v.real = static_cast<double>(w);
    }
    std::string text_of(const Value &v) const
    {
        if (!v.number)
            return v.text;
        if (settings_.floating)
            return v.missing ? "." : sysevalf_text(v.real);
        return std::to_string(v.whole);
    }

    bool binary(Op op, Value &left, const Value &right)
    {
        if (level(op) == 2)
            return compare(op, left, right);
        if (!numeric(left) || !numeric(right))
            return false;
        if (op == Op::And || op == Op::Or) {
            const bool l = truth(left), r = truth(right);
            set_whole(left, op == Op::And ? (l && r) : (l || r));
            return true;
        }
        return settings_.floating ? real_arithmetic(op, left, right) : whole_arithmetic(op, left, right);
    }

    bool real_arithmetic(Op op, Value &left, const Value &right)
    {
        if (left.missing || right.missing) {
            left.missing = true;
            return true;
        }
        double &a = left.real;
        const double b = right.real;
        switch (op) {
        case Op::Add: a += b; break;
        case Op::Sub: a -= b; break;
        case Op::Mul: a *= b; break;
        case Op::Div:
            if (b == 0) {
                error_ = MacroEvalError::DivisionByZero;
                return false;
            }
            a /= b;
            break;
        default: a = std::pow(a, b); break;
        }
        return std::isfinite(a) || overflow();
    }

    bool whole_arithmetic(Op op, Value &left, const Value &right)
    {
        std::int64_t &a = left.whole;
        const std::int64_t b = right.whole;
        bool overflowed = false;
        switch (op) {
        case Op::Add: overflowed = __builtin_add_overflow(a, b, &a); break;
        case Op::Sub: overflowed = __builtin_sub_overflow(a, b, &a); break;
        case Op::Mul: overflowed = __builtin_mul_overflow(a, b, &a); break;
        case Op::Div:
            if (b == 0) {
                error_ = MacroEvalError::DivisionByZero;
                return false;
            }
            if (a == std::numeric_limits<std::int64_t>::min() && b == -1)
                return overflow();
            a /= b; // truncates toward zero, as %EVAL does
            break;
        default: { // **: a negative power of a whole number is 0 unless the base is 1 or -1
            std::int64_t result = 1;
            if (a == 1 || a == -1 || a == 0)
                result = a == 0 ? (b == 0 ? 1 : b > 0 ? 0 : std::numeric_limits<std::int64_t>::max()) : (a == -1 && b % 2 ? -1 : 1);
            else if (b >= 0) // |a| >= 2 overflows within 64 factors
                for (std::int64_t k = 0; k < b && !overflowed; ++k)
                    overflowed = __builtin_mul_overflow(result, a, &result);
            else
                result = 0;
            if (a == 0 && b < 0) {
                error_ = MacroEvalError::DivisionByZero;
                return false;
            }
            a = result;
        }
        }
        left.real = static_cast<double>(a);
        return !overflowed || overflow();
    }

    static std::string padded(std::string text, size_t length)
    {
        text.resize(std::max(length, text.size()), ' ');
        return text;
    }

    // <0, 0, >0: numbers as numbers when both are, otherwise the texts padded with blanks.
    int order(const Value &a, const Value &b) const
    {
        if (a.number && b.number) {
            if (settings_.floating) {
                if (a.missing || b.missing)
                    return a.missing == b.missing ? 0 : a.missing ? -1 : 1;
                return a.real < b.real ? -1 : a.real > b.real ? 1 : 0;
            }
            return a.whole < b.whole ? -1 : a.whole > b.whole ? 1 : 0;
        }
        const std::string x = unmask_text(text_of(a)), y = unmask_text(text_of(b));
        const size_t length = std::max(x.size(), y.size());
        return padded(x, length).compare(padded(y, length));
    }

    bool compare(Op op, Value &left, const Value &right)
    {
        bool truth_value = false;
        if (op == Op::In) {
            const std::string list = right.text;
            size_t start = 0;
            while (start <= list.size() && !truth_value) {
                size_t end = list.find(settings_.in_delimiter, start);
                if (end == std::string::npos)
                    end = list.size();
                std::string item = list.substr(start, end - start);
                const size_t first = item.find_first_not_of(' ');
                if (first != std::string::npos) {
                    item = item.substr(first, item.find_last_not_of(' ') - first + 1);
                    truth_value = order(left, operand(item)) == 0;
                }
                start = end + 1;
            }
        } else {
            const int o = order(left, right);
            switch (op) {
            case Op::Lt: truth_value = o < 0; break;
            case Op::Le: truth_value = o <= 0; break;
            case Op::Eq: truth_value = o == 0; break;
            case Op::Ne: truth_value = o != 0; break;
            case Op::Ge: truth_value = o >= 0; break;
            default: truth_value = o > 0; break;
            }
        }
        set_whole(left, truth_value ? 1 : 0);
        return true;
    }

    std::vector<Item> items_;
    const MacroEvalSettings &settings_;
    size_t at_ = 0;
    MacroEvalError error_ = MacroEvalError::None;
    std::string detail_;
};

} // namespace

std::string sysevalf_text(double value)
{
    if (std::isnan(value))
        return ".";
    char text[64];
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        std::snprintf(text, sizeof text, "%.0f", value);
    else
        std::snprintf(text, sizeof text, "%.15G", value);
    std::string out = text;
    if (out == "-0")
        out = "0";
    return out;
}

MacroEvalResult evaluate_macro_expression(std::string_view text, const MacroEvalSettings &settings)
{
    MacroEvalResult result;
    std::vector<Item> items = split_items(text, settings);
    if (items.empty())
        return result; // %EVAL() is empty
    Evaluator evaluator(std::move(items), settings);
    evaluator.run(result);
    return result;
}

std::string macro_eval_message(const MacroEvalResult &result, const std::string &function, std::string_view written)
{
    switch (result.error) {
    case MacroEvalError::CharacterOperand:
        return "A character operand was found in the " + function +
               " function or %IF condition where a numeric operand is required. The condition was: " +
               std::string(written);
    case MacroEvalError::DivisionByZero:
        return "Division by zero in " + function + " is invalid.";
    case MacroEvalError::Overflow:
        return "Overflow has occurred; evaluation is terminated.";
    case MacroEvalError::Parenthesis:
        return "Unbalanced parentheses in the " + function + " function or %IF condition. The condition was: " +
               std::string(written);
    case MacroEvalError::MissingOperand:
        if (result.detail.empty())
            return "Operand missing in the " + function + " function or %IF condition. The condition was: " +
                   std::string(written);
        return "Operand missing for " + result.detail + " operator in argument to " + function + " function.";
    default:
        return {};
    }
}

} // namespace quill::host
