#include "language/variable_lists.h"

#include <gtest/gtest.h>

#include "host_test_support.h"

namespace quill::host {
namespace {

// Columns, in order: id(N) x1(N) x2(N) name(C) x3(N) 'my var'(N) city(C) x10(N)
std::vector<Variable> sample()
{
    return {{"id", VarType::Numeric},      {"x1", VarType::Numeric}, {"x2", VarType::Numeric},
            {"name", VarType::Character},  {"x3", VarType::Numeric}, {"my var", VarType::Numeric},
            {"city", VarType::Character},  {"x10", VarType::Numeric}};
}

std::vector<int> resolve(const std::string &list)
{
    std::vector<int> numbers;
    std::string error;
    EXPECT_TRUE(resolve_variable_list(testing::tokens_of(list), sample(), numbers, error)) << list << ": " << error;
    return numbers;
}

std::string failure(const std::string &list)
{
    std::vector<int> numbers;
    std::string error;
    EXPECT_FALSE(resolve_variable_list(testing::tokens_of(list), sample(), numbers, error)) << list;
    return error;
}

using V = std::vector<int>;

TEST(VariableLists, NamesAndNameLiteralsIgnoreCase)
{
    EXPECT_EQ(resolve("ID X2 'my var'n Name"), (V{1, 3, 6, 4}));
    EXPECT_EQ(resolve("x1 x1"), (V{2, 2})); // repeats are kept for the procedure to judge
}

TEST(VariableLists, Ranges)
{
    EXPECT_EQ(resolve("x1-x3"), (V{2, 3, 5}));            // numbered: by name, not position
    EXPECT_EQ(resolve("x1--x3"), (V{2, 3, 4, 5}));        // positional
    EXPECT_EQ(resolve("x1-numeric-city"), (V{2, 3, 5, 6}));
    EXPECT_EQ(resolve("id-character-x10"), (V{4, 7}));
    EXPECT_EQ(resolve("id-char-x10"), (V{4, 7}));
    EXPECT_EQ(resolve("x2 - - x2"), (V{3}));
}

TEST(VariableLists, PrefixesAndSpecialLists)
{
    EXPECT_EQ(resolve("x:"), (V{2, 3, 5, 8}));
    EXPECT_EQ(resolve("_numeric_"), (V{1, 2, 3, 5, 6, 8}));
    EXPECT_EQ(resolve("_CHARACTER_ _char_"), (V{4, 7, 4, 7}));
    EXPECT_EQ(resolve("_all_"), (V{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(VariableLists, ErrorsNameTheProblem)
{
    EXPECT_EQ(failure("x1 zz"), "Variable ZZ not found.");
    EXPECT_EQ(failure("x1-x4"), "Variable X4 not found.");
    EXPECT_EQ(failure("x3-x1"), "The numbered range X3-X1 counts down; the first number must be the smaller.");
    EXPECT_EQ(failure("id-x3"), "The numbered range ID-X3 needs two names with the same prefix followed by numbers.");
    EXPECT_EQ(failure("x3--x1"), "Variable X3 comes after X1 in the data set, so the range X3--X1 is empty.");
    EXPECT_EQ(failure("q:"), "No variable names begin with Q.");
    EXPECT_EQ(failure("x1 = x2"), "\"=\" cannot stand in a variable list.");
    EXPECT_EQ(failure("x1 -"), "\"-\" cannot stand in a variable list.");
}

} // namespace
} // namespace quill::host
