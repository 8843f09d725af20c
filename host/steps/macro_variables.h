// Macro variables: %LET name = value; defines one, &name or &name. is replaced by its value in
// the program's tokens (and in double-quoted strings, not single-quoted ones), %PUT writes text to
// the log. The automatic SYSDATE9 (the run's date) and SYSLAST (the last data set created) are
// always defined. Other macro facility statements are refused: this host has no macro language.
// A value, and any text a reference is resolved in, holds at most 65534 characters, as in SAS: a
// longer one is cut there with an ERROR, so that a value doubled in a loop cannot take all memory.
#ifndef QUILL_HOST_STEPS_MACRO_VARIABLES_H
#define QUILL_HOST_STEPS_MACRO_VARIABLES_H

#include <map>
#include <string>
#include <vector>

#include "language/tokenizer.h"
#include "modules/session.h"

namespace quill::host {

class MacroVariables {
public:
    // The macro statement that begins with tokens[0] ('%' written before a name), or empty.
    static std::string macro_keyword(const std::vector<Token> &tokens);
    // True when `word`, which the tokenizer refused, is a word of the text of the %LET or %PUT
    // begun with `tokens` (the value, as written): there it is neither a name nor a number, and
    // may be longer than a name or larger than a number can be.
    static bool word_in_text(const std::vector<Token> &tokens, const Token &word);
    // Runs %LET or %PUT; other macro statements log an error. `source` is the text of the
    // statement's lines, for the value of %LET as written.
    void run(Session &session, const std::vector<Token> &tokens, const std::vector<std::string> &lines);
    // Replaces every reference in the tokens; an unknown name gets SAS's warning and stays.
    void resolve(Session &session, std::vector<Token> &tokens) const;

private:
    std::string value(Session &session, const std::string &name, bool &found) const;
    // `text` with its references replaced, cut to the longest value with an ERROR placed at `at`.
    std::string resolve_text(Session &session, const std::string &text, const Token &at) const;
    std::map<std::string, std::string> values_;
};

} // namespace quill::host

#endif
