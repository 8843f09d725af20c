#include "language/variable_lists.h"

#include <cctype>
#include <unordered_map>

#include "base/message_text.h"
#include "base/names.h"

namespace quill::host {
namespace {

bool is_name(const Token &t) { return t.kind == TokenKind::Name || t.kind == TokenKind::NameLiteral; }

class ListResolver {
public:
    ListResolver(const std::vector<Token> &tokens, const std::vector<Variable> &variables, std::vector<int> &numbers,
                 std::string &error)
        : tokens_(tokens), variables_(variables), numbers_(numbers), error_(error)
    {
    }

    bool run()
    {
        while (pos_ < tokens_.size())
            if (!item())
                return false;
        return true;
    }

private:
    bool fail(const std::string &message)
    {
        error_ = message;
        return false;
    }

    // The column named `name`, or -1. A few look-ups scan the columns; after that an index is
    // built, so that a long list over a wide data set stays linear.
    int index_of(std::string_view name)
    {
        constexpr int scans_before_index = 16;
        if (lookups_++ < scans_before_index) {
            for (size_t i = 0; i < variables_.size(); ++i)
                if (same_name(variables_[i].name, name))
                    return static_cast<int>(i);
            return -1;
        }
        if (index_.empty()) {
            index_.reserve(variables_.size());
            for (size_t i = 0; i < variables_.size(); ++i)
                index_.emplace(upper_case(variables_[i].name), static_cast<int>(i));
        }
        const auto it = index_.find(upper_case(name));
        return it == index_.end() ? -1 : it->second;
    }

    bool find(const Token &t, int &index)
    {
        index = index_of(t.text);
        return index >= 0 || fail("Variable " + upper_case(t.text) + " not found.");
    }

    void add_type(VarType type, bool any, int from, int to)
    {
        for (int i = from; i <= to; ++i)
            if (any || variables_[static_cast<size_t>(i)].type == type)
                numbers_.push_back(i + 1);
    }

    bool item()
    {
        const Token &first = tokens_[pos_++];
        if (!is_name(first))
            return fail(quoted_excerpt(first.source) + " cannot stand in a variable list.");
        const std::string upper = upper_case(first.text);
        if (first.kind == TokenKind::Name) {
            const int count = static_cast<int>(variables_.size());
            if (upper == "_ALL_")
                return add_type(VarType::Numeric, true, 0, count - 1), true;
            if (upper == "_NUMERIC_")
                return add_type(VarType::Numeric, false, 0, count - 1), true;
            if (upper == "_CHARACTER_" || upper == "_CHAR_")
                return add_type(VarType::Character, false, 0, count - 1), true;
        }
        if (pos_ < tokens_.size() && is_punct(tokens_[pos_], ':')) {
            ++pos_;
            return prefix(first);
        }
        if (pos_ + 1 < tokens_.size() && is_punct(tokens_[pos_], '-')) {
            if (is_punct(tokens_[pos_ + 1], '-') && pos_ + 2 < tokens_.size() && is_name(tokens_[pos_ + 2])) {
                pos_ += 3;
                return positional(first, tokens_[pos_ - 1], VarType::Numeric, true);
            }
            const Token &middle = tokens_[pos_ + 1];
            const std::string type = upper_case(middle.text);
            if (middle.kind == TokenKind::Name && pos_ + 3 < tokens_.size() && is_punct(tokens_[pos_ + 2], '-') &&
                is_name(tokens_[pos_ + 3]) && (type == "NUMERIC" || type == "CHARACTER" || type == "CHAR")) {
                pos_ += 4;
                return positional(first, tokens_[pos_ - 1],
                                  type == "NUMERIC" ? VarType::Numeric : VarType::Character, false);
            }
            if (is_name(middle)) {
                pos_ += 2;
                return numbered(first, middle);
            }
            return fail("The range after " + upper + " is incomplete.");
        }
        int index;
        if (!find(first, index))
            return false;
        numbers_.push_back(index + 1);
        return true;
    }

    bool prefix(const Token &t)
    {
        const size_t before = numbers_.size();
        for (size_t i = 0; i < variables_.size(); ++i) {
            const std::string &name = variables_[i].name;
            if (name.size() >= t.text.size() && same_name(name.substr(0, t.text.size()), t.text))
                numbers_.push_back(static_cast<int>(i) + 1);
        }
        return numbers_.size() > before || fail("No variable names begin with " + upper_case(t.text) + ".");
    }

    bool positional(const Token &from, const Token &to, VarType type, bool any)
    {
        int a, b;
        if (!find(from, a) || !find(to, b))
            return false;
        if (a > b)
            return fail("Variable " + upper_case(from.text) + " comes after " + upper_case(to.text) +
                        " in the data set, so the range " + upper_case(from.text) + "--" +
                        upper_case(to.text) + " is empty.");
        add_type(type, any, a, b);
        return true;
    }

    bool numbered(const Token &from, const Token &to)
    {
        std::string p1, p2;
        long n1 = 0, n2 = 0;
        const std::string range = upper_case(from.text) + "-" + upper_case(to.text);
        if (!split_numbered_name(from.text, p1, n1) || !split_numbered_name(to.text, p2, n2) || !same_name(p1, p2))
            return fail("The numbered range " + range +
                        " needs two names with the same prefix followed by numbers.");
        if (n1 > n2)
            return fail("The numbered range " + range + " counts down; the first number must be the smaller.");
        for (long k = n1; k <= n2; ++k) {
            const std::string name = upper_case(p1) + std::to_string(k);
            const int index = index_of(name);
            if (index < 0)
                return fail("Variable " + name + " not found.");
            numbers_.push_back(index + 1);
        }
        return true;
    }

    const std::vector<Token> &tokens_;
    const std::vector<Variable> &variables_;
    std::vector<int> &numbers_;
    std::string &error_;
    size_t pos_ = 0;
    int lookups_ = 0;
    std::unordered_map<std::string, int> index_;
};

} // namespace

bool resolve_variable_list(const std::vector<Token> &tokens, const std::vector<Variable> &variables,
                           std::vector<int> &numbers, std::string &error)
{
    return ListResolver(tokens, variables, numbers, error).run();
}

bool split_numbered_name(const std::string &name, std::string &prefix, long &number)
{
    size_t digits = name.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1])))
        --digits;
    if (digits == name.size() || digits == 0 || name.size() - digits > 9)
        return false;
    prefix = name.substr(0, digits);
    number = std::stol(name.substr(digits));
    return true;
}

} // namespace quill::host
