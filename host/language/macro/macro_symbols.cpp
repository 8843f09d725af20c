#include "language/macro/macro_symbols.h"

namespace quill::host {

std::string macro_value_too_long(size_t length)
{
    return "The text expression length (" + std::to_string(length) + ") exceeds maximum length (" +
           std::to_string(max_macro_value) + "). The text expression has been truncated to " +
           std::to_string(max_macro_value) + " characters.";
}

const std::string *MacroSymbols::find(const std::string &name) const
{
    for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope)
        if (const auto it = scope->values.find(name); it != scope->values.end())
            return &it->second;
    if (const auto it = automatic_.find(name); it != automatic_.end())
        return &it->second;
    return nullptr;
}

MacroSymbols::Scope *MacroSymbols::holder(const std::string &name)
{
    for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope)
        if (scope->values.count(name))
            return &*scope;
    return nullptr;
}

bool MacroSymbols::assign(Scope &scope, const std::string &name, std::string value)
{
    const bool whole = value.size() <= max_macro_value;
    if (!whole)
        value.resize(max_macro_value);
    if (&scope == &scopes_.front() && automatic_.count(name)) {
        automatic_[name] = std::move(value); // %LET SYSLAST=...: the automatic one changes
        return whole;
    }
    scope.values[name] = std::move(value);
    return whole;
}

bool MacroSymbols::set(const std::string &name, std::string value)
{
    Scope *scope = holder(name);
    return assign(scope ? *scope : scopes_.back(), name, std::move(value));
}

bool MacroSymbols::put(const std::string &name, std::string value)
{
    Scope *scope = holder(name);
    if (!scope) {
        scope = &scopes_.front();
        for (auto s = scopes_.rbegin(); s != scopes_.rend(); ++s)
            if (!s->values.empty()) {
                scope = &*s;
                break;
            }
    }
    return assign(*scope, name, std::move(value));
}

bool MacroSymbols::set_global(const std::string &name, std::string value)
{
    return assign(scopes_.front(), name, std::move(value));
}

bool MacroSymbols::set_local(const std::string &name, std::string value)
{
    return assign(scopes_.back(), name, std::move(value));
}

void MacroSymbols::declare_global(const std::string &name)
{
    scopes_.front().values.try_emplace(name);
}

void MacroSymbols::declare_local(const std::string &name)
{
    scopes_.back().values.try_emplace(name);
}

bool MacroSymbols::remove_global(const std::string &name)
{
    return scopes_.front().values.erase(name) > 0;
}

bool MacroSymbols::is_global(const std::string &name) const
{
    return scopes_.front().values.count(name) > 0 || automatic_.count(name) > 0;
}

bool MacroSymbols::is_local(const std::string &name) const
{
    for (size_t i = 1; i < scopes_.size(); ++i)
        if (scopes_[i].values.count(name))
            return true;
    return false;
}

} // namespace quill::host
