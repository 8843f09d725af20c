// The bits-identical check: every output of runscad_path (the grid table included) hashed, on
// every chosen cell with both start rules, for each thread count and each instruction set this
// build can use, and compared with another build's at the same thread counts.
#pragma once

#include <string>
#include <vector>

#include "bench_cells.h"
#include "engine_entry.h"

namespace quill::bench {

struct hash_request {
    std::vector<cell> cells;
    std::vector<int> threads;
    std::vector<std::string> instruction_sets;  // this build's, to force in turn
    runscad_function other = nullptr;           // or none
    std::string expect;  // a file of hashes written by `record` to compare with, or empty
    std::string record;  // a file to write this run's hashes to, or empty
};

// Prints a line per cell and rule; true when every hash of every line agrees (with the
// expected one too), false also when a file cannot be read or written.
bool check_path_hashes(const hash_request& request);

}  // namespace quill::bench
