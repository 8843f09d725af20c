#include "bench_cells.h"

#include <algorithm>

namespace quill::bench {

const std::vector<cell>& all_cells() {
    static const std::vector<cell> cells{
        {model::normal, 2000, 20},       {model::normal, 10000, 50},
        {model::normal, 100000, 100},    {model::logistic, 2000, 20},
        {model::logistic, 10000, 50},    {model::logistic, 100000, 100},
        {model::poisson, 2000, 20},      {model::poisson, 10000, 50},
        {model::poisson, 100000, 100},   {model::normal, 10000, 200},
        {model::normal, 10000, 400},     {model::logistic, 10000, 200},
        {model::logistic, 10000, 400},   {model::normal, 1000000, 20},
        {model::logistic, 1000000, 20},  {model::normal, 1000000, 100},
        {model::normal, 2000, 1000}};
    return cells;
}

std::string cell_name(const cell& c) {
    return std::string(model_name(c.m)) + ":" + std::to_string(c.n) + "x" + std::to_string(c.p);
}

bool choose_cells(const std::string& list, std::vector<cell>& chosen) {
    chosen.clear();
    for (std::size_t at = 0; at <= list.size();) {
        const std::size_t comma = std::min(list.find(',', at), list.size());
        const std::string item = list.substr(at, comma - at);
        bool found = false;
        for (const cell& c : all_cells()) {
            if (item == model_name(c.m) || item == cell_name(c)) {
                chosen.push_back(c);
                found = true;
            }
        }
        if (!found) return false;
        at = comma + 1;
    }
    return true;
}

}  // namespace quill::bench
