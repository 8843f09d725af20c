// The routine table's reading operations on a run in progress, called as a procedure calls them.
#include "modules/routine_operations.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "host_test_support.h"
#include "hosttest_grammar.h"
#include "language/dataset_reference.h"
#include "modules/ods_tables.h"
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

// What a procedure defines reaches the data set's file: the length of a text and the display
// format, which WORK keeps.
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
    DatasetName name;
    std::string error;
    ReadMessages messages;
    ASSERT_TRUE(memory.session.library.name("WORK", "res", name, error));
    const auto source = memory.session.library.open(name, messages, error);
    ASSERT_TRUE(source) << error;
    const Description &kept = source->describe();
    EXPECT_EQ(kept.rows, 0u);
    ASSERT_EQ(kept.variables.size(), 2u);
    EXPECT_EQ(kept.variables[0].name, "beta");
    EXPECT_EQ(kept.variables[0].format, "BEST12.");
    EXPECT_EQ(kept.variables[1].length, 20u);
    EXPECT_EQ(kept.variables[1].format, "$20.");
}

// A step's FORMAT statement gives its input's variables formats the procedure can ask for and read
// as text; a missing value is blanks whatever the format writes; a variable without a format
// cannot be bound formatted. Expected texts by hand from the formats' ranges.
TEST(RoutineOperations, FormattedValuesAreReadAsTheirFormatsWriteThem)
{
    testing::MemorySession memory;
    testing::write_file(memory.session.library.work_folder() / "d.csv", "age,sex,id\n12,F,1\n70,M,2\n.,,3\n");
    auto agegrp = std::make_shared<UserFormat>();
    agegrp->name = "AGEGRP", agegrp->default_width = 6;
    FormatRange child, missing;
    child.low = -HUGE_VAL, child.high = 18, child.high_excluded = true, child.label = "Child";
    missing.missing = true, missing.label = "Unknown";
    agegrp->ranges = {missing, child};
    agegrp->has_other = true, agegrp->other.label = "Senior";
    memory.session.formats.define(agegrp);
    memory.session.step_formats = {testing::tokens_of("format age agegrp. sex $8.;")};
    RunContext run(memory.session, "HOSTTEST", testing::tokens_of("hosttest data=d; vars age sex id;"), 1);
    set_current_run(&run);
    const qh_grammar grammar = hosttest::build_grammar();
    qh_parse_area area{};
    ASSERT_EQ(parse_step(&grammar, run, area), 0);
    qh_dataset *ds = QH_SLOT(area.proc_record, 1).dataset;
    qh_routines host;
    fill_routine_table(&host, nullptr);
    char name[8];
    EXPECT_EQ(host.variable_format(ds, 1, name, sizeof name), 7);
    EXPECT_STREQ(name, "AGEGRP.");
    EXPECT_EQ(host.variable_format(ds, 3, name, sizeof name), 0);
    char small[4];
    EXPECT_EQ(host.variable_format(ds, 2, small, sizeof small), 3); // cut, its full length told
    EXPECT_STREQ(small, "$8.");
    qh_record *rec = host.open_read(ds, 2);
    char age[6], sex[3];
    double id = 0;
    ASSERT_EQ(host.bind_variable(rec, 1, 0, age, 6, QH_BIND_FORMATTED), 0);
    ASSERT_EQ(host.bind_variable(rec, 2, 0, sex, 3, QH_BIND_FORMATTED), 0);
    EXPECT_NE(host.bind_variable(rec, 3, 0, &id, 8, QH_BIND_FORMATTED), 0);
    ASSERT_EQ(host.bind_variable(rec, 3, 0, &id, 8, QH_BIND_NATIVE), 0);
    const char *const expected_age[] = {"Child ", "Senior", "      "};
    const char *const expected_sex[] = {"F  ", "M  ", "   "};
    for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(host.read_next(ds), 1);
        ASSERT_EQ(host.fetch(rec, 0), 0);
        EXPECT_EQ(std::string(age, 6), expected_age[k]);
        EXPECT_EQ(std::string(sex, 3), expected_sex[k]);
        EXPECT_EQ(id, k + 1);
    }
    run.finish(0);
    set_current_run(nullptr);
}

} // namespace
} // namespace quill::host

namespace quill::host {
namespace {

// output_table keeps only what ODS OUTPUT asked for, texts as long as their longest value over
// every call, and refuses a later table of the same name whose columns differ, so that BY groups
// never mix unlike columns in one data set.
TEST(RoutineOperations, OutputTableKeepsRequestedTablesWhoseColumnsAgree)
{
    testing::MemorySession memory;
    memory.session.ods_outputs.push_back({"Est", testing::tokens_of("est"), 1});
    memory.session.ods_outputs.push_back({"Never", testing::tokens_of("never"), 1});
    RunContext run(memory.session, "HOSTTEST", testing::tokens_of("hosttest;"), 1);
    set_current_run(&run);
    qh_routines host;
    fill_routine_table(&host, nullptr);
    const char *short_terms[] = {"a", "b"};
    const char *long_terms[] = {"a much longer term"};
    const double values[] = {1.5, 2.5};
    qh_table_column columns[] = {{"Term", "", QH_VAR_CHARACTER, nullptr, short_terms},
                                 {"Value", "Its value", QH_VAR_NUMERIC, values, nullptr}};
    EXPECT_EQ(host.output_table("Other", nullptr, 2, columns, 2), 0);
    EXPECT_EQ(host.output_table("EST", nullptr, 2, columns, 2), 0);
    columns[0].texts = long_terms;
    EXPECT_EQ(host.output_table("est", nullptr, 2, columns, 1), 0);
    EXPECT_EQ(host.output_table("Est", nullptr, 1, columns, 1), -1);
    EXPECT_TRUE(memory.log_has("ERROR: Procedure HOSTTEST handed over the table Est with columns unlike those it had before."));
    columns[1].name = "not valid";
    EXPECT_EQ(host.output_table("Est", nullptr, 2, columns, 1), -1);
    const qh_by_group group{};
    EXPECT_EQ(host.output_table("Est", &group, 2, columns, 1), -1); // no BY groups were given
    run.finish(0);
    set_current_run(nullptr);
    EXPECT_TRUE(memory.log_has("NOTE: The data set WORK.EST has 3 observations and 2 variables."));
    DatasetReference written;
    DatasetView view;
    std::string error;
    ASSERT_TRUE(memory.session.library.name("WORK", "EST", written.name, error)) << error;
    ASSERT_TRUE(open_for_reading(written, memory.session.library, memory.session.log, view, error)) << error;
    ASSERT_EQ(view.variables.size(), 2u);
    EXPECT_EQ(view.variables[0].length, 18u);
    EXPECT_EQ(view.variables[1].label, "Its value");
    close_ods_requests(memory.session);
    EXPECT_FALSE(memory.log_has("Output 'Est' was not created"));
    EXPECT_TRUE(memory.log_has("WARNING: Output 'Never' was not created."));
    EXPECT_TRUE(memory.session.ods_outputs.empty());
}

} // namespace
} // namespace quill::host
