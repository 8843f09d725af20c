// csv_read_bench: reading a data set from CSV with the host's reader.
//
//   csv_read_bench [ROWS [COLUMNS [ROUNDS]]]    default 1000000 rows, 20 numeric columns, 3 rounds
//
// The file holds synthetic normal data written as the host writes numbers (shortest exact text),
// in a temporary folder removed at the end; the same arguments always write the same file. Each
// round reads it; the table shows the median elapsed and processor time and throughput (on a busy
// machine the processor time is the steadier). bench/README.md says how to set it beside the
// character-at-a-time reader this one replaced.
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "data/csv/csv_store.h"
#include "bench_timing.h"
#include "synthetic_data.h"

namespace {

using quill::host::Table;

using bench::median;
using bench::Timing;
template <typename Read>
void timed_read(Read read, Table &table, Timing &timing)
{
    timing.time([&] {
        std::string error;
        if (!read(table, error)) {
            std::fprintf(stderr, "csv_read_bench: %s\n", error.c_str());
            std::exit(1);
        }
    });
}

} // namespace

int main(int argc, char **argv)
{
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int columns = argc > 2 ? std::atoi(argv[2]) : 20;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
    if (rows < 1 || columns < 2 || rounds < 1) {
        std::fprintf(stderr, "usage: csv_read_bench [ROWS [COLUMNS [ROUNDS]]]\n");
        return 2;
    }

    std::string pattern = (std::filesystem::temp_directory_path() / "quill-csv-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::fprintf(stderr, "csv_read_bench: no temporary folder\n");
        return 1;
    }
    const std::filesystem::path folder = pattern, file = folder / "data.csv";
    {
        const auto data = quill::bench::make_synthetic_data(quill::bench::model::normal, rows, columns - 1, 20261208);
        Table table;
        table.rows = static_cast<size_t>(rows);
        table.columns.push_back({{"y", quill::host::VarType::Numeric}, data.y, {}});
        for (int j = 0; j < columns - 1; ++j) {
            const auto first = data.x.begin() + static_cast<long>(j) * rows;
            std::string name = "x";
            name += std::to_string(j + 1);
            table.columns.push_back({{name, quill::host::VarType::Numeric}, std::vector<double>(first, first + rows), {}});
        }
        std::string error;
        if (!quill::host::write_csv_file(file, table, error)) {
            std::fprintf(stderr, "csv_read_bench: %s\n", error.c_str());
            return 1;
        }
    }
    const double megabytes = static_cast<double>(std::filesystem::file_size(file)) / 1e6;

    Timing timing;
    for (int round = 0; round < rounds; ++round) {
        Table table;
        timed_read(
            [&](Table &t, std::string &e) {
                quill::host::ReadMessages messages;
                return quill::host::read_csv_file(file, t, e, messages);
            },
            table, timing);
    }
    std::filesystem::remove_all(folder);

    std::printf("CSV read: %d rows x %d numeric columns, %.1f MB, median of %d rounds\n", rows, columns,
                megabytes, rounds);
    std::printf("%-26s %9s %9s %13s %13s\n", "reader", "seconds", "MB/s", "cpu seconds", "MB/s of cpu");
    const double elapsed = median(timing.elapsed), cpu = median(timing.processor);
    std::printf("%-26s %9.3f %9.1f %13.3f %13.1f\n", "buffered", elapsed, megabytes / elapsed, cpu,
                megabytes / cpu);
    return 0;
}
