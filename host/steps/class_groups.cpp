#include "steps/class_groups.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string_view>
#include <unordered_map>

namespace quill::host {
namespace {

// Each entry of `rows` numbered by its value's place among the distinct values (ascending; a
// number equal to another, 0 and -0 among them, shares its place). Returns the count of values.
template <typename Value, typename Get>
size_t value_ranks(const std::vector<size_t> &rows, Get get, std::vector<std::uint64_t> &rank)
{
    std::unordered_map<Value, std::uint64_t> seen; // value -> its number in the order first seen
    std::vector<Value> distinct;
    rank.resize(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const Value value = get(rows[i]);
        const auto [at, added] = seen.try_emplace(value, distinct.size());
        if (added)
            distinct.push_back(value);
        rank[i] = at->second;
    }
    std::vector<std::uint64_t> order(distinct.size()), place(distinct.size());
    std::iota(order.begin(), order.end(), std::uint64_t{0});
    std::sort(order.begin(), order.end(), [&](std::uint64_t a, std::uint64_t b) { return distinct[a] < distinct[b]; });
    for (size_t k = 0; k < order.size(); ++k)
        place[order[k]] = k;
    for (std::uint64_t &r : rank)
        r = place[r];
    return distinct.size();
}

// Renumbers `code` densely (0, 1, ...) keeping its order; returns the count of distinct codes.
std::uint64_t renumber(std::vector<std::uint64_t> &code)
{
    std::vector<std::uint64_t> distinct = code;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    for (std::uint64_t &c : code)
        c = static_cast<std::uint64_t>(std::lower_bound(distinct.begin(), distinct.end(), c) - distinct.begin());
    return distinct.size();
}

} // namespace

void class_groups(const Table &table, const std::vector<size_t> &classes, std::vector<size_t> &rows,
                  std::vector<std::pair<size_t, size_t>> &groups)
{
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [&](size_t r) {
                                  for (size_t c : classes) {
                                      const Column &col = table.columns[c];
                                      if (col.type == VarType::Numeric ? is_missing(col.numbers[r]) : col.texts[r].empty())
                                          return true;
                                  }
                                  return false;
                              }),
               rows.end());
    // One code per row, ordered as the rows' values are: the class variables' ranks in mixed
    // radix, renumbered whenever the product of the level counts outgrows the rows, so that it
    // never overflows (below rows² < 2⁶⁴) and the counting sort's table stays as small as the rows.
    const std::uint64_t n = rows.size();
    std::vector<std::uint64_t> code(rows.size(), 0), rank;
    std::uint64_t space = 1;
    for (size_t c : classes) {
        const Column &col = table.columns[c];
        const size_t levels = col.type == VarType::Numeric
                                  ? value_ranks<double>(rows, [&](size_t r) { return col.numbers[r]; }, rank)
                                  : value_ranks<std::string_view>(rows, [&](size_t r) { return std::string_view(col.texts[r]); }, rank);
        if (space > n)
            space = renumber(code);
        for (size_t i = 0; i < code.size(); ++i)
            code[i] = code[i] * levels + rank[i];
        space *= levels;
    }
    if (space > n)
        space = renumber(code);
    // A stable counting sort by code.
    std::vector<size_t> start(space + 1, 0);
    for (std::uint64_t c : code)
        ++start[c + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    for (size_t k = 0; k < space; ++k)
        if (start[k] < start[k + 1])
            groups.push_back({start[k], start[k + 1]});
    std::vector<size_t> sorted(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        sorted[start[code[i]]++] = rows[i];
    rows = std::move(sorted);
}

void join_groups(std::vector<size_t> &rows, std::vector<std::pair<size_t, size_t>> &groups,
                 const std::function<std::string(size_t row)> &key)
{
    std::unordered_map<std::string, size_t> joined; // key -> its place in `parts`
    std::vector<std::vector<std::pair<size_t, size_t>>> parts;
    for (const auto &group : groups) {
        const auto [at, added] = joined.try_emplace(key(rows[group.first]), parts.size());
        if (added)
            parts.emplace_back();
        parts[at->second].push_back(group);
    }
    if (parts.size() == groups.size())
        return;
    std::vector<size_t> order;
    order.reserve(rows.size());
    groups.clear();
    for (const auto &group_parts : parts) {
        const size_t begin = order.size();
        for (const auto &[b, e] : group_parts)
            order.insert(order.end(), rows.begin() + static_cast<std::ptrdiff_t>(b), rows.begin() + static_cast<std::ptrdiff_t>(e));
        groups.push_back({begin, order.size()});
    }
    rows = std::move(order);
}

} // namespace quill::host
