// What PROC IMPORT and PROC EXPORT share: the file they read or write and its DBMS=.
#ifndef QUILL_HOST_STEPS_PROCS_TRANSFER_OPTIONS_H
#define QUILL_HOST_STEPS_PROCS_TRANSFER_OPTIONS_H

#include <string>

#include "steps/proc_frame.h"

namespace quill::host {

// The file an option names: DATAFILE='file' or OUTFILE='file', or a fileref FILENAME assigned.
// Empty, with an error logged, when it is absent or neither.
inline std::string file_option(ProcRun &run, const char *option)
{
    const StepOption *file = run.option(option);
    if (file && run.value(*file).kind == TokenKind::Name) {
        const auto it = run.session.filerefs.find(upper_case(run.value(*file).text));
        if (it != run.session.filerefs.end())
            return it->second;
        run.error("No logical assign for filename " + upper_case(run.value(*file).text) + ".", run.line());
        return std::string();
    }
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
