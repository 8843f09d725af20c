// A data set held in memory as a source, for tables the host makes rather than reads (PROC SQL's
// dictionary tables): it reads like any stored data set.
#ifndef QUILL_HOST_MEMORY_SOURCE_H
#define QUILL_HOST_MEMORY_SOURCE_H

#include <memory>

#include "data/format.h"
#include "data/table.h"

namespace quill::host {

std::shared_ptr<const TableSource> memory_source(Table table);

} // namespace quill::host

#endif
