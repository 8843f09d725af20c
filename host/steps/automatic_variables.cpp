// The automatic macro variables a run starts with. SYSERR, SYSCC and SYSLAST change after each
// step (ProgramRunner::set_step_status); SYSMACRONAME is the running macro's name.
#include <ctime>

#include "steps/program_runner.h"

namespace quill::host {

void start_automatic_variables(MacroSymbols &symbols)
{
    static const char *const months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                         "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    static const char *const days[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d%s%04d", local.tm_mday, months[local.tm_mon], local.tm_year + 1900);
    symbols.set_automatic("SYSDATE9", text);
    std::snprintf(text, sizeof text, "%02d%s%02d", local.tm_mday, months[local.tm_mon], local.tm_year % 100);
    symbols.set_automatic("SYSDATE", text);
    symbols.set_automatic("SYSDAY", days[local.tm_wday]);
    std::snprintf(text, sizeof text, "%02d:%02d", local.tm_hour, local.tm_min);
    symbols.set_automatic("SYSTIME", text);
    symbols.set_automatic("SYSSCP", "LIN X64");
    symbols.set_automatic("SYSSCPL", "Linux");
    symbols.set_automatic("SYSVER", "9.4");
    symbols.set_automatic("SYSERR", "0");
    symbols.set_automatic("SYSCC", "0");
    symbols.set_automatic("SYSLAST", "_NULL_");
    symbols.set_automatic("SYSENCODING", "utf-8");
}

} // namespace quill::host
