// The groups of a CLASS statement: observations with equal values of the class variables
// together, the groups in SAS's order of those values, found without comparing rows two by two.
#ifndef QUILL_HOST_STEPS_CLASS_GROUPS_H
#define QUILL_HOST_STEPS_CLASS_GROUPS_H

#include <cstddef>
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

} // namespace quill::host

#endif
