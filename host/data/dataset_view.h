// A data set as one input sees it: its source and the variables its data set options keep, in
// the source's order. Variable numbers a procedure uses count these variables.
#ifndef QUILL_HOST_DATA_DATASET_VIEW_H
#define QUILL_HOST_DATA_DATASET_VIEW_H

#include <memory>
#include <string>
#include <vector>

#include "data/format.h"

namespace quill::host {

struct DatasetView {
    std::shared_ptr<const TableSource> source;
    std::vector<size_t> columns;     // the source's column of each variable
    std::vector<Variable> variables; // as the source describes them

    size_t rows() const { return source->describe().rows; }
};

// Every variable of `source`.
DatasetView whole_view(std::shared_ptr<const TableSource> source);
// Keeps the variables that `kept` marks (one mark per variable of the view).
void keep_variables(DatasetView &view, const std::vector<bool> &kept);
// Every row of the view's variables.
bool read_view(const DatasetView &view, Table &table, std::string &error);

} // namespace quill::host

#endif
