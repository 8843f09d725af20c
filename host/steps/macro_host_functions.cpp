// %SYSFUNC's functions that need the host rather than the DATA step's table: EXIST(data set),
// 1 when the data set can be read, else 0.
#include "base/names.h"
#include "language/macro/macro_text.h"
#include "steps/program_runner.h"

namespace quill::host {

bool macro_host_function(Session &session, const std::string &name, const std::vector<std::string> &args,
                         std::string &result)
{
    if (name != "EXIST" || args.empty())
        return false;
    std::string written = trim_macro_blanks(args[0]);
    if (written.size() >= 2 && (written.front() == '\'' || written.front() == '"') && written.back() == written.front())
        written = written.substr(1, written.size() - 2);
    const size_t dot = written.find('.');
    const std::string libref = dot == std::string::npos ? "WORK" : written.substr(0, dot);
    const std::string member = dot == std::string::npos ? written : written.substr(dot + 1);
    DatasetName dataset;
    std::string error;
    ReadMessages messages;
    const bool readable = !member.empty() && session.library.name(libref, member, dataset, error) &&
                          session.library.open(dataset, messages, error) != nullptr;
    result.assign(1, readable ? '1' : '0');
    return true;
}

} // namespace quill::host
