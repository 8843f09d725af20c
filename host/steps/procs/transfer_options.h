// What PROC IMPORT and PROC EXPORT share: the file they read or write and its DBMS=.
#ifndef QUILL_HOST_STEPS_PROCS_TRANSFER_OPTIONS_H
#define QUILL_HOST_STEPS_PROCS_TRANSFER_OPTIONS_H

#include <string>

#include "steps/proc_frame.h"

namespace quill::host {

// The quoted file an option names: DATAFILE='file' or OUTFILE='file'. Empty, with an error logged,
// when it is absent or not a quoted name.
inline std::string file_option(ProcRun &run, const char *option)
{
    const StepOption *file = run.option(option);
    if (!file || run.value(*file).kind != TokenKind::String || run.value(*file).text.empty()) {
        run.error("PROC " + run.name + " needs " + option + "='file'", run.line());
        return std::string();
    }
    return run.value(*file).text;
}

inline std::string dbms_of(const ProcRun &run)
{
    const StepOption *dbms = run.option("DBMS");
    return dbms ? upper_case(run.value(*dbms).text) : std::string();
}

} // namespace quill::host

#endif
