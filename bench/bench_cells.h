// The benchmark's cells (model, n, p), and the choice of some of them by name.
#pragma once

#include <string>
#include <vector>

#include "synthetic_data.h"

namespace quill::bench {

struct cell {
    model m;
    int n;
    int p;
};

// Every cell, in the order of the tables.
const std::vector<cell>& all_cells();

// The cells LIST names: comma-separated items, each MODEL (every cell of the model) or
// MODEL:NxP (one cell). False when an item names no cell.
bool choose_cells(const std::string& list, std::vector<cell>& chosen);

std::string cell_name(const cell& c);

}  // namespace quill::bench
