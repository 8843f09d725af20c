// sas_bench: SAS data files and the host's procedures on a million rows.
//
//   sas_bench [ROWS [ROUNDS]]    default 1000000 rows, 3 rounds
//
// Writes, in a temporary folder removed at the end, a .sas7bdat file of ROWS rows and 20 numeric
// columns (y, x1..x17 of synthetic normal data, and g, a class variable of 10 levels, and k, a
// second key of 1000 levels) and a narrower one of the same rows for sorting (g, k, y, x1). Then
// times, median of ROUNDS, each as a whole program step run by the host (reading included):
//   read    opening the wide file and reading every value into a table
//   sort    PROC SORT of the narrow file by g and k into a V9 data set
//   means   PROC MEANS of y and x1 with CLASS g over the wide file (N MEAN STD MIN MAX)
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "data/sas/sas_store.h"
#include "modules/module_loader.h"
#include "modules/session.h"
#include "steps/program_runner.h"
#include "bench_timing.h"
#include "synthetic_data.h"

namespace {

using namespace quill::host;

using bench::median;
using bench::processor_seconds;
// Elapsed seconds of `body`; its processor seconds (the steadier on a busy machine) go to `cpu`.
template <typename Body>
double seconds(Body body, double *cpu = nullptr)
{
    const double cpu_start = processor_seconds();
    const auto start = std::chrono::steady_clock::now();
    body();
    if (cpu)
        *cpu = processor_seconds() - cpu_start;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void write_sas(const std::filesystem::path &file, const Table &table)
{
    const auto sink = sas7bdat_format().create(file, "DATA");
    std::string error;
    bool ok = sink->define(std::vector<Variable>(table.columns.begin(), table.columns.end()), error);
    Row row;
    row.resize(table.columns.size());
    for (size_t r = 0; ok && r < table.rows; ++r) {
        for (size_t c = 0; c < table.columns.size(); ++c)
            row.numbers[c] = table.columns[c].numbers[r];
        ok = sink->write_row(row, error);
    }
    if (!ok || !sink->commit(error)) {
        std::fprintf(stderr, "sas_bench: %s\n", error.c_str());
        std::exit(1);
    }
}

// Runs one program step in a fresh session; exits when the step reports an error.
double run_step(const std::filesystem::path &folder, const std::string &program, std::vector<double> &cpu)
{
    Session session(TextSink::to_memory(), TextSink::to_memory(), folder / "work", true);
    ModuleLoader modules({});
    std::string text = "libname b v9 '";
    text.append(folder.string()).append("';\n").append(program);
    ProgramRunner runner(session, modules, text);
    int status = 0;
    double processor = 0;
    const double elapsed = seconds([&] { status = runner.run(); }, &processor);
    cpu.push_back(processor);
    if (status > 1) {
        for (const std::string &line : session.log.sink().lines())
            std::fprintf(stderr, "%s\n", line.c_str());
        std::exit(1);
    }
    return elapsed;
}

} // namespace

int main(int argc, char **argv)
{
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    if (rows < 10 || rounds < 1) {
        std::fprintf(stderr, "usage: sas_bench [ROWS [ROUNDS]]\n");
        return 2;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "quill-sas-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::fprintf(stderr, "sas_bench: no temporary folder\n");
        return 1;
    }
    const std::filesystem::path folder = pattern;
    const size_t n = static_cast<size_t>(rows);
    {
        const auto data = quill::bench::make_synthetic_data(quill::bench::model::normal, rows, 17, 20261208);
        Table wide, narrow;
        wide.rows = narrow.rows = n;
        wide.columns.push_back({{"y"}, data.y, {}});
        for (int j = 0; j < 17; ++j) {
            const auto first = data.x.begin() + static_cast<long>(j) * rows;
            std::string name = "x";
            name += std::to_string(j + 1);
            wide.columns.push_back({{name}, std::vector<double>(first, first + rows), {}});
        }
        Column g{{"g"}, {}, {}}, k{{"k"}, {}, {}};
        for (size_t r = 0; r < n; ++r) {
            g.numbers.push_back(static_cast<double>((r * 7919) % 10));
            k.numbers.push_back(std::floor(1000 * std::fabs(std::sin(static_cast<double>(r)))));
        }
        wide.columns.push_back(g);
        wide.columns.push_back(k);
        narrow.columns = {g, k, wide.columns[0], wide.columns[1]};
        const double written = seconds([&] {
            write_sas(folder / "wide.sas7bdat", wide);
            write_sas(folder / "narrow.sas7bdat", narrow);
        });
        std::printf("SAS files: %d rows; wide.sas7bdat 20 columns %.1f MB, narrow.sas7bdat 4 columns; written in %.3f s\n",
                    rows, static_cast<double>(std::filesystem::file_size(folder / "wide.sas7bdat")) / 1e6, written);
    }
    std::vector<double> read, sort, means, read_cpu(1), sort_cpu, means_cpu;
    for (int round = 0; round < rounds; ++round) {
        read.push_back(seconds([&] {
            ReadMessages messages;
            std::string error;
            const auto source = open_sas7bdat_file(folder / "wide.sas7bdat", messages, error);
            Table table;
            if (!source || !read_table(*source, {}, table, error) || table.rows != n) {
                std::fprintf(stderr, "sas_bench: %s\n", error.c_str());
                std::exit(1);
            }
        }, &read_cpu.back()));
        read_cpu.emplace_back();
        sort.push_back(run_step(folder, "proc sort data=b.narrow out=b.sorted; by g k; run;\n", sort_cpu));
        means.push_back(run_step(folder, "proc means data=b.wide; class g; var y x1; run;\n", means_cpu));
    }
    std::filesystem::remove_all(folder);
    read_cpu.pop_back();
    std::printf("%-44s %9s %13s\n", "step (median of rounds)", "seconds", "cpu seconds");
    std::printf("%-44s %9.3f %13.3f\n", "read wide.sas7bdat (1e6 x 20) into a table", median(read), median(read_cpu));
    std::printf("%-44s %9.3f %13.3f\n", "PROC SORT narrow by g k, OUT= V9", median(sort), median(sort_cpu));
    std::printf("%-44s %9.3f %13.3f\n", "PROC MEANS wide, CLASS g, VAR y x1", median(means), median(means_cpu));
    return 0;
}
