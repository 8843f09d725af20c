// The routine table's reading operations on a run in progress, called as a procedure calls them.
#include "modules/routine_operations.h"

#include <gtest/gtest.h>

#include <fstream>

#include "host_test_support.h"
#include "hosttest_grammar.h"
#include "modules/statement_actions.h"
#include "modules/run_context.h"

namespace quill::host {
namespace {

// A data set rewritten in place after the statements described it ends the run with the reader's
// error: a procedure never goes on with part of its data.
TEST(RoutineOperations, ADataSetChangedAfterItWasDescribedEndsTheRun)
{
    testing::MemorySession memory;
    const auto file = memory.session.library.work_folder() / "d.csv";
    testing::write_file(file, "x\n1\n2\n");
    RunContext run(memory.session, "HOSTTEST", testing::tokens_of("hosttest data=d; vars x;"), 1);
    set_current_run(&run);
    const qh_grammar grammar = hosttest::build_grammar();
    qh_parse_area area{};
    ASSERT_EQ(parse_step(&grammar, run, area), 0);
    qh_dataset *ds = QH_SLOT(area.proc_record, 1).dataset;
    qh_routines host;
    fill_routine_table(&host, nullptr);
    double count = 0;
    ASSERT_EQ(host.dataset_info(ds, QH_INFO_OBS_COUNT, &count), 0);
    EXPECT_EQ(count, 2);

    std::ofstream(file, std::ios::binary | std::ios::trunc) << "x\n1\nabc\n";
    qh_record *rec = host.open_read(ds, 1);
    double value = 0;
    ASSERT_EQ(host.bind_variable(rec, 1, 0, &value, 8, QH_BIND_NATIVE), 0);
    ASSERT_EQ(host.read_next(ds), 1);
    ASSERT_EQ(host.fetch(rec, 0), 0);
    EXPECT_EQ(value, 1);
    try {
        host.read_next(ds);
        ADD_FAILURE() << "the run went on";
    } catch (const RunEnded &ended) {
        EXPECT_EQ(ended.return_code, 3000);
    }
    EXPECT_EQ(memory.log().back(), "ERROR: " + file.string() + ": the file changed while it was read.");
    run.finish(3000);
    set_current_run(nullptr);
}

// What a procedure defines reaches the data set's format as metadata: the length of a text and the
// display format, whatever CSV keeps of them.
TEST(RoutineOperations, DefinedVariablesCarryTheirLengthAndFormat)
{
    testing::MemorySession memory;
    testing::write_file(memory.session.library.work_folder() / "d.csv", "x\n1\n");
    RunContext run(memory.session, "HOSTTEST", testing::tokens_of("hosttest data=d out=res;"), 1);
    set_current_run(&run);
    const qh_grammar grammar = hosttest::build_grammar();
    qh_parse_area area{};
    ASSERT_EQ(parse_step(&grammar, run, area), 0);
    qh_routines host;
    fill_routine_table(&host, nullptr);
    qh_record *rec = host.open_write(QH_SLOT(area.proc_record, 2).dataset, 2);
    const double number = 2.5;
    const char text[20] = "a long enough text";
    // A valid name keeps its case (a procedure carries its input's variables under their names);
    // an invalid one is made valid, upper case.
    const qh_var_def numeric{QH_VAR_NUMERIC, 8, "beta", 4, "BEST", 12};
    const qh_var_def character{QH_VAR_CHARACTER, 20, "my label", 8, "$", 20};
    ASSERT_EQ(host.define_variable(rec, &numeric, 0, &number, 8), 0);
    ASSERT_EQ(host.define_variable(rec, &character, 0, text, 20), 0);
    ASSERT_EQ(host.end_definitions(rec), 0);
    const std::vector<Variable> &variables = rec->output->variables();
    ASSERT_EQ(variables.size(), 2u);
    EXPECT_EQ(variables[0].name, "beta");
    EXPECT_EQ(variables[1].name, "MY_LABEL");
    EXPECT_EQ(variables[0].length, 8u);
    EXPECT_EQ(variables[0].format, "BEST12.");
    EXPECT_EQ(variables[1].type, VarType::Character);
    EXPECT_EQ(variables[1].length, 20u);
    EXPECT_EQ(variables[1].format, "$20.");
    run.finish(0);
    set_current_run(nullptr);
    EXPECT_EQ(testing::read_file(memory.session.library.work_folder() / "res.csv"), "beta,MY_LABEL\n");
}

} // namespace
} // namespace quill::host
