#include "steps/data_step/call_routines.h"

#include "base/names.h"
#include "base/number_text.h"
#include "language/macro/macro_text.h"

namespace quill::host {

std::string run_symput(MacroSymbols &symbols, const ExpressionSet &expressions, const Row &row, const Stmt &call)
{
    const bool x = call.routine == CallRoutine::Symputx;
    const std::string name = upper_case(trim_macro_blanks(expressions.text(call.expr, row)));
    std::string value;
    if (expressions.type(call.expr2) == VarType::Numeric) {
        const double number = expressions.number(call.expr2, row);
        value = x ? trim_macro_blanks(best_text(number, 32)) : best12(number);
    } else {
        value = expressions.text(call.expr2, row);
        if (x)
            value = trim_macro_blanks(value);
    }
    if (!valid_macro_name(name))
        return "Symbolic variable name " + name + " must begin with a letter or underscore and contain only letters, "
               "digits, and underscores (CALL " + std::string(x ? "SYMPUTX" : "SYMPUT") + ").";
    const std::string scope = call.expr3 >= 0 ? upper_case(trim_macro_blanks(expressions.text(call.expr3, row))) : "";
    const size_t length = value.size();
    bool whole = true;
    if (scope.rfind('G', 0) == 0)
        whole = symbols.set_global(name, std::move(value));
    else if (scope.rfind('L', 0) == 0)
        whole = symbols.set_local(name, std::move(value));
    else if (scope.rfind('F', 0) == 0 && symbols.exists(name))
        whole = symbols.set(name, std::move(value));
    else
        whole = symbols.put(name, std::move(value));
    return whole ? std::string() : macro_value_too_long(length);
}

} // namespace quill::host
