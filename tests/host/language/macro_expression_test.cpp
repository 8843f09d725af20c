// %EVAL and %SYSEVALF: integer arithmetic as the macro language does it (division truncates, a
// fraction is text), numeric against text comparison, the logical operators, IN under
// MINOPERATOR, and the errors. Every expected value is worked out by hand from those rules.
#include "language/macro/macro_expression.h"

#include <gtest/gtest.h>

namespace quill::host {
namespace {

std::string eval(const std::string &text, bool floating = false, bool in = false, char delimiter = ' ')
{
    MacroEvalSettings settings;
    settings.floating = floating;
    settings.in_operator = in;
    settings.in_delimiter = delimiter;
    const MacroEvalResult r = evaluate_macro_expression(text, settings);
    return r.error == MacroEvalError::None ? r.value : "error " + std::to_string(static_cast<int>(r.error));
}

TEST(MacroEval, IntegerArithmeticTruncatesAndBindsAsTheMacroLanguage)
{
    EXPECT_EQ(eval("10/3"), "3");
    EXPECT_EQ(eval("-10/3"), "-3"); // toward zero
    EXPECT_EQ(eval("1+2*3"), "7");
    EXPECT_EQ(eval("(1+2)*3"), "9");
    EXPECT_EQ(eval("5 - 3 - 1"), "1");
    EXPECT_EQ(eval("2**10"), "1024");
    EXPECT_EQ(eval("-2**2"), "-4"); // ** before the prefix minus
    EXPECT_EQ(eval("2**-1"), "0");
    EXPECT_EQ(eval("1**9000000000000000000"), "1"); // answered without multiplying that often
    EXPECT_EQ(eval("-1**3"), "-1");
    EXPECT_EQ(eval("0FFx + 1"), "256");
    EXPECT_EQ(eval(""), "");
}

TEST(MacroEval, ComparisonsAreNumericForIntegersAndTextOtherwise)
{
    EXPECT_EQ(eval("10 > 9"), "1");     // as text "10" < "9"
    EXPECT_EQ(eval("abc < abd"), "1");
    EXPECT_EQ(eval("1.5 > 1"), "1");    // text: '.' sorts after the blank that pads "1"
    EXPECT_EQ(eval("010 = 10"), "1");
    EXPECT_EQ(eval("ABC EQ abc"), "0");
    EXPECT_EQ(eval("x ne y"), "1");
    EXPECT_EQ(eval("John Smith = John Smith"), "1"); // blanks inside an operand stay
    EXPECT_EQ(eval("a = "), "0");       // %IF &x = %THEN with x set
    EXPECT_EQ(eval(" = "), "1");        // ... and with x empty
    EXPECT_EQ(eval("\"a=b\" = \"a=b\""), "1");
}

TEST(MacroEval, LogicalOperatorsAndIn)
{
    EXPECT_EQ(eval("1 and 0"), "0");
    EXPECT_EQ(eval("1 or 0"), "1");
    EXPECT_EQ(eval("3 = 3 & 2 < 1"), "0");
    EXPECT_EQ(eval("3 = 3 | 2 < 1"), "1");
    EXPECT_EQ(eval("not 0"), "1");
    EXPECT_EQ(eval("^ 5"), "0");
    EXPECT_EQ(eval("2 ^= 3"), "1");
    EXPECT_EQ(eval("b in a b c", false, true), "1");
    EXPECT_EQ(eval("d # a b c", false, true), "0");
    EXPECT_EQ(eval("2 in 1,2,3", false, true, ','), "1");
    EXPECT_EQ(eval("a in a"), "a in a"); // NOMINOPERATOR: IN is a word
}

TEST(MacroEval, ErrorsAndTheirMessages)
{
    MacroEvalSettings integer;
    EXPECT_EQ(evaluate_macro_expression("a + 1", integer).error, MacroEvalError::CharacterOperand);
    EXPECT_EQ(evaluate_macro_expression("1.5 + 1", integer).error, MacroEvalError::CharacterOperand);
    EXPECT_EQ(evaluate_macro_expression("1/0", integer).error, MacroEvalError::DivisionByZero);
    EXPECT_EQ(evaluate_macro_expression("9223372036854775807 + 1", integer).error, MacroEvalError::Overflow);
    EXPECT_EQ(evaluate_macro_expression("(1 + 2", integer).error, MacroEvalError::Parenthesis);
    const MacroEvalResult missing = evaluate_macro_expression("1 +", integer);
    EXPECT_EQ(macro_eval_message(missing, "%EVAL", "1 +"), "Operand missing for + operator in argument to %EVAL function.");
    EXPECT_EQ(macro_eval_message(evaluate_macro_expression("x + 1", integer), "%EVAL", "&v + 1"),
              "A character operand was found in the %EVAL function or %IF condition where a numeric operand is "
              "required. The condition was: &v + 1");
}

TEST(MacroEval, SysevalfIsFloatingPoint)
{
    EXPECT_EQ(eval("10/3", true), "3.33333333333333");
    EXPECT_EQ(eval("1/4", true), "0.25");
    EXPECT_EQ(eval("1.5 + 1", true), "2.5");
    EXPECT_EQ(eval("2.5 > 10", true), "0"); // numbers, not texts
    EXPECT_EQ(eval("6/2", true), "3");
    EXPECT_EQ(eval(". + 1", true), ".");
    EXPECT_EQ(eval("1e3 * 2", true), "2000");
}

} // namespace
} // namespace quill::host
