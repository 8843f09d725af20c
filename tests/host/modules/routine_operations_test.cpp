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

} // namespace
} // namespace quill::host
