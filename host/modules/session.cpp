#include "modules/session.h"

#include "api/module_interface.h"

namespace quill::host {

int program_thread_limit(const Session &session)
{
    if (!session.threads)
        return 1;
    if (session.cpu_count > 0)
        return session.cpu_count;
    return session.cpu_count == 0 ? QH_EVERY_CORE : 0;
}

} // namespace quill::host
