#include "language/sql/sql_calls.h"

#include "base/names.h"

namespace quill::host {

int SqlCalls::add(const Token &name, const std::vector<Variable> &arguments, const std::vector<Token> &format,
                  std::string &error)
{
    Site site;
    site.base = static_cast<int>(slots_.size());
    site.count = static_cast<int>(arguments.size());
    // The call as tokens: NAME ( _0 , _1 ... [, format] ), each argument a variable of its own.
    std::vector<Token> tokens;
    auto punct = [&](char c) {
        Token t = name;
        t.kind = TokenKind::Punct;
        t.text.assign(1, c);
        t.source = t.text;
        tokens.push_back(std::move(t));
    };
    tokens.push_back(name);
    punct('(');
    for (size_t k = 0; k < arguments.size(); ++k) {
        if (k)
            punct(',');
        Token t = name;
        t.kind = TokenKind::Name;
        t.text = t.source = "_" + std::to_string(site.base + static_cast<int>(k));
        tokens.push_back(std::move(t));
        slots_.push_back(arguments[k]);
    }
    if (!format.empty()) {
        punct(',');
        tokens.insert(tokens.end(), format.begin(), format.end());
    }
    punct(')');
    Scope scope;
    scope.find = [&](const std::string &text, const Token &) {
        return text.size() > 1 && text[0] == '_' ? std::atoi(text.c_str() + 1) : -1;
    };
    scope.variable = [&](int slot) -> const Variable & { return slots_[static_cast<size_t>(slot)]; };
    size_t pos = 0;
    if (!set_.parse(tokens, pos, tokens.size(), scope, site.node, error)) {
        slots_.resize(static_cast<size_t>(site.base));
        return -1;
    }
    row_.resize(slots_.size());
    sites_.push_back(site);
    return static_cast<int>(sites_.size()) - 1;
}

void SqlCalls::set_number(int site, size_t k, double value)
{
    row_.numbers[static_cast<size_t>(sites_[static_cast<size_t>(site)].base) + k] = value;
}

void SqlCalls::set_text(int site, size_t k, const char *text, size_t size)
{
    row_.texts[static_cast<size_t>(sites_[static_cast<size_t>(site)].base) + k].assign(text, size);
}

std::vector<EvalEvent> SqlCalls::take_events()
{
    std::vector<EvalEvent> events = std::move(set_.events());
    set_.events().clear();
    return events;
}

} // namespace quill::host
