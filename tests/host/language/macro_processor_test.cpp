// The macro processor between the program text and the statement reader: references glued to
// names, macro definitions and calls with their scopes, %DO and %IF, the functions, quoting,
// the messages and traces, %INCLUDE, data lines, and the suspension of a macro while a
// statement it generated is read. Expected texts are written by hand from the language's rules.
#include "language/macro/macro_processor.h"

#include <gtest/gtest.h>

#include "host_test_support.h"

namespace quill::host {
namespace {

struct MacroRun {
    LogWriter log{TextSink::to_memory()};
    MacroSymbols symbols;
    MacroOptions options;
    std::vector<int> echoed;
    MacroProcessor processor{log, symbols, options, MacroHooks{[this](int line) { echoed.push_back(line); }, {}, {}}};

    explicit MacroRun(const std::string &program) { processor.push_program(program); }
    // The statements as the reader gets them, blanks around them trimmed.
    std::vector<std::string> statements()
    {
        std::vector<std::string> out;
        StatementText s;
        while (processor.next_statement(s)) {
            const size_t first = s.text.find_first_not_of(" \n\t");
            if (first != std::string::npos)
                out.push_back(s.text.substr(first, s.text.find_last_not_of(" \n\t") - first + 1));
        }
        return out;
    }
    const std::vector<std::string> &lines() const { return log.sink().lines(); }
    std::string value(const std::string &name) const
    {
        const std::string *v = symbols.find(name);
        return v ? *v : "<none>";
    }
};

using Texts = std::vector<std::string>;

TEST(MacroProcessor, ReferencesJoinTheTextAroundThemBeforeTokensAreFormed)
{
    MacroRun run("%let dsn = pima; %let lib = s; %let i = 3; %let var3 = age;\n"
            "proc means data=s.&dsn; set &lib..pima &lib.x; data data_&i;\n"
            "y = &&var&i; t = \"&dsn's\"; u = '&dsn'; v = &dsn.&i;\n"
            "w = &nosuch; z = a && b &&;\n");
    EXPECT_EQ(run.statements(), (Texts{"proc means data=s.pima;", "set s.pima sx;", "data data_3;", "y = age;",
                                       "t = \"pima's\";", "u = '&dsn';", "v = pima3;", "w = &nosuch;", "z = a && b &&;"}));
    EXPECT_EQ(run.lines(), (Texts{"WARNING: Apparent symbolic reference NOSUCH not resolved."}));
    EXPECT_EQ(run.echoed, (std::vector<int>{1, 2, 3, 4}));
}

TEST(MacroProcessor, MacroCallsBindParametersInTheirOwnScope)
{
    MacroRun run("%let n = outer;\n"
            "%macro show(a, b, key=dflt);\n"
            "  %local n; %let n = &a-&b;\n"
            "  %global made; %let made = &key;\n"
            "  put &n &key;\n"
            "%mend show;\n"
            "%show(1, 2) %show(x, key=k2, b=y)\n"
            "%put &n &made;\n");
    EXPECT_EQ(run.statements(), (Texts{"put 1-2 dflt;", "put x-y k2;"}));
    EXPECT_EQ(run.lines(), (Texts{"outer k2"}));
}

TEST(MacroProcessor, LoopsAndConditionsGenerateStatements)
{
    MacroRun run("%macro gen(n);\n"
            "  %do i = 1 %to &n %by 2;\n"
            "    %if &i = 1 %then %do; data first; %end;\n"
            "    %else %if %eval(&i > 3) %then %str(data late&i;);\n"
            "    %else %str(data d&i;);\n"
            "  %end;\n"
            "  %let k = 0;\n"
            "  %do %while(&k < 2); w&k; %let k = %eval(&k + 1); %end;\n"
            "  %do %until(&k = 0); u&k; %let k = %eval(&k - 1); %end;\n"
            "  %if &k = 0 %then y = 1;;\n" // the clause's own ';' is not generated: one statement

            "%mend;\n"
            "%gen(5)\n"
            "%if %sysfunc(sum(1, 1)) = 3 %then %put yes; %else %put open-code if;\n");
    EXPECT_EQ(run.statements(), (Texts{"data first;", "data d3;", "data late5;", "w0;", "w1;", "u2;", "u1;", "y = 1;"}));
    EXPECT_EQ(run.lines().back(), "open-code if");
}

TEST(MacroProcessor, FunctionsAndQuoting)
{
    MacroRun run("%let list = a b c;\n"
            "%put %scan(&list, 2) %scan(x.y.z, -1, .) %substr(abcdef, 2, 3) %upcase(mixed) %lowcase(MIXED);\n"
            "%put %length(&list) %index(abcdef,cd) %sysfunc(upcase(abc)) %sysfunc(sum(1, 2)) %sysfunc(round(2.567, 0.01));\n"
            "%let semi = %str(x=1; y=2);\n"
            "%put &semi %nrstr(&list) %sysevalf(7/2, ceil) %sysevalf(7/2) %eval(7/2);\n"
            "%let q = %str(  padded  );\n"
            "%put [&q] [%trim(&q)] %superq(semi) %symexist(list) %symexist(nothere);\n"
            "%put %substr(abc, 5);\n");
    run.statements();
    EXPECT_EQ(run.lines(), (Texts{"b z bcd MIXED mixed", "5 3 ABC 3 2.57", "x=1; y=2 &list 4 3.5 3",
                                  "[  padded  ] [  padded] x=1; y=2 1 0",
                                  "ERROR: Argument 2 to macro function %SUBSTR is out of range.", ""}));
}

TEST(MacroProcessor, AStatementIsReadBeforeTheMacroGoesOn)
{
    // The second statement's %LET sees FLAG as it is after the first statement was handed out,
    // as a CALL SYMPUTX in a generated step would have left it.
    MacroRun run("%let flag = before;\n"
            "%macro m; data a; %let seen = &flag; data b; %mend;\n"
            "%m\n");
    StatementText s;
    ASSERT_TRUE(run.processor.next_statement(s));
    EXPECT_EQ(s.text.substr(s.text.find('d')), "data a;");
    run.symbols.put("FLAG", "after");
    ASSERT_TRUE(run.processor.next_statement(s));
    EXPECT_EQ(run.value("SEEN"), "after");
}

TEST(MacroProcessor, TracesAndMessagesAsSasWritesThem)
{
    MacroRun run("%macro m(x);\n"
            "  %do i = 1 %to 2; proc print data=d&i; %end;\n"
            "  %if &x + 1 %then ;\n"
            "%mend;\n"
            "%m(a) %nomacro\n");
    run.options.mprint = run.options.symbolgen = run.options.mlogic = true;
    run.statements();
    EXPECT_EQ(run.lines(),
              (Texts{"MLOGIC(M):  Beginning execution.", "MLOGIC(M):  Parameter X has value a",
                     "MLOGIC(M):  %DO loop beginning; index variable I; start value is 1; stop value is 2; by value is 1.",
                     "SYMBOLGEN:  Macro variable I resolves to 1", "MPRINT(M):   proc print data=d1;",
                     "MLOGIC(M):  %DO loop index variable I is now 2; loop will iterate again.",
                     "SYMBOLGEN:  Macro variable I resolves to 2", "MPRINT(M):   proc print data=d2;",
                     "MLOGIC(M):  %DO loop index variable I is now 3; loop will not iterate again.",
                     "SYMBOLGEN:  Macro variable X resolves to a",
                     "ERROR: A character operand was found in the %EVAL function or %IF condition where a numeric "
                     "operand is required. The condition was: &x + 1",
                     "ERROR: The macro M will stop executing.",
                     "WARNING: Apparent invocation of macro NOMACRO not resolved."}));
}

TEST(MacroProcessor, ValuesAreLimitedTo65534Characters)
{
    MacroRun run("%let x = 0123456789;\n"
            "%macro grow; %do i = 1 %to 13; %let x = &x&x; %end; %mend;\n"
            "%grow\n"
            "%put %length(&x);\n");
    run.statements();
    EXPECT_EQ(run.lines(), (Texts{"ERROR: The text expression length (81920) exceeds maximum length (65534). The text "
                                  "expression has been truncated to 65534 characters.",
                                  "65534"}));
}

TEST(MacroProcessor, IncludeFilesAndDataLines)
{
    testing::ScratchFolder folder;
    testing::write_file(folder / "part.sas", "%let inc = yes;\ndata b;\n");
    MacroRun run("%include '" + (folder / "part.sas").string() + "';\n"
            "data a; input x;\ndatalines;\n1\n2\n;\n%put &inc;\n%include 'nothere.sas';\n");
    StatementText s;
    Texts texts;
    while (texts.size() < 3 && run.processor.next_statement(s))
        texts.push_back(s.text.substr(s.text.find_first_not_of(" \n")));
    EXPECT_EQ(texts, (Texts{"data b;", "data a;", "input x;"}));
    ASSERT_TRUE(run.processor.next_statement(s));
    std::vector<std::string> data;
    int first = 0;
    ASSERT_TRUE(run.processor.take_data_lines(data, first));
    EXPECT_EQ(data, (Texts{"1", "2"}));
    EXPECT_EQ(first, 4);
    while (run.processor.next_statement(s)) {
    }
    EXPECT_EQ(run.lines(), (Texts{"yes", "ERROR: Cannot open %INCLUDE file nothere.sas."}));
    EXPECT_EQ(run.echoed, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(MacroProcessor, RunawayProgramsEndWithAnError)
{
    testing::ScratchFolder folder;
    const std::string self = (folder / "self.sas").string();
    testing::write_file(self, "%include '" + self + "' '" + self + "';\n");
    MacroRun run("%include '" + self + "';\n"
                 "%macro deep; %deep %mend; %deep\n"
                 "%macro inner; %let x = %inner; %mend; %inner\n"
                 "%let a = 1; %put &&& && &a; %put %eval(1**999999999999999999);\n");
    run.statements();
    EXPECT_EQ(run.lines(),
              (Texts{"ERROR: The %INCLUDE file " + self + " is already being read; it is not read again inside itself.",
                     "ERROR: The %INCLUDE file " + self + " is already being read; it is not read again inside itself.",
                     "ERROR: Macro calls are nested more than 500 deep; DEEP is not run.",
                     "ERROR: Macro calls inside arguments are nested more than 100 deep; INNER is not run.",
                     "&&& && 1", "1"}));
}

TEST(MacroProcessor, OriginsPlaceTokensOnTheirProgramLines)
{
    MacroRun run("%let v = abc;\n  x = &v + 1;\n");
    StatementText s;
    ASSERT_TRUE(run.processor.next_statement(s));
    EXPECT_EQ(s.text, "\n  x = abc + 1;");
    ASSERT_GE(s.origins.size(), 2u);
    EXPECT_EQ(s.origins[0].line, 1);
    const TextOrigin &x = s.origins[1];
    EXPECT_EQ(x.offset, 1u);
    EXPECT_EQ(x.line, 2);
    EXPECT_EQ(x.column, 1);
}

} // namespace
} // namespace quill::host
