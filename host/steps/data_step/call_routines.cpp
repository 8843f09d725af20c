#include "steps/data_step/call_routines.h"

#include <algorithm>

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

void run_call_routine(const ExpressionSet &expressions, Row &row, const Stmt &call)
{
    if (call.routine == CallRoutine::Streaminit) {
        expressions.stream_init(expressions.number(call.arguments[0], row));
        return;
    }
    std::vector<int> slots; // at most the step's variables, once per statement run
    for (const int node : call.arguments) {
        const int slot = expressions.target_slot(node, row);
        if (slot < 0)
            return;
        slots.push_back(slot);
    }
    if (call.routine == CallRoutine::Missing) {
        for (size_t k = 0; k < slots.size(); ++k) {
            const auto slot = static_cast<size_t>(slots[k]);
            if (expressions.type(call.arguments[k]) == VarType::Character)
                row.texts[slot].clear();
            else
                row.numbers[slot] = missing_value();
        }
        return;
    }
    std::vector<double> values;
    for (const int slot : slots)
        values.push_back(row.numbers[static_cast<size_t>(slot)]);
    // Missing values (NaN) sort first, as SAS orders them.
    std::sort(values.begin(), values.end(), [](double a, double b) {
        return is_missing(a) ? !is_missing(b) : !is_missing(b) && a < b;
    });
    for (size_t k = 0; k < slots.size(); ++k)
        row.numbers[static_cast<size_t>(slots[k])] = values[k];
}

} // namespace quill::host
