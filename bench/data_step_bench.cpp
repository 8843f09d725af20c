// data_step_bench: a DATA step over a large CSV data set, and its parts.
//
//   data_step_bench [ROWS [COLUMNS [ROUNDS]]]    default 1000000 rows, 20 numeric columns, 3 rounds
//   data_step_bench --simulation [--against DIR] [--rounds N] [--rows N]   (simulation_run.h)
//
// The step reads the data set with SET and KEEP=, makes three new variables, keeps the
// observations with x5 > 0 (about half) and writes the result to WORK:
//
//   data out; set here.data(keep=y x1-x5); a = log(abs(x1) + 1); b = x2 * x3 + 1;
//     c = sqrt(abs(x4)); if x5 > 0; run;
//
// Beside the whole step it times its parts on the same file: reading the kept columns alone
// (the CSV reader), and writing a table of the output's size in WORK's format; the step's own
// work is what remains. It also times the same step reading the data set from WORK (copied there
// once, untimed), as a program that prepares its data in steps does. Medians of the rounds,
// elapsed and processor seconds.
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "data/csv/csv_store.h"
#include "data/dataset_library.h"
#include "data/format.h"
#include "modules/module_loader.h"
#include "steps/program_runner.h"
#include "bench_timing.h"
#include "simulation_run.h"
#include "synthetic_data.h"

namespace {

using namespace quill::host;

using bench::median;
using bench::Timing;
[[noreturn]] void fail(const std::string &error)
{
    std::fprintf(stderr, "data_step_bench: %s\n", error.c_str());
    std::exit(1);
}

// Writes `table` in `format` through its sink, as a step's output is written.
bool write_as(const Format &format, const std::filesystem::path &file, const Table &table, std::string &error)
{
    const std::unique_ptr<TableSink> sink = format.create(file, "AGAIN");
    if (!sink->define(std::vector<Variable>(table.columns.begin(), table.columns.end()), error))
        return false;
    Row row;
    row.resize(table.columns.size());
    for (size_t r = 0; r < table.rows; ++r) {
        for (size_t c = 0; c < table.columns.size(); ++c)
            row.numbers[c] = table.columns[c].numbers[r];
        if (!sink->write_row(row, error))
            return false;
    }
    return sink->commit(error);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::string(argv[1]) == "--simulation")
        return quill::bench::simulation_bench(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int columns = argc > 2 ? std::atoi(argv[2]) : 20;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
    if (rows < 1 || columns < 6 || rounds < 1) {
        std::fprintf(stderr, "usage: data_step_bench [ROWS [COLUMNS (6 or more) [ROUNDS]]]\n");
        return 2;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "quill-data-step-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        fail("no temporary folder");
    const std::filesystem::path folder = pattern, file = folder / "data.csv";
    std::filesystem::create_directory(folder / "work");
    std::string error;
    {
        const auto data = quill::bench::make_synthetic_data(quill::bench::model::normal, rows, columns - 1, 20261208);
        Table table;
        table.rows = static_cast<size_t>(rows);
        table.columns.push_back({{"y", VarType::Numeric}, data.y, {}});
        for (int j = 0; j < columns - 1; ++j) {
            const auto first = data.x.begin() + static_cast<long>(j) * rows;
            table.columns.push_back(
                {{std::string("x").append(std::to_string(j + 1)), VarType::Numeric}, std::vector<double>(first, first + rows), {}});
        }
        if (!write_csv_file(file, table, error))
            fail(error);
    }

    const auto run_program = [&](const std::string &program) {
        Session session(TextSink::to_memory(), TextSink::to_memory(), folder / "work", true);
        std::string e;
        if (!session.library.assign("here", folder.string(), e))
            fail(e);
        ModuleLoader modules({});
        if (ProgramRunner(session, modules, program).run() != 0)
            fail("the DATA step did not run cleanly");
    };
    const std::string body = "(keep=y x1-x5); a = log(abs(x1) + 1); b = x2 * x3 + 1; c = sqrt(abs(x4)); if x5 > 0; run;";
    run_program("data data; set here.data; run;");
    // The step's output as WORK keeps it, in whichever format that is.
    const auto work_output = [&](Table &table) {
        DatasetLibrary library(folder / "work", true);
        DatasetName name;
        ReadMessages messages;
        std::unique_ptr<TableSource> source;
        if (!library.name("WORK", "out", name, error) || !(source = library.open(name, messages, error)) ||
            !read_table(*source, {}, table, error))
            fail(error);
        return name;
    };

    Timing step, from_work, reading, writing;
    long long kept_rows = 0;
    for (int round = 0; round < rounds; ++round) {
        step.time([&] { run_program("data out; set here.data" + body); });
        from_work.time([&] { run_program("data out; set data" + body); });
        Table kept;
        reading.time([&] {
            ReadMessages messages;
            std::unique_ptr<TableSource> source = default_format().open(file, messages, error);
            if (!source || !read_table(*source, {0, 1, 2, 3, 4, 5}, kept, error))
                fail(error);
        });
        // A table of the output's shape: the kept rows, nine columns.
        Table out;
        const DatasetName name = work_output(out);
        kept_rows = static_cast<long long>(out.rows);
        writing.time([&] {
            if (!write_as(*name.format, folder / ("again" + std::string(name.format->extension)), out, error))
                fail(error);
        });
    }
    std::filesystem::remove_all(folder);

    std::printf("DATA step: %d rows x %d numeric columns in, %lld rows x 9 columns out, median of %d rounds\n", rows,
                columns, kept_rows, rounds);
    std::printf("%-44s %9s %13s\n", "part", "seconds", "cpu seconds");
    auto line = [](const char *what, const Timing &t) {
        std::printf("%-44s %9.3f %13.3f\n", what, median(t.elapsed), median(t.processor));
    };
    line("whole step (read, compute, write)", step);
    line("CSV reader alone: 6 kept columns", reading);
    line("WORK's writer alone: the output table", writing);
    std::printf("%-44s %9.3f %13.3f\n", "the step's own work (whole less the parts)",
                median(step.elapsed) - median(reading.elapsed) - median(writing.elapsed),
                median(step.processor) - median(reading.processor) - median(writing.processor));
    line("the step reading the data set from WORK", from_work);
    return 0;
}
