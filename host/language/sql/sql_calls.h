// The DATA step's functions as SQL calls them. Each call site of a statement is compiled once by
// the DATA step's own expression parser, its arguments standing as variables of the types the
// SQL expression gives them; the engine's one function sas_call(K, arguments...) then evaluates
// site K by the DATA step's own code. A function added to the DATA step is there for SQL too.
#ifndef QUILL_HOST_LANGUAGE_SQL_SQL_CALLS_H
#define QUILL_HOST_LANGUAGE_SQL_SQL_CALLS_H

#include <string>
#include <vector>

#include "data/table.h"
#include "language/expression.h"

namespace quill::host {

class MacroSymbols;

class SqlCalls {
public:
    explicit SqlCalls(const MacroSymbols *symbols) { set_.set_macro_symbols(symbols); }

    // Compiles the call name(arguments) where each argument has the type and length of
    // `arguments`; `format` holds the tokens of PUT's format or INPUT's informat (empty for any
    // other function). The site's number, or -1 with `error` (the DATA step's message, with its place).
    int add(const Token &name, const std::vector<Variable> &arguments, const std::vector<Token> &format,
            std::string &error);
    VarType type(int site) const { return set_.type(sites_[static_cast<size_t>(site)].node); }
    size_t length(int site) const { return set_.length(sites_[static_cast<size_t>(site)].node); }
    size_t arguments(int site) const { return static_cast<size_t>(sites_[static_cast<size_t>(site)].count); }
    bool empty() const { return sites_.empty(); }

    // Argument k of site `site`, to be set before evaluate.
    void set_number(int site, size_t k, double value);
    void set_text(int site, size_t k, const char *text, size_t size);
    // The value of the call with the arguments set: a number (missing when missing) or a text.
    double number(int site) const { return set_.number(sites_[static_cast<size_t>(site)].node, row_); }
    const std::string &text(int site) const { return set_.text(sites_[static_cast<size_t>(site)].node, row_); }

    // The notes of invalid arguments since the last take, and how many there were in all.
    std::vector<EvalEvent> take_events();

private:
    struct Site {
        int node = -1;
        int base = 0; // its first argument's slot
        int count = 0;
    };
    ExpressionSet set_;
    std::vector<Variable> slots_;
    std::vector<Site> sites_;
    Row row_;
};

} // namespace quill::host

#endif
