// The step table: what the note about an unknown procedure offers, and rows the frame can read.
#include <gtest/gtest.h>

#include <algorithm>

#include "modules/module_loader.h"
#include "steps/step_table.h"
#include "steps/summary_statistics.h"

namespace quill::host {
namespace {

std::vector<std::string> words(std::string_view text)
{
    std::vector<std::string> out;
    while (!text.empty()) {
        const size_t blank = text.find(' ');
        out.emplace_back(text.substr(0, blank));
        text = blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
    }
    return out;
}

TEST(StepTable, TheNoteOffersTheHostsProceduresAndTheModulesBesideQuillNotTheTestModule)
{
    // quillfit.so and libquill.so are beside quill; hosttest.so is in a folder of its own.
    const ModuleLoader shipped({QUILL_MODULE_DIR});
    EXPECT_EQ(procedures_note(shipped.available()),
              "The procedures this host has are CONTENTS, DATASETS, EXPORT, FORMAT, FREQ, IMPORT, MEANS, PRINT, QUILLFIT, SORT, SQL, SUMMARY, TRANSPOSE.");
    const ModuleLoader with_tests({QUILL_MODULE_DIR, QUILL_TEST_MODULE_DIR});
    EXPECT_NE(procedures_note(with_tests.available()).find(", HOSTTEST, IMPORT, "), std::string::npos);
}

TEST(StepTable, RowsAreInNameOrderAndTheirOptionsAreFlagsValuesOrDataSets)
{
    std::string_view previous;
    for (const ProcRow &row : host_procedures()) {
        EXPECT_LT(previous, row.name);
        previous = row.name;
        for (const std::string &option : words(row.options)) {
            const size_t equals = option.find('=');
            EXPECT_TRUE(equals == std::string::npos || option.substr(equals) == "=" || option.substr(equals) == "=ds")
                << row.name << " " << option;
        }
        for (const std::string &statement : words(row.statements))
            EXPECT_NE(statement, "WHERE") << row.name << ": the frame takes WHERE for every procedure";
    }
}

TEST(StepTable, TheStatisticOptionsAreTheStatisticsAndTheirAliases)
{
    std::vector<bool> named(statistic_count, false);
    for (const std::string &word : words(QUILL_STATISTIC_OPTIONS)) {
        Statistic statistic;
        ASSERT_TRUE(statistic_for(word, statistic)) << word;
        named[static_cast<size_t>(statistic)] = true;
    }
    EXPECT_TRUE(std::all_of(named.begin(), named.end(), [](bool b) { return b; }));
}

} // namespace
} // namespace quill::host
