// The groups of a CLASS statement: observations with equal values of the class variables
// together, the groups in SAS's order of those values, found without comparing rows two by two.
#ifndef QUILL_HOST_STEPS_CLASS_GROUPS_H
#define QUILL_HOST_STEPS_CLASS_GROUPS_H

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "data/table.h"

namespace quill::host {

// Reorders `rows` (row numbers of `table`) so that rows with equal values of `classes` are
// together, groups in ascending order of the values (the first class variable first), rows of a
// group in their order in `rows`; rows with a missing class value are removed. Appends each
// group's [begin, end) in `rows` to `groups`. The same order as a stable sort by the values.
void class_groups(const Table &table, const std::vector<size_t> &classes, std::vector<size_t> &rows,
                  std::vector<std::pair<size_t, size_t>> &groups);

// Joins the groups (as class_groups made them, in order) whose rows have one `key`: the groups
// of formatted values. A joined group stands where its first part stood, its rows in the order
// of its parts.
void join_groups(std::vector<size_t> &rows, std::vector<std::pair<size_t, size_t>> &groups,
                 const std::function<std::string(size_t row)> &key);

} // namespace quill::host

#endif
