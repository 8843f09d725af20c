// PROC SUMMARY DATA=ds <statistics> <MAXDEC=n> <NWAY> <PRINT | NOPRINT>; VAR vars; CLASS vars;
// BY vars; OUTPUT OUT=ds <stat(vars)=names ...>; — PROC MEANS without the listing unless PRINT
// is given. Without a VAR statement it counts: OUTPUT writes each group's _TYPE_ and _FREQ_, and
// PRINT an "N Obs" column. With neither PRINT nor OUTPUT it warns and does nothing.
#include "steps/procs/means.h"

namespace quill::host {

void run_proc_summary(ProcRun &run) { run_means_or_summary(run, {false, false}); }

} // namespace quill::host
