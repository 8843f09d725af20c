// The BY statement of the host's procedures; the order and the groups it gives are
// data/by_group_order.h's.
#ifndef QUILL_HOST_STEPS_BY_GROUPS_H
#define QUILL_HOST_STEPS_BY_GROUPS_H

#include <vector>

#include "data/by_group_order.h"
#include "modules/session.h"
#include "steps/step.h"

namespace quill::host {

// BY [DESCENDING] var ...; against `variables` (keys index them). False with an error logged.
bool read_by_statement(Session &session, const Statement &statement, const std::vector<Variable> &variables,
                       std::vector<ByKey> &keys);

} // namespace quill::host

#endif
