// The DATA step: compiled once (step_program.h), then run once per iteration.
#ifndef QUILL_HOST_STEPS_DATA_STEP_DATA_STEP_H
#define QUILL_HOST_STEPS_DATA_STEP_DATA_STEP_H

#include "modules/session.h"
#include "steps/step.h"

namespace quill::host {

void run_data_step(Session &session, const Step &step);

} // namespace quill::host

#endif
