// The procedure's one call of the engine.
#ifndef QUILL_PROC_ENGINE_CALL_H
#define QUILL_PROC_ENGINE_CALL_H

#include "proc_run.h"

namespace quill::proc {

// Fits the model on the design with the options' settings: the fit's arrays in run memory and
// the lambda path. An engine failure is reported in the log and ends the run.
void fit_model(const proc_options &options, const proc_design &design, proc_fit &fit);

} // namespace quill::proc

#endif
