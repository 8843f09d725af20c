// The DATA step's DO loops: a DO group, the iterative DO over its list of items, DO WHILE and DO
// UNTIL, and the limit of passes in one iteration that stops a loop that never ends.
#include <string>

#include "base/message_text.h"
#include "steps/data_step/step_runner.h"

namespace quill::host {
namespace {

// DO loop passes in one iteration: more is a hang. A simulation makes 10⁷ passes and more in
// one iteration (1000 replicates of 10⁴ draws), so the limit is far above that: a loop that never
// ends is stopped within a minute or two. The fuzz build, whose sanitizers make a pass twenty
// times slower, stops sooner, so that a loop the fuzzer writes is not taken for a hang.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr long long max_loop_iterations = 100'000;
#else
constexpr long long max_loop_iterations = 1'000'000'000;
#endif

} // namespace

StepFlow StepRunner::block(const std::vector<int> &children)
{
    for (int c : children) {
        const StepFlow f = exec(c);
        if (f != StepFlow::Next)
            return f;
    }
    return StepFlow::Next;
}

StepFlow StepRunner::loop_limit(const Stmt &s)
{
    fail(at_place("The DO loops of one iteration of the step ran " + std::to_string(max_loop_iterations) +
                      " passes without ending; the step is stopped. The loop begins",
                  s.at));
    return StepFlow::Failed;
}

// The body of a loop once: what the loop does next.
bool StepRunner::body(const Stmt &s, StepFlow &flow)
{
    if (p_.expressions.halted()) { // in the loop's condition
        flow = halt();
        return false;
    }
    flow = block(s.children);
    if (flow == StepFlow::Continue)
        flow = StepFlow::Next;
    if (flow == StepFlow::Leave) {
        flow = StepFlow::Next;
        return false;
    }
    return flow == StepFlow::Next;
}

// An iterative DO: its items one after another; LEAVE, or a flow that leaves the loop, ends
// them all, a WHILE or UNTIL only its own item.
StepFlow StepRunner::do_range(const Stmt &s)
{
    for (const DoItem &item : s.items) {
        StepFlow flow = StepFlow::Next;
        if (!do_item(s, item, flow))
            return flow;
    }
    return StepFlow::Next;
}

enum class Pass { Again, ItemDone, LoopDone };

// One item of the list; false when the whole loop ends here, with the flow it ends with.
bool StepRunner::do_item(const Stmt &s, const DoItem &item, StepFlow &flow)
{
    if (item.stop < 0) { // a single value: one pass
        const auto slot = static_cast<size_t>(s.target);
        if (p_.pdv.variables[slot].type == VarType::Character)
            values_.texts[slot] = p_.expressions.text(item.start, values_);
        else
            values_.numbers[slot] = p_.expressions.number(item.start, values_);
        return pass(s, item, flow) != Pass::LoopDone;
    }
    double &index = values_.numbers[static_cast<size_t>(s.target)];
    const double start = p_.expressions.number(item.start, values_);
    const double stop = p_.expressions.number(item.stop, values_);
    const double by = item.by >= 0 ? p_.expressions.number(item.by, values_) : 1;
    if (p_.expressions.halted())
        return false; // exec reports the subscript
    if (is_missing(start) || is_missing(stop) || is_missing(by) || by == 0) {
        fail(at_place(std::string("The ") + (is_missing(start) ? "start" : is_missing(stop) ? "stop" : "BY") +
                          " value of the DO loop is " + (by == 0 ? "zero" : "missing"),
                      s.at));
        flow = StepFlow::Failed;
        return false;
    }
    for (index = start; by > 0 ? index <= stop : index >= stop; index += by)
        if (const Pass next = pass(s, item, flow); next != Pass::Again)
            return next == Pass::ItemDone;
    return true;
}

// One pass of the body under the item's WHILE (before) or UNTIL (after); the index keeps
// its value when the condition ends the item.
StepRunner::Pass StepRunner::pass(const Stmt &s, const DoItem &item, StepFlow &flow)
{
    if (item.condition >= 0 && !item.until && !p_.expressions.truth(item.condition, values_))
        return Pass::ItemDone;
    if (++loop_passes_ > max_loop_iterations) {
        flow = loop_limit(s);
        return Pass::LoopDone;
    }
    if (!body(s, flow))
        return Pass::LoopDone;
    if (item.condition >= 0 && item.until && p_.expressions.truth(item.condition, values_))
        return Pass::ItemDone;
    return Pass::Again;
}

// DO WHILE (tested before each pass) and DO UNTIL (after each).
StepFlow StepRunner::do_conditional(const Stmt &s)
{
    StepFlow flow = StepFlow::Next;
    for (;;) {
        if (s.kind == StmtKind::DoWhile && !p_.expressions.truth(s.expr, values_))
            return StepFlow::Next;
        if (++loop_passes_ > max_loop_iterations)
            return loop_limit(s);
        if (!body(s, flow))
            return flow;
        if (s.kind == StmtKind::DoUntil && p_.expressions.truth(s.expr, values_))
            return StepFlow::Next;
    }
}

} // namespace quill::host
