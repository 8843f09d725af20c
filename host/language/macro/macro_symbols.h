// The macro variables: the global symbol table, one local table per running macro (innermost
// last) and the automatic variables (SYSDATE9, SYSLAST, SYSERR ...). Names are kept upper-case;
// a value holds at most 65534 characters.
#ifndef QUILL_HOST_LANGUAGE_MACRO_SYMBOLS_H
#define QUILL_HOST_LANGUAGE_MACRO_SYMBOLS_H

#include <map>
#include <string>
#include <vector>

namespace quill::host {

constexpr size_t max_macro_value = 65534;

// The ERROR text for a value longer than max_macro_value (the value is cut to it).
std::string macro_value_too_long(size_t length);

class MacroSymbols {
public:
    struct Scope {
        std::string name; // the macro's name; "GLOBAL" for the global table
        std::map<std::string, std::string> values;
    };

    MacroSymbols() { scopes_.push_back({"GLOBAL", {}}); }

    // The value of name in the innermost table that has it, then the automatic ones; null if none.
    const std::string *find(const std::string &name) const;
    // %LET: the innermost table that has the name, else the innermost table. False when the
    // value was cut to max_macro_value.
    bool set(const std::string &name, std::string value);
    // CALL SYMPUT's rule: a table that has the name, else the innermost table that is not empty.
    bool put(const std::string &name, std::string value);
    bool set_global(const std::string &name, std::string value);
    bool set_local(const std::string &name, std::string value);
    // %GLOBAL/%LOCAL: the name exists in that table (empty unless it has a value).
    void declare_global(const std::string &name);
    void declare_local(const std::string &name);
    // %SYMDEL: a global variable; false when there is none.
    bool remove_global(const std::string &name);
    bool exists(const std::string &name) const { return find(name) != nullptr; }
    bool is_global(const std::string &name) const;
    bool is_local(const std::string &name) const;

    void set_automatic(const std::string &name, std::string value) { automatic_[name] = std::move(value); }
    const std::map<std::string, std::string> &automatic() const { return automatic_; }

    void push_scope(const std::string &macro) { scopes_.push_back({macro, {}}); }
    void pop_scope() { scopes_.pop_back(); }
    bool in_macro() const { return scopes_.size() > 1; }
    const std::vector<Scope> &scopes() const { return scopes_; }

private:
    Scope *holder(const std::string &name);
    bool assign(Scope &scope, const std::string &name, std::string value);

    std::vector<Scope> scopes_;
    std::map<std::string, std::string> automatic_;
};

} // namespace quill::host

#endif
