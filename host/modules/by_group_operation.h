// The routine table's BY group operation: the host's own check that the input is sorted by the
// BY variables and its groups, handed to a procedure that fits each group on its own.
#ifndef QUILL_HOST_MODULES_BY_GROUP_OPERATION_H
#define QUILL_HOST_MODULES_BY_GROUP_OPERATION_H

#include "api/routine_table.h"

namespace quill::host {

int32_t op_by_groups(qh_dataset *ds, int32_t count, qh_by_variable *variables, const qh_by_group **groups);

} // namespace quill::host

#endif
