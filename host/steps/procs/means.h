// PROC MEANS and PROC SUMMARY are one procedure with two habits: MEANS prints unless told
// NOPRINT and analyses every numeric variable when no VAR statement names them; SUMMARY prints
// only when told PRINT and, without VAR, counts the observations of each group.
#ifndef QUILL_HOST_STEPS_PROCS_MEANS_H
#define QUILL_HOST_STEPS_PROCS_MEANS_H

#include "steps/proc_frame.h"

namespace quill::host {

struct MeansStyle {
    bool prints;        // the listing unless NOPRINT (else only with PRINT)
    bool every_numeric; // without VAR: every numeric variable (else none, the counts only)
};

void run_means_or_summary(ProcRun &run, const MeansStyle &style);

} // namespace quill::host

#endif
