// The global statements: they take effect where they stand, inside a step or between steps.
#ifndef QUILL_HOST_STEPS_GLOBAL_STATEMENTS_H
#define QUILL_HOST_STEPS_GLOBAL_STATEMENTS_H

#include "modules/session.h"
#include "steps/step.h"

namespace quill::host {

void run_options(Session &session, const Statement &statement);
void run_libname(Session &session, const Statement &statement);
void run_filename(Session &session, const Statement &statement);
void run_title(Session &session, const Statement &statement);
// ODS OUTPUT table=data set: requests for the next PROC step (ods_statement.cpp); any other ODS
// statement gets run_not_supported's note.
void run_ods(Session &session, const Statement &statement);
// A note that this host does not run the statement.
void run_not_supported(Session &session, const Statement &statement);

} // namespace quill::host

#endif
