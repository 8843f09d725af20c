// ODS OUTPUT: the routine table's output_table, by which a procedure hands over a table it prints
// as data, and the data sets the program's ODS OUTPUT requests make of them. A request holds for
// the next PROC step; one that no table of that step met gets SAS's warning.
#ifndef QUILL_HOST_MODULES_ODS_TABLES_H
#define QUILL_HOST_MODULES_ODS_TABLES_H

#include "api/routine_table.h"
#include "modules/run_context.h"
#include "modules/session.h"

namespace quill::host {

int32_t op_output_table(const char *name, const qh_by_group *group, int32_t count, const qh_table_column *columns,
                        int32_t rows);
// Writes the tables `run` kept, each to the data set its request names (at the end of the run).
void write_ods_tables(RunContext &run);
// At the end of a PROC step: a WARNING for each request no table met; the requests end.
void close_ods_requests(Session &session);

} // namespace quill::host

#endif
