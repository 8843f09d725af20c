// Macro variables: a value doubled in a loop stops at SAS's 65534 characters with SAS's ERROR,
// and a long word in the text of %LET or %PUT is text, not a name that is too long.
#include <gtest/gtest.h>

#include "host_test_support.h"
#include "modules/module_loader.h"
#include "steps/program_runner.h"

namespace quill::host {
namespace {

int run(testing::MemorySession &memory, const std::string &program)
{
    ModuleLoader modules({});
    return ProgramRunner(memory.session, modules, program).run();
}

TEST(MacroVariables, AValueStopsAtTheLongestAndALongWordIsText)
{
    testing::MemorySession memory;
    std::string program = "%let x = ab;\n";
    for (int i = 0; i < 20; ++i) // 2 * 2^20 characters unbounded
        program += "%let x = &x&x;\n";
    program += "%put [&x];\n";
    EXPECT_EQ(run(memory, program), 2);
    // The 15th doubling (line 16) is the first over the limit; from then on each doubles 65534.
    EXPECT_TRUE(memory.log_has("ERROR: The text expression length (65536) exceeds maximum length (65534). The text "
                               "expression has been truncated to 65534 characters at line 16 column 8."));
    EXPECT_TRUE(memory.log_has("ERROR: The text expression length (131068) exceeds maximum length (65534)."));
    EXPECT_TRUE(memory.log_has("ERROR: The text expression length (65536) exceeds maximum length (65534). The text "
                               "expression has been truncated to 65534 characters at line 22 column 2."));
    size_t longest = 0;
    for (const std::string &line : memory.log())
        longest = std::max(longest, line.size());
    EXPECT_EQ(longest, 65534u); // %PUT's "[" and 65533 characters of the value: "]" is cut off too

    testing::MemorySession words;
    const std::string word = "abcdefghijklmnopqrstuvwxyz0123456789abcdefgh"; // 44 characters
    EXPECT_EQ(run(words, "%let w = " + word + " 1e999;\n%put &w " + word + ";\n%let " + word + " = 1;\n"), 2);
    EXPECT_TRUE(words.log_has(word + " 1e999 " + word));
    EXPECT_TRUE(words.log_has("ERROR: The name " + word.substr(0, 30)));  // a name is still at most 32
    int errors = 0;
    for (const std::string &line : words.log())
        errors += line.rfind("ERROR", 0) == 0;
    EXPECT_EQ(errors, 1);
}

} // namespace
} // namespace quill::host
