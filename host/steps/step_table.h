// The host's own procedures, one row each: the runner dispatches a PROC step from here, and the
// note about an unknown procedure lists them with the modules on the module path. A new host
// procedure is one file under procs/ and one row in step_table.cpp.
#ifndef QUILL_HOST_STEPS_STEP_TABLE_H
#define QUILL_HOST_STEPS_STEP_TABLE_H

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "steps/proc_frame.h"

namespace quill::host {

std::span<const ProcRow> host_procedures();
// The row of procedure `name` (upper case), or nullptr when the host does not run it itself.
const ProcRow *find_host_procedure(std::string_view name);
// "The procedures this host has are A, B, ...": the host's own and `modules`, in name order.
std::string procedures_note(const std::vector<std::string> &modules);

} // namespace quill::host

#endif
