// LAGn and DIFn. Each call site keeps a queue of the last n values it was given: a call puts
// its argument in and takes out the value put in n calls before (missing, or blank, until
// then). The queue moves only when the call runs, so a LAG under an IF remembers the
// observations where the condition held, as SAS programs expect. DIFn is the argument less LAGn.
#include "language/expression.h"
#include "language/functions.h"

namespace quill::host {

double ExpressionSet::call_lag(const Node &n, const Row &row) const
{
    LagQueue &q = lags_[static_cast<size_t>(n.state)];
    const double v = number(args_[static_cast<size_t>(n.first)], row);
    const double old = q.numbers[q.next];
    q.numbers[q.next] = v;
    q.next = (q.next + 1) % q.numbers.size();
    if (n.function == fn_lag)
        return old;
    if (is_missing(v) || is_missing(old)) {
        ++places_[static_cast<size_t>(n.place)].missing;
        return missing_value();
    }
    return v - old;
}

const std::string &ExpressionSet::call_lag_text(const Node &n, const Row &row) const
{
    LagQueue &q = lags_[static_cast<size_t>(n.state)];
    std::string &slot = q.texts[q.next];
    n.result.swap(slot);
    slot.assign(text(args_[static_cast<size_t>(n.first)], row));
    q.next = (q.next + 1) % q.texts.size();
    return n.result;
}

} // namespace quill::host
