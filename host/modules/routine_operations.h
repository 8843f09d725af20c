// The host side of the routine table: the operations that the procedure interface module
// SASPROCI fills in.
#ifndef QUILL_HOST_ROUTINE_OPERATIONS_H
#define QUILL_HOST_ROUTINE_OPERATIONS_H

#include "api/module_interface.h"

namespace quill::host {

// The SASPROCI entry: fills the table with the host's operations and clears the parse area.
void fill_routine_table(qh_routines *table, qh_parse_area *area);

// Shared with the interface vector: log a formatted line of the current run, end the run.
void routine_log(const char *format, ...);
void routine_end_run(int32_t return_code, int32_t reserved) QH_NORETURN;

} // namespace quill::host

#endif
