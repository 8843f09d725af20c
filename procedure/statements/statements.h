// The statements of a PROC QUILLFIT step: the grammar the host parses them by, and the options
// taken from the records it builds, checked before any data is read.
#ifndef QUILL_PROC_STATEMENTS_STATEMENTS_H
#define QUILL_PROC_STATEMENTS_STATEMENTS_H

#include "proc_run.h"

namespace quill::proc {

const qh_grammar &build_grammar();

// Fills the options from the PROC record and the statement records chained after it; the first
// failing check writes its message and ends the run.
void parse_statements(const qh_statement *proc_record, proc_options &options);

// The values whose validity does not depend on the data (statement_values.cpp).
void check_statement_values(proc_options &options, const qh_statement *proc_record,
                            const qh_statement *model);

} // namespace quill::proc

#endif
