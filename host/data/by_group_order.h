// The order of observations by BY variables (SAS's: missing values lowest, texts in byte order,
// DESCENDING reversing one variable) and the BY groups of a table sorted by them: shared by the
// host's own procedures and the BY group operation of the routine table.
#ifndef QUILL_HOST_DATA_BY_GROUP_ORDER_H
#define QUILL_HOST_DATA_BY_GROUP_ORDER_H

#include <functional>
#include <string>
#include <vector>

#include "data/table.h"

namespace quill::host {

struct ByKey {
    size_t column = 0; // in the table the keys are compared in
    bool descending = false;
};

// A value as a BY line shows it (its formatted value); unset: numbers as BEST12., texts as they are.
using ValueText = std::function<std::string(const Column &column, size_t row)>;

// <0, 0 or >0 as row a comes before, with, or after row b in the keys' order.
int compare_rows(const Table &table, const std::vector<ByKey> &keys, size_t a, size_t b);

// The first row of each BY group, then table.rows. False with SAS's message in `error` when the
// rows are not in the keys' order: "Data set X is not sorted in ascending sequence. The current BY
// group has a = 2 and the next BY group has a = 1." With `text`, a group is the rows whose values
// show alike (a procedure's BY groups are of formatted values); the order is of the values.
bool by_group_starts(const Table &table, const std::vector<ByKey> &keys, const std::string &dataset,
                     std::vector<size_t> &starts, std::string &error, const ValueText &text = {});

// "a=1 b=x", the BY line over a group's output.
std::string by_line(const Table &table, const std::vector<ByKey> &keys, size_t row, const ValueText &text = {});

// The BY line as a heading: "------------ a=1 ------------", centered in 80 columns.
std::string by_heading(const std::string &line);

// The keys as a sorted-by record: "a DESCENDING b".
std::vector<std::string> by_names(const Table &table, const std::vector<ByKey> &keys);

} // namespace quill::host

#endif
