// %EVAL and %SYSEVALF on text whose references are already resolved, and the condition of %IF
// and %DO %WHILE/%UNTIL. %EVAL is integer arithmetic (10/3 is 3, a fraction is a character
// operand); %SYSEVALF is floating point. Operators, tightest first: **; prefix + and -; NOT ^ ~;
// * and /; + and -; comparisons (< LT <= LE = EQ ^= ~= NE >= GE > GT, and # IN when MINOPERATOR
// is set); & AND; | OR. A comparison of two integers (two numbers for %SYSEVALF) is numeric,
// any other compares the texts. Hidden (quoted) characters are never operators.
#ifndef QUILL_HOST_LANGUAGE_MACRO_EXPRESSION_H
#define QUILL_HOST_LANGUAGE_MACRO_EXPRESSION_H

#include <string>
#include <string_view>

namespace quill::host {

struct MacroEvalSettings {
    bool floating = false;     // %SYSEVALF
    bool in_operator = false;  // OPTIONS MINOPERATOR: IN and # compare against a list
    char in_delimiter = ' ';   // OPTIONS MINDELIMITER=: what separates the list's items
};

enum class MacroEvalError { None, CharacterOperand, DivisionByZero, Overflow, MissingOperand, Parenthesis };

struct MacroEvalResult {
    MacroEvalError error = MacroEvalError::None;
    std::string value;   // the result as text: 1 or 0 for a comparison
    std::string detail;  // for MissingOperand: the operator
};

MacroEvalResult evaluate_macro_expression(std::string_view text, const MacroEvalSettings &settings);

// The message for a failed evaluation; `written` is the expression as the program wrote it.
std::string macro_eval_message(const MacroEvalResult &result, const std::string &function, std::string_view written);

// A %SYSEVALF result as text: whole numbers without a decimal point, others in up to 15
// significant digits; '.' for a missing value.
std::string sysevalf_text(double value);

} // namespace quill::host

#endif
